#include "Catalogue/Reader/LibraryReader.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureDatabase.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace pellimor;
using namespace pellimor::fixtures;
namespace LR = pellimor::LibraryReader;

namespace {

const QString kLibraryDb = QStringLiteral("CurrentVersion.flexolibrary");
const QString kEventDb = QStringLiteral("CurrentVersion.fcpevent");

QStringList firstColumn(const QList<QPair<QString, QByteArray>>& rows) {
    QStringList out;
    for (const auto& row : rows)
        out.append(row.first);
    return out;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// Writes one database with these rows to a fresh folder and returns its path.
QString writeDatabase(const FixtureDatabase& database, const QString& hint) {
    const QString path = QDir(test::TestEnv::freshDir(hint)).filePath(QStringLiteral("test.db"));
    database.write(path);
    return path;
}

} // namespace

// ---- Opening ---------------------------------------------------------------------------

// Every character that means something in a URI, or that is not ASCII, must reach SQLite
// percent-encoded: "?" and "#" would otherwise end the file name, "%" start an escape.
TEST(LibraryDatabaseOpen, OpensLibrariesWhosePathsNeedEncoding) {
    const QStringList names{
        QStringLiteral("Wedding Day Final"),     QStringLiteral("Bibliothèque été"),
        QStringLiteral("Cafe\u0301 decomposed"), QStringLiteral("100% done"),
        QStringLiteral("%41 looks encoded"),     QStringLiteral("Take #3"),
        QStringLiteral("Why? Because"),          QStringLiteral("a&b=c;d+e,f'g(h)@i!$~"),
        QStringLiteral("日本語 ライブラリ"),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        // The parent folder carries the awkward name too, so every path component is tested.
        const QString parent =
            QDir(test::TestEnv::freshDir(QStringLiteral("open"))).filePath(name + " folder");
        LibraryBuilder lib(name);
        lib.identifier = QStringLiteral("ID-") + QString::number(FixtureFiles::stableHash(name));
        const QString bundle = lib.write(parent);

        const LR::Database db = LR::openReadOnly(QDir(bundle).filePath(kLibraryDb));
        ASSERT_TRUE(db);
        const auto rows = LR::query(db.get(), LR::Statement::libraryIdentifier);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0].first, QStringLiteral("FFLibrary"));
        EXPECT_EQ(rows[0].second, *lib.identifier);
        EXPECT_EQ(LR::libraryIdentifier(QDir(bundle).filePath(kLibraryDb)), lib.identifier);
    }
}

// A name that stops early at "?" or "#" would name a different file; it must not be opened.
TEST(LibraryDatabaseOpen, NeverOpensThePathCutAtAReservedCharacter) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("decoy"));
    FixtureDatabase decoy;
    decoy.add(CollectionRow::library(QStringLiteral("DECOY")));
    decoy.write(QDir(folder).filePath(QStringLiteral("lib")));
    for (const QString& suffix : {QStringLiteral("?x"), QStringLiteral("#x"), QStringLiteral("%3Fx")}) {
        SCOPED_TRACE(suffix.toStdString());
        const QString path = QDir(folder).filePath(QStringLiteral("lib") + suffix);
        // Missing: nothing opens.
        EXPECT_FALSE(LR::openReadOnly(path));
        EXPECT_EQ(LR::libraryIdentifier(path), std::nullopt);
        // Present: its own rows, not the decoy's.
        FixtureDatabase real;
        real.add(CollectionRow::library(QStringLiteral("REAL")));
        real.write(path);
        EXPECT_EQ(LR::libraryIdentifier(path), QStringLiteral("REAL"));
    }
}

TEST(LibraryDatabaseOpen, DamagedOrMissingDatabasesGiveNoRows) {
    struct Case {
        const char* label;
        FixtureDatabase::Damage damage;
    };
    const Case cases[] = {
        {"missing", FixtureDatabase::Damage::Missing},
        {"not sqlite", FixtureDatabase::Damage::NotSQLite},
        {"empty file", FixtureDatabase::Damage::Empty},
        {"other tables", FixtureDatabase::Damage::NoTables},
        {"truncated", FixtureDatabase::Damage::Truncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FixtureDatabase database;
        database.add(CollectionRow::library(QStringLiteral("LOST")));
        database.add(CollectionRow::audioUnit("aufx", "dcmp", "Acme"));
        database.damage = c.damage;
        const QString path = writeDatabase(database, QStringLiteral("damaged"));

        // Opening may succeed (SQLite reads lazily), but nothing comes out of it.
        const LR::Database db = LR::openReadOnly(path);
        if (c.damage == FixtureDatabase::Damage::Missing) {
            EXPECT_FALSE(db);
        }
        EXPECT_TRUE(LR::query(db.get(), LR::Statement::libraryIdentifier).isEmpty());
        EXPECT_TRUE(LR::queryBlobs(db.get(), LR::Statement::plugins).isEmpty());
        EXPECT_TRUE(LR::readPlugins(db.get()).isEmpty());
        EXPECT_EQ(LR::libraryIdentifier(path), std::nullopt);
    }
    // Neither an empty path (SQLite's private temporary database) nor a folder is a database.
    EXPECT_FALSE(LR::openReadOnly(QString()));
    const QString folder = test::TestEnv::freshDir(QStringLiteral("folder-db"));
    EXPECT_EQ(LR::libraryIdentifier(folder), std::nullopt);
    EXPECT_TRUE(LR::query(nullptr, LR::Statement::libraryIdentifier).isEmpty());
    EXPECT_TRUE(LR::queryBlobs(nullptr, LR::Statement::plugins).isEmpty());
}

// Only a regular file is handed to SQLite: opening a named pipe would wait for a writer that
// never comes. A link counts by what it leads to, so a library kept behind a link still opens.
TEST(LibraryDatabaseOpen, OnlyRegularFilesOpenAndALinkCountsByWhatItLeadsTo) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("kinds"));
    FixtureDatabase real;
    real.add(CollectionRow::library(QStringLiteral("REAL")));
    const QString file = QDir(folder).filePath(QStringLiteral("real.db"));
    real.write(file);
    const test::NamedPipe pipe(QDir(folder).filePath(QStringLiteral("pipe.db")));
    FixtureFiles::makeFolder(QDir(folder).filePath(QStringLiteral("folder.db")));
    const struct {
        const char* what;
        QString linkTarget; // empty: the name itself
        QString name;
        bool opens;
    } cases[] = {
        {"a regular file", {}, QStringLiteral("real.db"), true},
        {"a link to a regular file", QStringLiteral("real.db"), QStringLiteral("to-real.db"), true},
        {"a link to a link to a regular file", QStringLiteral("to-real.db"), QStringLiteral("to-to-real.db"),
         true},
        {"a link by its full path", file, QStringLiteral("absolute.db"), true},
        {"a named pipe", {}, QStringLiteral("pipe.db"), false},
        {"a link to a named pipe", QStringLiteral("pipe.db"), QStringLiteral("to-pipe.db"), false},
        {"a folder", {}, QStringLiteral("folder.db"), false},
        {"a link to a device", QStringLiteral("/dev/null"), QStringLiteral("to-device.db"), false},
        {"a link to nothing", QStringLiteral("gone.db"), QStringLiteral("to-nothing.db"), false},
    };
    for (const auto& c : cases) {
        if (!c.linkTarget.isEmpty())
            FixtureFiles::makeLink(QDir(folder).filePath(c.name), c.linkTarget);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = QDir(folder).filePath(c.name);
        bool opened = false;
        std::optional<QString> identifier;
        EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] {
            opened = bool(LR::openReadOnly(path));
            identifier = LR::libraryIdentifier(path);
        }));
        EXPECT_EQ(opened, c.opens);
        EXPECT_EQ(identifier, c.opens ? std::optional<QString>(QStringLiteral("REAL")) : std::nullopt);
    }
}

// ---- Queries ----------------------------------------------------------------------------

TEST(LibraryDatabaseQuery, TextsKeepRowOrderAndNullReadsAsEmpty) {
    FixtureDatabase database;
    database.add(CollectionRow::identified(QStringLiteral("FFAnchoredClip"), QStringLiteral("clip-1")));
    database.add(CollectionRow{.type = QStringLiteral("FFAnchoredClip")}); // ZIDENTIFIER NULL
    database.add(CollectionRow::identified(QStringLiteral("FFAnchoredClip"), QStringLiteral("Überblick ✓")));
    const QString path = writeDatabase(database, QStringLiteral("query"));
    const LR::Database db = LR::openReadOnly(path);
    ASSERT_TRUE(db);

    const auto rows = LR::query(db.get(), "select ZTYPE, ZIDENTIFIER from ZCOLLECTION order by Z_PK");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].second, QStringLiteral("clip-1"));
    EXPECT_TRUE(rows[1].second.isEmpty());
    EXPECT_EQ(rows[2].second, QStringLiteral("Überblick ✓"));

    // A statement written for another layout gives nothing rather than failing.
    EXPECT_TRUE(LR::query(db.get(), "select ZNAME, ZOTHER from ZSOMETHINGELSE").isEmpty());
    EXPECT_TRUE(LR::query(db.get(), "this is not sql").isEmpty());
    EXPECT_TRUE(LR::query(db.get(), nullptr).isEmpty());
}

TEST(LibraryDatabaseQuery, BlobRowsWithoutBytesAreLeftOut) {
    FixtureDatabase database;
    const QByteArray withNul("a\0b\0c", 5);
    database.add(CollectionRow::withBlob(QStringLiteral("FFFxPlugEffect"), withNul));
    database.add(CollectionRow::withBlob(QStringLiteral("FFFxPlugEffect"), QByteArray(""))); // empty
    database.add(CollectionRow::withBlob(QStringLiteral("FFFxPlugEffect"), QByteArray()));   // NULL
    database.add(CollectionRow::withBlob(QStringLiteral("FFMotionEffect"), QByteArray("xyz")));
    const QString path = writeDatabase(database, QStringLiteral("blobs"));
    const LR::Database db = LR::openReadOnly(path);
    ASSERT_TRUE(db);

    const auto rows = LR::queryBlobs(db.get(), LR::Statement::plugins);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].first, QStringLiteral("FFFxPlugEffect"));
    EXPECT_EQ(rows[0].second, withNul);
    EXPECT_EQ(rows[1].first, QStringLiteral("FFMotionEffect"));
    EXPECT_EQ(rows[1].second, QByteArray("xyz"));
}

// Each fixed statement runs against the database it is meant for and picks exactly its rows.
TEST(LibraryDatabaseQuery, FixedStatementsSelectTheirRows) {
    LibraryBuilder lib(QStringLiteral("Statements"));
    lib.identifier = QStringLiteral("LIB-1");
    LibraryBuilder::Event& event = lib.event(QStringLiteral("Day 1"));
    event.keyword(QStringLiteral("Interview"))
        .keywordRange({QStringLiteral("Interview")})
        .analysisKeywordRange({QStringLiteral("Wide Shot")})
        .marker(QStringLiteral("Cue"))
        .clip(QStringLiteral("A001"))
        .camera({.cameraName = QStringLiteral("Cam A")})
        .sequence({.displayName = QStringLiteral("Seq")})
        .roles({{.name = QStringLiteral("Dialogue")}})
        .row(CollectionRow::audioUnit("aufx", "dcmp", "Acme"))
        .row(CollectionRow::fxPlug(QStringLiteral("1B2C3D4E-0000-4000-8000-00000000AAAA")))
        .row(CollectionRow::motionTemplate(
            QStringLiteral("~/Movies/Motion Templates.localized/Titles.localized/P/T.moti")))
        .row(CollectionRow::audioUnit("aufx", "anlz", "Acme", std::nullopt,
                                      QStringLiteral("FFAudioUnitAnalyzingEffect")));
    LibraryBuilder::Project& project = event.project(QStringLiteral("Main Edit"));
    project.info({.mediaRange = QStringLiteral("0/1s 3600/30000s")})
        .sequence({.displayName = QStringLiteral("Main Edit")})
        .clips(3)
        .compoundClips(1)
        .transitions(2)
        .favorites(1)
        .keywordRange({QStringLiteral("Broll")});
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("statements")));
    const QString eventFolder = QDir(bundle).filePath(QStringLiteral("Day 1"));
    const QString projectFolder = QDir(eventFolder).filePath(QStringLiteral("Main Edit"));

    const LR::Database library = LR::openReadOnly(QDir(bundle).filePath(kLibraryDb));
    const LR::Database eventDb = LR::openReadOnly(QDir(eventFolder).filePath(kEventDb));
    const LR::Database projectDb = LR::openReadOnly(QDir(projectFolder).filePath(kEventDb));
    ASSERT_TRUE(library && eventDb && projectDb);

    EXPECT_EQ(LR::query(library.get(), LR::Statement::libraryIdentifier),
              (QList<QPair<QString, QString>>{{QStringLiteral("FFLibrary"), QStringLiteral("LIB-1")}}));
    EXPECT_EQ(
        sorted(firstColumn(LR::queryBlobs(eventDb.get(), LR::Statement::plugins))),
        (QStringList{"FFAudioUnitAnalyzingEffect", "FFAudioUnitEffect", "FFFxPlugEffect", "FFMotionEffect"}));
    EXPECT_EQ(firstColumn(LR::queryBlobs(eventDb.get(), LR::Statement::keywordDefinitions)),
              QStringList{"FFMediaEventKeyword"});
    EXPECT_EQ(
        sorted(firstColumn(LR::queryBlobs(eventDb.get(), LR::Statement::markers))),
        (QStringList{"FFAnchoredAnalysisKeywordMarker", "FFAnchoredKeywordMarker", "FFAnchoredTimeMarker"}));
    EXPECT_EQ(firstColumn(LR::queryBlobs(eventDb.get(), LR::Statement::shareTags)),
              QStringList{"FFAnchoredSequence"});
    EXPECT_EQ(
        sorted(firstColumn(LR::queryBlobs(eventDb.get(), LR::Statement::searchText))),
        (QStringList{"FFAnchoredCollection", "FFAnchoredSequence", "FFMediaEventProject", "FFMediaRep"}));

    QMap<QString, QString> counts;
    for (const auto& row : LR::query(projectDb.get(), LR::Statement::projectCounts))
        counts.insert(row.first, row.second);
    EXPECT_EQ(counts, (QMap<QString, QString>{{"FFAnchoredClip", "3"},
                                              {"FFAnchoredCollection", "1"},
                                              {"FFAnchoredFavoriteMarker", "1"},
                                              {"FFAnchoredKeywordMarker", "1"},
                                              {"FFAnchoredTransition", "2"}}));
    const auto identifiers = LR::query(projectDb.get(), LR::Statement::projectIdentifiers);
    EXPECT_EQ(identifiers.size(), 7); // the 3 clips, 1 compound clip, 2 transitions and 1 favourite
    EXPECT_TRUE(std::none_of(identifiers.begin(), identifiers.end(),
                             [](const auto& row) { return row.second.isEmpty(); }));
    EXPECT_EQ(sorted(firstColumn(LR::queryBlobs(projectDb.get(), LR::Statement::sequenceInfo))),
              (QStringList{"FFAnchoredSequence", "FFSequenceInfo"}));
}

// ---- Never writing -------------------------------------------------------------------------

namespace {

struct FileState {
    QByteArray sha256;
    qint64 mtimeSeconds = 0;
    qint64 mtimeNanoseconds = 0;
    qint64 size = 0;
    bool operator==(const FileState&) const = default;
};

FileState stateOf(const QString& path) {
    FileState state;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        state.sha256 = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        state.mtimeSeconds = info.st_mtim.tv_sec;
        state.mtimeNanoseconds = info.st_mtim.tv_nsec;
        state.size = info.st_size;
    }
    return state;
}

QStringList everythingBelow(const QString& folder) {
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(it.next());
    names.sort();
    return names;
}

// Another program in the middle of a write: an exclusive transaction with a change not yet
// committed, left open until destroyed.
class Writer {
public:
    explicit Writer(const QString& path) {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        m_ok = exec("BEGIN EXCLUSIVE") &&
               exec("INSERT INTO ZCOLLECTION (ZTYPE, ZIDENTIFIER) VALUES ('FFLibrary', 'UNCOMMITTED')") &&
               exec("DELETE FROM ZCOLLECTIONMD");
    }
    ~Writer() {
        exec("ROLLBACK");
        sqlite3_close(m_db);
    }
    bool ok() const { return m_ok; }

private:
    bool exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    sqlite3* m_db = nullptr;
    bool m_ok = false;
};

// A reader that does take locks sees the write lock: the test's lock is real.
bool lockedForOrdinaryReaders(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const int status = sqlite3_exec(db, "select count(*) from ZCOLLECTION", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return status == SQLITE_BUSY;
}

} // namespace

TEST(LibraryDatabaseNeverWrites, ReadersLeaveDatabasesUntouchedEvenUnderAWriteLock) {
    LibraryBuilder lib(QStringLiteral("Untouched"));
    lib.identifier = QStringLiteral("UNTOUCHED-ID");
    lib.lockInfo(QStringLiteral("editor"), QStringLiteral("studio-mac"));
    LibraryBuilder::Event& event = lib.event(QStringLiteral("Day 1"));
    event.media(QStringLiteral("A001.mov"), 50'000).keyword(QStringLiteral("Interview"));
    for (int i = 0; i < 3; ++i)
        event.row(CollectionRow::audioUnit("aufx", "dcmp", "Acme", QStringLiteral("Compressor")));
    event.project(QStringLiteral("Cut")).info({.mediaRange = QStringLiteral("0/1s 3600/30000s")}).clips(2);
    // Old times, so that any write, however quick, shows in the modification time.
    lib.stamp = QDateTime(QDate(2020, 5, 1), QTime(12, 0), Qt::UTC);
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("untouched")));
    const QString libraryDb = QDir(bundle).filePath(kLibraryDb);
    const QString eventFolder = QDir(bundle).filePath(QStringLiteral("Day 1"));
    const QString eventDb = QDir(eventFolder).filePath(kEventDb);
    const QString projectDb = QDir(eventFolder).filePath(QStringLiteral("Cut/") + kEventDb);
    const QStringList databases{libraryDb, eventDb, projectDb};

    QList<FileState> before;
    for (const QString& path : databases)
        before.append(stateOf(path));
    const QStringList filesBefore = everythingBelow(bundle);

    const auto readEverything = [&] {
        EXPECT_EQ(LR::libraryIdentifier(libraryDb), QStringLiteral("UNTOUCHED-ID"));
        EXPECT_EQ(LR::fcpVersion(bundle), QStringLiteral("10.8.1"));
        EXPECT_EQ(LR::lastHost(bundle), QStringLiteral("editor@studio-mac"));
        EXPECT_TRUE(LR::isReadable(bundle));
        EXPECT_FALSE(LR::isFinalCutBackup(bundle));
        EXPECT_EQ(LR::eventFolders(bundle), QStringList{eventFolder});
        EXPECT_EQ(LR::projectFolders(eventFolder).size(), 1);
        EXPECT_GT(LR::allocatedSize(bundle), 0);
        EXPECT_FALSE(LR::volumeFromPath(bundle).isEmpty());
        for (const QString& path : databases) {
            const LR::Database db = LR::openReadOnly(path);
            ASSERT_TRUE(db);
            for (const char* statement : {LR::Statement::libraryIdentifier, LR::Statement::projectCounts,
                                          LR::Statement::projectIdentifiers})
                LR::query(db.get(), statement);
            for (const char* statement :
                 {LR::Statement::plugins, LR::Statement::keywordDefinitions, LR::Statement::markers,
                  LR::Statement::shareTags, LR::Statement::searchText, LR::Statement::sequenceInfo})
                LR::queryBlobs(db.get(), statement);
        }
        const LR::Database db = LR::openReadOnly(eventDb);
        ASSERT_TRUE(db);
        const QList<PluginUse> plugins = LR::readPlugins(db.get());
        ASSERT_EQ(plugins.size(), 1);
        EXPECT_EQ(plugins[0].count, 3);
        EXPECT_EQ(LR::queryBlobs(db.get(), LR::Statement::keywordDefinitions).size(), 1);
    };

    {
        // Another program holds every database in the middle of an uncommitted write; the
        // readers still see the committed data and take no lock that could get in its way.
        std::vector<std::unique_ptr<Writer>> writers;
        for (const QString& path : databases) {
            writers.push_back(std::make_unique<Writer>(path));
            ASSERT_TRUE(writers.back()->ok()) << path.toStdString();
            ASSERT_TRUE(lockedForOrdinaryReaders(path)) << path.toStdString();
        }
        readEverything();
        for (qsizetype i = 0; i < databases.size(); ++i)
            EXPECT_EQ(stateOf(databases[i]), before[i]) << databases[i].toStdString();
    }

    // Without a writer: nothing changes and nothing is left beside the databases (no journal,
    // no write-ahead log, no shared-memory file).
    readEverything();
    for (qsizetype i = 0; i < databases.size(); ++i)
        EXPECT_EQ(stateOf(databases[i]), before[i]) << databases[i].toStdString();
    EXPECT_EQ(everythingBelow(bundle), filesBefore);
}

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/AtomicFile.h"
#include "Support/WorkPool.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TempFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThreadPool>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;
using test::CatalogTestEnv;
using test::readAll;
using test::writeFile;

namespace {

LibraryInfo libraryAt(const QString& path) {
    LibraryInfo library;
    library.path = path;
    library.name = QFileInfo(path).completeBaseName();
    library.volumeName = QStringLiteral("Drive");
    library.scannedAt = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);
    library.signature = QStringLiteral("1.0|@size|2.0");
    return library;
}

// `count` entries named after the library, so lists of different libraries never match.
QList<MediaEntry> entriesFor(const QString& tag, int count) {
    QList<MediaEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.append(
            {QStringLiteral("%1_%2.mov").arg(tag).arg(i), 1000 + i, QStringLiteral("Event %1").arg(i % 2)});
    return entries;
}

// The published list as "libraryID :: name :: size :: event" lines, to compare in one go.
QStringList linesOf(const QList<Catalog::MediaEntry2>& media) {
    QStringList lines;
    for (const Catalog::MediaEntry2& m : media)
        lines << QStringLiteral("%1 :: %2 :: %3 :: %4")
                     .arg(m.libraryID, m.entry.name)
                     .arg(m.entry.size)
                     .arg(m.entry.event);
    return lines;
}

QStringList linesOf(const QString& libraryID, const QList<MediaEntry>& entries) {
    QList<Catalog::MediaEntry2> media;
    for (const MediaEntry& entry : entries)
        media.append({libraryID, entry});
    return linesOf(media);
}

// Lists compared as one text, so a failure shows readable lines.
std::string shown(const QStringList& lines) {
    return lines.join('\n').toStdString();
}

// A catalogue in a fresh data folder whose first load (of the empty catalogue) has settled.
class CatalogMediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        catalog = env.makeCatalog();
        QObject::connect(catalog.get(), &Catalog::mediaChanged, [this] { ++published; });
        workPool()->waitForDone();
        QCoreApplication::sendPostedEvents();
        published = 0;
    }
    void TearDown() override { catalog.reset(); }

    void setLibraries(const QList<LibraryInfo>& libraries) { catalog->seed({.libraries = libraries}); }
    void saveMedia(const QList<MediaEntry>& entries, const QString& path) {
        catalog->scanHost()->saveMedia(entries, path);
    }
    QString mediaFile(const QString& path) const { return catalog->scanHost()->mediaFile(path); }

    // Starts a load and runs the event loop until it has published.
    void loadAndWait() {
        const int before = published;
        catalog->loadAllMedia();
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return published > before; }));
    }

    CatalogTestEnv env;
    std::unique_ptr<Catalog> catalog;
    int published = 0;
};

TEST(CatalogMediaHash, IsTheFirstTenBytesOfTheSha256OfTheUtf8Text) {
    // Digests from an independent SHA-256 implementation; "Café" once precomposed (NFC) and
    // once with a combining accent (NFD): the path is hashed exactly as catalogued.
    const struct {
        QString text;
        QString hash;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea4141"},
        {"", "e3b0c44298fc1c149afb"},
        {"/Volumes/Drive/Caf\u00E9.fcpbundle", "91d7bcf712e9291c0720"},
        {"/Volumes/Drive/Cafe\u0301.fcpbundle", "12806eba33523ceb482e"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Catalog::hash(c.text).toStdString(), c.hash.toStdString()) << c.text.toStdString();
}

TEST_F(CatalogMediaTest, FileNamesDifferForPathsThatDifferOnlyInCaseOrATrailingSlash) {
    const QString path = "/Volumes/Drive/Wedding.fcpbundle";
    const QStringList variants = {path, "/Volumes/Drive/wedding.fcpbundle",
                                  "/volumes/drive/wedding.fcpbundle", path + "/"};
    const QRegularExpression form("^media-[0-9a-f]{20}\\.json$");
    QStringList names;
    for (const QString& variant : variants) {
        const QString file = mediaFile(variant);
        EXPECT_EQ(QFileInfo(file).absolutePath().toStdString(),
                  QFileInfo(catalog->dir()).absoluteFilePath().toStdString());
        const QString name = QFileInfo(file).fileName();
        EXPECT_TRUE(form.match(name).hasMatch()) << name.toStdString();
        EXPECT_EQ(name.toStdString(), ("media-" + Catalog::hash(variant) + ".json").toStdString());
        names << name;
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), variants.size());
}

TEST_F(CatalogMediaTest, ASavedListIsACompactArrayThatLoadsBackInOrder) {
    const QString path = "/Volumes/Drive/Caf\u00E9.fcpbundle";
    const QList<MediaEntry> entries = {
        {"A001_C002 \u201Cbest\u201D.mov", 9007199254740993LL, "2024-06-01 Wedding"},
        {"sound.wav", 0, ""},
        {"A001_C001.mov", 42, "2024-06-01 Wedding"},
    };
    setLibraries({libraryAt(path)});
    saveMedia(entries, path);

    const QByteArray bytes = readAll(mediaFile(path));
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains(": "));
    const QJsonArray array = QJsonDocument::fromJson(bytes).array();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array.at(0).toObject().keys(), (QStringList{"event", "name", "size"}));
    EXPECT_EQ(array.at(0).toObject().value("size").toInteger(), 9007199254740993LL);

    loadAndWait();
    EXPECT_EQ(shown(linesOf(catalog->media())), shown(linesOf(path, entries)));

    // Saving again replaces the list whole; an empty list is an empty array and loads as nothing.
    saveMedia({}, path);
    EXPECT_EQ(readAll(mediaFile(path)).toStdString(), "[]");
    loadAndWait();
    EXPECT_TRUE(catalog->media().isEmpty());
}

TEST_F(CatalogMediaTest, AListIsWrittenExactlyAsTheEntriesOwnCodingWritesIt) {
    QString ascii;
    for (char16_t c = 0; c < 0x80; ++c)
        ascii += QChar(c);
    const QString lone = QString(QChar(0xD800)) + "x" + QChar(0xDC00) + QChar(0xDBFF) + QChar(0xDFFF) +
                         QChar(0xDFFF) + QChar(0xDBFF);
    const QList<MediaEntry> entries = {
        {ascii, 1, "Event \"one\""},
        {lone, -1, QString(QChar(0xD83D))},
        {"\u00E9t\u00E9 \u2014 \U0001F600 \uFFFF \u0800 \u07FF.mov", std::numeric_limits<qint64>::max(), ""},
        {"", std::numeric_limits<qint64>::min(), "\u2028\u2029"},
    };
    const QString path = "/Volumes/Drive/Odd names.fcpbundle";
    for (const QList<MediaEntry>& list : {entries, QList<MediaEntry>{}, entries.mid(2, 1)}) {
        saveMedia(list, path);
        const Result<QByteArray> own = RecordJson::encodeListBytes(list, RecordJson::DateForm::Since1970);
        ASSERT_TRUE(own.ok());
        EXPECT_EQ(readAll(mediaFile(path)).toStdString(), own->toStdString()) << list.size();
    }
}

TEST_F(CatalogMediaTest, ALoadGoesByTheCataloguedLibrariesInTheirOrder) {
    const QString first = "/Volumes/Drive/B first.fcpbundle";
    const QString middle = "/Volumes/Drive/A middle.fcpbundle";
    const QString third = "/Volumes/Drive/C third.fcpbundle";
    const QString forgotten = "/Volumes/Drive/Forgotten.fcpbundle";
    saveMedia(entriesFor("first", 3), first);
    saveMedia(entriesFor("third", 2), third);
    saveMedia(entriesFor("forgotten", 4), forgotten); // left behind, no longer catalogued
    setLibraries({libraryAt(first), libraryAt(middle), libraryAt(third)});

    loadAndWait();
    EXPECT_EQ(shown(linesOf(catalog->media())),
              shown(linesOf(first, entriesFor("first", 3)) + linesOf(third, entriesFor("third", 2))));
}

TEST_F(CatalogMediaTest, AListThatIsNotMediaEntriesContributesNothingAndIsLogged) {
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const auto restore = qScopeGuard([&] { ErrorLog::setHeadless(wasHeadless); });

    const struct {
        const char* why;
        QByteArray content;
    } bad[] = {
        {"not JSON", "this is not JSON"},
        {"truncated", R"([{"name":"a.mov","size":1,"event":"E"},{"name":"b.m)"},
        {"an object", R"({"name":"a.mov","size":1,"event":"E"})"},
        {"size as text", R"([{"name":"a.mov","size":"1","event":"E"}])"},
        {"event missing", R"([{"name":"a.mov","size":1}])"},
        {"empty file", ""},
        {"a key given twice", R"([{"name":"a.mov","size":1,"size":2,"event":"E"}])"},
    };
    const QString good = "/Volumes/Drive/Good.fcpbundle";
    QList<LibraryInfo> libraries;
    for (const auto& b : bad) {
        const QString path = QStringLiteral("/Volumes/Drive/%1.fcpbundle").arg(QLatin1String(b.why));
        writeFile(mediaFile(path), b.content);
        libraries.append(libraryAt(path));
    }
    libraries.insert(3, libraryAt(good));
    saveMedia(entriesFor("good", 2), good);
    setLibraries(libraries);

    loadAndWait();
    EXPECT_EQ(shown(linesOf(catalog->media())), shown(linesOf(good, entriesFor("good", 2))));

    const QStringList lines = ErrorLog::recent(50, ErrorLog::url());
    for (const auto& b : bad) {
        const QString path = QStringLiteral("/Volumes/Drive/%1.fcpbundle").arg(QLatin1String(b.why));
        const QString name = QFileInfo(mediaFile(path)).fileName();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const QString& line) {
                                    return line.contains(" WARN catalogue: ") && line.contains(name) &&
                                           line.endsWith("  path: " + path);
                                }),
                  1)
            << b.why;
    }
    // A library that simply has no list yet is no problem.
    EXPECT_FALSE(lines.join('\n').contains(QFileInfo(mediaFile(good + "x")).fileName()));
}

// A named pipe in place of a list would hold a loading thread for good, and the load with it.
TEST_F(CatalogMediaTest, APipeInPlaceOfAListIsSkippedAndTheOthersLoad) {
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const auto restore = qScopeGuard([&] { ErrorLog::setHeadless(wasHeadless); });

    const QString good = "/Volumes/Drive/Good.fcpbundle";
    const QString piped = "/Volumes/Drive/Piped.fcpbundle";
    saveMedia(entriesFor("good", 2), good);
    const test::NamedPipe pipe(mediaFile(piped));
    setLibraries({libraryAt(piped), libraryAt(good)});

    EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] { loadAndWait(); }));
    EXPECT_EQ(shown(linesOf(catalog->media())), shown(linesOf(good, entriesFor("good", 2))));
    const QStringList lines = ErrorLog::recent(50, ErrorLog::url());
    const QString name = QFileInfo(mediaFile(piped)).fileName();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const QString& line) {
                                return line.contains(" WARN catalogue: ") && line.contains(name) &&
                                       line.contains("named pipe") && line.endsWith("  path: " + piped);
                            }),
              1)
        << shown(lines);
}

// A scan stages each library's list beside it and gives it its name once the library is
// applied; a process stopped in between (killed, or the machine off) leaves the staged file.
// The next start removes those, and only those: never a list this process is staging.
TEST_F(CatalogMediaTest, StagedListsLeftByAnEarlierRunAreRemovedAtStart) {
    const QString kept = "/Volumes/Drive/Kept.fcpbundle";
    saveMedia(entriesFor("kept", 2), kept);
    const QDir data(catalog->dir());
    const QStringList leftovers{
        mediaFile(kept) + ".tmp-1x2y3z4",
        mediaFile("/Volumes/Drive/Other.fcpbundle") + ".tmp-q9",
        data.filePath("scanjob.json.tmp-7abc"),
    };
    const QStringList others{
        mediaFile(kept),
        data.filePath("media-mine.json.tmp-1"),     // no list's name
        data.filePath("media-notes.txt"),           // not staged
        data.filePath("catalogue.json.tmp-1"),      // not one of the program's files
        mediaFile(kept) + ".tmp-",                  // no stage mark after the name
        data.filePath("posters/media-0.json.tmp-1") // below the data folder, not in it
    };
    for (const QString& file : leftovers + others) {
        if (!QFileInfo::exists(file)) {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
            writeFile(file, "[]");
        }
    }
    // A list staged by this process, as a running scan holds it until the library is applied.
    Result<std::shared_ptr<AtomicFile::Staged>> staged =
        AtomicFile::stage(mediaFile("/Volumes/Drive/Live.fcpbundle"), "[]");
    ASSERT_TRUE(staged.ok()) << staged.error().toStdString();
    const QStringList liveStage =
        data.entryList({"*.json.tmp-*"}, QDir::Files)
            .filter(QFileInfo(mediaFile("/Volumes/Drive/Live.fcpbundle")).fileName());
    ASSERT_EQ(liveStage.size(), 1);

    const auto next = env.makeCatalog();
    for (const QString& file : leftovers)
        EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
    for (const QString& file : others)
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_TRUE(QFileInfo::exists(data.filePath(liveStage.at(0))));
    EXPECT_TRUE(staged.value()->commit().ok());
    EXPECT_EQ(readAll(mediaFile("/Volumes/Drive/Live.fcpbundle")), "[]");
}

TEST_F(CatalogMediaTest, DeletingAListTwiceIsHarmlessAndLeavesOtherListsAlone) {
    const QString gone = "/Volumes/Drive/Gone.fcpbundle";
    const QString kept = "/Volumes/Drive/Kept.fcpbundle";
    saveMedia(entriesFor("gone", 2), gone);
    saveMedia(entriesFor("kept", 2), kept);
    ASSERT_TRUE(QFileInfo::exists(mediaFile(gone)));

    catalog->scanHost()->deleteMedia(gone);
    EXPECT_FALSE(QFileInfo::exists(mediaFile(gone)));
    catalog->scanHost()->deleteMedia(gone); // already deleted, by hand or by the first call
    EXPECT_FALSE(QFileInfo::exists(mediaFile(gone)));

    setLibraries({libraryAt(kept)});
    loadAndWait();
    EXPECT_EQ(shown(linesOf(catalog->media())), shown(linesOf(kept, entriesFor("kept", 2))));
}

TEST_F(CatalogMediaTest, AListThatCannotBeWrittenIsDroppedQuietly) {
    // A folder where the list should go: the write fails, nothing is thrown or replaced.
    const QString path = "/Volumes/Drive/Blocked.fcpbundle";
    ASSERT_TRUE(QDir().mkpath(mediaFile(path)));
    saveMedia(entriesFor("blocked", 2), path);
    EXPECT_TRUE(QFileInfo(mediaFile(path)).isDir());
    EXPECT_EQ(shown(QDir(catalog->dir()).entryList({"*.json"}, QDir::Files)), "");
}

// The first load is held at the opening of a list until the second load has published;
// released, it finds the list of a library that was forgotten in between.
TEST_F(CatalogMediaTest, AnOlderLoadThatFinishesLastPublishesNothing) {
    QThreadPool* pool = workPool();
    const int previousThreads = pool->maxThreadCount();
    pool->setMaxThreadCount(std::max(2, previousThreads));
    const auto restoreThreads = qScopeGuard([&] { pool->setMaxThreadCount(previousThreads); });

    const QString gone = "/Volumes/Drive/Gone.fcpbundle";
    const QString kept = "/Volumes/Drive/Kept.fcpbundle";
    saveMedia(entriesFor("kept", 3), kept);
    saveMedia({{QStringLiteral("old.mov"), 7, QStringLiteral("E")}}, gone);
    test::HeldOpen gate(mediaFile(gone)); // lets the held load go at the latest when it ends

    setLibraries({libraryAt(gone), libraryAt(kept)});
    catalog->loadAllMedia(); // held at the gone library's list
    setLibraries({libraryAt(kept)});
    loadAndWait();
    ASSERT_EQ(shown(linesOf(catalog->media())), shown(linesOf(kept, entriesFor("kept", 3))));

    ASSERT_TRUE(gate.waitForReader()) << "the first load was held at the list";
    pool->waitForDone();
    QCoreApplication::sendPostedEvents(); // the held load's result, had it been sent
    EXPECT_EQ(shown(linesOf(catalog->media())), shown(linesOf(kept, entriesFor("kept", 3))));
    EXPECT_EQ(published, 1);
}

TEST_F(CatalogMediaTest, AResultArrivingAfterTheCatalogueIsGoneIsDropped) {
    const QString path = "/Volumes/Drive/Late.fcpbundle";
    saveMedia(entriesFor("late", 2000), path);
    setLibraries({libraryAt(path)});
    catalog->loadAllMedia();
    catalog.reset();
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents(); // must not reach the destroyed catalogue
    EXPECT_EQ(published, 0);
}

} // namespace

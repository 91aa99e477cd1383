#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Store/Catalog.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::readAll;
using test::writeFile;

namespace {

const QString kCouldNotRead =
    QStringLiteral("ERROR catalogue: The catalogue file could not be read, so the list starts empty.");

const QDateTime kScanned(QDate(2025, 3, 1), QTime(9, 30, 0, 250), Qt::UTC);

QString catalogFile(const CatalogTestEnv& env) {
    return QDir(env.dataDir).filePath(QStringLiteral("catalog.json"));
}

QStringList errorLines(const CatalogTestEnv& env) {
    QStringList lines =
        QString::fromUtf8(readAll(QDir(env.dataDir).filePath(QStringLiteral("error-log.txt"))))
            .split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

// The names of the files an unreadable catalogue was moved to.
QStringList keptAside(const CatalogTestEnv& env) {
    return QDir(env.dataDir).entryList({QStringLiteral("catalog.json.unreadable-*")}, QDir::Files);
}

// The line that says the catalogue could not be read: the message, why, and the file named.
bool isCouldNotReadLine(const QString& line, const QString& path) {
    return line.contains(kCouldNotRead + QStringLiteral(" Reason: ")) &&
           line.endsWith(QStringLiteral("  path: ") + path);
}

QJsonObject savedObject(const CatalogTestEnv& env) {
    return QJsonDocument::fromJson(readAll(catalogFile(env))).object();
}

LibraryInfo library(const QString& path, const QString& name = QString()) {
    LibraryInfo l;
    l.path = path;
    l.name = name.isEmpty() ? QFileInfo(path).completeBaseName() : name;
    l.volumeName = QStringLiteral("Macintosh HD");
    l.scannedAt = kScanned;
    l.signature = QStringLiteral("1.5|@size|2.5");
    return l;
}

// A library with most optional parts filled, to show nothing is lost on the way through.
LibraryInfo richLibrary(const QString& path) {
    LibraryInfo l = library(path, QStringLiteral("Wedding – Final"));
    l.volumeName = QStringLiteral("Archive");
    l.volumeUUID = QStringLiteral("6F1C0A2E-1111-2222-3333-444455556666");
    l.libraryIdentifier = QStringLiteral("ABC-123");
    l.fcpVersion = QStringLiteral("11.0");
    l.lastHost = QStringLiteral("studio");
    l.created = QDateTime(QDate(2019, 7, 4), QTime(12, 0, 0, 125), Qt::UTC);
    l.modified = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
    l.isBackup = true;
    l.extraSize = 9007199254740993; // beyond a double's exact integers
    EventInfo e;
    e.name = QStringLiteral("Day 1");
    e.originalSize = 123456789012;
    e.proxySize = 42;
    e.extensions = {{QStringLiteral("mov"), 3}};
    e.keywords = QMap<QString, qint64>{{QStringLiteral("ring"), 2}};
    e.modified = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5, 600), Qt::UTC);
    ProjectInfo p;
    p.name = QStringLiteral("Cut 1");
    e.projects = {p};
    l.events = {e};
    return l;
}

QJsonObject toJson(const LibraryInfo& l) {
    const Result<QJsonObject> json = l.toJson(RecordJson::DateForm::Since1970);
    EXPECT_TRUE(json.ok()) << json.error().toStdString();
    return json.ok() ? json.value() : QJsonObject();
}

// A well-formed catalogue file with one library at `path`.
QJsonObject goodStore(const QString& path = QStringLiteral("/Users/me/Movies/A.fcpbundle")) {
    return QJsonObject{
        {QStringLiteral("libraries"), QJsonArray{toJson(library(path))}},
        {QStringLiteral("roots"),
         QJsonArray{QJsonObject{{QStringLiteral("path"), QStringLiteral("/Users/me/Movies")}}}},
        {QStringLiteral("driveRoles"), QJsonObject()}};
}

QByteArray bytesOf(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The error log is written only when a test asks for it (the runner's "--gtest" arguments
// would otherwise silence it).
class CatalogStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_headless = ErrorLog::headless();
        ErrorLog::setHeadless(false);
    }
    void TearDown() override { ErrorLog::setHeadless(m_headless); }

private:
    bool m_headless = false;
};

TEST_F(CatalogStoreTest, StartsEmptyInItsOwnNewDataFolderWithoutAFile) {
    CatalogTestEnv env;
    ASSERT_FALSE(QFileInfo::exists(env.dataDir));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    auto catalog = env.makeCatalog();
    const QDateTime after = QDateTime::currentDateTimeUtc();

    EXPECT_EQ(catalog->dir(), env.dataDir);
    EXPECT_EQ(catalog->posterDir(), QDir(env.dataDir).filePath(QStringLiteral("posters")));
    EXPECT_TRUE(QFileInfo(catalog->posterDir()).isDir()) << "the data folder and posters are created";
    EXPECT_TRUE(catalog->libraries().isEmpty());
    EXPECT_TRUE(catalog->roots().isEmpty());
    EXPECT_TRUE(catalog->driveRoles().isEmpty());
    EXPECT_TRUE(catalog->favorites().isEmpty());
    EXPECT_FALSE(catalog->pausedJob().has_value());
    EXPECT_TRUE(catalog->mounted().contains(QStringLiteral("/")));
    EXPECT_FALSE(QFileInfo::exists(QDir(env.dataDir).filePath(QStringLiteral("error-log.txt"))));
    EXPECT_FALSE(QFileInfo::exists(catalogFile(env))) << "loading writes nothing";

    const ScanJob& job = catalog->currentJob();
    EXPECT_TRUE(job.roots.isEmpty());
    EXPECT_FALSE(job.maxDepth.has_value());
    EXPECT_FALSE(job.remember || job.fullRescan || job.posters || job.discoveryDone);
    EXPECT_EQ(job.concurrency, 2);
    EXPECT_EQ(job.rootIndex, 0);
    EXPECT_FALSE(job.pending.has_value());
    EXPECT_TRUE(job.found.isEmpty());
    EXPECT_TRUE(job.done.isEmpty());
    EXPECT_GE(job.updatedAt, before.addMSecs(-1));
    EXPECT_LE(job.updatedAt, after.addMSecs(1));

    catalog->save();
    EXPECT_TRUE(QFileInfo::exists(catalogFile(env))) << "the catalogue lives in TOVLIN_DATA_DIR";
}

TEST_F(CatalogStoreTest, PausedJobComesFromScanJobFileWhenItDecodes) {
    ScanJob saved;
    saved.roots = {QStringLiteral("/Volumes/A"), QStringLiteral("/Volumes/B")};
    saved.maxDepth = 4;
    saved.remember = true;
    saved.concurrency = 3;
    saved.rootIndex = 1;
    saved.pending = QList<PendingDir>{{QStringLiteral("/Volumes/B/x"), 1}};
    saved.found = {QStringLiteral("/Volumes/B/x/L.fcpbundle")};
    saved.updatedAt = QDateTime(QDate(2025, 5, 6), QTime(7, 8, 9, 500), Qt::UTC);
    const Result<QByteArray> good = RecordJson::encodeRecordBytes(saved, RecordJson::DateForm::Since2001);
    ASSERT_TRUE(good.ok());

    struct Case {
        const char* name;
        QByteArray bytes;
        bool decodes;
    };
    const QList<Case> cases = {
        {"a saved job", good.value(), true},
        {"not JSON", QByteArray("{\"roots\":[\"/Volumes/A\""), false},
        {"not a job", QByteArray("{\"roots\":[]}"), false},
        {"a list", QByteArray("[]"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        const QString jobFile = QDir(env.dataDir).filePath(QStringLiteral("scanjob.json"));
        writeFile(jobFile, c.bytes);
        auto catalog = env.makeCatalog();
        ASSERT_EQ(catalog->pausedJob().has_value(), c.decodes);
        if (c.decodes) {
            const ScanJob& job = *catalog->pausedJob();
            EXPECT_EQ(job.roots, saved.roots);
            EXPECT_EQ(job.maxDepth, saved.maxDepth);
            EXPECT_EQ(job.remember, saved.remember);
            EXPECT_EQ(job.concurrency, saved.concurrency);
            EXPECT_EQ(job.rootIndex, saved.rootIndex);
            EXPECT_EQ(job.pending, saved.pending);
            EXPECT_EQ(job.found, saved.found);
            EXPECT_EQ(job.updatedAt, saved.updatedAt) << "dates since 2001";
        }
        EXPECT_EQ(readAll(jobFile), c.bytes) << "the job file is left as it was";
        EXPECT_TRUE(errorLines(env).isEmpty());
    }
}

TEST_F(CatalogStoreTest, SavedCatalogueLoadsBackTheSame) {
    CatalogTestEnv env;
    const LibraryInfo a = richLibrary(QStringLiteral("/Volumes/Archive/Wedding.fcpbundle"));
    const LibraryInfo b = library(QStringLiteral("/Users/me/Movies/B.fcpbundle"));
    const QList<ScanRoot> roots = {
        {QStringLiteral("/Volumes/Archive"), QDateTime(QDate(2025, 2, 3), QTime(4, 5, 6, 750), Qt::UTC)},
        {QStringLiteral("/Users/me/Movies"), std::nullopt},
    };
    const QMap<QString, QString> roles = {{*a.volumeUUID, QStringLiteral("backup")},
                                          {a.volumeName, QStringLiteral("backup")}};
    const QMap<QString, QDateTime> favorites = {
        {a.path, QDateTime(QDate(2025, 1, 1), QTime(10, 0, 0, 5), Qt::UTC)},
        {b.path, QDateTime(QDate(2025, 1, 2), QTime(11, 0, 0), Qt::UTC)},
    };
    {
        auto catalog = env.makeCatalog();
        catalog->seed({.libraries = QList<LibraryInfo>{a, b}});
        catalog->seed({.roots = roots});
        catalog->seed({.driveRoles = roles});
        catalog->seed({.favorites = favorites});
        catalog->save();
    }
    const QByteArray bytes = readAll(catalogFile(env));
    EXPECT_FALSE(bytes.contains('\n')) << "compact JSON";
    const QJsonObject object = savedObject(env);
    EXPECT_TRUE(object.contains(QStringLiteral("driveRoles")));
    EXPECT_TRUE(object.contains(QStringLiteral("favorites")));

    auto loaded = env.makeCatalog();
    EXPECT_EQ(loaded->libraries(), (QList<LibraryInfo>{a, b}));
    EXPECT_EQ(loaded->roots(), roots);
    EXPECT_EQ(loaded->driveRoles(), roles);
    EXPECT_EQ(loaded->favorites(), favorites);
    EXPECT_TRUE(errorLines(env).isEmpty());
    EXPECT_EQ(readAll(catalogFile(env)), bytes) << "loading saves nothing back";
}

TEST_F(CatalogStoreTest, DatesAreWrittenAsSecondsSince1970) {
    CatalogTestEnv env;
    const QString path = QStringLiteral("/Users/me/Movies/A.fcpbundle");
    const QDateTime lastScan(QDate(2001, 1, 1), QTime(0, 0, 0, 500), Qt::UTC);
    const QDateTime marked(QDate(1970, 1, 2), QTime(0, 0, 0), Qt::UTC);
    {
        auto catalog = env.makeCatalog();
        catalog->seed({.libraries = QList<LibraryInfo>{library(path)}});
        catalog->seed({.roots = QList<ScanRoot>{{QStringLiteral("/Users/me/Movies"), lastScan}}});
        catalog->seed({.favorites = QMap<QString, QDateTime>{{path, marked}}});
        catalog->save();
    }
    const QJsonObject object = savedObject(env);
    const QJsonValue scannedAt = object.value(QStringLiteral("libraries"))
                                     .toArray()
                                     .at(0)
                                     .toObject()
                                     .value(QStringLiteral("scannedAt"));
    ASSERT_TRUE(scannedAt.isDouble());
    EXPECT_DOUBLE_EQ(scannedAt.toDouble(), 1740821400.25);
    const QJsonValue rootScan =
        object.value(QStringLiteral("roots")).toArray().at(0).toObject().value(QStringLiteral("lastScan"));
    ASSERT_TRUE(rootScan.isDouble());
    EXPECT_DOUBLE_EQ(rootScan.toDouble(), 978307200.5);
    const QJsonValue favorite = object.value(QStringLiteral("favorites")).toObject().value(path);
    ASSERT_TRUE(favorite.isDouble());
    EXPECT_DOUBLE_EQ(favorite.toDouble(), 86400.0);
}

TEST_F(CatalogStoreTest, DriveRolesAreAlwaysWrittenFavoritesOnlyWhenThereAreAny) {
    struct Case {
        const char* name;
        QMap<QString, QString> roles;
        QMap<QString, QDateTime> favorites;
    };
    const QString path = QStringLiteral("/Users/me/Movies/A.fcpbundle");
    const QList<Case> cases = {
        {"neither", {}, {}},
        {"roles only", {{QStringLiteral("Archive"), QStringLiteral("backup")}}, {}},
        {"favourites only", {}, {{path, kScanned}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.libraries = QList<LibraryInfo>{library(path)}});
        catalog->seed({.driveRoles = c.roles});
        catalog->seed({.favorites = c.favorites});
        catalog->save();
        const QJsonObject object = savedObject(env);
        ASSERT_TRUE(object.value(QStringLiteral("driveRoles")).isObject());
        EXPECT_EQ(object.value(QStringLiteral("driveRoles")).toObject().size(), c.roles.size());
        EXPECT_EQ(object.contains(QStringLiteral("favorites")), !c.favorites.isEmpty());
        EXPECT_TRUE(object.value(QStringLiteral("libraries")).isArray());
        EXPECT_TRUE(object.value(QStringLiteral("roots")).isArray());
    }
}

TEST_F(CatalogStoreTest, LoadingDropsCacheClipsClearsProblemsAndTrimsFavorites) {
    CatalogTestEnv env;
    LibraryInfo kept = library(QStringLiteral("/Volumes/A/Kept.fcpbundle"));
    kept.problem = QStringLiteral("The library database could not be opened.");
    const LibraryInfo cache = library(QStringLiteral("/Volumes/A/CacheClip/Clip.fcpbundle"));
    const LibraryInfo lowerCase = library(QStringLiteral("/Volumes/A/cacheclip/Other.fcpbundle"));
    QList<LibraryInfo> stored = {kept, cache, lowerCase};
    QMap<QString, QDateTime> favorites = {
        {cache.path, kScanned.addDays(10)},                                  // its library is dropped
        {QStringLiteral("/Volumes/Gone/X.fcpbundle"), kScanned.addDays(11)}, // never catalogued
    };
    // Seven live favourites: the two oldest go; of the two marked at the same oldest-but-one
    // time, the smaller path goes.
    for (int i = 1; i <= 5; ++i) {
        const LibraryInfo l = library(QStringLiteral("/Volumes/A/L%1.fcpbundle").arg(i));
        stored.append(l);
        favorites.insert(l.path, kScanned.addDays(i));
    }
    favorites.insert(kept.path, kScanned.addDays(1)); // ties with L1; "/Volumes/A/K..." < "/Volumes/A/L1..."
    favorites.insert(lowerCase.path, kScanned);       // the oldest
    QJsonArray libraries;
    for (const LibraryInfo& l : stored)
        libraries.append(toJson(l));
    QJsonObject favoritesJson;
    for (auto it = favorites.begin(); it != favorites.end(); ++it)
        favoritesJson.insert(it.key(), double(it.value().toMSecsSinceEpoch()) / 1000.0);
    const QByteArray bytes = bytesOf({{QStringLiteral("libraries"), libraries},
                                      {QStringLiteral("roots"), QJsonArray()},
                                      {QStringLiteral("favorites"), favoritesJson}});
    writeFile(catalogFile(env), bytes);

    auto catalog = env.makeCatalog();
    QStringList paths;
    for (const LibraryInfo& l : catalog->libraries())
        paths.append(l.path);
    EXPECT_EQ(
        paths,
        (QStringList{kept.path, lowerCase.path, QStringLiteral("/Volumes/A/L1.fcpbundle"),
                     QStringLiteral("/Volumes/A/L2.fcpbundle"), QStringLiteral("/Volumes/A/L3.fcpbundle"),
                     QStringLiteral("/Volumes/A/L4.fcpbundle"), QStringLiteral("/Volumes/A/L5.fcpbundle")}))
        << "only the exact, case-sensitive \"/CacheClip/\" is dropped, in stored order";
    for (const LibraryInfo& l : catalog->libraries())
        EXPECT_FALSE(l.problem.has_value()) << l.path.toStdString();
    EXPECT_EQ(
        catalog->favorites().keys(),
        (QStringList{QStringLiteral("/Volumes/A/L1.fcpbundle"), QStringLiteral("/Volumes/A/L2.fcpbundle"),
                     QStringLiteral("/Volumes/A/L3.fcpbundle"), QStringLiteral("/Volumes/A/L4.fcpbundle"),
                     QStringLiteral("/Volumes/A/L5.fcpbundle")}));
    EXPECT_EQ(readAll(catalogFile(env)), bytes) << "nothing is saved back while loading";
    EXPECT_TRUE(errorLines(env).isEmpty());
}

// Files that are odd but whole: they load, and nothing is logged or moved.
TEST_F(CatalogStoreTest, ReadableOddFilesLoad) {
    struct Case {
        const char* name;
        std::function<void(QJsonObject&)> change;
        std::function<void(const Catalog&)> check;
    };
    const auto firstLibrary = [](QJsonObject& store, const std::function<void(QJsonObject&)>& change) {
        QJsonArray libraries = store.value(QStringLiteral("libraries")).toArray();
        QJsonObject l = libraries.at(0).toObject();
        change(l);
        libraries.replace(0, l);
        store.insert(QStringLiteral("libraries"), libraries);
    };
    const QList<Case> cases = {
        {"no driveRoles and no favorites", [](QJsonObject& s) { s.remove(QStringLiteral("driveRoles")); },
         [](const Catalog& c) {
             EXPECT_TRUE(c.driveRoles().isEmpty());
             EXPECT_TRUE(c.favorites().isEmpty());
             EXPECT_EQ(c.libraries().size(), 1);
         }},
        {"null driveRoles and favorites",
         [](QJsonObject& s) {
             s.insert(QStringLiteral("driveRoles"), QJsonValue::Null);
             s.insert(QStringLiteral("favorites"), QJsonValue::Null);
         },
         [](const Catalog& c) {
             EXPECT_TRUE(c.driveRoles().isEmpty());
             EXPECT_EQ(c.libraries().size(), 1);
         }},
        {"null for an optional field",
         [&](QJsonObject& s) {
             firstLibrary(s,
                          [](QJsonObject& l) { l.insert(QStringLiteral("volumeUUID"), QJsonValue::Null); });
         },
         [](const Catalog& c) {
             ASSERT_EQ(c.libraries().size(), 1);
             EXPECT_FALSE(c.libraries().at(0).volumeUUID.has_value());
         }},
        {"unknown keys",
         [&](QJsonObject& s) {
             s.insert(QStringLiteral("version"), 7);
             s.insert(QStringLiteral("comment"), QJsonArray{1, QStringLiteral("x")});
             firstLibrary(s,
                          [](QJsonObject& l) { l.insert(QStringLiteral("colour"), QStringLiteral("red")); });
         },
         [](const Catalog& c) {
             ASSERT_EQ(c.libraries().size(), 1);
             EXPECT_EQ(c.libraries().at(0).name, QStringLiteral("A"));
             EXPECT_EQ(c.roots().size(), 1);
         }},
        {"a whole number written with a point",
         [&](QJsonObject& s) {
             firstLibrary(s, [](QJsonObject& l) { l.insert(QStringLiteral("extraSize"), 5.0); });
         },
         [](const Catalog& c) {
             ASSERT_EQ(c.libraries().size(), 1);
             EXPECT_EQ(c.libraries().at(0).extraSize, 5);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        QJsonObject store = goodStore();
        c.change(store);
        writeFile(catalogFile(env), bytesOf(store));
        auto catalog = env.makeCatalog();
        c.check(*catalog);
        EXPECT_TRUE(errorLines(env).isEmpty());
        EXPECT_TRUE(keptAside(env).isEmpty());
    }
}

// A file that does not decode empties the list, is logged, and is moved aside before anything
// can be saved over it.
TEST_F(CatalogStoreTest, UndecodableFileIsKeptAsideAndNeverOverwritten) {
    const QByteArray good = bytesOf(goodStore());
    const auto changed = [](const std::function<void(QJsonObject&)>& change) {
        QJsonObject store = goodStore();
        change(store);
        return bytesOf(store);
    };
    const auto libraryChanged = [&](const std::function<void(QJsonObject&)>& change) {
        return changed([&](QJsonObject& store) {
            QJsonArray libraries = store.value(QStringLiteral("libraries")).toArray();
            QJsonObject l = libraries.at(0).toObject();
            change(l);
            libraries.replace(0, l);
            store.insert(QStringLiteral("libraries"), libraries);
        });
    };
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        {"truncated", good.left(good.size() / 2)},
        {"empty", QByteArray()},
        {"not JSON", QByteArray("\xff\xfe\x00garbage\x01", 11)},
        {"a list at the top", QByteArray("[{\"libraries\":[],\"roots\":[]}]")},
        {"lacks roots", changed([](QJsonObject& s) { s.remove(QStringLiteral("roots")); })},
        {"lacks libraries", changed([](QJsonObject& s) { s.remove(QStringLiteral("libraries")); })},
        {"libraries not a list",
         changed([](QJsonObject& s) { s.insert(QStringLiteral("libraries"), QJsonObject()); })},
        {"null roots", changed([](QJsonObject& s) { s.insert(QStringLiteral("roots"), QJsonValue::Null); })},
        {"a role that is not text", changed([](QJsonObject& s) {
             s.insert(QStringLiteral("driveRoles"), QJsonObject{{QStringLiteral("A"), 1}});
         })},
        {"a favourite time as text", changed([](QJsonObject& s) {
             s.insert(
                 QStringLiteral("favorites"),
                 QJsonObject{{QStringLiteral("/Users/me/Movies/A.fcpbundle"), QStringLiteral("yesterday")}});
         })},
        {"a fraction where an integer belongs",
         libraryChanged([](QJsonObject& l) { l.insert(QStringLiteral("extraSize"), 1.5); })},
        {"null for a required field",
         libraryChanged([](QJsonObject& l) { l.insert(QStringLiteral("name"), QJsonValue::Null); })},
        {"a library without its path",
         libraryChanged([](QJsonObject& l) { l.remove(QStringLiteral("path")); })},
        {"a date as text", libraryChanged([](QJsonObject& l) {
             l.insert(QStringLiteral("scannedAt"), QStringLiteral("2025-03-01"));
         })},
        {"libraries given twice", QByteArray("{\"libraries\":[],") + good.mid(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        writeFile(catalogFile(env), c.bytes);
        auto catalog = env.makeCatalog();

        EXPECT_TRUE(catalog->libraries().isEmpty());
        EXPECT_TRUE(catalog->roots().isEmpty());
        const QStringList aside = keptAside(env);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^catalog\\.json\\.unreadable-\\d{8}T\\d{6}Z$"))
                        .match(aside.at(0))
                        .hasMatch())
            << aside.at(0).toStdString();
        const QString asidePath = QDir(env.dataDir).filePath(aside.at(0));
        EXPECT_EQ(readAll(asidePath), c.bytes);
        EXPECT_FALSE(QFileInfo::exists(catalogFile(env)));
        const QStringList lines = errorLines(env);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(isCouldNotReadLine(lines.at(0), asidePath)) << lines.at(0).toStdString();

        catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
        EXPECT_EQ(readAll(asidePath), c.bytes) << "the next save leaves the kept file alone";
        EXPECT_EQ(
            savedObject(env).value(QStringLiteral("driveRoles")).toObject().value(QStringLiteral("Archive")),
            QStringLiteral("backup"));
        EXPECT_EQ(errorLines(env).size(), 1);
    }
}

// The error log says why a catalogue could not be read, so whoever looks at the file kept
// aside knows where to look.
TEST_F(CatalogStoreTest, TheLineForAnUnreadableCatalogueSaysWhy) {
    const QByteArray good = bytesOf(goodStore());
    QByteArray pathTwice = good;
    pathTwice.replace("\"path\":\"/Users/me/Movies/A.fcpbundle\"",
                      "\"path\":\"/Users/me/Movies/A.fcpbundle\",\"path\":\"/Users/me/Movies/B.fcpbundle\"");
    ASSERT_NE(pathTwice, good);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* why;
    } cases[] = {
        {"cut short", "{\"libraries\":[]", "Reason: malformed JSON at byte 15: "},
        {"libraries not a list", "{\"libraries\":{},\"roots\":[]}",
         "Reason: libraries: expected an array, found an object"},
        {"libraries given twice", "{\"libraries\":[],\"roots\":[],\"libraries\":[]}",
         "Reason: the key \u201Clibraries\u201D is given twice"},
        {"a library's path given twice", pathTwice,
         "Reason: libraries[0]: the key \u201Cpath\u201D is given twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        writeFile(catalogFile(env), c.bytes);
        auto catalog = env.makeCatalog();
        EXPECT_TRUE(catalog->libraries().isEmpty());
        const QStringList lines = errorLines(env);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines.at(0).contains(kCouldNotRead + QStringLiteral(" ") + QString::fromUtf8(c.why)))
            << lines.at(0).toStdString();
    }
}

// A named pipe never ends: opening one for reading waits for a writer that never comes. Where a
// stored file is expected, it is treated as a file that cannot be read, and the start goes on.
TEST_F(CatalogStoreTest, PipesInPlaceOfTheStoredFilesNeverHoldTheStart) {
    for (const QString& name : {QStringLiteral("catalog.json"), QStringLiteral("scanjob.json")}) {
        SCOPED_TRACE(name.toStdString());
        CatalogTestEnv env;
        ASSERT_TRUE(QDir().mkpath(env.dataDir));
        const QString file = QDir(env.dataDir).filePath(name);
        std::unique_ptr<Catalog> catalog;
        {
            const test::NamedPipe pipe(file);
            EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] { catalog = env.makeCatalog(); }));
            EXPECT_TRUE(catalog->libraries().isEmpty());
            EXPECT_FALSE(catalog->pausedJob().has_value());
            const QStringList lines = errorLines(env);
            if (name == QStringLiteral("scanjob.json")) {
                // A job that cannot be read is no job, as ever; it is not in the way of anything.
                EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
                continue;
            }
            // The pipe is what was kept aside, and the line says what it is.
            const QStringList aside =
                QDir(env.dataDir).entryList({QStringLiteral("catalog.json.unreadable-*")}, QDir::System);
            ASSERT_EQ(aside.size(), 1);
            const QString asidePath = QDir(env.dataDir).filePath(aside.at(0));
            struct stat info {};
            ASSERT_EQ(::lstat(QFile::encodeName(asidePath).constData(), &info), 0);
            EXPECT_TRUE(S_ISFIFO(info.st_mode));
            ASSERT_EQ(lines.size(), 1);
            EXPECT_TRUE(isCouldNotReadLine(lines.at(0), asidePath)) << lines.at(0).toStdString();
            EXPECT_TRUE(lines.at(0).contains(QStringLiteral("named pipe"))) << lines.at(0).toStdString();
            ::unlink(QFile::encodeName(asidePath).constData());
        }
        catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
        EXPECT_TRUE(QFileInfo(catalogFile(env)).isFile());
    }
}

// Reading a file this large whole would risk the program's memory; it is kept aside unread.
TEST_F(CatalogStoreTest, EnormousFileIsKeptAsideUnread) {
    CatalogTestEnv env;
    ASSERT_TRUE(QDir().mkpath(env.dataDir));
    {
        QFile file(catalogFile(env));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize((qint64(1) << 30) + 1)); // sparse: costs no disk
    }
    auto catalog = env.makeCatalog();
    EXPECT_TRUE(catalog->libraries().isEmpty());
    const QStringList aside = keptAside(env);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(QDir(env.dataDir).filePath(aside.at(0))).size(), (qint64(1) << 30) + 1);
    ASSERT_EQ(errorLines(env).size(), 1);
    EXPECT_TRUE(errorLines(env).at(0).contains(kCouldNotRead));
}

// A catalogue file that is there but cannot be read at all is no different from one that does
// not decode: saving over it would lose it.
TEST_F(CatalogStoreTest, CatalogueThatCannotBeOpenedIsKeptAside) {
    CatalogTestEnv env;
    const QString inside = QDir(catalogFile(env)).filePath(QStringLiteral("note.txt"));
    writeFile(inside, "mine");
    auto catalog = env.makeCatalog();
    const QStringList aside =
        QDir(env.dataDir).entryList({QStringLiteral("catalog.json.unreadable-*")}, QDir::Dirs);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readAll(QDir(QDir(env.dataDir).filePath(aside.at(0))).filePath(QStringLiteral("note.txt"))),
              "mine");
    ASSERT_EQ(errorLines(env).size(), 1);
    EXPECT_TRUE(errorLines(env).at(0).contains(kCouldNotRead));
    catalog->save();
    EXPECT_TRUE(QFileInfo(catalogFile(env)).isFile());
}

// When the unreadable file cannot even be moved aside, it stays the only copy: nothing is saved
// over it, the refusal is logged once, and the move is tried again at each save.
TEST_F(CatalogStoreTest, UnreadableFileThatCannotBeMovedIsNotSavedOver) {
    CatalogTestEnv env;
    const QByteArray bad = "{\"libraries\":[]";
    writeFile(catalogFile(env), bad);
    // Folders under every name the move could pick in the next minutes block it.
    QStringList blockers;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int s = -2; s <= 180; ++s) {
        const QString name = QStringLiteral("catalog.json.unreadable-") +
                             now.addSecs(s).toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        blockers.append(QDir(env.dataDir).filePath(name));
        ASSERT_TRUE(QDir().mkpath(blockers.last()));
    }

    auto catalog = env.makeCatalog();
    EXPECT_TRUE(catalog->libraries().isEmpty());
    EXPECT_EQ(readAll(catalogFile(env)), bad);
    QStringList lines = errorLines(env);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(isCouldNotReadLine(lines.at(0), catalogFile(env))) << lines.at(0).toStdString();

    catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
    catalog->toggleFavorite(QStringLiteral("/nowhere.fcpbundle"));
    EXPECT_EQ(readAll(catalogFile(env)), bad) << "nothing was saved over the only copy";
    EXPECT_EQ(catalog->driveRoles().value(QStringLiteral("Archive")), QStringLiteral("backup"))
        << "kept in memory";
    lines = errorLines(env);
    ASSERT_EQ(lines.size(), 2) << "the refusal is logged once";
    EXPECT_TRUE(lines.at(1).contains(QStringLiteral("ERROR catalogue: The catalogue could not be saved: ")));

    for (const QString& blocker : std::as_const(blockers))
        ASSERT_TRUE(QDir(blocker).removeRecursively());
    catalog->save();
    const QStringList aside = keptAside(env);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readAll(QDir(env.dataDir).filePath(aside.at(0))), bad);
    EXPECT_EQ(
        savedObject(env).value(QStringLiteral("driveRoles")).toObject().value(QStringLiteral("Archive")),
        QStringLiteral("backup"));
    lines = errorLines(env);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.at(2).contains(QDir(env.dataDir).filePath(aside.at(0)))) << lines.at(2).toStdString();
}

TEST_F(CatalogStoreTest, FailedSaveIsLoggedAndTheNextSaveTriesAgain) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    ASSERT_TRUE(QDir().mkpath(catalogFile(env))); // a folder where the file belongs
    catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
    EXPECT_EQ(catalog->driveRoles().value(QStringLiteral("Archive")), QStringLiteral("backup"));
    const QStringList lines = errorLines(env);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.at(0).contains(
        QStringLiteral("ERROR catalogue: The catalogue could not be saved: Couldn\u2019t save")))
        << lines.at(0).toStdString();

    ASSERT_TRUE(QDir(catalogFile(env)).removeRecursively());
    catalog->save();
    EXPECT_EQ(
        savedObject(env).value(QStringLiteral("driveRoles")).toObject().value(QStringLiteral("Archive")),
        QStringLiteral("backup"));
}

TEST_F(CatalogStoreTest, DataFolderThatCannotBeCreatedLeavesTheProgramRunning) {
    CatalogTestEnv env;
    const QString blocker =
        QDir(test::TestEnv::freshDir(QStringLiteral("blocked"))).filePath(QStringLiteral("file"));
    writeFile(blocker, "not a folder");
    qputenv("TOVLIN_DATA_DIR", QDir(blocker).filePath(QStringLiteral("data")).toUtf8());
    auto catalog = env.makeCatalog();
    EXPECT_TRUE(catalog->libraries().isEmpty());
    catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
    EXPECT_EQ(catalog->driveRoles().value(QStringLiteral("Archive")), QStringLiteral("backup"));
    EXPECT_EQ(readAll(blocker), "not a folder");
}

TEST_F(CatalogStoreTest, MediaListThatIsNotJsonLeavesTheRestLoading) {
    CatalogTestEnv env;
    const LibraryInfo good = library(QStringLiteral("/Users/me/Movies/Good.fcpbundle"));
    const LibraryInfo bad = library(QStringLiteral("/Users/me/Movies/Bad.fcpbundle"));
    {
        auto catalog = env.makeCatalog();
        catalog->seed({.libraries = QList<LibraryInfo>{bad, good}});
        catalog->save();
        writeFile(catalog->scanHost()->mediaFile(bad.path), "not json at all");
        writeFile(catalog->scanHost()->mediaFile(good.path),
                  "[{\"name\":\"A001.mov\",\"size\":12,\"event\":\"Day 1\"}]");
    }
    auto catalog = env.makeCatalog();
    EXPECT_EQ(catalog->libraries().size(), 2);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->media().isEmpty(); }));
    ASSERT_EQ(catalog->media().size(), 1);
    EXPECT_EQ(catalog->media().at(0).libraryID, good.path);
    EXPECT_EQ(catalog->media().at(0).entry.name, QStringLiteral("A001.mov"));
}

TEST_F(CatalogStoreTest, PublishedMembersSignalOnlyWhenTheyChange) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    QSignalSpy status(catalog.get(), &Catalog::statusChanged);
    QSignalSpy libraries(catalog.get(), &Catalog::librariesChanged);
    QSignalSpy favorites(catalog.get(), &Catalog::favoritesChanged);
    QSignalSpy mounted(catalog.get(), &Catalog::mountedChanged);
    QSignalSpy any(catalog.get(), &Catalog::changed);

    catalog->setStatus(QStringLiteral("Scanning…"));
    catalog->setStatus(QStringLiteral("Scanning…"));
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(catalog->status(), QStringLiteral("Scanning…"));

    const LibraryInfo a = library(QStringLiteral("/Users/me/Movies/A.fcpbundle"));
    catalog->seed({.libraries = QList<LibraryInfo>{a}});
    catalog->seed({.libraries = QList<LibraryInfo>{a}});
    EXPECT_EQ(libraries.count(), 1);

    catalog->seed({.favorites = QMap<QString, QDateTime>{{a.path, kScanned}}});
    catalog->seed({.favorites = QMap<QString, QDateTime>{{a.path, kScanned}}});
    EXPECT_EQ(favorites.count(), 1);

    QSet<QString> volumes = catalog->mounted();
    catalog->setMounted(volumes);
    EXPECT_EQ(mounted.count(), 0);
    volumes.insert(QStringLiteral("/Volumes/New"));
    catalog->setMounted(volumes);
    EXPECT_EQ(mounted.count(), 1);

    EXPECT_EQ(any.count(), 4) << "one general change per real change";
}

} // namespace

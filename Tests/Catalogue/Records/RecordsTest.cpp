#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/ProjectInfo.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Records/ScanRoot.h"

#include <QJsonDocument>
#include <QSet>
#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <unordered_set>

using namespace pellimor;
using RecordJson::DateForm;

namespace {

const QDateTime kNewYear2024 = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);

QDateTime at(qint64 msecs) {
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

PluginUse plugin(const QString& name, qint64 count) {
    return PluginUse{"Effect", "Acme FX", name, "com.acme.fx." + name.toLower(), count};
}

ProjectInfo fullProject() {
    ProjectInfo p;
    p.name = "Wedding cut";
    p.duration = 123.456;
    p.frameRate = 29.97;
    p.format = "1080p HD";
    p.hasAudio = true;
    p.sampleRate = 48000;
    p.created = at(1700000000123);
    p.modified = at(1700000500999);
    p.clipCount = 42;
    p.transitionCount = 3;
    p.keywordMarkers = 7;
    p.favoriteMarkers = 2;
    p.fileSize = 9876543;
    p.fingerprint = "ab12cd";
    p.plugins = QList<PluginUse>{plugin("Glow", 4)};
    p.keywords = QList<QString>{"ceremony", "vows"};
    p.metaTags = QList<QString>{};
    p.markerNames = QList<QString>{"Start", "Ende – Schluss"};
    return p;
}

EventInfo fullEvent() {
    EventInfo e;
    e.name = "2024-06-01 Wedding";
    e.originalSize = 1000;
    e.optimizedSize = 200;
    e.proxySize = 30;
    e.renderSize = 4;
    e.analysisSize = 5;
    e.otherSize = 6;
    e.mediaFileCount = 12;
    e.linkedMediaCount = 3;
    e.brokenLinkCount = 1;
    e.extensions = {{"mov", 10}, {"wav", 2}};
    e.poster = "0123456789abcdef0123.jpg";
    e.externalVolumes = QMap<QString, qint64>{{"Footage", 3}};
    e.keywords = QMap<QString, qint64>{{"ceremony", 5}};
    e.metaTags = QList<QString>{"client"};
    e.markerNames = QList<QString>{"Kiss"};
    e.clipNames = QList<QString>{"A001", "A002"};
    e.notes = QList<QString>{"great light"};
    e.cameraInfo = QList<QString>{"Sony FX3"};
    e.roles = QList<QString>{"Dialogue", "Video"};
    e.plugins = QList<PluginUse>{plugin("Glow", 1), plugin("Blur", 2)};
    e.tagsVersion = 5;
    e.created = at(1690000000000);
    e.modified = at(1690000000500);
    e.projects = {fullProject()};
    return e;
}

LibraryInfo fullLibrary() {
    LibraryInfo l;
    l.path = "/Volumes/Footage/Weddings/Anna & Ben.fcpbundle";
    l.name = "Anna & Ben";
    l.volumeName = "Footage";
    l.volumeUUID = "6F1B2C3D-0000-4000-8000-123456789ABC";
    l.isNetwork = false;
    l.isInternal = true;
    l.libraryIdentifier = "lib-identifier";
    l.fcpVersion = "10.8.1";
    l.lastHost = "Edit Suite";
    l.created = at(1600000000001);
    l.modified = at(1700000000250);
    l.scannedAt = kNewYear2024;
    l.signature = "1.5|@size|2.5";
    l.isBackup = false;
    l.events = {fullEvent()};
    l.problem = "Event “B” could not be read";
    l.extraSize = 4096;
    return l;
}

// The smallest valid library: every optional field absent.
LibraryInfo bareLibrary() {
    LibraryInfo l;
    l.path = "/Users/me/Movies/Bare.fcpbundle";
    l.name = "Bare";
    l.volumeName = "Macintosh HD";
    l.scannedAt = kNewYear2024;
    l.signature = "0.0";
    return l;
}

ScanJob fullJob() {
    ScanJob job;
    job.roots = {"/Volumes/A", "/Volumes/B"};
    job.maxDepth = 5;
    job.remember = true;
    job.fullRescan = false;
    job.posters = true;
    job.concurrency = 2;
    job.rootIndex = 1;
    job.pending = QList<PendingDir>{{"/Volumes/B/x", 1}, {"/Volumes/B/y/z", 2}};
    job.found = {"/Volumes/B/x/L.fcpbundle"};
    job.discoveryDone = false;
    job.done = {};
    job.updatedAt = kNewYear2024.addMSecs(250);
    return job;
}

QJsonObject encoded(const LibraryInfo& l, DateForm form = DateForm::Since1970) {
    Result<QJsonObject> r = l.toJson(form);
    EXPECT_TRUE(r.ok()) << r.error().toStdString();
    return r.ok() ? r.value() : QJsonObject{};
}

// Applies `change` to the object reached by `path` (keys, and array positions as numbers).
QJsonValue edited(const QJsonValue& value, QStringList path,
                  const std::function<void(QJsonObject&)>& change) {
    if (path.isEmpty()) {
        QJsonObject object = value.toObject();
        change(object);
        return object;
    }
    const QString step = path.takeFirst();
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        const int i = step.toInt();
        array[i] = edited(array.at(i), path, change);
        return array;
    }
    QJsonObject object = value.toObject();
    object[step] = edited(object.value(step), path, change);
    return object;
}

} // namespace

// ---- Round trips and the two date forms

TEST(Records, RoundTripKeepsEveryFieldInBothDateForms) {
    for (const DateForm form : {DateForm::Since1970, DateForm::Since2001}) {
        SCOPED_TRACE(form == DateForm::Since1970 ? "since 1970" : "since 2001");
        const QList<LibraryInfo> libraries{fullLibrary(), bareLibrary()};
        const Result<QByteArray> bytes = RecordJson::encodeListBytes(libraries, form);
        ASSERT_TRUE(bytes.ok()) << bytes.error().toStdString();
        const Result<QList<LibraryInfo>> back = RecordJson::decodeListBytes<LibraryInfo>(bytes.value(), form);
        ASSERT_TRUE(back.ok()) << back.error().toStdString();
        EXPECT_EQ(back.value(), libraries);
        // Milliseconds survive the trip through a number of seconds.
        EXPECT_EQ(back.value()[0].created->toMSecsSinceEpoch(), 1600000000001);
        EXPECT_EQ(back.value()[0].events[0].projects[0].modified->toMSecsSinceEpoch(), 1700000500999);

        const Result<QByteArray> jobBytes = RecordJson::encodeRecordBytes(fullJob(), form);
        ASSERT_TRUE(jobBytes.ok());
        const Result<ScanJob> job = RecordJson::decodeRecordBytes<ScanJob>(jobBytes.value(), form);
        ASSERT_TRUE(job.ok()) << job.error().toStdString();
        // A job has no equality of its own: compare what it writes and the fields a resume needs.
        EXPECT_EQ(job->toJson(form).value(), fullJob().toJson(form).value());
        EXPECT_EQ(job->updatedAt, fullJob().updatedAt);
        EXPECT_EQ(job->pending, fullJob().pending);
        EXPECT_EQ(job->maxDepth, std::optional<qint64>(5));
    }
}

TEST(Records, DatesAreSecondsSinceTheFormsEpoch) {
    const QJsonObject library = encoded(bareLibrary(), DateForm::Since1970);
    EXPECT_EQ(library.value("scannedAt").toDouble(), 1704067200.0);

    ScanJob job = fullJob();
    job.updatedAt = kNewYear2024;
    const QJsonObject stored = job.toJson(DateForm::Since2001).value();
    EXPECT_EQ(stored.value("updatedAt").toDouble(), 725760000.0);
    EXPECT_EQ(RecordJson::compact(stored).count("\"updatedAt\":725760000"), 1);

    // Fractions are written and read back.
    job.updatedAt = kNewYear2024.addMSecs(1500);
    EXPECT_DOUBLE_EQ(job.toJson(DateForm::Since2001).value().value("updatedAt").toDouble(), 725760001.5);
    QJsonObject raw = stored;
    raw["updatedAt"] = 725760000.125;
    EXPECT_EQ(ScanJob::fromJson(raw, DateForm::Since2001)->updatedAt, kNewYear2024.addMSecs(125));
    // The same number means another moment in the other form.
    EXPECT_EQ(ScanJob::fromJson(stored, DateForm::Since1970)->updatedAt, at(725760000000));
}

TEST(Records, AbsentOptionalsAreLeftOutAndReadBackAbsent) {
    const QJsonObject object = encoded(bareLibrary());
    QStringList keys = object.keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"events", "extraSize", "isBackup", "isInternal", "isNetwork", "name", "path",
                                 "scannedAt", "signature", "volumeName"}));
    EXPECT_FALSE(RecordJson::compact(object).contains("null"));
    EXPECT_EQ(LibraryInfo::fromJson(object, DateForm::Since1970).value(), bareLibrary());

    LibraryInfo withProblem = bareLibrary();
    withProblem.problem = "The database is damaged.";
    EXPECT_EQ(LibraryInfo::fromJson(encoded(withProblem), DateForm::Since1970)->problem,
              std::optional<QString>("The database is damaged."));
}

TEST(Records, NullOptionalReadsAbsentAndUnknownKeysAreIgnored) {
    QJsonObject object = encoded(fullLibrary());
    object["volumeUUID"] = QJsonValue::Null;
    object["someFutureField"] = QJsonArray{1, "x"};
    object = edited(object, {"events", "0"}, [](QJsonObject& e) {
                 e["poster"] = QJsonValue::Null;
                 e["plugins"] = QJsonValue::Null;
                 e["colour"] = "red";
             }).toObject();
    const Result<LibraryInfo> read = LibraryInfo::fromJson(object, DateForm::Since1970);
    ASSERT_TRUE(read.ok()) << read.error().toStdString();
    EXPECT_FALSE(read->volumeUUID.has_value());
    EXPECT_FALSE(read->events[0].poster.has_value());
    EXPECT_FALSE(read->events[0].plugins.has_value());
    LibraryInfo expected = fullLibrary();
    expected.volumeUUID.reset();
    expected.events[0].poster.reset();
    expected.events[0].plugins.reset();
    EXPECT_EQ(read.value(), expected);
}

TEST(Records, LargeIntegersStayExact) {
    LibraryInfo l = bareLibrary();
    l.extraSize = (qint64(1) << 53) + 1;
    const Result<QByteArray> bytes = RecordJson::encodeListBytes(QList<LibraryInfo>{l}, DateForm::Since1970);
    ASSERT_TRUE(bytes.ok());
    EXPECT_TRUE(bytes->contains("9007199254740993"));
    const auto back = RecordJson::decodeListBytes<LibraryInfo>(bytes.value(), DateForm::Since1970);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value()[0].extraSize, (qint64(1) << 53) + 1);

    l.extraSize = std::numeric_limits<qint64>::max();
    const auto max = RecordJson::decodeListBytes<LibraryInfo>(
        RecordJson::encodeListBytes(QList<LibraryInfo>{l}, DateForm::Since1970).value(), DateForm::Since1970);
    ASSERT_TRUE(max.ok());
    EXPECT_EQ(max.value()[0].extraSize, std::numeric_limits<qint64>::max());
}

// ---- Strict reading

TEST(Records, StrictReadingRejectsTheWholeRecord) {
    struct Case {
        const char* what;
        QStringList path; // object to change, below the library
        std::function<void(QJsonObject&)> change;
        const char* where; // the failure names this place
    };
    const Case cases[] = {
        {"missing required key", {}, [](QJsonObject& o) { o.remove("extraSize"); }, "extraSize"},
        {"missing key in a nested project",
         {"events", "0", "projects", "0"},
         [](QJsonObject& o) { o.remove("clipCount"); },
         "events[0].projects[0].clipCount"},
        {"missing key in a plug-in use",
         {"events", "0", "projects", "0", "plugins", "0"},
         [](QJsonObject& o) { o.remove("count"); },
         "events[0].projects[0].plugins[0].count"},
        {"null for a required text", {}, [](QJsonObject& o) { o["name"] = QJsonValue::Null; }, "name"},
        {"null for a required list", {}, [](QJsonObject& o) { o["events"] = QJsonValue::Null; }, "events"},
        {"fraction for an integer", {}, [](QJsonObject& o) { o["extraSize"] = 1.5; }, "extraSize"},
        {"fraction for a nested integer",
         {"events", "0"},
         [](QJsonObject& o) { o["mediaFileCount"] = 2.25; },
         "events[0].mediaFileCount"},
        {"fraction in a map of counts",
         {"events", "0"},
         [](QJsonObject& o) {
             o["extensions"] = QJsonObject{{"mov", 0.5}};
         },
         "events[0].extensions[\"mov\"]"},
        {"integer beyond 64 bits", {}, [](QJsonObject& o) { o["extraSize"] = 9.3e18; }, "extraSize"},
        {"text for a number", {}, [](QJsonObject& o) { o["extraSize"] = "4096"; }, "extraSize"},
        {"text for an optional double",
         {"events", "0", "projects", "0"},
         [](QJsonObject& o) { o["duration"] = "12.5"; },
         "events[0].projects[0].duration"},
        {"number for a text", {}, [](QJsonObject& o) { o["path"] = 12; }, "path"},
        {"number for a flag", {}, [](QJsonObject& o) { o["isNetwork"] = 1; }, "isNetwork"},
        {"text for a date", {}, [](QJsonObject& o) { o["scannedAt"] = "2024-01-01T00:00:00Z"; }, "scannedAt"},
        {"date beyond any calendar", {}, [](QJsonObject& o) { o["scannedAt"] = 1e300; }, "scannedAt"},
        {"number inside a list of texts",
         {"events", "0"},
         [](QJsonObject& o) {
             o["roles"] = QJsonArray{"Dialogue", 3};
         },
         "events[0].roles[1]"},
        {"object where a list belongs", {}, [](QJsonObject& o) { o["events"] = QJsonObject{}; }, "events"},
        {"text where an event belongs",
         {},
         [](QJsonObject& o) { o["events"] = QJsonArray{"event"}; },
         "events[0]"},
    };
    const QJsonObject good = encoded(fullLibrary());
    ASSERT_TRUE(LibraryInfo::fromJson(good, DateForm::Since1970).ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QJsonObject bad = edited(good, c.path, c.change).toObject();
        ASSERT_NE(bad, good);
        const Result<LibraryInfo> one = LibraryInfo::fromJson(bad, DateForm::Since1970);
        ASSERT_FALSE(one.ok());
        EXPECT_TRUE(one.error().startsWith(QLatin1String(c.where))) << one.error().toStdString();
        // One bad record makes the whole list unreadable, whatever surrounds it.
        const QJsonArray list{good, bad, good};
        const auto all =
            RecordJson::decodeListBytes<LibraryInfo>(RecordJson::compact(list), DateForm::Since1970);
        ASSERT_FALSE(all.ok());
        EXPECT_TRUE(all.error().startsWith(QStringLiteral("[1]"))) << all.error().toStdString();
    }
}

TEST(Records, DamagedDocumentsGiveAnErrorNotACrash) {
    const QByteArray goodList =
        RecordJson::encodeListBytes(QList<LibraryInfo>{fullLibrary()}, DateForm::Since1970).value();
    const QByteArray goodJob = RecordJson::encodeRecordBytes(fullJob(), DateForm::Since2001).value();
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case listCases[] = {
        {"empty file", QByteArray()},
        {"truncated", goodList.left(goodList.size() / 2)},
        {"last byte missing", goodList.chopped(1)},
        {"not JSON", QByteArray("libraries: none")},
        {"binary garbage", QByteArray("\x00\xff\xfe{[", 5)},
        {"object instead of array", goodJob},
        {"scalar", QByteArray("42")},
        {"array of numbers", QByteArray("[1,2]")},
    };
    for (const Case& c : listCases) {
        SCOPED_TRACE(c.what);
        const auto r = RecordJson::decodeListBytes<LibraryInfo>(c.bytes, DateForm::Since1970);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.error().isEmpty());
    }
    const Case jobCases[] = {
        {"truncated", goodJob.left(goodJob.size() - 3)},
        {"array instead of object", goodList},
        {"empty object", QByteArray("{}")},
    };
    for (const Case& c : jobCases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE((RecordJson::decodeRecordBytes<ScanJob>(c.bytes, DateForm::Since2001).ok()));
    }
    EXPECT_TRUE((RecordJson::decodeRecordBytes<ScanJob>(goodJob, DateForm::Since2001).ok()));
}

// A key given twice in one object is not something this program writes: whichever value won,
// the other would be dropped without a word at the next save. Such a document does not decode,
// at whatever depth the repeat sits, and the error says where.
TEST(Records, AKeyGivenTwiceInOneObjectMakesTheDocumentUnreadable) {
    const QByteArray library = RecordJson::compact(encoded(fullLibrary()));
    const auto withMember = [&](const QByteArray& before, const QByteArray& member) {
        QByteArray bytes = library;
        const qsizetype at = bytes.indexOf(before);
        EXPECT_GE(at, 0) << before.toStdString();
        return bytes.insert(at + before.size(), member);
    };
    QByteArray manyExtensions = "{";
    for (int i = 0; i < 200; ++i)
        manyExtensions += "\"x" + QByteArray::number(i) + "\":1,";
    manyExtensions += "\"x17\":2}";
    struct Case {
        const char* what;
        QByteArray list; // a list of libraries
        const char* error;
    };
    const Case cases[] = {
        {"a field of the record", "[" + withMember("{", "\"extraSize\":1,") + "]",
         "[0]: the key \u201CextraSize\u201D is given twice"},
        {"a key no field reads", "[" + withMember("{", "\"later\":1,\"later\":1,") + "]",
         "[0]: the key \u201Clater\u201D is given twice"},
        {"a field of a nested project", "[" + withMember("\"projects\":[{", "\"clipCount\":1,") + "]",
         "[0].events[0].projects[0]: the key \u201CclipCount\u201D is given twice"},
        {"a key of a map", "[" + withMember("\"extensions\":{", "\"mov\":1,\"mov\":1,") + "]",
         "[0].events[0].extensions: the key \u201Cmov\u201D is given twice"},
        {"a key of a large map", "[" + withMember("{", "\"later\":" + manyExtensions + ",") + "]",
         "[0].later: the key \u201Cx17\u201D is given twice"},
        {"the same key spelt with an escape", "[" + withMember("{", "\"n\\u0061me\":\"Other\",") + "]",
         "[0]: the key \u201Cname\u201D is given twice"},
        {"in the second record", "[" + library + "," + withMember("{", "\"path\":\"/x\",") + "]",
         "[1]: the key \u201Cpath\u201D is given twice"},
    };
    ASSERT_TRUE(RecordJson::decodeListBytes<LibraryInfo>("[" + library + "]", DateForm::Since1970).ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = RecordJson::decodeListBytes<LibraryInfo>(c.list, DateForm::Since1970);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error(), QString::fromUtf8(c.error));
    }

    const QByteArray job = RecordJson::encodeRecordBytes(fullJob(), DateForm::Since2001).value();
    const auto twice = RecordJson::decodeRecordBytes<ScanJob>(QByteArray(job).insert(1, "\"rootIndex\":0,"),
                                                              DateForm::Since2001);
    ASSERT_FALSE(twice.ok());
    EXPECT_EQ(twice.error(), QString::fromUtf8("the key \u201CrootIndex\u201D is given twice"));

    // The same key in different objects, or in different case, is no repeat.
    const QByteArray apart = "[{\"name\":\"a\",\"size\":1,\"event\":\"E\"},{\"name\":\"b\",\"size\":2,"
                             "\"event\":\"E\",\"Name\":\"c\",\"x\":{\"name\":1}}]";
    EXPECT_TRUE(RecordJson::decodeListBytes<MediaEntry>(apart, DateForm::Since1970).ok());
}

// ---- Equality, hashing and identity

TEST(Records, EmptyListDiffersFromAbsentInEqualityAndJson) {
    EventInfo empty = fullEvent();
    empty.plugins = QList<PluginUse>{};
    EventInfo absent = fullEvent();
    absent.plugins.reset();
    EXPECT_NE(empty, absent);

    const QJsonObject emptyJson = empty.toJson(DateForm::Since1970).value();
    EXPECT_EQ(emptyJson.value("plugins"), QJsonArray{});
    EXPECT_TRUE(RecordJson::compact(emptyJson).contains("\"plugins\":[]"));
    EXPECT_FALSE(absent.toJson(DateForm::Since1970)->contains("plugins"));

    const Result<EventInfo> back = EventInfo::fromJson(emptyJson, DateForm::Since1970);
    ASSERT_TRUE(back.ok());
    ASSERT_TRUE(back->plugins.has_value());
    EXPECT_TRUE(back->plugins->isEmpty());
    EXPECT_EQ(back.value(), empty);
}

TEST(Records, PluginUsesDifferingOnlyInCountAreUnequal) {
    const PluginUse once = plugin("Glow", 1);
    const PluginUse twice = plugin("Glow", 2);
    EXPECT_NE(once, twice);
    EXPECT_NE(qHash(once), qHash(twice));
    EXPECT_EQ(once, plugin("Glow", 1));
    EXPECT_EQ(qHash(once), qHash(plugin("Glow", 1)));
    EXPECT_EQ(QSet<PluginUse>({once, twice, plugin("Glow", 1)}).size(), 2);
    EXPECT_EQ((std::unordered_set<PluginUse>{once, twice, plugin("Glow", 1)}.size()), 2u);

    // A count that differs deep inside a library makes the libraries differ too.
    LibraryInfo a = fullLibrary();
    LibraryInfo b = fullLibrary();
    (*b.events[0].projects[0].plugins)[0].count += 1;
    EXPECT_NE(a, b);
    EXPECT_NE(qHash(a), qHash(b));
}

TEST(Records, EqualRecordsHashAlike) {
    const LibraryInfo a = fullLibrary();
    LibraryInfo b = a; // a deep copy: changing it leaves `a` alone
    b.events[0].name = "Other";
    EXPECT_EQ(a.events[0].name, "2024-06-01 Wedding");
    b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_EQ(std::hash<LibraryInfo>{}(a), std::hash<LibraryInfo>{}(b));

    // The same moment written in another zone is the same date.
    b.scannedAt = kNewYear2024.toTimeZone(QTimeZone("Europe/Berlin"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));

    // An optional that is absent differs from one holding the default value.
    ProjectInfo p = fullProject();
    ProjectInfo q = p;
    p.hasAudio.reset();
    q.hasAudio = false;
    EXPECT_NE(p, q);

    EXPECT_EQ(QSet<ScanRoot>({ScanRoot{"/a", {}}, ScanRoot{"/a", {}}, ScanRoot{"/a", kNewYear2024}}).size(),
              2);
    EXPECT_EQ(QSet<PendingDir>({PendingDir{"/a", 0}, PendingDir{"/a", 1}, PendingDir{"/a", 0}}).size(), 2);
    EXPECT_EQ(QSet<EventInfo>({fullEvent(), fullEvent()}).size(), 1);
    EXPECT_EQ(QSet<ProjectInfo>({fullProject(), fullProject()}).size(), 1);
}

TEST(Records, IdentityIsPathOrName) {
    EXPECT_EQ(fullLibrary().id(), fullLibrary().path);
    EXPECT_EQ((ScanRoot{"/Volumes/A", kNewYear2024}.id()), "/Volumes/A");
    EXPECT_EQ(fullEvent().id(), "2024-06-01 Wedding");
    EXPECT_EQ(fullProject().id(), "Wedding cut");
    // Two records with one name share an identity even when they differ.
    ProjectInfo other = fullProject();
    other.clipCount = 1;
    EXPECT_EQ(other.id(), fullProject().id());
    EXPECT_NE(other, fullProject());
}

// ---- Totals of a library

TEST(Records, LibraryTotalsSumTheEvents) {
    LibraryInfo l = bareLibrary();
    l.extraSize = 100;
    EventInfo a = fullEvent(); // 1000 + 200 + 30 + 4 + 5 + 6, one broken link, one project
    a.poster.reset();
    EventInfo b;
    b.name = "B";
    b.originalSize = 1;
    b.optimizedSize = 2;
    b.proxySize = 3;
    b.renderSize = 4;
    b.analysisSize = 5;
    b.otherSize = 6;
    b.brokenLinkCount = 2;
    b.poster = "b.jpg";
    b.projects = {fullProject(), fullProject()};
    EventInfo c = b;
    c.name = "C";
    c.poster = "c.jpg";
    c.projects = {};
    l.events = {a, b, c};

    EXPECT_EQ(l.totalSize(), 100 + 1245 + 21 + 21);
    EXPECT_EQ(l.originalSize(), 1000 + 1 + 1);
    EXPECT_EQ(l.clearableSize(), 234 + 9 + 9);
    EXPECT_EQ(l.brokenLinks(), 1 + 2 + 2);
    EXPECT_EQ(l.projectCount(), 3);
    // The first event in order with a poster stands for the library.
    ASSERT_TRUE(l.poster().has_value());
    EXPECT_EQ(l.poster()->event, "B");
    EXPECT_EQ(l.poster()->file, "b.jpg");
    // Totals are never stored.
    const QJsonObject object = encoded(l);
    for (const char* key : {"totalSize", "clearableSize", "brokenLinks", "projectCount", "poster"})
        EXPECT_FALSE(object.contains(QLatin1String(key))) << key;
    EXPECT_EQ(object.value("events").toArray().at(0).toObject().value("originalSize").toInteger(), 1000);
}

// Each kind of media alone, so a kind left out of a sum or counted in the wrong one shows.
TEST(Records, EventSizesCountEachKindOnce) {
    struct Case {
        const char* kind;
        qint64 EventInfo::*size;
        bool clearable;
    };
    const Case cases[] = {
        {"original", &EventInfo::originalSize, false}, {"optimized", &EventInfo::optimizedSize, true},
        {"proxy", &EventInfo::proxySize, true},        {"render", &EventInfo::renderSize, true},
        {"analysis", &EventInfo::analysisSize, false}, {"other", &EventInfo::otherSize, false},
    };
    for (const Case& c : cases) {
        EventInfo e;
        e.name = "E";
        e.*c.size = 4096;
        EXPECT_EQ(e.totalSize(), 4096) << c.kind;
        EXPECT_EQ(e.clearableSize(), c.clearable ? 4096 : 0) << c.kind;
        // Worked out, never stored.
        const QJsonObject object = e.toJson(DateForm::Since1970).value();
        EXPECT_FALSE(object.contains(QLatin1String("totalSize")) ||
                     object.contains(QLatin1String("clearableSize")));
    }
}

TEST(Records, LibraryWithoutEventsHasZeroTotals) {
    LibraryInfo l = bareLibrary();
    l.extraSize = 8192;
    EXPECT_EQ(l.totalSize(), 8192);
    EXPECT_EQ(l.originalSize(), 0);
    EXPECT_EQ(l.clearableSize(), 0);
    EXPECT_EQ(l.brokenLinks(), 0);
    EXPECT_EQ(l.projectCount(), 0);
    EXPECT_FALSE(l.poster().has_value());
}

// A damaged catalogue may hold sizes near 2^63: every total stops at the 64-bit edge (the
// sanitizer build aborts on a plain overflow), in both directions.
TEST(Records, TotalsOfHugeSizesStopAtTheEdge) {
    constexpr qint64 top = std::numeric_limits<qint64>::max();
    constexpr qint64 bottom = std::numeric_limits<qint64>::min();
    EventInfo huge;
    huge.name = "Huge";
    huge.originalSize = top;
    huge.optimizedSize = top;
    huge.proxySize = top - 1;
    huge.renderSize = 7;
    huge.brokenLinkCount = top;
    EXPECT_EQ(huge.totalSize(), top);
    EXPECT_EQ(huge.clearableSize(), top);

    LibraryInfo l = bareLibrary();
    l.extraSize = top;
    EventInfo second = huge;
    second.name = "Second";
    l.events = {huge, second};
    EXPECT_EQ(l.totalSize(), top);
    EXPECT_EQ(l.originalSize(), top);
    EXPECT_EQ(l.clearableSize(), top);
    EXPECT_EQ(l.brokenLinks(), top);

    EventInfo negative;
    negative.name = "Negative";
    negative.otherSize = bottom;
    negative.analysisSize = -1;
    l.extraSize = bottom;
    l.events = {negative, negative};
    EXPECT_EQ(negative.totalSize(), bottom);
    EXPECT_EQ(l.totalSize(), bottom);
}

// ---- Writing that cannot be done

TEST(Records, NonFiniteDoubleFailsTheWholeWrite) {
    const double kinds[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
    for (const double bad : kinds) {
        SCOPED_TRACE(bad);
        LibraryInfo l = fullLibrary();
        l.events[0].projects[0].sampleRate = bad;
        const Result<QJsonObject> one = l.toJson(DateForm::Since1970);
        ASSERT_FALSE(one.ok());
        EXPECT_TRUE(one.error().startsWith("events[0].projects[0].sampleRate")) << one.error().toStdString();

        const Result<QByteArray> list =
            RecordJson::encodeListBytes(QList<LibraryInfo>{bareLibrary(), l}, DateForm::Since1970);
        ASSERT_FALSE(list.ok());
        EXPECT_TRUE(list.error().startsWith("[1]")) << list.error().toStdString();
    }
    // An invalid date has no number either.
    LibraryInfo undated = bareLibrary();
    undated.scannedAt = QDateTime();
    EXPECT_FALSE(undated.toJson(DateForm::Since1970).ok());
}

// ---- The small records

TEST(Records, MediaListsAndWatchedFoldersRoundTrip) {
    const QList<MediaEntry> media{{"A001.mov", 123456789012, "Day 1"}, {"Ton – 2.wav", 0, "Day 2"}};
    const Result<QByteArray> bytes = RecordJson::encodeListBytes(media, DateForm::Since1970);
    ASSERT_TRUE(bytes.ok());
    const auto back = RecordJson::decodeListBytes<MediaEntry>(bytes.value(), DateForm::Since1970);
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back->size(), 2);
    EXPECT_EQ(back.value()[0].name, "A001.mov");
    EXPECT_EQ(back.value()[0].size, 123456789012);
    EXPECT_EQ(back.value()[1].name, "Ton – 2.wav");
    EXPECT_EQ(back.value()[1].event, "Day 2");
    EXPECT_EQ(RecordJson::encodeListBytes(QList<MediaEntry>{}, DateForm::Since1970).value(), "[]");
    EXPECT_FALSE(
        RecordJson::decodeListBytes<MediaEntry>(R"([{"name":"a","size":1}])", DateForm::Since1970).ok());

    const QList<ScanRoot> roots{{"/Volumes/A", std::nullopt}, {"/Users/me/Movies", kNewYear2024.addMSecs(5)}};
    const Result<QJsonArray> array = RecordJson::encodeList(roots, DateForm::Since1970);
    ASSERT_TRUE(array.ok());
    EXPECT_FALSE(array->at(0).toObject().contains("lastScan"));
    EXPECT_DOUBLE_EQ(array->at(1).toObject().value("lastScan").toDouble(), 1704067200.005);
    const Result<QList<ScanRoot>> rootsBack =
        RecordJson::decodeList<ScanRoot>(array.value(), DateForm::Since1970);
    ASSERT_TRUE(rootsBack.ok());
    EXPECT_EQ(rootsBack.value(), roots);
}

TEST(Records, ScanJobOptionalsAndRequiredKeys) {
    ScanJob job = fullJob();
    job.maxDepth.reset();
    job.pending.reset();
    const QJsonObject object = job.toJson(DateForm::Since2001).value();
    EXPECT_FALSE(object.contains("maxDepth"));
    EXPECT_FALSE(object.contains("pending"));
    EXPECT_EQ(object.value("done"), QJsonArray{});
    const Result<ScanJob> back = ScanJob::fromJson(object, DateForm::Since2001);
    ASSERT_TRUE(back.ok());
    EXPECT_FALSE(back->maxDepth.has_value());
    EXPECT_FALSE(back->pending.has_value());

    for (const char* key : {"roots", "remember", "fullRescan", "posters", "concurrency", "rootIndex", "found",
                            "discoveryDone", "done", "updatedAt"}) {
        SCOPED_TRACE(key);
        QJsonObject missing = object;
        missing.remove(QLatin1String(key));
        const Result<ScanJob> r = ScanJob::fromJson(missing, DateForm::Since2001);
        ASSERT_FALSE(r.ok());
        EXPECT_TRUE(r.error().startsWith(QLatin1String(key))) << r.error().toStdString();
    }
    QJsonObject badPending = fullJob().toJson(DateForm::Since2001).value();
    badPending["pending"] = QJsonArray{QJsonObject{{"path", "/x"}, {"level", 0.5}}};
    const Result<ScanJob> r = ScanJob::fromJson(badPending, DateForm::Since2001);
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error().startsWith("pending[0].level")) << r.error().toStdString();
}

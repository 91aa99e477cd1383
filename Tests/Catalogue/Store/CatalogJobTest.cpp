// "scanjob.json": how the running scan's job is written, removed, and taken back at start-up.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Store/Catalog.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <cmath>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::readAll;
namespace Files = fixtures::FixtureFiles;

namespace {

const QDateTime kLongAgo(QDate(2020, 5, 1), QTime(8, 0), Qt::UTC);

QString jobPath(const CatalogTestEnv& env) {
    return QDir(env.dataDir).filePath(QStringLiteral("scanjob.json"));
}

QByteArray jobJson(const ScanJob& job) {
    const Result<QByteArray> bytes = RecordJson::encodeRecordBytes(job, RecordJson::DateForm::Since2001);
    return bytes.ok() ? bytes.value() : QByteArray("<not encodable>");
}

ScanJob sampleJob() {
    ScanJob job;
    job.roots = {QStringLiteral("/Users/me/Movies"), QStringLiteral("/Volumes/Media")};
    job.maxDepth = 5;
    job.remember = true;
    job.posters = true;
    job.concurrency = 3;
    job.rootIndex = 1;
    job.pending =
        QList<PendingDir>{{QStringLiteral("/Volumes/Media"), 0}, {QStringLiteral("/Volumes/Media/B"), 1}};
    job.found = {QStringLiteral("/Volumes/Media/A/Cut.fcpbundle")};
    job.done = {};
    job.updatedAt = kLongAgo;
    return job;
}

} // namespace

TEST(CatalogJobTest, PersistingWritesTheWholeJobCompactAndStampsItNow) {
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    for (const bool withOptionals : {true, false}) {
        SCOPED_TRACE(withOptionals);
        ScanJob job = sampleJob();
        if (!withOptionals) {
            job.maxDepth.reset();
            job.pending.reset();
        }
        catalog->scanHost()->job() = job;
        const QDateTime before = QDateTime::currentDateTimeUtc();
        CatalogSeeding::writeJob(*catalog);
        const QDateTime after = QDateTime::currentDateTimeUtc();

        const ScanJob& written = catalog->currentJob();
        EXPECT_GE(written.updatedAt, before.addMSecs(-1));
        EXPECT_LE(written.updatedAt, after.addMSecs(1));

        const QByteArray bytes = readAll(jobPath(env));
        EXPECT_FALSE(bytes.contains('\n'));
        EXPECT_FALSE(bytes.contains("\": "));
        const QJsonObject object = QJsonDocument::fromJson(bytes).object();
        // Seconds since 2001-01-01T00:00:00Z.
        const double seconds = object.value(QStringLiteral("updatedAt")).toDouble();
        EXPECT_NEAR(seconds, double(written.updatedAt.toMSecsSinceEpoch()) / 1000.0 - 978307200.0, 0.002);
        EXPECT_EQ(object.contains(QStringLiteral("maxDepth")), withOptionals);
        EXPECT_EQ(object.contains(QStringLiteral("pending")), withOptionals);
        EXPECT_FALSE(object.contains(QStringLiteral("unlisted")));

        const Result<ScanJob> decoded =
            RecordJson::decodeRecordBytes<ScanJob>(bytes, RecordJson::DateForm::Since2001);
        ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
        EXPECT_EQ(jobJson(decoded.value()), jobJson(written));
    }
}

TEST(CatalogJobTest, TheNextStartOffersTheJobAndClearingForgetsIt) {
    CatalogTestEnv env;
    const ScanJob job = sampleJob();
    Files::writeBytes(jobPath(env), jobJson(job));

    const auto catalog = env.makeCatalog();
    ASSERT_TRUE(catalog->pausedJob().has_value());
    EXPECT_EQ(jobJson(*catalog->pausedJob()), jobJson(job));

    int pausedChanged = 0;
    QObject::connect(catalog.get(), &Catalog::pausedJobChanged, catalog.get(), [&] { ++pausedChanged; });
    catalog->clearJob();
    EXPECT_FALSE(QFileInfo::exists(jobPath(env)));
    EXPECT_FALSE(catalog->pausedJob());
    EXPECT_EQ(pausedChanged, 1);

    // Nothing left to remove: still quiet, and nothing to announce.
    catalog->clearJob();
    EXPECT_FALSE(catalog->pausedJob());
    EXPECT_EQ(pausedChanged, 1);
}

TEST(CatalogJobTest, AJobThatCannotBeWrittenIsLeftSilently) {
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    // Something that is not a file sits where the job goes.
    Files::makeFolder(jobPath(env) + QStringLiteral("/inside"));
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    catalog->scanHost()->job() = sampleJob();
    CatalogSeeding::writeJob(*catalog);
    ErrorLog::setHeadless(wasHeadless);

    EXPECT_TRUE(QFileInfo(jobPath(env)).isDir());
    EXPECT_TRUE(QFileInfo::exists(jobPath(env) + QStringLiteral("/inside")));
    EXPECT_FALSE(readAll(ErrorLog::url()).contains("scanjob")) << "no message, no log line";
}

TEST(CatalogJobTest, AFileThatIsNotAJobOffersNothingAndIsKept) {
    QByteArray valid = jobJson(sampleJob());
    QByteArray wrongType = valid;
    wrongType.replace("\"rootIndex\":1", "\"rootIndex\":\"1\"");
    ASSERT_NE(wrongType, valid);
    QJsonObject missingKey = QJsonDocument::fromJson(valid).object();
    missingKey.remove(QStringLiteral("done"));

    const QByteArray cases[] = {
        QByteArray("garbage"),
        QByteArray(),
        QByteArray("[]"),
        QByteArray("{}"),
        valid.left(valid.size() / 2),
        wrongType,
        QJsonDocument(missingKey).toJson(QJsonDocument::Compact),
        QByteArray("{\"libraries\":[],\"roots\":[]}"),
        QByteArray(valid).insert(1, "\"rootIndex\":0,"), // a key given twice
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        CatalogTestEnv env;
        Files::writeBytes(jobPath(env), bytes);
        const auto catalog = env.makeCatalog();
        EXPECT_FALSE(catalog->pausedJob());
        EXPECT_EQ(readAll(jobPath(env)), bytes);
    }
}

// A job file edited by hand, or damaged, may hold paths the scan would take for others: a
// relative root stores relative library paths, a root with ".." and folders outside their root
// record the same bundles twice under two spellings. What is not a clean absolute path at or
// below its root is left out, with one line in the error log.
TEST(CatalogJobTest, AJobIsCleanedBeforeItIsTrusted) {
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const auto restore = qScopeGuard([&] { ErrorLog::setHeadless(wasHeadless); });

    ScanJob written = sampleJob();
    written.roots = {QStringLiteral("Movies/Relative"), QStringLiteral("/Volumes/Old/../Media/"),
                     QStringLiteral("/Users/me//Movies/./Cuts"), QStringLiteral("")};
    written.rootIndex = 1; // "/Volumes/Media"
    written.pending = QList<PendingDir>{
        {QStringLiteral("/Volumes/Media"), 0},
        {QStringLiteral("/Volumes/Media/B/./C/"), 2},
        {QStringLiteral("/Volumes/Media/../Elsewhere"), 1},
        {QStringLiteral("/Volumes/MediaPlus/D"), 1},
        {QStringLiteral("B/E"), 2},
    };
    written.found = {QStringLiteral("/Volumes/Media/A/Cut.fcpbundle"),
                     QStringLiteral("/Volumes/Media/A/../A/Cut.fcpbundle/"),
                     QStringLiteral("/Volumes/Media/../Other/Cut.fcpbundle"),
                     QStringLiteral("A/Relative.fcpbundle")};
    written.done = {QStringLiteral("/Volumes/Media//A/Cut.fcpbundle"),
                    QStringLiteral("/Volumes/Cut.fcpbundle")};
    written.unlisted = QList<QString>{QStringLiteral("/Volumes/Media/Locked"), QStringLiteral("/Private")};

    ScanJob expected = written;
    expected.roots = {QStringLiteral("/Volumes/Media"), QStringLiteral("/Users/me/Movies/Cuts")};
    expected.rootIndex = 0;
    expected.pending =
        QList<PendingDir>{{QStringLiteral("/Volumes/Media"), 0}, {QStringLiteral("/Volumes/Media/B/C"), 2}};
    expected.found = {QStringLiteral("/Volumes/Media/A/Cut.fcpbundle")}; // one spelling, once
    expected.done = {QStringLiteral("/Volumes/Media/A/Cut.fcpbundle")};
    expected.unlisted = QList<QString>{QStringLiteral("/Volumes/Media/Locked")};

    CatalogTestEnv env;
    Files::writeBytes(jobPath(env), jobJson(written));
    const auto catalog = env.makeCatalog();
    ASSERT_TRUE(catalog->pausedJob().has_value());
    EXPECT_EQ(jobJson(*catalog->pausedJob()), jobJson(expected));

    const QStringList lines = QString::fromUtf8(readAll(ErrorLog::url())).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.at(0).contains(" WARN catalogue: ")) << lines.at(0).toStdString();
    EXPECT_TRUE(lines.at(0).endsWith("  path: " + jobPath(env))) << lines.at(0).toStdString();
    EXPECT_EQ(readAll(jobPath(env)), jobJson(written)) << "the file itself is left as it was";
}

// The current root may itself be the one left out: the job goes on with the next good root,
// from its start. With no good root left there is nothing to resume.
TEST(CatalogJobTest, AJobWhoseRootIsLeftOutGoesOnWithTheNextOrIsIgnored) {
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const auto restore = qScopeGuard([&] { ErrorLog::setHeadless(wasHeadless); });

    const struct {
        const char* what;
        QList<QString> roots;
        qint64 rootIndex;
        std::optional<QList<QString>> expectedRoots; // nothing: no paused job
        qint64 expectedIndex;
    } cases[] = {
        {"the current root is relative",
         {QStringLiteral("/Volumes/A"), QStringLiteral("Relative"), QStringLiteral("/Volumes/B")},
         1,
         QList<QString>{QStringLiteral("/Volumes/A"), QStringLiteral("/Volumes/B")},
         1},
        {"the last root is relative",
         {QStringLiteral("/Volumes/A"), QStringLiteral("Relative")},
         1,
         QList<QString>{QStringLiteral("/Volumes/A")},
         1},
        {"no root is absolute", {QStringLiteral("Movies"), QStringLiteral("./Cuts")}, 0, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScanJob written = sampleJob();
        written.roots = c.roots;
        written.rootIndex = c.rootIndex;
        written.pending = QList<PendingDir>{{c.roots.at(c.rootIndex) + QStringLiteral("/Sub"), 1}};
        written.found = {c.roots.at(c.rootIndex) + QStringLiteral("/L.fcpbundle")};
        written.discoveryDone = true;
        CatalogTestEnv env;
        Files::writeBytes(jobPath(env), jobJson(written));
        const auto catalog = env.makeCatalog();
        ASSERT_EQ(catalog->pausedJob().has_value(), c.expectedRoots.has_value());
        if (c.expectedRoots) {
            ScanJob expected = written;
            expected.roots = *c.expectedRoots;
            expected.startRoot(c.expectedIndex);
            EXPECT_EQ(jobJson(*catalog->pausedJob()), jobJson(expected));
        }
        const QStringList lines = QString::fromUtf8(readAll(ErrorLog::url())).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines.at(0).contains(" WARN catalogue: ") &&
                    lines.at(0).endsWith("  path: " + jobPath(env)))
            << lines.at(0).toStdString();
    }
}

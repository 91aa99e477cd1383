#include "Shell/HandedStart.h"

#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Catalogue/Scan/ScanOptions.h"
#include "Support/AtomicFile.h"
#include "Tests/Shell/Window/WindowTestSupport.h"
#include "Tests/Support/TestEnv.h"

#include <gtest/gtest.h>

using namespace pellimor;
using SingleInstance::Outcome;
using test::CatalogTestEnv;
using test::TestEnv;

// A later start's request against the running catalogue in each state it can be in: what is
// started, and that the answer says truly what happened, so a start that was refused never
// reads as one that was carried out.
TEST(HandedStartTest, carriesOutTheRequestOrSaysWhyNot) {
    const QString folder = TestEnv::freshDir(QStringLiteral("handed"));
    const QString films = QDir(folder).filePath(QStringLiteral("Films"));
    const QString paused = QDir(folder).filePath(QStringLiteral("Paused"));
    const QString running = QDir(folder).filePath(QStringLiteral("Running"));
    for (const QString& path : {films, paused, running})
        QDir().mkpath(path);

    enum class State { idle, paused, scanning };
    struct Case {
        const char* what;
        State state;
        QStringList arguments;
        Outcome outcome;
        QStringList roots; // of the scan running afterwards; none: no scan runs
    };
    const QString prog = QStringLiteral("tovlin");
    const QList<Case> cases = {
        {"no arguments", State::idle, {prog}, Outcome::broughtForward, {}},
        {"no arguments while scanning", State::scanning, {prog}, Outcome::broughtForward, {running}},
        {"\"--scan\" without paths", State::idle, {prog, "--scan"}, Outcome::broughtForward, {}},
        {"paths, relative ones from the asking start's folder",
         State::idle,
         {prog, "--scan", "Films/", paused},
         Outcome::scanStarted,
         {films, paused}},
        {"paths over a paused scan", State::paused, {prog, "--scan", films}, Outcome::scanStarted, {films}},
        {"paths while scanning", State::scanning, {prog, "--scan", films}, Outcome::busy, {running}},
        {"resume", State::paused, {prog, "--resume"}, Outcome::resumed, {paused}},
        {"resume with nothing paused", State::idle, {prog, "--resume"}, Outcome::nothingToResume, {}},
        {"resume while scanning", State::scanning, {prog, "--resume"}, Outcome::busy, {running}},
        {"resume and paths, something paused",
         State::paused,
         {prog, "--resume", "--scan", films},
         Outcome::resumedInstead,
         {paused}},
        {"resume and paths, nothing paused",
         State::idle,
         {prog, "--resume", "--scan", films},
         Outcome::scanStarted,
         {films}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogTestEnv env;
        if (c.state == State::paused) {
            const Result<QByteArray> job = RecordJson::encodeRecordBytes(
                ScanOptions{}.freshJob({paused}, true, QDateTime::currentDateTimeUtc()),
                RecordJson::DateForm::Since2001);
            ASSERT_TRUE(job.ok());
            QDir().mkpath(env.dataDir);
            ASSERT_TRUE(AtomicFile::write(QDir(env.dataDir).filePath(QStringLiteral("scanjob.json")), *job));
        }
        std::unique_ptr<Catalog> catalog = env.makeCatalog();
        ASSERT_EQ(catalog->pausedJob().has_value(), c.state == State::paused);
        if (c.state == State::scanning) {
            catalog->scanHost()->job().roots = {running};
            catalog->seed({.scanning = true});
        }

        EXPECT_EQ(HandedStart::carryOut(*catalog, {c.arguments, folder}), c.outcome)
            << SingleInstance::name(c.outcome).toStdString();
        EXPECT_EQ(catalog->isScanning(), !c.roots.isEmpty());
        if (!c.roots.isEmpty()) {
            EXPECT_EQ(catalog->scanHost()->job().roots, c.roots);
        }

        if (c.state == State::scanning)
            catalog->seed({.scanning = false});
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
    }
}

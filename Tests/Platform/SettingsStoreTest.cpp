#include "Platform/SettingsStore.h"

#include "Platform/ProblemReporter.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace pellimor;
using platform::SettingsStore;
namespace ProblemReporter = platform::ProblemReporter;

TEST(SettingsStore, KeepsEachTypeApartAcrossReload) {
    const QString file = QDir(test::TestEnv::freshDir("settings")).filePath("settings.json");
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1704067200123, Qt::UTC);
    {
        SettingsStore s(file);
        s.setFlag("makePosters", false);
        s.setInteger("scanThreads", 4);
        s.setNumber("ratio", 0.5);
        s.setText("appearance", "dark");
        s.setDate("lastCheck", when);
        s.setData("blob", QByteArray("\x00\x01\xff", 3));
    }
    SettingsStore s(file);
    EXPECT_TRUE(s.holds("makePosters", SettingsStore::Type::Flag));
    EXPECT_FALSE(s.flag("makePosters", true));
    EXPECT_EQ(s.integer("scanThreads", 2), 4);
    EXPECT_TRUE(s.holds("scanThreads", SettingsStore::Type::Integer));
    EXPECT_DOUBLE_EQ(s.number("ratio", 0), 0.5);
    EXPECT_EQ(s.text("appearance", "system"), "dark");
    EXPECT_EQ(s.date("lastCheck"), when);
    EXPECT_EQ(s.data("blob"), QByteArray("\x00\x01\xff", 3));
    // A key of another type reads as the default, never converted.
    EXPECT_TRUE(s.flag("scanThreads", true));
    EXPECT_EQ(s.integer("appearance", 7), 7);
    EXPECT_FALSE(s.holds("appearance", SettingsStore::Type::Flag));
}

TEST(SettingsStore, SignalsOnlyRealChanges) {
    SettingsStore s(QString{});
    QSignalSpy spy(&s, &SettingsStore::changed);
    s.setFlag("autoRefresh", true);
    s.setFlag("autoRefresh", true);
    s.setFlag("autoRefresh", false);
    s.remove("autoRefresh");
    s.remove("autoRefresh");
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), "autoRefresh");
}

TEST(SettingsStore, DamagedFileStartsEmptyAndBadEntriesAreDropped) {
    const QString dir = test::TestEnv::freshDir("settings-bad");
    const QString garbage = QDir(dir).filePath("garbage.json");
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("{not json");
    g.close();
    EXPECT_FALSE(SettingsStore(garbage).contains("anything"));

    const QString mixed = QDir(dir).filePath("mixed.json");
    QFile m(mixed);
    ASSERT_TRUE(m.open(QIODevice::WriteOnly));
    m.write(R"({"good":{"type":"integer","value":3},"frac":{"type":"integer","value":2.5},)"
            R"("wrong":{"type":"flag","value":"yes"},"bare":true})");
    m.close();
    SettingsStore s(mixed);
    EXPECT_EQ(s.integer("good", 0), 3);
    EXPECT_FALSE(s.contains("frac"));
    EXPECT_FALSE(s.contains("wrong"));
    EXPECT_FALSE(s.contains("bare"));
}

// A save fails while a regular file stands where the settings' folder should be (the tests
// run as root, so permissions cannot stop a write).
TEST(SettingsStore, AFailedSaveIsReportedOnceUntilASaveSucceeds) {
    const QString dir = test::TestEnv::freshDir("settings-blocked");
    const QString blocker = QDir(dir).filePath("Pellimor");
    const QString file = QDir(blocker).filePath("settings.json");
    const auto block = [&] {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("in the way");
    };
    block();

    QList<ProblemReporter::Problem> reported;
    ProblemReporter::Scoped sink([&](const ProblemReporter::Problem& p) { reported.append(p); });
    SettingsStore s(file);
    s.setFlag("autoRefresh", true);
    s.setInteger("scanThreads", 4);
    s.remove("autoRefresh");
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0].level, ProblemReporter::Level::error);
    EXPECT_EQ(reported[0].area, "settings");
    EXPECT_TRUE(reported[0].message.contains(file)) << reported[0].message.toStdString();
    // The changes hold for this run, and whatever stood in the way is untouched.
    EXPECT_EQ(s.integer("scanThreads", 0), 4);
    EXPECT_FALSE(s.contains("autoRefresh"));
    EXPECT_TRUE(QFileInfo(blocker).isFile());

    // Once the way is clear, the next change saves everything held so far, without a report.
    ASSERT_TRUE(QFile::remove(blocker));
    s.setText("appearance", "dark");
    EXPECT_EQ(reported.size(), 1);
    SettingsStore reread(file);
    EXPECT_EQ(reread.integer("scanThreads", 0), 4);
    EXPECT_EQ(reread.text("appearance"), "dark");

    // That success re-arms the report for the next failure.
    ASSERT_TRUE(QDir(blocker).removeRecursively());
    block();
    s.setFlag("makePosters", false);
    s.setFlag("makePosters", true);
    EXPECT_EQ(reported.size(), 2);
}

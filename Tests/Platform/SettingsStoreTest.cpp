#include "Platform/SettingsStore.h"

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace pellimor;
using platform::SettingsStore;

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

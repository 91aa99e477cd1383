#include "Platform/SettingsStore.h"

#include "Platform/ProblemReporter.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

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

namespace {

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<not read>");
}

// The files the settings were kept aside as, beside `file`.
QStringList keptAside(const QString& file) {
    return QFileInfo(file).dir().entryList({QFileInfo(file).fileName() + ".unreadable-*"},
                                           QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

// A settings file the store cannot read is kept aside before anything is saved over it, so a
// change made afterwards never costs the user the settings it held; the store starts from the
// defaults. A named pipe there is no file to read: it must not hold the start.
TEST(SettingsStore, AFileThatCannotBeReadIsKeptAsideBeforeAnythingIsSaved) {
    const struct {
        const char* what;
        QByteArray bytes;
        bool pipe;
    } cases[] = {
        {"not JSON", "{not json", false},
        {"cut short", R"({"autoRefresh":{"type":"flag","value":true})", false},
        {"a list", R"([{"autoRefresh":{"type":"flag","value":true}}])", false},
        {"a named pipe", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = QDir(test::TestEnv::freshDir("settings-unreadable")).filePath("settings.json");
        std::unique_ptr<test::NamedPipe> pipe;
        if (c.pipe) {
            pipe = std::make_unique<test::NamedPipe>(file);
        } else {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }

        QList<ProblemReporter::Problem> reported;
        ProblemReporter::Scoped sink([&](const ProblemReporter::Problem& p) { reported.append(p); });
        std::unique_ptr<SettingsStore> s;
        if (pipe) {
            EXPECT_TRUE(
                test::returnsUnaided({pipe.get()}, [&] { s = std::make_unique<SettingsStore>(file); }));
        } else {
            s = std::make_unique<SettingsStore>(file);
        }
        EXPECT_FALSE(s->contains("autoRefresh"));

        const QStringList aside = keptAside(file);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(
            QRegularExpression("^settings\\.json\\.unreadable-\\d{8}T\\d{6}Z$").match(aside.at(0)).hasMatch())
            << aside.at(0).toStdString();
        const QString keptPath = QFileInfo(file).dir().filePath(aside.at(0));
        ASSERT_EQ(reported.size(), 1);
        EXPECT_EQ(reported[0].level, ProblemReporter::Level::warn);
        EXPECT_EQ(reported[0].area, "settings");
        EXPECT_EQ(reported[0].path, keptPath);
        EXPECT_FALSE(QFileInfo::exists(file));
        if (!c.pipe) {
            EXPECT_EQ(contentsOf(keptPath), c.bytes);
        }

        s->setFlag("makePosters", false);
        EXPECT_EQ(SettingsStore(file).flag("makePosters", true), false);
        EXPECT_FALSE(SettingsStore(file).contains("autoRefresh"));
        if (!c.pipe) {
            EXPECT_EQ(contentsOf(keptPath), c.bytes) << "the kept file is left alone";
        }
        EXPECT_EQ(reported.size(), 1);
        ::unlink(QFile::encodeName(keptPath).constData());
    }
}

// Should the unreadable file not even move aside, it stays the only copy: nothing is saved over
// it (the changes hold for the run, the refusal is reported once), and the move is tried again
// at the next change.
TEST(SettingsStore, AnUnreadableFileThatCannotBeMovedIsNotSavedOver) {
    const QString dir = test::TestEnv::freshDir("settings-stuck");
    const QString file = QDir(dir).filePath("settings.json");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{damaged");
    }
    // Folders under every name the move could pick in the next minutes block it.
    QStringList blockers;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int s = -2; s <= 180; ++s) {
        blockers.append(file + ".unreadable-" + now.addSecs(s).toString("yyyyMMdd'T'HHmmss'Z'"));
        ASSERT_TRUE(QDir().mkpath(blockers.last()));
    }

    QList<ProblemReporter::Problem> reported;
    ProblemReporter::Scoped sink([&](const ProblemReporter::Problem& p) { reported.append(p); });
    SettingsStore s(file);
    s.setFlag("autoRefresh", true);
    s.setInteger("scanThreads", 4);
    EXPECT_EQ(contentsOf(file), "{damaged");
    EXPECT_TRUE(s.flag("autoRefresh", false)) << "held for the run";
    ASSERT_EQ(reported.size(), 2) << "it could not be read, and nothing is saved over it: once each";
    EXPECT_EQ(reported[0].level, ProblemReporter::Level::warn);
    EXPECT_EQ(reported[0].path, file);
    EXPECT_EQ(reported[1].level, ProblemReporter::Level::error);

    for (const QString& blocker : std::as_const(blockers))
        ASSERT_TRUE(QDir(blocker).removeRecursively());
    s.setText("appearance", "dark");
    const QStringList aside = keptAside(file);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(contentsOf(QDir(dir).filePath(aside.at(0))), "{damaged");
    SettingsStore reread(file);
    EXPECT_TRUE(reread.flag("autoRefresh", false));
    EXPECT_EQ(reread.integer("scanThreads", 0), 4);
    EXPECT_EQ(reread.text("appearance"), "dark");
    ASSERT_EQ(reported.size(), 3);
    EXPECT_EQ(reported[2].level, ProblemReporter::Level::warn);
    EXPECT_EQ(reported[2].path, QDir(dir).filePath(aside.at(0)));
}

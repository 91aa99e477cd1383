// The tabs' raw values, the notification names, the drives offered for a whole-drive scan
// and the hub that carries the notifications.

#include "App/AppAction.h"

#include "App/Mode.h"
#include "App/NotificationHub.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;

namespace {

TEST(ModeTest, rawValuesShortcutsAndOrder) {
    const QList<std::pair<Mode, QString>> expected{
        {Mode::browser, QStringLiteral("Browser")},   {Mode::libraries, QStringLiteral("Libraries")},
        {Mode::events, QStringLiteral("Events")},     {Mode::projects, QStringLiteral("Projects")},
        {Mode::media, QStringLiteral("Media Files")}, {Mode::plugins, QStringLiteral("Plug-ins")},
        {Mode::compare, QStringLiteral("Compare")}};
    ASSERT_EQ(allModes().size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].second.toStdString());
        EXPECT_EQ(allModes()[i], expected[i].first);
        EXPECT_EQ(rawValue(expected[i].first), expected[i].second);
        EXPECT_EQ(modeFromRawValue(expected[i].second), expected[i].first);
        EXPECT_EQ(AppAction::modeShortcut(expected[i].first), QChar(char16_t(u'1' + i)));
    }
}

TEST(ModeTest, onlyAnExactRawValueNamesATab) {
    for (const QString& text :
         {QStringLiteral("Media"), QString(), QStringLiteral("media files"), QStringLiteral("Plugins"),
          QStringLiteral(" Browser"), QStringLiteral("media")})
        EXPECT_FALSE(modeFromRawValue(text).has_value()) << text.toStdString();
}

TEST(AppActionTest, notificationNames) {
    EXPECT_EQ(AppAction::allNames(),
              (QStringList{"fcp.SetMode", "fcp.ExportCSV", "fcp.AddWatchFolder", "fcp.ScanEntireDrive",
                           "fcp.FocusSearch", "fcp.SaveFCPSettings", "fcp.RestoreFCPSettings",
                           "fcp.PutDeRoomBack"}));
    EXPECT_EQ(AppAction::revealRow(), QStringLiteral("TovlinRevealRow"));
}

class MountedVolumesTest : public ::testing::Test {
protected:
    const QString root = TestEnv::freshDir(QStringLiteral("volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", root};

    QString plug(const QString& name) const {
        const QString path = QDir(root).filePath(name);
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(MountedVolumesTest, drivesSortedByPlainTextWithoutHiddenOnes) {
    const QString backup = plug(QStringLiteral("backup"));
    const QString archive = plug(QStringLiteral("Archive"));
    const QString zebra = plug(QStringLiteral("Zebra"));
    plug(QStringLiteral(".hidden"));
    // Capital letters sort before small ones: no locale rules.
    EXPECT_EQ(AppAction::mountedVolumes(), (QStringList{archive, zebra, backup}));
}

TEST_F(MountedVolumesTest, onlyTheStartUpDiskMeansNoDrives) {
    EXPECT_TRUE(AppAction::mountedVolumes().isEmpty());
}

TEST_F(MountedVolumesTest, whateverThePlatformListsOutsideTheRootIsLeftOut) {
    test::ScopedFakeVolumes volumes;
    const QString media = QDir(root).filePath(QStringLiteral("Media"));
    volumes->setMountedVolumes(QStringList{QStringLiteral("/"), QStringLiteral("/mnt/elsewhere"), media + "/",
                                           media, QDir(root).filePath(QStringLiteral(".Spotlight")),
                                           QDir(root).filePath(QStringLiteral("Media/Inner"))});
    EXPECT_EQ(AppAction::mountedVolumes(), QStringList{media});
}

TEST(NotificationHubTest, postingReachesReceiversBeforeItReturns) {
    test::HubRecorder recorder;
    NotificationHub::shared().post(AppAction::setMode(), QStringLiteral("Media Files"));
    ASSERT_EQ(recorder.posts.size(), 1);
    NotificationHub::shared().post(AppAction::exportCSV());
    ASSERT_EQ(recorder.posts.size(), 2);
    EXPECT_EQ(recorder.posts[0].first, QStringLiteral("fcp.SetMode"));
    EXPECT_EQ(recorder.posts[0].second, QStringLiteral("Media Files"));
    EXPECT_EQ(recorder.posts[1].first, QStringLiteral("fcp.ExportCSV"));
    EXPECT_FALSE(recorder.posts[1].second.has_value());
}

} // namespace

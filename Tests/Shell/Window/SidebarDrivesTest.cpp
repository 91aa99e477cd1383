// The sidebar's drives without a window: grouping the catalogue into drives, what a drive row
// says and enables, the eject question and what each eject outcome reports.

#include "Shell/SidebarDrives.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Platform/VolumesRoot.h"
#include "Support/ByteCount.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;
using VolumeEject::Outcome;

namespace {

constexpr qint64 kGB = 1000 * 1000 * 1000;

class SidebarDrivesTest : public ::testing::Test {
protected:
    void SetUp() override { catalog->setMounted({QStringLiteral("/")}); }

    // A catalogue record on drive `volume` (a folder under the volumes root), `size` bytes.
    LibraryInfo library(const QString& volume, const QString& name, qint64 size,
                        std::optional<QString> uuid = std::nullopt) const {
        LibraryInfo info;
        info.path = QDir(root).filePath(volume + u'/' + name + QStringLiteral(".fcpbundle"));
        info.name = name;
        info.volumeName = volume;
        info.volumeUUID = std::move(uuid);
        info.extraSize = size;
        return info;
    }
    QString mountOf(const QString& volume) const { return QDir(root).filePath(volume); }
    void mount(const QStringList& volumes) {
        QSet<QString> mounted{QStringLiteral("/")};
        for (const QString& volume : volumes)
            mounted.insert(mountOf(volume));
        catalog->setMounted(mounted);
    }
    std::optional<DriveSummary> drive(const QString& name) const {
        for (const DriveSummary& each : SidebarDrives::drives(*catalog)) {
            if (each.name == name)
                return each;
        }
        return std::nullopt;
    }

    const QString root = test::TestEnv::freshDir(QStringLiteral("drives-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", root};
    test::CatalogTestEnv env{QStringLiteral("sidebar-drives")};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
};

TEST_F(SidebarDrivesTest, oneDrivePerVolumeNameWithTheUuidOfAnyLibraryAndTheKeyOfTheFirst) {
    struct Case {
        const char* name;
        bool uuidFirst;
        QString key;
    };
    const Case cases[] = {{"library without a UUID first", false, QStringLiteral("Studio")},
                          {"library with the UUID first", true, QStringLiteral("U-1")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LibraryInfo plain = library(QStringLiteral("Studio"), QStringLiteral("A"), 3 * kGB);
        const LibraryInfo known =
            library(QStringLiteral("Studio"), QStringLiteral("B"), 2 * kGB, QStringLiteral("U-1"));
        catalog->seed({.libraries = c.uuidFirst ? QList{known, plain} : QList{plain, known}});
        const QList<DriveSummary> drives = SidebarDrives::drives(*catalog);
        ASSERT_EQ(drives.size(), 1);
        EXPECT_EQ(drives[0].name, QStringLiteral("Studio"));
        EXPECT_EQ(drives[0].uuid, std::optional<QString>(QStringLiteral("U-1")));
        EXPECT_EQ(drives[0].key, c.key);
        EXPECT_EQ(drives[0].count, 2);
        EXPECT_EQ(drives[0].size, 5 * kGB);
        EXPECT_EQ(drives[0].mount, mountOf(QStringLiteral("Studio")));
    }
}

TEST_F(SidebarDrivesTest, mountRoleKindAndOrderComeFromTheFirstLibraryAndTheName) {
    LibraryInfo home;
    home.path = QStringLiteral("/Users/ann/Movies/Home.fcpbundle");
    home.name = QStringLiteral("Home");
    home.volumeName = VolumesRoot::startupVolumeName();
    home.isInternal = true;
    LibraryInfo share = library(QStringLiteral("Share"), QStringLiteral("S"), 1);
    share.isNetwork = true;
    // Another drive of the same name, mounted elsewhere: still one drive, placed by its first library.
    LibraryInfo strayCopy = library(QStringLiteral("Disk 2"), QStringLiteral("Copy"), 1);
    strayCopy.path = QDir(root).filePath(QStringLiteral("Disk 2 1/Copy.fcpbundle"));
    catalog->seed({.libraries = QList<LibraryInfo>{
                       library(QStringLiteral("Disk 10"), QStringLiteral("X"), 1), share,
                       library(QStringLiteral("Disk 2"), QStringLiteral("Y"), 1), home, strayCopy}});
    catalog->setBackup(true, std::nullopt, QStringLiteral("Disk 10"));

    QStringList names;
    for (const DriveSummary& each : SidebarDrives::drives(*catalog))
        names.append(each.name);
    EXPECT_EQ(names, (QStringList{"Disk 2", "Disk 10", "Macintosh HD", "Share"}));

    EXPECT_EQ(drive(QStringLiteral("Macintosh HD"))->mount, QStringLiteral("/"));
    EXPECT_TRUE(drive(QStringLiteral("Macintosh HD"))->online);
    EXPECT_EQ(SidebarDrives::symbol(*drive(QStringLiteral("Macintosh HD"))), QStringLiteral("internaldrive"));
    EXPECT_EQ(SidebarDrives::symbol(*drive(QStringLiteral("Share"))), QStringLiteral("network"));
    EXPECT_EQ(SidebarDrives::symbol(*drive(QStringLiteral("Disk 2"))), QStringLiteral("externaldrive"));
    EXPECT_EQ(drive(QStringLiteral("Disk 2"))->count, 2);
    EXPECT_EQ(drive(QStringLiteral("Disk 2"))->mount, mountOf(QStringLiteral("Disk 2")));
    EXPECT_TRUE(drive(QStringLiteral("Disk 10"))->isBackup);
    EXPECT_EQ(SidebarDrives::roleLabel(*drive(QStringLiteral("Disk 10"))), QStringLiteral("Backup"));
    EXPECT_EQ(SidebarDrives::roleTip(*drive(QStringLiteral("Disk 10"))),
              QStringLiteral("Backup drive. Click to mark it as a working drive."));
    EXPECT_EQ(SidebarDrives::roleLabel(*drive(QStringLiteral("Disk 2"))), QStringLiteral("Work"));
    EXPECT_EQ(SidebarDrives::roleTip(*drive(QStringLiteral("Disk 2"))),
              QStringLiteral("Working drive. Click to mark it as a backup drive."));
    EXPECT_TRUE(SidebarDrives::dimmed(*drive(QStringLiteral("Disk 10")), true));
    EXPECT_FALSE(SidebarDrives::dimmed(*drive(QStringLiteral("Disk 10")), false));
    EXPECT_FALSE(SidebarDrives::dimmed(*drive(QStringLiteral("Disk 2")), true));
}

TEST_F(SidebarDrivesTest, sizesAddUpWithoutOverflow) {
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    catalog->seed(
        {.libraries = QList<LibraryInfo>{library(QStringLiteral("Big"), QStringLiteral("A"), kMax - 5),
                                         library(QStringLiteral("Big"), QStringLiteral("B"), kMax - 5)}});
    EXPECT_EQ(drive(QStringLiteral("Big"))->size, kMax);
}

// The row of one drive by its state: unplugged, mounted without a known capacity, mounted with one.
TEST_F(SidebarDrivesTest, theRowFollowsWhetherTheDriveIsConnectedAndItsCapacityIsKnown) {
    const QString size = ByteCount::file(3 * kGB);
    struct Case {
        const char* name;
        bool mounted;
        bool capacityKnown;
        bool scanning;
        QString detail;
        QString help;
        bool rescan;
        QString rescanTip;
        bool online;
    };
    const QString rescanTip =
        QStringLiteral("Rescan Studio: refreshes its watched folders, or searches the drive if it has none");
    const Case cases[] = {
        {"unplugged", false, true, false,
         QStringLiteral("1 libs · ") + size + QStringLiteral(" · not connected"),
         QStringLiteral("Studio: 1 libraries, ") + size +
             QStringLiteral(" of Final Cut libraries (not connected)"),
         false, QStringLiteral("Studio isn't connected"), false},
        {"mounted, capacity unknown", true, false, false, QStringLiteral("1 libs · ") + size,
         QStringLiteral("Studio: 1 libraries, ") + size + QStringLiteral(" of Final Cut libraries"), true,
         rescanTip, true},
        {"mounted, capacity known", true, true, false,
         QStringLiteral("1 libs · ") + size + QStringLiteral(" · ") + ByteCount::file(40 * kGB) +
             QStringLiteral(" free"),
         QStringLiteral("Studio: 1 libraries, ") + size + QStringLiteral(" of Final Cut libraries, ") +
             ByteCount::file(40 * kGB) + QStringLiteral(" free of ") + ByteCount::file(100 * kGB),
         true, rescanTip, true},
        {"mounted while a scan runs", true, true, true,
         QStringLiteral("1 libs · ") + size + QStringLiteral(" · ") + ByteCount::file(40 * kGB) +
             QStringLiteral(" free"),
         QStringLiteral("Studio: 1 libraries, ") + size + QStringLiteral(" of Final Cut libraries, ") +
             ByteCount::file(40 * kGB) + QStringLiteral(" free of ") + ByteCount::file(100 * kGB),
         false, rescanTip, true},
    };
    catalog->seed(
        {.libraries = QList<LibraryInfo>{library(QStringLiteral("Studio"), QStringLiteral("A"), 3 * kGB)}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mount(c.mounted ? QStringList{QStringLiteral("Studio")} : QStringList{});
        // Free space a drive had before it was unplugged is not shown for it.
        QMap<QString, Catalog::VolumeSpace> space;
        if (c.capacityKnown)
            space.insert(mountOf(QStringLiteral("Studio")), {100 * kGB, 40 * kGB});
        catalog->seed({.volumeSpace = space});

        const DriveSummary studio = drive(QStringLiteral("Studio")).value();
        EXPECT_EQ(studio.online, c.online);
        EXPECT_EQ(studio.total, c.mounted && c.capacityKnown ? 100 * kGB : 0);
        EXPECT_EQ(studio.free, c.mounted && c.capacityKnown ? 40 * kGB : 0);
        EXPECT_EQ(SidebarDrives::detailLine(studio), c.detail);
        EXPECT_EQ(SidebarDrives::helpText(studio), c.help);
        EXPECT_EQ(SidebarDrives::canRescan(studio, c.scanning), c.rescan);
        EXPECT_EQ(SidebarDrives::rescanTip(studio), c.rescanTip);
        EXPECT_EQ(SidebarDrives::canUpdateOrEject(studio), c.online);
        EXPECT_EQ(SidebarDrives::symbol(studio), QStringLiteral("externaldrive"));
        EXPECT_EQ(SidebarDrives::usage(studio).has_value(), c.mounted && c.capacityKnown);
    }
}

TEST_F(SidebarDrivesTest, theLibrariesShareOfTheBarNeverPassesTheUsedShare) {
    struct Case {
        qint64 size, total, free;
        SidebarDrives::Usage usage;
    };
    const Case cases[] = {
        {25, 100, 40, {0.6, 0.25}},
        {90, 100, 40, {0.6, 0.6}}, // the catalogue counts more than the volume holds
        {500, 100, 0, {1.0, 1.0}},
        {0, 100, 100, {0.0, 0.0}},
        {10, 100, 150, {0.0, 0.0}}, // more free than capacity: nothing used
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        DriveSummary drive;
        drive.size = c.size;
        drive.total = c.total;
        drive.free = c.free;
        drive.online = true;
        EXPECT_EQ(SidebarDrives::usage(drive), std::optional(c.usage));
    }
}

TEST_F(SidebarDrivesTest, menuTitlesAndTheEjectQuestion) {
    EXPECT_EQ(SidebarDrives::updateTitle(QStringLiteral("Tom & Jerry"), QStringLiteral("10.8.1")),
              QStringLiteral("Update Libraries on Tom & Jerry to Final Cut 10.8.1…"));
    EXPECT_EQ(SidebarDrives::updateTitle(QStringLiteral("Studio"), std::nullopt),
              QStringLiteral("Update Libraries on Studio to Final Cut …"));

    DriveSummary drive;
    drive.name = QStringLiteral("Tom & Jerry");
    struct Case {
        const char* name;
        std::optional<DriveSummary> pending;
        bool startup;
        SidebarDrives::EjectQuestion question;
    };
    const Case cases[] = {
        {"a drive",
         drive,
         false,
         {QStringLiteral("Eject Tom & Jerry?"),
          QStringLiteral(
              "This unmounts and ejects it the same way Finder does. It will not force the drive out. If "
              "something is using it, it stays mounted."),
          QStringLiteral("Eject"), QStringLiteral("Cancel")}},
        {"the start-up disk",
         drive,
         true,
         {QStringLiteral("Can’t eject Tom & Jerry"),
          QStringLiteral("This is the startup disk. It stays mounted."), QString(), QStringLiteral("OK")}},
        {"nothing pending",
         std::nullopt,
         false,
         {QStringLiteral("Eject this drive?"), QString(), QStringLiteral("Eject"), QStringLiteral("Cancel")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SidebarDrives::EjectQuestion question = SidebarDrives::ejectQuestion(c.pending, c.startup);
        EXPECT_EQ(question.title, c.question.title);
        EXPECT_EQ(question.message, c.question.message);
        EXPECT_EQ(question.confirm, c.question.confirm);
        EXPECT_EQ(question.cancel, c.question.cancel);
    }
}

// Every outcome on the status line, in an alert and (for a failure only) in the error log,
// which stays untouched while headless.
TEST_F(SidebarDrivesTest, everyEjectOutcomeIsReportedByItsRow) {
    struct Case {
        const char* name;
        Outcome outcome;
        QString status;
        std::optional<QString> alertTitle;
        QString alertText;
        bool logs;
    };
    const QString refusal = QStringLiteral("Studio can’t be ejected, so it was left mounted.");
    const QString failure = QStringLiteral("Couldn’t eject Studio. It was left mounted.");
    const Case cases[] = {
        {"ejected", Outcome::ejected(), QStringLiteral("Ejected Studio."), std::nullopt, QString(), false},
        {"busy", Outcome::busy(), QStringLiteral("Studio is in use, so it was left mounted."),
         QStringLiteral("Studio is in use"), QStringLiteral("It was left mounted. Nothing was forced off."),
         false},
        {"refused", Outcome::refused(refusal), refusal, QStringLiteral("Studio stayed mounted"), refusal,
         false},
        {"failed", Outcome::failed(failure), failure, QStringLiteral("Couldn’t eject Studio"), failure, true},
    };
    const bool wasHeadless = ErrorLog::headless();
    for (const bool headless : {false, true}) {
        ErrorLog::setHeadless(headless);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (headless ? ", headless" : ""));
            QFile::remove(ErrorLog::url());
            // The drive went away meanwhile: the mounted volumes are recorded afresh first.
            mount({QStringLiteral("Studio")});
            const SidebarDrives::EjectReport report =
                SidebarDrives::finishEject(*catalog, c.outcome, QStringLiteral("Studio"));
            EXPECT_EQ(report, SidebarDrives::report(c.outcome, QStringLiteral("Studio")));
            EXPECT_EQ(catalog->status(), c.status);
            EXPECT_EQ(report.alertTitle, c.alertTitle);
            EXPECT_EQ(report.alertText, c.alertText);
            EXPECT_FALSE(catalog->mounted().contains(mountOf(QStringLiteral("Studio"))));
            const QStringList lines = test::lines(ErrorLog::url());
            if (c.logs && !headless) {
                ASSERT_EQ(lines.size(), 1);
                EXPECT_TRUE(lines[0].endsWith(
                    QStringLiteral(" ERROR eject: A drive could not be ejected and was left mounted.")))
                    << lines[0].toStdString();
            } else {
                EXPECT_TRUE(lines.isEmpty());
            }
        }
    }
    ErrorLog::setHeadless(wasHeadless);
}

} // namespace

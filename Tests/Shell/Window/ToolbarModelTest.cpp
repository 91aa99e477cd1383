#include "Shell/ToolbarModel.h"

#include "App/AppAction.h"
#include "Shell/MenuModel.h"
#include "Tests/Shell/Window/WindowTestSupport.h"

#include <gtest/gtest.h>

using namespace pellimor;
using ToolbarModel::Inputs;
using ToolbarModel::ScanEntry;
using Kind = ToolbarModel::ScanEntry::Kind;

namespace {

ScanJob pausedJob(qint64 rootIndex, QStringList roots) {
    ScanJob job;
    job.roots = std::move(roots);
    job.rootIndex = rootIndex;
    return job;
}

QStringList titles(const QList<ScanEntry>& entries) {
    QStringList out;
    for (const ScanEntry& entry : entries)
        out.append(entry.title + (entry.enabled ? QString() : QStringLiteral(" (off)")));
    return out;
}

} // namespace

TEST(ToolbarModelTest, LabelsAndControlSizesFollowTheWindowWidth) {
    struct Case {
        double width;
        bool wide;
        bool large;
        std::optional<double> pickerMin;
        double pickerPad, datePad, workingPadH, workingPadV;
    };
    const Case cases[] = {
        {800, false, false, std::nullopt, 4, 2, 6, 3},  // narrower than both thresholds
        {1200, false, false, std::nullopt, 4, 2, 6, 3}, //
        {1249.5, false, false, std::nullopt, 4, 2, 6, 3},
        {1250, false, true, 525, 14, 6, 9, 4},
        {1300, false, true, 546, 14, 6, 9, 4},
        {1550, true, true, 600, 14, 6, 9, 4},
        {1600, true, true, 600, 14, 6, 9, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Inputs in;
        in.winWidth = c.width;
        const ToolbarModel::Toolbar bar = ToolbarModel::build(in);
        EXPECT_EQ(bar.wide, c.wide);
        EXPECT_EQ(bar.large, c.large);
        EXPECT_EQ(bar.pickerMinWidth.has_value(), c.pickerMin.has_value());
        if (c.pickerMin && bar.pickerMinWidth) {
            EXPECT_DOUBLE_EQ(*bar.pickerMinWidth, *c.pickerMin);
        }
        EXPECT_EQ(bar.pickerTrailingPadding, c.pickerPad);
        EXPECT_EQ(bar.datePadding, c.datePad);
        EXPECT_EQ(bar.workingPadH, c.workingPadH);
        EXPECT_EQ(bar.workingPadV, c.workingPadV);
    }
}

TEST(ToolbarModelTest, DateLabelWorkingDrivesAndPromptFollowTheSettingsAndTab) {
    Inputs in;
    in.dateMode = QStringLiteral("created");
    in.hideBackups = true;
    in.mode = Mode::media;
    ToolbarModel::Toolbar bar = ToolbarModel::build(in);
    EXPECT_EQ(bar.dateLabel, QStringLiteral("Created"));
    EXPECT_TRUE(bar.workingFilled);
    EXPECT_EQ(bar.workingIcon, QStringLiteral("externaldrive.fill.badge.checkmark"));
    EXPECT_EQ(bar.workingTip, QStringLiteral("Backup drives hidden. Click to show them"));
    EXPECT_EQ(bar.searchPrompt, QStringLiteral("File name, e.g. C0006"));

    // Anything but "created" reads as modified, as the date columns do.
    for (const QString& stored : {QStringLiteral("modified"), QStringLiteral("bogus"), QString()}) {
        in.dateMode = stored;
        EXPECT_EQ(ToolbarModel::build(in).dateLabel, QStringLiteral("Modified")) << stored.toStdString();
    }
    in.hideBackups = false;
    bar = ToolbarModel::build(in);
    EXPECT_FALSE(bar.workingFilled);
    EXPECT_EQ(bar.workingIcon, QStringLiteral("externaldrive.badge.checkmark"));
    EXPECT_EQ(bar.workingTip, QStringLiteral("Hide backup drives"));

    for (const Mode mode : allModes()) {
        in.mode = mode;
        EXPECT_EQ(ToolbarModel::build(in).searchPrompt,
                  mode == Mode::media ? QStringLiteral("File name, e.g. C0006") : QStringLiteral("Search"))
            << rawValue(mode).toStdString();
    }
}

TEST(ToolbarModelTest, ScanMenuEntriesAndScanControls) {
    struct Case {
        const char* name;
        bool scanning;
        std::optional<ScanJob> paused;
        qsizetype watched;
        QStringList entries;
        bool menuEnabled;
    };
    const Case cases[] = {
        {"no watched folders",
         false,
         std::nullopt,
         0,
         {"Add Folder to Watch…", "Refresh Watched Folders (off)", "Scan Entire Drive (slow)…"},
         true},
        {"watched folders",
         false,
         std::nullopt,
         2,
         {"Add Folder to Watch…", "Refresh Watched Folders", "Scan Entire Drive (slow)…"},
         true},
        {"paused in the second of three",
         false,
         pausedJob(1, {"/a", "/b", "/c"}),
         1,
         {"Add Folder to Watch…", "Resume Paused Scan (2 of 3 locations)", "Refresh Watched Folders",
          "Scan Entire Drive (slow)…"},
         true},
        {"index past the roots",
         false,
         pausedJob(5, {"/a", "/b", "/c"}),
         1,
         {"Add Folder to Watch…", "Resume Paused Scan (3 of 3 locations)", "Refresh Watched Folders",
          "Scan Entire Drive (slow)…"},
         true},
        {"index below the roots",
         false,
         pausedJob(-4, {"/a", "/b"}),
         1,
         {"Add Folder to Watch…", "Resume Paused Scan (1 of 2 locations)", "Refresh Watched Folders",
          "Scan Entire Drive (slow)…"},
         true},
        {"scanning", true, std::nullopt, 1,
         QStringList{"Add Folder to Watch…", "Refresh Watched Folders", "Scan Entire Drive (slow)…"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Inputs in;
        in.scanning = c.scanning;
        in.pausedJob = c.paused;
        in.watchedFolders = c.watched;
        const ToolbarModel::Toolbar bar = ToolbarModel::build(in);
        EXPECT_EQ(titles(bar.scanEntries), c.entries);
        EXPECT_EQ(bar.scanEnabled, c.menuEnabled);
        EXPECT_EQ(bar.scanControls, c.scanning);
        // The menu bar titles its entry the same way.
        if (c.paused) {
            EXPECT_EQ(bar.scanEntries.at(1).title, MenuModel::resumeTitle(*c.paused));
        }
    }
}

TEST(ToolbarModelTest, EntireDriveEntriesAreTheMountedDrivesInPlainOrderTitledAsWritten) {
    test::WindowCatalog w;
    const QString root = VolumesRoot::root();
    QStringList mounts;
    for (const char* name : {"backup", "Tom & Jerry", "Archive", "Ärger", "Zeta"})
        mounts.append(QDir(root).filePath(QString::fromUtf8(name)));
    mounts.append(QStringLiteral("/"));
    mounts.append(QDir(root).filePath(QStringLiteral(".hidden")));
    w.env.volumes->setMountedVolumes(mounts);

    QStringList shown;
    for (const ToolbarModel::DriveEntry& entry : ToolbarModel::driveEntries(AppAction::mountedVolumes())) {
        shown.append(entry.title);
        EXPECT_EQ(entry.path, QDir(root).filePath(entry.title));
    }
    EXPECT_EQ(shown, (QStringList{"Archive", "Tom & Jerry", "Zeta", "backup", "Ärger"}));

    w.env.volumes->setMountedVolumes(QStringList{});
    EXPECT_TRUE(ToolbarModel::driveEntries(AppAction::mountedVolumes()).isEmpty());
}

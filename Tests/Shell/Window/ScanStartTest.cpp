// Every road by which a scan starts, crossed with what the settings store may hold for
// "folderDepth" and "scanThreads": the job that reaches the catalogue. Each road is driven
// through its real entry point, so a road that read a setting by a rule of its own would show
// here.

#include "Shell/MenuCommands.h"
#include "Shell/MenuModel.h"
#include "Shell/StartupPlan.h"
#include "Shell/WindowState.h"
#include "Tests/Shell/Window/WindowTestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace pellimor;
using test::CatalogTestEnv;
using test::libraryAt;

namespace {

class NoWindows final : public MenuCommands::Windows {
public:
    void openSettings() override {}
    void openManual() override {}
    void openReport() override {}
    void quit() override {}
};

// The job a road hands over, as far as the settings decide it.
struct JobShape {
    std::optional<qint64> depth;
    qint64 concurrency = 0;
    bool posters = false;
    bool fullRescan = false;
    bool operator==(const JobShape&) const = default;
};

std::ostream& operator<<(std::ostream& out, const JobShape& shape) {
    return out << "depth " << (shape.depth ? std::to_string(*shape.depth) : std::string("none"))
               << ", concurrency " << shape.concurrency << ", posters " << shape.posters << ", full rescan "
               << shape.fullRescan;
}

// One road: how it starts its scan on a catalogue watching `folder` on the test's drive, and
// what it makes of the settings.
struct Road {
    const char* name;
    std::function<void(test::WindowCatalog& w, const QString& folder)> start;
    bool limitsDepth;        // "folderDepth" levels; otherwise no limit
    bool takesFullRescan;    // "fullRescan" as stored; otherwise always off
    bool scansDrive = false; // the drive rather than the watched folder
};

// What the store holds. Apart from the empty store, "fullRescan" is on and "makePosters" off,
// so a road that drops or forces either shows in every row.
struct Stored {
    const char* name;
    std::function<void(platform::SettingsStore&, const QString& key)> write;
    qint64 depth;
    qint64 concurrency;
    bool flagsSet;
};

} // namespace

TEST(ScanStart, EveryRoadReadsTheScanSettingsByTheOneRule) {
    const std::vector<Road> roads = {
        {"start-up \"--scan\"",
         [](test::WindowCatalog& w, const QString& folder) {
             WindowState state;
             StartupPlan::startUp(state, *w.catalog, {"tovlin", "--scan", folder});
         },
         false, false},
        {"refresh question",
         [](test::WindowCatalog& w, const QString&) {
             w.setLibraries({libraryAt("/Volumes/Elsewhere/Old.fcpbundle")});
             WindowState state;
             StartupPlan::startUp(state, *w.catalog, {"tovlin"});
             ASSERT_TRUE(state.askRefresh);
             ASSERT_FALSE(w.catalog->isScanning());
             StartupPlan::answerRefresh(state, *w.catalog);
         },
         true, false},
        {"auto refresh of an empty catalogue",
         [](test::WindowCatalog& w, const QString&) {
             WindowState state;
             StartupPlan::startUp(state, *w.catalog, {"tovlin"});
         },
         true, false},
        {"drive plugged in",
         [](test::WindowCatalog& w, const QString&) { StartupPlan::volumeMounted(*w.catalog, w.drive); },
         true, false},
        {"folder chooser",
         [](test::WindowCatalog& w, const QString& folder) {
             ASSERT_TRUE(StartupPlan::chooseFolderConfirmed(*w.catalog, {folder}));
         },
         true, true},
        {"whole drive",
         [](test::WindowCatalog& w, const QString&) {
             WindowState state;
             state.pendingDrive = w.drive;
             ASSERT_TRUE(StartupPlan::confirmWholeDrive(state, *w.catalog));
         },
         false, true, true},
        {"menu refresh",
         [](test::WindowCatalog& w, const QString&) {
             const std::optional<MenuModel::Item> refresh = MenuModel::find(
                 MenuModel::build(MenuModel::currentInputs(*w.catalog)), QStringLiteral("scan.refresh"));
             ASSERT_TRUE(refresh.has_value());
             NoWindows windows;
             MenuCommands::perform(*refresh, *w.catalog, windows);
         },
         true, true},
    };

    using Store = platform::SettingsStore;
    const std::vector<Stored> stored = {
        {"absent", [](Store&, const QString&) {}, 5, 2, false},
        {"0", [](Store& s, const QString& key) { s.setInteger(key, 0); }, 5, 1, true},
        {"-1", [](Store& s, const QString& key) { s.setInteger(key, -1); }, 5, 1, true},
        {"3", [](Store& s, const QString& key) { s.setInteger(key, 3); }, 3, 3, true},
        {"the text \"3\"", [](Store& s, const QString& key) { s.setText(key, QStringLiteral("3")); }, 5, 2,
         true},
    };

    for (const Road& road : roads) {
        for (const Stored& value : stored) {
            SCOPED_TRACE(std::string(road.name) + ", stored " + value.name);
            test::WindowCatalog w;
            const QString folder = w.folderOnDrive(QStringLiteral("Films"));
            (*w.catalog).seed({.roots = QList<ScanRoot>{ScanRoot{folder, std::nullopt}}});
            w.env.volumes->setMountedVolumes(QStringList{w.drive});
            value.write(*w.env.settings, QStringLiteral("folderDepth"));
            value.write(*w.env.settings, QStringLiteral("scanThreads"));
            if (value.flagsSet) {
                w.env.settings->setFlag(QStringLiteral("fullRescan"), true);
                w.env.settings->setFlag(QStringLiteral("makePosters"), false);
            }

            road.start(w, folder);

            ASSERT_TRUE(w.catalog->isScanning());
            const ScanJob& job = w.catalog->currentJob();
            const JobShape expected{road.limitsDepth ? std::optional<qint64>(value.depth) : std::nullopt,
                                    value.concurrency, !value.flagsSet,
                                    road.takesFullRescan && value.flagsSet};
            EXPECT_EQ((JobShape{job.maxDepth, job.concurrency, job.posters, job.fullRescan}), expected);
            EXPECT_EQ(job.roots, QStringList{road.scansDrive ? w.drive : folder});

            w.catalog->stop();
            ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !w.catalog->isScanning(); }));
        }
    }
}

// Plug-in counts in the main window, offscreen: libraries read by "--scan" on a computer of
// the test's own (a system-wide root in a temporary folder, the test's home, no registries)
// show their missing and partly installed packs in the Libraries table, and the sidebar's
// "missing plug-ins" filter keeps exactly those libraries.

#include "Plugins/PluginChecker.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/FakeAudioUnitRegistry.h"
#include "Tests/Support/FakeFxPlugRegistry.h"
#include "Tests/Support/FakeRootFolder.h"
#include "Tests/Support/TempFiles.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::CollectionRow;
using fixtures::LibraryBuilder;
using test::MainWindowHarness;
using test::TestEnv;

namespace {

constexpr int kPluginsColumn = 3; // "Plug-ins missing"

const QString kLowerThird =
    QStringLiteral("~/Titles.localized/Pack A.localized/Lower Third/Lower Third.moti");
const QString kCredits = QStringLiteral("~/Titles.localized/Pack A.localized/Credits/Credits.moti");
const QString kWipe = QStringLiteral("~/Transitions.localized/Swift Wipes.localized/Wipe/Wipe.motr");
const QString kGrain = QStringLiteral("8C1A7E52-4B3D-4F6A-9E21-5D7C3B9A0F14");
const QString kFlare = QStringLiteral("5b9e2f10-7c4d-4a8e-b1f3-2e6d8c0a9b47");

// The services of a computer without plug-in registries, its system-wide root at `root`.
platform::Services machine(const QString& root) {
    platform::Services s;
    s.rootFolder = std::make_shared<test::FakeRootFolder>(root);
    s.audioUnits = test::FakeAudioUnitRegistry::unavailable();
    s.fxplugs = std::make_shared<test::FakeFxPlugRegistry>();
    return s;
}

// A library with one event whose project uses `rows`.
void writeLibrary(const QString& folder, const QString& name, const QList<CollectionRow>& rows) {
    LibraryBuilder library(name);
    LibraryBuilder::Project& edit =
        library.event(QStringLiteral("Day 1")).project(QStringLiteral("Edit")).clips(1);
    for (const CollectionRow& row : rows)
        edit.row(row);
    library.write(folder);
}

} // namespace

TEST(PluginCountsInTheWindow, LibrariesShowTheirMissingPacksAndTheFilterKeepsThem) {
    const QString root = TestEnv::freshDir(QStringLiteral("plugin-counts-root"));
    platform::ScopedServices computer(machine(root));
    MainWindowHarness window(QStringLiteral("plugin-counts"));

    // The credits title and the wipe are installed, for the user and for everyone.
    test::writeFile(QDir::homePath() + "/Movies/Motion Templates.localized/" + kCredits.mid(2),
                    "<template/>");
    test::writeFile(
        QDir(root).filePath("Library/Application Support/Final Cut Pro/Templates.localized/" + kWipe.mid(2)),
        "<template/>");
    const QString footage = TestEnv::freshDir(QStringLiteral("plugin-counts-footage"));
    writeLibrary(footage, QStringLiteral("Missing Title"), {CollectionRow::motionTemplate(kLowerThird)});
    writeLibrary(footage, QStringLiteral("Half a Pack"),
                 {CollectionRow::motionTemplate(kLowerThird), CollectionRow::motionTemplate(kCredits),
                  CollectionRow::motionTemplate(kWipe)});
    writeLibrary(footage, QStringLiteral("Installed"),
                 {CollectionRow::motionTemplate(kCredits), CollectionRow::motionTemplate(kWipe)});
    writeLibrary(
        footage, QStringLiteral("FxPlug Only"),
        {CollectionRow::fxPlug(kGrain, QStringLiteral("Orbit Film Grain")), CollectionRow::fxPlug(kFlare)});
    writeLibrary(footage, QStringLiteral("Audio Unit"),
                 {CollectionRow::audioUnit("aufx", "Rvb7", "Lmnr", QStringLiteral("Lumen Room Reverb"))});
    writeLibrary(footage, QStringLiteral("No Plug-ins"), {});

    window.create({QStringLiteral("--scan"), footage});
    // Whatever an earlier test of this process checked is asked again.
    window.catalog().recheckPlugins();
    window.show();
    ASSERT_TRUE(window.scanned());
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return window.catalog().libraries().size() == 6; }));
    window.content().setMode(Mode::libraries);
    window.settle();

    const QStringList names = window.column(Mode::libraries);
    const QStringList plugins = window.column(Mode::libraries, kPluginsColumn);
    QMap<QString, QString> shown;
    for (qsizetype i = 0; i < names.size(); ++i)
        shown.insert(names[i], plugins.value(i));
    EXPECT_EQ(shown, (QMap<QString, QString>{{"Missing Title", "1"},
                                             {"Half a Pack", "1 incomplete"},
                                             {"Installed", ""},
                                             {"FxPlug Only", ""},
                                             {"Audio Unit", ""},
                                             {"No Plug-ins", ""}}));

    window.content().setSidebar({SidebarItem(SidebarItem::Kind::missingPlugins)});
    window.settle();
    EXPECT_EQ(window.sortedColumn(Mode::libraries), (QStringList{"Half a Pack", "Missing Title"}));

    // The FxPlug effects and the Audio Unit are there, but undecidable here, not missing.
    QMap<QString, Catalog::PluginStats> undecided;
    for (const LibraryInfo& library : window.catalog().libraries()) {
        if (library.name == QStringLiteral("FxPlug Only") || library.name == QStringLiteral("Audio Unit"))
            undecided.insert(library.name, window.catalog().pluginStats(library));
    }
    EXPECT_EQ(undecided, (QMap<QString, Catalog::PluginStats>{{"FxPlug Only", {2, 0, 0, 2}},
                                                              {"Audio Unit", {1, 0, 0, 1}}}));
}

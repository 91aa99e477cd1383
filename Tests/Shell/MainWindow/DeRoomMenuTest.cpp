// Final Cut Pro control in the running application: the pre-open question over the main
// window's prompts, and "Put DeRoom Back" in the Final Cut menu following the parked record.

#include "FinalCut/DeRoomPark.h"
#include "Shell/Views/FinalCutPrompts.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/FakeRootFolder.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TreeListing.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;
using test::ScriptedPrompts;

namespace {

// HOME, Application Support and the system-wide root of the test's own, so DeRoom is
// installed, parked and put back there.
struct DeRoomPlaces {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("deroom-menu"));
    test::ScopedEnvironment home{"HOME", folder + "/home"};
    test::ScopedEnvironment data{"XDG_DATA_HOME", folder + "/share"};
    platform::ScopedServices root{
        test::FakeRootFolder::services(std::make_shared<test::FakeRootFolder>(folder + "/root"))};
};

} // namespace

TEST(DeRoomMenu, ParkingEnablesPutDeRoomBackAndChoosingItPutsItBack) {
    DeRoomPlaces places;
    test::MainWindowHarness window(QStringLiteral("deroom-menu-window"));
    window.env.finalCut->setLocation(places.folder + "/Final Cut Pro.app");
    window.env.finalCut->setVersion(QStringLiteral("11.1"));
    const QString installed = DeRoomPark::userComponentPath();
    test::writeFile(installed + "/Contents/Info.plist", "deroom");
    const QStringList before = test::treeContents(installed);

    LibraryInfo library;
    library.path = test::writeLibrary(places.folder + "/Libraries", QStringLiteral("Acme Promo"));
    library.name = QStringLiteral("Acme Promo");
    library.volumeName = QStringLiteral("Macintosh HD");
    EventInfo event;
    event.name = QStringLiteral("Podcast");
    ProjectInfo project;
    project.name = QStringLiteral("Podcast Ep 12");
    project.plugins = QList<PluginUse>{{QStringLiteral("Audio"), QString(), QStringLiteral("DeRoom2"),
                                        fixtures::CollectionRow::audioUnitID("aufx", "ADR2", "Actz"), 120}};
    event.projects.append(project);
    library.events.append(event);

    window.create();
    window.catalog().seed({.libraries = QList<LibraryInfo>{library}});
    window.show();
    window.prompts->questions.clear();
    QAction* putBack = window.app->menus().action(QStringLiteral("finalCut.putDeRoomBack"));
    ASSERT_NE(putBack, nullptr);
    EXPECT_FALSE(putBack->isEnabled());

    window.prompts->answers = {QStringLiteral("Park DeRoom and Open")};
    window.catalog().openInFCP(library);
    ASSERT_TRUE(
        test::CatalogTestEnv::waitUntil([&] { return window.catalog().status().startsWith("Opened "); }));
    EXPECT_EQ(
        window.catalog().status(),
        QStringLiteral(
            "Opened Acme Promo. DeRoom stays parked until you put it back (Final Cut ▸ Put DeRoom Back)."));
    EXPECT_EQ(window.env.finalCut->opened(), QStringList{library.path});
    ASSERT_EQ(window.prompts->questions.size(), 1);
    const ScriptedPrompts::Question& asked = window.prompts->questions.first();
    EXPECT_EQ(asked.title, QStringLiteral("Acme Promo can freeze Final Cut Pro"));
    EXPECT_TRUE(asked.message.startsWith(QStringLiteral("“Podcast Ep 12” uses DeRoom 2 on 120 clips.")));
    EXPECT_EQ(ScriptedPrompts::titles(asked),
              (QStringList{"Park DeRoom and Open (default)", "Cancel (cancel)", "Open Anyway"}));
    EXPECT_EQ(asked.style, Prompts::Style::warning);

    // The menus follow the record at their next rebuild.
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return putBack->isEnabled(); }));
    putBack->trigger();
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return !putBack->isEnabled(); }));
    EXPECT_EQ(window.catalog().status(),
              QStringLiteral("DeRoom is back in Audio Units. Open Final Cut Pro when you want it."));
    EXPECT_EQ(test::treeContents(installed), before);
    EXPECT_FALSE(DeRoomPark::isParked());
}

TEST(DeRoomMenu, TheAlertsReachThePromptsWithTheirStyleDefaultAndCancel) {
    const auto prompts = std::make_shared<ScriptedPrompts>();
    FinalCutPrompts questions([&]() -> Prompts& { return *prompts; });
    const DeRoomRisk risk{QStringLiteral("Podcast"), QStringLiteral("Podcast Ep 12"), 120};

    prompts->answers = {QStringLiteral("Park DeRoom and Reopen")};
    EXPECT_TRUE(DeRoomPark::confirmRecovery(questions, QStringLiteral("Acme Promo"), risk));
    questions.tell(QStringLiteral("Quit Final Cut Pro first"), QStringLiteral("Nothing was moved."));

    ASSERT_EQ(prompts->questions.size(), 1);
    EXPECT_EQ(prompts->questions[0].title, QStringLiteral("Final Cut Pro hasn’t answered"));
    EXPECT_EQ(prompts->questions[0].style, Prompts::Style::critical);
    EXPECT_EQ(ScriptedPrompts::titles(prompts->questions[0]),
              (QStringList{"Keep Waiting (default)", "Park DeRoom and Reopen"}));
    ASSERT_EQ(prompts->notes.size(), 1);
    EXPECT_EQ(prompts->notes[0].title, QStringLiteral("Quit Final Cut Pro first"));
    EXPECT_EQ(prompts->notes[0].text, QStringLiteral("Nothing was moved."));
}

// Whether the program updates itself: the decision taken once from the environment, the
// information list and the platform's updater; the menu item it gives; and what choosing the
// item asks of the updater.

#include "Shell/Updates.h"

#include "Platform/SystemServices.h"
#include "Shell/MenuCommands.h"
#include "Shell/MenuModel.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Tests/Support/FakeUpdater.h"
#include "Tests/Support/Scopes.h"

#include <gtest/gtest.h>

using namespace pellimor;
using test::FakeMainBundle;
using test::FakeUpdater;

namespace {

const QString kFeed = QStringLiteral("https://example.invalid/appcast.xml");

QVariantMap info(bool feed) {
    QVariantMap info{{"CFBundleShortVersionString", "1.0"}};
    if (feed)
        info.insert("SUFeedURL", kFeed);
    return info;
}

class NoWindows final : public MenuCommands::Windows {
public:
    void openSettings() override {}
    void openManual() override {}
    void openReport() override {}
    void quit() override {}
};

class UpdatesTest : public ::testing::Test {
protected:
    // The item as the menus would show it with this decision.
    std::optional<MenuModel::Item> item(const Updates& updates) const {
        const auto found = MenuModel::find(MenuModel::build(MenuModel::currentInputs(*catalog, updates)),
                                           QStringLiteral("app.checkForUpdates"));
        EXPECT_TRUE(found.has_value());
        if (found && !found->present)
            return std::nullopt;
        return found;
    }
    // Chooses "Check for Updates…" as the menus would, present or not.
    void choose(Updates& updates) {
        MenuModel::Inputs in;
        in.updatesOffered = true; // a stale menu: perform decides for itself
        const auto stale = MenuModel::find(MenuModel::build(in), QStringLiteral("app.checkForUpdates"));
        ASSERT_TRUE(stale.has_value());
        NoWindows windows;
        MenuCommands::perform(*stale, *catalog, windows, updates);
    }

    test::CatalogTestEnv env{QStringLiteral("updates")};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
};

TEST_F(UpdatesTest, updatesNeedAFeedAnUpdaterAndNoPrivateDataFolder) {
    struct Case {
        const char* what;
        std::optional<QString> dataDir; // TOVLIN_DATA_DIR; nothing: unset
        bool feed;
        bool updaterAvailable;
        bool offered;
    };
    const QList<Case> cases{
        {"a feed and an updater", std::nullopt, true, true, true},
        {"a private data folder", QStringLiteral("/tmp/elsewhere"), true, true, false},
        {"a private data folder given as empty text", QString(), true, true, false},
        {"no feed", std::nullopt, false, true, false},
        {"no updater on the platform", std::nullopt, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto updater = std::make_shared<FakeUpdater>(c.updaterAvailable);
        platform::ScopedServices scope(
            FakeUpdater::services(updater, std::make_shared<FakeMainBundle>(info(c.feed))));
        test::ScopedEnvironment dataDir("TOVLIN_DATA_DIR", c.dataDir);

        Updates updates;
        EXPECT_EQ(updates.available(), c.offered);
        EXPECT_EQ(item(updates).has_value(), c.offered); // absent, not disabled, without one
        EXPECT_EQ(updater->starts, c.offered ? 1 : 0);

        // Without an updater even a stale item asks nothing.
        choose(updates);
        EXPECT_EQ(updater->checks, c.offered ? 1 : 0);
        EXPECT_EQ(updater->starts, c.offered ? 1 : 0);
    }
}

TEST_F(UpdatesTest, theTestsOwnDataFolderAloneKeepsUpdatesOff) {
    // The shared test environment sets TOVLIN_DATA_DIR, as a private copy of the program does.
    ASSERT_TRUE(qEnvironmentVariableIsSet("TOVLIN_DATA_DIR"));
    const auto updater = std::make_shared<FakeUpdater>();
    platform::ScopedServices scope(
        FakeUpdater::services(updater, std::make_shared<FakeMainBundle>(info(true))));
    Updates updates;
    EXPECT_FALSE(updates.available());
    EXPECT_EQ(updater->starts, 0);
}

TEST_F(UpdatesTest, eachChoiceAsksForOneCheckAndTheDecisionIsKept) {
    const auto bundle = std::make_shared<FakeMainBundle>(info(true));
    const auto updater = std::make_shared<FakeUpdater>();
    platform::ScopedServices scope(FakeUpdater::services(updater, bundle));
    test::ScopedEnvironment dataDir("TOVLIN_DATA_DIR", std::nullopt);

    Updates updates;
    ASSERT_TRUE(item(updates).has_value());
    EXPECT_EQ(updater->checks, 0); // starting runs the scheduled checks, not a user's one

    const auto offered = item(updates);
    NoWindows windows;
    MenuCommands::perform(*offered, *catalog, windows, updates);
    EXPECT_EQ(updater->checks, 1);

    // The bundle losing its feed, or the environment changing, is not looked at again.
    bundle->setInfo(info(false));
    test::ScopedEnvironment later("TOVLIN_DATA_DIR", QString());
    EXPECT_TRUE(updates.available());
    ASSERT_TRUE(item(updates).has_value());
    MenuCommands::perform(*item(updates), *catalog, windows, updates);
    EXPECT_EQ(updater->checks, 2);
    EXPECT_EQ(updater->starts, 1);
}

TEST_F(UpdatesTest, theSystemServicesOfferNoUpdates) {
    test::ScopedEnvironment dataDir("TOVLIN_DATA_DIR", std::nullopt);
    const struct {
        const char* what;
        std::shared_ptr<platform::MainBundle> bundle;
        std::shared_ptr<platform::Updater> updater;
    } cases[] = {
        {"the system's bundle and updater", std::make_shared<platform::SystemMainBundle>(),
         platform::makeSystemUpdater()},
        {"the compiled-in information list names no feed", std::make_shared<platform::SystemMainBundle>(),
         std::make_shared<FakeUpdater>()},
        {"the platform has no updater", std::make_shared<FakeMainBundle>(info(true)),
         platform::makeSystemUpdater()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ScopedServices scope(FakeUpdater::services(c.updater, c.bundle));
        Updates updates;
        EXPECT_FALSE(updates.available());
        EXPECT_FALSE(item(updates).has_value());
    }
    EXPECT_FALSE(platform::makeSystemUpdater()->isAvailable());
}

} // namespace

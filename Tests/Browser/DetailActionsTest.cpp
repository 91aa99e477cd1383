#include "Browser/DetailActions.h"

#include "Support/ByteCount.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {

LibraryInfo library(qint64 clearable, qint64 broken) {
    LibraryInfo l;
    l.path = "/Volumes/Work/Jobs/Wedding.fcpbundle";
    l.name = "Wedding";
    EventInfo e;
    e.name = "Day 1";
    e.renderSize = clearable;
    e.brokenLinkCount = broken;
    l.events = {e};
    return l;
}

} // namespace

TEST(DetailActions, whatNeedsTheDriveWaitsForIt) {
    struct Case {
        const char* what;
        bool online;
        qint64 clearable;
        qint64 broken;
        bool reveal, cleanup;
        std::optional<bool> missing; // nothing: no button at all
    };
    const Case cases[] = {
        {"online", true, 5000, 2, true, true, true},
        {"offline", false, 5000, 2, false, false, false},
        {"nothing to clear", true, 0, 0, true, false, std::nullopt},
        {"offline, nothing to clear, nothing missing", false, 0, 0, false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        const DetailActions a = DetailActions::of(library(c.clearable, c.broken), c.online);
        for (const DetailActions::Control* needsDisk :
             {&a.reveal, &a.openFolder, &a.openInFinalCut, &a.folderLink})
            EXPECT_EQ(needsDisk->enabled, c.reveal) << c.what << ": " << needsDisk->title.toStdString();
        // Copying the path and forgetting need nothing on disk.
        EXPECT_TRUE(a.copyPath.enabled) << c.what;
        EXPECT_TRUE(a.forget.enabled) << c.what;
        EXPECT_EQ(a.cleanup.enabled, c.cleanup) << c.what;
        EXPECT_EQ(a.cleanup.title, "Free Up Space… (" + ByteCount::file(c.clearable) + ")") << c.what;
        ASSERT_EQ(a.missing.has_value(), c.missing.has_value()) << c.what;
        if (a.missing) {
            EXPECT_EQ(a.missing->enabled, *c.missing) << c.what;
        }
    }
}

TEST(DetailActions, theMissingFilesButtonCountsInTheSingularAndPlural) {
    const DetailActions one = DetailActions::of(library(0, 1), true);
    ASSERT_TRUE(one.missing);
    EXPECT_EQ(one.missing->title, "Find Missing Files… (1)");
    EXPECT_EQ(one.missing->tip,
              "This library links to 1 file that can't be found. Name them, look for them on your "
              "drives, and put them back.");
    const DetailActions three = DetailActions::of(library(0, 3), true);
    ASSERT_TRUE(three.missing);
    EXPECT_EQ(three.missing->title, "Find Missing Files… (3)");
    EXPECT_TRUE(three.missing->tip.startsWith("This library links to 3 files that can't be found."));
}

TEST(DetailActions, theFolderLinkAndTheForgetQuestion) {
    const DetailActions a = DetailActions::of(library(0, 0), true);
    EXPECT_EQ(a.folderLink.title, "/Volumes/Work/Jobs");
    EXPECT_EQ(a.folderLink.tip, "Open the folder that contains this library");
    EXPECT_EQ(a.openFolder.tip, a.folderLink.tip);
    // The name goes between typographic quotes as it is, quotes of its own included.
    EXPECT_EQ(DetailActions::forgetQuestion("Wedding"), "Forget “Wedding” from the catalog?");
    EXPECT_EQ(DetailActions::forgetQuestion("The \"Big\" “Day”"),
              "Forget “The \"Big\" “Day”” from the catalog?");
}

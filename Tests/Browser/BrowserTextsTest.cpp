// What the browser's cells and strips say, decided without a window: the version cell, the
// row menu's entries, the buttons and the search summary.

#include "Browser/BrowserStrip.h"
#include "Browser/RowMenu.h"
#include "Browser/VersionCell.h"
#include "Tests/Support/QtPrinters.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace pellimor;
using Status = Catalog::UpdateStatus;

namespace {

LibraryInfo library(const QString& name, qint64 brokenLinks = 0) {
    LibraryInfo info;
    info.path = QStringLiteral("/Volumes/Media/") + name + QStringLiteral(".fcpbundle");
    info.name = name;
    EventInfo event;
    event.name = QStringLiteral("Day 1");
    event.brokenLinkCount = brokenLinks;
    info.events.append(event);
    return info;
}

} // namespace

TEST(VersionCellTest, textToneAndTipByStatus) {
    struct Case {
        const char* name;
        QString version;
        QString installed;
        Status status;
        VersionCell cell;
    };
    const Case cases[] = {
        {"needs update",
         "10.4.6",
         "10.8",
         Status::needsUpdate,
         {"10.4.6 → 10.8", CellTone::blue,
          "Saved with Final Cut Pro 10.4.6. You have 10.8, so Final Cut will update this library when you "
          "open it."}},
        {"too new",
         "11.0",
         "10.8",
         Status::tooNew,
         {"11.0 (yours 10.8)", CellTone::red,
          "Saved with a newer Final Cut Pro than the 10.8 installed here. Update Final Cut to open it."}},
        {"current",
         "10.8",
         "10.8.1",
         Status::current,
         {"10.8 ✓", CellTone::green,
          "Saved with the same Final Cut Pro version as installed here (10.8.1)."}},
        // Nothing installed to compare with: neither a mark nor empty brackets.
        {"unknown", "10.8", "", Status::unknown, {"10.8", CellTone::secondary, ""}},
        {"no version", "", "10.8", Status::unknown, {"—", CellTone::secondary, ""}},
        {"no version, status given anyway", "", "10.8", Status::current, {"—", CellTone::secondary, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VersionCell::of(c.version, c.installed, c.status), c.cell);
    }
}

TEST(RowMenuTest, entriesAndTheirRulesFollowTheLibrary) {
    using RowMenu::Action;
    using RowMenu::FindMissing;
    const auto enabled = [](const QList<RowMenu::Entry>& menu) {
        QList<bool> flags;
        for (const RowMenu::Entry& entry : menu)
            flags.append(entry.enabled);
        return flags;
    };

    const QList<RowMenu::Entry> online = RowMenu::entries(library(QStringLiteral("A")), true);
    QStringList labels;
    for (const RowMenu::Entry& entry : online)
        labels.append(entry.label);
    EXPECT_EQ(labels, (QStringList{"Open in Final Cut Pro", "Open Enclosing Folder", "Reveal in Finder",
                                   "Rescan Data", "Free Up Space…", "Find Missing Files…"}));
    EXPECT_EQ(online.at(3).separatorBefore, true);
    EXPECT_EQ(online.at(5).action, Action::findMissing);

    struct Case {
        const char* name;
        std::optional<LibraryInfo> library;
        bool online;
        FindMissing findMissing;
        QList<bool> enabled;
    };
    const Case cases[] = {
        {"no library", std::nullopt, true, FindMissing::available, {}},
        {"offline",
         library(QStringLiteral("A"), 3),
         false,
         FindMissing::available,
         {false, false, false, false, false, false}},
        {"online without broken links",
         library(QStringLiteral("A")),
         true,
         FindMissing::available,
         {true, true, true, true, true, false}},
        {"online with broken links",
         library(QStringLiteral("A"), 2),
         true,
         FindMissing::available,
         {true, true, true, true, true, true}},
        {"broken links but no sheet to open",
         library(QStringLiteral("A"), 2),
         true,
         FindMissing::unavailable,
         {true, true, true, true, true, false}},
        {"a menu without the entry",
         library(QStringLiteral("A"), 2),
         true,
         FindMissing::omitted,
         {true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(enabled(RowMenu::entries(c.library, c.online, c.findMissing)), c.enabled);
    }
    EXPECT_EQ(RowMenu::enclosingFolder(QStringLiteral("/Volumes/Media/Clients/A & B.fcpbundle")),
              QStringLiteral("/Volumes/Media/Clients"));
}

TEST(BrowserStripTest, theUpdateButtonPassesOnlineUndamagedLibrariesThatNeedUpdating) {
    LibraryInfo needs = library(QStringLiteral("Needs"));
    LibraryInfo current = library(QStringLiteral("Current"));
    QSet<QString> offline;
    const auto online = [&](const LibraryInfo& l) { return !offline.contains(l.path); };
    const auto status = [&](const LibraryInfo& l) {
        return l.name == QStringLiteral("Needs") ? Status::needsUpdate : Status::current;
    };
    const auto names = [&](const QList<LibraryInfo>& list) {
        QStringList out;
        for (const LibraryInfo& l : list)
            out.append(l.name);
        return out;
    };

    EXPECT_EQ(names(BrowserStrip::updateTargets({current, needs}, online, status)), QStringList{"Needs"});
    needs.problem = QStringLiteral("The library database could not be read.");
    EXPECT_TRUE(BrowserStrip::updateTargets({current, needs}, online, status).isEmpty());
    needs.problem.reset();
    offline.insert(needs.path);
    EXPECT_TRUE(BrowserStrip::updateTargets({current, needs}, online, status).isEmpty());

    EXPECT_EQ(BrowserStrip::updateTitle(1, QStringLiteral("10.8")),
              QStringLiteral("Update 1 to Final Cut 10.8…"));
    EXPECT_EQ(BrowserStrip::updateTitle(2, QString()), QStringLiteral("Update 2 to Final Cut …"));
}

TEST(BrowserStripTest, theMissingFilesButtonNeedsTheListItsSheetAndABrokenLink) {
    const QList<LibraryInfo> libraries{library(QStringLiteral("A"), 1), library(QStringLiteral("B")),
                                       library(QStringLiteral("C"), 4)};
    EXPECT_EQ(BrowserStrip::missingTargets(libraries, true, true).size(), 2);
    EXPECT_TRUE(BrowserStrip::missingTargets(libraries, false, true).isEmpty());
    EXPECT_TRUE(BrowserStrip::missingTargets(libraries, true, false).isEmpty());
    EXPECT_TRUE(BrowserStrip::missingTargets({library(QStringLiteral("B"))}, true, true).isEmpty());

    EXPECT_EQ(BrowserStrip::missingTitle(1), QStringLiteral("Find Missing Files in This Library…"));
    EXPECT_EQ(BrowserStrip::missingTitle(2), QStringLiteral("Find Missing Files in These 2 Libraries…"));
}

TEST(BrowserStripTest, theSummaryCountsLibrariesProjectsEventsThenAreas) {
    TreeStats found;
    found.libraries = 1;
    found.events = 1;
    found.projects = 3;
    found.areas = {{SearchArea::notesMarkers, 1}, {SearchArea::keywords, 2}, {SearchArea::roles, 0}};
    EXPECT_EQ(BrowserStrip::summaryText(found, false),
              QStringLiteral("Found 1 library · 3 projects · 1 event · 2 keywords · 1 note or marker"));

    found = {};
    found.libraries = 2;
    found.events = 5;
    found.projects = 1;
    EXPECT_EQ(BrowserStrip::summaryParts(found), (QStringList{"2 libraries", "1 project", "5 events"}));

    EXPECT_EQ(BrowserStrip::summaryText({}, true),
              QStringLiteral(
                  "Nothing found. Turn on another choice next to the search field, or try fewer words."));
    EXPECT_EQ(BrowserStrip::summarySymbol(true), QStringLiteral("questionmark.circle"));
    EXPECT_EQ(BrowserStrip::summarySymbol(false), QStringLiteral("text.magnifyingglass"));
}

TEST(BrowserStripTest, traceCountsAreTheCountersWhileSearchingElseTheTopLevelRows) {
    TreeStats found;
    found.libraries = 2;
    found.events = 3;
    found.projects = 4;
    EXPECT_EQ(BrowserStrip::traceCounts(true, found, 7), (BrowserStrip::TraceCounts{2, 3, 4}));
    EXPECT_EQ(BrowserStrip::traceCounts(false, {}, 7), (BrowserStrip::TraceCounts{7, 0, 0}));
}

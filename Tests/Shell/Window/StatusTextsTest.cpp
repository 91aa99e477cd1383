#include "Shell/StatusTexts.h"

#include "App/AppSettings.h"
#include "Shell/SidebarFilter.h"
#include "Shell/TableRowMenu.h"
#include "Tests/Shell/Window/WindowTestSupport.h"
#include "Tests/Support/FakeMainBundle.h"

#include <gtest/gtest.h>

using namespace pellimor;
using test::eventNamed;
using test::libraryAt;
using test::projectNamed;

namespace {

LibraryInfo withProjects(LibraryInfo library, int projects, qint64 originalSize) {
    EventInfo event = eventNamed(QStringLiteral("Day"), originalSize);
    for (int i = 0; i < projects; ++i)
        event.projects.append(projectNamed(QStringLiteral("Cut %1").arg(i)));
    library.events.append(event);
    return library;
}

ScanJob jobOf(qint64 rootIndex, QStringList roots) {
    ScanJob job;
    job.roots = std::move(roots);
    job.rootIndex = rootIndex;
    return job;
}

} // namespace

TEST(StatusTextsTest, VersionLabelNeedsBothKeysAsText) {
    struct Case {
        const char* name;
        QVariantMap info;
        QString expected;
    };
    const Case cases[] = {
        {"both", {{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", "345"}}, "v1.2 (345)"},
        {"no build", {{"CFBundleShortVersionString", "1.2"}}, ""},
        {"no version", {{"CFBundleVersion", "345"}}, ""},
        {"build as a number", {{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", 345}}, ""},
        {"version as a list",
         {{"CFBundleShortVersionString", QStringList{"1.2"}}, {"CFBundleVersion", "345"}},
         ""},
        {"empty list", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StatusTexts::versionLabel(c.info), c.expected);
    }
    // From the program's own bundle.
    const platform::ScopedServices scope(
        test::FakeMainBundle::services(std::make_shared<test::FakeMainBundle>(
            QVariantMap{{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", "345"}})));
    EXPECT_EQ(StatusTexts::versionLabel(), QStringLiteral("v1.2 (345)"));
}

TEST(StatusTextsTest, ProgressCountsOnlyOnceATotalIsKnown) {
    EXPECT_EQ(StatusTexts::progressText(std::nullopt, std::nullopt), QString());
    EXPECT_EQ(StatusTexts::progressText(0, 0), QString());
    EXPECT_EQ(StatusTexts::progressText(3, -1), QString());
    EXPECT_EQ(StatusTexts::progressText(0, 10), QStringLiteral("0/10 libraries"));
    EXPECT_EQ(StatusTexts::progressText(3, 10), QStringLiteral("3/10 libraries"));
}

TEST(StatusTextsTest, PausedControlsAndTheResumeTipNamingTheRoot) {
    EXPECT_TRUE(StatusTexts::showsPausedControls(true, false));
    EXPECT_FALSE(StatusTexts::showsPausedControls(true, true)); // another scan runs
    EXPECT_FALSE(StatusTexts::showsPausedControls(false, false));

    const QStringList roots{"/Volumes/A", "/Volumes/B", "/Volumes/C"};
    struct Case {
        qint64 index;
        QStringList roots;
        QString expected;
    };
    const QString of = QStringLiteral("Carry on the interrupted scan of ");
    const Case cases[] = {
        {1, roots, of + "/Volumes/B"},  // at
        {3, roots, of + "/Volumes/C"},  // just past the end
        {40, roots, of + "/Volumes/C"}, // far past it
        {-2, roots, of + "/Volumes/A"}, // before the first
        {0, {}, "Carry on the interrupted scan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(StatusTexts::resumeTip(jobOf(c.index, c.roots)), c.expected);
    }
}

class StatusSummaryTest : public ::testing::Test {
protected:
    test::WindowCatalog w;
};

TEST_F(StatusSummaryTest, CountsStayPluralAndHiddenBackupLibrariesAreCountedByIdentifierThenName) {
    EXPECT_EQ(StatusTexts::summary({}, *w.catalog, false),
              QStringLiteral("0 libraries · 0 projects · Zero KB"));

    const LibraryInfo one = withProjects(libraryAt("/Volumes/Media/One.fcpbundle"), 1, 2'500'000);
    EXPECT_EQ(StatusTexts::summary({one}, *w.catalog, false),
              QStringLiteral("1 libraries · 1 projects · 2.5 MB"));

    // Bytes saturate rather than wrap.
    const LibraryInfo huge = withProjects(libraryAt("/Volumes/Media/Huge.fcpbundle"), 0,
                                          std::numeric_limits<qint64>::max() / 2 + 1);
    EXPECT_FALSE(StatusTexts::summary({huge, huge, huge}, *w.catalog, false).contains(u'-'));

    // Backup drives: the role under the volume's identifier wins over the one under its name.
    LibraryInfo byId = libraryAt("/Volumes/Twin/ById.fcpbundle", "Twin");
    byId.volumeUUID = QStringLiteral("UUID-1");
    LibraryInfo nameOnly = libraryAt("/Volumes/Spare/ByName.fcpbundle", "Spare");
    LibraryInfo idSaysWorking = libraryAt("/Volumes/Twin2/Working.fcpbundle", "Spare");
    idSaysWorking.volumeUUID = QStringLiteral("UUID-2");
    const LibraryInfo plain = libraryAt("/Volumes/Media/Plain.fcpbundle");
    w.setLibraries({byId, nameOnly, idSaysWorking, plain});

    // Nothing on a backup drive: no third separator, whatever the setting.
    EXPECT_EQ(StatusTexts::summary({plain}, *w.catalog, true),
              QStringLiteral("1 libraries · 0 projects · Zero KB"));

    w.setDriveRoles({{"UUID-1", "backup"}, {"Spare", "backup"}, {"UUID-2", "working"}});
    // With the identifier's "working", the name's "backup" still counts (either role is enough).
    EXPECT_EQ(StatusTexts::summary({plain}, *w.catalog, true),
              QStringLiteral("1 libraries · 0 projects · Zero KB · 3 on backup drives hidden"));
    EXPECT_EQ(StatusTexts::summary({plain}, *w.catalog, false),
              QStringLiteral("1 libraries · 0 projects · Zero KB"));

    w.setDriveRoles({{"Twin", "backup"}});
    EXPECT_EQ(StatusTexts::summary({plain}, *w.catalog, true),
              QStringLiteral("1 libraries · 0 projects · Zero KB · 1 on backup drives hidden"));
}

TEST(StatusTextsTest, FilteredEmptyStateFollowsTheAppliedSearchTerms) {
    for (const QString& text : {QString(), QStringLiteral("   "), QStringLiteral("\n\t")}) {
        EXPECT_FALSE(StatusTexts::searching(text));
    }
    EXPECT_TRUE(StatusTexts::searching(QStringLiteral(" C0006 ")));
    EXPECT_EQ(StatusTexts::filteredSymbol(true), QStringLiteral("magnifyingglass"));
    EXPECT_EQ(StatusTexts::filteredSymbol(false), QStringLiteral("line.3.horizontal.decrease.circle"));
    EXPECT_EQ(StatusTexts::filteredExplanation(true),
              QStringLiteral("Try fewer words, or open the magnifying glass and turn on All fields."));
    EXPECT_EQ(StatusTexts::filteredExplanation(false),
              QStringLiteral("The sidebar filter hides everything. Show Everything to clear it."));
}

class TableRowMenuTest : public ::testing::Test {
protected:
    test::WindowCatalog w;
};

TEST_F(TableRowMenuTest, EntriesFollowTheRowsLibraryAndItsDrive) {
    const QString path = w.folderOnDrive(QStringLiteral("Cut.fcpbundle"));
    LibraryInfo library = libraryAt(path, QFileInfo(w.drive).fileName());
    EventInfo event = eventNamed(QStringLiteral("Day 1"));
    event.projects.append(projectNamed(QStringLiteral("Edit")));
    library.events.append(event);
    w.setLibraries({library});

    const QStringList titles{"Open in Final Cut Pro", "Open Enclosing Folder", "Reveal in Finder",
                             "Rescan Data", "Free Up Space…"};
    struct Case {
        Mode mode;
        QString row;
    };
    const Case rows[] = {
        {Mode::libraries, path}, {Mode::events, path + "|Day 1"}, {Mode::projects, path + "|Day 1|Edit"}};
    for (const bool plugged : {true, false}) {
        w.recordDrive(plugged);
        for (const Case& c : rows) {
            SCOPED_TRACE(rawValue(c.mode).toStdString() + (plugged ? " online" : " offline"));
            const QList<RowMenu::Entry> entries = TableRowMenu::entries(*w.catalog, c.mode, c.row);
            QStringList shown;
            for (const RowMenu::Entry& entry : entries) {
                shown.append(entry.label);
                EXPECT_EQ(entry.enabled, plugged) << entry.label.toStdString();
            }
            EXPECT_EQ(shown, titles); // never "Find Missing Files…"
            EXPECT_EQ(entries.value(3).separatorBefore, true);
            // A double click opens the library even while its drive is away.
            EXPECT_EQ(TableRowMenu::openTarget(*w.catalog, c.mode, c.row), library);
        }
    }
    // Rows that map to no library: an empty menu and nothing to open.
    for (const std::optional<QString>& row :
         {std::optional<QString>(), std::optional<QString>("/Volumes/Gone/Other.fcpbundle|Day 1"),
          std::optional<QString>(path + ".old|Day 1")}) {
        EXPECT_TRUE(TableRowMenu::entries(*w.catalog, Mode::events, row).isEmpty());
        EXPECT_EQ(TableRowMenu::openTarget(*w.catalog, Mode::events, row), std::nullopt);
    }
}

// A library's plug-in section as plain logic: its rows, summary line, how many rows show, and
// the lines of an opened pack.

#include "Plugins/PluginPanel.h"

#include "Tests/Plugins/PluginMachine.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace pellimor;
using test::PluginMachine;

namespace {

LibraryInfo libraryOf(const QList<std::optional<QList<PluginUse>>>& projects) {
    LibraryInfo l;
    l.name = QStringLiteral("Wedding");
    l.path = QStringLiteral("/Wedding.fcpbundle");
    EventInfo e;
    e.name = QStringLiteral("Day");
    for (qsizetype i = 0; i < projects.size(); ++i) {
        ProjectInfo p;
        p.name = QStringLiteral("Cut %1").arg(i + 1);
        p.plugins = projects[i];
        e.projects.append(p);
    }
    l.events.append(e);
    return l;
}

PluginUse use(const QString& pack, const QString& name, const QString& id, qint64 count = 1,
              const QString& kind = QStringLiteral("Title")) {
    return PluginUse{kind, pack, name, id, count};
}

QString missingId(const QString& item) {
    return QStringLiteral("~/Titles.localized/Gone/%1.moti").arg(item);
}

QString fx(int n) {
    return QStringLiteral("FxPlug:%1-2222-4222-8222-222222222222").arg(n, 8, 10, QLatin1Char('0'));
}

QStringList packs(const PluginPanel::Content& c) {
    QStringList list;
    for (const PluginPanel::Row& row : c.rows)
        list.append(row.summary.pack + QLatin1Char('/') + row.summary.kind);
    return list;
}

} // namespace

TEST(PluginPanelTest, SummaryLines) {
    PluginMachine machine;
    const QString here = QDir(machine.root).filePath(QStringLiteral("Here.bundle"));
    QDir().mkpath(here);

    // One project never read: only the title and the not-read line, whatever else is listed.
    PluginPanel::Content c = PluginPanel::content(
        libraryOf({std::nullopt, QList<PluginUse>{use("P", "x", missingId("x"))}}), packHealth);
    EXPECT_TRUE(c.notRead);
    EXPECT_EQ(PluginPanel::summary(c),
              (PluginPanel::Line{"Not read yet \u2014 use Scan \u25b8 Refresh Watched Folders.",
                                 PluginTone::secondary}));

    c = PluginPanel::content(libraryOf({QList<PluginUse>{}, QList<PluginUse>{}}), packHealth);
    EXPECT_FALSE(c.notRead);
    EXPECT_EQ(PluginPanel::summary(c).text, "This library uses no third-party effects.");

    c = PluginPanel::content(libraryOf({QList<PluginUse>{use("A", "x", here), use("B", "y", fx(1))}}),
                             packHealth);
    EXPECT_EQ(PluginPanel::summary(c),
              (PluginPanel::Line{"2 packs, all found on this Mac.", PluginTone::secondary}));

    c = PluginPanel::content(
        libraryOf({QList<PluginUse>{use("A", "x", here), use("B", "y", missingId("y"))}}), packHealth);
    EXPECT_EQ(c.problems, 1);
    EXPECT_EQ(
        PluginPanel::summary(c),
        (PluginPanel::Line{"1 of 2 packs have missing items on this Mac \u2014 projects using them can show "
                           "an error.",
                           PluginTone::red}));
}

TEST(PluginPanelTest, RowsShownAndTheToggle) {
    struct Case {
        qsizetype rows;
        bool showAll;
        qsizetype shown;
        std::optional<QString> toggle;
    };
    const Case cases[] = {
        {8, false, 8, std::nullopt},
        {9, false, 8, QStringLiteral("Show all 9")},
        {9, true, 9, QStringLiteral("Show fewer")},
        {0, false, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        EXPECT_EQ(PluginPanel::shownRows(c.rows, c.showAll), c.shown);
        EXPECT_EQ(PluginPanel::toggleTitle(c.rows, c.showAll), c.toggle);
    }
    EXPECT_EQ(PluginPanel::rowTip(true), "Hide the details");
    EXPECT_EQ(PluginPanel::rowTip(false),
              "Show which items are used, which are missing, and in which projects");
}

TEST(PluginPanelTest, OrderMostUrgentFirstThenByName) {
    PluginMachine machine;
    const QString here = QDir(machine.root).filePath(QStringLiteral("Here.bundle"));
    QDir().mkpath(here);
    const QList<PluginUse> uses{
        use("Pack 10", "a", here),
        use("Unsure", "a", fx(1)),
        use("Pack 2", "a", here),
        use("Half", "a", here),
        use("Half", "b", missingId("b")),
        use("Gone", "a", missingId("a")),
        // One name under two kinds: two rows.
        use("Pack 2", "a", here, 1, QStringLiteral("Effect")),
    };
    const PluginPanel::Content c = PluginPanel::content(libraryOf({uses}), packHealth);
    EXPECT_EQ(packs(c), (QStringList{"Gone/Title", "Half/Title", "Unsure/Title", "Pack 2/Effect",
                                     "Pack 2/Title", "Pack 10/Title"}));
    EXPECT_EQ(c.rows[3].summary.id(), "Effect|Pack 2");
    EXPECT_NE(c.rows[3].summary.id(), c.rows[4].summary.id());
}

TEST(PluginPanelTest, DetailLines) {
    PluginMachine machine;
    const QString here = QDir(machine.root).filePath(QStringLiteral("Here.bundle"));
    QDir().mkpath(here);
    const auto row = [](const PackSummary& summary) {
        return PluginPanel::Row{summary, packHealth(summary)};
    };
    const auto summaryOf = [](int missing, int installedItems, int places, const QString& installed) {
        PackSummary s;
        s.kind = QStringLiteral("Title");
        s.pack = QStringLiteral("Pack");
        for (int i = 0; i < missing; ++i) {
            const QString name = QStringLiteral("M%1").arg(i);
            s.ids.insert(missingId(name));
            s.idNames.insert(missingId(name), name);
            s.items.insert(name, i + 1);
        }
        for (int i = 0; i < installedItems; ++i) {
            s.ids.insert(installed);
            s.items.insert(QStringLiteral("I%1").arg(i), 2);
        }
        for (int i = 0; i < places; ++i)
            s.projects.insert(QStringLiteral("Day / Cut %1").arg(i + 1));
        return s;
    };

    // Missing pack, red: 7 missing names give six and an ellipsis; 6 places give five and one.
    QList<PluginPanel::Line> lines = PluginPanel::details(row(summaryOf(7, 0, 6, here)));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0],
              (PluginPanel::Line{"Not installed on this Mac. Projects that use it will show it as missing.",
                                 PluginTone::red}));
    EXPECT_EQ(lines[1],
              (PluginPanel::Line{"Missing 7 of 7: M0, M1, M2, M3, M4, M5 \u2026", PluginTone::red}));
    // More than six items: six, no ellipsis.
    EXPECT_EQ(lines[2],
              (PluginPanel::Line{"Used: M0 \u00d71, M1 \u00d72, M2 \u00d73, M3 \u00d74, M4 \u00d75, "
                                 "M5 \u00d76",
                                 PluginTone::secondary}));
    EXPECT_EQ(lines[3].text, "In: Day / Cut 1, Day / Cut 2, Day / Cut 3, Day / Cut 4, Day / Cut 5 \u2026");

    // Partial pack, orange: 6 missing and 5 places, no ellipsis.
    lines = PluginPanel::details(row(summaryOf(6, 1, 5, here)));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], (PluginPanel::Line{"Installed, but some of the items these projects use are missing.",
                                           PluginTone::orange}));
    EXPECT_EQ(lines[1], (PluginPanel::Line{"Missing 6 of 7: M0, M1, M2, M3, M4, M5", PluginTone::orange}));
    EXPECT_EQ(lines[3].text, "In: Day / Cut 1, Day / Cut 2, Day / Cut 3, Day / Cut 4, Day / Cut 5");

    // Installed and unverified: their status line, no missing line.
    lines = PluginPanel::details(row(summaryOf(0, 1, 1, here)));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], (PluginPanel::Line{"Installed on this Mac.", PluginTone::secondary}));
    EXPECT_EQ(lines[1].text, "Used: I0 \u00d72");
    lines = PluginPanel::details(row(summaryOf(0, 1, 1, fx(3))));
    EXPECT_EQ(lines[0].text, "Tovlin can't tell whether this is installed.");
    EXPECT_EQ(PluginPanel::placesText(summaryOf(0, 0, 3, here)), "3 proj");
}

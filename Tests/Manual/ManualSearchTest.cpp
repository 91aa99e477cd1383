#include "Manual/ManualSearch.h"

#include "Manual/ManualDoc.h"
#include "Tests/Support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

QStringList titles(const QList<ManualSection>& sections) {
    QStringList list;
    for (const ManualSection& section : sections)
        list.append(section.title);
    return list;
}

QStringList ids(const QList<ManualSection>& sections) {
    QStringList list;
    for (const ManualSection& section : sections)
        list.append(section.id);
    return list;
}

ManualSection section(const QString& title, const QString& text) {
    return {title.toLower(), title, text};
}

} // namespace

TEST(ManualSearch, SectionsAreCutAtLevelTwoAndThreeHeadingsOnly) {
    struct Case {
        const char* what;
        const char* markdown;
        QList<ManualSection> sections;
    };
    const Case cases[] = {
        {"a level-3 section under a level-2 one",
         "## A\ntext a\n### B\ntext b\n",
         {{"a", "A", "text a"}, {"b", "A \u2014 B", "text b"}}},
        {"a level-3 heading before any level 2", "### B\ntext\n", {{"b", "B", "text"}}},
        {"a level-3 heading of its level-2 heading's text",
         "## Same\n### Same\ntext\n",
         {{"same", "Same", "text"}}},
        {"a level-2 heading with nothing of its own", "## A\n### B\ntext\n", {{"b", "A \u2014 B", "text"}}},
        {"text before the first heading makes none", "# Manual\nintro\n## A\ntext\n", {{"a", "A", "text"}}},
        {"indented and level-1 headings are text",
         "## A\n  ## Not\n# Nor\n#### Deep\n",
         {{"a", "A", "## Not\n# Nor\n#### Deep"}}},
        {"pictures and rules are left out, a rule with a blank stays",
         "## A\n![x](y.png)\n---\n--- \ntext\n",
         {{"a", "A", "--- \ntext"}}},
        {"text is trimmed at both ends", "## A\n\n  text  \n\n", {{"a", "A", "text"}}},
        {"marks stay in titles and text",
         "## The **Scan** menu\nUse `x`.\n",
         {{"the-scan-menu", "The **Scan** menu", "Use `x`."}}},
        {"no heading, no sections", "just text\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ManualSearch::sections(QString::fromUtf8(c.markdown)), c.sections) << c.what;
}

TEST(ManualSearch, KeysAreTheQuestionsTellingWords) {
    struct Case {
        const char* question;
        QStringList keys;
    };
    const Case cases[] = {
        {"How do I delete proxy files?", {"delete", "proxy", "files"}},
        {"Which libraries are on my backup drive", {"librar", "backup", "drive"}},
        {"plug-ins", {"plug", "ins"}},
        {"THE Proxy, proxy", {"proxy", "proxy"}},
        {"what is it", {}},
        {"", {}},
        {"?!... --- ,,,", {}},
        {"Tovlin tovlin TOVLIN", {}},
        {"Caf\u00E9s \u00FCber", {"caf\u00E9s", "\u00FCber"}},
        {"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301", {"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"}},
        {"r\u00E9sum\u00E9 1080p", {"r\u00E9sum\u00E9", "1080p"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ManualSearch::keys(QString::fromUtf8(c.question)), c.keys) << c.question;
}

TEST(ManualSearch, TheScoreWeighsTitlesAndCapsTheText) {
    const ManualSection proxies =
        section(QStringLiteral("Proxy files"), QStringLiteral("proxy ").repeated(10).trimmed());
    EXPECT_EQ(ManualSearch::score(proxies, ManualSearch::keys(QStringLiteral("THE Proxy, proxy"))), 56)
        << "(8 + 6 + 8 + 6) x 2";

    const ManualSection many = section(QStringLiteral("One"), QStringLiteral("render ").repeated(100));
    const ManualSection six = section(QStringLiteral("Two"), QStringLiteral("render ").repeated(6));
    EXPECT_EQ(ManualSearch::score(many, {"render"}), ManualSearch::score(six, {"render"}));
    EXPECT_EQ(ManualSearch::score(six, {"render"}), 6);

    const ManualSection overlap = section(QStringLiteral("x"), QStringLiteral("aaaa"));
    EXPECT_EQ(ManualSearch::score(overlap, {"aa"}), 2) << "occurrences do not overlap";
    EXPECT_EQ(ManualSearch::score(section(QStringLiteral("Workspace"), QString()), {"space"}), 8)
        << "a key counts inside a longer word";
    EXPECT_EQ(ManualSearch::score(six, {"render", "missing"}), 6) << "one key hit of two";
    EXPECT_EQ(ManualSearch::score(six, {"nothing"}), 0);
}

TEST(ManualSearch, BestRanksStablyAndFallsBackWithoutKeys) {
    const QList<ManualSection> all = {
        section(QStringLiteral("What Tovlin does"), QStringLiteral("It finds libraries.")),
        section(QStringLiteral("Drives"), QStringLiteral("A drive holds libraries.")),
        section(QStringLiteral("What Tovlin does \u2014 Remembers"), QStringLiteral("The catalogue.")),
        section(QStringLiteral("Backups"), QStringLiteral("A drive for backup copies.")),
        section(QStringLiteral("Ejecting"), QStringLiteral("A drive is ejected.")),
        section(QStringLiteral("What Tovlin does not do"), QStringLiteral("Nothing opens.")),
    };
    EXPECT_EQ(titles(ManualSearch::best(QStringLiteral("drive"), all, 4)),
              (QStringList{"Drives", "Backups", "Ejecting"}))
        << "the title first, then equal scores in manual order";
    EXPECT_EQ(titles(ManualSearch::best(QStringLiteral("backup drive"), all, 1)), (QStringList{"Backups"}));
    EXPECT_EQ(titles(ManualSearch::best(QStringLiteral("what is it"), all, 2)),
              (QStringList{"What Tovlin does", "What Tovlin does \u2014 Remembers"}));
    EXPECT_EQ(titles(ManualSearch::best(QString(), all, 4)).size(), 3);
    EXPECT_TRUE(ManualSearch::best(QStringLiteral("drive"), all, 0).isEmpty());
    EXPECT_TRUE(ManualSearch::best(QStringLiteral("what"), all, 0).isEmpty());
    EXPECT_TRUE(ManualSearch::best(QStringLiteral("zzzz qqqq"), all, 4).isEmpty());
}

TEST(ManualSearch, TheRealManualAnswersItsSixQuestions) {
    const std::optional<QString> manual = ManualDoc::manual.text();
    ASSERT_TRUE(manual);
    const QList<ManualSection> all = ManualSearch::sections(*manual);
    EXPECT_GT(all.size(), 25);
    EXPECT_TRUE(ids(ManualSearch::best(QStringLiteral("which copy of a library is newer"), all, 3))
                    .contains("compare"));
    QStringList lines;
    EXPECT_TRUE(ManualSearch::selfTest([&](const QString& line) { lines.append(line); }));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.first(), "  ok    \"how do I delete proxy files to free up space\" \u2192 free-up-space");
    EXPECT_EQ(lines.last(), "ASK-THE-MANUAL CHECKS PASSED");
}

TEST(ManualSearch, TheSelfTestSaysWhatItMissed) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("search-manual"));
    {
        ManualDoc::ScopedPlaces nowhere({QString(), folder});
        QStringList lines;
        EXPECT_FALSE(ManualSearch::selfTest([&](const QString& line) { lines.append(line); }));
        EXPECT_EQ(lines, QStringList{"  FAIL  manual not found"});
    }

    // A small manual: one question finds its section, the others nothing, and it is too short.
    QFile file(folder + "/MANUAL.md");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("## Compare\nWhich copy of a library is newer.\n## Other\nproxy files\n");
    file.close();
    ManualDoc::ScopedPlaces small({QString(), folder});
    QStringList lines;
    EXPECT_FALSE(ManualSearch::selfTest([&](const QString& line) { lines.append(line); }));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.at(0), "  FAIL  \"how do I delete proxy files to free up space\" \u2192 other  (wanted "
                           "free-up-space in the first three, got [\"other\"])");
    EXPECT_EQ(lines.at(2), "  FAIL  \"what can Tovlin do\" \u2192 nothing  (wanted "
                           "finds-and-remembers-every-library in the first three, got [])");
    EXPECT_EQ(lines.at(3), "  ok    \"which copy of a library is newer\" \u2192 compare");
    EXPECT_EQ(lines.at(6), "ASK-THE-MANUAL CHECKS FAILED");
}

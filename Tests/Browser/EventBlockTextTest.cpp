#include "Browser/EventBlockText.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"
#include "Tests/Support/PinnedLocale.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

QMap<QString, qint64> counted(int how, qint64 first = 100) {
    QMap<QString, qint64> counts;
    for (int i = 0; i < how; ++i)
        counts.insert(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')), first - i);
    return counts;
}

ProjectInfo project(const QString& name) {
    ProjectInfo p;
    p.name = name;
    return p;
}

class EventBlockTextTest : public ::testing::Test {
protected:
private:
    const test::PinnedLocale m_locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

} // namespace

TEST_F(EventBlockTextTest, keywordsLineShowsTheTenMostUsed) {
    struct Case {
        const char* what;
        std::optional<QMap<QString, qint64>> keywords;
        std::optional<QString> line;
    };
    const Case cases[] = {
        {"none", std::nullopt, std::nullopt},
        {"empty", QMap<QString, qint64>{}, std::nullopt},
        {"exactly ten", counted(10), "k00, k01, k02, k03, k04, k05, k06, k07, k08, k09"},
        {"twelve", counted(12), "k00, k01, k02, k03, k04, k05, k06, k07, k08, k09 … +2 more"},
        // Most used first; equal counts by code point, upper case before lower and "é" after "z".
        {"ties",
         QMap<QString, qint64>{{"beach", 2}, {"Beach", 2}, {"zoo", 2}, {"été", 2}, {"sunset", 9}, {"a", 1}},
         "sunset, Beach, beach, zoo, été, a"},
        // A character beyond U+FFFF sorts after U+FFxx by code point, not before it as UTF-16 would.
        {"beyond the basic plane", QMap<QString, qint64>{{"\U0001F600", 1}, {"\uFF21", 1}},
         "\uFF21, \U0001F600"},
    };
    for (const Case& c : cases) {
        EventInfo e;
        e.name = "E";
        e.keywords = c.keywords;
        EXPECT_EQ(EventBlockText::keywordsLine(e), c.line) << c.what;
    }
}

TEST_F(EventBlockTextTest, summaryNamesSizeCountAndTheThreeCommonestFormats) {
    EventInfo e;
    e.name = "Day 1";
    e.originalSize = 4'000'000;
    e.proxySize = 200'000;
    e.mediaFileCount = 31;
    struct Case {
        const char* what;
        QMap<QString, qint64> extensions;
        QString formats;
    };
    const Case cases[] = {
        {"none", {}, ""},
        {"one", {{"mov", 12}}, " · MOV 12"},
        {"five", {{"mov", 12}, {"wav", 1}, {"jpg", 3}, {"mp4", 2}, {"aif", 1}}, " · MOV 12, JPG 3, MP4 2"},
        {"ties by code point", {{"wav", 2}, {"aac", 2}, {"MXF", 2}, {"mov", 2}}, " · MXF 2, AAC 2, MOV 2"},
    };
    for (const Case& c : cases) {
        e.extensions = c.extensions;
        EXPECT_EQ(EventBlockText::formats(e), c.formats) << c.what;
        EXPECT_EQ(EventBlockText::summary(e), ByteCount::file(4'200'000) + " · 31 media files" + c.formats)
            << c.what;
    }

    EXPECT_EQ(EventBlockText::missingLine(e), std::nullopt);
    e.brokenLinkCount = 4;
    EXPECT_EQ(EventBlockText::missingLine(e), "4 linked files missing");
}

TEST_F(EventBlockTextTest, projectDetailsJoinWhatApplies) {
    const QDateTime spring(QDate(2025, 4, 2), QTime(10, 0), Qt::UTC);
    struct Case {
        const char* what;
        std::function<void(ProjectInfo&)> shape;
        QString details;
    };
    const Case cases[] = {
        {"nothing known", {}, ""},
        {"everything",
         [&](ProjectInfo& p) {
             p.duration = 75;
             p.format = "1080p HD 25p";
             p.modified = spring;
             p.clipCount = 1;
             p.transitionCount = 4;
             p.keywordMarkers = 3;
             p.favoriteMarkers = 1;
             p.hasAudio = false;
         },
         "1:15 · 1080p HD 25p · edited " + Fmt::date(spring) +
             " · 1 clips · 4 transitions · 3 keywords, 1 favourites · no audio"},
        {"edited at 1970", [](ProjectInfo& p) { p.modified = QDateTime::fromSecsSinceEpoch(0, Qt::UTC); },
         "edited —"},
        {"keywords without favourites", [](ProjectInfo& p) { p.keywordMarkers = 3; },
         "3 keywords, 0 favourites"},
        {"favourites without keywords", [](ProjectInfo& p) { p.favoriteMarkers = 2; },
         "0 keywords, 2 favourites"},
        {"audio", [](ProjectInfo& p) { p.hasAudio = true; }, ""},
        {"no audio", [](ProjectInfo& p) { p.hasAudio = false; }, "no audio"},
        {"zero counts",
         [](ProjectInfo& p) {
             p.clipCount = 0;
             p.transitionCount = 0;
         },
         ""},
        // Damaged counts: their sum would overflow; it counts as large, not negative.
        {"huge markers",
         [](ProjectInfo& p) {
             p.keywordMarkers = std::numeric_limits<qint64>::max();
             p.favoriteMarkers = std::numeric_limits<qint64>::max();
         },
         "9223372036854775807 keywords, 9223372036854775807 favourites"},
    };
    for (const Case& c : cases) {
        ProjectInfo p = project("Cut");
        if (c.shape)
            c.shape(p);
        EXPECT_EQ(EventBlockText::details(p), c.details) << c.what;
    }
}

TEST_F(EventBlockTextTest, snapshotsShowTheCamera) {
    for (const char* name : {"Snapshot 1", "Main SNAPSHOT", "my snapshot"})
        EXPECT_EQ(EventBlockText::symbol(project(name)), "camera.on.rectangle") << name;
    for (const char* name : {"Main Edit", "Snap shot", ""})
        EXPECT_EQ(EventBlockText::symbol(project(name)), "film") << name;
}

TEST_F(EventBlockTextTest, theFocusNamesOneProjectOfOneEvent) {
    const ProjectInfo cut = project("Cut");
    const ProjectInfo c = project("C");
    const ProjectInfo bc = project("B|C");
    struct Case {
        const char* what;
        std::optional<ProjectFocus> focus;
        QString event;
        const ProjectInfo& project;
        bool focused;
    };
    const Case cases[] = {
        {"its own event", ProjectFocus{"Day 1", "Cut"}, "Day 1", cut, true},
        {"the same name in another event", ProjectFocus{"Day 1", "Cut"}, "Day 2", cut, false},
        {"no focus", std::nullopt, "Day 1", cut, false},
        // "A|B" + "C" and "A" + "B|C" would both read "A|B|C" joined: the pair tells them apart.
        {"event A|B, project C", ProjectFocus{"A|B", "C"}, "A|B", c, true},
        {"event A, project B|C, focus on A|B + C", ProjectFocus{"A|B", "C"}, "A", bc, false},
        {"event A, project B|C", ProjectFocus{"A", "B|C"}, "A", bc, true},
        {"event A|B, project C, focus on A + B|C", ProjectFocus{"A", "B|C"}, "A|B", c, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(EventBlockText::isFocused(k.focus, k.event, k.project), k.focused) << k.what;
}

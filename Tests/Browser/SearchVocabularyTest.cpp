#include "Browser/SearchArea.h"
#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Browser/SearchScope.h"
#include "Platform/SettingsStore.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/Scopes.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {

SearchHit hit(SearchArea area, const QString& text = QStringLiteral("x")) {
    return {area, text};
}

} // namespace

TEST(SearchQueryParse, SplitsAtWhiteSpaceAndDropsRepeatsIgnoringCase) {
    struct Case {
        QString text;
        QStringList tokens;
        QStringList folded;
    };
    const QList<Case> cases = {
        {QString(), {}, {}},
        {QStringLiteral(" \t\n "), {}, {}},
        {QStringLiteral("  a\tb\nA  "), {"a", "b"}, {"a", "b"}},
        {QStringLiteral("Tree tree TREE bark"), {"Tree", "bark"}, {"tree", "bark"}},
        // Repeats are decided by lower-casing alone: "café" and "cafe" both stay, folding alike.
        {QStringLiteral("Café cafe"), {"Café", "cafe"}, {"cafe", "cafe"}},
        // Unicode white space beyond ASCII separates too (no-break and ideographic spaces).
        {QStringLiteral("one\u00A0two\u3000three\u2028four"),
         {"one", "two", "three", "four"},
         {"one", "two", "three", "four"}},
    };
    for (const Case& c : cases) {
        const SearchQuery query(c.text);
        EXPECT_EQ(query.tokens, c.tokens) << c.text.toStdString();
        EXPECT_EQ(query.folded, c.folded) << c.text.toStdString();
        EXPECT_EQ(query.isActive(), !c.tokens.isEmpty()) << c.text.toStdString();
    }
}

TEST(SearchQueryParse, MatchesEveryOrAnyTermIgnoringCaseAndAccents) {
    const SearchQuery query(QStringLiteral("cafe INTERVIEW"));
    EXPECT_TRUE(query.allIn(QStringLiteral("Café Interview take 2.mov")));
    EXPECT_FALSE(query.allIn(QStringLiteral("Café take 2.mov")));
    EXPECT_TRUE(query.anyIn(QStringLiteral("Café take 2.mov")));
    EXPECT_FALSE(query.anyIn(QStringLiteral("B-roll.mov")));

    const SearchQuery none(QStringLiteral("   "));
    EXPECT_TRUE(none.allIn(QStringLiteral("anything")));
    EXPECT_FALSE(none.anyIn(QStringLiteral("anything")));
}

TEST(SearchQueryHighlight, MarksEveryOccurrenceTermByTerm) {
    struct Case {
        QString query;
        QString text;
        QList<TextSpan> spans;
    };
    const QList<Case> cases = {
        // The search resumes after each occurrence: one "ana", both runs of "na".
        {"ana", "banana", {{1, 3}}},
        {"na", "banana", {{2, 2}, {4, 2}}},
        // A letter that folds to two is marked whole.
        {"ss", QString::fromUtf8("Straße"), {{4, 1}}},
        // A decomposed letter keeps its mark: all five units.
        {"cafe", QString::fromUtf8("Cafe\u0301"), {{0, 5}}},
        // Different terms' spans may overlap and are all kept, in the order of the terms.
        {"ana ban", "banana", {{1, 3}, {0, 3}}},
        {"", "banana", {}},
        {"   ", "banana", {}},
        {"x", "banana", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchQuery(c.query).highlight(c.text), c.spans)
            << c.query.toStdString() << " in " << c.text.toStdString();
}

TEST(SearchQueryParse, KeyJoinsTheTermsWithTheRecordSeparator) {
    EXPECT_EQ(SearchQuery(QStringLiteral(" smith  Interview smith ")).key(),
              QStringLiteral("smith") + QChar(0x1E) + QStringLiteral("Interview"));
    EXPECT_EQ(SearchQuery(QString()).key(), QString());
}

TEST(SearchAreaWords, RawValuesTitlesNounsAndCounts) {
    ASSERT_EQ(allSearchAreas().size(), 13);
    for (const SearchArea area : allSearchAreas())
        EXPECT_EQ(searchAreaFromRawValue(rawValue(area)), area) << rawValue(area).toStdString();
    EXPECT_EQ(allSearchAreas().first(), SearchArea::libraryName);
    EXPECT_EQ(allSearchAreas().last(), SearchArea::fcpVersion);
    EXPECT_EQ(searchAreaFromRawValue(QStringLiteral("Keywords")), std::nullopt);
    EXPECT_EQ(searchAreaFromRawValue(QString()), std::nullopt);

    EXPECT_EQ(rawValue(SearchArea::notesMarkers), QStringLiteral("notesMarkers"));
    EXPECT_EQ(title(SearchArea::cameraFormat), QStringLiteral("Camera and format"));
    EXPECT_EQ(noun(SearchArea::projectName), (SearchAreaNoun{"project", "projects"}));

    struct Case {
        SearchArea area;
        qint64 n;
        QString text;
    };
    const QList<Case> cases = {
        {SearchArea::cameraFormat, 1, "1 camera or format"},
        {SearchArea::cameraFormat, 2, "2 camera and format details"},
        {SearchArea::roles, 0, "0 roles"},
        {SearchArea::notesMarkers, 3, "3 notes and markers"},
        {SearchArea::fcpVersion, 1, "1 FCP version"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(count(c.area, c.n), c.text);
}

TEST(SearchResultReasons, WordEventAndLibraryResultsInAreaOrder) {
    // A term in an event's name and two of its clip names.
    SearchResult::Event named;
    named.hits = {hit(SearchArea::eventName), hit(SearchArea::clipNames), hit(SearchArea::clipNames)};
    EXPECT_EQ(named.reasons(), (QStringList{"event", "2 clip names"}));

    SearchResult::Library withNamed;
    withNamed.events.insert(QStringLiteral("Day 1"), named);
    EXPECT_EQ(withNamed.reasons(), (QStringList{"1 event name", "2 clip names"}));

    // A term only in a project's name: the event has no hits of its own and one project.
    SearchResult::Event holder;
    holder.projects.insert(QStringLiteral("Cut 1"), {hit(SearchArea::projectName)});
    EXPECT_EQ(holder.reasons(), (QStringList{"1 project"}));
    SearchResult::Library withProject;
    withProject.events.insert(QStringLiteral("Day 2"), holder);
    EXPECT_EQ(withProject.reasons(), (QStringList{"1 project"}));

    // Library-level nouns first, then event names, projects, then the events' other areas,
    // summed over events in area order (keywords before roles whatever the hits' order).
    SearchResult::Library mixed;
    mixed.hits = {hit(SearchArea::pathDrive), hit(SearchArea::libraryName), hit(SearchArea::pathDrive)};
    SearchResult::Event a;
    a.hits = {hit(SearchArea::roles), hit(SearchArea::keywords), hit(SearchArea::eventName)};
    a.projects.insert(QStringLiteral("P1"), {hit(SearchArea::keywords)});
    a.projects.insert(QStringLiteral("P2"), {hit(SearchArea::projectName)});
    SearchResult::Event b;
    b.hits = {hit(SearchArea::keywords), hit(SearchArea::keywords)};
    mixed.events.insert(QStringLiteral("A"), a);
    mixed.events.insert(QStringLiteral("B"), b);
    EXPECT_EQ(mixed.eventHitCounts(),
              (QList<QPair<SearchArea, qint64>>{{SearchArea::keywords, 3}, {SearchArea::roles, 1}}));
    EXPECT_EQ(mixed.reasons(), (QStringList{"library name", "path or drive", "1 event name", "2 projects",
                                            "3 keywords", "1 role"}));

    EXPECT_EQ(SearchResult::empty().id, 0);
    EXPECT_TRUE(SearchResult::empty().libraries.isEmpty());
}

TEST(SearchScopeStore, MissingOrForeignValuesCountAsOnAndSaveWritesEveryKey) {
    test::ScopedSettings settings;
    const SearchScope fresh = SearchScope::load();
    EXPECT_TRUE(fresh.all);
    EXPECT_EQ(fresh.areas.size(), 13);

    settings.store->setFlag(QStringLiteral("searchAllFields"), false);
    settings.store->setFlag(QStringLiteral("searchRoles"), false);
    settings.store->setText(QStringLiteral("searchKeywords"), QStringLiteral("no")); // not a flag: on
    const SearchScope loaded = SearchScope::load();
    EXPECT_FALSE(loaded.all);
    EXPECT_EQ(loaded.areas.size(), 12);
    EXPECT_FALSE(loaded.areas.contains(SearchArea::roles));
    EXPECT_TRUE(loaded.areas.contains(SearchArea::keywords));

    EXPECT_EQ(SearchScope::key(SearchArea::libraryName), QStringLiteral("searchLibraryNames"));
    EXPECT_EQ(SearchScope::key(SearchArea::projectName), QStringLiteral("searchProjectNames"));
    EXPECT_EQ(SearchScope::key(SearchArea::fcpVersion), QStringLiteral("searchFcpVersion"));
    EXPECT_EQ(SearchScope::key(SearchArea::notesMarkers), QStringLiteral("searchNotesMarkers"));

    SearchScope narrow;
    narrow.all = false;
    narrow.areas = {SearchArea::keywords};
    narrow.save();
    EXPECT_TRUE(
        settings.store->holds(QStringLiteral("searchAllFields"), platform::SettingsStore::Type::Flag));
    for (const SearchArea area : allSearchAreas())
        EXPECT_TRUE(settings.store->holds(SearchScope::key(area), platform::SettingsStore::Type::Flag));
    EXPECT_EQ(SearchScope::load(), narrow);
}

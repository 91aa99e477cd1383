// The engine against a plain reading of the search rule, on a random catalogue: every text
// compared with TextFold::contains, no corpus, no blob, no bits.

#include "Browser/SearchEngine.h"
#include "Support/TextCompare.h"
#include "Support/TextFold.h"
#include "Tests/Browser/SearchEngineFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <QHash>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace pellimor;
using namespace pellimor::test::search;

namespace {

using Found = QMap<QString, SearchResult::Library>;

struct Row {
    SearchArea area;
    QString text;
};

QStringList sortedTexts(QStringList texts, bool unique) {
    std::sort(texts.begin(), texts.end(), TextCompare::codePointLess);
    if (unique)
        texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

QStringList pluginTexts(const std::optional<QList<PluginUse>>& plugins) {
    QStringList texts;
    for (const PluginUse& use : plugins.value_or(QList<PluginUse>{}))
        texts << use.name << use.pack;
    return sortedTexts(texts, true);
}

void addAll(QList<Row>& rows, SearchArea area, const QStringList& texts) {
    for (const QString& text : texts)
        rows.append({area, text});
}

QList<Row> libraryRows(const LibraryInfo& library) {
    QList<Row> rows{{SearchArea::libraryName, library.name}};
    const QString folder = library.path.left(library.path.lastIndexOf('/'));
    rows.append({SearchArea::pathDrive, folder});
    if (!folder.contains("/" + library.volumeName))
        rows.append({SearchArea::pathDrive, library.volumeName});
    rows.append({SearchArea::pathDrive, library.lastHost.value_or(QString())});
    rows.append({SearchArea::fcpVersion, library.fcpVersion.value_or(QString())});
    return rows;
}

QList<Row> eventRows(const EventInfo& event, const QStringList& media) {
    QList<Row> rows{{SearchArea::eventName, event.name}};
    addAll(rows, SearchArea::keywords, event.keywords.value_or(QMap<QString, qint64>{}).keys());
    addAll(rows, SearchArea::metaTags, event.metaTags.value_or(QStringList{}));
    addAll(rows, SearchArea::notesMarkers, event.notes.value_or(QStringList{}));
    addAll(rows, SearchArea::notesMarkers, event.markerNames.value_or(QStringList{}));
    addAll(rows, SearchArea::clipNames, event.clipNames.value_or(QStringList{}));
    addAll(rows, SearchArea::mediaFiles, media);
    addAll(rows, SearchArea::cameraFormat, event.cameraInfo.value_or(QStringList{}));
    QStringList extensions = event.extensions.keys();
    extensions.removeAll("(none)");
    addAll(rows, SearchArea::cameraFormat, sortedTexts(extensions, false));
    addAll(rows, SearchArea::roles, event.roles.value_or(QStringList{}));
    addAll(rows, SearchArea::pathDrive,
           sortedTexts(event.externalVolumes.value_or(QMap<QString, qint64>{}).keys(), false));
    addAll(rows, SearchArea::plugins, pluginTexts(event.plugins));
    return rows;
}

QList<Row> projectRows(const ProjectInfo& project) {
    QList<Row> rows{{SearchArea::projectName, project.name}};
    addAll(rows, SearchArea::keywords, project.keywords.value_or(QStringList{}));
    addAll(rows, SearchArea::metaTags, project.metaTags.value_or(QStringList{}));
    addAll(rows, SearchArea::notesMarkers, project.markerNames.value_or(QStringList{}));
    rows.append({SearchArea::cameraFormat, project.format.value_or(QString())});
    addAll(rows, SearchArea::plugins, pluginTexts(project.plugins));
    return rows;
}

QList<SearchHit> referenceHits(const QList<Row>& rows, const QList<bool>& covered, const QStringList& terms,
                               const SearchScope& scope) {
    QList<SearchHit> hits;
    for (const Row& row : rows) {
        if (!scope.all && !scope.areas.contains(row.area))
            continue;
        bool holds = false;
        bool every = true;
        for (qsizetype t = 0; t < terms.size(); ++t) {
            if (TextFold::contains(row.text, terms[t]))
                holds = true;
            else if (!covered[t])
                every = false;
        }
        if (holds && every)
            hits.append({row.area, row.text});
    }
    return hits;
}

QList<bool> coverage(const QList<bool>& above, const QString& name, const QStringList& terms) {
    QList<bool> covered = above;
    for (qsizetype t = 0; t < terms.size(); ++t)
        covered[t] = covered[t] || TextFold::contains(name, terms[t]);
    return covered;
}

Found reference(const QList<LibraryInfo>& libraries, const QList<Catalog::MediaEntry2>& media,
                const QStringList& terms, const SearchScope& scope) {
    QHash<QString, QHash<QString, QStringList>> mediaTable;
    for (const Catalog::MediaEntry2& row : media)
        mediaTable[row.libraryID][row.entry.event].append(row.entry.name);
    Found result;
    if (terms.isEmpty())
        return result;
    for (const LibraryInfo& library : libraries) {
        const QList<bool> libraryCover = coverage(QList<bool>(terms.size(), false), library.name, terms);
        SearchResult::Library found;
        found.hits = referenceHits(libraryRows(library), libraryCover, terms, scope);
        for (const EventInfo& event : library.events) {
            const QList<bool> eventCover = coverage(libraryCover, event.name, terms);
            SearchResult::Event eventFound;
            eventFound.hits = referenceHits(
                eventRows(event, mediaTable.value(library.path).value(event.name)), eventCover, terms, scope);
            for (const ProjectInfo& project : event.projects) {
                const QList<SearchHit> hits = referenceHits(
                    projectRows(project), coverage(eventCover, project.name, terms), terms, scope);
                if (!hits.isEmpty())
                    eventFound.projects.insert(project.name, hits);
            }
            if (!eventFound.hits.isEmpty() || !eventFound.projects.isEmpty())
                found.events.insert(event.name, eventFound);
        }
        if (!found.hits.isEmpty() || !found.events.isEmpty())
            result.insert(library.path, found);
    }
    return result;
}

// A random catalogue: accented and decomposed spellings, letters that fold to two, texts
// outside the basic plane, repeats and empty texts, lists present, empty or missing,
// namesake events and projects, a library path twice, media of a library not catalogued.
class RandomCatalogue {
public:
    explicit RandomCatalogue(unsigned seed) : m_random(seed) {
        for (int l = 0; l < 24; ++l)
            libraries.append(makeLibrary(l));
        libraries.append(libraries[3]); // a path twice
        libraries.last().name = text();
        for (int i = 0; i < 400; ++i) {
            const LibraryInfo& owner = libraries[pick(libraries.size())];
            const QString path = pick(20) == 0 ? QStringLiteral("/Volumes/Gone/X.fcpbundle") : owner.path;
            const QString event = owner.events.isEmpty() || pick(8) == 0
                                      ? text()
                                      : owner.events[pick(owner.events.size())].name;
            media.append({path, MediaEntry{text() + ".mov", 1, event}});
        }
    }

    QList<LibraryInfo> libraries;
    QList<Catalog::MediaEntry2> media;

private:
    qsizetype pick(qsizetype n) { return qsizetype(m_random() % quint32(n)); }

    QString text() {
        static const QStringList words = {"café",  "cafe\u0301", "CAFÉ",  "Straße",    "STRASSE",
                                          "ﬁle",   "file",       "Smith", "interview", "beach",
                                          "Ärger", "arger",      "𝄞note", "x",         "",
                                          "Take",  "take",       "Ω",     "ω",         "İstanbul"};
        QStringList parts;
        const qsizetype n = pick(3);
        for (qsizetype i = 0; i <= n; ++i)
            parts.append(words[pick(words.size())]);
        return parts.join(pick(4) == 0 ? "" : " ");
    }

    QStringList texts() {
        QStringList list;
        const qsizetype n = pick(4);
        for (qsizetype i = 0; i < n; ++i)
            list.append(text());
        return list;
    }

    std::optional<QStringList> maybeTexts() {
        if (pick(5) == 0)
            return std::nullopt;
        return texts();
    }

    QMap<QString, qint64> table() {
        QMap<QString, qint64> map;
        for (const QString& key : texts())
            map.insert(key, 1);
        if (pick(3) == 0)
            map.insert("(none)", 2);
        return map;
    }

    std::optional<QList<PluginUse>> plugins() {
        if (pick(4) == 0)
            return std::nullopt;
        QList<PluginUse> uses;
        const qsizetype n = pick(4);
        for (qsizetype i = 0; i < n; ++i)
            uses.append({"Effect", text(), text(), "id", 1});
        return uses;
    }

    ProjectInfo makeProject() {
        ProjectInfo p = project(pick(3) == 0 ? QStringLiteral("Cut") : text());
        p.keywords = maybeTexts();
        p.metaTags = maybeTexts();
        p.markerNames = maybeTexts();
        if (pick(2) == 0)
            p.format = text();
        p.plugins = plugins();
        return p;
    }

    EventInfo makeEvent() {
        EventInfo e = event(pick(3) == 0 ? QStringLiteral("Day") : text());
        if (pick(4) != 0)
            e.keywords = table();
        e.metaTags = maybeTexts();
        e.notes = maybeTexts();
        e.markerNames = maybeTexts();
        e.clipNames = maybeTexts();
        e.cameraInfo = maybeTexts();
        e.extensions = table();
        e.roles = maybeTexts();
        if (pick(4) != 0)
            e.externalVolumes = table();
        e.plugins = plugins();
        const qsizetype projects = pick(3);
        for (qsizetype i = 0; i < projects; ++i)
            e.projects.append(makeProject());
        return e;
    }

    LibraryInfo makeLibrary(int index) {
        static const QStringList volumes = {"Archive", "Macintosh HD", "café", ""};
        const QString volume = volumes[pick(volumes.size())];
        const QString folder =
            (pick(2) == 0 ? "/Volumes/" + volume + "/F" : QStringLiteral("/Users/F")) + text();
        LibraryInfo lib = library(folder + QStringLiteral("/L%1.fcpbundle").arg(index), text(), volume);
        if (pick(2) == 0)
            lib.lastHost = text();
        if (pick(2) == 0)
            lib.fcpVersion = pick(2) == 0 ? QString() : text();
        const qsizetype events = pick(5);
        for (qsizetype i = 0; i < events; ++i)
            lib.events.append(makeEvent());
        return lib;
    }

    std::mt19937 m_random;
};

} // namespace

TEST(SearchEngineDifferential, MatchEqualsAPlainReadingOfTheRule) {
    SearchScope all;
    SearchScope namesOnly;
    namesOnly.all = false;
    namesOnly.areas = {SearchArea::libraryName, SearchArea::eventName, SearchArea::projectName};
    SearchScope textsOnly;
    textsOnly.all = false;
    textsOnly.areas = {SearchArea::keywords, SearchArea::clipNames, SearchArea::mediaFiles,
                       SearchArea::plugins, SearchArea::pathDrive};
    SearchScope none;
    none.all = false;
    none.areas = {};
    const QList<SearchScope> scopes{all, namesOnly, textsOnly, none};
    const QStringList queries = {
        "cafe", "CAFÉ",  "strasse",  "STRASSE file", "smith interview", "beach take", "x",
        "e",    "a e i", "zzqx",     "\u0301",       "take take",       "𝄞",          "ω istanbul",
        "ss",   "é",     "/volumes", "archive café", "(none)",          "mov"};

    qsizetype nonEmpty = 0;
    for (const unsigned seed : {1u, 2u, 3u}) {
        const RandomCatalogue catalogue(seed);
        const SearchEngine::Corpus corpus = SearchEngine::build(catalogue.libraries, catalogue.media);
        for (const QString& text : queries) {
            const SearchQuery query(text);
            for (qsizetype s = 0; s < scopes.size(); ++s) {
                const Found expected =
                    reference(catalogue.libraries, catalogue.media, query.folded, scopes[s]);
                nonEmpty += expected.isEmpty() ? 0 : 1;
                EXPECT_EQ(SearchEngine::match(*corpus, query.folded, scopes[s]), expected)
                    << "seed " << seed << ", query \"" << text.toStdString() << "\", scope " << s;
            }
        }
    }
    // The catalogue is rich enough that most pairs find something.
    EXPECT_GT(nonEmpty, 3 * queries.size() * scopes.size() / 2);
}

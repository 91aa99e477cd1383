// SearchEngine::build: the corpus of one catalogue state.

#include "Browser/SearchEngine.h"
#include "Support/ParallelChunks.h"
#include "Support/TextCompare.h"
#include "Support/TextFold.h"

#include <QHash>
#include <algorithm>
#include <atomic>
#include <limits>
#include <utility>
#include <vector>

namespace pellimor {

namespace {

using MediaIndexes = std::vector<quint32>;

// Per library, the media rows of its path grouped by event name, in media-list order.
// Libraries that share a path share a group.
struct MediaGroups {
    std::vector<qsizetype> groupOfLibrary;
    std::vector<QHash<QString, qsizetype>> listOfEvent; // per group
    std::vector<MediaIndexes> lists;

    MediaGroups(const QList<LibraryInfo>& libraries, const QList<Catalog::MediaEntry2>& media) {
        QHash<QString, qsizetype> groupOfPath;
        groupOfPath.reserve(libraries.size());
        groupOfLibrary.reserve(size_t(libraries.size()));
        for (const LibraryInfo& library : libraries) {
            auto found = groupOfPath.constFind(library.path);
            if (found == groupOfPath.cend()) {
                found = groupOfPath.insert(library.path, qsizetype(listOfEvent.size()));
                listOfEvent.emplace_back();
            }
            groupOfLibrary.push_back(*found);
        }
        // Rows of one library, and of one event, mostly follow each other and share their
        // texts, so the last answers are kept and checked before any look-up.
        const QString* lastPath = nullptr;
        qsizetype lastGroup = -1;
        const QString* lastEvent = nullptr;
        qsizetype lastList = -1;
        const auto same = [](const QString* known, const QString& text) {
            return known &&
                   (known->constData() == text.constData() ? known->size() == text.size() : *known == text);
        };
        for (qsizetype row = 0; row < media.size(); ++row) {
            const Catalog::MediaEntry2& entry = media.at(row);
            if (!same(lastPath, entry.libraryID)) {
                lastPath = &entry.libraryID;
                lastGroup = groupOfPath.value(entry.libraryID, -1);
                lastEvent = nullptr;
            }
            if (lastGroup < 0)
                continue; // a library the catalogue no longer holds
            if (!same(lastEvent, entry.entry.event)) {
                lastEvent = &entry.entry.event;
                QHash<QString, qsizetype>& byEvent = listOfEvent[size_t(lastGroup)];
                auto found = byEvent.constFind(entry.entry.event);
                if (found == byEvent.cend()) {
                    found = byEvent.insert(entry.entry.event, qsizetype(lists.size()));
                    lists.emplace_back();
                }
                lastList = *found;
            }
            lists[size_t(lastList)].push_back(quint32(row));
        }
    }

    const MediaIndexes* of(qsizetype library, const QString& event) const {
        const QHash<QString, qsizetype>& byEvent = listOfEvent[size_t(groupOfLibrary[size_t(library)])];
        const auto found = byEvent.constFind(event);
        return found == byEvent.cend() ? nullptr : &lists[size_t(*found)];
    }
};

// The folder that holds a library: its path without the last component, trailing slashes
// ignored ("/Volumes/Archive/Films/A.fcpbundle" gives "/Volumes/Archive/Films", "/A" gives
// "/"); nothing for a path without a slash.
QString parentFolder(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == u'/')
        --end;
    qsizetype slash = path.lastIndexOf(u'/', end - 1);
    if (slash < 0)
        return {};
    while (slash > 0 && path.at(slash - 1) == u'/')
        --slash;
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

bool pointedLess(const QString* a, const QString* b) {
    return TextCompare::codePointLess(*a, *b);
}

// The texts sorted in code-point order; equal texts once when `unique`.
std::vector<const QString*> sorted(std::vector<const QString*> texts, bool unique) {
    std::sort(texts.begin(), texts.end(), pointedLess);
    if (unique)
        texts.erase(std::unique(texts.begin(), texts.end(),
                                [](const QString* a, const QString* b) { return *a == *b; }),
                    texts.end());
    return texts;
}

template <typename Map> std::vector<const QString*> keysOf(const Map& map) {
    std::vector<const QString*> keys;
    keys.reserve(size_t(map.size()));
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        keys.push_back(&it.key());
    return keys;
}

std::vector<const QString*> pluginTexts(const std::optional<QList<PluginUse>>& plugins) {
    std::vector<const QString*> texts;
    if (plugins) {
        for (const PluginUse& use : *plugins) {
            texts.push_back(&use.name);
            texts.push_back(&use.pack);
        }
    }
    return sorted(std::move(texts), true);
}

// Fills one corpus library. The scratch buffers are the piece's own and only grow; every
// stored list is copied out at its exact size, as the corpus lives long and is large.
class LibraryWriter {
public:
    struct Scratch {
        QByteArray blob;
        std::vector<quint32> starts;
        std::vector<const QString*> texts;
        std::vector<quint8> areas;
    };

    LibraryWriter(SearchCorpus::Library& out, Scratch& scratch) : m_out(out), m_s(scratch) {
        m_s.blob.truncate(0);
        m_s.starts.clear();
        m_s.texts.clear();
        m_s.areas.clear();
    }

    void add(SearchArea area, const QString& text) {
        // Nothing empty is indexed. Offsets are 32-bit: a library of more than 4 GB of text
        // keeps what fits.
        if (text.isEmpty() || m_full)
            return;
        const qsizetype start = m_s.blob.size();
        TextFold::appendFoldedUtf8(text, m_s.blob);
        m_s.blob.append('\n');
        if (m_s.blob.size() > qsizetype(std::numeric_limits<quint32>::max())) {
            m_s.blob.truncate(start);
            m_full = true;
            return;
        }
        m_s.starts.push_back(quint32(start));
        m_s.texts.push_back(&text);
        m_s.areas.push_back(quint8(area));
    }
    void add(SearchArea area, const std::optional<QString>& text) {
        if (text)
            add(area, *text);
    }
    void add(SearchArea area, const std::optional<QList<QString>>& texts) {
        if (texts) {
            for (const QString& text : *texts)
                add(area, text);
        }
    }
    void add(SearchArea area, const std::vector<const QString*>& texts) {
        for (const QString* text : texts)
            add(area, *text);
    }

    quint32 position() const { return quint32(m_s.texts.size()); }
    SearchCorpus::Items itemsFrom(quint32 first, const QString& name) const {
        return {first, position() - first, !name.isEmpty() && position() > first};
    }

    void finish() {
        m_s.starts.push_back(quint32(m_s.blob.size()));
        m_out.blob = QByteArray(m_s.blob.constData(), m_s.blob.size());
        m_out.starts.assign(m_s.starts.cbegin(), m_s.starts.cend());
        m_out.texts.assign(m_s.texts.cbegin(), m_s.texts.cend());
        m_out.areas.assign(m_s.areas.cbegin(), m_s.areas.cend());
    }

private:
    SearchCorpus::Library& m_out;
    Scratch& m_s;
    bool m_full = false;
};

void buildProject(const ProjectInfo& project, SearchCorpus::Library& out, LibraryWriter& w) {
    const quint32 first = w.position();
    w.add(SearchArea::projectName, project.name);
    w.add(SearchArea::keywords, project.keywords);
    w.add(SearchArea::metaTags, project.metaTags);
    w.add(SearchArea::notesMarkers, project.markerNames);
    w.add(SearchArea::cameraFormat, project.format);
    w.add(SearchArea::plugins, pluginTexts(project.plugins));
    out.projects.push_back({&project.name, w.itemsFrom(first, project.name)});
}

void buildEvent(const EventInfo& event, const MediaIndexes* media,
                const QList<Catalog::MediaEntry2>& mediaRows, SearchCorpus::Library& out, LibraryWriter& w) {
    const quint32 first = w.position();
    w.add(SearchArea::eventName, event.name);
    if (event.keywords) {
        for (auto it = event.keywords->cbegin(); it != event.keywords->cend(); ++it)
            w.add(SearchArea::keywords, it.key());
    }
    w.add(SearchArea::metaTags, event.metaTags);
    w.add(SearchArea::notesMarkers, event.notes);
    w.add(SearchArea::notesMarkers, event.markerNames);
    w.add(SearchArea::clipNames, event.clipNames);
    if (media) {
        for (const quint32 row : *media)
            w.add(SearchArea::mediaFiles, mediaRows.at(row).entry.name);
    }
    w.add(SearchArea::cameraFormat, event.cameraInfo);
    std::vector<const QString*> extensions = keysOf(event.extensions);
    std::erase_if(extensions, [](const QString* key) { return *key == QLatin1String("(none)"); });
    w.add(SearchArea::cameraFormat, sorted(std::move(extensions), false));
    w.add(SearchArea::roles, event.roles);
    if (event.externalVolumes)
        w.add(SearchArea::pathDrive, sorted(keysOf(*event.externalVolumes), false));
    w.add(SearchArea::plugins, pluginTexts(event.plugins));

    SearchCorpus::Event record{&event.name, w.itemsFrom(first, event.name), quint32(out.projects.size()), 0};
    for (const ProjectInfo& project : event.projects)
        buildProject(project, out, w);
    record.projectCount = quint32(out.projects.size()) - record.firstProject;
    out.events.push_back(record);
}

// The library's own items in the order they are indexed, the empty ones left out: its name,
// the folder that holds it (`folder`, which the corpus keeps), its volume unless the folder's
// path shows it, the computer that last had it open and the version that saved it. One list,
// so a library kept from an earlier corpus is re-pointed at exactly what a fresh build indexes.
std::vector<std::pair<SearchArea, const QString*>> libraryItems(const LibraryInfo& library,
                                                                const QString& folder) {
    std::vector<std::pair<SearchArea, const QString*>> items;
    const auto add = [&](SearchArea area, const QString* text) {
        if (text && !text->isEmpty())
            items.emplace_back(area, text);
    };
    add(SearchArea::libraryName, &library.name);
    add(SearchArea::pathDrive, &folder);
    // A volume already visible in the folder's path is not repeated.
    if (!folder.contains(QLatin1Char('/') + library.volumeName))
        add(SearchArea::pathDrive, &library.volumeName);
    add(SearchArea::pathDrive, library.lastHost ? &*library.lastHost : nullptr);
    add(SearchArea::fcpVersion, library.fcpVersion ? &*library.fcpVersion : nullptr);
    return items;
}

void buildLibrary(const LibraryInfo& library, qsizetype index, const MediaGroups& groups,
                  const QList<Catalog::MediaEntry2>& mediaRows, SearchCorpus::Library& out,
                  LibraryWriter::Scratch& scratch) {
    LibraryWriter w(out, scratch);
    out.path = &library.path;
    out.source = &library;
    out.derived = QStringList{parentFolder(library.path)};
    for (const auto& [area, text] : libraryItems(library, std::as_const(out.derived).constFirst()))
        w.add(area, *text);
    out.items = w.itemsFrom(0, library.name);

    out.events.reserve(size_t(library.events.size()));
    for (const EventInfo& event : library.events)
        buildEvent(event, groups.of(index, event.name), mediaRows, out, w);
    w.finish();
}

// The entry `kept` of an earlier corpus serves `library` unchanged when the library's record
// is that entry's own: the same path and own texts, and the very events it was folded from (one
// shared list, so every event, project and media text it points to is still where it was).
// The copy points at `library` for its own items; true when it could be made.
bool keepLibrary(const SearchCorpus::Library& kept, const LibraryInfo& library, SearchCorpus::Library& out) {
    const LibraryInfo* was = kept.source;
    if (!was || was->path != library.path || was->name != library.name ||
        was->volumeName != library.volumeName || was->lastHost != library.lastHost ||
        was->fcpVersion != library.fcpVersion || was->events.size() != library.events.size() ||
        was->events.constData() != library.events.constData() || kept.derived.isEmpty())
        return false;
    out = kept;
    out.path = &library.path;
    out.source = &library;
    const std::vector<std::pair<SearchArea, const QString*>> items =
        libraryItems(library, std::as_const(out.derived).constFirst());
    if (qsizetype(items.size()) != qsizetype(out.items.count) || out.items.first != 0)
        return false;
    for (size_t i = 0; i < items.size(); ++i)
        out.texts[i] = items[i].second;
    return true;
}

} // namespace

SearchEngine::Corpus SearchEngine::build(QList<LibraryInfo> libraries, QList<Catalog::MediaEntry2> media) {
    return update(nullptr, std::move(libraries), std::move(media));
}

SearchEngine::Corpus SearchEngine::update(const Corpus& previous, QList<LibraryInfo> libraries,
                                          QList<Catalog::MediaEntry2> media, qsizetype* folded) {
    auto corpus = std::make_shared<SearchCorpus>();
    corpus->sourceLibraries = std::move(libraries);
    corpus->sourceMedia = std::move(media);
    // Only const access from here on: the lists share their storage with the catalogue, and
    // the items point into it.
    const QList<LibraryInfo>& sources = std::as_const(corpus->sourceLibraries);
    const QList<Catalog::MediaEntry2>& rows = std::as_const(corpus->sourceMedia);

    // An earlier entry's media texts point into its own rows: it can serve only while those are
    // the very rows of this corpus.
    const bool sameRows = previous && previous->sourceMedia.size() == rows.size() &&
                          std::as_const(previous->sourceMedia).constData() == rows.constData();
    QHash<QString, qsizetype> earlier;
    if (sameRows) {
        earlier.reserve(qsizetype(previous->libraries.size()));
        for (size_t i = 0; i < previous->libraries.size(); ++i)
            if (const QString* path = previous->libraries[i].path)
                earlier.insert(*path, qsizetype(i));
    }

    const MediaGroups groups(sources, rows);
    corpus->libraries.resize(size_t(sources.size()));
    std::atomic<qsizetype> foldedNow{0};
    const qsizetype pieces = std::min<qsizetype>(sources.size(), 256);
    runInChunks(sources.size(), pieces, [&](qsizetype begin, qsizetype end) {
        LibraryWriter::Scratch scratch;
        qsizetype foldedHere = 0;
        for (qsizetype i = begin; i < end; ++i) {
            SearchCorpus::Library& out = corpus->libraries[size_t(i)];
            const LibraryInfo& library = sources.at(i);
            const qsizetype was = sameRows ? earlier.value(library.path, -1) : -1;
            if (was >= 0 && keepLibrary(previous->libraries[size_t(was)], library, out))
                continue;
            out = SearchCorpus::Library();
            buildLibrary(library, i, groups, rows, out, scratch);
            ++foldedHere;
        }
        foldedNow += foldedHere;
    });
    if (folded)
        *folded = foldedNow.load();
    return corpus;
}

} // namespace pellimor

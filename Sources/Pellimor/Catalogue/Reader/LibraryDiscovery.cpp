#include "Catalogue/Reader/LibraryReader.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"
#include "ScanRules/VolumeScanRules.h"
#include "Support/DirectoryListing.h"
#include "Support/WorkPool.h"

#include <QFile>
#include <QHash>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace pellimor::LibraryReader {

namespace {

struct Child {
    QString name;
    QString path;
    bool representable = true; // the name survives the trip through text and back
};

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The visible sub-folders of `folder` (symbolic links and other kinds of entries left out),
// in byte order so that a walk is the same on every run. `complete` turns false when the
// folder cannot be opened or its listing breaks off. The listing's own word on each entry's
// kind decides, so a folder of files costs one listing and no lookup per file; only an entry
// the file system gives no kind for is looked up.
std::vector<Child> subFolders(const QString& folder, bool& complete) {
    std::vector<Child> children;
    const DirectoryListing listing(QFile::encodeName(folder));
    complete = listing.complete();
    std::vector<const DirectoryListing::Entry*> folders;
    for (const DirectoryListing::Entry& entry : listing.entries()) {
        // Links are never followed, not even to report a library: a link to a folder that
        // is walked anyway would report its libraries twice, and a link loop would never end.
        if (entry.kind == DirectoryListing::Kind::unknown) {
            // An entry that vanished since the listing began is skipped.
            const std::optional<DirectoryListing::Item> item = listing.item(entry.name);
            if (!item || !item->isFolder)
                continue;
        } else if (entry.kind != DirectoryListing::Kind::folder) {
            continue;
        }
        folders.push_back(&entry);
    }
    std::sort(
        folders.begin(), folders.end(),
        [](const DirectoryListing::Entry* a, const DirectoryListing::Entry* b) { return a->name < b->name; });
    children.reserve(folders.size());
    for (const DirectoryListing::Entry* entry : folders)
        children.push_back(
            Child{entry->text, joinPath(folder, entry->text), QFile::encodeName(entry->text) == entry->name});
    return children;
}

// Which folders a walk enters and which it reports, as one set of rules for the walk and for
// whoever lists ahead of it.
struct Rules {
    std::optional<qint64> maxDepth;
    bool skipSafetyNet = true;
    bool skipFCPBackups = true;
};

enum class ChildKind {
    skipped,
    library,
    folder,          // walked in its turn
    unrepresentable, // a library or folder whose name does not survive the trip through text
};

// What a walk makes of `child` of a folder at `level`.
ChildKind kindOf(const Child& child, qint64 level, const Rules& rules) {
    // Another editing application's media cache, which can hold copies of library folders.
    if (child.name == u"CacheClip")
        return ChildKind::skipped;
    if (rules.skipFCPBackups &&
        (child.name == u"Final Cut Backups" || child.name == u"Final Cut Backups.localized"))
        return ChildKind::skipped;
    if (VolumeScanRules::isFinalCutBundle(child.name))
        return child.representable ? ChildKind::library : ChildKind::unrepresentable;
    if (VolumeScanRules::shouldSkipDirectory(child.name, false, rules.skipSafetyNet))
        return ChildKind::skipped;
    if (rules.maxDepth && level + 1 >= *rules.maxDepth)
        return ChildKind::skipped;
    // A name that does not survive the trip through text names a different path when written
    // back, so nothing below it could be read: it is reported instead of walked.
    return child.representable ? ChildKind::folder : ChildKind::unrepresentable;
}

// Folders on the walk's way listed ahead of it. Whenever the walk lists a folder itself, it
// offers the sub-folders it enters after the next one; a helper takes the latest offer (the one
// the walk comes to soonest) and walks that part of the tree in the walk's own order, keeping
// each listing, and offers again what it leaves of a large part. When the walk comes to an
// offered folder, it takes what the helper has listed so far (the helper stops at once), lists
// a folder no helper started itself, and goes on below it from those listings without asking
// anyone. Work changes hands a part of the tree at a time, not a folder at a time: handing over
// one listing would cost about as much as making it. Only complete listings are kept, so a
// folder whose listing failed is listed again by the walk, which reports it as its own.
class ListingsAhead : public std::enable_shared_from_this<ListingsAhead> {
public:
    using Listings = QHash<QString, std::vector<Child>>;

    ListingsAhead(LookAhead lookAhead, Rules rules, std::stop_token stop)
        : m_helpers(lookAhead.helpers), m_mostListed(std::max<qsizetype>(1, lookAhead.mostListed)),
          m_rules(rules), m_stop(std::move(stop)), m_seen(lookAhead.seen) {}

    ListingsAhead(const ListingsAhead&) = delete;
    ListingsAhead& operator=(const ListingsAhead&) = delete;

    // The walk enters `folders` later, the last one first.
    void offer(const std::vector<PendingDir>& folders) {
        if (folders.empty())
            return;
        std::unique_lock lock(m_mutex);
        offerLocked(folders);
        wake(lock);
    }

    // The walk has come to `folder`: what was listed ahead at and below it, none when it was
    // not offered or nobody started it.
    Listings reach(const QString& folder) {
        std::unique_lock lock(m_mutex);
        const auto it = m_parts.find(folder);
        if (it == m_parts.end())
            return {};
        const std::shared_ptr<Part> part = it.value();
        m_parts.erase(it);
        if (part->state == Part::State::offered) {
            part->state = Part::State::claimed;
            // The walk comes to the latest offers first, so what it claims is mostly on top.
            while (!m_offers.empty() && m_offers.back()->state != Part::State::offered)
                m_offers.pop_back();
            return {};
        }
        part->reached.store(true);
        m_changed.wait(lock, [&] { return part->state == Part::State::listed; });
        m_listed -= part->listings.size();
        Listings listings = std::move(part->listings);
        wake(lock);
        return listings;
    }

    // The walk has returned: nothing more is listed for it.
    void close() {
        const std::lock_guard lock(m_mutex);
        m_closed.store(true);
        m_offers.clear();
        m_parts.clear();
    }

private:
    struct Part {
        explicit Part(PendingDir at) : top(std::move(at)) {}
        enum class State { offered, claimed, listing, listed };
        const PendingDir top;
        State state = State::offered;
        std::atomic<bool> reached{false}; // the walk waits for what is listed so far
        Listings listings;                // the helper's alone until the state is listed
    };

    // With the lock held.
    void offerLocked(const std::vector<PendingDir>& folders) {
        for (const PendingDir& folder : folders) {
            if (m_closed.load() || m_parts.contains(folder.path))
                continue;
            const auto part = std::make_shared<Part>(folder);
            m_parts.insert(folder.path, part);
            m_offers.push_back(part);
        }
    }

    // Starts helpers while there are offers for them and room for what they list; releases the
    // lock.
    void wake(std::unique_lock<std::mutex>& lock) {
        int starting = 0;
        if (!stopping())
            while (m_running < m_helpers && qsizetype(m_running) < qsizetype(m_offers.size())) {
                ++m_running;
                ++starting;
            }
        lock.unlock();
        for (; starting > 0; --starting)
            workPool()->start([self = shared_from_this()] { self->work(); });
    }

    // Read without the lock by a helper at every folder.
    bool stopping() const {
        return m_closed.load() || m_stop.stop_requested() || m_listed.load() >= m_mostListed;
    }

    // Parts of the tree, each at most kPartListings folders: what is left of a larger part is
    // offered again, the folder the walk comes to first on top. Between parts a busy pool gets
    // its thread back.
    void work() {
        for (;;) {
            std::unique_lock lock(m_mutex);
            std::shared_ptr<Part> part;
            while (!part && !stopping() && !m_offers.empty()) {
                part = std::move(m_offers.back());
                m_offers.pop_back();
                if (part->state != Part::State::offered)
                    part.reset();
            }
            if (!part) {
                // Another helper starts when there are offers and room again.
                --m_running;
                return;
            }
            part->state = Part::State::listing;
            lock.unlock();

            Listings listings;
            std::vector<PendingDir> stack{part->top};
            while (!stack.empty() && listings.size() < kPartListings && !part->reached.load() &&
                   !stopping()) {
                const PendingDir folder = std::move(stack.back());
                stack.pop_back();
                bool complete = false;
                std::vector<Child> children = subFolders(folder.path, complete);
                if (!complete)
                    continue;
                for (const Child& child : children) {
                    const ChildKind kind = kindOf(child, folder.level, m_rules);
                    if (kind == ChildKind::folder)
                        stack.push_back(PendingDir{child.path, folder.level + 1});
                    else if (kind == ChildKind::library && m_seen)
                        m_seen(child.path);
                }
                listings.insert(folder.path, std::move(children));
                ++m_listed;
            }

            lock.lock();
            // A part the walk has come to is left to it: it is right there, and would only wait.
            if (!part->reached.load())
                offerLocked(stack);
            part->listings = std::move(listings);
            part->state = Part::State::listed;
            m_changed.notify_all();
            lock.unlock();

            if (workPoolIsBusy()) {
                workPool()->start([self = shared_from_this()] { self->work(); });
                return;
            }
        }
    }

    static constexpr qsizetype kPartListings = 64;

    const int m_helpers;
    const qsizetype m_mostListed;
    const Rules m_rules;
    const std::stop_token m_stop;
    const std::function<void(const QString&)> m_seen;
    std::mutex m_mutex; // guards what follows, but for the atomics
    std::condition_variable m_changed;
    QHash<QString, std::shared_ptr<Part>> m_parts; // offered and not reached yet
    std::vector<std::shared_ptr<Part>> m_offers;   // not started, the latest last
    std::atomic<qsizetype> m_listed{0};            // listings kept for the walk, and being made
    int m_running = 0;
    std::atomic<bool> m_closed{false};
};

} // namespace

bool discover(QList<PendingDir>& pending, QStringList& found, std::optional<qint64> maxDepth,
              bool skipSafetyNet, bool skipFCPBackups, const DiscoveryCheckpoint& checkpoint,
              const DiscoveryProgress& onProgress, std::stop_token stop, QStringList* unlisted,
              LookAhead lookAhead) {
    constexpr auto checkpointEvery = std::chrono::seconds(2);
    const Rules rules{maxDepth, skipSafetyNet, skipFCPBackups};
    const std::shared_ptr<ListingsAhead> ahead =
        lookAhead.helpers > 0 ? std::make_shared<ListingsAhead>(lookAhead, rules, stop) : nullptr;
    // What the helpers listed ahead, taken by the walk as it came to their parts of the tree.
    ListingsAhead::Listings listedAhead;
    if (ahead && pending.size() > 1)
        ahead->offer(std::vector<PendingDir>(pending.begin(), pending.end() - 1));

    // Read once: the walk runs on a worker and reads it at every folder.
    const std::shared_ptr<const platform::Clock> clock = platform::services().clock;
    auto lastCheckpoint = clock->monotonic();
    bool complete = true;
    while (!pending.isEmpty()) {
        const PendingDir entry = pending.takeLast();
        if (stop.stop_requested()) {
            // The folder goes back unlisted, so a resumed walk starts exactly here.
            pending.append(entry);
            complete = false;
            break;
        }
        if (onProgress)
            onProgress(entry.path);

        std::optional<std::vector<Child>> children;
        if (ahead) {
            // A folder listed ahead is never on offer as well: only folders nobody has listed are.
            auto it = listedAhead.find(entry.path);
            if (it == listedAhead.end()) {
                ListingsAhead::Listings reached = ahead->reach(entry.path);
                for (auto listing = reached.begin(); listing != reached.end(); ++listing)
                    listedAhead.insert(listing.key(), std::move(listing.value()));
                it = listedAhead.find(entry.path);
            }
            if (it != listedAhead.end()) {
                children = std::move(it.value());
                listedAhead.erase(it);
            }
        }
        // A listing made ahead has told its libraries and offered nothing; one made here does both.
        const bool listedHere = !children;
        if (listedHere) {
            bool listed = false;
            children = subFolders(entry.path, listed);
            // A folder that cannot be listed is not an empty folder: the caller must not take the
            // absence of libraries below it as their removal.
            if (!listed && unlisted)
                unlisted->append(entry.path);
        }

        const qsizetype pushedFrom = pending.size();
        for (const Child& child : *children) {
            switch (kindOf(child, entry.level, rules)) {
            case ChildKind::skipped:
                break;
            case ChildKind::library:
                found.append(child.path);
                if (listedHere && lookAhead.seen)
                    lookAhead.seen(child.path);
                break;
            case ChildKind::folder:
                pending.append(PendingDir{child.path, entry.level + 1});
                break;
            case ChildKind::unrepresentable:
                if (unlisted)
                    unlisted->append(child.path);
                break;
            }
        }
        // The last folder pushed is the walk's next; the others wait their turn.
        if (ahead && listedHere && pending.size() - pushedFrom > 1)
            ahead->offer(std::vector<PendingDir>(pending.begin() + pushedFrom, pending.end() - 1));

        if (clock->monotonic() - lastCheckpoint > checkpointEvery) {
            if (checkpoint)
                checkpoint(pending, found);
            lastCheckpoint = clock->monotonic();
        }
    }
    if (ahead)
        ahead->close();
    if (checkpoint)
        checkpoint(pending, found);
    return complete;
}

} // namespace pellimor::LibraryReader

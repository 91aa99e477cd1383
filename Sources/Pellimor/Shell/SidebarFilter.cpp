#include "Shell/SidebarFilter.h"

#include "App/AppSettings.h"
#include "Browser/SearchQuery.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor::SidebarFilter {

namespace {

// More than this many bytes of rebuildable media makes a library "reclaimable".
constexpr qint64 kReclaimableThreshold = 1'000'000'000;

qint64 brokenLinkSum(const LibraryInfo& library) {
    qint64 sum = 0;
    for (const EventInfo& event : library.events)
        sum += event.brokenLinkCount;
    return sum;
}

bool passesSmart(Catalog& catalog, const LibraryInfo& library, std::optional<SidebarItem::Kind> smart,
                 const QHash<QString, qint64>& counts) {
    if (!smart)
        return true;
    switch (*smart) {
    case SidebarItem::Kind::all:
    case SidebarItem::Kind::drive:
    case SidebarItem::Kind::favorite:
        return true;
    case SidebarItem::Kind::duplicates:
        return library.libraryIdentifier && counts.value(*library.libraryIdentifier) > 1;
    case SidebarItem::Kind::offline:
        return !catalog.isOnline(library);
    case SidebarItem::Kind::reclaimable:
        return library.clearableSize() > kReclaimableThreshold;
    case SidebarItem::Kind::broken:
        return brokenLinkSum(library) > 0;
    case SidebarItem::Kind::needsUpdate:
        return catalog.updateStatus(library) == Catalog::UpdateStatus::needsUpdate;
    case SidebarItem::Kind::missingPlugins: {
        const Catalog::PluginStats stats = catalog.pluginStats(library);
        return stats.missing > 0 || stats.partial > 0;
    }
    case SidebarItem::Kind::damaged:
        return library.problem.has_value();
    }
    return true;
}

} // namespace

QSet<QString> selectedDrives(const SidebarSelection& sidebar) {
    QSet<QString> drives;
    for (const SidebarItem& item : sidebar) {
        if (item.kind == SidebarItem::Kind::drive)
            drives.insert(item.payload);
    }
    return drives;
}

QSet<QString> selectedFavorites(const SidebarSelection& sidebar) {
    QSet<QString> favorites;
    for (const SidebarItem& item : sidebar) {
        if (item.kind == SidebarItem::Kind::favorite)
            favorites.insert(item.payload);
    }
    return favorites;
}

std::optional<SidebarItem::Kind> smartItem(const SidebarSelection& sidebar) {
    std::optional<SidebarItem::Kind> found;
    for (const SidebarItem& item : sidebar) {
        if (!item.isSmart())
            continue;
        if (found)
            return std::nullopt; // two or more: none applies
        found = item.kind;
    }
    return found;
}

QHash<QString, qint64> copyCounts(const QList<LibraryInfo>& shown) {
    QHash<QString, qint64> counts;
    for (const LibraryInfo& library : shown) {
        if (library.libraryIdentifier)
            ++counts[*library.libraryIdentifier];
    }
    return counts;
}

QHash<QString, qint64> copyCounts(const Catalog& catalog) {
    return copyCounts(catalog.shownLibraries());
}

QList<LibraryInfo> visibleLibraries(Catalog& catalog, const SidebarSelection& sidebar) {
    const QList<LibraryInfo> shown = catalog.shownLibraries();
    const QHash<QString, qint64> counts = copyCounts(shown);
    const QSet<QString> drives = selectedDrives(sidebar);
    const std::optional<SidebarItem::Kind> smart = smartItem(sidebar);

    QList<LibraryInfo> visible;
    for (const LibraryInfo& library : shown) {
        if (!drives.isEmpty() && !drives.contains(library.volumeName))
            continue;
        if (passesSmart(catalog, library, smart, counts))
            visible.append(library);
    }
    return visible;
}

std::optional<QString> hiddenBackupDrive(const Catalog& catalog, const SidebarSelection& sidebar) {
    const QSet<QString> drives = selectedDrives(sidebar);
    if (!AppSettings::hideBackups() || drives.isEmpty())
        return std::nullopt;

    bool any = false;
    for (const LibraryInfo& library : catalog.comparableLibraries()) {
        if (!drives.contains(library.volumeName))
            continue;
        any = true;
        if (!catalog.isBackupDrive(library))
            return std::nullopt;
    }
    if (!any)
        return std::nullopt;
    if (drives.size() == 1)
        return QStringLiteral("“") + *drives.cbegin() + QStringLiteral("” is a backup drive");
    return QStringLiteral("The selected drives are backup drives");
}

bool showsFilteredEmpty(const Catalog& catalog, Mode mode, const QList<LibraryInfo>& visible) {
    return !catalog.libraries().isEmpty() && mode != Mode::media && mode != Mode::compare &&
           visible.isEmpty();
}

QString filterEmptyTitle(const QString& appliedSearch, const SidebarSelection& sidebar) {
    if (SearchQuery(appliedSearch).isActive())
        return QStringLiteral("No matches");
    if (const std::optional<SidebarItem::Kind> smart = smartItem(sidebar)) {
        switch (*smart) {
        case SidebarItem::Kind::duplicates:
            return QStringLiteral("No duplicates");
        case SidebarItem::Kind::offline:
            return QStringLiteral("Every drive is connected");
        case SidebarItem::Kind::reclaimable:
            return QStringLiteral("Nothing over 1 GB reclaimable");
        case SidebarItem::Kind::broken:
            return QStringLiteral("No missing files");
        case SidebarItem::Kind::needsUpdate:
            return QStringLiteral("Nothing needs a Final Cut update");
        case SidebarItem::Kind::missingPlugins:
            return QStringLiteral("No missing plug-ins");
        case SidebarItem::Kind::damaged:
            return QStringLiteral("No damaged libraries");
        default:
            break;
        }
    }
    if (!selectedDrives(sidebar).isEmpty())
        return QStringLiteral("Nothing on the selected drives");
    return QStringLiteral("Nothing to show");
}

FavoriteOutcome openFavorite(WindowState& state, Catalog& catalog, const QString& path) {
    FavoriteOutcome outcome;
    const QList<LibraryInfo>& libraries = catalog.libraries();
    const auto found = std::find_if(libraries.cbegin(), libraries.cend(),
                                    [&](const LibraryInfo& library) { return library.path == path; });
    if (found == libraries.cend())
        return outcome;
    const LibraryInfo library = *found;
    outcome.path = path;

    // Written before the lists are looked at, so the library counts as shown below.
    if (AppSettings::hideBackups() && catalog.isBackupDrive(library)) {
        AppSettings::setHideBackups(false);
        outcome.hideBackupsSwitchedOff = true;
    }

    const QList<LibraryInfo> visible = visibleLibraries(catalog, state.sidebar);
    const bool isVisible = std::any_of(visible.cbegin(), visible.cend(),
                                       [&](const LibraryInfo& shown) { return shown.path == path; });
    if (!isVisible) {
        SidebarSelection favorites;
        for (const SidebarItem& item : std::as_const(state.sidebar)) {
            if (item.kind == SidebarItem::Kind::favorite)
                favorites.insert(item);
        }
        if (favorites.isEmpty())
            favorites.insert(SidebarItem::favorite(path));
        state.sidebar = favorites;
    }

    if (SearchQuery(state.appliedSearch).isActive() && !state.searchResult.libraries.contains(path)) {
        if (!state.search.isEmpty()) {
            state.search.clear();
            outcome.searchCleared = true;
        }
    }

    if (state.mode != Mode::browser && state.mode != Mode::libraries) {
        outcome.modeChanged = state.changeMode(Mode::browser);
        outcome.reveal = FavoriteOutcome::Reveal::nextTurn;
    } else {
        state.changeSelection(path);
        outcome.reveal = FavoriteOutcome::Reveal::now;
    }
    return outcome;
}

void revealFavorite(WindowState& state, const QString& path) {
    state.changeSelection(path);
}

SidebarReaction sidebarChanged(WindowState& state, Catalog& catalog, const SidebarSelection& old) {
    SidebarReaction reaction;
    const SidebarItem reclaimable(SidebarItem::Kind::reclaimable);
    if (state.sidebar.contains(reclaimable) && !old.contains(reclaimable)) {
        state.librarySort = {{LibraryField::reclaimable, false}};
        state.eventSort = {{EventField::reclaimable, false}};
        reaction.sortsChanged = true;
    }

    // A set has no order; of several new favourites the first by path, so the same change
    // always opens the same one.
    std::optional<QString> first;
    for (const SidebarItem& item : std::as_const(state.sidebar)) {
        if (item.kind != SidebarItem::Kind::favorite || old.contains(item))
            continue;
        if (!first || TextCompare::codePointLess(item.payload, *first))
            first = item.payload;
    }
    if (first)
        reaction.favorite = openFavorite(state, catalog, *first);
    return reaction;
}

DriveUpdate driveUpdate(const Catalog& catalog, const QString& volumeName) {
    QList<LibraryInfo> needing;
    for (const LibraryInfo& library : catalog.comparableLibraries()) {
        if (library.volumeName == volumeName &&
            catalog.updateStatus(library) == Catalog::UpdateStatus::needsUpdate &&
            catalog.isOnline(library) && !library.problem)
            needing.append(library);
    }
    DriveUpdate update;
    if (needing.isEmpty())
        update.status = QStringLiteral("Nothing on ") + volumeName + QStringLiteral(" needs updating.");
    else
        update.request = UpdateRequest(std::move(needing));
    return update;
}

void updateDrive(WindowState& state, Catalog& catalog, const QString& volumeName) {
    DriveUpdate update = driveUpdate(catalog, volumeName);
    if (update.request)
        state.updateRequest = std::move(update.request);
    else if (update.status)
        catalog.setStatus(*update.status);
}

} // namespace pellimor::SidebarFilter

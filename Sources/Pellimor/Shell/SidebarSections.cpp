#include "Shell/SidebarSections.h"

#include "App/AppSettings.h"
#include "Catalogue/Records/Fmt.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"
#include "Shell/SidebarDrives.h"

#include <QFileInfo>

namespace pellimor::SidebarSections {

namespace {

constexpr int kRefreshReads = 2;

QString counted(const QString& title, qsizetype count) {
    return title + QStringLiteral(" (") + QString::number(count) + QStringLiteral(")");
}

SidebarRow filterRow(const Filter& filter) {
    SidebarRow row;
    row.kind = SidebarRow::Kind::filter;
    row.item = SidebarItem(filter.kind);
    row.symbol = filter.symbol;
    row.title = filter.title;
    return row;
}

SidebarRow favoriteRow(const Catalog& catalog, const LibraryInfo& library) {
    SidebarRow row;
    row.kind = SidebarRow::Kind::favorite;
    row.item = SidebarItem::favorite(library.path);
    row.symbol = QStringLiteral("star.fill");
    row.title = library.name;
    row.online = catalog.isOnline(library);
    row.detail = favoriteDetail(library, row.online);
    row.help = QString(kFavoriteHelp);
    row.path = library.path;
    return row;
}

SidebarRow driveRow(const DriveSummary& drive, bool scanning, bool hideBackups) {
    SidebarRow row;
    row.kind = SidebarRow::Kind::drive;
    row.item = SidebarItem::drive(drive.name);
    row.symbol = SidebarDrives::symbol(drive);
    row.title = drive.name;
    row.detail = SidebarDrives::detailLine(drive);
    row.help = SidebarDrives::helpText(drive);
    row.online = drive.online;
    row.dimmed = SidebarDrives::dimmed(drive, hideBackups);
    row.drive = drive;
    row.actionEnabled = SidebarDrives::canRescan(drive, scanning);
    row.actionTip = SidebarDrives::rescanTip(drive);
    return row;
}

SidebarRow watchedRow(const ScanRoot& root, bool scanning) {
    SidebarRow row;
    row.kind = SidebarRow::Kind::watched;
    row.symbol = QStringLiteral("folder");
    row.title = shortRoot(root.path);
    row.help = watchedHelp(root);
    row.path = root.path;
    row.root = root;
    row.actionEnabled = canRefresh(root, scanning);
    row.actionTip = QStringLiteral("Refresh just this folder");
    return row;
}

} // namespace

const QList<Filter>& filters() {
    using K = SidebarItem::Kind;
    static const QList<Filter> table = {
        {QStringLiteral("Everything"), QStringLiteral("tray.full"), K::all},
        {QStringLiteral("Duplicates"), QStringLiteral("square.on.square"), K::duplicates},
        {QStringLiteral("Drive not connected"), QStringLiteral("eject"), K::offline},
        {QStringLiteral("Over 1 GB reclaimable"), QStringLiteral("arrow.3.trianglepath"), K::reclaimable},
        {QStringLiteral("Needs FCP update"), QStringLiteral("arrow.up.circle"), K::needsUpdate},
        {QStringLiteral("Missing plug-ins"), QStringLiteral("puzzlepiece.extension"), K::missingPlugins},
        {QStringLiteral("Missing files"), QStringLiteral("questionmark.folder"), K::broken},
    };
    return table;
}

QList<SidebarSection> build(const Catalog& catalog) {
    using Kind = SidebarSection::Kind;
    const bool scanning = catalog.isScanning();
    QList<SidebarSection> sections;

    SidebarSection library{Kind::library, QStringLiteral("Library"), {}};
    for (const Filter& filter : filters())
        library.rows.append(filterRow(filter));
    sections.append(library);

    // Listing the favourites copies the catalogue's list; most catalogues mark none.
    if (!catalog.favorites().isEmpty()) {
        SidebarSection favorites{Kind::favorites, QStringLiteral("Favorites"), {}};
        for (const LibraryInfo& favorite : catalog.favoriteLibraries())
            favorites.rows.append(favoriteRow(catalog, favorite));
        if (!favorites.rows.isEmpty())
            sections.append(favorites);
    }

    const bool hideBackups = AppSettings::hideBackups();
    QList<SidebarRow> working;
    QList<SidebarRow> backup;
    for (const DriveSummary& drive : SidebarDrives::drives(catalog))
        (drive.isBackup ? backup : working).append(driveRow(drive, scanning, hideBackups));
    sections.append(
        SidebarSection{Kind::working, counted(QStringLiteral("Working drives"), working.size()), working});
    if (!backup.isEmpty())
        sections.append(
            SidebarSection{Kind::backup, counted(QStringLiteral("Backup drives"), backup.size()), backup});

    if (!catalog.roots().isEmpty()) {
        SidebarSection watched{
            Kind::watched, counted(QStringLiteral("Watched folders"), catalog.roots().size()), {}};
        for (const ScanRoot& root : catalog.roots())
            watched.rows.append(watchedRow(root, scanning));
        sections.append(watched);
    }
    return sections;
}

QString shortRoot(const QString& path, const QString& volumesRoot) {
    const QStringList pieces = path.split(u'/', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return path;
    const QStringList root = volumesRoot.split(u'/', Qt::SkipEmptyParts);
    if (!root.isEmpty() && pieces.size() > root.size() && pieces.mid(0, root.size()) == root) {
        const QString& drive = pieces.at(root.size());
        if (pieces.size() == root.size() + 1)
            return drive;
        return drive + QStringLiteral(" … ") + pieces.last();
    }
    return pieces.last();
}

QString shortRoot(const QString& path) {
    return shortRoot(path, VolumesRoot::root());
}

QString watchedHelp(const ScanRoot& root) {
    if (!root.lastScan)
        return root.path + QStringLiteral(" — not finished");
    return root.path + QStringLiteral(" — scanned ") + Fmt::dateOrDash(*root.lastScan);
}

bool canRefresh(const ScanRoot& root, bool scanning) {
    return !scanning && QFileInfo::exists(root.path);
}

ScanOptions refreshOptions(ScanOptions settings) {
    settings.posters = true;
    settings.concurrency = kRefreshReads;
    return settings;
}

QString favoriteDetail(const LibraryInfo& library, bool online) {
    return online ? library.volumeName : library.volumeName + QStringLiteral(" · not connected");
}

SidebarSelection selectAll(const QList<SidebarSection>& sections, SidebarSection::Kind section) {
    SidebarSelection selection;
    for (const SidebarSection& each : sections) {
        if (each.kind != section)
            continue;
        for (const SidebarRow& row : each.rows) {
            if (row.drive)
                selection.insert(SidebarItem::drive(row.drive->name));
        }
    }
    return selection;
}

} // namespace pellimor::SidebarSections

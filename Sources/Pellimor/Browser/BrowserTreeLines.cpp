// The browser tree's texts and the row-to-library question.

#include "Browser/BrowserTree.h"
#include "Catalogue/Records/Fmt.h"
#include "Catalogue/Records/RowLibrary.h"
#include "Platform/VolumesRoot.h"
#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor::BrowserTree {

QString parentPath(const LibraryInfo& library) {
    const QString& path = library.path;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString parent = slash <= 0 ? QStringLiteral("/") : path.left(slash);
    // Below the volumes root the drive's own folder is the volume; elsewhere "/" is.
    const QString mount = VolumesRoot::mountOf(parent);
    const QString inside =
        mount == QLatin1StringView("/") || !parent.startsWith(mount) ? parent : parent.mid(mount.size());
    return inside.split(u'/', Qt::SkipEmptyParts).join(u'/');
}

QString projectLine(const ProjectInfo& project) {
    QStringList parts;
    if (project.duration)
        parts.append(Fmt::duration(*project.duration));
    if (project.format && !project.format->isEmpty())
        parts.append(*project.format);
    if (project.name.contains(QLatin1StringView("snapshot"), Qt::CaseInsensitive))
        parts.append(QStringLiteral("snapshot"));
    return parts.join(QStringLiteral(" · "));
}

QString mediaLine(const EventInfo& event) {
    const qint64 linked = event.linkedMediaCount;
    QString line = QStringLiteral("%1 internal media, %2 external media")
                       .arg(std::max<qint64>(event.mediaFileCount - linked, 0))
                       .arg(linked);
    if (event.externalVolumes && !event.externalVolumes->isEmpty()) {
        QStringList volumes = event.externalVolumes->keys();
        std::sort(volumes.begin(), volumes.end(), TextCompare::codePointLess);
        line += QStringLiteral(" on ") + volumes.join(QStringLiteral(", "));
    }
    if (event.brokenLinkCount > 0)
        line += QStringLiteral(" — %1 missing").arg(event.brokenLinkCount);
    return line;
}

std::optional<LibraryInfo> library(const QList<LibraryInfo>& libraries, const std::optional<QString>& id) {
    if (!id)
        return std::nullopt;
    const LibraryInfo* found = RowLibrary::find(libraries, *id, RowLibrary::Remainder::anything);
    return found ? std::optional<LibraryInfo>(*found) : std::nullopt;
}

} // namespace pellimor::BrowserTree

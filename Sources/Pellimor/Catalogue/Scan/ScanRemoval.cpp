#include "Catalogue/Scan/ScanRemoval.h"

#include "Platform/VolumesRoot.h"
#include "Support/PathText.h"

#include <QDir>

namespace pellimor::ScanRemoval {

namespace {

// Components of a path as a file URL counts them: the leading "/" is one of them.
qsizetype componentCount(const QString& path) {
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts).size() +
           (path.startsWith(QLatin1Char('/')) ? 1 : 0);
}

} // namespace

QSet<QString> gone(const QStringList& catalogued, const Facts& facts) {
    QSet<QString> result;
    // A library can have been seen only when the walk covered the whole root, which it did not
    // for a resumed root that lacks its unlisted folders.
    if (!facts.walkedWholeRoot)
        return result;

    // A root of "/" is its own prefix; any other root gains the one slash.
    const QString prefix = facts.root.endsWith(QLatin1Char('/')) ? facts.root : facts.root + QLatin1Char('/');
    const qsizetype rootDepth = componentCount(facts.root);

    std::optional<QSet<QString>> mountedNow;
    const auto isMounted = [&](const QString& path) {
        const QString mount = VolumesRoot::mountOf(path);
        if (mount == u"/")
            return true;
        if (!facts.recordedMounts.contains(mount))
            return false;
        if (!mountedNow) {
            mountedNow.emplace();
            if (facts.mountedNow)
                for (const QString& volume : facts.mountedNow())
                    if (!volume.isEmpty())
                        mountedNow->insert(QDir::cleanPath(volume));
        }
        return mountedNow->contains(mount);
    };
    const auto behindUnlisted = [&](const QString& path) {
        for (const QString& folder : facts.unlisted)
            if (PathText::isAtOrBelow(path, folder))
                return true;
        return false;
    };

    for (const QString& path : catalogued) {
        if (!path.startsWith(prefix) || facts.found.contains(path) || result.contains(path))
            continue;
        // Deeper than the walk could reach: not looked for, so not missing.
        if (facts.maxDepth && componentCount(path) - rootDepth > *facts.maxDepth)
            continue;
        if (behindUnlisted(path) || !isMounted(path))
            continue;
        result.insert(path);
    }
    return result;
}

} // namespace pellimor::ScanRemoval

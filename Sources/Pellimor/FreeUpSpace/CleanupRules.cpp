// What may be offered for removal, and the safety checks every target passes.

#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/ByteSum.h"
#include "Support/DirectoryListing.h"
#include "Support/PathText.h"

#include <QFile>
#include <algorithm>

namespace pellimor::Cleanup {

namespace {

const QString kRenderFiles = QStringLiteral("Render Files");
const QString kTranscodedMedia = QStringLiteral("Transcoded Media");

QString kindFolder(GeneratedKind kind) {
    switch (kind) {
    case GeneratedKind::proxy:
        return QStringLiteral("Transcoded Media/Proxy Media");
    case GeneratedKind::optimized:
        return QStringLiteral("Transcoded Media/High Quality Media");
    case GeneratedKind::render:
        break;
    }
    return kRenderFiles;
}

} // namespace

const QSet<QString>& protectedNames() {
    static const QSet<QString> names = {QStringLiteral("Original Media"), QStringLiteral("Shared Items"),
                                        QStringLiteral("Analysis Files"),
                                        QStringLiteral("Motion Templates.localized")};
    return names;
}

bool fcpIsRunning() {
    const std::shared_ptr<platform::FinalCutApp> app = platform::services().finalCut;
    return app && !app->running().isEmpty();
}

QStringList candidates(GeneratedKind kind, const QString& event) {
    const QString folder = PathText::childPath(event, kindFolder(kind));
    if (kind != GeneratedKind::render) {
        if (CleanupFiles::exists(folder) || isSymlink(folder))
            return {folder};
        return {};
    }
    // Looked up by the listing's own bytes, so an item whose name is not UTF-8 is still
    // offered; its path as text then finds nothing, and validate() refuses it as not found.
    const DirectoryListing listing(CleanupFiles::native(folder));
    std::vector<DirectoryListing::Entry> entries = listing.entries();
    std::sort(entries.begin(), entries.end(), DirectoryListing::finderLess);
    QStringList found;
    for (const DirectoryListing::Entry& entry : entries) {
        const std::optional<DirectoryListing::Item> item = listing.item(entry.name);
        if (listing.exists(entry.name) || (item && item->isLink))
            found.append(PathText::childPath(folder, entry.text));
    }
    return found;
}

bool isSymlink(const QString& path) {
    const std::optional<struct stat> facts = CleanupFiles::itemFacts(CleanupFiles::native(path));
    return facts && S_ISLNK(facts->st_mode);
}

Result<void> validate(const QString& target, const QString& library, const QString& event) {
    const QString base = CleanupFiles::resolved(library);
    const QString path = CleanupFiles::standardised(target);
    const QString prefix = base + u'/' + event + u'/';
    if (!path.startsWith(prefix))
        return Failure{QStringLiteral("path is outside the event")};

    const QStringList pieces = path.mid(prefix.size()).split(u'/', Qt::SkipEmptyParts);
    if (pieces.size() < 2 || (pieces.front() != kRenderFiles && pieces.front() != kTranscodedMedia))
        return Failure{QStringLiteral("not inside Render Files")};
    for (const QString& piece : pieces) {
        if (protectedNames().contains(piece))
            return Failure{QStringLiteral("protected folder")};
    }
    // The item is looked at as written (a ".." after a link leads where the link leads, and
    // the last test catches it), only without trailing slashes, which would make the system
    // follow a link at the end.
    QString item = target;
    while (item.size() > 1 && item.endsWith(u'/'))
        item.chop(1);
    if (isSymlink(item))
        return Failure{PathText::lastComponent(item) + QStringLiteral(" is a link")};
    if (!CleanupFiles::exists(item))
        return Failure{QStringLiteral("not found")};
    if (CleanupFiles::resolved(item) != path)
        return Failure{QStringLiteral("path passes through a link")};
    return {};
}

std::optional<qint64> safeSize(const QString& path) {
    const QByteArray native = CleanupFiles::native(path);
    if (const std::optional<struct stat> facts = CleanupFiles::itemFacts(native)) {
        if (S_ISLNK(facts->st_mode))
            return std::nullopt;
        if (S_ISREG(facts->st_mode))
            return CleanupFiles::allocatedBytes(*facts);
    }
    qint64 total = 0;
    bool linked = false;
    CleanupFiles::walk(native, /*includeHidden=*/true,
                       [&](const QByteArray&, const QByteArray&, const struct stat& facts) {
                           if (S_ISLNK(facts.st_mode)) {
                               linked = true;
                               return false;
                           }
                           if (S_ISREG(facts.st_mode))
                               total = ByteSum::saturatingAdd(total, CleanupFiles::allocatedBytes(facts));
                           return true;
                       });
    if (linked)
        return std::nullopt;
    return total;
}

QString baseName(const QString& fileName) {
    QString name = PathText::withoutExtension(fileName.normalized(QString::NormalizationForm_C));
    if (name.endsWith(u')')) {
        const QLatin1String marker(" (fcp");
        const qsizetype at = name.lastIndexOf(marker);
        if (at >= 0) {
            const qsizetype from = at + marker.size();
            const QStringView inside = QStringView(name).mid(from, name.size() - 1 - from);
            if (std::all_of(inside.begin(), inside.end(), [](QChar c) { return c.isNumber(); }))
                name.truncate(at);
        }
    }
    return name.toLower();
}

} // namespace pellimor::Cleanup

// What may be offered for removal, and the safety checks every target passes.

#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupChecks.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/ByteSum.h"
#include "Support/DirectoryListing.h"
#include "Support/PathText.h"

#include <QFile>
#include <algorithm>
#include <cerrno>

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

Result<QStringList> placeInEvent(const QString& target, const QString& base, const QString& event) {
    // "<base>/<event>/" read off the path in place: a run asks this of every target.
    const QString path = CleanupFiles::standardised(target);
    const qsizetype eventAt = base.size() + 1;
    const qsizetype restAt = eventAt + event.size() + 1;
    if (path.size() < restAt || !path.startsWith(base) || path.at(eventAt - 1) != u'/' ||
        QStringView(path).mid(eventAt, event.size()) != event || path.at(restAt - 1) != u'/')
        return Failure{QStringLiteral("path is outside the event")};

    const QList<QStringView> pieces = QStringView(path).mid(restAt).split(u'/', Qt::SkipEmptyParts);
    if (pieces.size() < 2 || (pieces.front() != kRenderFiles && pieces.front() != kTranscodedMedia))
        return Failure{QStringLiteral("not inside Render Files")};
    QStringList texts;
    texts.reserve(pieces.size());
    for (const QStringView piece : pieces) {
        texts.append(piece.toString());
        if (protectedNames().contains(texts.back()))
            return Failure{QStringLiteral("protected folder")};
    }
    return texts;
}

Result<void> validate(const QString& target, const QString& library, const QString& event) {
    const QString base = CleanupFiles::resolved(library);
    if (const Result<QStringList> place = placeInEvent(target, base, event); !place)
        return Failure{place.error()};
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
    if (CleanupFiles::resolved(item) != CleanupFiles::standardised(target))
        return Failure{QStringLiteral("path passes through a link")};
    return {};
}

Measured measure(const OpenFolder& folder, const QByteArray& name) {
    Measured measured;
    measured.facts = folder.entryFacts(name);
    if (!measured.facts) {
        measured.refusal = Refusal::missing;
        return measured;
    }
    const ItemFacts& facts = *measured.facts;
    if (facts.isLink()) {
        measured.refusal = Refusal::link;
        return measured;
    }
    // A bind mount keeps the device of what it shows, so the mount itself is asked too.
    if (facts.isMountedInside(folder.facts())) {
        measured.refusal = Refusal::mount;
        return measured;
    }
    if (facts.isRegularFile()) {
        measured.bytes = facts.allocated;
        return measured;
    }
    if (!facts.isFolder())
        return measured;
    const OpenFolder top = folder.child(name);
    if (!top || !top.facts().sameItem(facts)) {
        // Replaced by something else, or by a link, since it was looked at.
        const bool link = !top && (top.errorCode() == ELOOP || top.errorCode() == ENOTDIR);
        measured.refusal = link ? Refusal::link : Refusal::missing;
        return measured;
    }
    qint64 total = 0;
    CleanupFiles::walk(top, QByteArray(), /*includeHidden=*/true, [&](const CleanupFiles::Entry& entry) {
        if (entry.facts.isLink()) {
            measured.refusal = Refusal::link;
            return false;
        }
        if (entry.mountedInside) {
            measured.refusal = Refusal::mount;
            return false;
        }
        if (entry.facts.isRegularFile())
            total = ByteSum::saturatingAdd(total, entry.facts.allocated);
        return true;
    });
    if (measured.refusal == Refusal::none)
        measured.bytes = total;
    return measured;
}

Reached openParent(const OpenFolder& event, const QStringList& pieces) {
    Reached reached;
    reached.folder = event.descend(QByteArray());
    for (qsizetype i = 0; i + 1 < pieces.size() && reached.folder; ++i) {
        OpenFolder step = reached.folder.child(CleanupFiles::native(pieces.at(i)));
        if (!step) {
            const int error = step.errorCode();
            reached.refusal = (error == ELOOP || error == ENOTDIR) ? Refusal::link : Refusal::missing;
            return Reached{OpenFolder(), reached.refusal};
        }
        if (step.facts().isMountedInside(reached.folder.facts()))
            return Reached{OpenFolder(), Refusal::mount};
        reached.folder = std::move(step);
    }
    if (!reached.folder)
        reached.refusal = Refusal::missing;
    return reached;
}

std::optional<qint64> safeSize(const QString& path) {
    const QString item = CleanupFiles::standardised(path);
    const qsizetype slash = item.lastIndexOf(u'/');
    const QString parent = slash < 0    ? QStringLiteral(".")
                           : slash == 0 ? QStringLiteral("/")
                                        : item.left(slash);
    // Links on the way to the item are followed, as a path given is meant.
    const OpenFolder folder = OpenFolder::open(parent, OpenFolder::LastLink::followed);
    if (!folder)
        return 0;
    const Measured measured = measure(folder, CleanupFiles::native(item.mid(slash + 1)));
    switch (measured.refusal) {
    case Refusal::none:
        return measured.bytes;
    case Refusal::missing:
        return 0;
    case Refusal::link:
    case Refusal::mount:
        break;
    }
    return std::nullopt;
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

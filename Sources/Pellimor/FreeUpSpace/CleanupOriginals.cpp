// An event's originals: which are really there, which generated files still have theirs, and
// which linked originals are gone.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/Fmt.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupChecks.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Support/DirectoryListing.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"
#include "Support/TextCompare.h"

#include <QFile>
#include <algorithm>
#include <climits>
#include <unistd.h>

namespace pellimor::Cleanup {

namespace {

const QString kOriginalMedia = QStringLiteral("Original Media");

// The visible items of a folder in the file manager's order; none when it cannot be listed.
std::vector<DirectoryListing::Entry> sortedEntries(const DirectoryListing& listing) {
    std::vector<DirectoryListing::Entry> entries = listing.entries();
    std::sort(entries.begin(), entries.end(), DirectoryListing::finderLess);
    return entries;
}

// The text stored in a link, as the file system's bytes; nothing when it cannot be read.
std::optional<QByteArray> linkText(const QByteArray& path) {
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink(path.constData(), buffer.data(), size_t(buffer.size()));
        if (length < 0)
            return std::nullopt;
        if (length < buffer.size())
            return buffer.left(length);
        buffer.resize(buffer.size() * 2);
    }
}

QString plural(qsizetype count, const char* one, const char* many) {
    return QString::fromUtf8(count == 1 ? one : many);
}

} // namespace

QSet<QString> originalNames(const QString& event) {
    QSet<QString> names;
    const OpenFolder originals = OpenFolder::open(
        CleanupFiles::native(PathText::childPath(event, kOriginalMedia)), OpenFolder::LastLink::followed);
    const auto visit = [&](const CleanupFiles::Entry& entry) {
        if (entry.facts.isFolder())
            return true;
        // A link counts only while its destination is there.
        struct stat destination {};
        if (entry.facts.isLink() &&
            ::fstatat(entry.folder.fd(), entry.name.constData(), &destination, 0) != 0)
            return true;
        names.insert(baseName(QFile::decodeName(entry.name)));
        return true;
    };
    // Only the kinds are needed: thousands of originals are read without looking each one up.
    CleanupFiles::walk(originals, QByteArray(), /*includeHidden=*/false, visit,
                       CleanupFiles::Looked::folders);
    return names;
}

SortedFiles sortFiles(const QString& folder, const std::function<bool(const QString& base)>& hasOriginal) {
    SortedFiles sorted;
    const DirectoryListing listing(CleanupFiles::native(folder));
    for (const DirectoryListing::Entry& entry : sortedEntries(listing)) {
        // Judged by the path as text, so a name that is not UTF-8 (which no later step could
        // find again) stays with the orphans.
        const QString path = PathText::childPath(folder, entry.text);
        if (CleanupFiles::isRegularFile(path) && hasOriginal(baseName(entry.text)))
            sorted.ok.append(path);
        else
            sorted.orphans.append(path);
    }
    return sorted;
}

SortedFiles sortByOriginal(const QString& folder, const QString& event) {
    const QSet<QString> originals = originalNames(event);
    return sortFiles(folder, [&](const QString& base) { return originals.contains(base); });
}

bool originalsStillThere(const CleanupTarget& target, const QString& library) {
    // A stored event name that is not one name would make the event another folder.
    if (!isSingleName(QStringView(target.event)))
        return false;
    const QSet<QString> originals = originalNames(PathText::childPath(library, target.event));
    if (CleanupFiles::isFolder(target.url))
        return sortFiles(target.url, [&](const QString& base) { return originals.contains(base); })
            .orphans.isEmpty();
    return originals.contains(baseName(PathText::lastComponent(target.url)));
}

QList<MissingOriginal> missingOriginals(const QString& event) {
    const QString originals = PathText::childPath(event, kOriginalMedia);
    const QByteArray nativeOriginals = CleanupFiles::native(originals);
    const DirectoryListing listing(nativeOriginals);
    const QString eventName = PathText::lastComponent(event);
    QList<MissingOriginal> missing;
    for (const DirectoryListing::Entry& entry : listing.entries()) {
        const std::optional<DirectoryListing::Item> item = listing.item(entry.name);
        if (!item || !item->isLink)
            continue;
        const std::optional<QByteArray> destination = linkText(nativeOriginals + '/' + entry.name);
        if (!destination)
            continue;
        // A relative destination is taken from "Original Media" as the path stands, both for
        // the test and in the record, so "../x.mov" is kept as written.
        const bool absolute = destination->startsWith('/');
        const QByteArray nativeTarget = absolute ? *destination : nativeOriginals + '/' + *destination;
        struct stat facts {};
        if (::stat(nativeTarget.constData(), &facts) == 0)
            continue;
        const QString target =
            absolute ? QFile::decodeName(*destination) : originals + u'/' + QFile::decodeName(*destination);
        missing.append(MissingOriginal{eventName, entry.text, target});
    }
    std::stable_sort(missing.begin(), missing.end(), [](const MissingOriginal& a, const MissingOriginal& b) {
        return TextCompare::lessThan(a.name, b.name);
    });
    return missing;
}

std::optional<QString> originalsProblem(const QString& event) {
    const DirectoryListing listing(CleanupFiles::native(PathText::childPath(event, kOriginalMedia)));
    if (listing.entries().empty())
        return QStringLiteral(
            "no original media found in the event, so its proxy and optimized files are kept.");
    const QList<MissingOriginal> missing = missingOriginals(event);
    if (missing.isEmpty())
        return std::nullopt;
    const qsizetype count = missing.size();
    QString text = QString::number(count) + QStringLiteral(" linked original file") +
                   plural(count, " is", "s are") + QStringLiteral(" missing (") + missing.front().name;
    if (count != 1)
        text += QStringLiteral(" and ") + QString::number(count - 1) + QStringLiteral(" more");
    text += QStringLiteral("). Proxy and optimized files made from ") + plural(count, "it", "them") +
            QStringLiteral(" are kept; everything else can be removed.");
    return text;
}

std::optional<QString> missingOriginalsReport(const QString& library, const QString& name,
                                              const QDateTime& now) {
    QList<QPair<QString, QList<MissingOriginal>>> events;
    qsizetype total = 0;
    for (const QString& event : LibraryReader::eventFolders(library)) {
        QList<MissingOriginal> missing = missingOriginals(event);
        if (missing.isEmpty())
            continue;
        total += missing.size();
        events.append({PathText::lastComponent(event), std::move(missing)});
    }
    if (total == 0)
        return std::nullopt;

    QStringList lines;
    lines << QStringLiteral("Missing original files in “") + name + QStringLiteral("”");
    lines << library;
    lines << QStringLiteral("Checked ") + Fmt::date(now) + QStringLiteral(" · ") + QString::number(total) +
                 plural(total, " file", " files") + QStringLiteral(" in ") + QString::number(events.size()) +
                 plural(events.size(), " event", " events");
    lines << QString();
    lines << QStringLiteral("These files are linked into the library, not copied. The file each link points "
                            "to can't be found:");
    lines << QStringLiteral("the drive is not connected, or the file was moved, renamed or deleted.");
    for (const auto& [event, missing] : events) {
        lines << QString();
        lines << QStringLiteral("Event: ") + event + QStringLiteral(" (") + QString::number(missing.size()) +
                     QStringLiteral(")");
        for (const MissingOriginal& record : missing)
            lines << QStringLiteral("  ") + record.name + QStringLiteral("\n      was at: ") + record.target;
    }
    return lines.join(u'\n') + u'\n';
}

} // namespace pellimor::Cleanup

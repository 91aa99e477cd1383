// Judging the candidates of one broken link against its old place.

#include "FreeUpSpace/CleanupFiles.h"
#include "MissingFiles/MissingFiles.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <set>
#include <sys/stat.h>

namespace pellimor::MissingFiles {

namespace {

QStringList components(const QString& path) {
    return path.split(u'/', Qt::SkipEmptyParts);
}

// The parent folders of a path in compared form, outermost first.
QStringList folders(const QString& path) {
    QStringList parts = components(path);
    if (parts.size() < 2)
        return {};
    parts.removeLast();
    for (QString& part : parts)
        part = nameKey(part);
    return parts;
}

// A folder that was renamed by adding to its name ("June 2015" → "06 - June 2015") still
// counts; very short names would agree by chance, so they must match whole.
bool agree(const QString& old, const QString& now) {
    return old == now || (old.size() > 3 && now.contains(old)) || (now.size() >= 4 && old.contains(now));
}

bool inAccount(const QStringList& parts) {
    return parts.size() > 2 && parts.front() == QLatin1String("Users");
}

} // namespace

std::optional<QString> tailInLibrary(const QString& path) {
    const QStringList parts = components(path);
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        if (!nameKey(parts.at(i)).endsWith(QLatin1String(".fcpbundle")))
            continue;
        if (i == parts.size() - 1)
            return std::nullopt;
        return nameKey(parts.mid(i + 1).join(u'/'));
    }
    return std::nullopt;
}

int sharedFolders(const MissingFile& file, const QString& place) {
    const QStringList old = folders(file.target);
    const QStringList now = folders(place);
    int shared = 0;
    for (qsizetype o = old.size() - 1, n = now.size() - 1; o >= 0 && n >= 0; --o, --n) {
        if (!agree(old.at(o), now.at(n)))
            break;
        ++shared;
    }
    return shared;
}

int rank(const MissingFile& file, const QString& place) {
    const std::optional<QString> oldTail = tailInLibrary(file.target);
    if (oldTail && oldTail == tailInLibrary(place))
        return 0;
    const QStringList old = components(file.target);
    const QStringList now = components(place);
    if (inAccount(old) && inAccount(now) && old.size() == now.size()) {
        bool same = true;
        for (qsizetype i = 2; i < old.size() && same; ++i)
            same = nameKey(old.at(i)) == nameKey(now.at(i));
        if (same)
            return 1;
    }
    return sharedFolders(file, place) >= 2 ? 2 : 3;
}

QStringList realPlaces(const MissingFile& file, const QStringList& candidates) {
    QStringList kept;
    for (const QString& text : candidates) {
        // Only a full path names a file; a relative text would be taken from wherever the
        // program happens to run.
        if (!QDir::isAbsolutePath(text))
            continue;
        const QString path = QFileInfo(text).canonicalFilePath();
        if (path.isEmpty() || CleanupFiles::isFolder(path) || kept.contains(path))
            continue;
        kept.append(path);
    }

    using Key = std::array<qsizetype, 4>;
    std::vector<std::pair<Key, QString>> keyed;
    const QString inOwnLibrary = file.libraryPath + u'/';
    for (qsizetype p = 0; p < kept.size(); ++p) {
        const QString& path = kept.at(p);
        keyed.push_back(
            {Key{rank(file, path), -sharedFolders(file, path), path.startsWith(inOwnLibrary) ? 0 : 1, p},
             path});
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList sorted;
    for (auto& [key, path] : keyed)
        sorted.append(std::move(path));
    return sorted;
}

Candidate candidate(const MissingFile& file, const QStringList& candidates,
                    const std::optional<QString>& picked) {
    const QStringList places = realPlaces(file, candidates);
    if (picked && places.contains(*picked))
        return {*picked, Match::of(Match::Kind::chosenByUser)};
    if (places.isEmpty())
        return {};

    const QString& first = places.front();
    const auto distinctSizes = [](const QStringList& paths) {
        std::set<qint64> sizes;
        for (const QString& path : paths)
            if (const std::optional<qint64> size = fileSize(path))
                sizes.insert(*size);
        return sizes.size();
    };
    switch (rank(file, first)) {
    case 0:
        return {first, Match::of(Match::Kind::sameEventInLibrary)};
    case 1:
        return {first, Match::of(Match::Kind::sameFolderOtherAccount)};
    case 2: {
        QStringList sameFolders;
        for (const QString& place : places)
            if (rank(file, place) == 2)
                sameFolders.append(place);
        if (distinctSizes(sameFolders) == 1)
            return {first, Match::of(Match::Kind::sameFoldersOtherDrive)};
        break;
    }
    default:
        break;
    }
    if (places.size() == 1)
        return {first, Match::of(Match::Kind::nameOnly)};
    const int count = int(places.size());
    if (distinctSizes(places) <= 1)
        return {first, Match::copies(count)};
    return {std::nullopt, Match::different(count)};
}

std::optional<qint64> fileSize(const QString& path) {
    const std::optional<struct stat> facts = CleanupFiles::itemFacts(CleanupFiles::native(path));
    if (!facts)
        return std::nullopt;
    return qint64(facts->st_size);
}

} // namespace pellimor::MissingFiles

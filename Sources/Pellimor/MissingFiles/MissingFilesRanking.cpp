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

// The same place under two accounts: what follows the account folders agrees, ignoring case.
bool sameInAccounts(const QStringList& old, const QStringList& now, const QList<QStringList>& accounts) {
    const QList<QStringList> oldTails = afterAccount(old, accounts);
    if (oldTails.isEmpty())
        return false;
    for (const QStringList& nowTail : afterAccount(now, accounts))
        for (const QStringList& oldTail : oldTails)
            if (std::equal(oldTail.cbegin(), oldTail.cend(), nowTail.cbegin(), nowTail.cend(),
                           [](const QString& a, const QString& b) { return nameKey(a) == nameKey(b); }))
                return true;
    return false;
}

// The accounts folders are read once for all the places of one file.
int rankAmong(const MissingFile& file, const QString& place, const QList<QStringList>& accounts) {
    const std::optional<QString> oldTail = tailInLibrary(file.target);
    if (oldTail && oldTail == tailInLibrary(place))
        return 0;
    if (sameInAccounts(components(file.target), components(place), accounts))
        return 1;
    return sharedFolders(file, place) >= 2 ? 2 : 3;
}

QStringList realPlacesAmong(const MissingFile& file, const QStringList& candidates,
                            const QList<QStringList>& accounts) {
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
        keyed.push_back({Key{rankAmong(file, path, accounts), -sharedFolders(file, path),
                             path.startsWith(inOwnLibrary) ? 0 : 1, p},
                         path});
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList sorted;
    for (auto& [key, path] : keyed)
        sorted.append(std::move(path));
    return sorted;
}

} // namespace

QList<QStringList> accountFolders() {
    QList<QStringList> folders{{QStringLiteral("Users")}};
    const QString home = QDir::homePath();
    for (const QString& spelling : {home, QFileInfo(home).canonicalFilePath()}) {
        QStringList parts = components(spelling);
        if (parts.size() < 2)
            continue;
        parts.removeLast();
        if (!folders.contains(parts))
            folders.append(parts);
    }
    return folders;
}

QList<QStringList> afterAccount(const QStringList& parts, const QList<QStringList>& folders) {
    QList<QStringList> tails;
    for (const QStringList& folder : folders) {
        const qsizetype start = folder.size() + 1; // past the account's own folder
        if (parts.size() > start && std::equal(folder.cbegin(), folder.cend(), parts.cbegin()))
            tails.append(parts.mid(start));
    }
    return tails;
}

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
    return rankAmong(file, place, accountFolders());
}

QStringList realPlaces(const MissingFile& file, const QStringList& candidates) {
    return realPlacesAmong(file, candidates, accountFolders());
}

Candidate candidate(const MissingFile& file, const QStringList& candidates,
                    const std::optional<QString>& picked) {
    const QList<QStringList> accounts = accountFolders();
    const QStringList places = realPlacesAmong(file, candidates, accounts);
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
    switch (rankAmong(file, first, accounts)) {
    case 0:
        return {first, Match::of(Match::Kind::sameEventInLibrary)};
    case 1:
        return {first, Match::of(Match::Kind::sameFolderOtherAccount)};
    case 2: {
        QStringList sameFolders;
        for (const QString& place : places)
            if (rankAmong(file, place, accounts) == 2)
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

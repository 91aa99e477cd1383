#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/TextCompare.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace pellimor {

namespace {

const QString kBackup = QStringLiteral("backup");

// The most favourites kept at once.
constexpr qsizetype kMaxFavorites = 5;

} // namespace

void Catalog::setBackup(bool on, const std::optional<QString>& uuid, const QString& name) {
    // One drive is known by its UUID where it has one and by its name everywhere, and a
    // library may carry either, so both keys are written together.
    QStringList keys;
    if (uuid)
        keys.append(*uuid);
    keys.append(name);

    QMap<QString, QString> roles = m_driveRoles;
    for (const QString& key : std::as_const(keys)) {
        if (on)
            roles.insert(key, kBackup);
        else
            roles.remove(key);
    }
    setDriveRoles(std::move(roles));
    save();
}

bool Catalog::isBackupDrive(const LibraryInfo& library) const {
    if (library.volumeUUID && m_driveRoles.value(*library.volumeUUID) == kBackup)
        return true;
    return m_driveRoles.value(library.volumeName) == kBackup;
}

QList<LibraryInfo> Catalog::shownLibraries() const {
    QList<LibraryInfo> shown = comparableLibraries();
    if (!AppSettings::hideBackups())
        return shown;
    shown.removeIf([this](const LibraryInfo& library) { return isBackupDrive(library); });
    return shown;
}

bool Catalog::isFavorite(const QString& path) const {
    return m_favorites.contains(path);
}

void Catalog::toggleFavorite(const QString& path) {
    QMap<QString, QDateTime> favorites = m_favorites;
    if (favorites.remove(path) == 0) {
        favorites.insert(path, QDateTime::currentDateTimeUtc());
        QSet<QString> livePaths;
        livePaths.reserve(m_libraries.size());
        for (const LibraryInfo& library : m_libraries)
            livePaths.insert(library.path);
        favorites = FavoriteBook::trimmed(favorites, livePaths);
    }
    setFavorites(std::move(favorites));
    save();
}

QList<LibraryInfo> Catalog::favoriteLibraries() const {
    QList<LibraryInfo> favorites = comparableLibraries();
    favorites.removeIf([this](const LibraryInfo& library) { return !m_favorites.contains(library.path); });
    std::stable_sort(favorites.begin(), favorites.end(), [this](const LibraryInfo& a, const LibraryInfo& b) {
        const QDateTime markedA = m_favorites.value(a.path);
        const QDateTime markedB = m_favorites.value(b.path);
        if (markedA != markedB)
            return markedA > markedB;
        return TextCompare::localizedStandard(a.name, b.name) < 0;
    });
    return favorites;
}

namespace FavoriteBook {

QMap<QString, QDateTime> trimmed(const QMap<QString, QDateTime>& favorites, const QSet<QString>& livePaths) {
    std::vector<std::pair<QString, QDateTime>> live;
    for (auto it = favorites.begin(); it != favorites.end(); ++it) {
        if (livePaths.contains(it.key()))
            live.emplace_back(it.key(), it.value());
    }
    if (qsizetype(live.size()) > kMaxFavorites) {
        // Oldest first; among equal times the smaller path goes first, so the greater stays.
        std::sort(live.begin(), live.end(), [](const auto& a, const auto& b) {
            if (a.second != b.second)
                return a.second < b.second;
            return TextCompare::codePointLess(a.first, b.first);
        });
        live.erase(live.begin(), live.end() - kMaxFavorites);
    }
    QMap<QString, QDateTime> kept;
    for (auto& [path, marked] : live)
        kept.insert(std::move(path), std::move(marked));
    return kept;
}

} // namespace FavoriteBook

} // namespace pellimor

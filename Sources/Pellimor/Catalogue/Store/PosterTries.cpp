#include "Catalogue/Store/PosterTries.h"

#include "Support/AtomicFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pellimor {

namespace {

constexpr int kVersion = 1;
// Far beyond what the memory of the largest catalogue needs; a larger file is not this one.
constexpr qint64 kMostBytes = 64 * 1024 * 1024;

const QString kVersionKey = QStringLiteral("version");
const QString kEventsKey = QStringLiteral("events");
const QString kNameKey = QStringLiteral("name");
const QString kSizeKey = QStringLiteral("size");
const QString kModifiedKey = QStringLiteral("modified");

std::optional<QList<PosterCandidate>> candidatesFrom(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    QList<PosterCandidate> candidates;
    for (const QJsonValue& item : value.toArray()) {
        const QJsonObject object = item.toObject();
        const QJsonValue name = object.value(kNameKey);
        const QJsonValue size = object.value(kSizeKey);
        const QJsonValue modified = object.value(kModifiedKey);
        if (!name.isString() || !size.isDouble() || !modified.isDouble())
            return std::nullopt;
        candidates.append(
            {.name = name.toString(), .size = size.toInteger(), .modifiedNanoseconds = modified.toInteger()});
    }
    return candidates;
}

} // namespace

PosterTries PosterTries::load(const QString& path) {
    PosterTries tries;
    QFile file(path);
    if (!file.exists())
        return tries;
    // From here on an unreadable file is replaced at the next save.
    tries.m_changed = true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostBytes)
        return tries;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject root = document.object();
    if (root.value(kVersionKey).toInteger() != kVersion || !root.value(kEventsKey).isObject())
        return tries;
    const QJsonObject events = root.value(kEventsKey).toObject();
    for (auto it = events.constBegin(); it != events.constEnd(); ++it) {
        // An entry that does not read is left out; the others still spare their tries.
        if (std::optional<QList<PosterCandidate>> candidates = candidatesFrom(it.value()))
            tries.m_failed.insert(it.key(), std::move(*candidates));
    }
    tries.m_changed = tries.m_failed.size() != events.size();
    return tries;
}

bool PosterTries::failedBefore(const QString& key, const QList<PosterCandidate>& tried) const {
    const auto found = m_failed.constFind(key);
    return found != m_failed.constEnd() && *found == tried;
}

void PosterTries::recordFailure(const QString& key, const QList<PosterCandidate>& tried) {
    const auto found = m_failed.find(key);
    if (found != m_failed.end() && *found == tried)
        return;
    m_failed.insert(key, tried);
    m_changed = true;
}

void PosterTries::forget(const QString& key) {
    if (m_failed.remove(key))
        m_changed = true;
}

void PosterTries::keepOnly(const QSet<QString>& keep) {
    for (auto it = m_failed.begin(); it != m_failed.end();) {
        if (keep.contains(it.key())) {
            ++it;
        } else {
            it = m_failed.erase(it);
            m_changed = true;
        }
    }
}

Result<void> PosterTries::save(const QString& path) {
    QJsonObject events;
    for (auto it = m_failed.constBegin(); it != m_failed.constEnd(); ++it) {
        QJsonArray candidates;
        for (const PosterCandidate& candidate : it.value())
            candidates.append(QJsonObject{{kNameKey, candidate.name},
                                          {kSizeKey, candidate.size},
                                          {kModifiedKey, candidate.modifiedNanoseconds}});
        events.insert(it.key(), candidates);
    }
    const QJsonObject root{{kVersionKey, kVersion}, {kEventsKey, events}};
    Result<void> written = AtomicFile::write(path, QJsonDocument(root).toJson(QJsonDocument::Compact),
                                             AtomicFile::Durability::unsynced);
    if (written.ok())
        m_changed = false;
    return written;
}

} // namespace pellimor

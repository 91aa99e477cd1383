#pragma once

#include "Support/Result.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace pellimor {

// One media file a poster try looked at, as the file system described it then.
struct PosterCandidate {
    QString name;     // the file's name inside the event's "Original Media"
    qint64 size = -1; // -1 when the file could not be looked up
    qint64 modifiedNanoseconds = 0;

    bool operator==(const PosterCandidate&) const = default;
};

// The poster tries that gave no picture, remembered across runs in a small file of the
// posters folder. An event whose files give no frame (audio only, a codec the decoder lacks,
// damaged media) would otherwise have its files opened again at the end of every scan; with
// this memory it is tried again only once the files it was tried with change (one added or
// removed, resized or touched).
//
// Only a memory: a missing or damaged file reads as empty and costs one more try per event,
// never a poster. A plain value: one thread at a time.
class PosterTries {
public:
    // The file's name inside the posters folder; it cannot be taken for a poster, whose names
    // are a hash and ".jpg".
    static QString fileName() { return QStringLiteral("failed.json"); }

    // What the file at `path` holds; empty when it is missing, unreadable or damaged.
    static PosterTries load(const QString& path);

    // The event under `key` was tried with exactly these candidates, in this order, and gave
    // no picture.
    bool failedBefore(const QString& key, const QList<PosterCandidate>& tried) const;
    // The event under `key` gave no picture from `tried`; replaces what was known of it.
    void recordFailure(const QString& key, const QList<PosterCandidate>& tried);
    // The event under `key` is no longer known to fail (it has a poster now).
    void forget(const QString& key);
    // Drops every event whose key is not in `keep`: the events that are gone or have a poster,
    // so the memory follows the catalogue instead of growing for ever.
    void keepOnly(const QSet<QString>& keep);

    qsizetype size() const { return m_failed.size(); }
    // Differs from what the file holds (or the file could not be read as this memory).
    bool changed() const { return m_changed; }

    // Replaces the file at `path` with this memory, as one whole file. The file may be lost if
    // the machine stops soon after: that costs tries again, nothing else. Any thread.
    Result<void> save(const QString& path);

private:
    QHash<QString, QList<PosterCandidate>> m_failed;
    bool m_changed = false;
};

} // namespace pellimor

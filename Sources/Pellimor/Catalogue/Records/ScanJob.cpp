#include "Catalogue/Records/ScanJob.h"

#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"
#include "Support/PathText.h"

#include <QSet>

namespace pellimor {

namespace {

// The stored fields, in declaration order: one list for writing and for reading.
template <typename Record, typename Fields> void fields(Record& r, Fields& f) {
    f("roots", r.roots);
    f("maxDepth", r.maxDepth);
    f("remember", r.remember);
    f("fullRescan", r.fullRescan);
    f("posters", r.posters);
    f("concurrency", r.concurrency);
    f("rootIndex", r.rootIndex);
    f("pending", r.pending);
    f("found", r.found);
    f("discoveryDone", r.discoveryDone);
    f("done", r.done);
    f("updatedAt", r.updatedAt);
    f("unlisted", r.unlisted);
}

// The path clean, or nothing when it is not absolute or climbs above "/".
std::optional<QString> cleanAbsolute(const QString& path) {
    if (!path.startsWith(u'/'))
        return std::nullopt;
    const QString clean = PathText::absoluteCleanPath(path);
    if (clean == QLatin1String("/..") || clean.startsWith(QLatin1String("/../")))
        return std::nullopt;
    return clean;
}

// The paths of `paths` that lie at or below `root` once clean, each once; the rest go to
// `dropped`.
QList<QString> below(const QString& root, const QList<QString>& paths, QStringList& dropped) {
    QList<QString> kept;
    QSet<QString> seen;
    for (const QString& path : paths) {
        const std::optional<QString> clean = cleanAbsolute(path);
        if (!clean || !PathText::isAtOrBelow(*clean, root)) {
            dropped.append(path);
            continue;
        }
        if (!seen.contains(*clean)) {
            seen.insert(*clean);
            kept.append(*clean);
        }
    }
    return kept;
}

} // namespace

void RecordJson::write(RecordWriter& writer, const ScanJob& record) {
    fields(record, writer);
}

void RecordJson::read(RecordReader& reader, ScanJob& record) {
    fields(record, reader);
}

void ScanJob::startRoot(qint64 index) {
    rootIndex = index;
    pending.reset();
    found.clear();
    done.clear();
    discoveryDone = false;
    unlisted.reset();
}

std::optional<ScanJob> ScanJob::cleaned(QStringList& dropped) const {
    ScanJob job = *this;
    job.roots.clear();
    bool currentKept = false;
    qint64 current = -1; // the current root's place among the roots kept
    for (qsizetype i = 0; i < roots.size(); ++i) {
        if (i == rootIndex)
            current = job.roots.size();
        if (const std::optional<QString> clean = cleanAbsolute(roots.at(i))) {
            currentKept = currentKept || i == rootIndex;
            job.roots.append(*clean);
        } else {
            dropped.append(roots.at(i));
        }
    }
    if (job.roots.isEmpty())
        return std::nullopt;

    if (!currentKept) {
        // Past the end, or before the first root (which a scan treats as the first): what the
        // job held of its progress belongs to no root that is kept.
        const qint64 next = current >= 0 ? current : rootIndex < 0 ? 0 : job.roots.size();
        for (const PendingDir& dir : pending.value_or(QList<PendingDir>()))
            dropped.append(dir.path);
        dropped.append(found);
        dropped.append(done);
        dropped.append(unlisted.value_or(QList<QString>()));
        job.startRoot(next);
        return job;
    }

    job.rootIndex = current;
    const QString& root = job.roots.at(current);
    if (pending) {
        QList<PendingDir> kept;
        for (const PendingDir& dir : *pending) {
            const std::optional<QString> clean = cleanAbsolute(dir.path);
            if (clean && PathText::isAtOrBelow(*clean, root))
                kept.append(PendingDir{*clean, dir.level});
            else
                dropped.append(dir.path);
        }
        job.pending = kept;
    }
    job.found = below(root, found, dropped);
    job.done = below(root, done, dropped);
    if (unlisted)
        job.unlisted = below(root, *unlisted, dropped);
    return job;
}

Result<QJsonObject> ScanJob::toJson(RecordJson::DateForm form) const {
    return RecordJson::toObject(*this, form);
}

Result<ScanJob> ScanJob::fromJson(const QJsonObject& object, RecordJson::DateForm form) {
    return RecordJson::fromObject<ScanJob>(object, form);
}

} // namespace pellimor

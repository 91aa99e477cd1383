#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/AtomicFile.h"
#include "Support/RegularFile.h"
#include "Support/WriteQueue.h"

#include <QDir>
#include <QFile>

namespace pellimor {

namespace {

// "“a”, “b”, “c” and 4 more": enough of a list to find it in the file.
QString someOf(const QStringList& texts) {
    constexpr qsizetype kShown = 3;
    QStringList shown;
    for (qsizetype i = 0; i < texts.size() && i < kShown; ++i)
        shown.append(u'\u201C' + texts.at(i) + u'\u201D');
    QString list = shown.join(QStringLiteral(", "));
    if (texts.size() > kShown)
        list += QStringLiteral(" and %1 more").arg(texts.size() - kShown);
    return list;
}

} // namespace

QString Catalog::jobFile() const {
    return QDir(m_dir).filePath(QStringLiteral("scanjob.json"));
}

void Catalog::loadJob() {
    const QString file = jobFile();
    // A job that cannot be read or decoded is no job to resume; the next scan writes its own.
    const RegularFile::Contents read = RegularFile::read(file);
    if (read.status != RegularFile::Status::ok)
        return;
    Result<ScanJob> job = RecordJson::decodeRecordBytes<ScanJob>(read.bytes, RecordJson::DateForm::Since2001);
    if (!job.ok())
        return;
    QStringList dropped;
    std::optional<ScanJob> cleaned = job->cleaned(dropped);
    if (!dropped.isEmpty()) {
        QString message =
            QStringLiteral("The paused scan held paths that are not clean absolute paths at or below "
                           "their scan folder, so they were left out: %1.")
                .arg(someOf(dropped));
        if (!cleaned)
            message += QStringLiteral(" No scan folder was left, so there is no scan to resume.");
        ErrorLog::log(ErrorLog::Level::warn, QStringLiteral("catalogue"), message, file);
    }
    if (cleaned)
        setPausedJob(std::move(*cleaned));
}

void Catalog::persistJob(Timing timing) {
    m_currentJob.updatedAt = QDateTime::currentDateTimeUtc();
    // A failed write keeps the previous file whole; the scan goes on without a word, and the
    // next write tries again. The job is written after every third library and at every
    // checkpoint of a walk, so it does not wait for the disk: should the machine stop before
    // the data gets there, the worst left is an older job or none to resume, and the scan
    // started again reads only what the catalogue (which is synced) does not hold yet.
    if (timing == Timing::now && m_writes->idle()) {
        const Result<QByteArray> bytes =
            RecordJson::encodeRecordBytes(m_currentJob, RecordJson::DateForm::Since2001);
        if (bytes.ok())
            (void)AtomicFile::write(jobFile(), bytes.value(), AtomicFile::Durability::unsynced);
        return;
    }
    // Last in the queue: after the catalogue that holds every library it counts as done.
    m_writes->write(
        jobFile(),
        [job = m_currentJob] { return RecordJson::encodeRecordBytes(job, RecordJson::DateForm::Since2001); },
        AtomicFile::Durability::unsynced, WriteQueue::Place::last);
}

void Catalog::clearJob() {
    // A file that cannot be removed comes back as the paused scan at the next start, which
    // loses nothing; the job is forgotten here all the same.
    if (m_writes->idle())
        QFile::remove(jobFile());
    else
        m_writes->remove(jobFile());
    setPausedJob(std::nullopt);
}

} // namespace pellimor

#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/ScanJob.h"
#include "Catalogue/Store/Catalog.h"
#include "Support/AtomicFile.h"

#include <QDir>
#include <QFile>

namespace pellimor {

namespace {

QString jobFile(const QString& dataFolder) {
    return QDir(dataFolder).filePath(QStringLiteral("scanjob.json"));
}

} // namespace

void Catalog::persistJob() {
    m_currentJob.updatedAt = QDateTime::currentDateTimeUtc();
    const Result<QByteArray> bytes =
        RecordJson::encodeRecordBytes(m_currentJob, RecordJson::DateForm::Since2001);
    if (!bytes.ok())
        return;
    // A failed write keeps the previous file whole; the scan goes on without a word, and the
    // next write tries again. The job is written after every third library and at every
    // checkpoint of a walk, so it does not wait for the disk: should the machine stop before
    // the data gets there, the worst left is an older job or none to resume, and the scan
    // started again reads only what the catalogue (which is synced) does not hold yet.
    (void)AtomicFile::write(jobFile(m_dir), bytes.value(), AtomicFile::Durability::unsynced);
}

void Catalog::clearJob() {
    // A file that cannot be removed comes back as the paused scan at the next start, which
    // loses nothing; the job is forgotten here all the same.
    QFile::remove(jobFile(m_dir));
    setPausedJob(std::nullopt);
}

} // namespace pellimor

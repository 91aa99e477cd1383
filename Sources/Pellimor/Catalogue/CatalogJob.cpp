#include "Catalogue/Catalog.h"
#include "Catalogue/RecordJson.h"
#include "Catalogue/ScanJob.h"
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
    // next write tries again.
    (void)AtomicFile::write(jobFile(m_dir), bytes.value());
}

void Catalog::clearJob() {
    // A file that cannot be removed comes back as the paused scan at the next start, which
    // loses nothing; the job is forgotten here all the same.
    QFile::remove(jobFile(m_dir));
    setPausedJob(std::nullopt);
}

} // namespace pellimor

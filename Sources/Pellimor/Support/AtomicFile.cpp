#include "Support/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace pellimor::AtomicFile {

namespace {

QString quoted(const QString& path) {
    return u'\u201C' + QDir::toNativeSeparators(path) + u'\u201D';
}

Failure cannotSave(const QString& path, const QString& reason) {
    return Failure{QStringLiteral("Couldn\u2019t save %1: %2. Any earlier version of the file is unchanged.")
                       .arg(quoted(path), reason)};
}

Result<void> checkTarget(const QString& path) {
    if (path.isEmpty())
        return Failure{QStringLiteral("Couldn\u2019t save a file: no file name was given.")};
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return cannotSave(path, QStringLiteral("the folder %1 could not be created").arg(quoted(folder)));
    return {};
}

// Writes `bytes` to a new file beside `path` whose name no other file has; its name.
Result<QString> writeAside(const QString& path, const QByteArray& bytes, bool sync) {
    QFile file;
    for (int attempt = 0;; ++attempt) {
        file.setFileName(path + QStringLiteral(".tmp-") +
                         QString::number(QRandomGenerator::global()->generate64(), 36));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (attempt == 8 || !QFileInfo::exists(file.fileName()))
            return cannotSave(path, file.errorString());
    }
    const auto failed = [&](const QString& reason) -> Result<QString> {
        file.close();
        QFile::remove(file.fileName());
        return cannotSave(path, reason);
    };
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed(file.errorString());
    if (sync && ::fdatasync(file.handle()) != 0)
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failed(file.errorString());
    return file.fileName();
}

// Gives the file at `temporary` the name `path`, replacing whatever file had it; the
// temporary file is gone either way.
Result<void> replace(const QString& temporary, const QString& path) {
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return cannotSave(path, reason);
    }
    return {};
}

} // namespace

Result<void> write(const QString& path, const QByteArray& bytes, Durability durability) {
    if (const Result<void> target = checkTarget(path); !target.ok())
        return target;

    if (durability == Durability::unsynced) {
        const Result<QString> aside = writeAside(path, bytes, false);
        if (!aside.ok())
            return Failure{aside.error()};
        return replace(aside.value(), path);
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return cannotSave(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return cannotSave(path, reason);
    }
    if (!file.commit())
        return cannotSave(path, file.errorString());
    return {};
}

Result<std::shared_ptr<Staged>> stage(const QString& path, const QByteArray& bytes) {
    if (const Result<void> target = checkTarget(path); !target.ok())
        return Failure{target.error()};
    const Result<QString> aside = writeAside(path, bytes, true);
    if (!aside.ok())
        return Failure{aside.error()};
    return std::shared_ptr<Staged>(new Staged(path, aside.value()));
}

Staged::~Staged() {
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

Result<void> Staged::commit() {
    if (m_temporary.isEmpty())
        return cannotSave(m_path, QStringLiteral("it was saved once already"));
    const QString temporary = std::exchange(m_temporary, QString());
    return replace(temporary, m_path);
}

} // namespace pellimor::AtomicFile

#include "Support/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace pellimor::AtomicFile {

namespace {

// Between a target's name and the random part of the temporary file that replaces it.
const QString kTemporaryMark = QStringLiteral(".tmp-");

QString quoted(const QString& path) {
    return u'\u201C' + QDir::toNativeSeparators(path) + u'\u201D';
}

Failure cannotSave(const QString& path, const QString& reason) {
    return Failure{QStringLiteral("Couldn\u2019t save %1: %2. Any earlier version of the file is unchanged.")
                       .arg(quoted(path), reason)};
}

// The temporary files this process has made and not yet renamed or removed: never a
// leftover, whoever asks. A name is entered before its file is made.
struct Staging {
    std::mutex lock;
    QSet<QString> files;
};

Staging& staging() {
    static Staging instance;
    return instance;
}

// One spelling per file, whichever way a caller wrote its folder.
QString stagingKey(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void beginStaging(const QString& temporary) {
    Staging& s = staging();
    const std::lock_guard guard(s.lock);
    s.files.insert(stagingKey(temporary));
}

void endStaging(const QString& temporary) {
    Staging& s = staging();
    const std::lock_guard guard(s.lock);
    s.files.remove(stagingKey(temporary));
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
        file.setFileName(path + kTemporaryMark +
                         QString::number(QRandomGenerator::global()->generate64(), 36));
        beginStaging(file.fileName());
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        endStaging(file.fileName());
        if (attempt == 8 || !QFileInfo::exists(file.fileName()))
            return cannotSave(path, file.errorString());
    }
    const auto failed = [&](const QString& reason) -> Result<QString> {
        file.close();
        QFile::remove(file.fileName());
        endStaging(file.fileName());
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
        endStaging(temporary);
        return cannotSave(path, reason);
    }
    endStaging(temporary);
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
    if (m_temporary.isEmpty())
        return;
    QFile::remove(m_temporary);
    endStaging(m_temporary);
}

QStringList removeLeftovers(const QString& folder, const QRegularExpression& targetNames) {
    const QRegularExpression target(QRegularExpression::anchoredPattern(targetNames.pattern()),
                                    targetNames.patternOptions());
    // The mark a temporary name carries after its target's: the base-36 digits of a random number.
    static const QRegularExpression mark(QRegularExpression::anchoredPattern(QStringLiteral("[0-9a-z]+")));
    QStringList removed;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*") + kTemporaryMark + QStringLiteral("*")},
                                            QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : names) {
        const qsizetype at = name.lastIndexOf(kTemporaryMark);
        if (!target.match(name.left(at)).hasMatch() ||
            !mark.match(name.mid(at + kTemporaryMark.size())).hasMatch())
            continue;
        const QString path = dir.filePath(name);
        Staging& s = staging();
        const std::lock_guard guard(s.lock);
        // Held while removing, so that no file of this process can be made under the name meanwhile.
        if (s.files.contains(stagingKey(path)))
            continue;
        if (QFile::remove(path))
            removed.append(name);
    }
    return removed;
}

Result<void> Staged::commit() {
    if (m_temporary.isEmpty())
        return cannotSave(m_path, QStringLiteral("it was saved once already"));
    const QString temporary = std::exchange(m_temporary, QString());
    return replace(temporary, m_path);
}

} // namespace pellimor::AtomicFile

#include "Support/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace pellimor::AtomicFile {

namespace {

QString quoted(const QString& path) {
    return u'\u201C' + QDir::toNativeSeparators(path) + u'\u201D';
}

Failure cannotSave(const QString& path, const QString& reason) {
    return Failure{QStringLiteral("Couldn\u2019t save %1: %2. Any earlier version of the file is unchanged.")
                       .arg(quoted(path), reason)};
}

} // namespace

Result<void> write(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return Failure{QStringLiteral("Couldn\u2019t save a file: no file name was given.")};

    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return cannotSave(path, QStringLiteral("the folder %1 could not be created").arg(quoted(folder)));

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

} // namespace pellimor::AtomicFile

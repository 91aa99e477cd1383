#include "Support/KeptAside.h"

#include <QDir>
#include <QFileInfo>

namespace pellimor::KeptAside {

QString name(const QString& file, const QDateTime& at) {
    return file + QStringLiteral(".unreadable-") +
           at.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

std::optional<QString> move(const QString& file) {
    const QString target = name(file, QDateTime::currentDateTimeUtc());
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() || targetInfo.isSymLink())
        return std::nullopt;
    if (!QDir().rename(file, target))
        return std::nullopt;
    return target;
}

} // namespace pellimor::KeptAside

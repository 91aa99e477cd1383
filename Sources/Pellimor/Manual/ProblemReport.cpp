#include "Manual/ProblemReport.h"

#include "Platform/Services.h"

namespace pellimor::ProblemReport {

QString appVersion() {
    const QVariantMap info = platform::services().bundle->infoDictionary();
    const QVariant shortVersion = info.value(QStringLiteral("CFBundleShortVersionString"));
    if (shortVersion.typeId() != QMetaType::QString)
        return QStringLiteral("Tovlin (not packaged)");
    const QVariant build = info.value(QStringLiteral("CFBundleVersion"));
    const QString buildText = build.typeId() == QMetaType::QString ? build.toString() : QString();
    return QStringLiteral("Tovlin ") + shortVersion.toString() + QStringLiteral(" (") + buildText +
           QStringLiteral(")");
}

} // namespace pellimor::ProblemReport

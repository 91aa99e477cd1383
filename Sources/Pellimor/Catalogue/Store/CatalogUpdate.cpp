#include "Catalogue/Store/Catalog.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/VersionKey.h"

namespace pellimor {

std::optional<QString> Catalog::fcpAppURL() const {
    const auto finalCut = platform::services().finalCut;
    if (!finalCut)
        return std::nullopt;
    return finalCut->location();
}

std::optional<QString> Catalog::readInstalledFCP() {
    const auto finalCut = platform::services().finalCut;
    if (!finalCut)
        return std::nullopt;
    const std::optional<QString> app = finalCut->location();
    if (!app)
        return std::nullopt;
    const std::optional<QVariantMap> info = finalCut->infoDictionary(*app);
    if (!info)
        return std::nullopt;
    const QVariant version = info->value(QStringLiteral("CFBundleShortVersionString"));
    if (version.typeId() != QMetaType::QString)
        return std::nullopt;
    return version.toString();
}

void Catalog::refreshInstalledFCP() {
    std::optional<QString> installed = readInstalledFCP();
    if (installed == m_installedFCP)
        return;
    m_installedFCP = std::move(installed);
    Q_EMIT installedFCPChanged();
    Q_EMIT changed();
}

Catalog::UpdateStatus Catalog::updateStatus(const LibraryInfo& library) const {
    const std::optional<QString>& installed = m_installedFCP;
    if (!installed || !library.fcpVersion)
        return UpdateStatus::unknown;
    const std::pair<qint64, qint64> libraryKey = versionKey(*library.fcpVersion);
    const std::pair<qint64, qint64> installedKey = versionKey(*installed);
    if (libraryKey < installedKey)
        return UpdateStatus::needsUpdate;
    if (libraryKey > installedKey)
        return UpdateStatus::tooNew;
    return UpdateStatus::current;
}

} // namespace pellimor

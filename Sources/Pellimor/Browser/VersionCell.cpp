#include "Browser/VersionCell.h"

namespace pellimor {

VersionCell VersionCell::of(const QString& version, const QString& installed, Catalog::UpdateStatus status) {
    if (version.isEmpty())
        return {QStringLiteral("—"), CellTone::secondary, QString()};
    switch (status) {
    case Catalog::UpdateStatus::needsUpdate:
        return {version + QStringLiteral(" → ") + installed, CellTone::blue,
                QStringLiteral("Saved with Final Cut Pro ") + version + QStringLiteral(". You have ") +
                    installed + QStringLiteral(", so Final Cut will update this library when you open it.")};
    case Catalog::UpdateStatus::tooNew:
        return {version + QStringLiteral(" (yours ") + installed + u')', CellTone::red,
                QStringLiteral("Saved with a newer Final Cut Pro than the ") + installed +
                    QStringLiteral(" installed here. Update Final Cut to open it.")};
    case Catalog::UpdateStatus::current:
        return {version + QStringLiteral(" ✓"), CellTone::green,
                QStringLiteral("Saved with the same Final Cut Pro version as installed here (") + installed +
                    QStringLiteral(").")};
    case Catalog::UpdateStatus::unknown:
        break;
    }
    return {version, CellTone::secondary, QString()};
}

} // namespace pellimor

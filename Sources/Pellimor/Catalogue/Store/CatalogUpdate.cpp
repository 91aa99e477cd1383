#include "Catalogue/Store/Catalog.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"

#include <QStringList>
#include <limits>

namespace pellimor {

namespace {

// One piece of a version text as a number: an optional sign and ASCII digits only, nothing
// else (no blanks, no other scripts' digits). Anything else, or a value beyond 64 bits,
// counts as 0.
qint64 versionNumber(QStringView piece) {
    bool negative = false;
    if (piece.startsWith(u'+') || piece.startsWith(u'-')) {
        negative = piece.front() == u'-';
        piece = piece.mid(1);
    }
    if (piece.isEmpty())
        return 0;
    // Accumulated as a magnitude, so the most negative 64-bit value still fits.
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    for (const QChar c : piece) {
        if (c < u'0' || c > u'9')
            return 0;
        const quint64 digit = quint64(c.unicode() - u'0');
        if (magnitude > (limit - digit) / 10)
            return 0;
        magnitude = magnitude * 10 + digit;
    }
    if (!negative)
        return qint64(magnitude);
    return magnitude == limit ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
}

// The first two numbers of a version text: "10.4.6" → 10, 4; "11" → 11; "10.x" → 10, 0;
// "10..6" → 10, 6; "" → none. Only these two decide whether Final Cut Pro opens a library.
QList<qint64> versionKey(const QString& version) {
    const QStringList pieces = version.split(u'.', Qt::SkipEmptyParts);
    QList<qint64> key;
    for (qsizetype i = 0; i < pieces.size() && i < 2; ++i)
        key.append(versionNumber(pieces.at(i)));
    return key;
}

} // namespace

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
    const QList<qint64> libraryKey = versionKey(*library.fcpVersion);
    const QList<qint64> installedKey = versionKey(*installed);
    for (qsizetype i = 0; i < 2; ++i) {
        const qint64 mine = libraryKey.value(i, 0);
        const qint64 theirs = installedKey.value(i, 0);
        if (mine < theirs)
            return UpdateStatus::needsUpdate;
        if (mine > theirs)
            return UpdateStatus::tooNew;
    }
    return UpdateStatus::current;
}

} // namespace pellimor

#include "ScanRules/MediaKind.h"

#include <QHashFunctions>

namespace pellimor {

QString rawValue(MediaKind kind) {
    switch (kind) {
    case MediaKind::video:
        return QStringLiteral("video");
    case MediaKind::photo:
        return QStringLiteral("photo");
    }
    return {};
}

std::optional<MediaKind> mediaKindFromRawValue(const QString& raw) {
    if (raw == u"video")
        return MediaKind::video;
    if (raw == u"photo")
        return MediaKind::photo;
    return std::nullopt;
}

size_t qHash(MediaKind kind, size_t seed) noexcept {
    return ::qHash(rawValue(kind), seed);
}

} // namespace pellimor

#pragma once

#include <QString>
#include <cstddef>
#include <optional>

namespace pellimor {

// What a media file holds, judged from its extension. The raw values are stored in
// media lists and compared as text, so they never change.
enum class MediaKind { video, photo };

// "video" or "photo".
QString rawValue(MediaKind kind);

// The kind whose raw value is exactly `raw`; any other text gives nothing.
std::optional<MediaKind> mediaKindFromRawValue(const QString& raw);

// Hashes by raw value, so QHash/QSet keys agree with the stored text.
size_t qHash(MediaKind kind, size_t seed = 0) noexcept;

} // namespace pellimor

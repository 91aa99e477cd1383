#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace pellimor::PosterImage {

// The file of a poster named `fileName` in the catalogue's poster folder; nothing for a name
// that is not a plain file name (empty, ".", "..", or holding a separator), which a damaged
// catalogue could hold to point anywhere on disk.
std::optional<QString> path(const QString& posterDir, const QString& fileName);

// The picture at `file`, scaled to fill `size` (device pixels) and cut to it around its centre;
// a null image when the file is missing, not a regular file (a folder, a pipe), empty, larger
// than a poster can be, not an image, or an image too large to decode at once. The image is
// decoded at the size shown where its format allows, so a large poster costs little. Main
// thread or any other: it touches nothing shared.
QImage load(const QString& file, const QSize& size);

} // namespace pellimor::PosterImage

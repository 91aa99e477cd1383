#include "Browser/Views/PosterImage.h"

#include "Support/OpenFolder.h"
#include "Support/RegularFile.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace pellimor::PosterImage {

namespace {

// Poster frames are small JPEGs; anything far larger is not one of ours and is not read whole
// into memory on the main thread.
constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
// A picture whose format cannot be decoded at a smaller size is decoded whole first: beyond
// this many pixels (a 6K frame) that would hold the window up, so it shows no picture instead.
// A format that scales while decoding does so by at most an eighth on each side.
constexpr qint64 kMaxWholePixels = 6144LL * 3456LL;
constexpr qint64 kMaxScaledPixels = 64 * kMaxWholePixels;

} // namespace

std::optional<QString> path(const QString& posterDir, const QString& fileName) {
    if (!isSingleName(QStringView(fileName)) || fileName.contains(u'\\') || posterDir.isEmpty())
        return std::nullopt;
    return posterDir + (posterDir.endsWith(u'/') ? QString() : QStringLiteral("/")) + fileName;
}

QImage load(const QString& file, const QSize& size) {
    if (size.isEmpty())
        return {};
    const RegularFile::Contents contents = RegularFile::read(file, kMaxFileBytes);
    if (contents.status != RegularFile::Status::ok || contents.bytes.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(contents.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize source = reader.size();
    if (!source.isValid() || source.isEmpty())
        return {};
    // Scaled to fill: the larger of the two ratios, so both sides cover the frame.
    const double scale =
        std::max(double(size.width()) / source.width(), double(size.height()) / source.height());
    const QSize scaled(std::max(1, int(std::ceil(source.width() * scale))),
                       std::max(1, int(std::ceil(source.height() * scale))));
    const bool scalesWhileDecoding = reader.supportsOption(QImageIOHandler::ScaledSize);
    const qint64 pixels = qint64(source.width()) * source.height();
    if (pixels > (scalesWhileDecoding ? kMaxScaledPixels : kMaxWholePixels))
        return {};
    reader.setScaledSize(scaled);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.size() != scaled)
        image = image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QPoint offset((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2);
    return image.copy(QRect(offset, size));
}

} // namespace pellimor::PosterImage

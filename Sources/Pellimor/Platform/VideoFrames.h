#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>
#include <stop_token>

namespace pellimor::platform {

// One decoded picture as 8-bit RGB, rows of `width` × 3 bytes one after the other.
struct VideoFrame {
    int width = 0;
    int height = 0;
    QByteArray rgb;

    // The red, green and blue bytes of one pixel; (0, 0) is the top left.
    const uchar* pixel(int x, int y) const {
        return reinterpret_cast<const uchar*>(rgb.constData()) + (qsizetype(y) * width + x) * 3;
    }
};

// Still pictures from video files, and their JPEG form.
//
// Every function blocks and may be called from any thread at once; none of them touches the
// main thread.
class VideoFrames {
public:
    virtual ~VideoFrames() = default;

    struct Request {
        double seconds = 1.0; // the time of the wanted frame; a nearby one will do
        // The picture is scaled down, never up, to fit inside this box, keeping its shape.
        int maxWidth = 480;
        int maxHeight = 270;
        // A file that has given no picture by then is given up, whatever it is doing.
        std::chrono::milliseconds timeout{20000};
    };

    // One frame of the first video stream of the file at `path`, as the file is meant to be
    // shown (its display rotation and pixel shape applied). The frame at `seconds` or, when the
    // file ends before, the last one. Nothing for a file that is not a regular file, cannot be
    // opened or decoded, has no video, or has not given a frame before the time-out or before
    // `stop` is requested.
    virtual std::optional<VideoFrame> frameAt(const QString& path, const Request& request,
                                              std::stop_token stop = {}) const = 0;

    // The JPEG encoding of `frame` at `quality` (1 to 100, as image libraries count it);
    // nothing for an empty frame or when the encoder fails.
    virtual std::optional<QByteArray> jpeg(const VideoFrame& frame, int quality) const = 0;
};

} // namespace pellimor::platform

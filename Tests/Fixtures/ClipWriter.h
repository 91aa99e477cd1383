#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Short real video clips for tests and the sample libraries, encoded with libavcodec's own
// encoders (MPEG-4 part 2; MPEG-2 in MXF and transport streams) when they are needed, so no
// video is ever kept in the repository. The same clip description gives the same bytes on
// every run.
//
//   ClipWriter::write(folder + "/A001.mov", {.width = 320, .height = 180, .rotation = 90});
namespace pellimor::fixtures::ClipWriter {

struct Colour {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

struct Clip {
    int width = 320; // even numbers: the picture is stored with half-size colour planes
    int height = 180;
    int framesPerSecond = 25;
    int frames = 50; // two seconds at the default rate
    // The clockwise turn a player gives the picture to show it upright (0, 90, 180 or 270),
    // stored as the stream's display matrix. Containers without one (AVI) leave it out.
    int rotation = 0;
    // The colour of pixel (x, y) of frame `frame`; none paints a mid grey.
    std::function<Colour(int frame, int x, int y)> paint = {};
};

// Writes the clip to `path` in the container its extension names ("mov", "mp4", "m4v",
// "avi", "mxf", "mts", "m2ts"...). Throws std::runtime_error naming the path and the reason.
void write(const QString& path, const Clip& clip);

// The bytes of the clip in the container named by `extension`.
QByteArray bytes(const QString& extension, const Clip& clip);

// Painters for the common cases.
std::function<Colour(int, int, int)> solid(Colour colour);
// `left` on the left half of every frame, `right` on the right half.
std::function<Colour(int, int, int)> split(Colour left, Colour right, int width);
// `before` for the frames shown before `seconds`, `after` from then on.
std::function<Colour(int, int, int)> changeAt(double seconds, int framesPerSecond, Colour before,
                                              Colour after);

} // namespace pellimor::fixtures::ClipWriter

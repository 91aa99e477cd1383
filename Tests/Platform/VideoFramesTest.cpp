#include "Platform/VideoFrames.h"

#include "Platform/FFmpegHandles.h"
#include "Platform/ProblemReporter.h"
#include "Platform/SystemServices.h"
#include "Tests/Fixtures/ClipWriter.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace pellimor;
using namespace pellimor::fixtures;
using pellimor::test::TestEnv;
using platform::VideoFrame;
using platform::VideoFrames;
using namespace std::chrono_literals;

namespace {

constexpr ClipWriter::Colour kRed{220, 30, 30};
constexpr ClipWriter::Colour kBlue{30, 30, 220};
constexpr ClipWriter::Colour kGreen{30, 200, 30};

enum class Hue { red, green, blue, other };

const char* hueName(Hue hue) {
    switch (hue) {
    case Hue::red:
        return "red";
    case Hue::green:
        return "green";
    case Hue::blue:
        return "blue";
    default:
        return "other";
    }
}

// Which primary clearly dominates a pixel; lossy coding shifts values, never the hue.
Hue hueAt(const VideoFrame& frame, int x, int y) {
    const uchar* p = frame.pixel(x, y);
    if (p[0] > 150 && p[1] < 90 && p[2] < 90)
        return Hue::red;
    if (p[1] > 150 && p[0] < 90 && p[2] < 90)
        return Hue::green;
    if (p[2] > 150 && p[0] < 90 && p[1] < 90)
        return Hue::blue;
    return Hue::other;
}

std::shared_ptr<VideoFrames> frames() {
    static const std::shared_ptr<VideoFrames> system = platform::makeSystemVideoFrames();
    return system;
}

QString clipAt(const QString& folder, const QString& name, const ClipWriter::Clip& clip) {
    const QString path = folder + "/" + name;
    ClipWriter::write(path, clip);
    return path;
}

// The 64 entries of each quantisation table of a baseline JPEG, in file (zig-zag) order.
std::vector<std::vector<int>> quantisationTables(const QByteArray& jpeg) {
    std::vector<std::vector<int>> tables;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const uchar marker = uchar(jpeg[at + 1]);
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (marker == 0xDB) {
            for (qsizetype t = at + 4; t + 65 <= at + 2 + length; t += 65) {
                std::vector<int> table;
                for (int i = 0; i < 64; ++i)
                    table.push_back(uchar(jpeg[t + 1 + i]));
                tables.push_back(table);
            }
        }
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return tables;
}

} // namespace

// The frame at one second in every container the program meets, not the first frame.
TEST(VideoFrames, TakesTheFrameAtOneSecondInEachContainer) {
    const QString folder = TestEnv::freshDir("frames-containers");
    for (const char* extension : {"mov", "mp4", "m4v", "avi", "mxf", "mts", "m2ts"}) {
        SCOPED_TRACE(extension);
        const QString path = clipAt(folder, QString("clip.") + extension,
                                    {.frames = 50, .paint = ClipWriter::changeAt(1.0, 25, kRed, kGreen)});
        const auto frame = frames()->frameAt(path, {});
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->width, 320);
        EXPECT_EQ(frame->height, 180);
        ASSERT_EQ(frame->rgb.size(), 320 * 180 * 3);
        EXPECT_STREQ(hueName(hueAt(*frame, 160, 90)), "green");
    }
}

// A clip shorter than the wanted time gives its last frame.
TEST(VideoFrames, AShortClipGivesItsLastFrame) {
    const QString folder = TestEnv::freshDir("frames-short");
    const QString path =
        clipAt(folder, "short.mov", {.frames = 10, .paint = ClipWriter::changeAt(0.3, 25, kRed, kBlue)});
    const auto frame = frames()->frameAt(path, {});
    ASSERT_TRUE(frame);
    EXPECT_STREQ(hueName(hueAt(*frame, 10, 10)), "blue");
}

// Scaled down, never up, to fit the box with the picture's shape kept.
TEST(VideoFrames, FitsTheBoxWithoutEverScalingUp) {
    const QString folder = TestEnv::freshDir("frames-size");
    struct Case {
        int width, height;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {1280, 720, 480, 270}, // 16:9, larger
        {640, 480, 360, 270},  // 4:3: the height limits
        {960, 200, 480, 100},  // very wide: the width limits
        {200, 100, 200, 100},  // smaller than the box: unchanged
        {180, 640, 76, 270},   // upright
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1x%2").arg(c.width).arg(c.height).toStdString());
        const QString path = clipAt(folder, QString("clip-%1x%2.mov").arg(c.width).arg(c.height),
                                    {.width = c.width, .height = c.height, .frames = 30});
        const auto frame = frames()->frameAt(path, {});
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->width, c.expectedWidth);
        EXPECT_EQ(frame->height, c.expectedHeight);
        EXPECT_EQ(frame->rgb.size(), qsizetype(frame->width) * frame->height * 3);
    }
}

// The display rotation stored with the stream is applied: a clip recorded sideways shows
// upright, and its size is measured after turning.
TEST(VideoFrames, AppliesTheStreamsDisplayRotation) {
    const QString folder = TestEnv::freshDir("frames-rotation");
    struct Case {
        int rotation;
        int width, height;
        Hue topLeft, bottomRight;
    };
    // Left half red, right half blue, as recorded.
    const Case cases[] = {
        {0, 320, 180, Hue::red, Hue::blue},
        {90, 152, 270, Hue::red, Hue::blue},  // the left edge turns to the top
        {180, 320, 180, Hue::blue, Hue::red}, // upside down: left and right swap
        {270, 152, 270, Hue::blue, Hue::red}, // the left edge turns to the bottom
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotation);
        const QString path =
            clipAt(folder, QString("turned-%1.mov").arg(c.rotation),
                   {.frames = 30, .rotation = c.rotation, .paint = ClipWriter::split(kRed, kBlue, 320)});
        const auto frame = frames()->frameAt(path, {});
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->width, c.width);
        EXPECT_EQ(frame->height, c.height);
        EXPECT_STREQ(hueName(hueAt(*frame, 5, 5)), hueName(c.topLeft));
        EXPECT_STREQ(hueName(hueAt(*frame, frame->width - 6, frame->height - 6)), hueName(c.bottomRight));
        if (c.rotation == 90 || c.rotation == 270) {
            // Top and bottom differ, left and right of one row agree.
            EXPECT_EQ(hueAt(*frame, 5, 5), hueAt(*frame, frame->width - 6, 5));
        }
    }
}

// Damaged, empty, vanished and non-file inputs give nothing, quickly, and never hang.
TEST(VideoFrames, BadInputGivesNoFrame) {
    const QString folder = TestEnv::freshDir("frames-bad");
    const QByteArray clip = ClipWriter::bytes("mov", {.frames = 50});
    FixtureFiles::writeBytes(folder + "/truncated.mov", clip.left(clip.size() / 2));
    FixtureFiles::writeBytes(folder + "/empty.mov", QByteArray());
    FixtureFiles::writeRandom(folder + "/random.mov", 300 * 1024);
    FixtureFiles::writeRandom(folder + "/random.avi", 40 * 1024);
    FixtureFiles::writeBytes(folder + "/text.mp4", "not a video at all\n");
    FixtureFiles::makeFolder(folder + "/folder.mov");
    FixtureFiles::makeLink(folder + "/dangling.mov", folder + "/nothing-here.mov");
    // A pipe nobody writes to: reading it would wait for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/pipe.mov").constData(), 0600), 0);

    for (const char* name : {"truncated.mov", "empty.mov", "random.mov", "random.avi", "text.mp4",
                             "folder.mov", "dangling.mov", "pipe.mov", "missing.mov"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(frames()->frameAt(folder + "/" + name, {}));
    }
}

// The time limit and the stop request reach FFmpeg's reads: a good file given no time, or
// asked to stop, gives nothing, and the same file otherwise gives its frame.
TEST(VideoFrames, GivesUpAtTheDeadlineOrWhenStopped) {
    const QString folder = TestEnv::freshDir("frames-deadline");
    const QString path = clipAt(folder, "good.mov", {.frames = 50});

    VideoFrames::Request noTime;
    noTime.timeout = 0ms;
    EXPECT_FALSE(frames()->frameAt(path, noTime));

    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(frames()->frameAt(path, {}, stop.get_token()));

    EXPECT_TRUE(frames()->frameAt(path, {}, std::stop_source().get_token()));
}

// The JPEG is quality 70 in the common libraries' sense (their scaled standard tables), and
// reads back as the same picture.
TEST(VideoFrames, EncodesJpegAtTheAskedQuality) {
    const QString folder = TestEnv::freshDir("frames-jpeg");
    const QString path =
        clipAt(folder, "split.mov",
               {.width = 318, .height = 178, .frames = 30, .paint = ClipWriter::split(kRed, kBlue, 318)});
    const auto frame = frames()->frameAt(path, {});
    ASSERT_TRUE(frame);
    const auto jpeg = frames()->jpeg(*frame, 70);
    ASSERT_TRUE(jpeg);
    ASSERT_TRUE(jpeg->startsWith("\xFF\xD8\xFF"));

    // Row by row, the first entries of the luminance and chrominance tables scaled to 70.
    const auto tables = quantisationTables(*jpeg);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(std::vector<int>(tables[0].begin() + 1, tables[0].begin() + 6),
              (std::vector<int>{7, 7, 8, 7, 6}));
    EXPECT_EQ(std::vector<int>(tables[1].begin() + 1, tables[1].begin() + 6),
              (std::vector<int>{11, 11, 14, 13, 14}));

    FixtureFiles::writeBytes(folder + "/poster.jpg", *jpeg);
    VideoFrames::Request whole;
    whole.maxWidth = whole.maxHeight = 4096;
    const auto back = frames()->frameAt(folder + "/poster.jpg", whole);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 318);
    EXPECT_EQ(back->height, 178);
    EXPECT_STREQ(hueName(hueAt(*back, 20, 89)), "red");
    EXPECT_STREQ(hueName(hueAt(*back, 300, 89)), "blue");

    EXPECT_FALSE(frames()->jpeg(VideoFrame{}, 70));
    EXPECT_FALSE(frames()->jpeg(VideoFrame{4, 4, QByteArray(10, '\0')}, 70));
}

// FFmpeg is opened at the first frame asked for. Where its libraries cannot be loaded, every
// frame and picture is "none", and the user's log says once why, naming what is missing.
TEST(VideoFrames, WithoutTheLibrariesEveryAnswerIsNoneAndTheReasonIsLoggedOnce) {
    const QString folder = TestEnv::freshDir("frames-unloaded");
    const QString path = clipAt(folder, "good.mov", {.frames = 30});
    ASSERT_TRUE(frames()->frameAt(path, {})) << "the installed libraries give this clip a frame";

    struct Case {
        const char* what;
        platform::ffmpeg::Sonames sonames;
        const char* named; // in the logged reason
    };
    const platform::ffmpeg::Sonames installed = platform::ffmpeg::installedSonames();
    platform::ffmpeg::Sonames formatMissing = installed;
    formatMissing.avformat = "libavformat.so.0-not-here";
    platform::ffmpeg::Sonames notFFmpeg = installed;
    notFFmpeg.avcodec = "libz.so.1"; // opens, but holds none of the codec functions
    const Case cases[] = {
        {"a library missing", formatMissing, "libavformat.so.0-not-here"},
        {"a library without the functions", notFFmpeg, "avcodec_"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(platform::ffmpeg::load(c.sonames));
        QList<platform::ProblemReporter::Problem> problems;
        const platform::ProblemReporter::Scoped sink(
            [&](const platform::ProblemReporter::Problem& problem) { problems.append(problem); });
        const std::shared_ptr<VideoFrames> unloaded = platform::makeSystemVideoFrames(c.sonames);
        EXPECT_TRUE(problems.isEmpty()) << "nothing is loaded before a frame is asked for";
        EXPECT_FALSE(unloaded->frameAt(path, {}));
        EXPECT_FALSE(unloaded->frameAt(path, {}));
        VideoFrame frame;
        frame.width = frame.height = 2;
        frame.rgb = QByteArray(12, '\x7f');
        EXPECT_FALSE(unloaded->jpeg(frame, 70));
        ASSERT_EQ(problems.size(), 1);
        EXPECT_EQ(problems.front().level, platform::ProblemReporter::Level::error);
        EXPECT_TRUE(problems.front().message.startsWith(
            QStringLiteral("Posters can’t be made: the video libraries could not be loaded (")))
            << problems.front().message.toStdString();
        EXPECT_TRUE(problems.front().message.contains(QLatin1String(c.named)))
            << problems.front().message.toStdString();
    }
}

// The platform layer names no FFmpeg library among those it needs: a start that makes no
// poster (a walk of the drives from the command line) never loads them and the hundred more
// they pull in.
TEST(VideoFrames, ThePlatformLibraryDoesNotNeedFFmpegToLoad) {
    Dl_info info{};
    const auto make = static_cast<std::shared_ptr<VideoFrames> (*)()>(&platform::makeSystemVideoFrames);
    ASSERT_NE(::dladdr(reinterpret_cast<void*>(make), &info), 0);
    void* self = ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(self, nullptr) << info.dli_fname;
    link_map* map = nullptr;
    ASSERT_EQ(::dlinfo(self, RTLD_DI_LINKMAP, &map), 0);
    const char* strings = nullptr;
    for (const ElfW(Dyn)* entry = map->l_ld; entry->d_tag != DT_NULL; ++entry)
        if (entry->d_tag == DT_STRTAB)
            strings = reinterpret_cast<const char*>(entry->d_un.d_ptr);
    ASSERT_NE(strings, nullptr);
    QStringList needed;
    for (const ElfW(Dyn)* entry = map->l_ld; entry->d_tag != DT_NULL; ++entry)
        if (entry->d_tag == DT_NEEDED)
            needed.append(QString::fromLatin1(strings + entry->d_un.d_val));
    ::dlclose(self);
    if (!QString::fromLocal8Bit(info.dli_fname).endsWith(QLatin1String(".so")))
        GTEST_SKIP() << "the platform layer is linked into the test itself in this build";
    EXPECT_TRUE(needed.contains(QStringLiteral("libQt6Core.so.6"))) << needed.join(' ').toStdString();
    for (const QString& library : needed)
        for (const char* ffmpeg : {"libavformat", "libavcodec", "libswscale", "libavutil"})
            EXPECT_FALSE(library.startsWith(QLatin1String(ffmpeg))) << library.toStdString();
}

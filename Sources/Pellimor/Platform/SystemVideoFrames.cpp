#include "Platform/FFmpegHandles.h"
#include "Platform/ProblemReporter.h"
#include "Platform/SystemServices.h"
#include "Platform/VideoFrames.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace pellimor::platform {

namespace {

using Clock = std::chrono::steady_clock;

struct FormatCloser {
    void operator()(AVFormatContext* context) const { ffmpeg::functions()->avformat_close_input(&context); }
};
using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using ffmpeg::Codec;
using ffmpeg::Frame;
using ffmpeg::Packet;
using ffmpeg::Scaler;

// Asked by FFmpeg before every read it makes, so a file on a stalled drive or one that makes
// the demuxer wander for ever is abandoned at the deadline instead of holding its thread.
struct Interrupt {
    Clock::time_point deadline;
    std::stop_token stop;

    bool due() const { return stop.stop_requested() || Clock::now() >= deadline; }
    static int check(void* opaque) { return static_cast<const Interrupt*>(opaque)->due() ? 1 : 0; }
};

// A frame buffer of FFmpeg's own, whose rows carry the padding its scalers may read and write
// beyond the last pixel.
Frame pictureBuffer(const ffmpeg::Functions& f, int width, int height, AVPixelFormat format) {
    Frame frame(f.av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (f.av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

// The clockwise turn, in quarter turns, that shows the stream upright.
int quarterTurns(const ffmpeg::Functions& f, const AVStream* stream) {
    size_t size = 0;
    const uint8_t* matrix = f.av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return 0;
    // The matrix turns counter-clockwise; what the viewer applies is the opposite turn.
    double degrees = -f.av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (!std::isfinite(degrees))
        return 0;
    degrees -= 360 * std::floor(degrees / 360 + 0.9 / 360);
    return int(std::lround(degrees / 90)) % 4;
}

// Decodes from the current position until a frame at or after `target` (in the stream's time
// base) comes out, keeping the latest frame in `frame`. True when a frame was kept.
bool decodeUntil(const ffmpeg::Functions& f, AVFormatContext* format, AVCodecContext* codec, int streamIndex,
                 int64_t target, const Interrupt& interrupt, AVFrame* frame) {
    Frame decoded(f.av_frame_alloc());
    Packet packet(f.av_packet_alloc());
    if (!decoded || !packet)
        return false;
    bool kept = false;
    // Takes every frame the decoder has ready; true once the target was reached.
    const auto drain = [&] {
        while (f.avcodec_receive_frame(codec, decoded.get()) >= 0) {
            const int64_t time = decoded->best_effort_timestamp;
            f.av_frame_unref(frame);
            f.av_frame_move_ref(frame, decoded.get());
            kept = true;
            if (time == AV_NOPTS_VALUE || time >= target)
                return true;
        }
        return false;
    };
    for (;;) {
        if (interrupt.due())
            return false;
        const int read = f.av_read_frame(format, packet.get());
        if (read == AVERROR_EXIT)
            return false;
        if (read < 0)
            break; // the end, or damage past which nothing more can be read
        bool reached = false;
        // A packet the decoder refuses is damage; later ones may still decode.
        if (packet->stream_index == streamIndex && f.avcodec_send_packet(codec, packet.get()) >= 0)
            reached = drain();
        f.av_packet_unref(packet.get());
        if (reached)
            return true;
    }
    // The file ended before the target: the frames still inside the decoder come last.
    if (f.avcodec_send_packet(codec, nullptr) >= 0)
        drain();
    return kept && !interrupt.due();
}

// Scales `source` to `width` × `height` and turns it clockwise by `quarters` quarter turns.
std::optional<VideoFrame> toRgb(const ffmpeg::Functions& f, const AVFrame* source, int width, int height,
                                int quarters) {
    const auto format = AVPixelFormat(source->format);
    if (source->width <= 0 || source->height <= 0 || format == AV_PIX_FMT_NONE ||
        !f.sws_isSupportedInput(format))
        return std::nullopt;
    const bool sideways = quarters % 2 == 1;
    const int scaledWidth = sideways ? height : width;
    const int scaledHeight = sideways ? width : height;
    Scaler scaler(f.sws_getContext(source->width, source->height, format, scaledWidth, scaledHeight,
                                   AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
    Frame scaled = pictureBuffer(f, scaledWidth, scaledHeight, AV_PIX_FMT_RGB24);
    if (!scaler || !scaled)
        return std::nullopt;
    if (f.sws_scale(scaler.get(), source->data, source->linesize, 0, source->height, scaled->data,
                    scaled->linesize) != scaledHeight)
        return std::nullopt;

    VideoFrame result;
    result.width = width;
    result.height = height;
    result.rgb.resize(qsizetype(width) * height * 3);
    auto* out = reinterpret_cast<uchar*>(result.rgb.data());
    for (int y = 0; y < scaledHeight; ++y) {
        const uchar* row = scaled->data[0] + qsizetype(y) * scaled->linesize[0];
        if (quarters == 0) {
            std::memcpy(out + qsizetype(y) * width * 3, row, size_t(width) * 3);
            continue;
        }
        for (int x = 0; x < scaledWidth; ++x) {
            int toX = x;
            int toY = y;
            switch (quarters) {
            case 1:
                toX = scaledHeight - 1 - y;
                toY = x;
                break;
            case 2:
                toX = scaledWidth - 1 - x;
                toY = scaledHeight - 1 - y;
                break;
            default:
                toX = y;
                toY = scaledWidth - 1 - x;
                break;
            }
            std::memcpy(out + (qsizetype(toY) * width + toX) * 3, row + qsizetype(x) * 3, 3);
        }
    }
    return result;
}

// The baseline tables of the JPEG standard (Annex K), row by row.
constexpr std::array<int, 64> kLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55, //
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62, //
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92, //
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominance = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, //
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99, //
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, //
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// A table scaled for a quality the way the common JPEG libraries do it, so that "quality 70"
// here means what it means to every other image program.
std::array<uint16_t, 64> qualityTable(const std::array<int, 64>& base, int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    std::array<uint16_t, 64> table{};
    for (size_t i = 0; i < 64; ++i)
        table[i] = uint16_t(std::clamp((base[i] * scale + 50) / 100, 1, 255));
    return table;
}

// An encoder context that borrows its quantisation tables: FFmpeg frees some of the tables it
// is given and not others, so they are taken back before the context goes.
struct JpegEncoder {
    std::array<uint16_t, 64> luminance{};
    std::array<uint16_t, 64> chrominance{};
    AVCodecContext* context = nullptr;

    ~JpegEncoder() {
        if (!context)
            return;
        context->intra_matrix = nullptr;
        context->chroma_intra_matrix = nullptr;
        ffmpeg::functions()->avcodec_free_context(&context);
    }
};

class SystemVideoFrames final : public VideoFrames {
public:
    explicit SystemVideoFrames(ffmpeg::Sonames sonames) : m_sonames(std::move(sonames)) {}

    std::optional<VideoFrame> frameAt(const QString& path, const Request& request,
                                      std::stop_token stop) const override {
        const QByteArray name = QFile::encodeName(path);
        // Only regular files: opening a pipe or a device could block before any deadline is
        // asked about, and their contents are no video of a library anyway.
        struct stat info {};
        if (name.isEmpty() || ::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        if (request.maxWidth < 1 || request.maxHeight < 1)
            return std::nullopt;
        const ffmpeg::Functions* loaded = functions();
        if (!loaded)
            return std::nullopt;
        const ffmpeg::Functions& f = *loaded;

        Interrupt interrupt{Clock::now() + request.timeout, std::move(stop)};
        AVFormatContext* opened = f.avformat_alloc_context();
        if (!opened)
            return std::nullopt;
        opened->interrupt_callback = {&Interrupt::check, &interrupt};
        // A file may name other resources (playlists, references); only local files are read.
        AVDictionary* options = nullptr;
        f.av_dict_set(&options, "protocol_whitelist", "file", 0);
        const int openResult = f.avformat_open_input(&opened, name.constData(), nullptr, &options);
        f.av_dict_free(&options);
        if (openResult < 0)
            return std::nullopt; // FFmpeg has freed the context
        Format format(opened);
        if (f.avformat_find_stream_info(format.get(), nullptr) < 0 || interrupt.due())
            return std::nullopt;

        const AVCodec* decoder = nullptr;
        const int streamIndex = f.av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (streamIndex < 0 || !decoder)
            return std::nullopt;
        AVStream* stream = format->streams[streamIndex];
        Codec codec(f.avcodec_alloc_context3(decoder));
        if (!codec || f.avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0)
            return std::nullopt;
        codec->thread_count = 1; // one picture; threads would only cost their start-up
        if (f.avcodec_open2(codec.get(), decoder, nullptr) < 0)
            return std::nullopt;

        const double seconds = std::isfinite(request.seconds) ? std::max(0.0, request.seconds) : 0.0;
        int64_t target =
            f.av_rescale_q(std::llround(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, stream->time_base);
        if (stream->start_time != AV_NOPTS_VALUE)
            target += stream->start_time;
        // To the key frame at or before the target; from there the decoder walks forward. A
        // file that cannot seek is read from its start.
        if (seconds > 0 && f.av_seek_frame(format.get(), streamIndex, target, AVSEEK_FLAG_BACKWARD) >= 0)
            f.avcodec_flush_buffers(codec.get());

        Frame picture(f.av_frame_alloc());
        if (!picture ||
            !decodeUntil(f, format.get(), codec.get(), streamIndex, target, interrupt, picture.get()))
            return std::nullopt;

        const int quarters = quarterTurns(f, stream);
        const AVRational shape = f.av_guess_sample_aspect_ratio(format.get(), stream, picture.get());
        double width = picture->width;
        double height = picture->height;
        if (shape.num > 0 && shape.den > 0)
            width *= av_q2d(shape);
        if (quarters % 2 == 1)
            std::swap(width, height);
        if (!(width >= 1 && height >= 1))
            return std::nullopt;
        const double scale = std::min({1.0, request.maxWidth / width, request.maxHeight / height});
        const int outWidth = std::clamp(int(std::lround(width * scale)), 1, request.maxWidth);
        const int outHeight = std::clamp(int(std::lround(height * scale)), 1, request.maxHeight);
        return toRgb(f, picture.get(), outWidth, outHeight, quarters);
    }

    std::optional<QByteArray> jpeg(const VideoFrame& frame, int quality) const override {
        if (frame.width < 1 || frame.height < 1 ||
            frame.rgb.size() < qsizetype(frame.width) * frame.height * 3)
            return std::nullopt;
        quality = std::clamp(quality, 1, 100);
        const ffmpeg::Functions* loaded = functions();
        if (!loaded)
            return std::nullopt;
        const ffmpeg::Functions& f = *loaded;
        const AVCodec* encoder = f.avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        if (!encoder)
            return std::nullopt;
        JpegEncoder jpegEncoder;
        jpegEncoder.context = f.avcodec_alloc_context3(encoder);
        AVCodecContext* codec = jpegEncoder.context;
        if (!codec)
            return std::nullopt;
        codec->width = frame.width;
        codec->height = frame.height;
        codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
        codec->color_range = AVCOL_RANGE_JPEG;
        codec->time_base = AVRational{1, 1};
        codec->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
        // With a fixed quantiser of 8 the encoder writes these tables unchanged.
        constexpr int kQuantiser = 8;
        codec->global_quality = kQuantiser * FF_QP2LAMBDA;
        jpegEncoder.luminance = qualityTable(kLuminance, quality);
        jpegEncoder.chrominance = qualityTable(kChrominance, quality);
        codec->intra_matrix = jpegEncoder.luminance.data();
        codec->chroma_intra_matrix = jpegEncoder.chrominance.data();
        if (f.avcodec_open2(codec, encoder, nullptr) < 0)
            return std::nullopt;

        Frame rgb = pictureBuffer(f, frame.width, frame.height, AV_PIX_FMT_RGB24);
        Frame yuv = pictureBuffer(f, frame.width, frame.height, AV_PIX_FMT_YUVJ420P);
        Scaler scaler(f.sws_getContext(frame.width, frame.height, AV_PIX_FMT_RGB24, frame.width, frame.height,
                                       AV_PIX_FMT_YUVJ420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!rgb || !yuv || !scaler)
            return std::nullopt;
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(rgb->data[0] + qsizetype(y) * rgb->linesize[0], frame.pixel(0, y),
                        size_t(frame.width) * 3);
        if (f.sws_scale(scaler.get(), rgb->data, rgb->linesize, 0, frame.height, yuv->data, yuv->linesize) !=
            frame.height)
            return std::nullopt;
        yuv->pts = 0;
        yuv->quality = codec->global_quality;
        yuv->color_range = AVCOL_RANGE_JPEG;

        Packet packet(f.av_packet_alloc());
        if (!packet || f.avcodec_send_frame(codec, yuv.get()) < 0 ||
            f.avcodec_send_frame(codec, nullptr) < 0 || f.avcodec_receive_packet(codec, packet.get()) < 0 ||
            packet->size <= 0)
            return std::nullopt;
        return QByteArray(reinterpret_cast<const char*>(packet->data), packet->size);
    }

private:
    // Loaded at the first frame or picture asked for; a failure is reported once and then
    // answers "none" for good, as a machine without FFmpeg would.
    const ffmpeg::Functions* functions() const {
        std::call_once(m_loading, [this] {
            QString why;
            if (m_sonames == ffmpeg::installedSonames()) {
                m_functions = ffmpeg::functions(&why);
            } else if (Result<ffmpeg::Functions> loaded = ffmpeg::load(m_sonames)) {
                m_own = *loaded;
                m_functions = &*m_own;
            } else {
                why = loaded.error();
            }
            if (m_functions)
                return;
            ProblemReporter::report(
                {ProblemReporter::Level::error, QStringLiteral("posters"),
                 QStringLiteral("Posters can’t be made: the video libraries could not be loaded (") + why +
                     QStringLiteral(
                         "). Libraries and their media are catalogued as before, without posters."),
                 std::nullopt});
        });
        return m_functions;
    }

    const ffmpeg::Sonames m_sonames;
    mutable std::once_flag m_loading;
    mutable const ffmpeg::Functions* m_functions = nullptr;
    mutable std::optional<ffmpeg::Functions> m_own;
};

} // namespace

std::shared_ptr<VideoFrames> makeSystemVideoFrames(const ffmpeg::Sonames& sonames) {
    return std::make_shared<SystemVideoFrames>(sonames);
}

std::shared_ptr<VideoFrames> makeSystemVideoFrames() {
    return makeSystemVideoFrames(ffmpeg::installedSonames());
}

} // namespace pellimor::platform

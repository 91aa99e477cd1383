#include "Tests/Fixtures/ClipWriter.h"

#include "Platform/FFmpegHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

namespace pellimor::fixtures::ClipWriter {

namespace {

struct OutputCloser {
    void operator()(AVFormatContext* context) const {
        if (context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

using platform::ffmpeg::Codec;
using platform::ffmpeg::Frame;
using platform::ffmpeg::Packet;
using platform::ffmpeg::Scaler;

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw std::runtime_error(
        QStringLiteral("could not write the clip %1: %2").arg(path, reason).toStdString());
}

QString ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

Frame frameBuffer(int width, int height, AVPixelFormat format) {
    Frame frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

// Hands every packet the encoder has ready to the muxer.
void drain(const QString& path, AVCodecContext* codec, AVFormatContext* output, AVStream* stream,
           AVPacket* packet) {
    for (;;) {
        const int received = avcodec_receive_packet(codec, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        if (received < 0)
            fail(path, ffmpegError(received));
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        const int written = av_interleaved_write_frame(output, packet);
        if (written < 0)
            fail(path, ffmpegError(written));
    }
}

} // namespace

void write(const QString& path, const Clip& clip) {
    if (clip.width < 2 || clip.height < 2 || clip.frames < 1 || clip.framesPerSecond < 1)
        fail(path, QStringLiteral("the clip needs a size, frames and a frame rate"));
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());

    AVFormatContext* allocated = nullptr;
    if (avformat_alloc_output_context2(&allocated, nullptr, nullptr, name.constData()) < 0 || !allocated)
        fail(path, QStringLiteral("no container is known for this file name"));
    std::unique_ptr<AVFormatContext, OutputCloser> output(allocated);
    output->flags |= AVFMT_FLAG_BITEXACT; // no times or version strings: the same bytes every run

    // MXF and MPEG transport streams carry no MPEG-4 part 2; cameras write MPEG-2 there.
    const bool mpeg2 =
        qstrcmp(output->oformat->name, "mxf") == 0 || qstrcmp(output->oformat->name, "mpegts") == 0;
    const AVCodec* encoder = avcodec_find_encoder(mpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG4);
    if (!encoder)
        fail(path, QStringLiteral("this FFmpeg lacks the encoder"));
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    Codec codec(avcodec_alloc_context3(encoder));
    if (!stream || !codec)
        fail(path, QStringLiteral("out of memory"));
    codec->width = clip.width;
    codec->height = clip.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, clip.framesPerSecond};
    codec->framerate = AVRational{clip.framesPerSecond, 1};
    codec->gop_size = 12; // key frames before and after one second, so seeking has work to do
    codec->max_b_frames = 0;
    codec->thread_count = 1;
    codec->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
    codec->global_quality = 3 * FF_QP2LAMBDA;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(codec.get(), encoder, nullptr);
    if (result < 0)
        fail(path, ffmpegError(result));
    if ((result = avcodec_parameters_from_context(stream->codecpar, codec.get())) < 0)
        fail(path, ffmpegError(result));
    stream->time_base = codec->time_base;
    if (clip.rotation % 360 != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        if (!matrix)
            fail(path, QStringLiteral("out of memory"));
        // The same matrix a camera writes for a clip to be turned that far clockwise.
        av_display_rotation_set(matrix, double(clip.rotation));
    }

    if (!(output->oformat->flags & AVFMT_NOFILE) &&
        (result = avio_open(&output->pb, name.constData(), AVIO_FLAG_WRITE)) < 0)
        fail(path, ffmpegError(result));
    if ((result = avformat_write_header(output.get(), nullptr)) < 0)
        fail(path, ffmpegError(result));

    auto rgb = frameBuffer(clip.width, clip.height, AV_PIX_FMT_RGB24);
    auto yuv = frameBuffer(clip.width, clip.height, AV_PIX_FMT_YUV420P);
    Scaler scaler(sws_getContext(clip.width, clip.height, AV_PIX_FMT_RGB24, clip.width, clip.height,
                                 AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    Packet packet(av_packet_alloc());
    if (!rgb || !yuv || !scaler || !packet)
        fail(path, QStringLiteral("out of memory"));
    const auto paint = clip.paint ? clip.paint : solid({128, 128, 128});
    for (int n = 0; n < clip.frames; ++n) {
        for (int y = 0; y < clip.height; ++y) {
            uint8_t* row = rgb->data[0] + qsizetype(y) * rgb->linesize[0];
            for (int x = 0; x < clip.width; ++x) {
                const Colour colour = paint(n, x, y);
                row[x * 3] = colour.red;
                row[x * 3 + 1] = colour.green;
                row[x * 3 + 2] = colour.blue;
            }
        }
        if (av_frame_make_writable(yuv.get()) < 0)
            fail(path, QStringLiteral("out of memory"));
        sws_scale(scaler.get(), rgb->data, rgb->linesize, 0, clip.height, yuv->data, yuv->linesize);
        yuv->pts = n;
        yuv->quality = codec->global_quality;
        if ((result = avcodec_send_frame(codec.get(), yuv.get())) < 0)
            fail(path, ffmpegError(result));
        drain(path, codec.get(), output.get(), stream, packet.get());
    }
    if ((result = avcodec_send_frame(codec.get(), nullptr)) < 0)
        fail(path, ffmpegError(result));
    drain(path, codec.get(), output.get(), stream, packet.get());
    if ((result = av_write_trailer(output.get())) < 0)
        fail(path, ffmpegError(result));
}

QByteArray bytes(const QString& extension, const Clip& clip) {
    QTemporaryDir folder;
    if (!folder.isValid())
        fail(extension, QStringLiteral("no temporary folder"));
    const QString path = folder.filePath(QStringLiteral("clip.") + extension);
    write(path, clip);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, file.errorString());
    return file.readAll();
}

std::function<Colour(int, int, int)> solid(Colour colour) {
    return [colour](int, int, int) { return colour; };
}

std::function<Colour(int, int, int)> split(Colour left, Colour right, int width) {
    return [=](int, int x, int) { return x < width / 2 ? left : right; };
}

std::function<Colour(int, int, int)> changeAt(double seconds, int framesPerSecond, Colour before,
                                              Colour after) {
    return [=](int frame, int, int) { return frame < seconds * framesPerSecond ? before : after; };
}

} // namespace pellimor::fixtures::ClipWriter

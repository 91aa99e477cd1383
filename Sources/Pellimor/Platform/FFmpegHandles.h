#pragma once

// FFmpeg's functions as the program reaches them, and owning handles for its codec, frame,
// packet and scaler objects, so every way out of a decode or encode frees them. The demuxer's
// input context and a muxer's output context close differently, so their owners stay with the
// code that opens them.
//
// The program does not link FFmpeg: its libraries (and the hundred others they pull in) are
// opened when the first poster is made, so a start that makes none (a command-line switch, a
// walk of the drives) never pays for loading them. Only its headers are used here, for the
// types, constants and inline helpers.

#include "Support/Result.h"

#include <QByteArray>
#include <QString>
#include <dlfcn.h>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

namespace pellimor::platform {
class VideoFrames;
}

namespace pellimor::platform::ffmpeg {

// Every function used, with the library it comes from (by its member in Sonames).
#define TOVLIN_FFMPEG_FUNCTIONS(X)                                                                           \
    X(avutil, av_frame_alloc)                                                                                \
    X(avutil, av_frame_free)                                                                                 \
    X(avutil, av_frame_get_buffer)                                                                           \
    X(avutil, av_frame_unref)                                                                                \
    X(avutil, av_frame_move_ref)                                                                             \
    X(avutil, av_display_rotation_get)                                                                       \
    X(avutil, av_rescale_q)                                                                                  \
    X(avutil, av_dict_set)                                                                                   \
    X(avutil, av_dict_free)                                                                                  \
    X(avutil, av_log_set_level)                                                                              \
    X(swscale, sws_isSupportedInput)                                                                         \
    X(swscale, sws_getContext)                                                                               \
    X(swscale, sws_scale)                                                                                    \
    X(swscale, sws_freeContext)                                                                              \
    X(avcodec, avcodec_alloc_context3)                                                                       \
    X(avcodec, avcodec_free_context)                                                                         \
    X(avcodec, avcodec_parameters_to_context)                                                                \
    X(avcodec, avcodec_open2)                                                                                \
    X(avcodec, avcodec_flush_buffers)                                                                        \
    X(avcodec, avcodec_find_encoder)                                                                         \
    X(avcodec, avcodec_send_packet)                                                                          \
    X(avcodec, avcodec_receive_frame)                                                                        \
    X(avcodec, avcodec_send_frame)                                                                           \
    X(avcodec, avcodec_receive_packet)                                                                       \
    X(avcodec, av_packet_alloc)                                                                              \
    X(avcodec, av_packet_free)                                                                               \
    X(avcodec, av_packet_unref)                                                                              \
    X(avformat, avformat_alloc_context)                                                                      \
    X(avformat, avformat_open_input)                                                                         \
    X(avformat, avformat_close_input)                                                                        \
    X(avformat, avformat_find_stream_info)                                                                   \
    X(avformat, av_find_best_stream)                                                                         \
    X(avformat, av_read_frame)                                                                               \
    X(avformat, av_seek_frame)                                                                               \
    X(avformat, av_stream_get_side_data)                                                                     \
    X(avformat, av_guess_sample_aspect_ratio)

struct Functions {
#define TOVLIN_FFMPEG_MEMBER(library, name) decltype(&::name) name = nullptr;
    TOVLIN_FFMPEG_FUNCTIONS(TOVLIN_FFMPEG_MEMBER)
#undef TOVLIN_FFMPEG_MEMBER
};

// The libraries' file names, in the order they are opened (each one's dependencies first).
struct Sonames {
    QByteArray avutil;
    QByteArray swscale;
    QByteArray avcodec;
    QByteArray avformat;
    bool operator==(const Sonames&) const = default;
};

// Everything below is in this header, not in a library of the program, so the test
// fixtures' clip writer (which links FFmpeg itself) shares the handles without linking the
// platform layer.

// The versions the headers describe, so the table always matches the declarations it uses.
inline Sonames installedSonames() {
    const auto soname = [](const char* library, int major) {
        return QByteArray("lib") + library + ".so." + QByteArray::number(major);
    };
    return {soname("avutil", LIBAVUTIL_VERSION_MAJOR), soname("swscale", LIBSWSCALE_VERSION_MAJOR),
            soname("avcodec", LIBAVCODEC_VERSION_MAJOR), soname("avformat", LIBAVFORMAT_VERSION_MAJOR)};
}

// dlerror() describes the last failure of this thread; a null one still means a failure.
inline QString lastLoadError(const char* what) {
    const char* error = ::dlerror();
    return error ? QString::fromLocal8Bit(error)
                 : QString::fromLocal8Bit(what) + QStringLiteral(": not found");
}

// Opens the libraries and resolves every function; the error names the library or function
// that is missing and why. Libraries once opened stay open for the life of the process. Any
// thread.
inline Result<Functions> load(const Sonames& sonames) {
    struct Library {
        const QByteArray& soname;
        void* handle = nullptr;
    };
    Library avutil{sonames.avutil}, swscale{sonames.swscale}, avcodec{sonames.avcodec},
        avformat{sonames.avformat};
    // Never closed: FFmpeg keeps process-wide state (codec tables, threads' keys) that would
    // dangle, and the libraries are wanted again at the next poster anyway.
    for (Library* library : {&avutil, &swscale, &avcodec, &avformat}) {
        library->handle = ::dlopen(library->soname.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!library->handle)
            return Failure{lastLoadError(library->soname.constData())};
    }
    Functions table;
#define TOVLIN_FFMPEG_RESOLVE(library, name)                                                                 \
    table.name = reinterpret_cast<decltype(table.name)>(::dlsym(library.handle, #name));                     \
    if (!table.name)                                                                                         \
        return Failure{lastLoadError(#name)};
    TOVLIN_FFMPEG_FUNCTIONS(TOVLIN_FFMPEG_RESOLVE)
#undef TOVLIN_FFMPEG_RESOLVE
    // Damaged files are expected here; FFmpeg's own complaints about them would only clutter
    // the program's error output.
    table.av_log_set_level(AV_LOG_FATAL);
    return table;
}

// The installed libraries' table, loaded on the first call; nullptr when they cannot be
// loaded (`why`, when given, then says what failed). Any thread.
inline const Functions* functions(QString* why = nullptr) {
    static const Result<Functions> installed = load(installedSonames());
    if (!installed && why)
        *why = installed.error();
    return installed ? &*installed : nullptr;
}

// The freers run only on objects the table made, so it is loaded by then.
struct CodecFreer {
    void operator()(AVCodecContext* context) const { functions()->avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { functions()->av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { functions()->av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext* scaler) const { functions()->sws_freeContext(scaler); }
};

using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;

} // namespace pellimor::platform::ffmpeg

namespace pellimor::platform {

// The system's video frames over the libraries named by `sonames`, loaded on first use: when
// they cannot be, every frame and every picture is "none" and the reason is reported once.
// makeSystemVideoFrames() is this over the installed libraries.
std::shared_ptr<VideoFrames> makeSystemVideoFrames(const ffmpeg::Sonames& sonames);

} // namespace pellimor::platform

#include "record/Recorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace record {

namespace fs = std::filesystem;

namespace {

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Milliseconds: a recording's frames keep the times they were shown at.
constexpr AVRational kMillis{1, 1000};
// A GIF counts in hundredths.
constexpr AVRational kHundredths{1, 100};

}  // namespace

struct Recorder::Av {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scale = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int width = 0, height = 0;              // the encoded picture's
    int sourceWidth = 0, sourceHeight = 0;  // the screen's
    ~Av() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        sws_freeContext(scale);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

ns::Result<Format> formatFor(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // VP9 and H.264 at their realtime settings keep up with a live screen on
    // one core; VP9 is the smaller and the quicker of the two WebM codecs
    // (the recorder benchmark).
    if (ext == ".webm") return Format{Kind::WebM, "libvpx-vp9"};
    if (ext == ".mp4") return Format{Kind::MP4, "libx264"};
    if (ext == ".gif") return Format{Kind::GIF, "gif"};
    return ns::fail(path + ": \"" + ext + "\" is not a recording's extension; .webm, .mp4 or .gif");
}

Recorder::Recorder() : av_(std::make_unique<Av>()) {}

Recorder::~Recorder() {
    av_.reset();
    if (!finished_ && !working_.empty()) ::unlink(working_.c_str());
}

ns::Result<std::unique_ptr<Recorder>> Recorder::open(const std::string& path, int width, int height,
                                                     const Format& format) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' chatter is no user's business
    if (width <= 0 || height <= 0) return ns::fail("a recording of " + std::to_string(width) + " x " + std::to_string(height));
    std::unique_ptr<Recorder> r(new Recorder());
    r->path_ = path;
    fs::path target(path);
    r->working_ = (target.parent_path() / ("." + target.filename().string() + ".part-" + std::to_string(getpid()))).string();
    Av& av = *r->av_;
    const char* muxer = format.kind == Kind::WebM ? "webm" : format.kind == Kind::MP4 ? "mp4" : "gif";
    if (avformat_alloc_output_context2(&av.format, nullptr, muxer, r->working_.c_str()) < 0 || !av.format)
        return ns::fail("this machine's libavformat cannot write " + std::string(muxer));
    const AVCodec* codec = avcodec_find_encoder_by_name(format.codec);
    if (!codec) return ns::fail("this machine's libavcodec has no " + std::string(format.codec) + " encoder");
    av.codec = avcodec_alloc_context3(codec);
    // 4:2:0 video wants even sides; the GIF keeps every pixel.
    const bool gif = format.kind == Kind::GIF;
    av.sourceWidth = width;
    av.sourceHeight = height;
    av.width = gif ? width : (width + 1) & ~1;
    av.height = gif ? height : (height + 1) & ~1;
    av.codec->width = av.width;
    av.codec->height = av.height;
    av.codec->time_base = gif ? kHundredths : kMillis;
    av.codec->pix_fmt = gif ? AV_PIX_FMT_RGB8 : AV_PIX_FMT_YUV420P;
    av.codec->thread_count = 1;
    av.codec->gop_size = 600;
    if (format.kind == Kind::WebM) {
        av_opt_set(av.codec->priv_data, "deadline", "realtime", 0);
        av_opt_set(av.codec->priv_data, "cpu-used", "8", 0);
        av_opt_set(av.codec->priv_data, "crf", "12", 0);
        av.codec->bit_rate = 2'000'000;
    } else if (format.kind == Kind::MP4) {
        av_opt_set(av.codec->priv_data, "preset", "ultrafast", 0);
        av_opt_set(av.codec->priv_data, "crf", "23", 0);
    }
    if (av.format->oformat->flags & AVFMT_GLOBALHEADER) av.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int e = avcodec_open2(av.codec, codec, nullptr); e < 0)
        return ns::fail("cannot start the " + std::string(format.codec) + " encoder: " + averror(e));
    av.stream = avformat_new_stream(av.format, nullptr);
    if (!av.stream) return ns::fail("cannot add a stream to " + path);
    av.stream->time_base = av.codec->time_base;
    avcodec_parameters_from_context(av.stream->codecpar, av.codec);
    if (int e = avio_open(&av.format->pb, r->working_.c_str(), AVIO_FLAG_WRITE); e < 0)
        return ns::fail("cannot write " + path + ": " + averror(e));
    if (int e = avformat_write_header(av.format, nullptr); e < 0) return ns::fail("cannot write " + path + ": " + averror(e));
    av.scale = sws_getContext(width, height, AV_PIX_FMT_RGBA, av.width, av.height, av.codec->pix_fmt,
                              gif ? SWS_POINT : SWS_BILINEAR, nullptr, nullptr, nullptr);
    av.frame = av_frame_alloc();
    av.packet = av_packet_alloc();
    if (!av.scale || !av.frame || !av.packet) return ns::fail("out of memory starting a recording");
    av.frame->format = av.codec->pix_fmt;
    av.frame->width = av.width;
    av.frame->height = av.height;
    if (av_frame_get_buffer(av.frame, 0) < 0) return ns::fail("out of memory starting a recording");
    // A GIF encodes a frame in about three of a live screen's sixtieths:
    // ten a second keep it within half a core (the recorder benchmark).
    r->shortestGap_ = gif ? 0.1 : 0;
    r->last_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    return r;
}

ns::Result<> Recorder::add(const std::vector<std::uint8_t>& rgba, double seconds) {
    if (finished_) return ns::fail("the recording is finished");
    if (rgba.size() != last_.size()) return ns::fail("a frame of another size than the recording's");
    if (shortestGap_ <= 0 || frames_ == 0) return encode(rgba, seconds);
    // Sampled: a frame sooner than the gap waits, the newest of them shown once the gap has passed.
    const double due = lastShown_ + shortestGap_;
    if (seconds < due) {
        pending_ = rgba;
        return {};
    }
    if (!pending_.empty()) {
        std::vector<std::uint8_t> waited = std::move(pending_);
        pending_.clear();
        if (auto shown = encode(waited, due); !shown) return shown;
        if (seconds < due + shortestGap_) {
            pending_ = rgba;
            return {};
        }
    }
    return encode(rgba, seconds);
}

ns::Result<> Recorder::encode(const std::vector<std::uint8_t>& rgba, double seconds) {
    Av& av = *av_;
    std::int64_t pts = static_cast<std::int64_t>(std::llround(seconds / av_q2d(av.codec->time_base)));
    // Two frames within one tick: the later one is shown from the next.
    pts = std::max(pts, lastPts_ + 1);
    if (av_frame_make_writable(av.frame) < 0) return ns::fail("out of memory in a recording");
    const std::uint8_t* src[1] = {rgba.data()};
    const int stride[1] = {av.sourceWidth * 4};
    sws_scale(av.scale, src, stride, 0, av.sourceHeight, av.frame->data, av.frame->linesize);
    av.frame->pts = pts;
    if (int e = avcodec_send_frame(av.codec, av.frame); e < 0) return ns::fail("cannot encode a frame: " + averror(e));
    lastPts_ = pts;
    lastShown_ = seconds;
    ++frames_;
    if (&rgba != &last_) last_ = rgba;
    return drain();
}

ns::Result<> Recorder::drain() {
    Av& av = *av_;
    for (;;) {
        int e = avcodec_receive_packet(av.codec, av.packet);
        if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return {};
        if (e < 0) return ns::fail("cannot encode a frame: " + averror(e));
        // A last sample of no length falls outside an MP4's edit list: it lasts a tick.
        if (av.packet->duration <= 0) av.packet->duration = 1;
        av_packet_rescale_ts(av.packet, av.codec->time_base, av.stream->time_base);
        av.packet->stream_index = av.stream->index;
        e = av_interleaved_write_frame(av.format, av.packet);
        av_packet_unref(av.packet);
        if (e < 0) return ns::fail("cannot write " + path_ + ": " + averror(e));
    }
}

ns::Result<> Recorder::finish(double seconds) {
    Av& av = *av_;
    if (finished_) return {};
    // The last picture stays until the end: a still tail is one frame more.
    if (!pending_.empty()) {
        std::vector<std::uint8_t> waited = std::move(pending_);
        pending_.clear();
        if (auto shown = encode(waited, std::min(seconds, lastShown_ + shortestGap_)); !shown) return shown;
    }
    const std::int64_t end = static_cast<std::int64_t>(std::llround(seconds / av_q2d(av.codec->time_base)));
    if (frames_ > 0 && end > lastPts_ + 1)
        if (auto held = encode(last_, seconds); !held) return held;
    if (int e = avcodec_send_frame(av.codec, nullptr); e < 0) return ns::fail("cannot finish " + path_ + ": " + averror(e));
    if (auto drained = drain(); !drained) return drained;
    if (int e = av_write_trailer(av.format); e < 0) return ns::fail("cannot finish " + path_ + ": " + averror(e));
    if (int e = avio_closep(&av.format->pb); e < 0) return ns::fail("cannot finish " + path_ + ": " + averror(e));
    std::error_code ec;
    fs::rename(working_, path_, ec);
    if (ec) return ns::fail("cannot put the recording in place as " + path_ + ": " + ec.message());
    finished_ = true;
    return {};
}

}  // namespace record

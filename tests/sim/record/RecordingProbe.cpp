#include "RecordingProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>

Probed probeRecording(const std::string& path) {
    Probed p;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        p.error = "cannot open " + path;
        return p;
    }
    if (avformat_find_stream_info(format, nullptr) < 0 || format->nb_streams != 1) {
        p.error = "no single stream in " + path;
        avformat_close_input(&format);
        return p;
    }
    AVStream* stream = format->streams[0];
    p.container = format->iformat->name;
    p.codec = avcodec_get_name(stream->codecpar->codec_id);
    p.width = stream->codecpar->width;
    p.height = stream->codecpar->height;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        if (packet->pts != AV_NOPTS_VALUE) p.times.push_back(static_cast<double>(packet->pts) * av_q2d(stream->time_base));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    std::sort(p.times.begin(), p.times.end());
    if (!p.times.empty()) {
        const double first = p.times.front();
        for (double& t : p.times) t -= first;
    }
    return p;
}

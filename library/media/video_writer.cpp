// MP4 (H.264) and WebM (VP9, with alpha) through the FFmpeg libraries.
// Built as a module of its own (korvid-video.so) that programs load when a
// video is asked for: FFmpeg with its codecs takes longer to load than most
// renders, so nothing else pays for it at start.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

#include "animation_writers.h"
#include "video_module.h"

namespace korvid::media {

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

class VideoWriter : public AnimationWriter {
public:
    ~VideoWriter() override {
        if (frame_) av_frame_free(&frame_);
        if (packet_) av_packet_free(&packet_);
        if (codec_) avcodec_free_context(&codec_);
        if (sws_) sws_freeContext(sws_);
        if (format_) {
            if (format_->pb) avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
    }

    bool open(const std::string& path, AnimationFormat kind, int width, int height, const AnimationOptions& options,
              std::string* error) {
        frameMs_ = std::max(1, options.frameMs);
        const bool mp4 = kind == AnimationFormat::Mp4;
        if (width % 2 || height % 2) return fail(error, "a video needs an even width and height");
        int code = avformat_alloc_output_context2(&format_, nullptr, mp4 ? "mp4" : "webm", path.c_str());
        if (code < 0 || !format_) return fail(error, "FFmpeg cannot write " + path + ": " + avError(code));
        const AVCodec* encoder = avcodec_find_encoder_by_name(mp4 ? "libx264" : "libvpx-vp9");
        if (!encoder) return fail(error, mp4 ? "FFmpeg has no H.264 encoder (libx264) here" : "FFmpeg has no VP9 encoder here");
        stream_ = avformat_new_stream(format_, nullptr);
        codec_ = avcodec_alloc_context3(encoder);
        if (!stream_ || !codec_) return fail(error, "out of memory for the video encoder");
        codec_->width = width;
        codec_->height = height;
        codec_->time_base = AVRational{1, 1000};  // milliseconds
        codec_->framerate = AVRational{1000, frameMs_};
        codec_->gop_size = 60;
        // No reordered frames: every frame keeps its own time, from the first one.
        codec_->max_b_frames = 0;
        codec_->pix_fmt = mp4 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUVA420P;
        codec_->bit_rate = 0;  // constant quality
        if (format_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int quality = std::clamp(options.quality, 0, 100);
        // Quality 100 is the encoder's best constant rate factor, 0 its worst.
        const int crf = mp4 ? (100 - quality) * 51 / 100 : (100 - quality) * 63 / 100;
        av_opt_set_int(codec_->priv_data, "crf", crf, 0);
        if (mp4) av_opt_set(codec_->priv_data, "preset", "veryfast", 0);
        else av_opt_set(codec_->priv_data, "deadline", "realtime", 0);
        if (!mp4) av_opt_set_int(codec_->priv_data, "cpu-used", 8, 0);
        if ((code = avcodec_open2(codec_, encoder, nullptr)) < 0) return fail(error, "the video encoder refused: " + avError(code));
        avcodec_parameters_from_context(stream_->codecpar, codec_);
        stream_->time_base = codec_->time_base;
        if ((code = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
            return fail(error, "cannot write " + path + ": " + avError(code));
        if ((code = avformat_write_header(format_, nullptr)) < 0) return fail(error, "FFmpeg: " + avError(code));
        sws_ = sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, codec_->pix_fmt, SWS_BICUBIC, nullptr,
                              nullptr, nullptr);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!sws_ || !frame_ || !packet_) return fail(error, "out of memory for the video encoder");
        frame_->format = codec_->pix_fmt;
        frame_->width = width;
        frame_->height = height;
        if ((code = av_frame_get_buffer(frame_, 0)) < 0) return fail(error, "FFmpeg: " + avError(code));
        return true;
    }

    bool add(const support::Image& image, std::string* error) override {
        int code = av_frame_make_writable(frame_);
        if (code < 0) return fail(error, "FFmpeg: " + avError(code));
        const uint8_t* source[1] = {image.rgba.data()};
        const int stride[1] = {image.width * 4};
        sws_scale(sws_, source, stride, 0, image.height, frame_->data, frame_->linesize);
        frame_->pts = pts_;
        pts_ += frameMs_;
        return send(frame_, error);
    }

    bool finish(std::string* error) override {
        if (!send(nullptr, error)) return false;
        const int code = av_write_trailer(format_);
        avio_closep(&format_->pb);
        return code >= 0 || fail(error, "FFmpeg: " + avError(code));
    }

private:
    bool send(AVFrame* frame, std::string* error) {
        int code = avcodec_send_frame(codec_, frame);
        if (code < 0) return fail(error, "the video encoder refused a frame: " + avError(code));
        while ((code = avcodec_receive_packet(codec_, packet_)) == 0) {
            // Every frame lasts one frame time: without it the container's
            // edit list would leave the last frame out.
            if (packet_->duration <= 0) packet_->duration = frameMs_;
            av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
            packet_->stream_index = stream_->index;
            code = av_interleaved_write_frame(format_, packet_);
            if (code < 0) return fail(error, "FFmpeg: " + avError(code));
        }
        return code == AVERROR(EAGAIN) || code == AVERROR_EOF || fail(error, "FFmpeg: " + avError(code));
    }
    static bool fail(std::string* error, const std::string& text) {
        if (error) *error = text;
        return false;
    }

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVStream* stream_ = nullptr;
    SwsContext* sws_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int frameMs_ = 15;
    int64_t pts_ = 0;
};

}  // namespace

}  // namespace korvid::media

extern "C" __attribute__((visibility("default"))) korvid::media::AnimationWriter* korvid_open_video(
    const std::string& path, korvid::media::AnimationFormat format, int width, int height,
    const korvid::media::AnimationOptions& options, std::string* error) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' chatter stays out of the tools' output
    auto writer = std::make_unique<korvid::media::VideoWriter>();
    if (!writer->open(path, format, width, height, options, error)) return nullptr;
    return writer.release();
}

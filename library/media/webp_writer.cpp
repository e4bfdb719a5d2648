// Animated WebP through libwebp's animation encoder.
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>

#include "animation_writers.h"

namespace korvid::media {

namespace {

class WebPWriter : public AnimationWriter {
public:
    WebPWriter(std::string path, int width, int height, const AnimationOptions& options)
        : path_(std::move(path)), width_(width), height_(height), options_(options) {
        WebPAnimEncoderOptions encoderOptions;
        WebPAnimEncoderOptionsInit(&encoderOptions);
        encoderOptions.anim_params.loop_count = 0;  // forever
        encoder_ = WebPAnimEncoderNew(width, height, &encoderOptions);
    }
    ~WebPWriter() override {
        if (encoder_) WebPAnimEncoderDelete(encoder_);
    }
    bool ok() const { return encoder_ != nullptr; }

    bool add(const support::Image& frame, std::string* error) override {
        WebPConfig config;
        if (!WebPConfigInit(&config)) return fail(error, "libwebp does not match its header");
        config.lossless = options_.lossless ? 1 : 0;
        config.quality = options_.lossless ? 75.0f : static_cast<float>(options_.quality);
        config.exact = 1;  // keep the colour of transparent pixels as they are
        WebPPicture picture;
        if (!WebPPictureInit(&picture)) return fail(error, "libwebp does not match its header");
        picture.use_argb = 1;
        picture.width = width_;
        picture.height = height_;
        const bool imported = WebPPictureImportRGBA(&picture, frame.rgba.data(), width_ * 4) != 0;
        const bool added = imported && WebPAnimEncoderAdd(encoder_, &picture, timestamp_, &config) != 0;
        WebPPictureFree(&picture);
        if (!added) return fail(error, std::string("the WebP encoder refused a frame: ") + WebPAnimEncoderGetError(encoder_));
        timestamp_ += options_.frameMs;
        return true;
    }

    bool finish(std::string* error) override {
        WebPData data;
        WebPDataInit(&data);
        if (!WebPAnimEncoderAdd(encoder_, nullptr, timestamp_, nullptr) ||
            !WebPAnimEncoderAssemble(encoder_, &data))
            return fail(error, std::string("the WebP encoder failed: ") + WebPAnimEncoderGetError(encoder_));
        FILE* f = std::fopen(path_.c_str(), "wb");
        bool written = f && std::fwrite(data.bytes, 1, data.size, f) == data.size;
        if (f) written = std::fclose(f) == 0 && written;
        WebPDataClear(&data);
        return written || fail(error, "cannot write " + path_);
    }

private:
    static bool fail(std::string* error, const std::string& text) {
        if (error) *error = text;
        return false;
    }
    std::string path_;
    int width_, height_;
    AnimationOptions options_;
    WebPAnimEncoder* encoder_ = nullptr;
    int timestamp_ = 0;
};

}  // namespace

std::unique_ptr<AnimationWriter> openWebP(const std::string& path, int width, int height,
                                          const AnimationOptions& options, std::string* error) {
    auto writer = std::make_unique<WebPWriter>(path, width, height, options);
    if (writer->ok()) return writer;
    if (error) *error = "the WebP encoder cannot take " + std::to_string(width) + "x" + std::to_string(height);
    return nullptr;
}

}  // namespace korvid::media

// GIF through giflib, each frame with its own palette from libimagequant,
// quantised on worker threads and written in order.
// GIF keeps one bit of alpha: pixels less than half covered are transparent.
#include <gif_lib.h>
#include <libimagequant.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "animation_writers.h"

namespace korvid::media {

namespace {

// One frame made ready for the file: its palette and its pixels as indices.
struct QuantisedFrame {
    bool ok = false;
    std::vector<GifColorType> colours;
    std::vector<uint8_t> indices;
    int transparent = NO_TRANSPARENT_COLOR;
};

// Quantises one frame on its own (no state shared with other frames, so
// frames can be quantised side by side and give the same file).
constexpr int kQuantiseSpeed = 8;

QuantisedFrame quantise(const support::Image& frame, int width, int height) {
    QuantisedFrame out;
    // One bit of alpha: fully there or not at all.
    std::vector<uint8_t> rgba(frame.rgba);
    for (size_t i = 3; i < rgba.size(); i += 4) {
        if (rgba[i] < 128) rgba[i - 3] = rgba[i - 2] = rgba[i - 1] = rgba[i] = 0;
        else rgba[i] = 255;
    }
    liq_attr* attr = liq_attr_create();
    // Speed 8 skips the slow palette refinement: a third of the time at the
    // default speed, and on rendered frames (flat shading, effects, lit
    // textures) its error stays as low as the default's.
    if (attr) liq_set_speed(attr, kQuantiseSpeed);
    liq_image* image = attr ? liq_image_create_rgba(attr, rgba.data(), width, height, 0) : nullptr;
    liq_result* result = nullptr;
    out.indices.resize(size_t(width) * height);
    out.ok = image && liq_image_quantize(image, attr, &result) == LIQ_OK &&
             liq_write_remapped_image(result, image, out.indices.data(), out.indices.size()) == LIQ_OK;
    if (out.ok) {
        const liq_palette* palette = liq_get_palette(result);
        out.colours.assign(256, GifColorType{0, 0, 0});
        for (unsigned i = 0; i < palette->count && i < 256; ++i) {
            out.colours[i] = GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
            if (palette->entries[i].a == 0 && out.transparent == NO_TRANSPARENT_COLOR) out.transparent = int(i);
        }
    }
    if (result) liq_result_destroy(result);
    if (image) liq_image_destroy(image);
    if (attr) liq_attr_destroy(attr);
    return out;
}

// Frames are quantised on worker threads, a few at a time, and written in
// the order they came: quantising is most of a GIF's cost.
class GifWriter : public AnimationWriter {
public:
    GifWriter(GifFileType* gif, int width, int height, const AnimationOptions& options)
        : gif_(gif), width_(width), height_(height), options_(options),
          workers_(std::clamp<int>(int(std::thread::hardware_concurrency()), 1, 8)) {}
    ~GifWriter() override {
        for (auto& pending : pending_) pending.wait();
        if (gif_) {
            int ignored = 0;
            EGifCloseFile(gif_, &ignored);
        }
    }

    bool add(const support::Image& frame, std::string* error) override {
        if (failed_) return fail(error, error_);
        pending_.push_back(std::async(std::launch::async, quantise, frame, width_, height_));
        while (int(pending_.size()) > workers_)
            if (!writeOldest()) return fail(error, error_);
        return true;
    }

    bool finish(std::string* error) override {
        while (!pending_.empty())
            if (!writeOldest()) return fail(error, error_);
        int code = 0;
        const bool closed = EGifCloseFile(gif_, &code) == GIF_OK;
        gif_ = nullptr;
        return closed || fail(error, std::string("giflib: ") + GifErrorString(code));
    }

private:
    bool writeOldest() {
        QuantisedFrame frame = pending_.front().get();
        pending_.pop_front();
        if (!frame.ok) return stop("libimagequant could not make a palette for a frame");
        ColorMapObject* map = GifMakeMapObject(256, frame.colours.data());
        if (!map) return stop("libimagequant could not make a palette for a frame");

        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND;  // each frame replaces the last
        control.UserInputFlag = false;
        // Delays are whole hundredths of a second: each frame ends at its own
        // time rounded, so frames of 15 ms take 1 and 2 hundredths by turns and
        // the whole plays as long as the effect.
        const int64_t ms = std::max(1, options_.frameMs);
        const int64_t start = (frames_ * ms + 5) / 10, end = ((frames_ + 1) * ms + 5) / 10;
        control.DelayTime = static_cast<int>(std::clamp<int64_t>(end - start, 1, 65535));
        ++frames_;
        control.TransparentColor = frame.transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
                  EGifPutImageDesc(gif_, 0, 0, width_, height_, false, map) == GIF_OK;
        for (int y = 0; ok && y < height_; ++y)
            ok = EGifPutLine(gif_, &frame.indices[size_t(y) * width_], width_) == GIF_OK;
        GifFreeMapObject(map);
        return ok || stop(std::string("giflib: ") + GifErrorString(gif_->Error));
    }
    bool stop(const std::string& text) {
        failed_ = true;
        error_ = text;
        return false;
    }
    static bool fail(std::string* error, const std::string& text) {
        if (error) *error = text;
        return false;
    }
    GifFileType* gif_;
    int64_t frames_ = 0;  // frames written so far
    int width_, height_;
    AnimationOptions options_;
    int workers_;
    std::deque<std::future<QuantisedFrame>> pending_;  // in the order the frames came
    bool failed_ = false;
    std::string error_;
};

}  // namespace

std::unique_ptr<AnimationWriter> openGif(const std::string& path, int width, int height,
                                         const AnimationOptions& options, std::string* error) {
    if (width > 65535 || height > 65535) {
        if (error) *error = "a GIF is at most 65535 pixels a side";
        return nullptr;
    }
    int code = 0;
    // Opened here so that the file gets the usual permissions (giflib's own
    // open makes it readable by its owner only).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    GifFileType* gif = fd >= 0 ? EGifOpenFileHandle(fd, &code) : nullptr;
    if (!gif && fd >= 0) ::close(fd);
    if (!gif) {
        if (error) *error = std::string("cannot write ") + path + (fd < 0 ? "" : std::string(": ") + GifErrorString(code));
        return nullptr;
    }
    EGifSetGifVersion(gif, true);  // GIF89a: transparency and delays
    // The screen, then NETSCAPE2.0 looping forever.
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_OK;
    const GifByteType loop[3] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
    if (!ok) {
        if (error) *error = std::string("giflib: ") + GifErrorString(gif->Error);
        EGifCloseFile(gif, &code);
        return nullptr;
    }
    return std::make_unique<GifWriter>(gif, width, height, options);
}

}  // namespace korvid::media

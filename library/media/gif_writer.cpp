// GIF through giflib, each frame with its own palette from libimagequant.
// GIF keeps one bit of alpha: pixels less than half covered are transparent.
#include <gif_lib.h>
#include <libimagequant.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "animation_writers.h"

namespace korvid::media {

namespace {

class GifWriter : public AnimationWriter {
public:
    GifWriter(GifFileType* gif, int width, int height, const AnimationOptions& options)
        : gif_(gif), width_(width), height_(height), options_(options) {}
    ~GifWriter() override {
        if (gif_) {
            int ignored = 0;
            EGifCloseFile(gif_, &ignored);
        }
    }

    bool add(const support::Image& frame, std::string* error) override {
        // One bit of alpha: fully there or not at all.
        std::vector<uint8_t> rgba(frame.rgba);
        for (size_t i = 3; i < rgba.size(); i += 4) {
            if (rgba[i] < 128) rgba[i - 3] = rgba[i - 2] = rgba[i - 1] = rgba[i] = 0;
            else rgba[i] = 255;
        }
        liq_attr* attr = liq_attr_create();
        liq_image* image = attr ? liq_image_create_rgba(attr, rgba.data(), width_, height_, 0) : nullptr;
        liq_result* result = nullptr;
        std::vector<uint8_t> indices(size_t(width_) * height_);
        bool ok = image && liq_image_quantize(image, attr, &result) == LIQ_OK &&
                  liq_write_remapped_image(result, image, indices.data(), indices.size()) == LIQ_OK;
        int transparent = NO_TRANSPARENT_COLOR;
        ColorMapObject* map = nullptr;
        if (ok) {
            const liq_palette* palette = liq_get_palette(result);
            std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
            for (unsigned i = 0; i < palette->count && i < 256; ++i) {
                colours[i] = GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
                if (palette->entries[i].a == 0 && transparent == NO_TRANSPARENT_COLOR) transparent = int(i);
            }
            map = GifMakeMapObject(256, colours.data());
            ok = map != nullptr;
        }
        if (result) liq_result_destroy(result);
        if (image) liq_image_destroy(image);
        if (attr) liq_attr_destroy(attr);
        if (!ok) return fail(error, "libimagequant could not make a palette for a frame");

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
        control.TransparentColor = transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
             EGifPutImageDesc(gif_, 0, 0, width_, height_, false, map) == GIF_OK;
        for (int y = 0; ok && y < height_; ++y)
            ok = EGifPutLine(gif_, &indices[size_t(y) * width_], width_) == GIF_OK;
        GifFreeMapObject(map);
        return ok || fail(error, std::string("giflib: ") + GifErrorString(gif_->Error));
    }

    bool finish(std::string* error) override {
        int code = 0;
        const bool closed = EGifCloseFile(gif_, &code) == GIF_OK;
        gif_ = nullptr;
        return closed || fail(error, std::string("giflib: ") + GifErrorString(code));
    }

private:
    static bool fail(std::string* error, const std::string& text) {
        if (error) *error = text;
        return false;
    }
    GifFileType* gif_;
    int64_t frames_ = 0;  // frames written so far
    int width_, height_;
    AnimationOptions options_;
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

// Animated pictures and video of an effect: animated WebP (lossless or
// lossy, with alpha), GIF (a palette per frame from libimagequant, with
// transparency), MP4 (H.264) and WebM (VP9, with alpha), chosen by the
// file's extension. Frames are RGBA pictures of one size, `frameMs` apart.
#pragma once
#include <memory>
#include <string>

#include "png_io.h"

namespace korvid::media {

enum class AnimationFormat { WebP, Gif, Mp4, WebM };

// The format of a file name by its extension; false for none of them.
bool animationFormatFor(const std::string& path, AnimationFormat* format);

struct AnimationOptions {
    int frameMs = 15;
    bool lossless = true;  // WebP
    int quality = 80;      // lossy WebP 0..100; video: 0..100, higher is better
};

class AnimationWriter {
public:
    virtual ~AnimationWriter() = default;
    // False with `error` set when the frame cannot be taken (the file is
    // then incomplete and should be removed by the caller).
    virtual bool add(const support::Image& frame, std::string* error) = 0;
    // Writes what is left and closes the file.
    virtual bool finish(std::string* error) = 0;
};

// A writer for `path` (its format by extension); null with `error` set when
// the file cannot be started or the size does not suit the format.
std::unique_ptr<AnimationWriter> openAnimation(const std::string& path, int width, int height,
                                               const AnimationOptions& options, std::string* error);

}  // namespace korvid::media

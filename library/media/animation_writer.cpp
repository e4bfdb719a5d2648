#include "animation_writer.h"

#include <algorithm>
#include <cctype>

#include "animation_writers.h"

namespace korvid::media {

bool animationFormatFor(const std::string& path, AnimationFormat* format) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "webp") *format = AnimationFormat::WebP;
    else if (ext == "gif") *format = AnimationFormat::Gif;
    else if (ext == "mp4") *format = AnimationFormat::Mp4;
    else if (ext == "webm") *format = AnimationFormat::WebM;
    else return false;
    return true;
}

std::unique_ptr<AnimationWriter> openAnimation(const std::string& path, int width, int height,
                                               const AnimationOptions& options, std::string* error) {
    AnimationFormat format;
    if (!animationFormatFor(path, &format)) {
        if (error) *error = "an animation is written as .webp, .gif, .mp4 or .webm";
        return nullptr;
    }
    switch (format) {
    case AnimationFormat::WebP: return openWebP(path, width, height, options, error);
    case AnimationFormat::Gif: return openGif(path, width, height, options, error);
    default: return openVideo(path, format, width, height, options, error);
    }
}

}  // namespace korvid::media

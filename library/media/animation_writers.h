// The writer of each format; openAnimation picks one by extension.
#pragma once
#include "animation_writer.h"

namespace korvid::media {

std::unique_ptr<AnimationWriter> openWebP(const std::string& path, int width, int height,
                                          const AnimationOptions& options, std::string* error);
std::unique_ptr<AnimationWriter> openGif(const std::string& path, int width, int height,
                                         const AnimationOptions& options, std::string* error);
std::unique_ptr<AnimationWriter> openVideo(const std::string& path, AnimationFormat format, int width, int height,
                                           const AnimationOptions& options, std::string* error);

}  // namespace korvid::media

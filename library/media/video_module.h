// The video writer lives in a module loaded on first use (korvid-video.so,
// with FFmpeg); this is the one entry point the loader looks up in it.
#pragma once
#include <string>

#include "animation_writer.h"

#define KORVID_VIDEO_ENTRY "korvid_open_video"

extern "C" {
// A new writer the caller owns, or null with `error` set. The module and the
// programs that load it are built together, so C++ types may cross.
using KorvidOpenVideo = korvid::media::AnimationWriter* (*)(const std::string& path,
                                                           korvid::media::AnimationFormat format, int width,
                                                           int height, const korvid::media::AnimationOptions& options,
                                                           std::string* error);
}

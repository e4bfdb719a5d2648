// Sprite sheets (flipbooks): frames of an effect laid out in a grid in one
// picture with alpha, cut to the effect's bounds on request, and the JSON
// description an engine's loader reads beside it.
#pragma once
#include <string>
#include <vector>

#include "png_io.h"

namespace korvid::media {

struct SpriteSheet {
    support::Image image;
    int frameWidth = 0, frameHeight = 0;
    int offsetX = 0, offsetY = 0;  // where the frames were cut from the rendered ones
};

// Lays `frames` (all of one size, at least cols x rows of them) out row by
// row; with `fit`, every frame is cut to the smallest box holding every
// covered pixel of all of them, so that none is cut and no space is wasted.
SpriteSheet layOutSheet(const std::vector<support::Image>& frames, int cols, int rows, bool fit);

// The description: the picture's file name, frame size, layout, count,
// frames per second, alpha mode and each frame's place and time.
std::string describeSheet(const SpriteSheet& sheet, const std::string& imageName, int cols, int rows,
                          const std::vector<int>& timesMs, double framesPerSecond, const char* alpha);

// `path` with its extension replaced by ".json".
std::string descriptionPathFor(const std::string& path);

}  // namespace korvid::media

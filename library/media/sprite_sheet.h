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

// The moments of a sheet of `count` frames from `from` towards `to` (ms),
// evenly spread on whole steps of `stepMs`: each the interval (to - from) /
// count rounded down to whole steps (at least one step) after the one before,
// so that the last frame leads into the first as the effect loops.
std::vector<int> sheetMoments(int from, int to, int count, int stepMs);

// The description: the picture's file name, frame size, layout, count,
// frames per second, alpha mode, the pivot (where the effect's origin falls
// in a frame, in pixels from its top-left corner; none when `pivot` is null),
// and each frame's place, size, moment and duration.
std::string describeSheet(const SpriteSheet& sheet, const std::string& imageName, int cols, int rows,
                          const std::vector<int>& timesMs, const char* alpha, const float* pivot);

// `path` with its extension replaced by ".json".
std::string descriptionPathFor(const std::string& path);

}  // namespace korvid::media

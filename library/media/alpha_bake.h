// True coverage of an effect drawn with blending: the same moment drawn over
// black and over white gives alpha = 1 - (white - black) and colour =
// black / alpha, per channel, as effect-baking tools do.
#pragma once
#include "png_io.h"

namespace korvid::media {

enum class AlphaMode { Straight, Premultiplied };

// `overBlack` and `overWhite` are RGBA pictures of one size; the result has
// their size, its alpha the coverage and its colour straight or multiplied
// by the alpha. Pixels with no coverage are 0, 0, 0, 0.
support::Image bakeAlpha(const support::Image& overBlack, const support::Image& overWhite, AlphaMode mode);

}  // namespace korvid::media

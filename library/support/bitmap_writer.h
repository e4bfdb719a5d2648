// Builds Windows bitmap files in memory for tests and sample generation.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvid::support {

struct Rgb {
    uint8_t r, g, b;
};

// A 24-bit bitmap; `rows` is bottom row first, each `width` pixels.
// A negative `height` writes a top-down file (rows then top row first).
std::string bitmap24(int width, int height, const std::vector<Rgb>& rows);
// A header claiming another bit depth, with some pixel bytes after it.
std::string bitmapWithDepth(int width, int height, int bitsPerPixel);

}  // namespace korvid::support

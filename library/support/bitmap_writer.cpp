#include "bitmap_writer.h"

#include <cstdlib>

namespace korvid::support {
namespace {

void put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xff);
    s[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string header(int width, int height, int bits, uint32_t dataSize) {
    std::string s(54, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, 54 + dataSize);
    put32(s, 10, 54);
    put32(s, 14, 40);
    put32(s, 18, static_cast<uint32_t>(width));
    put32(s, 22, static_cast<uint32_t>(height));
    put16(s, 26, 1);
    put16(s, 28, static_cast<uint16_t>(bits));
    put32(s, 34, dataSize);
    return s;
}

}  // namespace

std::string bitmap24(int width, int height, const std::vector<Rgb>& rows) {
    const int h = std::abs(height);
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::string s = header(width, height, 24, static_cast<uint32_t>(rowBytes * h));
    for (int r = 0; r < h; ++r) {
        // Stored rows: bottom first, or top first for a top-down file.
        const int source = height < 0 ? h - 1 - r : r;
        for (int x = 0; x < width; ++x) {
            const Rgb& p = rows[static_cast<size_t>(source * width + x)];
            s.push_back(static_cast<char>(p.b));
            s.push_back(static_cast<char>(p.g));
            s.push_back(static_cast<char>(p.r));
        }
        for (int pad = width * 3; pad < rowBytes; ++pad) s.push_back('\x7f');
    }
    return s;
}

std::string bitmapWithDepth(int width, int height, int bits) {
    const uint32_t size = static_cast<uint32_t>((width * bits / 8 + 3) / 4 * 4 * height);
    std::string s = header(width, height, bits, size);
    s.append(size, '\x10');
    return s;
}

}  // namespace korvid::support

// PNG files through libpng: RGBA images, top row first.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvid::support {

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // top row first
};

bool writePng(const std::string& path, const Image& image, std::string* error = nullptr);
bool readPng(const std::string& path, Image& image, std::string* error = nullptr);

}  // namespace korvid::support

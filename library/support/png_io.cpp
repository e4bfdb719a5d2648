#include "png_io.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace korvid::support {

bool writePng(const std::string& path, const Image& image, std::string* error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    // Quick compression: frames of an export are written as fast as they render.
    png.flags = PNG_IMAGE_FLAG_FAST;
    // An opaque picture goes out without its alpha: a quarter less to
    // compress, and libpng's quick mode is several times faster on three
    // channels than on four.
    const size_t pixels = size_t(image.width) * size_t(image.height);
    bool opaque = image.rgba.size() >= pixels * 4;
    for (size_t i = 3; opaque && i < pixels * 4; i += 4) opaque = image.rgba[i] == 255;
    std::vector<uint8_t> rgb;
    const uint8_t* data = image.rgba.data();
    png.format = PNG_FORMAT_RGBA;
    if (opaque) {
        rgb.resize(pixels * 3);
        for (size_t i = 0; i < pixels; ++i) std::memcpy(&rgb[i * 3], &image.rgba[i * 4], 3);
        data = rgb.data();
        png.format = PNG_FORMAT_RGB;
    }
    if (!png_image_write_to_file(&png, path.c_str(), 0, data, 0, nullptr)) {
        if (error) *error = png.message;
        return false;
    }
    return true;
}

bool readPng(const std::string& path, Image& image, std::string* error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        if (error) *error = png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgba.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        if (error) *error = png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

}  // namespace korvid::support

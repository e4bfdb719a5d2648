// Fuzz target: the 24-bit bitmap reader and the texture upload.
#include <cstring>

#include "fuzz_target.h"
#include "korvid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvid::fuzz::startLibrary();
    const std::string path = korvid::fuzz::writeInput(data, size, ".bmp");
    TextureInfo info{};
    std::strncpy(info.path, path.c_str(), sizeof info.path - 1);
    std::strcpy(info.name, "Fuzz");
    // The first byte chooses the alpha rules, so every path of the reader runs.
    const uint8_t mode = size > 0 ? data[0] : 0;
    info.alpha = mode & 1;
    info.averaged = (mode >> 1) & 1;
    info.low = 40;
    info.high = 200;
    info.filter = 1 + (mode >> 2) % 4;
    objAddTexture(&info);
    objNew();
    return 0;
}

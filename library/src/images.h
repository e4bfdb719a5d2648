// The image library: 24-bit bitmaps decoded and uploaded as mipmapped textures.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "korvid.h"

namespace korvid {

struct TextureEntry {
    char path[KORVID_PATH_SIZE] = {};
    char name[KORVID_IMAGE_NAME_SIZE] = {};
    int32_t referenced = 0;
    int32_t width = 0, height = 0;
    int32_t alpha = 0, averaged = 0, high = 0, low = 0, filter = 0;
    uint32_t textureId = 0;
    std::vector<unsigned char> pixels;
};

struct TextureLibrary {
    std::vector<std::unique_ptr<TextureEntry>> entries;  // in order of adding
    char lineBuffer[256] = {};
    ~TextureLibrary();  // deletes every texture (clearTextures)
};

// Result codes of addTexture.
enum : int {
    kImageOk = 0,
    kImageNotFound = -1,
    kImageLibraryFull = -2,
    kImageNot24Bit = -3,
    kImageDamaged = -4,
};

int addTexture(TextureLibrary& library, const TextureInfo& info);
// The message for a failing addTexture code.
const char* imageErrorText(int code);
uint32_t findTextureId(const TextureLibrary& library, const char* name);
void markTextureReferenced(TextureLibrary& library, uint32_t textureId);
void clearTextures(TextureLibrary& library);

// Decodes a bitmap file into an entry's pixel buffer (no OpenGL involved).
int readBitmap(TextureEntry& entry);

}  // namespace korvid

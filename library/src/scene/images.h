// The image library: 24-bit bitmaps decoded and uploaded as mipmapped textures.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "failure.h"
#include "korvid.h"

namespace korvid {

// One image: the exchanged record (its `pixels` pointing into `pixelData`)
// and whether a save has written it.
struct TextureEntry : TextureInfo {
    TextureEntry() : TextureInfo{} {}
    int32_t referenced = 0;
    std::vector<unsigned char> pixelData;  // decoded texels and their slack
    // The bitmap's path from the root, fixed when it was loaded: `path` may be
    // relative to a working directory that has changed since.
    std::string absolutePath;
};

struct TextureLibrary {
    std::vector<std::unique_ptr<TextureEntry>> entries;  // in order of adding
    // Without OpenGL images are numbered here instead of uploaded; their
    // pixels stay in the entries for the host to upload.
    bool headless = false;
    uint32_t nextHeadlessId = 1;
    ~TextureLibrary();  // deletes every texture (clearTextures)
};

// Failure::None, or ImageNotFound, ImageLibraryFull, ImageNot24Bit, ImageDamaged.
Failure addTexture(TextureLibrary& library, const TextureInfo& info);
// As addTexture, from decoded pixels (width * height * (alpha ? 4 : 3)
// bytes) instead of a file; ImageLibraryFull or None.
Failure addTexturePixels(TextureLibrary& library, const TextureInfo& info, const unsigned char* pixels);
uint32_t findTextureId(const TextureLibrary& library, const char* name);
// The first image with that texture id, or null.
const TextureEntry* findTextureById(const TextureLibrary& library, uint32_t textureId);
void markTextureReferenced(TextureLibrary& library, uint32_t textureId);
void clearTextures(TextureLibrary& library);

// GLU's image scaling (gluBuild2DMipmaps) reads one texel past the end of the
// pixels for some sizes (a width that divides the target width, such as 4x5
// or 16x3), so pixel buffers end with this many zero bytes.
constexpr size_t kPixelSlack = 4;
// The size of the pixel buffer of an image, slack included.
size_t pixelBufferBytes(int64_t width, int64_t height, bool rgba);
// Uploads `pixels` (laid out as the entry's width, height and alpha say) as
// the entry's mipmapped texture.
void uploadTexture(const TextureEntry& e, const unsigned char* pixels);

// Decodes a bitmap file into an entry's pixel buffer (no OpenGL involved).
Failure readBitmap(TextureEntry& entry, const char* file);
// Where an image path points: a relative one from the image folder set with
// objSetImageFolder, else from the working directory.
std::filesystem::path resolveImagePath(const char* path);

}  // namespace korvid

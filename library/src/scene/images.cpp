#include "images.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <cstring>
#include <new>

#include "context.h"
#include "record_fields.h"

namespace korvid {
namespace {

uint32_t le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

constexpr int64_t kMaxImageSide = 32768;
constexpr int64_t kMaxImageBytes = int64_t(1) << 30;

struct File {
    FILE* f;
    ~File() {
        if (f) std::fclose(f);
    }
};

}  // namespace

size_t pixelBufferBytes(int64_t width, int64_t height, bool rgba) {
    return static_cast<size_t>(width * height * (rgba ? 4 : 3) + kPixelSlack);
}

void uploadTexture(const TextureEntry& e, const unsigned char* pixels) {
    glBindTexture(GL_TEXTURE_2D, e.textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    GLint mag = 0, min = 0;
    switch (e.filter) {
    case 1: mag = GL_NEAREST; min = GL_NEAREST; break;
    case 2: mag = GL_LINEAR; min = GL_LINEAR; break;
    case 3: mag = GL_LINEAR; min = GL_LINEAR_MIPMAP_NEAREST; break;
    case 4: mag = GL_LINEAR; min = GL_LINEAR_MIPMAP_LINEAR; break;
    default: break;
    }
    if (mag) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    }
    // Rows are stored without padding, so the upload must not assume 4-byte rows.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const bool rgba = e.alpha == 1;
    gluBuild2DMipmaps(GL_TEXTURE_2D, rgba ? 4 : 3, e.width, e.height, rgba ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                      pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

namespace {


void toInfo(const TextureEntry& e, TextureInfo* out) { *out = e; }

}  // namespace

std::filesystem::path resolveImagePath(const char* path) {
    const std::filesystem::path image(path);
    const std::string& folder = context().imageFolder;
    if (image.is_relative() && !folder.empty()) return std::filesystem::path(folder) / image;
    return image;
}

Failure readBitmap(TextureEntry& e, const char* path) {
    struct stat info{};
    // Only regular files: a device or a pipe could block or never end.
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return Failure::ImageNotFound;
    File file{std::fopen(path, "rb")};
    if (!file.f) return Failure::ImageNotFound;
    unsigned char header[54];
    if (std::fread(header, 1, sizeof header, file.f) != sizeof header) return Failure::ImageDamaged;
    if (le16(header + 14 + 14) != 24) return Failure::ImageNot24Bit;
    // Only uncompressed pixels (BI_RGB) are read.
    if (le32(header + 14 + 16) != 0) return Failure::ImageDamaged;
    const int32_t width = static_cast<int32_t>(le32(header + 14 + 4));
    const int32_t rawHeight = static_cast<int32_t>(le32(header + 14 + 8));
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return Failure::ImageDamaged;
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -int64_t(rawHeight) : rawHeight;
    const int64_t texel = e.alpha == 1 ? 4 : 3;
    if (width > kMaxImageSide || height > kMaxImageSide || width * height * texel > kMaxImageBytes)
        return Failure::ImageDamaged;
    const int64_t rowBytes = (int64_t(width) * 3 + 3) / 4 * 4;
    // The pixels start where the file header says; larger info headers (108
    // and 124 bytes) put them further on. An offset inside the headers is
    // taken as the classic 54.
    const int64_t offset = std::max<int64_t>(54, le32(header + 10));
    if (info.st_size < offset + rowBytes * height) return Failure::ImageDamaged;
    if (offset != 54 && std::fseek(file.f, static_cast<long>(offset), SEEK_SET) != 0) return Failure::ImageDamaged;

    std::vector<unsigned char> pixels;
    std::vector<unsigned char> row;
    try {
        pixels.assign(pixelBufferBytes(width, height, e.alpha == 1), 0);
        row.resize(static_cast<size_t>(rowBytes));
    } catch (const std::bad_alloc&) {
        return Failure::ImageDamaged;
    }
    for (int64_t r = 0; r < height; ++r) {
        if (std::fread(row.data(), 1, row.size(), file.f) != row.size()) return Failure::ImageDamaged;
        // Rows are kept bottom row first; a top-down file lists them the other way round.
        const int64_t target = topDown ? height - 1 - r : r;
        unsigned char* out = pixels.data() + target * width * texel;
        for (int32_t x = 0; x < width; ++x) {
            const unsigned char* bgr = row.data() + 3 * x;
            unsigned char* t = out + texel * x;
            t[0] = bgr[2];
            t[1] = bgr[1];
            t[2] = bgr[0];
            if (texel == 4) {
                if (e.averaged == 1) {
                    t[3] = static_cast<unsigned char>((t[0] + t[1] + t[2]) / 3);
                } else {
                    const bool clear = t[0] >= e.low && t[0] <= e.high && t[1] >= e.low && t[2] >= e.low;
                    t[3] = clear ? 0 : 255;
                }
            }
        }
    }
    e.width = width;
    e.height = static_cast<int32_t>(height);
    e.pixelData = std::move(pixels);
    e.pixels = e.pixelData.data();
    return Failure::None;
}

TextureLibrary::~TextureLibrary() { clearTextures(*this); }

namespace {
// Numbers or uploads a decoded image and adds it to the library.
void install(TextureLibrary& library, std::unique_ptr<TextureEntry> entry) {
    if (library.headless) {
        entry->textureId = library.nextHeadlessId++;
    } else {
        glGenTextures(1, &entry->textureId);
        uploadTexture(*entry, entry->pixels);
    }
    library.entries.push_back(std::move(entry));
}
}  // namespace

Failure addTexture(TextureLibrary& library, const TextureInfo& info) {
    if (library.entries.size() >= KORVID_MAX_TEXTURES) return Failure::ImageLibraryFull;
    auto entry = std::make_unique<TextureEntry>();
    copyFields<TextureInfo>(*entry, info, imageFields(), kInput);
    const std::filesystem::path file = resolveImagePath(entry->path);
    const Failure code = readBitmap(*entry, file.c_str());
    if (code != Failure::None) return code;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    entry->absolutePath = ec ? file.string() : absolute.lexically_normal().string();
    install(library, std::move(entry));
    return Failure::None;
}

Failure addTexturePixels(TextureLibrary& library, const TextureInfo& info, const unsigned char* pixels) {
    if (library.entries.size() >= KORVID_MAX_TEXTURES) return Failure::ImageLibraryFull;
    auto entry = std::make_unique<TextureEntry>();
    copyFields<TextureInfo>(*entry, info, imageFields(), kInput);
    entry->width = info.width;
    entry->height = info.height;
    entry->alpha = info.alpha;
    const size_t bytes = pixelBufferBytes(info.width, info.height, info.alpha == 1);
    entry->pixelData.assign(bytes, 0);
    std::memcpy(entry->pixelData.data(), pixels, bytes - kPixelSlack);
    entry->pixels = entry->pixelData.data();
    entry->absolutePath = entry->path;
    install(library, std::move(entry));
    return Failure::None;
}

uint32_t findTextureId(const TextureLibrary& library, const char* name) {
    if (!name) return 0;
    for (const auto& e : library.entries)
        if (std::strcmp(e->name, name) == 0) return e->textureId;
    return 0;
}

const TextureEntry* findTextureById(const TextureLibrary& library, uint32_t textureId) {
    for (const auto& e : library.entries)
        if (e->textureId == textureId) return e.get();
    return nullptr;
}

void markTextureReferenced(TextureLibrary& library, uint32_t textureId) {
    for (auto& e : library.entries) {
        if (e->textureId == textureId) {
            e->referenced = 1;
            return;
        }
    }
}

void clearTextures(TextureLibrary& library) {
    if (!library.headless)
        for (auto& e : library.entries) glDeleteTextures(1, &e->textureId);
    library.entries.clear();
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objAddTexture(const TextureInfo* info) try {
    TextureLibrary* library = context().textures.get();
    if (!library || !info) {
        fail(library ? Failure::BadArgument : Failure::NoModel);
        return false;
    }
    const Failure code = addTexture(*library, *info);
    if (code == Failure::None) return true;
    fail(code);
    return false;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetTextureCnt(void) try {
    TextureLibrary* library = context().textures.get();
    return library ? static_cast<int32_t>(library->entries.size()) : 0;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT bool objGetTexture(TextureInfo* out, const char* name) try {
    TextureLibrary* library = context().textures.get();
    if (!library || !out || !name) return false;
    for (const auto& e : library->entries) {
        if (std::strcmp(e->name, name) == 0) {
            toInfo(*e, out);
            return true;
        }
    }
    return false;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetTexture2(TextureInfo* out, int32_t index) try {
    TextureLibrary* library = context().textures.get();
    if (!library || !out || index < 0 || index >= static_cast<int32_t>(library->entries.size())) return false;
    toInfo(*library->entries[static_cast<size_t>(index)], out);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT uint32_t objGetTextureId(const char* name) try {
    TextureLibrary* library = context().textures.get();
    return library ? findTextureId(*library, name) : 0;
} catch (...) {
    return refusedByException<uint32_t>(0);
}

KORVID_EXPORT bool objDelTexture(const char* name) try {
    TextureLibrary* library = context().textures.get();
    if (!library || !name) return false;
    for (auto it = library->entries.begin(); it != library->entries.end(); ++it) {
        if (std::strcmp((*it)->name, name) == 0) {
            if (!library->headless) glDeleteTextures(1, &(*it)->textureId);
            library->entries.erase(it);
            return true;
        }
    }
    return false;
} catch (...) {
    return refusedByException<bool>(false);
}

// The image library: bitmap decoding, alpha rules, upload and the exports.
#include <GL/gl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "bitmap_writer.h"
#include "context.h"
#include "images.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class ImagesTest : public LibraryTest {
protected:
    TextureInfo info(const std::string& path, const char* name, int alpha = 0, int averaged = 0, int low = 0,
                     int high = 0, int filter = 2) {
        TextureInfo t{};
        std::strcpy(t.path, path.c_str());
        std::strcpy(t.name, name);
        t.alpha = alpha;
        t.averaged = averaged;
        t.low = low;
        t.high = high;
        t.filter = filter;
        return t;
    }
    std::string plainBitmap(const std::string& file, Rgb colour = {10, 20, 30}) {
        return writeFile(file, bitmap24(2, 2, std::vector<Rgb>(4, colour)));
    }
    std::vector<uint8_t> texImage(uint32_t id, int width, int height, GLenum format) {
        const int channels = format == GL_RGBA ? 4 : 3;
        std::vector<uint8_t> out(static_cast<size_t>(width * height * channels));
        glBindTexture(GL_TEXTURE_2D, id);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
};

TEST_F(ImagesTest, PaddedRowsDecodeWithoutShearing) {
    // 3 pixels wide: 9 bytes of pixels and 3 of padding per row.
    std::vector<Rgb> rows;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) rows.push_back({uint8_t(10 * x + 100 * y), uint8_t(x), uint8_t(y)});
    const TextureInfo t = info(writeFile("pad.bmp", bitmap24(3, 2, rows)), "Pad");
    ASSERT_TRUE(objAddTexture(&t));
    TextureInfo out{};
    ASSERT_TRUE(objGetTexture(&out, "Pad"));
    EXPECT_EQ(out.width, 3);
    EXPECT_EQ(out.height, 2);
    ASSERT_NE(out.pixels, nullptr);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out.pixels[3 * i], rows[i].r) << i;
        EXPECT_EQ(out.pixels[3 * i + 1], rows[i].g) << i;
        EXPECT_EQ(out.pixels[3 * i + 2], rows[i].b) << i;
    }
}

TEST_F(ImagesTest, AlphaFromTheColourRangeComparesGreenAndBlueWithLowOnly) {
    const std::vector<Rgb> rows = {{120, 255, 255}, {200, 255, 255}, {120, 99, 200}, {100, 100, 100}};
    const TextureInfo t = info(writeFile("range.bmp", bitmap24(4, 1, rows)), "Range", 1, 0, 100, 150);
    ASSERT_TRUE(objAddTexture(&t));
    TextureInfo out{};
    ASSERT_TRUE(objGetTexture(&out, "Range"));
    EXPECT_EQ(out.pixels[3], 0) << "inside the range: transparent";
    EXPECT_EQ(out.pixels[7], 255) << "red above high";
    EXPECT_EQ(out.pixels[11], 255) << "green below low";
    EXPECT_EQ(out.pixels[15], 0) << "bounds are inclusive";
    const auto texels = texImage(out.textureId, 4, 1, GL_RGBA);
    EXPECT_EQ(texels[3], 0);
    EXPECT_EQ(texels[7], 255);
}

TEST_F(ImagesTest, AveragedAlphaAndNoAlpha) {
    const TextureInfo averaged = info(plainBitmap("a.bmp", {10, 20, 31}), "Avg", 1, 1);
    ASSERT_TRUE(objAddTexture(&averaged));
    TextureInfo out{};
    ASSERT_TRUE(objGetTexture(&out, "Avg"));
    EXPECT_EQ(out.pixels[3], 20);

    const TextureInfo opaque = info(plainBitmap("b.bmp"), "Opaque", 0, 1);
    ASSERT_TRUE(objAddTexture(&opaque));
    ASSERT_TRUE(objGetTexture(&out, "Opaque"));
    glBindTexture(GL_TEXTURE_2D, out.textureId);
    GLint alphaBits = -1, format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
    EXPECT_EQ(alphaBits, 0);
}

TEST_F(ImagesTest, FiltersAndMipmaps) {
    const GLint expected[5][2] = {{0, 0}, {GL_NEAREST, GL_NEAREST}, {GL_LINEAR, GL_LINEAR},
                                  {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST}, {GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
    const std::string path = writeFile("f.bmp", bitmap24(4, 4, std::vector<Rgb>(16, {1, 2, 3})));
    for (int code = 0; code <= 4; ++code) {
        const std::string name = "F" + std::to_string(code);
        const TextureInfo t = info(path, name.c_str(), 0, 0, 0, 0, code);
        ASSERT_TRUE(objAddTexture(&t));
        glBindTexture(GL_TEXTURE_2D, objGetTextureId(name.c_str()));
        GLint mag = 0, min = 0, wrap = 0, level2 = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &level2);
        if (code == 0) {
            EXPECT_EQ(mag, GL_LINEAR) << "OpenGL's default stays";
            EXPECT_EQ(min, GL_NEAREST_MIPMAP_LINEAR);
        } else {
            EXPECT_EQ(mag, expected[code][0]) << code;
            EXPECT_EQ(min, expected[code][1]) << code;
        }
        EXPECT_EQ(wrap, GL_REPEAT);
        EXPECT_EQ(level2, 1) << "mipmaps are built for every filter";
    }
}

TEST_F(ImagesTest, FailuresLeaveTheLibraryUnchanged) {
    const TextureInfo good = info(plainBitmap("good.bmp"), "Good");
    ASSERT_TRUE(objAddTexture(&good));
    struct Case {
        std::string content;
        const char* message;
    };
    const Case cases[] = {
        {bitmapWithDepth(4, 4, 8), "Only supports 24bit bitmaps."},
        {bitmapWithDepth(4, 4, 32), "Only supports 24bit bitmaps."},
        {bitmap24(4, 4, std::vector<Rgb>(16)).substr(0, 54 + 20), "Image file is damaged."},  // truncated
        {bitmap24(2, 2, std::vector<Rgb>(4)).substr(0, 30), "Image file is damaged."},       // short header
        {bitmap24(0, 2, {}), "Image file is damaged."},                                      // no width
        {bitmap24(2, 0, {}), "Image file is damaged."},                                      // no height
    };
    int index = 0;
    for (const Case& c : cases) {
        const TextureInfo t = info(writeFile("bad" + std::to_string(index++) + ".bmp", c.content), "Bad");
        EXPECT_FALSE(objAddTexture(&t));
        EXPECT_STREQ(objGetLastError(), c.message);
    }
    // Hostile sizes: huge width and height promise far more than the file holds.
    std::string hostile = bitmap24(2, 2, std::vector<Rgb>(4));
    for (int i = 0; i < 4; ++i) hostile[18 + i] = hostile[22 + i] = '\x7f';
    const TextureInfo huge = info(writeFile("huge.bmp", hostile), "Huge");
    EXPECT_FALSE(objAddTexture(&huge));
    EXPECT_STREQ(objGetLastError(), "Image file is damaged.");

    const TextureInfo missing = info((scratch() / "none.bmp").string(), "Missing");
    EXPECT_FALSE(objAddTexture(&missing));
    EXPECT_STREQ(objGetLastError(), "Image file not found.");
    const TextureInfo directory = info(scratch().string(), "Dir");
    EXPECT_FALSE(objAddTexture(&directory));
    EXPECT_STREQ(objGetLastError(), "Image file not found.");
    EXPECT_EQ(objGetTextureCnt(), 1);
}

TEST_F(ImagesTest, PixelsStartWhereTheFileHeaderSays) {
    std::vector<Rgb> rows;
    for (int i = 0; i < 6; ++i) rows.push_back({uint8_t(40 * i + 1), uint8_t(i), uint8_t(200 - i)});
    const std::string classic = bitmap24(3, 2, rows);
    const auto put32 = [](std::string& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    // Version 4 and 5 info headers (108 and 124 bytes) as many programs write them.
    for (uint32_t headerSize : {108u, 124u}) {
        std::string wide = classic;
        wide.insert(54, headerSize - 40, '\0');
        put32(wide, 14, headerSize);
        put32(wide, 10, 14 + headerSize);
        put32(wide, 2, static_cast<uint32_t>(wide.size()));
        const std::string name = "V" + std::to_string(headerSize);
        const TextureInfo t = info(writeFile(name + ".bmp", wide), name.c_str());
        ASSERT_TRUE(objAddTexture(&t)) << objGetLastError();
        TextureInfo out{};
        ASSERT_TRUE(objGetTexture(&out, name.c_str()));
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(out.pixels[3 * i], rows[i].r) << headerSize << " " << i;
            EXPECT_EQ(out.pixels[3 * i + 2], rows[i].b) << headerSize << " " << i;
        }
    }
    // Compressed pixels are refused; a classic file still reads from byte 54.
    std::string compressed = classic;
    put32(compressed, 30, 1);
    const TextureInfo packed = info(writeFile("packed.bmp", compressed), "Packed");
    EXPECT_FALSE(objAddTexture(&packed));
    EXPECT_STREQ(objGetLastError(), "Image file is damaged.");
    std::string zeroOffset = classic;
    put32(zeroOffset, 10, 0);
    const TextureInfo old = info(writeFile("old.bmp", zeroOffset), "Old");
    ASSERT_TRUE(objAddTexture(&old));
    TextureInfo out{};
    ASSERT_TRUE(objGetTexture(&out, "Old"));
    EXPECT_EQ(out.pixels[0], rows[0].r);
}

// GLU reads one texel past the pixels when it rescales some sizes; the pixel
// buffer's slack must cover it. The buffer here ends right at a page that
// may not be read, so any read past the slack faults.
TEST_F(ImagesTest, MipmapUploadStaysInsideThePixelBuffer) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const long page = ::sysconf(_SC_PAGESIZE);
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{4, 5}, Size{16, 3}, Size{128, 100}, Size{2 * maxSize, 1}}) {
        for (const bool rgba : {false, true}) {
            SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + (rgba ? " RGBA" : " RGB"));
            const size_t bytes = pixelBufferBytes(size.width, size.height, rgba);
            const size_t mapped = (bytes + page - 1) / page * page + page;
            auto* base = static_cast<unsigned char*>(
                ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
            ASSERT_NE(base, MAP_FAILED);
            unsigned char* guard = base + mapped - page;
            ASSERT_EQ(::mprotect(guard, static_cast<size_t>(page), PROT_NONE), 0);
            unsigned char* pixels = guard - bytes;
            std::memset(pixels, 0x80, bytes);
            TextureEntry e;
            e.width = size.width;
            e.height = size.height;
            e.alpha = rgba ? 1 : 0;
            e.filter = 4;
            glGenTextures(1, &e.textureId);
            uploadTexture(e, pixels);
            GLint width = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            EXPECT_GT(width, 0);
            glDeleteTextures(1, &e.textureId);
            ::munmap(base, mapped);
        }
    }
}

TEST_F(ImagesTest, TopDownBitmapsAreStoredBottomRowFirst) {
    const std::vector<Rgb> rows = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};  // bottom to top
    const TextureInfo up = info(writeFile("up.bmp", bitmap24(1, 3, rows)), "Up");
    const TextureInfo down = info(writeFile("down.bmp", bitmap24(1, -3, rows)), "Down");
    ASSERT_TRUE(objAddTexture(&up));
    ASSERT_TRUE(objAddTexture(&down));
    TextureInfo a{}, b{};
    ASSERT_TRUE(objGetTexture(&a, "Up"));
    ASSERT_TRUE(objGetTexture(&b, "Down"));
    EXPECT_EQ(b.height, 3);
    EXPECT_EQ(std::memcmp(a.pixels, b.pixels, 9), 0);
    EXPECT_EQ(b.pixels[0], 1);
}

TEST_F(ImagesTest, LibraryHoldsTwentyFourInOrderAndLooksUpByFirstName) {
    const std::string path = plainBitmap("p.bmp");
    for (int i = 0; i < 24; ++i) {
        const std::string name = i == 1 ? "Twin" : (i == 2 ? "Twin" : "I" + std::to_string(i));
        const TextureInfo t = info(path, name.c_str());
        ASSERT_TRUE(objAddTexture(&t)) << i;
    }
    const TextureInfo extra = info(path, "Extra");
    EXPECT_FALSE(objAddTexture(&extra));
    EXPECT_STREQ(objGetLastError(), "The maximum number of textures is currently loaded.");
    EXPECT_EQ(objGetTextureCnt(), 24);

    TextureInfo first{}, second{};
    ASSERT_TRUE(objGetTexture2(&first, 1));
    ASSERT_TRUE(objGetTexture2(&second, 2));
    EXPECT_EQ(objGetTextureId("Twin"), first.textureId);
    EXPECT_NE(first.textureId, second.textureId);
    TextureInfo untouched{};
    untouched.width = 99;
    EXPECT_FALSE(objGetTexture2(&untouched, 24));
    EXPECT_FALSE(objGetTexture2(&untouched, -1));
    EXPECT_FALSE(objGetTexture(&untouched, "Nothing"));
    EXPECT_EQ(untouched.width, 99);
    EXPECT_EQ(objGetTextureId("Nothing"), 0u);

    ASSERT_TRUE(objDelTexture("I3"));
    EXPECT_FALSE(objDelTexture("I3"));
    EXPECT_EQ(objGetTextureCnt(), 23);
    TextureInfo shifted{};
    ASSERT_TRUE(objGetTexture2(&shifted, 3));
    EXPECT_STREQ(shifted.name, "I4");
    EXPECT_TRUE(objAddTexture(&extra));
    ASSERT_TRUE(objGetTexture2(&shifted, 23));
    EXPECT_STREQ(shifted.name, "Extra");

    objNew();
    EXPECT_EQ(objGetTextureCnt(), 0);
    EXPECT_FALSE(glIsTexture(first.textureId));
}

TEST_F(ImagesTest, ReferencedMarkIsSetOnce) {
    const TextureInfo t = info(plainBitmap("m.bmp"), "M");
    ASSERT_TRUE(objAddTexture(&t));
    TextureLibrary& library = *context().textures;
    EXPECT_EQ(library.entries[0]->referenced, 0);
    markTextureReferenced(library, 12345);
    EXPECT_EQ(library.entries[0]->referenced, 0);
    markTextureReferenced(library, objGetTextureId("M"));
    EXPECT_EQ(library.entries[0]->referenced, 1);
}

}  // namespace

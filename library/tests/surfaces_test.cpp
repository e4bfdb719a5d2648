// Surface records and the state applied around each surface when drawing.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "bitmap_writer.h"
#include "context.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class SurfacesTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        objOnGrid();
        objSetBBox(0);
        objShowLights(false);
        // Two overlapping squares facing +z: "Back" at z = 0 and "Front" at z = 1.
        ASSERT_TRUE(objLoadRaw(writeFile("two.raw",
                                         "Back\n-1 -1 0  1 -1 0  1 1 0\n-1 -1 0  1 1 0  -1 1 0\n"
                                         "Front\n-1 -1 1  1 -1 1  1 1 1\n-1 -1 1  1 1 1  -1 1 1\n")
                                   .c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
    }

    SurfaceData get(int index) {
        SurfaceData s{};
        objGetSurfaceData(&s, index);
        return s;
    }

    // Pure emission colours make the pixels exact.
    void paint(int index, float r, float g, float b, float a = 1) {
        SurfaceData s = get(index);
        const float black[4] = {0, 0, 0, a};
        std::memcpy(s.diffuse, black, sizeof black);
        std::memcpy(s.ambient, black, sizeof black);
        std::memcpy(s.specular, black, sizeof black);
        const float emission[4] = {r, g, b, a};
        std::memcpy(s.emission, emission, sizeof emission);
        objSetSurfaceData(&s, index);
    }

    uint32_t addImage(const char* name, const std::vector<Rgb>& texels, int width, int height) {
        TextureInfo t{};
        std::strcpy(t.path, writeFile(std::string(name) + ".bmp", bitmap24(width, height, texels)).c_str());
        std::strcpy(t.name, name);
        t.filter = 1;
        EXPECT_TRUE(objAddTexture(&t));
        return objGetTextureId(name);
    }
};

TEST_F(SurfacesTest, RecordRoundTripsAndCountsStayTheLibrarys) {
    SurfaceData s = get(0);
    EXPECT_STREQ(s.name, "Back");
    EXPECT_EQ(s.genMode1, GL_OBJECT_LINEAR);
    EXPECT_EQ(s.planeMode2, GL_OBJECT_PLANE);
    EXPECT_EQ(s.texEnv1, GL_MODULATE);
    EXPECT_EQ(s.culling, 1);
    EXPECT_FLOAT_EQ(s.angle, 1.0f);
    EXPECT_EQ(s.vertexFloatCount, 18);

    s.anim1 = 1;
    s.anim2 = 1;
    const float t1[3] = {0.1f, 0.2f, 0.3f}, r1[3] = {10, 20, 30}, t2[3] = {-1, -2, -3}, r2[3] = {40, 50, 60};
    std::memcpy(s.animTranslate1, t1, sizeof t1);
    std::memcpy(s.animRotate1, r1, sizeof r1);
    std::memcpy(s.animTranslate2, t2, sizeof t2);
    std::memcpy(s.animRotate2, r2, sizeof r2);
    s.textureCount = 2;
    std::strcpy(s.texture2Name, "Stone");
    s.texture2Id = 77;
    s.sPlane2[3] = 0.5f;
    s.texEnv2 = GL_DECAL;
    s.shininess = 42;
    s.vertexFloatCount = 3;
    s.polygonCount = 99;
    objSetSurfaceData(&s, 0);
    SurfaceData back = get(0);
    EXPECT_EQ(back.vertexFloatCount, 18);
    EXPECT_EQ(back.polygonCount, 2);
    back.vertexFloatCount = s.vertexFloatCount;
    back.polygonCount = s.polygonCount;
    EXPECT_EQ(std::memcmp(&back, &s, sizeof s), 0);

    SurfaceData untouched{};
    untouched.culling = 55;
    objGetSurfaceData(&untouched, 2);  // index equal to the count
    objGetSurfaceData(&untouched, -1);
    EXPECT_EQ(untouched.culling, 55);
    objSetSurfaceData(&s, 2);
    objSelectSurface(5, 1);
    EXPECT_FALSE(objSetSmoothSurface(2, 10));
}

TEST_F(SurfacesTest, GeneratedCoordinatesMapTheTextureOnScreen) {
    // 2x1 texture: left texel red, right texel blue; s = x / 2 + 0.5 spans it once.
    const uint32_t id = addImage("Stripes", {{255, 0, 0}, {0, 0, 255}}, 2, 1);
    paint(1, 1, 1, 1);
    SurfaceData s = get(1);
    s.textureCount = 1;
    s.texture1Id = id;
    const float sPlane[4] = {0.5f, 0, 0, 0.5f};
    std::memcpy(s.sPlane1, sPlane, sizeof sPlane);
    objSetSurfaceData(&s, 1);
    render();
    const Rgba left = pixelAt(kWidth / 2 - 15, kHeight / 2);
    const Rgba right = pixelAt(kWidth / 2 + 15, kHeight / 2);
    EXPECT_EQ(left.r, 255);
    EXPECT_EQ(left.b, 0);
    EXPECT_EQ(right.r, 0);
    EXPECT_EQ(right.b, 255);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "restored after the surface";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));

    // A texture matrix translating s by half a repeat swaps the colours.
    s.anim1 = 1;
    s.animTranslate1[0] = 0.5f;
    objSetSurfaceData(&s, 1);
    render();
    EXPECT_EQ(pixelAt(kWidth / 2 - 15, kHeight / 2).b, 255);
    float matrix[16];
    glMatrixMode(GL_TEXTURE);
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_FLOAT_EQ(matrix[12], 0.0f) << "the texture matrix is reset afterwards";
}

TEST_F(SurfacesTest, SecondUnitOnlyWithMultitexture) {
    ASSERT_TRUE(context().multitexture.available) << "llvmpipe offers GL_ARB_multitexture";
    const uint32_t white = addImage("White", {{255, 255, 255}}, 1, 1);
    const uint32_t green = addImage("Green", {{0, 255, 0}}, 1, 1);
    paint(1, 1, 1, 1);
    SurfaceData s = get(1);
    s.textureCount = 2;
    s.texture1Id = white;
    s.texture2Id = green;
    objSetSurfaceData(&s, 1);
    render();
    Rgba p = pixelAt(kWidth / 2, kHeight / 2);
    EXPECT_EQ(p.r, 0) << "unit 2 modulates with green";
    EXPECT_EQ(p.g, 255);

    context().multitexture.available = false;
    render();
    p = pixelAt(kWidth / 2, kHeight / 2);
    EXPECT_EQ(p.r, 255) << "without the extension only texture 1 shows";
    context().multitexture.available = true;
}

TEST_F(SurfacesTest, BlendingTurnsDepthWritesOff) {
    paint(0, 1, 0, 0);       // red behind
    paint(1, 0, 0, 1, 0.5f);  // half-transparent blue in front
    SurfaceData front = get(1);
    front.blending = 1;
    objSetSurfaceData(&front, 1);
    render();
    Rgba p = pixelAt(kWidth / 2, kHeight / 2);
    EXPECT_NEAR(p.r, 128, 1);
    EXPECT_NEAR(p.b, 128, 1);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(mask) << "depth writes restored";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Drawn first and blended, a square in front does not hide the one drawn after it behind.
    objNew();
    ASSERT_TRUE(objLoadRaw(writeFile("order.raw",
                                     "Front\n-1 -1 1  1 -1 1  1 1 1\n-1 -1 1  1 1 1  -1 1 1\n"
                                     "Back\n-1 -1 0  1 -1 0  1 1 0\n-1 -1 0  1 1 0  -1 1 0\n")
                               .c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    paint(0, 0, 0, 1, 0.5f);
    paint(1, 1, 0, 0);
    front = get(0);
    front.blending = 1;
    objSetSurfaceData(&front, 0);
    render();
    p = pixelAt(kWidth / 2, kHeight / 2);
    EXPECT_EQ(p.r, 255) << "the red square behind is drawn over the blended one";
}

TEST_F(SurfacesTest, SmoothingComputesVertexNormalsButLeavesTheSwitch) {
    EXPECT_TRUE(objSetSmoothSurface(0, 45));
    const SurfaceData s = get(0);
    EXPECT_EQ(s.smooth, 0);
    EXPECT_FLOAT_EQ(s.angle, 45.0f);
    const Surface& surface = context().store->current->surfaces[0];
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(surface.vertexNormals[3 * i + 2], 1.0f);
}

}  // namespace

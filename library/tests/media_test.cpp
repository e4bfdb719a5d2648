// Frame lists and output names, and coverage from renders over black and white.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "alpha_bake.h"
#include "frame_list.h"
#include "library_test.h"

using namespace korvid::media;

namespace {

TEST(FrameList, RangesSinglesAndStepsAsRenderFarmsWriteThem) {
    std::string error;
    EXPECT_EQ(parseFrameList("1-5,47,60-70:5", &error), (std::vector<int32_t>{1, 2, 3, 4, 5, 47, 60, 65, 70}));
    EXPECT_EQ(parseFrameList("9,3-4,4", &error), (std::vector<int32_t>{3, 4, 9})) << "sorted, each once";
    EXPECT_EQ(parseFrameList("10000000", &error), (std::vector<int32_t>{10000000}));
    for (const char* wrong : {"", "0", "5-3", "1-", "-4", "1,,2", "1-9:0", "1-9:", "a", "1 2", "10000001",
                              "99999999999999999999", "1-9:2x", "1-2000000"}) {
        error.clear();
        EXPECT_TRUE(parseFrameList(wrong, &error).empty()) << wrong;
        EXPECT_FALSE(error.empty()) << wrong;
    }
}

TEST(FrameList, OutputNamesTakeTheFrameNumber) {
    std::string out, error;
    ASSERT_TRUE(expandFramePattern("shot_{frame:04}.png", 47, &out, &error));
    EXPECT_EQ(out, "shot_0047.png");
    ASSERT_TRUE(expandFramePattern("{frame}/{frame:02}", 123, &out, &error));
    EXPECT_EQ(out, "123/123");
    EXPECT_TRUE(hasFramePlaceholder("a{frame}"));
    EXPECT_FALSE(hasFramePlaceholder("a.png"));
    for (const char* wrong : {"a{frame", "a{frames}.png", "{frame:4}", "{frame:00}", "{frame:0x}", "{}"})
        EXPECT_FALSE(expandFramePattern(wrong, 1, &out, &error)) << wrong;
}

korvid::support::Image solid(int r, int g, int b) {
    korvid::support::Image image;
    image.width = 2;
    image.height = 1;
    image.rgba = {uint8_t(r), uint8_t(g), uint8_t(b), 255, 0, 0, 0, 255};
    return image;
}

// Red at half coverage shows as (128, 0, 0) over black and (255, 127, 127)
// over white; an empty pixel shows each background as it is.
TEST(AlphaBake, CoverageAndColourFromBlackAndWhite) {
    korvid::support::Image black = solid(128, 0, 0), white = solid(255, 127, 127);
    white.rgba[4] = white.rgba[5] = white.rgba[6] = 255;  // the second pixel: nothing there
    const auto straight = bakeAlpha(black, white, AlphaMode::Straight);
    EXPECT_NEAR(straight.rgba[3], 128, 1);
    EXPECT_NEAR(straight.rgba[0], 255, 1);
    EXPECT_EQ(straight.rgba[1], 0);
    EXPECT_EQ(std::vector<uint8_t>(straight.rgba.begin() + 4, straight.rgba.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
    const auto premultiplied = bakeAlpha(black, white, AlphaMode::Premultiplied);
    EXPECT_EQ(premultiplied.rgba[0], 128);
    EXPECT_NEAR(premultiplied.rgba[3], 128, 1);
    const auto opaque = bakeAlpha(solid(10, 20, 30), solid(10, 20, 30), AlphaMode::Straight);
    EXPECT_EQ(opaque.rgba[3], 255);
    EXPECT_EQ(opaque.rgba[2], 30);
}

}  // namespace

namespace {

using korvid::testing::kHeight;
using korvid::testing::kWidth;

class BakedEffectTest : public korvid::testing::LibraryTest {};

// A generated effect with known pixels: one polygon particle, red at half
// opacity, in the middle of the view. Baked over black and white, the middle
// reads red with alpha one half, the corners nothing at all.
TEST_F(BakedEffectTest, OneHalfRedParticleBakesToRedAtHalfAlpha) {
    const WindowData window{kWidth, kHeight, 45};
    objInitWin(&window);
    ASSERT_TRUE(objAddMesh(nullptr, 0)) << objGetLastError();
    objOnGrid();
    objSetBBox(0);
    objShowLights(false);
    objShowModels(false);
    EmitterData e;
    objInitEmitter(&e);
    e.particleType = KORVID_PARTICLE_POLYGONS;
    e.totalParticles = 1;
    e.emitterPerCycle = 1;
    e.emitterTime = 100000;
    e.lifespanTime = 1;
    e.life = 100000;
    e.speed = 0;
    e.yawVar = e.pitchVar = 0;
    e.startSize = e.endSize = 3;
    for (float* c : {e.startColor, e.endColor}) {
        c[0] = 1;
        c[1] = c[2] = 0;
        c[3] = 0.5f;
    }
    ASSERT_EQ(objAddEmitter(&e), 1);
    objSetFixedFrameTime(15);
    objSeekSimulation(30);
    // A model without surfaces leaves face culling as the library starts it,
    // which would cull the quad; the effect is generated to be seen.
    glDisable(GL_CULL_FACE);
    objPauseSimulation(true);
    const CameraData camera{0, 0, -5, 0, 0, 0};
    auto grab = [] {
        korvid::support::Image image;
        image.width = kWidth;
        image.height = kHeight;
        for (const auto& p : korvid::support::readPixels(kWidth, kHeight)) image.rgba.insert(image.rgba.end(), {p.r, p.g, p.b, 255});
        return image;
    };
    const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    objSetClearColor(black);
    objRender(&camera);
    const auto overBlack = grab();
    objSetClearColor(white);
    objRender(&camera);
    const auto overWhite = grab();
    objSetClearColor(black);
    objPauseSimulation(false);
    objSetFixedFrameTime(-1);
    objShowModels(true);
    objShowLights(true);
    const auto baked = bakeAlpha(overBlack, overWhite, AlphaMode::Straight);
    const uint8_t* middle = &baked.rgba[(size_t(kHeight / 2) * kWidth + kWidth / 2) * 4];
    EXPECT_NEAR(middle[3], 128, 2) << "half coverage";
    EXPECT_NEAR(middle[0], 255, 2);
    EXPECT_LE(middle[1], 2);
    EXPECT_LE(middle[2], 2);
    EXPECT_EQ(baked.rgba[3], 0) << "a corner has nothing";
}

}  // namespace

// The light set: reset values, the exports and the markers drawn each frame.
#include <GL/gl.h>

#include "library_test.h"

using namespace korvid::testing;

namespace {

class LightsTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        objOnGrid();  // grid off
        objSetAntiAliasLines(false);
    }
    int markerPixels(uint8_t r, uint8_t g, uint8_t b) {
        render();
        int count = 0;
        for (const Rgba& p : readPixels(kWidth, kHeight))
            if (p.r == r && p.g == g && p.b == b) ++count;
        return count;
    }
};

TEST_F(LightsTest, ResetValues) {
    LightData l{};
    objGetLight(&l, 0);
    EXPECT_TRUE(l.on);
    EXPECT_EQ(l.number, 0);
    EXPECT_FLOAT_EQ(l.position[0], 0.0f);
    EXPECT_FLOAT_EQ(l.position[1], 0.5f);
    EXPECT_FLOAT_EQ(l.position[2], 2.0f);
    EXPECT_FLOAT_EQ(l.position[3], 1.0f);
    EXPECT_FLOAT_EQ(l.ambient[0], 0.3f);
    EXPECT_FLOAT_EQ(l.ambient[3], 1.0f);
    EXPECT_FLOAT_EQ(l.specular[1], 1.0f);
    EXPECT_FLOAT_EQ(l.diffuse[2], 1.0f);
    EXPECT_FLOAT_EQ(l.constantAttenuation, 1.0f);
    EXPECT_FLOAT_EQ(l.linearAttenuation, 0.0f);
    EXPECT_FLOAT_EQ(l.quadraticAttenuation, 0.0f);
    objGetLight(&l, 3);
    EXPECT_FALSE(l.on);
    EXPECT_EQ(l.number, 3);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    for (GLenum k = GL_LIGHT2; k <= GL_LIGHT7; ++k) EXPECT_FALSE(glIsEnabled(k));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0)) << "GL_LIGHT0 is never used";
}

TEST_F(LightsTest, SetLightKeepsThePositionButTakesW) {
    LightData l{};
    objGetLight(&l, 2);
    l.on = true;
    l.position[0] = l.position[1] = l.position[2] = 9;
    l.position[3] = 0;
    l.diffuse[0] = 0.25f;
    l.linearAttenuation = 0.5f;
    objSetLight(&l, 2);
    LightData back{};
    objGetLight(&back, 2);
    EXPECT_FLOAT_EQ(back.position[0], 0.0f);
    EXPECT_FLOAT_EQ(back.position[2], 2.0f);
    EXPECT_FLOAT_EQ(back.position[3], 0.0f);
    EXPECT_FLOAT_EQ(back.diffuse[0], 0.25f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    float value[4];
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[0], 0.25f);
    glGetLightfv(GL_LIGHT3, GL_LINEAR_ATTENUATION, value);
    EXPECT_FLOAT_EQ(value[0], 0.5f);

    // Out-of-range indexes do nothing.
    LightData untouched{};
    untouched.number = 77;
    objSetLight(&l, 7);
    objGetLight(&untouched, -1);
    EXPECT_EQ(untouched.number, 77);
    objActivateLight(true, 7);
    objMoveLight(l.position, -1);
}

TEST_F(LightsTest, MarkersShowInTheDiffuseColourWithLightingOff) {
    LightData l{};
    objGetLight(&l, 0);
    l.diffuse[0] = 1;
    l.diffuse[1] = 0;
    l.diffuse[2] = 1;
    objSetLight(&l, 0);
    EXPECT_GT(markerPixels(255, 0, 255), 10);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    objShowLights(false);
    EXPECT_EQ(markerPixels(255, 0, 255), 0);
}

TEST_F(LightsTest, MovedLightShowsOnlyOnceSwitchedOn) {
    LightData l{};
    objGetLight(&l, 0);
    l.on = false;
    objSetLight(&l, 0);
    objGetLight(&l, 4);
    l.diffuse[1] = 0;
    objSetLight(&l, 4);  // red and blue left: a magenta marker
    const float where[3] = {1, 0, 0};
    objMoveLight(where, 4);
    EXPECT_EQ(markerPixels(255, 0, 255), 0);
    objActivateLight(true, 4);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT5));
    EXPECT_GT(markerPixels(255, 0, 255), 10);
    objLightMode(0.0f, 4);
    objGetLight(&l, 4);
    EXPECT_FLOAT_EQ(l.position[0], 1.0f);
    EXPECT_FLOAT_EQ(l.position[3], 0.0f);
    objSetLightSizeFactor(0.0f);
    EXPECT_LE(markerPixels(255, 0, 255), 4);
}

TEST_F(LightsTest, PositionsAreGivenAgainUnderTheCamera) {
    render(-5, 0, 90);
    float position[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    // (0, 0.5, 2) turned 90 degrees about y and moved 5 back: (2, 0.5, -5) in eye space.
    EXPECT_NEAR(position[0], 2.0f, 1e-5);
    EXPECT_NEAR(position[1], 0.5f, 1e-5);
    EXPECT_NEAR(position[2], -5.0f, 1e-5);
}

TEST_F(LightsTest, NewResetsLightsButNotTheGlobalAmbient) {
    const float ambient[4] = {0.1f, 0.2f, 0.3f, 1};
    objSetGlobalAmb(ambient);
    for (int k = 0; k < 7; ++k) objActivateLight(k != 0, k);
    objNew();
    LightData l{};
    for (int k = 0; k < 7; ++k) {
        objGetLight(&l, k);
        EXPECT_EQ(l.on, k == 0) << k;
    }
    float value[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, value);
    EXPECT_FLOAT_EQ(value[1], 0.2f);
}

}  // namespace

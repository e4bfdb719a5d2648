// The renderer: window set-up, frame steps, grid, outlines, materials, culling.
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "library_test.h"
#include "renderer.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class RendererTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        objShowLights(false);
        objSetAntiAliasLines(false);
        objSetAntiAliasPoints(false);
    }
    void TearDown() override {
        setDisplayListCache(true);
        LibraryTest::TearDown();
    }

    // Renders a frame in feedback mode and returns the line segments drawn,
    // each as two window-space points.
    std::vector<std::array<float, 4>> feedbackLines(float tz = -5, float rx = 0) {
        std::vector<GLfloat> buffer(200000);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        render(tz, rx);
        const GLint n = glRenderMode(GL_RENDER);
        std::vector<std::array<float, 4>> lines;
        for (GLint i = 0; i < n;) {
            const auto token = static_cast<GLint>(buffer[i]);
            if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
                lines.push_back({buffer[i + 1], buffer[i + 2], buffer[i + 3], buffer[i + 4]});
                i += 5;
            } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
                       token == GL_COPY_PIXEL_TOKEN) {
                i += 3;
            } else if (token == GL_POLYGON_TOKEN) {
                i += 2 + 2 * static_cast<GLint>(buffer[i + 1]);
            } else {
                i += 2;  // pass-through
            }
        }
        return lines;
    }

    // A model of `groups` named squares facing +z, side by side along x.
    void loadSquares(int groups, float z = 0) {
        std::string text;
        for (int g = 0; g < groups; ++g) {
            const float x0 = -1.5f + g * 1.0f, x1 = x0 + 1.0f;
            char buffer[300];
            std::snprintf(buffer, sizeof buffer,
                          "S%d\n%g -0.5 %g  %g -0.5 %g  %g 0.5 %g\n%g -0.5 %g  %g 0.5 %g  %g 0.5 %g\n", g, x0, z, x1,
                          z, x1, z, x0, z, x1, z, x0, z);
            text += buffer;
        }
        ASSERT_TRUE(objLoadRaw(writeFile("squares.raw", text).c_str()));
        ASSERT_TRUE(objSetCurrentModel(100));
    }

    // A directional light shining along -z with the given diffuse grey and no ambient.
    void frontLight(float diffuse) {
        LightData l;
        objGetLight(&l, 0);
        for (int i = 0; i < 3; ++i) {
            l.diffuse[i] = diffuse;
            l.ambient[i] = 0;
            l.specular[i] = 0;
        }
        l.position[3] = 0;
        objSetLight(&l, 0);
        const float direction[3] = {0, 0, 1};
        objMoveLight(direction, 0);
        const float none[4] = {0, 0, 0, 1};
        objSetGlobalAmb(none);
    }

    void setMaterial(int surface, const float diffuse[4], int selection = 0) {
        SurfaceData s{};
        objGetSurfaceData(&s, surface);
        std::memcpy(s.diffuse, diffuse, sizeof s.diffuse);
        std::memset(s.specular, 0, sizeof s.specular);
        objSetSurfaceData(&s, surface);
        objSelectSurface(surface, selection);
    }

    // Window x of scene x on the plane z = 0 with the camera 5 units back.
    static int columnOf(float x) {
        const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
        const double aspect = double(kWidth) / kHeight;
        return static_cast<int>((x / 5.0 * f / aspect + 1.0) * 0.5 * kWidth);
    }
};

TEST_F(RendererTest, InitialStateFollowsTheSetUpSteps) {
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_SMOOTH));
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWidth);
    EXPECT_EQ(viewport[3], kHeight);
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[3], 1.0f);
}

TEST_F(RendererTest, ResizeAndZoomRebuildTheProjection) {
    objResizeWin(0, 300);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1);
    EXPECT_EQ(viewport[3], 300);
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0] / m[5], 300.0, 1e-3) << "aspect 1/300";

    objZoomWin(60);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[5], 1.0 / std::tan(30 * M_PI / 180), 1e-5);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1) << "zoom leaves the viewport";
    objResizeWin(100, 100);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[5], 1.0 / std::tan(30 * M_PI / 180), 1e-5) << "resize keeps the field of view";
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // A zero height is taken as 1 instead of giving an infinite aspect.
    objResizeWin(100, 0);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_TRUE(std::isfinite(m[0]));
    objResizeWin(kWidth, kHeight);
    objZoomWin(45);
}

// The clipping planes follow objSetClipPlanes through resizes; planes that
// make no projection are refused and leave it as it was.
TEST_F(RendererTest, ClipPlanesAreTakenOnlyWhenTheyMakeAProjection) {
    auto planes = [] {
        float m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        // From -(f+n)/(f-n) and -2fn/(f-n).
        const double a = m[10], b = m[14];
        return std::pair<double, double>{b / (a - 1), b / (a + 1)};
    };
    EXPECT_NEAR(planes().first, 0.1, 1e-4);
    EXPECT_NEAR(planes().second, 100.0, 0.05);
    ASSERT_TRUE(objSetClipPlanes(2.0f, 5000.0f));
    objResizeWin(kWidth, kHeight);
    EXPECT_NEAR(planes().first, 2.0, 1e-3);
    EXPECT_NEAR(planes().second, 5000.0, 5.0);
    const float nan = std::nanf("");
    for (const auto& [n, f] : std::vector<std::pair<float, float>>{
             {0.0f, 10.0f}, {5.0f, 5.0f}, {-1.0f, 10.0f}, {nan, 10.0f}, {1.0f, INFINITY}, {10.0f, 1.0f}}) {
        EXPECT_FALSE(objSetClipPlanes(n, f)) << n << " " << f;
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_BAD_ARGUMENT);
    }
    EXPECT_NEAR(planes().first, 2.0, 1e-3) << "a refusal keeps the planes";
    ASSERT_TRUE(objSetClipPlanes(0.1f, 100.0f));
}

TEST_F(RendererTest, GridHasTwentyOneLinesEachWayInDarkGreen) {
    const auto lines = feedbackLines(-12, 90);
    EXPECT_EQ(lines.size(), 42u);
    render(-12, 90);
    // Looking straight down, the line x = 0 runs through the middle column.
    int green = 0;
    for (int y = 0; y < kHeight; ++y) {
        const Rgba p = pixelAt(kWidth / 2, y);
        if (p.r == 0 && p.b == 0 && p.g == 102) ++green;
    }
    EXPECT_GT(green, kHeight / 2);

    objSetGrid(4, 0, 0);  // a step of 0 draws nothing instead of looping forever
    EXPECT_EQ(feedbackLines(-12, 90).size(), 0u);
    objSetGrid(4, -1, 0);
    EXPECT_EQ(feedbackLines(-12, 90).size(), 0u);
    objSetGrid(1, 0.5f, 0);
    EXPECT_EQ(feedbackLines(-12, 90).size(), 10u);
    objOnGrid();
    EXPECT_EQ(feedbackLines(-12, 90).size(), 0u);
}

TEST_F(RendererTest, OnlyTheFirstModelsOutlineIsDrawnInWorldCoordinates) {
    objOnGrid();
    loadSquares(1);
    loadSquares(2);
    const auto before = feedbackLines();
    EXPECT_EQ(before.size(), 12u);
    ASSERT_TRUE(objSetCurrentModel(0));
    const float moved[3] = {1, 1, 0};
    objSetModelPosition(moved);
    EXPECT_EQ(feedbackLines(), before);
    objSetBBox(0);
    EXPECT_EQ(feedbackLines().size(), 0u);
}

TEST_F(RendererTest, LitSurfaceTakesItsMaterialColour) {
    objOnGrid();
    objSetBBox(0);
    loadSquares(1);
    frontLight(0.5f);
    const float red[4] = {1, 0, 0, 1};
    setMaterial(0, red);
    render();
    const Rgba p = pixelAt(columnOf(-1.0f), kHeight / 2);
    EXPECT_NEAR(p.r, 128, 1);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.b, 0);
}

TEST_F(RendererTest, SelectionsGlowAndOutline) {
    objOnGrid();
    objSetBBox(0);
    loadSquares(3);
    frontLight(0.5f);
    const float red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
    setMaterial(0, red, 0);
    setMaterial(1, blue, 1);  // glows and keeps the red material of surface 0
    setMaterial(2, blue, 0);
    render();
    const Rgba glow = pixelAt(columnOf(-0.0f), kHeight / 2);
    EXPECT_NEAR(glow.r, 128, 1);
    EXPECT_NEAR(glow.g, 153, 1);
    EXPECT_EQ(glow.b, 0);
    const Rgba plain = pixelAt(columnOf(1.0f), kHeight / 2);
    EXPECT_EQ(plain.g, 0) << "the emission is reset by the next full material";
    EXPECT_NEAR(plain.b, 128, 1);

    EXPECT_EQ(feedbackLines().size(), 0u);
    objSelectSurface(2, 2);
    EXPECT_EQ(feedbackLines().size(), 12u);
    objSelectSurface(0, 3);
    EXPECT_EQ(feedbackLines().size(), 24u);
    render();
    const Rgba glowing = pixelAt(columnOf(-1.0f), kHeight / 2);
    EXPECT_NEAR(glowing.g, 153, 1) << "selection 3 glows";
}

TEST_F(RendererTest, CullingStaysOnUntilTheFirstCulledSurface) {
    objOnGrid();
    objSetBBox(0);
    // Three squares facing away from the camera.
    std::string text;
    for (int g = 0; g < 3; ++g) {
        const float x0 = -1.5f + g, x1 = x0 + 1;
        char buffer[300];
        std::snprintf(buffer, sizeof buffer, "B%d\n%g -0.5 0  %g 0.5 0  %g -0.5 0\n%g -0.5 0  %g 0.5 0  %g 0.5 0\n", g,
                      x0, x1, x1, x0, x0, x1);
        text += buffer;
    }
    ASSERT_TRUE(objLoadRaw(writeFile("back.raw", text).c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    const float ambient[4] = {1, 1, 1, 1};
    objSetGlobalAmb(ambient);
    for (int i = 0; i < 3; ++i) {
        SurfaceData s{};
        objGetSurfaceData(&s, i);
        s.culling = i == 1 ? 1 : 0;
        const float white[4] = {1, 1, 1, 1};
        std::memcpy(s.ambient, white, sizeof white);
        objSetSurfaceData(&s, i);
    }
    render();
    EXPECT_EQ(pixelAt(columnOf(-1.0f), kHeight / 2).r, 0) << "culled: culling is still on from start-up";
    EXPECT_EQ(pixelAt(columnOf(0.0f), kHeight / 2).r, 0) << "culled by its own switch";
    EXPECT_GT(pixelAt(columnOf(1.0f), kHeight / 2).r, 200) << "drawn: the culled surface switched culling off";
}

TEST_F(RendererTest, DisplayListsDrawTheSamePixelsAsDirectDrawing) {
    objSetBBox(0);
    std::string text = "Ball\n";
    // A small faceted dome, flat and smooth variants.
    for (int i = 0; i < 12; ++i) {
        const double a0 = i * M_PI / 6, a1 = (i + 1) * M_PI / 6;
        char buffer[200];
        std::snprintf(buffer, sizeof buffer, "0 1 0  %f 0 %f  %f 0 %f\n", std::sin(a0), std::cos(a0), std::sin(a1),
                      std::cos(a1));
        text += buffer;
    }
    text += "Other\n0 0 0 1 0 0 0 1 0\n";
    ASSERT_TRUE(objLoadRaw(writeFile("dome.raw", text).c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));

    auto frame = [&](bool lists) {
        setDisplayListCache(lists);
        render(-4, 30, 20);
        return readPixels(kWidth, kHeight);
    };
    auto same = [](const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
        return std::memcmp(a.data(), b.data(), a.size() * sizeof(Rgba)) == 0;
    };
    EXPECT_TRUE(same(frame(false), frame(true))) << "flat";

    // Smooth switched on without computed normals draws with what the array holds.
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    s.smooth = 1;
    objSetSurfaceData(&s, 0);
    EXPECT_TRUE(same(frame(false), frame(true))) << "smooth, normals not computed";
    ASSERT_TRUE(objSetSmoothSurface(0, 60));
    const auto smoothDirect = frame(false);
    EXPECT_TRUE(same(smoothDirect, frame(true))) << "smooth";
    const float offset[3] = {0.2f, 0, 0};
    objGeoTranslate(offset);
    EXPECT_FALSE(same(smoothDirect, frame(true))) << "the cached list follows changed vertices";
    EXPECT_TRUE(same(frame(false), frame(true)));
}

TEST_F(RendererTest, RenderingWithNoModelDrawsLightsAndGrid) {
    objShowLights(true);
    const auto lines = feedbackLines(-12, 90);
    EXPECT_EQ(lines.size(), 42u + 3u);
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(width, 1.5f) << "the grid sets its own width after the lights' 2.0";
}

}  // namespace

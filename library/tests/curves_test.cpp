// Colour and size over a particle's life: keys checked and kept, and a
// particle following its curves at chosen moments, in its record and in pixels.
#include <cmath>
#include <cstring>
#include <vector>

#include <GL/gl.h>

#include "context.h"
#include "library_test.h"
#include "particles.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class CurvesTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        objSeedRandom(3);
        objSetFixedFrameTime(15);
    }
    void TearDown() override {
        objPauseSimulation(false);
        objSetFixedFrameTime(-1);
        objShowModels(true);
        objShowLights(true);
        LibraryTest::TearDown();
    }
    // One polygon particle, born at the first step, living 1000 ms, in the middle of the view.
    static void oneParticle() {
        ASSERT_TRUE(objAddMesh(nullptr, 0)) << objGetLastError();
        EmitterData e;
        objInitEmitter(&e);
        e.particleType = KORVID_PARTICLE_POLYGONS;
        e.totalParticles = 1;
        e.emitterPerCycle = 1;
        e.emitterTime = 100000;
        e.lifespanTime = 1;
        e.life = 1000;
        e.speed = 0;
        e.yawVar = e.pitchVar = 0;
        e.startSize = e.endSize = 3;
        ASSERT_EQ(objAddEmitter(&e), 1);
        ASSERT_EQ(objSetEmitterPtr(0), 1);
    }
    static const Particle* particle() {
        return context().store->models.back()->particles.emitters.front()->data.liveList;
    }
};

TEST_F(CurvesTest, RefusalsChangeNothingAndSayWhy) {
    const CurveKey one[1] = {{0, {1, 1, 1, 1}}};
    objClearLastError();
    EXPECT_FALSE(objSetEmitterCurve(KORVID_CURVE_COLOUR, one, 1)) << "no current emitter";
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_CURVE_REFUSED);
    EXPECT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0), -1);
    oneParticle();
    const CurveKey good[2] = {{0, {1, 0, 0, 1}}, {1, {0, 0, 1, 0}}};
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, good, 2));
    std::vector<CurveKey> many(17, CurveKey{0, {0, 0, 0, 0}});
    for (size_t i = 0; i < many.size(); ++i) many[i].time = float(i) / 16.0f;
    const CurveKey late[1] = {{1.5f, {0, 0, 0, 0}}};
    const CurveKey backwards[2] = {{0.5f, {0, 0, 0, 0}}, {0.5f, {0, 0, 0, 0}}};
    const CurveKey nan[1] = {{0.2f, {NAN, 0, 0, 0}}};
    const CurveKey negative[1] = {{0.2f, {-1, 0, 0, 0}}};
    struct Wrong {
        int32_t curve;
        const CurveKey* keys;
        int32_t count;
    };
    for (const Wrong& w : {Wrong{2, good, 2}, Wrong{KORVID_CURVE_COLOUR, many.data(), 17},
                           Wrong{KORVID_CURVE_COLOUR, nullptr, 1}, Wrong{KORVID_CURVE_COLOUR, late, 1},
                           Wrong{KORVID_CURVE_COLOUR, backwards, 2}, Wrong{KORVID_CURVE_COLOUR, nan, 1},
                           Wrong{KORVID_CURVE_SIZE, negative, 1}, Wrong{KORVID_CURVE_COLOUR, good, -1}}) {
        objClearLastError();
        EXPECT_FALSE(objSetEmitterCurve(w.curve, w.keys, w.count));
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_CURVE_REFUSED);
        EXPECT_EQ(std::strncmp(objGetLastError(), "Curve refused: ", 15), 0) << objGetLastError();
    }
    CurveKey back[4] = {};
    ASSERT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, back, 4), 2) << "the curve set before stays";
    EXPECT_EQ(std::memcmp(back, good, sizeof good), 0);
    EXPECT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0));
    EXPECT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, back, 4), 0) << "count 0 removes it";
}

// A three-key gradient (white, orange at the middle, transparent dark red)
// and a growing size, followed at chosen moments reached by seeks, and the
// orange at the middle of its life seen in the picture.
TEST_F(CurvesTest, AThreeKeyGradientAtChosenMoments) {
    oneParticle();
    const CurveKey colour[3] = {{0, {1, 1, 1, 1}}, {0.5f, {1, 0.5f, 0, 1}}, {1, {0.2f, 0, 0, 0}}};
    const CurveKey size[2] = {{0.25f, {1, 0, 0, 0}}, {0.75f, {5, 0, 0, 0}}};
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, colour, 3));
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_SIZE, size, 2));
    // Born and first moved at 15 ms: at time t its age is t - 15 + 15 = t ms of 1000.
    struct Moment {
        int ms;
        float r, g, b, a, size;
    };
    for (const Moment& m : {Moment{255, 1, 0.745f, 0.49f, 1, 1.0f}, Moment{495, 1, 0.505f, 0.01f, 1, 2.96f},
                            Moment{750, 0.6f, 0.25f, 0, 0.5f, 5}}) {
        SCOPED_TRACE(m.ms);
        ASSERT_EQ(objSeekSimulation(m.ms), m.ms);
        const Particle* p = particle();
        ASSERT_NE(p, nullptr);
        const float f = float(m.ms) / 1000.0f;
        EXPECT_NEAR(f, 1.0f - float(p->lifeLeft) / float(p->lifeTotal), 1e-6);
        EXPECT_NEAR(p->color[0], m.r, 0.01f);
        EXPECT_NEAR(p->color[1], m.g, 0.01f);
        EXPECT_NEAR(p->color[2], m.b, 0.01f);
        EXPECT_NEAR(p->color[3], m.a, 0.01f);
        EXPECT_NEAR(p->size, m.size, 0.05f);
    }
    // The curve goes with the emitter through a restart and the next seek.
    objRestartEmitters();
    ASSERT_EQ(objSeekSimulation(495), 495);
    EXPECT_NEAR(particle()->color[1], 0.505f, 0.01f);

    objOnGrid();
    objSetBBox(0);
    objShowLights(false);
    objPauseSimulation(true);
    const CameraData camera{0, 0, -5, 0, 0, 0};
    glDisable(GL_CULL_FACE);  // a model without surfaces leaves culling on; the quad is to be seen
    const float black[4] = {0, 0, 0, 1};
    objSetClearColor(black);
    objRender(&camera);
    const auto pixel = korvid::support::pixelAt(kWidth / 2, kHeight / 2);
    EXPECT_NEAR(pixel.r, 255, 3);
    EXPECT_NEAR(pixel.g, 129, 3) << "orange at the middle of its life";
    EXPECT_NEAR(pixel.b, 3, 3);
}

}  // namespace

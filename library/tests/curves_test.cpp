// Colour and size over a particle's life: keys checked and kept, and a
// particle following its curves at chosen moments, in its record and in pixels.
#include <algorithm>
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
    static std::vector<ParticleView> particles() {
        return liveParticles(context().store->models.back()->particles.emitters.front()->data);
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
        const std::vector<ParticleView> live = particles();
        ASSERT_FALSE(live.empty());
        const ParticleView* p = &live.front();
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
    ASSERT_FALSE(particles().empty());
    EXPECT_NEAR(particles().front().color[1], 0.505f, 0.01f);

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

// Every shape's particles are born inside it (on it, for a shell), around the
// emitter's position; the mesh's on the model's triangles.
TEST_F(CurvesTest, ParticlesAreBornInsideTheirShape) {
    const float triangle[9] = {0, 0, 0, 2, 0, 0, 0, 2, 0};
    const MeshSurface surface{"Tri", triangle, 1};
    ASSERT_TRUE(objAddMesh(&surface, 1));
    EmitterData e;
    objInitEmitter(&e);
    e.totalParticles = 2000;
    e.emitterPerCycle = 2000;
    e.emitterTime = 100000;
    e.lifespanTime = 1;
    e.life = 100000;
    e.speed = 0;
    e.force[0] = e.force[1] = e.force[2] = 0;
    e.position[0] = 1, e.position[1] = 2, e.position[2] = 3;
    ASSERT_EQ(objAddEmitter(&e), 1);
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    EmitterShape shape{};
    ASSERT_TRUE(objGetEmitterShape(&shape));
    EXPECT_EQ(shape.kind, KORVID_SHAPE_POINT) << "a new emitter is a point";
    struct Case {
        EmitterShape shape;
        const char* name;
    };
    const Case cases[] = {{{KORVID_SHAPE_SPHERE, {0.5f, 0, 0}, 0}, "sphere"},
                          {{KORVID_SHAPE_SPHERE, {0.5f, 0, 0}, 1}, "sphere shell"},
                          {{KORVID_SHAPE_BOX, {1, 2, 0.5f}, 0}, "box"},
                          {{KORVID_SHAPE_BOX, {1, 2, 0.5f}, 1}, "box faces"},
                          {{KORVID_SHAPE_DISC, {0.75f, 0, 0}, 0}, "disc"},
                          {{KORVID_SHAPE_DISC, {0.75f, 0, 0}, 1}, "disc rim"},
                          {{KORVID_SHAPE_MESH, {0, 0, 0}, 0}, "mesh"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(objSetEmitterShape(&c.shape)) << objGetLastError();
        ASSERT_EQ(objSeekSimulation(15), 15);
        int count = 0;
        float spread = 0;
        for (const ParticleView& particle : particles()) {
            const ParticleView* p = &particle;
            ++count;
            const float x = p->position[0] - 1, y = p->position[1] - 2, z = p->position[2] - 3;
            const float* s = c.shape.size;
            const float eps = 1e-4f;
            switch (c.shape.kind) {
            case KORVID_SHAPE_SPHERE: {
                const float r = std::sqrt(x * x + y * y + z * z);
                ASSERT_LE(r, s[0] + eps);
                if (c.shape.shell) ASSERT_NEAR(r, s[0], eps);
                break;
            }
            case KORVID_SHAPE_BOX: {
                const float d[3] = {std::fabs(x) / (s[0] / 2), std::fabs(y) / (s[1] / 2), std::fabs(z) / (s[2] / 2)};
                for (float v : d) ASSERT_LE(v, 1 + eps);
                if (c.shape.shell) ASSERT_NEAR(std::max({d[0], d[1], d[2]}), 1.0f, eps);
                break;
            }
            case KORVID_SHAPE_DISC: {
                ASSERT_EQ(y, 0.0f);
                const float r = std::sqrt(x * x + z * z);
                ASSERT_LE(r, s[0] + eps);
                if (c.shape.shell) ASSERT_NEAR(r, s[0], eps);
                break;
            }
            default:  // on the triangle (0,0,0) (2,0,0) (0,2,0), where the model stands
                ASSERT_NEAR(p->position[2], 0.0f, eps);
                ASSERT_GE(p->position[0], -eps);
                ASSERT_GE(p->position[1], -eps);
                ASSERT_LE(p->position[0] + p->position[1], 2 + eps);
                break;
            }
            spread = std::max(spread, std::fabs(x) + std::fabs(z));
        }
        EXPECT_EQ(count, 2000);
        EXPECT_GT(spread, 0.1f) << "the particles spread over the shape";
    }
    objClearLastError();
    for (const EmitterShape& wrong : {EmitterShape{7, {1, 1, 1}, 0}, EmitterShape{KORVID_SHAPE_SPHERE, {-1, 0, 0}, 0},
                                      EmitterShape{KORVID_SHAPE_BOX, {1, NAN, 1}, 0},
                                      EmitterShape{KORVID_SHAPE_DISC, {1, 0, 0}, 2}}) {
        EXPECT_FALSE(objSetEmitterShape(&wrong));
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_SHAPE_REFUSED);
    }
    EXPECT_FALSE(objSetEmitterShape(nullptr));
    ASSERT_TRUE(objGetEmitterShape(&shape));
    EXPECT_EQ(shape.kind, KORVID_SHAPE_MESH) << "refusals change nothing";
}

// Curves and shapes belong to their emitter: they stay with it while others
// are inserted and removed around it, and a curve set and taken away again
// leaves the simulation bit for bit as it was without.
TEST_F(CurvesTest, CurvesAndShapesStayWithTheirEmitter) {
    const float triangle[9] = {0, 0, 0, 2, 0, 0, 0, 2, 0};
    const MeshSurface surface{"Tri", triangle, 1};
    ASSERT_TRUE(objAddMesh(&surface, 1));
    EmitterData e;
    objInitEmitter(&e);
    e.totalParticles = 200;
    for (const char* name : {"A", "B"}) {
        std::strcpy(e.name, name);
        ASSERT_GT(objAddEmitter(&e), 0);
    }
    const CurveKey keys[2] = {{0, {1, 0, 0, 1}}, {1, {0, 0, 1, 0}}};
    const EmitterShape sphere{KORVID_SHAPE_SPHERE, {0.5f, 0, 0}, 1};
    ASSERT_TRUE(objSetEmitterPtr(1));
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, keys, 2));
    ASSERT_TRUE(objSetEmitterShape(&sphere));

    std::strcpy(e.name, "New");
    ASSERT_GT(objInsertEmitter(&e, 0), 0);
    ASSERT_TRUE(objSetEmitterPtr(0));
    ASSERT_EQ(objRemoveEmitter(), 2);  // "New" again, then "A"
    ASSERT_TRUE(objSetEmitterPtr(0));
    ASSERT_EQ(objRemoveEmitter(), 1);
    ASSERT_TRUE(objSetEmitterPtr(0));
    EmitterData b;
    objGetEmitter(&b);
    ASSERT_STREQ(b.name, "B");
    CurveKey read[4];
    ASSERT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, read, 4), 2);
    EXPECT_EQ(std::memcmp(read, keys, sizeof keys), 0);
    EmitterShape shape{};
    ASSERT_TRUE(objGetEmitterShape(&shape));
    EXPECT_EQ(std::memcmp(&shape, &sphere, sizeof shape), 0);
    // A new emitter starts with neither.
    ASSERT_GT(objAddEmitter(&e), 0);
    ASSERT_TRUE(objSetEmitterPtr(1));
    EXPECT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0), 0);
    ASSERT_TRUE(objGetEmitterShape(&shape));
    EXPECT_EQ(shape.kind, KORVID_SHAPE_POINT);
}

// The shape's outline is drawn only when asked for, around the emitter.
TEST_F(CurvesTest, TheShapeOutlineIsDrawnWhenShown) {
    oneParticle();
    objSetBBox(0);
    objShowLights(false);
    objPauseSimulation(true);
    const float black[4] = {0, 0, 0, 1};
    objSetClearColor(black);
    // Off the grid's plane: the grid is drawn in y = 0 and the view looks along z.
    const float position[3] = {0, 0, 0};
    objSetPosEmitter(position);
    const EmitterShape disc{KORVID_SHAPE_DISC, {1, 0, 0}, 0}, sphere{KORVID_SHAPE_SPHERE, {1, 0, 0}, 0};
    const CameraData camera{0, 0, -5, 0, 0, 0};
    // A pixel on the sphere's circle in the view's plane, halfway up.
    auto onCircle = [&] {
        objRender(&camera);
        const int x = kWidth / 2, y = kHeight / 2;
        // The circle of radius 1 at distance 5 with a 45 degree field of view.
        const int r = int(std::lround(1.0 / (5.0 * std::tan(22.5 * 3.14159265 / 180)) * (kHeight / 2.0)));
        int bright = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            const auto p = korvid::support::pixelAt(x, y + r + dy);
            bright = std::max(bright, int(p.r) + int(p.g));
        }
        return bright;
    };
    ASSERT_TRUE(objSetEmitterShape(&sphere));
    EXPECT_LT(onCircle(), 40) << "no outline before it is shown";
    objShowShapeOutline(true);
    EXPECT_GT(onCircle(), 200) << "the sphere's circle facing the camera";
    ASSERT_TRUE(objSetEmitterShape(&disc));
    EXPECT_LT(onCircle(), 40) << "a disc lies flat: seen edge on it is a line through the middle";
    objShowShapeOutline(false);
}

// A mesh shape follows its model's vertices when they are moved.
TEST_F(CurvesTest, AMeshShapeFollowsItsModel) {
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface surface{"Tri", triangle, 1};
    ASSERT_TRUE(objAddMesh(&surface, 1));
    EmitterData e;
    objInitEmitter(&e);
    e.emitterPerCycle = 200;
    e.lifespanTime = 1000;
    e.speed = 0;
    ASSERT_EQ(objAddEmitter(&e), 1);
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    const EmitterShape mesh{KORVID_SHAPE_MESH, {0, 0, 0}, 0};
    ASSERT_TRUE(objSetEmitterShape(&mesh));
    const float away[3] = {0, 0, 5};
    objGeoTranslate(away);
    ASSERT_EQ(objSeekSimulation(15), 15);
    int count = 0;
    for (const ParticleView& p : particles()) {
        ASSERT_NEAR(p.position[2], 5.0f, 1e-4f);
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST_F(CurvesTest, ACurveAndShapeTakenAwayLeaveNoTrace) {
    auto run = [](bool touched) {
        objNew();
        objSeedRandom(5);
        EXPECT_TRUE(objAddMesh(nullptr, 0));
        EmitterData e;
        objInitEmitter(&e);
        e.particleType = KORVID_PARTICLE_POLYGONS;
        e.startColorVar[0] = 0.3f;
        e.startSizeVar = 0.5f;
        e.endSize = 4;
        e.lifespanTime = 1000;
        EXPECT_EQ(objAddEmitter(&e), 1);
        EXPECT_TRUE(objSetEmitterPtr(0));
        if (touched) {
            const CurveKey keys[1] = {{0.5f, {1, 1, 1, 1}}};
            const EmitterShape box{KORVID_SHAPE_BOX, {1, 1, 1}, 0}, point{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
            EXPECT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, keys, 1));
            EXPECT_TRUE(objSetEmitterCurve(KORVID_CURVE_SIZE, keys, 1));
            EXPECT_TRUE(objSetEmitterShape(&box));
            EXPECT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0));
            EXPECT_TRUE(objSetEmitterCurve(KORVID_CURVE_SIZE, nullptr, 0));
            EXPECT_TRUE(objSetEmitterShape(&point));
        }
        EXPECT_EQ(objSeekSimulation(900), 900);
        EXPECT_GT(objGetLiveParticles(-1), 0);
        std::vector<float> state;
        for (const ParticleView& particle : particles()) {
            const ParticleView* p = &particle;
            state.insert(state.end(), p->position, p->position + 3);
            state.insert(state.end(), p->color, p->color + 4);
            state.push_back(p->size);
        }
        return state;
    };
    const std::vector<float> never = run(false);
    ASSERT_GT(never.size(), 8u);
    const std::vector<float> taken = run(true);
    ASSERT_EQ(taken.size(), never.size());
    EXPECT_EQ(std::memcmp(taken.data(), never.data(), never.size() * sizeof(float)), 0);
}

}  // namespace

TEST(CurveValues, FlatOutsideTheKeysStraightBetweenAndRefusedWithoutKeys) {
    const CurveKey keys[3] = {{0.2f, {1, 0, 0, 1}}, {0.6f, {0, 1, 0, 0.5f}}, {0.8f, {0, 0, 1, 0}}};
    float out[4] = {9, 9, 9, 9};
    ASSERT_TRUE(objEvaluateCurve(keys, 3, 0.0f, out));
    EXPECT_FLOAT_EQ(out[0], 1) << "flat before the first key";
    ASSERT_TRUE(objEvaluateCurve(keys, 3, 0.4f, out));
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_FLOAT_EQ(out[3], 0.75f) << "halfway between the first two keys";
    ASSERT_TRUE(objEvaluateCurve(keys, 3, 0.6f, out));
    EXPECT_FLOAT_EQ(out[1], 1) << "at a key, its value";
    ASSERT_TRUE(objEvaluateCurve(keys, 3, 1.0f, out));
    EXPECT_FLOAT_EQ(out[2], 1) << "flat after the last key";
    EXPECT_FLOAT_EQ(out[3], 0);

    float untouched[4] = {7, 7, 7, 7};
    EXPECT_FALSE(objEvaluateCurve(keys, 0, 0.5f, untouched));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_BAD_ARGUMENT);
    EXPECT_FALSE(objEvaluateCurve(nullptr, 3, 0.5f, untouched));
    EXPECT_FALSE(objEvaluateCurve(keys, 3, 0.5f, nullptr));
    EXPECT_FALSE(objEvaluateCurve(keys, KORVID_MAX_CURVE_KEYS + 1, 0.5f, untouched));
    EXPECT_FLOAT_EQ(untouched[0], 7);
}

// The scene as a whole: model count and removal, what is shown, and the
// boxes views frame.
#include <cstring>

#include "library_test.h"

using namespace korvid::testing;

namespace {

class SceneTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        objSeedRandom(2);
        objSetFixedFrameTime(15);
    }
    void TearDown() override {
        objSetFixedFrameTime(-1);
        LibraryTest::TearDown();
    }
    // A square of two triangles from (x0, y0) to (x1, y1) at depth z, facing the camera.
    static void addSquare(float x0, float y0, float x1, float y1, float z) {
        const float t[18] = {x0, y0, z, x1, y0, z, x1, y1, z, x0, y0, z, x1, y1, z, x0, y1, z};
        const MeshSurface s{"Square", t, 2};
        ASSERT_TRUE(objAddMesh(&s, 1)) << objGetLastError();
    }
    static void addFountain(float x) {
        EmitterData e;
        objInitEmitter(&e);
        e.position[0] = x;
        e.lifespanTime = 100000;
        e.emitterPerCycle = 20;
        e.speed = 0.02f;
        e.pitch = 1.5707964f;
        e.pitchVar = 0.3f;
        e.yawVar = 3.14f;
        e.startSize = 4;
        ASSERT_GT(objAddEmitter(&e), 0);
    }
};

TEST_F(SceneTest, BoundsOfTheSceneAModelASurfaceAndParticles) {
    float lo[3], hi[3];
    EXPECT_FALSE(objGetBounds(KORVID_BOUNDS_SCENE, 0, lo, hi)) << "nothing loaded";
    addSquare(-1, -1, 1, 1, 0);
    const float away[3] = {10, 0, 0};
    objSetModelPosition(away);
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
    EXPECT_FLOAT_EQ(lo[0], 9);
    EXPECT_FLOAT_EQ(hi[0], 11) << "where the model stands";
    EXPECT_FLOAT_EQ(hi[1], 1);
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_SURFACE, 0, lo, hi));
    EXPECT_FALSE(objGetBounds(KORVID_BOUNDS_SURFACE, 1, lo, hi));
    EXPECT_FALSE(objGetBounds(KORVID_BOUNDS_PARTICLES, 0, lo, hi)) << "no emitter";

    addSquare(-3, 0, -2, 2, 1);
    addFountain(-2.5f);
    ASSERT_TRUE(objSetEmitterPtr(0));
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_PARTICLES, 0, lo, hi));
    EXPECT_FLOAT_EQ(lo[0], -2.5f) << "no particles yet: the emitter's position";
    EXPECT_FLOAT_EQ(hi[0], -2.5f);
    objSeekSimulation(600);
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_PARTICLES, 0, lo, hi));
    EXPECT_GT(hi[1], 0.3f) << "the particles have risen";
    const float particleTop = hi[1];

    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_SCENE, 0, lo, hi));
    EXPECT_FLOAT_EQ(lo[0], -3);
    EXPECT_FLOAT_EQ(hi[0], 11);
    EXPECT_FLOAT_EQ(hi[1], std::max(2.0f, particleTop));
    EXPECT_FLOAT_EQ(hi[2], 1);
    // Hidden models are left out.
    ASSERT_TRUE(objSetVisible(0, -1, false));
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_SCENE, 0, lo, hi));
    EXPECT_LT(hi[0], 0);
    EXPECT_FALSE(objGetBounds(KORVID_BOUNDS_SCENE, 0, nullptr, hi));
}

TEST_F(SceneTest, HiddenThingsAreNotDrawnNorCountedButSimulateOn) {
    addSquare(-1, -1, 1, 1, 0);
    addFountain(0);
    objOnGrid();
    objSetBBox(0);
    objShowLights(false);
    const CameraData camera{0, 0, -5, 0, 0, 0};
    auto lit = [&] {
        objRender(&camera);
        const auto p = korvid::support::pixelAt(kWidth / 2, kHeight / 2);
        return int(p.r) + int(p.g) + int(p.b);
    };
    objSeekSimulation(300);
    objPauseSimulation(true);
    EXPECT_GT(lit(), 0);
    const int64_t live = objGetSceneLiveParticles();
    ASSERT_GT(live, 0);

    ASSERT_TRUE(objSetVisible(0, 0, false));
    EXPECT_EQ(objGetVisible(0, 0), 0);
    EXPECT_EQ(objGetVisible(0, -1), 1);
    EXPECT_EQ(objGetSceneLiveParticles(), 0) << "a hidden emitter is not counted";
    EXPECT_EQ(objGetLiveParticles(0), live) << "but lives on";
    ASSERT_TRUE(objSetVisible(0, -1, false));
    EXPECT_EQ(lit(), 0) << "a hidden model draws nothing";
    objPauseSimulation(false);
    objSeekSimulation(600);
    EXPECT_GT(objGetLiveParticles(0), live) << "hidden, the effect goes on";
    ASSERT_TRUE(objSetVisible(0, -1, true));
    ASSERT_TRUE(objSetVisible(0, 0, true));
    EXPECT_EQ(objGetSceneLiveParticles(), objGetLiveParticles(0));

    EXPECT_FALSE(objSetVisible(1, -1, false));
    EXPECT_FALSE(objSetVisible(0, 1, false));
    EXPECT_FALSE(objSetVisible(0, -2, false));
    EXPECT_EQ(objGetVisible(0, 1), -1);
    objPauseSimulation(false);
}

TEST_F(SceneTest, RemovingAModel) {
    EXPECT_EQ(objGetModelCount(), 0);
    EXPECT_FALSE(objRemoveModel(0));
    addSquare(0, 0, 1, 1, 0);
    addSquare(0, 0, 2, 2, 0);
    addSquare(0, 0, 3, 3, 0);
    addFountain(0);  // on the third, current
    ASSERT_EQ(objGetModelCount(), 3);
    ASSERT_TRUE(objSetCurrentModel(1));
    ASSERT_TRUE(objRemoveModel(1));
    EXPECT_EQ(objGetModelCount(), 2);
    float lo[3], hi[3];
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
    EXPECT_FLOAT_EQ(hi[0], 3) << "the one after the removed model is current";
    ASSERT_TRUE(objRemoveModel(1));
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
    EXPECT_FLOAT_EQ(hi[0], 1) << "then the one before it";
    EXPECT_EQ(objGetSceneLiveParticles(), 0);
    ASSERT_TRUE(objRemoveModel(0));
    EXPECT_EQ(objGetModelCount(), 0);
    EXPECT_FALSE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
    const CameraData camera{0, 0, -5, 0, 0, 0};
    objRender(&camera);  // nothing left to draw, and no crash
}

}  // namespace

TEST_F(SceneTest, TheCursorAndTheGridCanBeReadWithoutMovingThem) {
    EXPECT_EQ(objGetCurrentModel(), -1) << "no model yet";
    EXPECT_EQ(objGetCurrentEmitter(), -1);
    addSquare(-1, -1, 1, 1, 0);
    addFountain(0);
    addFountain(1);
    addSquare(2, 2, 3, 3, 0);
    EXPECT_EQ(objGetCurrentModel(), 1) << "a new model becomes current";
    EXPECT_EQ(objGetCurrentEmitter(), -1) << "the new model has no emitter";
    ASSERT_TRUE(objSetCurrentModel(0));
    ASSERT_TRUE(objSetEmitterPtr(1));
    EXPECT_EQ(objGetCurrentModel(), 0);
    EXPECT_EQ(objGetCurrentEmitter(), 1);
    ASSERT_TRUE(objSetEmitterPtr(2)) << "just past the end leaves none current";
    EXPECT_EQ(objGetCurrentEmitter(), -1);
    ASSERT_TRUE(objRemoveModel(0));
    EXPECT_EQ(objGetCurrentModel(), 0) << "the model after the removed one";

    const int32_t grid = objGetGrid();
    EXPECT_EQ(grid, 1) << "drawn at start";
    EXPECT_EQ(objOnGrid(), 1 - grid);
    EXPECT_EQ(objGetGrid(), 1 - grid) << "the getter follows the toggle and leaves it";
    EXPECT_EQ(objGetGrid(), 1 - grid);
    objOnGrid();
}

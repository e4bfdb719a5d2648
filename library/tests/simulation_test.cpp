// Simulation control, restarting and removing emitters, and statistics.
#include <cstring>
#include <vector>

#include "context.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

struct ParticleState {
    float position[3];
    float velocity[3];
    int32_t lifeLeft;
    bool operator==(const ParticleState& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

class SimulationTest : public LibraryTest {
protected:
    uint32_t now = 1000;

    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([this] { return now; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
    }
    void TearDown() override {
        platform::lockRandomSeed(false);
        LibraryTest::TearDown();
    }
    void frames(int n, uint32_t ms = 15) {
        for (int i = 0; i < n; ++i) {
            now += ms;
            render();
        }
    }
    // Loads a sample with the generator fixed at `seed`.
    void load(const char* sample, uint32_t seed = 7) {
        platform::lockRandomSeed(false);
        platform::seedRandom(seed);
        platform::lockRandomSeed(true);
        ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + sample).c_str())) << objGetLastError();
    }
    static std::vector<ParticleState> particles() {
        std::vector<ParticleState> out;
        for (const auto& e : currentModel()->particles.emitters)
            for (const ParticleView& v : liveParticles(e->data)) {
                const ParticleView* p = &v;
                ParticleState s{};
                std::memcpy(s.position, p->position, sizeof s.position);
                std::memcpy(s.velocity, p->velocity, sizeof s.velocity);
                s.lifeLeft = p->lifeLeft;
                out.push_back(s);
            }
        return out;
    }
};

TEST_F(SimulationTest, PauseHoldsEveryParticleAndStepAdvancesExactlyOne) {
    load("fountain.zob");
    frames(40);
    objPauseSimulation(true);
    EXPECT_TRUE(objIsSimulationPaused());
    const auto held = particles();
    ASSERT_GT(held.size(), 10u);
    frames(60);
    EXPECT_EQ(particles(), held) << "nothing moves, is born or dies while paused";
    EXPECT_FALSE(objStepSimulation(-1));

    ASSERT_TRUE(objStepSimulation(15));
    frames(1, 400);  // the frame's own delta does not count
    const auto stepped = particles();
    // Each particle alive before moved by its velocity once and aged 15 ms.
    size_t matched = 0;
    for (const ParticleState& before : held)
        for (const ParticleState& after : stepped)
            if (after.lifeLeft == before.lifeLeft - 15 && after.position[0] == before.position[0] + before.velocity[0] &&
                after.position[2] == before.position[2] + before.velocity[2]) {
                ++matched;
                break;
            }
    EXPECT_GE(matched, held.size() - 2) << "all but those that died in the step";
    frames(10);
    EXPECT_EQ(particles(), stepped) << "one step only";
    objPauseSimulation(false);
    EXPECT_FALSE(objStepSimulation(15)) << "steps are for a paused simulation";
    frames(1);
    EXPECT_NE(particles(), stepped);
}

TEST_F(SimulationTest, SpeedScalesFramesIntoSteps) {
    load("sparks.zob", 3);
    frames(60);
    const auto normal = particles();
    objNew();
    load("sparks.zob", 3);
    EXPECT_FLOAT_EQ(objSetSimulationSpeed(2.0f), 2.0f);
    frames(30);
    EXPECT_EQ(particles(), normal) << "speed 2 reaches in 30 frames what speed 1 reaches in 60";

    objNew();
    load("sparks.zob", 3);
    objSetSimulationSpeed(1.0f);
    frames(20);
    const auto twenty = particles();
    objNew();
    load("sparks.zob", 3);
    objSetSimulationSpeed(0.5f);
    frames(40);
    EXPECT_EQ(particles(), twenty) << "speed 0.5 reaches in 40 frames what speed 1 reaches in 20";

    EXPECT_FLOAT_EQ(objSetSimulationSpeed(10.0f), 4.0f);
    EXPECT_FLOAT_EQ(objSetSimulationSpeed(0.0f), 0.25f);
    EXPECT_FLOAT_EQ(objGetSimulationSpeed(), 0.25f);
    const WindowData window{kWidth, kHeight, 45};
    objInitWin(&window);
    EXPECT_FLOAT_EQ(objGetSimulationSpeed(), 1.0f) << "a started library runs at speed 1";
    EXPECT_FALSE(objIsSimulationPaused());
}

TEST_F(SimulationTest, RestartGivesWhatAFreshLoadGives) {
    load("fireworks.zob", 11);
    frames(90);
    const auto fresh = particles();
    const int64_t bursts = objGetBurstsFired(-1);
    EXPECT_GT(bursts, 0);
    frames(37);
    platform::lockRandomSeed(false);
    platform::seedRandom(11);
    EXPECT_EQ(objRestartEmitters(), 1);
    EXPECT_EQ(objGetLiveParticles(-1), 0) << "every live particle dropped";
    EXPECT_EQ(objGetBurstsFired(-1), 0);
    frames(90);
    EXPECT_EQ(particles(), fresh);
    EXPECT_EQ(objGetBurstsFired(-1), bursts);
}

TEST_F(SimulationTest, RemovingEachEmitterInTurn) {
    load("fireworks.zob");
    EmitterData extra;
    objInitEmitter(&extra);
    std::strcpy(extra.name, "Extra");
    extra.lifespanTime = 100000;
    ASSERT_EQ(objAddEmitter(&extra), 2);
    frames(40);
    ModelInfo info{};
    objGetModelData(&info);
    ASSERT_EQ(info.emitterCount, 2);
    EmitterData second{};
    ASSERT_EQ(objSetEmitterPtr(1), 1);
    objGetEmitter(&second);
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    EXPECT_EQ(objRemoveEmitter(), 1);
    EmitterData now{};
    objGetEmitter(&now);
    EXPECT_STREQ(now.name, second.name) << "the next emitter became current";
    EXPECT_EQ(now.next, nullptr);
    frames(5);
    EXPECT_EQ(objRemoveEmitter(), 0);
    EXPECT_EQ(objRemoveEmitter(), -1) << "none left to remove";
    frames(5);
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 0);
    const std::string path = (scratch() / "none.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    EXPECT_NE(readAll(path).find("0 //Emitter Count"), std::string::npos);
}

TEST_F(SimulationTest, FixedFrameTimeAndSeedRepeatAnEffect) {
    platform::setClockSource(nullptr);  // the real clock: the fixed step must not depend on it
    load("sparks.zob");
    platform::lockRandomSeed(false);
    objSetFixedFrameTime(15);
    const auto run = [] {
        objSeedRandom(21);
        objRestartEmitters();
        for (int i = 0; i < 25; ++i) {
            const CameraData camera{0, 0, -5, 0, 0, 0};
            objRender(&camera);
        }
        return particles();
    };
    const auto first = run();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(run(), first) << "same step and seed, same particles";
    objSetFixedFrameTime(-1);
}

// Time that passes without frames (a modal dialog) is skipped after
// objResumeClock; a fixed frame time is left alone.
TEST_F(SimulationTest, ResumedClockSkipsTheTimeWithoutFrames) {
    load("fireworks.zob");
    const CameraData camera{0, 0, -5, 0, 0, 0};
    EXPECT_EQ(objGetFrameDelta(), 0) << "no frame yet";
    now += 15;
    objRender(&camera);
    EXPECT_EQ(objGetFrameDelta(), 15);
    now += 4000;
    objResumeClock();
    now += 16;
    objRender(&camera);
    EXPECT_EQ(objGetFrameDelta(), 16) << "the 4 s before the resume are not simulated";
    now += 4000;
    objRender(&camera);
    EXPECT_EQ(objGetFrameDelta(), 4000) << "without a resume the whole gap counts";
    objSetFixedFrameTime(15);
    now += 500;
    objResumeClock();
    objRender(&camera);
    EXPECT_EQ(objGetFrameDelta(), 15);
    objSetFixedFrameTime(-1);
}

TEST_F(SimulationTest, StatisticsReadWithoutSideEffects) {
    EXPECT_EQ(objGetLiveParticles(-1), 0) << "no model";
    load("fireworks.zob");
    frames(70);
    const int32_t total = objGetLiveParticles(-1);
    EXPECT_EQ(total, objGetLiveParticles(0) + objGetLiveParticles(1));
    EXPECT_GT(total, 0);
    EXPECT_EQ(objGetLiveParticles(5), 0);
    const auto before = particles();
    for (int i = 0; i < 5; ++i) {
        objGetLiveParticles(-1);
        objGetBurstsFired(-1);
    }
    EXPECT_EQ(particles(), before);
    EmitterData e{};
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    objGetEmitter(&e);
    EXPECT_EQ(objGetLiveParticles(0), e.liveCount);
}

// The scene counts add up every model's emitters, whichever model is current.
TEST_F(SimulationTest, SceneCountsTakeEveryModel) {
    EXPECT_EQ(objGetSceneLiveParticles(), 0);
    load("fireworks.zob");
    frames(70);
    const int64_t live = objGetLiveParticles(-1), bursts = objGetBurstsFired(-1);
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface plain{"Plain", triangle, 1};
    ASSERT_TRUE(objAddMesh(&plain, 1));  // current now, with no emitters
    EXPECT_EQ(objGetLiveParticles(-1), 0);
    EXPECT_GT(live, 0);
    EXPECT_EQ(objGetSceneLiveParticles(), live);
    EXPECT_EQ(objGetSceneBurstsFired(), bursts);
}

}  // namespace

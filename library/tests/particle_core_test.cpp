// The particle core: the vector path against the scalar one on every
// instruction set, and the same particles and pictures for any worker count.
#include <hwy/targets.h>

#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "library_test.h"
#include "particle_motion.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

// Every sample with emitters.
const char* const kSamples[] = {"fountain.zob", "sparks.zob", "fireworks.zob", "smoke.zob", "campfire.zob",
                                "magic.zob"};

class ParticleCoreTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        objSetFixedFrameTime(15);
    }
    void TearDown() override {
        hwy::SetSupportedTargetsForTest(0);
        setMotionPath(MotionPath::Vector);
        objSetWorkerThreads(0);
        objSetSnapshotBudget(int64_t(256) << 20);
        objSetFixedFrameTime(-1);
        LibraryTest::TearDown();
    }
    // Every value of every live particle of every model, and the counts, as bytes.
    static std::vector<unsigned char> state() {
        std::vector<unsigned char> out;
        auto put = [&out](const void* p, size_t n) {
            out.insert(out.end(), static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
        };
        for (const auto& m : context().store->models)
            for (const auto& e : m->particles.emitters) {
                put(&e->data.liveCount, sizeof e->data.liveCount);
                put(&e->data.burst.origin, sizeof e->data.burst.origin);
                put(&e->burstsFired, sizeof e->burstsFired);
                for (const ParticleView& p : liveParticles(e->data)) put(&p, sizeof p);
            }
        return out;
    }
    // The sample seeked to `ms` from its start, with no snapshot to shorten the way.
    static std::vector<unsigned char> seekSample(const char* sample, int32_t ms) {
        objNew();
        objSeedRandom(11);
        EXPECT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + sample).c_str())) << objGetLastError();
        objSetSnapshotBudget(0);
        EXPECT_EQ(objSeekSimulation(ms), ms);
        return state();
    }
};

TEST_F(ParticleCoreTest, EveryInstructionSetGivesTheScalarPathsNumbers) {
    for (const char* sample : kSamples) {
        SCOPED_TRACE(sample);
        setMotionPath(MotionPath::Scalar);
        const std::vector<unsigned char> scalar = seekSample(sample, 4005);
        ASSERT_GT(scalar.size(), 20 * sizeof(ParticleView)) << "particles to compare";
        setMotionPath(MotionPath::Vector);
        const std::vector<int64_t> targets = hwy::SupportedAndGeneratedTargets();
        ASSERT_FALSE(targets.empty());
        for (int64_t target : targets) {
            hwy::SetSupportedTargetsForTest(target);
            SCOPED_TRACE(hwy::TargetName(target));
            EXPECT_STREQ(vectorTargetName(), hwy::TargetName(target)) << "the step runs on the target chosen";
            EXPECT_TRUE(seekSample(sample, 4005) == scalar) << "the same bytes as the scalar path";
        }
        hwy::SetSupportedTargetsForTest(0);
    }
}

// One large emitter that uses every part of the step: Polygons with curves,
// a bounce that kills, bursts from the dying, lives that end at random.
void addLargeEffect() {
    ASSERT_TRUE(objAddMesh(nullptr, 0)) << objGetLastError();
    EmitterData e;
    objInitEmitter(&e);
    e.particleType = KORVID_PARTICLE_POLYGONS;
    e.totalParticles = 120000;
    e.emitterPerCycle = 6000;
    e.emitterTime = 15;
    e.lifespanTime = 1;
    e.life = 700;
    e.lifeVar = 400;
    e.speed = 0.03f;
    e.yawVar = 3.1f;
    e.pitch = 1.2f;
    e.pitchVar = 0.3f;
    e.force[1] = -0.002f;
    e.isReflected = 1;
    e.groundPosition = -0.5f;
    e.isBurst = 1;
    e.isBurstOnGround = 1;
    e.burst.count = 3;
    e.startSize = 0.5f;
    e.endSize = 2;
    e.startColor[1] = 0.3f;
    e.endColor[0] = 0.2f;
    ASSERT_EQ(objAddEmitter(&e), 1) << objGetLastError();
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    const CurveKey colour[3] = {{0, {1, 1, 0.5f, 1}}, {0.4f, {1, 0.3f, 0, 0.8f}}, {1, {0.1f, 0, 0, 0}}};
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, colour, 3)) << objGetLastError();
}

TEST_F(ParticleCoreTest, AnyWorkerCountGivesTheSameParticlesAndPictures) {
    std::vector<unsigned char> firstState;
    std::vector<std::vector<Rgba>> firstFrames;
    for (int32_t workers : {1, 2, 4}) {
        SCOPED_TRACE(workers);
        EXPECT_EQ(objSetWorkerThreads(workers), workers);
        objNew();
        objSeedRandom(3);
        addLargeEffect();
        std::vector<std::vector<Rgba>> frames;
        int32_t most = 0;
        for (int i = 0; i < 60; ++i) {
            render();
            most = std::max(most, objGetLiveParticles(-1));
            if (i % 20 == 19) frames.push_back(readPixels(kWidth, kHeight));
        }
        EXPECT_GT(most, 40000) << "enough particles for the workers to share";
        if (firstFrames.empty()) {
            firstState = state();
            firstFrames = frames;
            continue;
        }
        EXPECT_TRUE(state() == firstState);
        ASSERT_EQ(frames.size(), firstFrames.size());
        for (size_t f = 0; f < frames.size(); ++f)
            EXPECT_EQ(0, std::memcmp(frames[f].data(), firstFrames[f].data(), frames[f].size() * sizeof(Rgba)))
                << "frame " << f;
    }
    objClearLastError();
    EXPECT_EQ(objSetWorkerThreads(-1), 0) << "a negative count is refused";
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_BAD_ARGUMENT);
    EXPECT_EQ(objSetWorkerThreads(1), 1);
    EXPECT_GE(objSetWorkerThreads(0), 1) << "one a core";
}

}  // namespace

// The simulation as a function of time: a seek gives, bit for bit, what a
// restart followed by plain fixed steps gives, whatever seeks came before.
#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"
#include "png_io.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

constexpr int32_t kStep = 15;

// Everything a frame shows of the particles: per emitter its counts, then
// every live particle's position, colour, size and life.
std::vector<unsigned char> state() {
    std::vector<unsigned char> out;
    auto put = [&out](const void* p, size_t n) {
        out.insert(out.end(), static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
    };
    for (const auto& m : context().store->models)
        for (const auto& e : m->particles.emitters) {
            put(&e->data.liveCount, sizeof e->data.liveCount);
            put(&e->burstsFired, sizeof e->burstsFired);
            for (const ParticleView& v : liveParticles(e->data)) {
                const ParticleView* p = &v;
                put(p->position, sizeof p->position);
                put(p->color, sizeof p->color);
                put(&p->size, sizeof p->size);
                put(&p->lifeLeft, sizeof p->lifeLeft);
            }
        }
    return out;
}

class TimelineTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([] { return 1000u; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        objSeedRandom(11);
        objSetFixedFrameTime(kStep);
    }
    void TearDown() override {
        objPauseSimulation(false);
        objSetFixedFrameTime(-1);
        objSetSnapshotBudget(int64_t(256) << 20);
        LibraryTest::TearDown();
    }
    static void load(const std::string& sample) {
        ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + sample).c_str())) << objGetLastError();
    }
    // The plain loop: every model restarted with the seed, then `steps` frames.
    std::vector<std::vector<unsigned char>> plainLoop(int steps) {
        objSeedRandom(11);
        for (int32_t i = 0; i < context().store->count(); ++i) {
            objSetCurrentModel(i);
            objRestartEmitters();
        }
        std::vector<std::vector<unsigned char>> states{state()};
        for (int s = 0; s < steps; ++s) {
            const CameraData camera{0, 0, -5, 0, 0, 0};
            objRender(&camera);
            states.push_back(state());
        }
        return states;
    }
};

// Many seeks forward and backward, plays after seeks and seeks without
// snapshots, on every sample (with a second model beside it), all agree with
// the plain loop.
TEST_F(TimelineTest, SeeksEqualThePlainLoopOnEverySample) {
    for (const char* sample : {"showcase.zob", "fountain.zob", "sparks.zob", "fireworks.zob", "smoke.zob"}) {
        SCOPED_TRACE(sample);
        objNew();
        load(sample);
        load("fountain.zob");
        objSetSnapshotBudget(int64_t(256) << 20);
        const int steps = 300;  // 4.5 s
        const auto expected = plainLoop(steps);
        ASSERT_GT(expected.back().size(), 100u) << "the effect has particles to compare";
        // A fixed sequence of targets: the same on every run.
        uint32_t x = 12345;
        auto next = [&x](int bound) {
            x = x * 1103515245u + 12345u;
            return static_cast<int>((x >> 8) % uint32_t(bound));
        };
        for (int i = 0; i < 40; ++i) {
            const int target = next(steps + 1);
            const int32_t ms = target * kStep + next(kStep);  // a time between steps rounds down
            ASSERT_EQ(objSeekSimulation(ms), target * kStep);
            EXPECT_EQ(objGetSimulationTime(), target * kStep);
            ASSERT_TRUE(state() == expected[size_t(target)]) << "seek " << i << " to " << ms << " ms";
            if (i % 5 == 0 && target + 20 <= steps) {
                // Frames played after a seek go on as the loop does.
                for (int f = 0; f < 20; ++f) {
                    const CameraData camera{0, 0, -5, 0, 0, 0};
                    objRender(&camera);
                }
                ASSERT_TRUE(state() == expected[size_t(target + 20)]) << "play after seek " << i;
                EXPECT_EQ(objGetSimulationTime(), (target + 20) * kStep);
            }
            if (i % 7 == 3) {
                // One step back, as the timeline's Left key does.
                const int back = std::max(0, target - 1);
                ASSERT_EQ(objSeekSimulation(back * kStep), back * kStep);
                ASSERT_TRUE(state() == expected[size_t(back)]) << "step back " << i;
            }
        }
        objSetSnapshotBudget(0);
        ASSERT_EQ(objSeekSimulation(steps * kStep), steps * kStep);
        EXPECT_TRUE(state() == expected.back()) << "without snapshots";
    }
}

// A change of an emitter drops the snapshots: the next seek shows the
// changed effect, not a stale moment.
TEST_F(TimelineTest, AnEditDropsTheSnapshots) {
    load("fountain.zob");
    objSeekSimulation(3000);
    ASSERT_GT(context().timeline.snapshotCount(), 0u);
    ASSERT_TRUE(objSetEmitterPtr(0));
    EmitterData e{};
    objGetEmitter(&e);
    e.speed *= 2;
    ASSERT_EQ(objSetEmitter(&e), 1);
    EXPECT_EQ(context().timeline.snapshotCount(), 0u);
    objSeekSimulation(2400);
    const auto seeked = state();
    const auto expected = plainLoop(2400 / kStep);
    EXPECT_TRUE(seeked == expected.back());
}

// Snapshots stay within their budget, keep the ones near the present, and a
// seek without a fixed frame time uses 15 ms steps.
TEST_F(TimelineTest, SnapshotsKeepTheirBudgetAndTheDefaultStep) {
    load("fireworks.zob");
    objSeekSimulation(9000);
    const size_t all = context().timeline.snapshotCount();
    ASSERT_GE(all, 18u);  // one every 32 steps
    const int64_t one = context().timeline.bytes() / int64_t(all);
    EXPECT_EQ(objSetSnapshotBudget(one * 3), one * 3);
    EXPECT_LE(context().timeline.bytes(), one * 3);
    EXPECT_GE(context().timeline.snapshotCount(), 2u);
    EXPECT_EQ(objSetSnapshotBudget(-5), 0);
    EXPECT_EQ(context().timeline.snapshotCount(), 0u);
    objSetFixedFrameTime(-1);
    EXPECT_EQ(objSeekSimulation(100), 90) << "whole 15 ms steps";
    EXPECT_EQ(objSeekSimulation(-40), 0);
    objSetCurrentModel(0);
    objRestartEmitters();
    EXPECT_EQ(objGetSimulationTime(), 0);
}

// korvid-render --time T draws the moment the library's seek reaches: the
// picture equals, byte for byte, a seek to T, a pause and one frame drawn in
// this process with the same size, seed and camera.
TEST_F(TimelineTest, KorvidRenderAtATimeIsTheSeekedFrame) {
    const std::string out = (scratch() / "moment.png").string();
    const std::string command = std::string(KORVID_RENDER) + " " + KORVID_SAMPLES + "/fireworks.zob -o " + out +
                                " --size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                                " --time 2300 --seed 11 --camera 0,-1,-6,10,20,0";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    korvid::support::Image picture;
    ASSERT_TRUE(korvid::support::readPng(out, picture));
    ASSERT_EQ(picture.width, kWidth);
    ASSERT_EQ(picture.height, kHeight);

    // OpenGL state that earlier tests of this process may have changed and
    // objInitWin leaves alone, as a fresh context has it.
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    objSetGlobalAmb(ambient);
    load("fireworks.zob");
    EXPECT_EQ(objSeekSimulation(2300), 2295) << "whole 15 ms steps";
    objPauseSimulation(true);
    const CameraData camera{0, -1, -6, 10, 20, 0};
    objRender(&camera);
    const auto pixels = korvid::support::readPixels(kWidth, kHeight);
    size_t differing = 0, lit = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto& p = pixels[size_t((kHeight - 1 - y) * kWidth + x)];  // bottom row first
            const uint8_t* q = &picture.rgba[size_t(y * kWidth + x) * 4];
            if (p.r != q[0] || p.g != q[1] || p.b != q[2]) ++differing;
            if (q[0] + q[1] + q[2] > 0) ++lit;
        }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, 100u) << "the picture shows something";
}

}  // namespace

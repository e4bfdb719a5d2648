// A game's own clock: any split of the same game time gives the same
// particles, frames draw without advancing once it is in use, and bad times
// are refused with a message. Effects loaded from memory are the files'.
#include <string>
#include <vector>

#include "context.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

const CameraData kCamera{0, -1, -8, 15, 0, 0};

class GameClockTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([this] { return now; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
    }
    void TearDown() override {
        objPauseSimulation(false);
        objSetFixedFrameTime(-1);
        LibraryTest::TearDown();
    }
    // Every live particle of every model, as bytes.
    static std::vector<unsigned char> particles() {
        std::vector<unsigned char> out;
        for (const auto& m : context().store->models)
            for (const auto& e : m->particles.emitters)
                for (const ParticleView& v : liveParticles(e->data)) {
                    const auto* p = reinterpret_cast<const unsigned char*>(&v);
                    out.insert(out.end(), p, p + sizeof v);
                }
        return out;
    }
    // fireworks.zob from its start, advanced by `splits` over and over to `total` ms.
    std::vector<unsigned char> played(const std::vector<int32_t>& splits, int32_t total) {
        objNew();
        EXPECT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/fireworks.zob").c_str())) << objGetLastError();
        objSeedRandom(9);
        objRestartEmitters();
        int32_t done = 0, steps = 0;
        for (size_t k = 0; done < total; ++k) {
            const int32_t ms = std::min(splits[k % splits.size()], total - done);
            steps += objAdvance(ms);
            done += ms;
            now += 40;  // the frame clock runs on, and frames draw without advancing
            objRender(&kCamera);
        }
        EXPECT_EQ(steps, total / 15);
        return particles();
    }
    uint32_t now = 1000;
};

TEST_F(GameClockTest, AnySplitOfTheSameTimeGivesTheSameParticles) {
    const int32_t total = 2400;
    const auto expected = played({15}, total);
    ASSERT_FALSE(expected.empty());
    for (const std::vector<int32_t>& splits :
         std::vector<std::vector<int32_t>>{{5}, {120}, {7, 23, 1, 300, 0, 44}, {2400}}) {
        EXPECT_TRUE(played(splits, total) == expected) << "splits starting " << splits[0];
    }
    // A seek gives the same moment, and the game's remainder starts again from it.
    objSeedRandom(9);
    ASSERT_EQ(objSeekSimulation(total), total);
    EXPECT_TRUE(particles() == expected);
    EXPECT_EQ(objAdvance(14), 0);
    EXPECT_EQ(objAdvance(1), 1);
}

TEST_F(GameClockTest, FramesDrawWithoutAdvancingAndBadTimesAreRefused) {
    ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/fountain.zob").c_str())) << objGetLastError();
    for (int i = 0; i < 10; ++i) {
        now += 15;
        objRender(&kCamera);
    }
    EXPECT_GT(objGetSimulationTime(), 0) << "frames advance until the game clock is used";
    EXPECT_EQ(objAdvance(30), 2);
    const auto held = particles();
    const int64_t time = objGetSimulationTime();
    for (int i = 0; i < 10; ++i) {
        now += 15;
        objRender(&kCamera);
    }
    EXPECT_TRUE(particles() == held);
    EXPECT_EQ(objGetSimulationTime(), time);
    objSetFixedFrameTime(10);
    EXPECT_EQ(objAdvance(35), 3) << "steps of the fixed frame time, 5 ms kept";
    EXPECT_EQ(objAdvance(5), 1);
    objPauseSimulation(true);
    EXPECT_EQ(objAdvance(100), 0) << "paused";
    objPauseSimulation(false);
    for (int32_t bad : {-1, KORVID_MAX_ADVANCE_MS + 1}) {
        objClearLastError();
        EXPECT_EQ(objAdvance(bad), -1);
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
        EXPECT_NE(std::string(objGetLastError()).find("Game runtime refused"), std::string::npos);
    }
    // objNew lets frames advance again.
    objNew();
    ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/fountain.zob").c_str()));
    const int64_t before = objGetSimulationTime();
    now += 15;
    objRender(&kCamera);
    EXPECT_GT(objGetSimulationTime(), before);
}

// The same text from memory and from its file gives the same entity, images
// found in the folder given; damaged text is refused as the file would be.
TEST_F(GameClockTest, EffectsLoadFromMemoryAsFromTheirFiles) {
    const std::string path = std::string(KORVID_SAMPLES) + "/smoke.zob";
    const std::string text = readAll(path);
    ASSERT_FALSE(text.empty());
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    objSeedRandom(4);
    objRestartEmitters();
    objAdvance(900);
    const auto fromFile = particles();
    objNew();
    // No closing zero: the bytes after the size are not read.
    std::string padded = text + "[EXTENSIONS]\nthis is not read";
    ASSERT_TRUE(objLoadZOBFromMemory(padded.data(), int64_t(text.size()), KORVID_SAMPLES)) << objGetLastError();
    EXPECT_NE(objGetTextureId("Puff"), 0u) << "the image found in the folder given";
    objSeedRandom(4);
    objRestartEmitters();
    objAdvance(900);
    EXPECT_TRUE(particles() == fromFile);

    objNew();
    EXPECT_FALSE(objLoadZOBFromMemory(nullptr, 10, nullptr));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
    EXPECT_FALSE(objLoadZOBFromMemory(text.data(), -1, nullptr));
    EXPECT_FALSE(objLoadZOBFromMemory(text.data(), int64_t(text.size()), "/no/such/folder"));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
    EXPECT_FALSE(objLoadZOBFromMemory(text.data(), int64_t(text.size()) / 2, KORVID_SAMPLES)) << "cut in half";
    EXPECT_NE(objGetLastFailure(), KORVID_FAILURE_NONE);
    EXPECT_FALSE(objLoadZOBFromMemory("", 0, nullptr));
}

}  // namespace

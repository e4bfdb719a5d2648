// Long calls under a caller's control: seeks and loads report progress and
// stop when asked, leaving the scene as it was, and a load takes no more
// memory than its limit. The library's clock is driven by the test, so a
// report falls due at every step whatever the machine's speed.
#include <climits>
#include <string>
#include <vector>

#include "library_test.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

struct Reports {
    std::vector<float> done;
    int stopAfter = 0;  // say stop on this report (1 the first); 0 never
};

bool report(float done, void* user) {
    auto* r = static_cast<Reports*>(user);
    r->done.push_back(done);
    return r->stopAfter == 0 || int(r->done.size()) < r->stopAfter;
}

class LongCallsTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        // Every reading of the clock is a second later than the last.
        platform::setClockSource([this] { return now_ += 1000; });
    }
    void TearDown() override {
        objSetProgressCallback(nullptr, nullptr);
        objSetLoadMemoryLimit(0);
        LibraryTest::TearDown();
    }
    static std::string sample(const char* name) { return std::string(KORVID_SAMPLES) + "/" + name; }
    // Live particles of every emitter, and the time: what a stopped call must leave as it was.
    static std::vector<int64_t> state() {
        std::vector<int64_t> s{objGetSimulationTime(), objGetSceneLiveParticles(), objGetSceneBurstsFired(),
                               objGetModelCount()};
        for (int32_t i = 0; objSetEmitterPtr(i) == i && i < 64; ++i) {
            EmitterData e{};
            objGetEmitter(&e);
            s.push_back(objGetLiveParticles(i));
            s.push_back(int64_t(e.position[0] * 1000));
        }
        return s;
    }

private:
    uint32_t now_ = 0;
};

TEST_F(LongCallsTest, AStoppedSeekPutsTheSimulationBackAndRefusesWithItsCode) {
    ASSERT_TRUE(objLoadZOB(sample("fireworks.zob").c_str())) << objGetLastError();
    ASSERT_EQ(objSeekSimulation(1500), 1500);
    const std::vector<int64_t> before = state();
    ASSERT_GT(before[1], 0) << "particles are live at 1.5 s";

    Reports reports;
    reports.stopAfter = 3;
    objSetProgressCallback(report, &reports);
    EXPECT_EQ(objSeekSimulation(INT_MAX), -1);
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_CANCELLED);
    EXPECT_EQ(std::string(objGetLastError()).rfind("Cancelled: ", 0), 0u) << objGetLastError();
    EXPECT_EQ(reports.done.size(), 3u);
    for (size_t i = 1; i < reports.done.size(); ++i) EXPECT_GE(reports.done[i], reports.done[i - 1]);
    EXPECT_EQ(state(), before);

    // What was put back is the moment itself: going on from it matches a seek
    // made without any stop.
    objSetProgressCallback(nullptr, nullptr);
    ASSERT_EQ(objSeekSimulation(2400), 2400);
    const std::vector<int64_t> resumed = state();
    ASSERT_TRUE(objLoadZOB(sample("fireworks.zob").c_str()));
    objSetCurrentModel(0);
    ASSERT_TRUE(objRemoveModel(0));
    ASSERT_EQ(objSeekSimulation(2400), 2400);
    EXPECT_EQ(state(), resumed);
}

// Seeking forward from the moment of the last seek goes on from it, and
// reaches exactly what a seek from the start reaches.
TEST_F(LongCallsTest, SeeksForwardInPiecesMatchOneSeek) {
    ASSERT_TRUE(objLoadZOB(sample("campfire.zob").c_str())) << objGetLastError();
    objSetSnapshotBudget(0);
    for (int32_t t = 0; t <= 3000; t += 150) ASSERT_EQ(objSeekSimulation(t), t);
    const std::vector<int64_t> pieces = state();
    ASSERT_GT(pieces[1], 0);
    objSeekSimulation(0);
    ASSERT_EQ(objSeekSimulation(3000), 3000);
    EXPECT_EQ(state(), pieces);
}

TEST_F(LongCallsTest, AStoppedLoadAddsNothing) {
    ASSERT_TRUE(objLoadZOB(sample("magic.zob").c_str())) << objGetLastError();
    const std::vector<int64_t> before = state();

    // A model of many triangles in each format, so the parse reports.
    std::string raw = "Body\n";
    for (int i = 0; i < 20000; ++i) raw += "0 0 0 1 0 0 0 1 " + std::to_string(i) + "\n";
    const std::string rawPath = writeFile("big.raw", raw);
    ASSERT_TRUE(objLoadRaw(rawPath.c_str())) << objGetLastError();
    ASSERT_TRUE(objRemoveModel(1));
    const std::string zobPath = (scratch() / "big.zob").string();
    objSetCurrentModel(1);
    ASSERT_TRUE(objLoadRaw(rawPath.c_str()));
    ASSERT_TRUE(objSetCurrentModel(1));
    ASSERT_TRUE(objSaveZOB(zobPath.c_str())) << objGetLastError();
    ASSERT_TRUE(objRemoveModel(1));
    ASSERT_TRUE(objSetCurrentModel(0));

    Reports reports;
    reports.stopAfter = 2;
    objSetProgressCallback(report, &reports);
    for (const std::string& path : {zobPath, rawPath}) {
        reports.done.clear();
        const bool loaded = path == zobPath ? objLoadZOB(path.c_str()) : objLoadRaw(path.c_str());
        EXPECT_FALSE(loaded) << path;
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_CANCELLED) << path;
        EXPECT_EQ(state(), before) << path;
    }
    // Going on loads as before.
    reports.stopAfter = 0;
    EXPECT_TRUE(objLoadZOB(zobPath.c_str())) << objGetLastError();
    EXPECT_GT(reports.done.size(), 1u);
}

TEST_F(LongCallsTest, ALoadPastItsMemoryLimitIsRefusedWhole) {
    // 200,000 particles take about 36 MB of pool.
    EmitterData e{};
    objInitEmitter(&e);
    e.totalParticles = 200000;
    e.emitterPerCycle = 10;
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface s{"Body", triangle, 1};
    ASSERT_TRUE(objAddMesh(&s, 1));
    ASSERT_EQ(objAddEmitter(&e), 1) << objGetLastError();
    const std::string path = (scratch() / "pool.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    objNew();

    EXPECT_EQ(objSetLoadMemoryLimit(16 << 20), 16 << 20);
    EXPECT_FALSE(objLoadZOB(path.c_str()));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_OUT_OF_MEMORY);
    EXPECT_NE(std::string(objGetLastError()).find("16 MiB"), std::string::npos) << objGetLastError();
    EXPECT_EQ(objGetModelCount(), 0) << "nothing of the file was added";
    EXPECT_EQ(objSetLoadMemoryLimit(0), int64_t(4) << 30) << "0 restores the default";
    EXPECT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
}

}  // namespace

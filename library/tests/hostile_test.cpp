// Hostile calls and data that must be refused with a message, or survive
// unharmed: pools that cannot be allocated, names that would not read back,
// infinite coordinates, a caller's seed, and buffers of the surface arrays.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "context.h"
#include "failure.h"
#include "library_test.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class HostileTest : public LibraryTest {
protected:
    void addTriangleModel() {
        const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        const MeshSurface s{"Body", triangle, 1};
        ASSERT_TRUE(objAddMesh(&s, 1));
    }
};

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// Every name the library accepts reads back from a saved file: names that
// start with '/' (a comment line in the file), are empty, hold blanks or are
// cut inside a UTF-8 character.
TEST_F(HostileTest, MeshNamesSurviveASaveAndLoad) {
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::string accents = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                                "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";  // 14 two-byte characters, 28 bytes
    const MeshSurface surfaces[5] = {{"/starts/with/slash", triangle, 1},
                                     {"//comment", triangle, 1},
                                     {"", triangle, 1},
                                     {accents.c_str(), triangle, 1},
                                     {"a b\tc", triangle, 1}};
    ASSERT_TRUE(objAddMesh(surfaces, 5)) << objGetLastError();
    const std::string path = (scratch() / "names.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    const char* expected[5] = {"_starts/with/slash", "_/comment", "Surface3", nullptr, "a_b_c"};
    for (int i = 0; i < 5; ++i) {
        SurfaceData s{};
        objGetSurfaceData(&s, i);
        if (expected[i]) EXPECT_STREQ(s.name, expected[i]) << i;
    }
    SurfaceData s{};
    objGetSurfaceData(&s, 3);
    EXPECT_EQ(std::string(s.name), accents.substr(0, 26)) << "13 whole characters, not 13 and a half";

    char out[8];
    EXPECT_EQ(objMakeName("/x y", out, sizeof out), 4);
    EXPECT_STREQ(out, "_x_y");
    EXPECT_EQ(objMakeName(nullptr, out, sizeof out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(objMakeName("abc", nullptr, 8), -1);
    EXPECT_EQ(objMakeName("abc", out, 0), -1);
    EXPECT_EQ(objMakeName("\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", out, 8), 6) << "two euro signs of three bytes";
}

// An infinite coordinate stays out of the extents, as NaN does, so the
// framing of the model stays finite.
TEST_F(HostileTest, InfiniteVerticesStayOutOfTheExtents) {
    const float inf = std::numeric_limits<float>::infinity();
    const float triangles[18] = {inf, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 0, -inf, 0, 0, 0, 1};
    const MeshSurface s{"Body", triangles, 2};
    ASSERT_TRUE(objAddMesh(&s, 1));
    ModelInfo info{};
    objGetModelData(&info);
    for (float v : {info.maxX, info.maxY, info.maxZ, info.minX, info.minY, info.minZ}) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(info.maxX, 1.0f);
    EXPECT_EQ(info.minY, 0.0f);
}

// Seeding and then loading gives the caller's sequence, not one from the clock.
TEST_F(HostileTest, ACallersSeedSurvivesALoad) {
    objSeedRandom(7);
    ASSERT_TRUE(objLoadZOB(KORVID_SAMPLES "/fireworks.zob")) << objGetLastError();
    addTriangleModel();
    platform::seedRandom(7);
    std::vector<int> expected;
    for (int i = 0; i < 8; ++i) expected.push_back(platform::random15());
    objSeedRandom(7);
    ASSERT_TRUE(objLoadZOB(KORVID_SAMPLES "/fireworks.zob"));
    std::vector<int> got;
    for (int i = 0; i < 8; ++i) got.push_back(platform::random15());
    EXPECT_EQ(got, expected);
}

// The surface array exports say why they refuse, and the sized one refuses
// buffers too small for the surface without writing into them.
TEST_F(HostileTest, SurfaceArraysRefuseWithAMessage) {
    objClearLastError();
    EXPECT_FALSE(objGetSurfaceArrays(0, nullptr, nullptr, nullptr));
    EXPECT_TRUE(startsWith(objGetLastError(), "Surface arrays refused: ")) << objGetLastError();
    addTriangleModel();
    objClearLastError();
    EXPECT_FALSE(objSetSurfaceArrays(3, nullptr, nullptr, nullptr));
    EXPECT_EQ(lastFailure(), Failure::SurfaceArrays);
    EXPECT_STRNE(objGetLastError(), "No Errors");

    std::vector<float> vertices(9, -7.0f), faces(3, -7.0f), normals(9, -7.0f);
    EXPECT_FALSE(objGetSurfaceArraysSized(0, vertices.data(), 8, faces.data(), 3, normals.data(), 9));
    EXPECT_EQ(vertices[0], -7.0f) << "nothing written";
    EXPECT_EQ(faces[0], -7.0f);
    EXPECT_FALSE(objGetSurfaceArraysSized(0, vertices.data(), 9, faces.data(), 2, nullptr, 0));
    EXPECT_TRUE(objGetSurfaceArraysSized(0, vertices.data(), 9, faces.data(), 3, nullptr, 0));
    EXPECT_EQ(vertices[3], 1.0f);
    EXPECT_EQ(faces[2], 1.0f) << "the face normal points along z";
}

// With the address space limited, a pool of 3,900,000 particles cannot be
// allocated: adding, inserting and resizing are refused with a message, and
// no emitter is left without its pool. Runs in a child, whose memory the
// limit may take.
TEST_F(HostileTest, APoolThatCannotBeAllocatedIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#else
    addTriangleModel();
    EmitterData e{};
    objInitEmitter(&e);
    std::strcpy(e.name, "Small");
    e.lifespanTime = 5000;
    e.emitterTime = 15;
    ASSERT_EQ(objAddEmitter(&e), 1);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Room for what the process has now and 64 MiB more; the pool needs about 600 MiB.
        long pages = 0, resident = 0;
        FILE* f = std::fopen("/proc/self/statm", "r");
        if (!f || std::fscanf(f, "%ld %ld", &pages, &resident) != 2) ::_exit(70);
        std::fclose(f);
        const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (64u << 20);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(71);
        int failed = 0;
        EmitterData big = e;
        big.totalParticles = 3900000;  // within the limit with the small one
        std::strcpy(big.name, "Big");
        if (objInsertEmitter(&big, 0) != 0 || !startsWith(objGetLastError(), "Out of memory: ")) failed |= 1;
        objClearLastError();
        if (objAddEmitter(&big) != 0 || !startsWith(objGetLastError(), "Out of memory: ")) failed |= 2;
        objSetEmitterPtr(0);
        objClearLastError();
        if (objSetEmitter(&big) != 0 || !startsWith(objGetLastError(), "Out of memory: ")) failed |= 4;
        EmitterData now{};
        objGetEmitter(&now);
        ModelInfo info{};
        objGetModelData(&info);
        if (info.emitterCount != 1 || now.totalParticles != 1000 || !now.freeList) failed |= 8;
        // The small emitter still emits after the refusals (simulated without
        // drawing: the renderer's threads do not live on in a forked child).
        objRestartEmitters();
        for (int i = 0; i < 10; ++i) simulateParticleSystem(context().store->current->particles, 15);
        if (objGetLiveParticles(0) <= 0) failed |= 16;
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const int failed = WEXITSTATUS(status);
    ASSERT_LT(failed, 70) << "could not limit the child's memory";
    EXPECT_FALSE(failed & 1) << "objInsertEmitter";
    EXPECT_FALSE(failed & 2) << "objAddEmitter";
    EXPECT_FALSE(failed & 4) << "objSetEmitter";
    EXPECT_FALSE(failed & 8) << "the emitter and its pool as before";
    EXPECT_FALSE(failed & 16) << "the emitter still emits";
#endif
}

}  // namespace

#ifdef KORVID_MEMORY_LIMIT_CHILD
namespace {

// What the child printed, and how it ended.
std::pair<int, std::string> runChild(const std::string& file, int megabytes) {
    const std::string command = std::string(KORVID_MEMORY_LIMIT_CHILD) + " " + file + " " + std::to_string(megabytes);
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string said;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) said += buffer;
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), said};
}

// A C program loading an entity that needs more memory than it may take
// gets a refusal with KORVID_FAILURE_OUT_OF_MEMORY, not an exception that
// ends it; with room enough the same file loads, seeks and saves.
TEST_F(HostileTest, AnExportUnderAMemoryLimitRefusesInsteadOfAborting) {
    static const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface surface{"Tri", triangle, 1};
    ASSERT_TRUE(objAddMesh(&surface, 1));
    EmitterData e;
    objInitEmitter(&e);
    e.totalParticles = 1;
    e.emitterPerCycle = 1;
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(objAddEmitter(&e), i + 1);
    const std::string file = (scratch() / "many.zob").string();
    ASSERT_TRUE(objSaveZOB(file.c_str())) << objGetLastError();
    objNew();

    const auto [status, said] = runChild(file, 32);
    EXPECT_EQ(status, 0) << "the child ended by " << status << ": " << said;
    EXPECT_EQ(said.rfind("refused " + std::to_string(KORVID_FAILURE_OUT_OF_MEMORY) + " Out of memory", 0), 0u) << said;
    const auto [roomy, loaded] = runChild(file, 4096);
    EXPECT_EQ(roomy, 0) << loaded;
    EXPECT_EQ(loaded.rfind("loaded", 0), 0u) << loaded;
}

}  // namespace
#endif

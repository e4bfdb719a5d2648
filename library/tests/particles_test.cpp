// Emitters, bursts, the particle simulation and particle drawing.
#include <GL/gl.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "bitmap_writer.h"
#include "context.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

// Counts C++ allocations while `countAllocations` is set.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static std::atomic<bool> countAllocations{false};
static std::atomic<long> allocations{0};

#if !defined(__SANITIZE_ADDRESS__)
// The address sanitizer keeps its own allocator, so the count is taken in the plain build only.
#define KORVID_COUNTS_ALLOCATIONS 1
void* operator new(size_t size) {
    if (countAllocations) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
#endif

namespace {

class ParticlesTest : public LibraryTest {
protected:
    uint32_t now = 5000;

    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([this] { return now; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);  // restart the frame clock on the test's own time
        objOnGrid();
        objSetBBox(0);
        objShowLights(false);
        // A model far to the side: it only carries the particle system.
        ASSERT_TRUE(objLoadRaw(writeFile("holder.raw", "Holder\n100 0 0  101 0 0  100 1 0\n").c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
        platform::seedRandom(1);
    }
    void TearDown() override {
        setBatchedPolygons(true);
        LibraryTest::TearDown();
    }

    void frame(uint32_t ms) {
        now += ms;
        render();
    }

    EmitterData emitter() {
        EmitterData e;
        objInitEmitter(&e);
        e.lifespanTime = 1000000;
        e.emitterTime = 0;
        return e;
    }

    EmitterData current() {
        EmitterData e{};
        objGetEmitter(&e);
        return e;
    }

    // Adds the emitter and makes it current.
    void use(const EmitterData& e) {
        const int32_t count = objAddEmitter(&e);
        ASSERT_GT(count, 0);
        ASSERT_EQ(objSetEmitterPtr(count - 1), 1);
    }

    int countPixels(bool (*match)(const Rgba&)) {
        int n = 0;
        for (const Rgba& p : readPixels(kWidth, kHeight))
            if (match(p)) ++n;
        return n;
    }
};

TEST_F(ParticlesTest, InitEmitterWritesEveryDefault) {
    EmitterData e;
    std::memset(&e, 0xAB, sizeof e);
    EXPECT_EQ(objInitEmitter(&e), &e);
    EXPECT_EQ(e.next, nullptr);
    EXPECT_EQ(e.name[0], '\0');
    EXPECT_EQ(e.particleType, 0);
    EXPECT_EQ(e.lifespanTime, 0);
    EXPECT_EQ(e.totalParticles, 1000);
    EXPECT_EQ(e.freeList, nullptr);
    EXPECT_EQ(e.liveList, nullptr);
    EXPECT_EQ(e.liveCount, 0);
    EXPECT_EQ(e.emitterPerCycle, 1);
    EXPECT_EQ(e.emitCountdown, 0);
    EXPECT_EQ(e.life, 2000);
    EXPECT_FLOAT_EQ(e.startColor[3], 1.0f);
    EXPECT_FLOAT_EQ(e.endColor[0], 0.0f);
    EXPECT_FLOAT_EQ(e.startSize, 1.0f);
    EXPECT_FLOAT_EQ(e.endSize, 0.0f);
    EXPECT_EQ(e.textureId, 0u);
    EXPECT_EQ(e.imageName[0], '\0');
    EXPECT_FLOAT_EQ(e.force[1], 0.0f);
    EXPECT_EQ(e.burst.count, 10);
    EXPECT_EQ(e.burst.life, 500);
    EXPECT_FLOAT_EQ(e.burst.yawVar, 3.1415927f);
    EXPECT_FLOAT_EQ(e.burst.pitch, 1.5707964f);
    EXPECT_FLOAT_EQ(e.burst.pitchVar, 0.78539819f);
    EXPECT_FLOAT_EQ(e.burst.speed, 0.01f);
    EXPECT_FLOAT_EQ(e.burst.endSize, 1.0f);
    EXPECT_FLOAT_EQ(e.burst.origin[0], 0.0f);
}

TEST_F(ParticlesTest, AddSelectAndGet) {
    EmitterData e = emitter();
    for (int i = 0; i < 3; ++i) {
        std::snprintf(e.name, sizeof e.name, "E%d", i);
        EXPECT_EQ(objAddEmitter(&e), i + 1);
    }
    EmitterData out{};
    EXPECT_EQ(objGetEmitter(&out), 1);
    EXPECT_EQ(out.name[0], '\0') << "adding selects nothing";
    EXPECT_EQ(objSetEmitterPtr(1), 1);
    EXPECT_STREQ(current().name, "E1");
    EXPECT_EQ(objSetEmitterPtr(3), 1);
    out = {};
    objGetEmitter(&out);
    EXPECT_EQ(out.name[0], '\0') << "index equal to the count leaves no emitter current";
    BurstData burst{};
    EXPECT_EQ(objGetBurst(&burst), 0);
    EXPECT_EQ(objSetEmitterPtr(4), 0);
    EXPECT_EQ(objSetEmitterPtr(-1), 0);
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 3);

    objNew();
    EXPECT_EQ(objAddEmitter(&e), 0);
    EXPECT_EQ(objSetEmitterPtr(0), 0);
    EXPECT_EQ(objGetEmitter(&out), 0);
}

TEST_F(ParticlesTest, SetEmitterCopiesSomeFieldsAndRejectsSmallPools) {
    EmitterData e = emitter();
    use(e);
    frame(15);
    EmitterData change = current();
    std::strcpy(change.name, "Renamed");
    change.totalParticles = 5;
    change.emitterPerCycle = 6;
    objSetEmitter(&change);
    EXPECT_EQ(current().name[0], '\0') << "rejected as a whole";
    EXPECT_EQ(current().totalParticles, 1000);

    change.emitterPerCycle = 1;
    change.totalParticles = 1000;
    change.burst.count = 99;
    change.emitCountdown = 12345;
    change.speed = 0.5f;
    objSetEmitter(&change);
    EXPECT_STREQ(current().name, "Renamed");
    EXPECT_FLOAT_EQ(current().speed, 0.5f);
    EXPECT_EQ(current().burst.count, 10) << "the burst changes only through objSetBurst";
    EXPECT_NE(current().emitCountdown, 12345);
    EXPECT_EQ(current().liveCount, 1) << "same pool size keeps the live particles";

    change.totalParticles = 50;
    objSetEmitter(&change);
    EXPECT_EQ(current().liveCount, 0) << "a new pool size ends every live particle";

    BurstData burst{};
    ASSERT_EQ(objGetBurst(&burst), 1);
    burst.count = 3;
    burst.origin[1] = 7;
    ASSERT_EQ(objSetBurst(&burst), 1);
    EXPECT_EQ(current().burst.count, 3);
    EXPECT_FLOAT_EQ(current().burst.origin[1], 7);

    const float where[3] = {1, 2, 3};
    EXPECT_EQ(objSetPosEmitter(where), 1);
    EXPECT_FLOAT_EQ(current().position[2], 3);
}

TEST_F(ParticlesTest, OneBatchPerFrameWhateverTheDelta) {
    EmitterData e = emitter();
    e.life = 1000;
    e.emitterTime = 0;
    use(e);
    for (int i = 0; i < 10; ++i) frame(15);
    EXPECT_EQ(current().liveCount, 10);
    frame(5000);
    EXPECT_EQ(current().liveCount, 11) << "one batch, and every particle aged by the whole delta";
    frame(15);
    EXPECT_EQ(current().liveCount, 1);

    // No lifespan left: nothing is emitted, and the time is held at 0.
    EmitterData stop = current();
    stop.isLifespan = 1;
    stop.lifespanTime = 20;
    objSetEmitter(&stop);
    frame(15);
    frame(15);
    EXPECT_EQ(current().lifespanTime, 0);
    const int32_t live = current().liveCount;
    frame(15);
    EXPECT_LE(current().liveCount, live);
}

TEST_F(ParticlesTest, BatchSizesVaryByTheSpread) {
    EmitterData e = emitter();
    e.emitterPerCycleVar = 3;
    e.life = 100000;
    e.totalParticles = 100000;
    use(e);
    int seen[5] = {};
    int32_t before = 0;
    for (int i = 0; i < 300; ++i) {
        frame(15);
        const int32_t added = current().liveCount - before;
        before = current().liveCount;
        ASSERT_GE(added, 0);
        ASSERT_LE(added, 4);
        ++seen[added];
    }
    EXPECT_GT(seen[0], 0) << "batches of 0 or fewer emit nothing";
    EXPECT_GT(seen[3], 0);
}

TEST_F(ParticlesTest, ZeroPoolNeverEmits) {
    EmitterData e = emitter();
    e.totalParticles = 0;
    use(e);
    frame(15);
    EXPECT_EQ(current().liveCount, 0);
}

TEST_F(ParticlesTest, OneParticleLimitPerModelRefusedAlike) {
    EmitterData huge = emitter();
    huge.totalParticles = 2000000000;
    objClearLastError();
    EXPECT_EQ(objAddEmitter(&huge), 0) << "refused, not added without a pool";
    EXPECT_STREQ(objGetLastError(),
                 "Too many particles: the emitters of a model hold at most 4000000 particles together");
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 0);

    // Up to the limit together; the emitter that would pass it is refused.
    EmitterData half = emitter();
    half.totalParticles = KORVID_MAX_PARTICLES / 2;
    half.particleType = 1;
    EXPECT_EQ(objAddEmitter(&half), 1);
    std::strcpy(half.name, "Second");
    EXPECT_EQ(objAddEmitter(&half), 2);
    EmitterData one = emitter();
    one.totalParticles = 1;
    EXPECT_EQ(objAddEmitter(&one), 0);

    // Growing a pool past the limit rejects the whole record; the rest stays as it was.
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    objClearLastError();
    EmitterData grown = current();
    grown.totalParticles += 1;
    grown.particleType = 2;
    EXPECT_EQ(objSetEmitter(&grown), 0);
    EXPECT_NE(std::string(objGetLastError()).find("Too many particles"), std::string::npos);
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_PARTICLE_LIMIT) << "the same refusal by its code";
    objClearLastError();
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_NONE);
    EXPECT_FALSE(objStepSimulation(-1));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_BAD_ARGUMENT) << "a silent refusal has its code too";
    EXPECT_STREQ(objGetLastError(), "No Errors");
    EXPECT_EQ(objSetEmitter(&grown), 0);
    EXPECT_EQ(current().totalParticles, KORVID_MAX_PARTICLES / 2);
    EXPECT_EQ(current().particleType, 1);
    grown.totalParticles -= 2;
    EXPECT_EQ(objSetEmitter(&grown), 1);
    EXPECT_EQ(current().particleType, 2);

    // The reader takes back everything the writer writes at the limit ...
    grown.totalParticles += 1;
    EXPECT_EQ(objSetEmitter(&grown), 1);
    const std::string path = (scratch() / "full.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    objNew();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 2);
    ASSERT_EQ(objSetEmitterPtr(1), 1);
    EXPECT_STREQ(current().name, "Second");
    EXPECT_EQ(current().totalParticles, KORVID_MAX_PARTICLES / 2);
    // ... and refuses a file that asks for more, with the same reason.
    objNew();
    std::string text = readAll(path);
    const std::string pool = std::to_string(KORVID_MAX_PARTICLES / 2) + " //Total Particles";
    text.replace(text.find(pool), pool.size(), std::to_string(KORVID_MAX_PARTICLES / 2 + 1) + " //Total Particles");
    EXPECT_FALSE(objLoadZOB(writeFile("over.zob", text).c_str()));
    EXPECT_STREQ(objGetLastError(),
                 "Error Loading particle system data: the emitters of a model hold at most 4000000 particles together");
}

// Directions worked out by hand: without spreads, yaw turns the launch about
// the vertical from +z toward -x, and pitch lifts it toward +y.
TEST_F(ParticlesTest, LaunchDirectionsByHand) {
    struct Case {
        float yaw, pitch;
        float want[3];  // the velocity at speed 2
    };
    const float half = 1.57079632679f, pi = 3.14159265359f;
    const Case cases[] = {{0, 0, {0, 0, 2}}, {half, 0, {-2, 0, 0}}, {pi, 0, {0, 0, -2}}, {0, half, {0, 2, 0}}};
    for (const Case& c : cases) {
        objNew();
        ASSERT_TRUE(objLoadRaw(writeFile("holder.raw", "Holder\n100 0 0  101 0 0  100 1 0\n").c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
        EmitterData e = emitter();
        e.yaw = c.yaw;
        e.pitch = c.pitch;
        e.yawVar = e.pitchVar = e.speedVar = 0;
        e.speed = 2;
        e.emitterPerCycle = 1;
        e.emitterPerCycleVar = 0;
        e.force[0] = e.force[1] = e.force[2] = 0;
        use(e);
        frame(15);
        const std::vector<ParticleView> live = liveParticles(current());
        ASSERT_FALSE(live.empty());
        const ParticleView* p = &live.front();
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(p->velocity[i], c.want[i], 1e-5) << c.yaw << " " << c.pitch << " axis " << i;
    }
}

TEST_F(ParticlesTest, SkippingTheGeneratorEqualsDrawing) {
    for (uint64_t n : {0ull, 1ull, 2ull, 7ull, 1000ull, 123457ull}) {
        platform::seedRandom(99);
        for (uint64_t i = 0; i < n; ++i) platform::random15();
        const int drawn = platform::random15();
        platform::seedRandom(99);
        platform::skipRandom(n);
        EXPECT_EQ(platform::random15(), drawn) << n;
    }
}

TEST_F(ParticlesTest, FullPoolLeavesTheRandomSequenceOfLaterEmittersIntact) {
    // The first emitter tries 5 particles into a pool of 2 (and, with a huge
    // spread, about two billion in a later frame); the second emits one.
    EmitterData full = emitter();
    full.totalParticles = 2;
    full.emitterPerCycle = 5;
    full.life = 1000000;
    use(full);
    EmitterData later = emitter();
    later.yawVar = 3.0f;
    later.pitchVar = 1.0f;
    later.speed = 1.0f;
    later.speedVar = 0.5f;
    later.life = 1;
    use(later);
    platform::seedRandom(7);
    frame(15);
    const int after = platform::random15();
    // The straightforward loop: A draws its batch size, two numbers per try and
    // a third per emitted particle; B then draws its batch size, u, v and w.
    platform::seedRandom(7);
    for (int i = 0; i < 1 + 5 * 2 + 2; ++i) platform::random15();
    platform::random15();
    const float u = randomUnit(), v = randomUnit(), w = randomUnit();
    EXPECT_EQ(after, platform::random15());
    ASSERT_EQ(objSetEmitterPtr(1), 1);
    const std::vector<ParticleView> live = liveParticles(current());
    ASSERT_FALSE(live.empty());
    const ParticleView* p = &live.front();
    const float speed = 1.0f + w * 0.5f;
    const float yaw = u * 3.0f, pitch = v * 1.0f;
    EXPECT_FLOAT_EQ(p->velocity[0], -std::sin(yaw) * std::cos(pitch) * speed);
    EXPECT_FLOAT_EQ(p->velocity[1], std::sin(pitch) * speed);
    EXPECT_FLOAT_EQ(p->velocity[2], std::cos(yaw) * std::cos(pitch) * speed);

    // A batch far larger than the pool, into the full pool: every try only draws.
    currentModel()->particles.emitters.front()->data.emitterPerCycle = 100000;
    platform::seedRandom(11);
    frame(15);
    const int afterLarge = platform::random15();
    platform::seedRandom(11);
    for (int i = 0; i < 1 + 100000 * 2 + 4; ++i) platform::random15();
    EXPECT_EQ(afterLarge, platform::random15());
}

TEST_F(ParticlesTest, HostileNumbersSaturate) {
    EmitterData e = emitter();
    e.totalParticles = 50;
    e.emitterPerCycle = INT32_MAX;
    e.emitterPerCycleVar = INT32_MAX;
    e.life = INT32_MAX;
    e.lifeVar = INT32_MAX;
    e.emitterTime = INT32_MIN;
    e.isLifespan = 1;
    e.lifespanTime = INT32_MAX;
    e.isBurst = 1;
    e.burst.count = INT32_MAX;
    e.burst.life = INT32_MIN;
    e.burst.lifeVar = INT32_MAX;
    use(e);
    for (int i = 0; i < 5; ++i) {
        frame(i == 2 ? 0x7fffffffu : 15);
        if (i >= 2) continue;  // the long frame ends every life
        for (const ParticleView& p : liveParticles(current()))
            ASSERT_GT(p.lifeLeft, 0) << "no life wraps to a negative value";
    }
    EXPECT_LE(current().liveCount, 50);
    EXPECT_EQ(current().lifespanTime, 0);
}

TEST_F(ParticlesTest, DyingParticlesBurstButBurstParticlesDoNot) {
    EmitterData e = emitter();
    e.life = 30;
    e.isLifespan = 1;
    e.lifespanTime = 16;  // one emission only
    e.isBurst = 1;
    e.burst.count = 5;
    e.burst.life = 100;
    e.speed = 0.1f;
    e.pitch = 1.5707964f;
    use(e);
    frame(15);
    EXPECT_EQ(current().liveCount, 1);
    frame(15);
    EXPECT_EQ(current().liveCount, 1);
    frame(15);
    EXPECT_EQ(current().liveCount, 5) << "the dying particle set off its burst";
    EXPECT_NEAR(current().burst.origin[1], 0.2f, 1e-6) << "where the particle died";
    for (int i = 0; i < 12; ++i) frame(15);
    EXPECT_EQ(current().liveCount, 0) << "burst particles die without bursting";
}

TEST_F(ParticlesTest, GroundStopsAndBurstsParticlesOnlyWhenReflected) {
    EmitterData e = emitter();
    e.life = 100000;
    e.isLifespan = 1;
    e.lifespanTime = 16;
    e.isBurst = 1;
    e.isBurstOnGround = 1;
    e.burst.count = 4;
    e.burst.life = 100000;
    e.speed = 0.1f;
    e.pitch = -0.5f;
    use(e);
    frame(15);  // emitted at the ground height
    frame(15);
    EXPECT_EQ(current().liveCount, 1) << "without reflection there is no ground test";

    EmitterData reflected = current();
    reflected.isReflected = 1;
    reflected.lifespanTime = 16;
    reflected.totalParticles = 999;  // new pool
    objSetEmitter(&reflected);
    frame(15);
    EXPECT_EQ(current().liveCount, 1);
    const std::vector<ParticleView> live = liveParticles(current());
    ASSERT_FALSE(live.empty());
    const ParticleView* p = &live.front();
    EXPECT_GT(p->velocity[1], 0) << "the vertical velocity was reversed";
    EXPECT_EQ(p->lifeLeft, -15);
    frame(15);
    EXPECT_EQ(current().liveCount, 4);
}

TEST_F(ParticlesTest, DirectionAndSparkTails) {
    EmitterData e = emitter();
    e.yaw = 1.5707964f;
    e.speed = 0.1f;
    e.isLifespan = 1;
    e.lifespanTime = 16;
    e.position[1] = 1;
    use(e);
    frame(15);
    const std::vector<ParticleView> live = liveParticles(current());
    ASSERT_FALSE(live.empty());
    const ParticleView* p = &live.front();
    EXPECT_NEAR(p->position[0], -0.1f, 1e-6);
    EXPECT_NEAR(p->position[2], 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(p->olderPosition[1], 1.0f) << "the tail starts at the emitter";
    EXPECT_FLOAT_EQ(p->previousPosition[0], 0.0f);
}

TEST_F(ParticlesTest, ColourAndSizeStepPerMillisecond) {
    EmitterData e = emitter();
    e.particleType = 3;
    e.life = 100;
    e.startSize = 1;
    e.endSize = 3;
    e.isLifespan = 1;
    e.lifespanTime = 16;
    use(e);
    frame(10);
    const std::vector<ParticleView> live = liveParticles(current());
    ASSERT_FALSE(live.empty());
    const ParticleView* p = &live.front();
    EXPECT_NEAR(p->color[0], 0.9f, 1e-6);
    EXPECT_NEAR(p->size, 1.2f, 1e-6);
    EXPECT_EQ(p->lifeLeft, 90);

    // A life that starts at 0 computes no steps and dies at once.
    EmitterData dead = emitter();
    dead.life = 0;
    use(dead);
    frame(10);
    EXPECT_EQ(current().liveCount, 0) << "updated in the frame it was born, and dead";
    EXPECT_NE(current().freeList, nullptr) << "its place is free again";
    EXPECT_EQ(current().liveList, nullptr);
}

TEST_F(ParticlesTest, EmissionAndDeathAllocateNothing) {
#if !defined(KORVID_COUNTS_ALLOCATIONS)
    GTEST_SKIP() << "allocations are counted in the plain build";
#endif
    EmitterData e = emitter();
    e.life = 40;
    e.emitterPerCycle = 20;
    e.isBurst = 1;
    e.burst.count = 10;
    e.burst.life = 40;
    e.totalParticles = 500;
    use(e);
    frame(15);
    allocations = 0;
    countAllocations = true;
    for (int i = 0; i < 50; ++i) simulateEmitter(*context().store->current->particles.current, 15);
    countAllocations = false;
    EXPECT_EQ(allocations, 0);
    EmitterData after = current();
    EXPECT_LE(after.liveCount, after.totalParticles);
    EXPECT_EQ(after.freeList != nullptr, after.liveCount < after.totalParticles);
    EXPECT_EQ(int64_t(liveParticles(after).size()), int64_t(after.liveCount));
}

TEST_F(ParticlesTest, PointsLinesAndSparksAreDrawn) {
    for (int type = 0; type < 3; ++type) {
        objNew();
        ASSERT_TRUE(objLoadRaw(writeFile("h.raw", "Holder\n100 0 0  101 0 0  100 1 0\n").c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
        EmitterData e = emitter();
        e.particleType = type;
        e.startSize = 6;
        e.speed = 0.05f;
        e.yaw = 1.5707964f;
        e.startColor[1] = e.startColor[2] = 0;
        e.endColor[0] = 1;
        e.endColor[3] = 1;
        e.life = 100000;
        use(e);
        for (int i = 0; i < 20; ++i) frame(15);
        const int red = countPixels([](const Rgba& p) { return p.r > 200 && p.g < 50 && p.b < 50; });
        EXPECT_GT(red, 20) << "type " << type;
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "restored";
        EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_TRUE(mask);
    }
}

TEST_F(ParticlesTest, PolygonsAreCulledWhileCullingIsOnAndShowMirroredTextures) {
    TextureInfo t{};
    std::strcpy(t.path, writeFile("rb.bmp", bitmap24(2, 1, {{255, 0, 0}, {0, 0, 255}})).c_str());
    std::strcpy(t.name, "RedBlue");
    t.filter = 1;
    ASSERT_TRUE(objAddTexture(&t));
    EmitterData e = emitter();
    e.particleType = 3;
    e.startSize = 20;  // a quad 2 units across
    e.endSize = 20;
    e.life = 100000;
    e.isLifespan = 1;
    e.lifespanTime = 16;
    e.textureId = objGetTextureId("RedBlue");
    use(e);

    SurfaceData holder{};
    objGetSurfaceData(&holder, 0);
    holder.culling = 0;
    objSetSurfaceData(&holder, 0);
    frame(15);
    EXPECT_EQ(countPixels([](const Rgba& p) { return p.r > 0 || p.b > 0; }), 0) << "culled from start-up on";

    holder.culling = 1;  // the holder's surface switches culling off after itself
    objSetSurfaceData(&holder, 0);
    frame(15);
    const Rgba left = pixelAt(kWidth / 2 - 20, kHeight / 2);
    const Rgba right = pixelAt(kWidth / 2 + 20, kHeight / 2);
    EXPECT_GT(left.b, 200) << "s = 1 on the left edge: mirrored";
    EXPECT_GT(right.r, 200);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ParticlesTest, BatchedPolygonsMatchThePerParticlePath) {
    EmitterData e = emitter();
    e.particleType = 3;
    e.startSize = 3;
    e.endSize = 1;
    e.speed = 0.02f;
    e.yawVar = 3.14f;
    e.pitchVar = 1.5f;
    e.emitterPerCycle = 5;
    e.life = 100000;
    e.startColor[0] = 0.2f;
    e.isAltAlpha = 1;
    use(e);
    for (int i = 0; i < 30; ++i) frame(15);
    const Emitter& live = *context().store->current->particles.current;
    const float cam[3] = {20, 35, 10};
    auto draw = [&](bool batched) {
        setBatchedPolygons(batched);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -5);
        glRotatef(cam[0], 1, 0, 0);
        glRotatef(cam[1], 0, 1, 0);
        glRotatef(cam[2], 0, 0, 1);
        glDisable(GL_CULL_FACE);
        drawEmitter(live, cam);
        glFinish();
        return readPixels(kWidth, kHeight);
    };
    const auto each = draw(false);
    const auto batch = draw(true);
    int differing = 0, lit = 0;
    for (size_t i = 0; i < each.size(); ++i) {
        if (each[i].r > 0) ++lit;
        if (std::abs(each[i].r - batch[i].r) > 2 || std::abs(each[i].g - batch[i].g) > 2) ++differing;
    }
    EXPECT_GT(lit, 200);
    EXPECT_LT(differing, lit / 50 + 5) << "edge pixels may differ by rounding";
}

}  // namespace

// How particles look: flipbook cells by age, spin and stretch, trails behind
// moving particles, back-to-front order, refusals, and that trails keep seeks
// exact and effects without a look draw what they drew before.
#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap_writer.h"
#include "context.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

constexpr int32_t kStep = 15;
const CameraData kCamera{0, 0, -5, 0, 0, 0};
constexpr float kPi = 3.14159265f;

class LookTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([] { return 1000u; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        if (objGetGrid()) objOnGrid();
        objSetBBox(0);
        objShowLights(false);
        objSeedRandom(3);
        objSetFixedFrameTime(kStep);
        // Particle quads face away from the camera: they show while culling is off, as it is after a
        // model's surface that culls.
        glDisable(GL_CULL_FACE);
    }
    void TearDown() override {
        objPauseSimulation(false);
        objSetFixedFrameTime(-1);
        objSetWorkerThreads(0);
        setBatchedPolygons(true);
        LibraryTest::TearDown();
    }
    // One emitter on a model of its own, giving one still Polygons particle
    // 2 units across unless `configure` says otherwise.
    template <typename Fn>
    static void emitter(Fn configure) {
        addStillEmitter(KORVID_PARTICLE_POLYGONS, [&](EmitterData& e) {
            e.startSize = e.endSize = 20;
            configure(e);
        });
    }
    static void frames(int n) {
        for (int i = 0; i < n; ++i) objRender(&kCamera);
    }
    // An image of `width` x `height` one-texel cells, bottom row first.
    std::string sheet(const char* name, int width, int height, const std::vector<Rgb>& rows) const {
        TextureInfo t{};
        std::strcpy(t.path, writeFile(std::string(name) + ".bmp", bitmap24(width, height, rows)).c_str());
        std::strcpy(t.name, name);
        t.filter = KORVID_FILTER_NONE;
        EXPECT_TRUE(objAddTexture(&t)) << objGetLastError();
        return name;
    }
    static Rgba centre() { return pixelAt(kWidth / 2, kHeight / 2); }
    // Bounds of the pixels brighter than black: left, bottom, right, top.
    static std::array<int, 4> lit() {
        std::array<int, 4> box{kWidth, kHeight, -1, -1};
        const auto pixels = readPixels(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Rgba& p = pixels[size_t(y * kWidth + x)];
                if (p.r + p.g + p.b < 60) continue;
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
            }
        return box;
    }
};

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

bool near(const Rgba& p, const Rgb& c) {
    return std::abs(p.r - c.r) < 40 && std::abs(p.g - c.g) < 40 && std::abs(p.b - c.b) < 40;
}

TEST_F(LookTest, RefusalsChangeNothingAndSayWhy) {
    Flipbook f{};
    EXPECT_FALSE(objSetEmitterFlipbook(&f)) << "no emitter yet";
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_LOOK_REFUSED);
    EXPECT_EQ(objGetEmitterSort(), -1);
    emitter([](EmitterData&) {});
    const Flipbook good{2, 2, 4, 10, 0, 1, 1};
    ASSERT_TRUE(objSetEmitterFlipbook(&good)) << objGetLastError();
    const Flipbook bad[] = {{2, 2, 5, 10, 0, 0, 0},     {2, 2, 0, 10, 0, 0, 0},  {-1, 2, 1, 10, 0, 0, 0},
                            {2, 0, 1, 10, 0, 0, 0},     {2, 2, 1, NAN, 0, 0, 0}, {2, 2, 1, -1, 0, 0, 0},
                            {2, 2, 1, 10, 2, 0, 0},     {65536, 65536, 1, 1, 0, 0, 0}};
    for (const Flipbook& b : bad) {
        EXPECT_FALSE(objSetEmitterFlipbook(&b)) << b.columns << " " << b.rows << " " << b.frames;
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_LOOK_REFUSED);
    }
    EXPECT_FALSE(objSetEmitterFlipbook(nullptr));
    Flipbook held{};
    ASSERT_TRUE(objGetEmitterFlipbook(&held));
    EXPECT_EQ(std::memcmp(&held, &good, sizeof held), 0) << "refusals changed nothing";

    const ParticleSpin badSpins[] = {{NAN, 0, 0, 0, 0, 0}, {0, -1, 0, 0, 0, 0}, {0, 0, INFINITY, 0, 0, 0},
                                     {0, 0, 0, -0.5f, 0, 0}, {0, 0, 0, 0, 2, 0},  {0, 0, 0, 0, 1, -1}};
    for (const ParticleSpin& s : badSpins) EXPECT_FALSE(objSetEmitterSpin(&s));
    const Trail badTrails[] = {{2, 100, 0, 0.1f, 0, 0}, {1, 0, 0, 0.1f, 0, 0},  {1, 60001, 0, 0.1f, 0, 0},
                               {1, 100, -1, 0.1f, 0, 0}, {1, 100, 0, NAN, 0, 0}, {1, 100, 0, 0.1f, 0, 1.5f},
                               {0, -5, 0, 0, 0, 0}};
    for (const Trail& t : badTrails) {
        EXPECT_FALSE(objSetEmitterTrail(&t));
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_LOOK_REFUSED);
    }
    // A minute of trail on a pool of a million particles would take 64 GB: refused, not promised.
    EmitterData big{};
    objGetEmitter(&big);
    big.totalParticles = 1000000;
    ASSERT_TRUE(objSetEmitter(&big));
    const Trail long_{1, KORVID_MAX_TRAIL_MS, 0, 0.1f, 0, 0};
    EXPECT_FALSE(objSetEmitterTrail(&long_));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_OUT_OF_MEMORY);
    EXPECT_FALSE(objSetEmitterSort(2));
    EXPECT_FALSE(objSetEmitterSort(-1));
    EXPECT_NE(std::string(objGetLastError()).find("Particle look refused"), std::string::npos);
    ParticleSpin spin{};
    Trail trail{};
    ASSERT_TRUE(objGetEmitterSpin(&spin));
    ASSERT_TRUE(objGetEmitterTrail(&trail));
    EXPECT_EQ(spin.align, 0);
    EXPECT_EQ(trail.enabled, 0);
    EXPECT_EQ(objGetEmitterSort(), KORVID_SORT_NONE);
    EXPECT_FALSE(objGetEmitterTrail(nullptr));
}

TEST_F(LookTest, FlipbookShowsTheCellOfEachParticlesAge) {
    // Cells: red, green on the top row; blue, white below.
    const std::string image = sheet("Cells", 2, 2, {kBlue, kWhite, kRed, kGreen});
    emitter([&](EmitterData& e) { e.textureId = objGetTextureId(image.c_str()); });
    const Flipbook rate{2, 2, 4, 10, 0, 0, 0};  // a frame every 100 ms, looping
    ASSERT_TRUE(objSetEmitterFlipbook(&rate));
    for (bool batched : {true, false}) {
        SCOPED_TRACE(batched ? "batched" : "one by one");
        setBatchedPolygons(batched);
        objRestartEmitters();
        // The particle is 15 ms old after its first frame.
        const struct {
            int frames;
            Rgb colour;
        } moments[] = {{3, kRed}, {5, kGreen}, {7, kBlue}, {7, kWhite}, {7, kRed}};
        for (const auto& m : moments) {
            frames(m.frames);
            EXPECT_TRUE(near(centre(), m.colour)) << int(centre().r) << " " << int(centre().g) << " " << int(centre().b);
        }
    }
    // Over life: three frames spread over a life of 300 ms.
    const Flipbook overLife{2, 2, 3, 0, 1, 0, 0};
    ASSERT_TRUE(objSetEmitterFlipbook(&overLife));
    EmitterData e{};
    objGetEmitter(&e);
    e.life = 300;
    for (float& c : e.endColor) c = 1;  // white all its life
    e.lifespanTime = 1;  // one particle again after the restart
    ASSERT_TRUE(objSetEmitter(&e));
    objRestartEmitters();
    frames(6);  // 90 ms of 300: the first third
    EXPECT_TRUE(near(centre(), kRed));
    frames(8);  // 210 ms: the last third
    EXPECT_TRUE(near(centre(), kBlue));
    // Cross-fading halfway between two cells mixes them.
    const Flipbook blended{2, 2, 4, 1000.0f / 30.0f, 0, 0, 1};  // a frame every 30 ms
    e.life = 100000;
    ASSERT_TRUE(objSetEmitter(&e));
    ASSERT_TRUE(objSetEmitterFlipbook(&blended));
    for (int additive : {0, 1}) {
        e.isAltAlpha = additive;
        ASSERT_TRUE(objSetEmitter(&e));
        objRestartEmitters();
        frames(1);  // 15 ms: half red, half green
        const Rgba mixed = centre();
        EXPECT_NEAR(mixed.r, 128, 20) << additive;
        EXPECT_NEAR(mixed.g, 128, 20);
        EXPECT_LT(mixed.b, 20);
    }
}

// A frame of 2^31 ms takes a particle's life far below zero before it is
// drawn: its age saturates instead of overflowing.
TEST_F(LookTest, AVeryLongFrameDrawsAFlipbookAndSpinWithoutOverflow) {
    const std::string image = sheet("Cells", 2, 2, {kBlue, kWhite, kRed, kGreen});
    emitter([&](EmitterData& e) { e.textureId = objGetTextureId(image.c_str()); });
    const Flipbook flipbook{2, 2, 4, 10, 1, 1, 1};
    const ParticleSpin spin{0, 0.5f, 3, 1, 1, 0.5f};
    ASSERT_TRUE(objSetEmitterFlipbook(&flipbook) && objSetEmitterSpin(&spin));
    frames(1);
    objSetFixedFrameTime(0x7fffffff);
    frames(1);
    objSetFixedFrameTime(kStep);
    frames(1);
    EXPECT_EQ(objGetLiveParticles(-1), 0);
}

TEST_F(LookTest, SpinTurnsThePictureAndStretchLengthensAlongTheMotion) {
    // Red on the left of the image, blue on its right: drawn mirrored, so blue shows on the left.
    const std::string image = sheet("RedBlue", 2, 1, {kRed, kBlue});
    emitter([&](EmitterData& e) { e.textureId = objGetTextureId(image.c_str()); });
    auto sides = [] {
        frames(1);
        return std::array<Rgba, 4>{pixelAt(kWidth / 2 - 15, kHeight / 2), pixelAt(kWidth / 2 + 15, kHeight / 2),
                                   pixelAt(kWidth / 2, kHeight / 2 - 15), pixelAt(kWidth / 2, kHeight / 2 + 15)};
    };
    auto still = sides();
    EXPECT_TRUE(near(still[0], kBlue));
    EXPECT_TRUE(near(still[1], kRed));
    const ParticleSpin half{kPi, 0, 0, 0, 0, 0};
    ASSERT_TRUE(objSetEmitterSpin(&half));
    auto turned = sides();
    EXPECT_TRUE(near(turned[0], kRed)) << "half a turn swaps the sides";
    EXPECT_TRUE(near(turned[1], kBlue));
    // A quarter turn a second: after a second of frames the split runs across.
    const ParticleSpin spinning{0, 0, kPi / 2, 0, 0, 0};
    ASSERT_TRUE(objSetEmitterSpin(&spinning));
    objRestartEmitters();
    frames(66);  // 990 ms
    auto quarter = sides();
    EXPECT_TRUE(near(quarter[2], kRed) || near(quarter[2], kBlue));
    EXPECT_FALSE(near(quarter[2], {quarter[3].r, quarter[3].g, quarter[3].b})) << "top and bottom differ";
    EXPECT_TRUE(near(quarter[0], {quarter[1].r, quarter[1].g, quarter[1].b})) << "left and right alike";

}

TEST_F(LookTest, StretchLengthensPolygonsAlongTheirMotion) {
    // A particle moving sideways at 1 unit a second, stretched 2 per
    // unit a second, is three times as long as it is wide.
    emitter([](EmitterData& e) {
        e.particleType = KORVID_PARTICLE_POLYGONS;
        e.startSize = e.endSize = 5;
        e.speed = 0.015f;
        e.yaw = -kPi / 2;  // along +x
    });
    const ParticleSpin stretched{0, 0, 0, 0, 1, 2};
    frames(1);
    const auto square = lit();
    ASSERT_TRUE(objSetEmitterSpin(&stretched));
    objRender(&kCamera);
    const auto long_ = lit();
    const int squareWidth = square[2] - square[0], squareHeight = square[3] - square[1];
    EXPECT_NEAR(squareWidth, squareHeight, 2);
    EXPECT_NEAR(long_[3] - long_[1], squareHeight, 2) << "as wide as before";
    EXPECT_NEAR(double(long_[2] - long_[0]), 3.0 * squareWidth, 4.0) << "three times as long";
}

TEST_F(LookTest, SparksStretchTheirStreaks) {
    emitter([](EmitterData& e) {
        e.particleType = KORVID_PARTICLE_SPARKS;
        e.startSize = 3;
        e.speed = 0.03f;
        e.yaw = -kPi / 2;
    });
    frames(4);
    objPauseSimulation(true);
    objRender(&kCamera);
    const auto plain = lit();
    const ParticleSpin stretched{0, 0, 0, 0, 1, 0.5f};  // speed 2 units a second: twice as long
    ASSERT_TRUE(objSetEmitterSpin(&stretched));
    objRender(&kCamera);
    const auto longer = lit();
    EXPECT_EQ(plain[2], longer[2]) << "the head stays";
    EXPECT_NEAR(double(longer[2] - longer[0]), 2.0 * (plain[2] - plain[0]), 4.0);
}

TEST_F(LookTest, TrailsFollowThePathForTheirLength) {
    emitter([](EmitterData& e) {
        e.particleType = KORVID_PARTICLE_POINTS;
        e.startSize = 1;
        e.speed = 0.03f;  // 2 units a second along +x
        e.yaw = -kPi / 2;
        e.position[0] = -2;
    });
    const Trail trail{1, 300, 0, 0.2f, 0.2f, 1};
    ASSERT_TRUE(objSetEmitterTrail(&trail));
    frames(60);  // 900 ms: the particle is near x = -0.2, its trail reaches back 0.6 units
    const auto box = lit();
    // Units to pixels at the particle's depth: 45 degrees of view over the window's height at 5 units.
    const double pixelsPerUnit = kHeight / (2 * 5 * std::tan(22.5 * kPi / 180));
    EXPECT_NEAR(box[2] - box[0], 0.6 * pixelsPerUnit, 3) << "300 ms of path at 2 units a second";
    EXPECT_NEAR(box[3] - box[1], 0.2 * pixelsPerUnit, 3) << "0.2 units wide";
    const ParticleView p = liveParticles(context().store->current->particles.current->data).at(0);
    EXPECT_NEAR((box[2] - kWidth / 2) / pixelsPerUnit, p.position[0], 0.05) << "the trail ends at the particle";

    // A distance of 0.3 lays a point every 10 steps only.
    const Trail sparse{1, 300, 0.3f, 0.2f, 0.2f, 1};
    ASSERT_TRUE(objSetEmitterTrail(&sparse));
    objRestartEmitters();
    const ParticleStore& s = *context().store->current->particles.current->store;
    frames(19);
    EXPECT_EQ(s.integers(kTrailUsed)[0], 2) << "birth, then a point 0.3 further";
    frames(6);
    EXPECT_EQ(s.integers(kTrailUsed)[0], 2) << "the birth point is older than 300 ms; another was laid";
    const TrailPoint& newest = s.trail(0)[s.integers(kTrailHead)[0]];
    EXPECT_NEAR(newest.x, -2 + 0.63f, 0.04f) << "21 or 22 steps of 0.03 (0.3 a little more than 10 steps)";
    // Off again: nothing but the point.
    const Trail off{0, 300, 0, 0.2f, 0.2f, 1};
    ASSERT_TRUE(objSetEmitterTrail(&off));
    objRender(&kCamera);
    const auto bare = lit();
    EXPECT_LE(bare[2] - bare[0], 3);
}

TEST_F(LookTest, SortingDrawsTheNearestLast) {
    // Particles fly away from the camera, turning from red to blue with age:
    // born newest first, the oldest (the farthest, bluest) covers the rest.
    emitter([](EmitterData& e) {
        e.totalParticles = 50;
        e.emitterTime = 0;
        e.lifespanTime = 100000;
        e.speed = 0.02f;
        e.pitch = 0;
        e.yaw = kPi;  // along -z, away from the camera
        e.startSize = e.endSize = 6;
        e.life = 500;
        e.startColor[0] = 1, e.startColor[1] = 0, e.startColor[2] = 0, e.startColor[3] = 1;
        e.endColor[0] = 0, e.endColor[1] = 0, e.endColor[2] = 1, e.endColor[3] = 1;
    });
    frames(30);
    objPauseSimulation(true);
    for (bool batched : {true, false}) {
        setBatchedPolygons(batched);
        ASSERT_TRUE(objSetEmitterSort(KORVID_SORT_NONE));
        objRender(&kCamera);
        EXPECT_GT(centre().b, centre().r) << "unsorted: the farthest on top";
        ASSERT_TRUE(objSetEmitterSort(KORVID_SORT_BACK_TO_FRONT));
        objRender(&kCamera);
        EXPECT_GT(centre().r, 200) << "sorted: the nearest on top";
        EXPECT_LT(centre().b, 60);
    }
}

TEST(BackToFront, IsStableAndOrdersEveryFloat) {
    const std::vector<float> depth = {1.0f, -2.0f, 1.0f, 0.0f, -0.0f, 3e38f, -3e38f, 1.0f, 0.5f, -2.0f};
    std::vector<uint32_t> order, scratch;
    backToFront(depth.data(), int32_t(depth.size()), order, scratch);
    ASSERT_EQ(order.size(), depth.size());
    const std::vector<uint32_t> expected = {6, 1, 9, 4, 3, 8, 0, 2, 7, 5};  // -0 before +0 as their bits say
    EXPECT_EQ(order, expected);
    std::vector<float> many(100000);
    for (size_t i = 0; i < many.size(); ++i) many[i] = float((i * 7919) % 1000) - 500.0f;
    backToFront(many.data(), int32_t(many.size()), order, scratch);
    for (size_t k = 1; k < order.size(); ++k) {
        ASSERT_LE(many[order[k - 1]], many[order[k]]);
        if (many[order[k - 1]] == many[order[k]]) ASSERT_LT(order[k - 1], order[k]) << "stable";
    }
}

// A picture at any moment is the same whether reached by playing, by seeking
// forward or back, with and without snapshots, with trails, spin and random
// flipbook starts on every sample.
TEST_F(LookTest, SeeksAndSnapshotsKeepTrailsExact) {
    for (const char* sample : {"fireworks.zob", "smoke.zob", "magic.zob"}) {
        SCOPED_TRACE(sample);
        objNew();
        ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + sample).c_str())) << objGetLastError();
        const Flipbook flipbook{2, 2, 4, 12, 0, 1, 1};
        const ParticleSpin spin{0.3f, 0.5f, 1.0f, 2.0f, 0, 0};
        const Trail trail{1, 400, 0.01f, 0.05f, 0.0f, 0.2f};
        for (int32_t m = 0; m < objGetModelCount(); ++m) {
            objSetCurrentModel(m);
            for (int32_t k = 0; k < context().store->current->particles.count(); ++k) {
                objSetEmitterPtr(k);
                ASSERT_TRUE(objSetEmitterFlipbook(&flipbook) && objSetEmitterSpin(&spin) &&
                            objSetEmitterTrail(&trail) && objSetEmitterSort(KORVID_SORT_BACK_TO_FRONT))
                    << objGetLastError();
            }
        }
        auto picture = [] {
            objPauseSimulation(true);
            objRender(&kCamera);
            objPauseSimulation(false);
            std::vector<unsigned char> bytes;
            for (const Rgba& p : readPixels(kWidth, kHeight)) bytes.insert(bytes.end(), {p.r, p.g, p.b, p.a});
            return bytes;
        };
        objSeedRandom(11);
        for (int32_t m = 0; m < objGetModelCount(); ++m) {
            objSetCurrentModel(m);
            objRestartEmitters();
        }
        const std::vector<int> moments = {40, 90};
        std::vector<std::vector<unsigned char>> played;
        for (int s = 1; s <= 90; ++s) {
            frames(1);
            if (s == 40 || s == 90) played.push_back(picture());
        }
        // The seed of a seek is the one set last.
        objSeedRandom(11);
        ASSERT_EQ(objSeekSimulation(90 * kStep), 90 * kStep);
        EXPECT_TRUE(picture() == played[1]) << "seek forward";
        ASSERT_EQ(objSeekSimulation(40 * kStep), 40 * kStep);
        EXPECT_TRUE(picture() == played[0]) << "seek back, from a snapshot";
        objSetSnapshotBudget(0);
        ASSERT_EQ(objSeekSimulation(90 * kStep), 90 * kStep);
        EXPECT_TRUE(picture() == played[1]) << "without snapshots";
        objSetSnapshotBudget(int64_t(256) << 20);
    }
}

// Effects that set a flipbook without a random start, a spin without
// spreads, or a trail draw no more random numbers: their particles are where
// they would be without them.
TEST_F(LookTest, ALookWithoutSpreadsKeepsTheRandomSequence) {
    auto positions = [](bool look) {
        objNew();
        EXPECT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/fountain.zob").c_str()));
        objSetEmitterPtr(0);
        if (look) {
            const Flipbook flipbook{4, 4, 16, 30, 0, 0, 1};
            const ParticleSpin spin{1, 0, 2, 0, 1, 0.5f};
            const Trail trail{1, 200, 0, 0.1f, 0, 0};
            EXPECT_TRUE(objSetEmitterFlipbook(&flipbook) && objSetEmitterSpin(&spin) && objSetEmitterTrail(&trail));
        }
        objSeedRandom(5);
        objRestartEmitters();
        frames(80);
        std::vector<float> out;
        for (const ParticleView& p : liveParticles(context().store->current->particles.current->data))
            out.insert(out.end(), p.position, p.position + 3);
        return out;
    };
    const auto plain = positions(false);
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(positions(true) == plain);
}

}  // namespace

// Korvid in a game: instances of one effect at their own places, drawing
// into the game's frame without disturbing its state, and the particles as
// vertices for a renderer of the game's own.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

const CameraData kCamera{0, -1, -8, 15, 20, 0};

std::string sample(const char* name) { return std::string(KORVID_SAMPLES) + "/" + name; }

// Column-major matrices.
void translation(float x, float y, float z, float m[16]) {
    const float t[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    std::memcpy(m, t, sizeof t);
}

class GameRuntimeTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([this] { return now; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
    }
    void TearDown() override {
        objSetFixedFrameTime(-1);
        LibraryTest::TearDown();
    }
    // The live particles of a particle system, as values.
    static std::vector<ParticleView> live(const ParticleSystem& ps) {
        std::vector<ParticleView> all;
        for (const auto& e : ps.emitters)
            for (const ParticleView& v : liveParticles(e->data)) all.push_back(v);
        return all;
    }
    static const ParticleSystem& instanceSystem(KorvidInstance id) {
        for (const auto& i : context().store->instances)
            if (i->id == id) return i->particles;
        throw std::runtime_error("no instance");
    }
    // Every particle of every model and instance, as bytes.
    static std::vector<unsigned char> everything() {
        std::vector<unsigned char> out;
        for (ParticleSystem* ps : context().store->systems())
            for (const ParticleView& v : live(*ps)) {
                const auto* p = reinterpret_cast<const unsigned char*>(&v);
                out.insert(out.end(), p, p + sizeof v);
            }
        return out;
    }
    // A model whose one emitter sends a particle a step straight up at one
    // unit a step, with no randomness, so where its particles are says
    // where and which way it was placed.
    static void addFountainWithoutChance() {
        ASSERT_TRUE(objAddMesh(nullptr, 0)) << objGetLastError();
        EmitterData e;
        objInitEmitter(&e);
        e.particleType = KORVID_PARTICLE_POLYGONS;
        e.totalParticles = 50;
        e.emitterPerCycle = 1;
        e.emitterPerCycleVar = 0;
        e.emitterTime = 15;
        e.life = 10000;
        e.lifeVar = 0;
        e.speed = 1;
        e.speedVar = e.yawVar = e.pitchVar = 0;
        e.pitch = 90;
        e.yaw = 0;
        e.force[0] = e.force[1] = e.force[2] = 0;
        e.position[0] = 1;
        e.position[1] = e.position[2] = 0;
        e.isReflected = 0;
        e.isLifespan = 0;
        e.lifespanTime = 1;
        ASSERT_EQ(objAddEmitter(&e), 1);
    }
    uint32_t now = 1000;
};

TEST_F(GameRuntimeTest, InstancesAreBornWhereTheirTransformPlacesTheEmitters) {
    addFountainWithoutChance();
    const KorvidInstance moved = objCreateInstance(0);
    const KorvidInstance turned = objCreateInstance(0);
    ASSERT_GT(moved, 0) << objGetLastError();
    ASSERT_GT(turned, moved);
    float m[16];
    translation(10, 0, -3, m);
    ASSERT_TRUE(objSetInstanceTransform(moved, m));
    // A quarter turn about z: the emitter at x = 1 stands at y = 1, and up becomes -x.
    const float quarter[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ASSERT_TRUE(objSetInstanceTransform(turned, quarter));
    EXPECT_EQ(objAdvance(15 * 6), 6);

    const auto model = live(context().store->models[0]->particles);
    const auto a = live(instanceSystem(moved));
    const auto b = live(instanceSystem(turned));
    ASSERT_FALSE(model.empty());
    ASSERT_EQ(a.size(), model.size()) << "an instance plays as the model does";
    ASSERT_EQ(b.size(), model.size());
    for (size_t k = 0; k < model.size(); ++k) {
        EXPECT_FLOAT_EQ(a[k].position[0], model[k].position[0] + 10);
        EXPECT_FLOAT_EQ(a[k].position[1], model[k].position[1]);
        EXPECT_FLOAT_EQ(a[k].position[2], model[k].position[2] - 3);
        EXPECT_NEAR(b[k].position[0], -model[k].position[1], 1e-5);
        EXPECT_NEAR(b[k].position[1], model[k].position[0], 1e-5);
        EXPECT_NEAR(b[k].velocity[0], -model[k].velocity[1], 1e-5);
    }
    // Moving an instance leaves its flying particles where they are.
    translation(-20, 0, 0, m);
    ASSERT_TRUE(objSetInstanceTransform(moved, m));
    EXPECT_EQ(objAdvance(15), 1);
    const auto after = live(instanceSystem(moved));
    const auto modelAfter = live(context().store->models[0]->particles);
    EXPECT_FLOAT_EQ(after.front().position[0], -20 + 1) << "the newest particle, born at the new place";
    EXPECT_FLOAT_EQ(after.back().position[0], 11) << "the oldest one keeps flying where it was";
    EXPECT_FLOAT_EQ(after.back().position[1], modelAfter.back().position[1]);

    // Restart, hide, destroy.
    EXPECT_TRUE(objRestartInstance(turned));
    EXPECT_EQ(objGetInstanceParticles(turned), 0);
    EXPECT_TRUE(objSetInstanceVisible(turned, false));
    EXPECT_EQ(objAdvance(15), 1);
    EXPECT_EQ(objGetInstanceParticles(turned), 1) << "hidden instances play on";
    EXPECT_TRUE(objDestroyInstance(turned));
    EXPECT_EQ(objGetInstanceCount(), 1);
    EXPECT_EQ(objGetInstanceParticles(turned), -1);
    // Removing the model takes its instances with it.
    ASSERT_TRUE(objRemoveModel(0));
    EXPECT_EQ(objGetInstanceCount(), 0);
}

TEST_F(GameRuntimeTest, SeeksAndSnapshotsCoverInstancesAndAHundredShareOneSetOfImages) {
    ASSERT_TRUE(objLoadZOB(sample("fireworks.zob").c_str())) << objGetLastError();
    const int32_t images = objGetTextureCnt();
    std::vector<KorvidInstance> instances;
    for (int k = 0; k < 100; ++k) {
        instances.push_back(objCreateInstance(0));
        ASSERT_GT(instances.back(), 0) << objGetLastError();
        float m[16];
        translation(float(k % 10) * 3, 0, float(k / 10) * -3, m);
        ASSERT_TRUE(objSetInstanceTransform(instances.back(), m));
    }
    EXPECT_EQ(objGetTextureCnt(), images) << "instances share the model's images";
    objSeedRandom(12);
    objRestartEmitters();
    for (KorvidInstance i : instances) objRestartInstance(i);
    objAdvance(2100);
    const auto played = everything();
    EXPECT_GT(objGetInstanceParticles(instances[57]), 0);
    // A seek replays models and instances alike; a second seek starts from
    // the snapshots the first one kept.
    objSeedRandom(12);
    ASSERT_EQ(objSeekSimulation(2100), 2100);
    EXPECT_TRUE(everything() == played);
    ASSERT_EQ(objSeekSimulation(600), 600);
    const size_t snapshots = context().timeline.snapshotCount();
    EXPECT_GT(snapshots, 0u);
    ASSERT_EQ(objSeekSimulation(2100), 2100);
    EXPECT_TRUE(everything() == played) << "from a snapshot";
}

TEST_F(GameRuntimeTest, BadInstanceCallsAreRefusedWithAMessage) {
    addFountainWithoutChance();
    const KorvidInstance id = objCreateInstance(0);
    ASSERT_GT(id, 0);
    const float nan = std::nanf("");
    float bad[16];
    translation(0, 0, 0, bad);
    auto refused = [](bool result) {
        EXPECT_FALSE(result);
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
        EXPECT_NE(std::string(objGetLastError()).find("Game runtime refused: "), std::string::npos);
        objClearLastError();
    };
    EXPECT_EQ(objCreateInstance(1), 0);
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
    EXPECT_EQ(objCreateInstance(-1), 0);
    refused(objSetInstanceTransform(id, nullptr));
    bad[13] = nan;
    refused(objSetInstanceTransform(id, bad));
    translation(0, 0, 0, bad);
    bad[3] = 0.5f;  // a projection, not a placement
    refused(objSetInstanceTransform(id, bad));
    refused(objSetInstanceTransform(id + 1, bad));
    refused(objDestroyInstance(0));
    refused(objRestartInstance(-4));
    refused(objSetInstanceVisible(999, true));
    float out[16];
    ASSERT_TRUE(objGetInstanceTransform(id, out));
    EXPECT_EQ(out[0], 1.0f) << "a refused matrix changes nothing";
    EXPECT_EQ(out[3], 0.0f);
    objNew();
    EXPECT_EQ(objGetInstanceCount(), 0);
    refused(objDestroyInstance(id));
}

// The fixed-function view objRender sets up for `camera`, as matrices.
void cameraMatrices(const CameraData& c, float view[16], float projection[16]) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45, double(kWidth) / kHeight, 0.1f, 100.0);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(c.tx, c.ty, c.tz);
    glRotatef(c.rx, 1, 0, 0);
    glRotatef(c.ry, 0, 1, 0);
    glRotatef(c.rz, 0, 0, 1);
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    glPopMatrix();
}

// A few of the states a game has set when it hands the frame to the library.
struct GameStates {
    GLint depthFunc, blendSrc, blendDst, matrixMode, texture, viewport[4], arrayBuffer, activeTexture, polygonMode[2];
    GLboolean blend, depthTest, lighting, cull, depthMask, texture2d, colourMaterial;
    GLfloat colour[4], clearColour[4], modelview[16], projection[16], lineWidth;
    static GameStates read() {
        GameStates s{};
        glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
        glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
        glGetIntegerv(GL_BLEND_DST, &s.blendDst);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
        glGetIntegerv(GL_VIEWPORT, s.viewport);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &s.arrayBuffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeTexture);
        glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
        s.blend = glIsEnabled(GL_BLEND);
        s.depthTest = glIsEnabled(GL_DEPTH_TEST);
        s.lighting = glIsEnabled(GL_LIGHTING);
        s.cull = glIsEnabled(GL_CULL_FACE);
        s.texture2d = glIsEnabled(GL_TEXTURE_2D);
        s.colourMaterial = glIsEnabled(GL_COLOR_MATERIAL);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
        glGetFloatv(GL_CURRENT_COLOR, s.colour);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColour);
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
        glGetFloatv(GL_LINE_WIDTH, &s.lineWidth);
        return s;
    }
};

TEST_F(GameRuntimeTest, RenderSceneDrawsIntoTheGamesFrameAndPutsItsStateBack) {
    ASSERT_TRUE(objLoadZOB(sample("fountain.zob").c_str())) << objGetLastError();
    objSetBBox(0);
    objOnGrid();  // the grid off
    objShowLights(false);
    objSetFixedFrameTime(15);
    objAdvance(1500);
    // What objRender draws of the scene...
    objRender(&kCamera);
    glFinish();
    const auto expected = readPixels(kWidth, kHeight);

    // ...objRenderScene draws with the same matrices into a frame the game
    // cleared to grey, with its own state set.
    float view[16], projection[16];
    cameraMatrices(kCamera, view, projection);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthFunc(GL_GREATER);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glLineWidth(3.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    GLuint texture = 0, buffer = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    auto genBuffers = reinterpret_cast<PFNGLGENBUFFERSPROC>(platform::glProcAddress("glGenBuffers"));
    auto bindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(platform::glProcAddress("glBindBuffer"));
    genBuffers(1, &buffer);
    bindBuffer(GL_ARRAY_BUFFER, buffer);  // would swallow client arrays if left bound
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.5f, 0, 0);
    const GameStates before = GameStates::read();
    ASSERT_TRUE(objRenderScene(view, projection, 0)) << objGetLastError();
    const GameStates after = GameStates::read();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "the game's state is as it left it";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glFinish();
    const auto drawn = readPixels(kWidth, kHeight);
    int grey = 0, same = 0, lit = 0;
    for (size_t k = 0; k < drawn.size(); ++k) {
        const Rgba p = drawn[k], q = expected[k];
        if (p.r == 128 && p.g == 128 && p.b == 128) ++grey;
        if (q.r + q.g + q.b > 60) {
            ++lit;
            // Over grey instead of black: the particles' light is at least as bright.
            if (p.r >= q.r && p.g >= q.g && p.b >= q.b) ++same;
        }
    }
    EXPECT_GT(grey, int(drawn.size()) / 2) << "not cleared";
    ASSERT_GT(lit, 50);
    EXPECT_GT(same, lit * 9 / 10) << "the particles objRender draws are drawn at the same places";
    // Asked to clear, it clears to the library's clear colour... which is the game's, as it set it.
    bindBuffer(GL_ARRAY_BUFFER, 0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glClearColor(0, 0, 0, 1);
    ASSERT_TRUE(objRenderScene(view, projection, KORVID_DRAW_CLEAR));
    glFinish();
    const auto cleared = readPixels(kWidth, kHeight);
    int equal = 0;
    for (size_t k = 0; k < cleared.size(); ++k)
        equal += std::abs(cleared[k].r - expected[k].r) <= 2 && std::abs(cleared[k].g - expected[k].g) <= 2 &&
                 std::abs(cleared[k].b - expected[k].b) <= 2;
    EXPECT_GT(equal, int(cleared.size()) * 99 / 100) << "the picture objRender draws";
    glDeleteTextures(1, &texture);

    // Refusals.
    const float nan = std::nanf("");
    float broken[16];
    std::memcpy(broken, view, sizeof broken);
    broken[5] = nan;
    for (bool result : {objRenderScene(nullptr, projection, 0), objRenderScene(view, nullptr, 0),
                        objRenderScene(broken, projection, 0), objRenderScene(view, projection, 2)}) {
        EXPECT_FALSE(result);
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
    }
}

TEST_F(GameRuntimeTest, VerticesAreTheParticlesAsTrianglesTheSameBytesEachTime) {
    ASSERT_TRUE(objLoadZOB(sample("flipbook_fire.zob").c_str())) << objGetLastError();
    objSetFixedFrameTime(15);
    objSeedRandom(3);
    ASSERT_EQ(objSeekSimulation(1995), 1995);
    const int32_t all = objGetParticleVertices(-1, &kCamera, nullptr, 0);
    ASSERT_GT(all, 0) << objGetLastError();
    std::vector<ParticleVertex> first(size_t(all) + 1), second(size_t(all) + 1);
    std::memset(first.data(), 0xAB, first.size() * sizeof(ParticleVertex));
    std::memset(second.data(), 0xAB, second.size() * sizeof(ParticleVertex));
    EXPECT_EQ(objGetParticleVertices(-1, &kCamera, first.data(), all), all);
    EXPECT_EQ(objGetParticleVertices(-1, &kCamera, second.data(), all + 1), all);
    EXPECT_EQ(std::memcmp(first.data(), second.data(), second.size() * sizeof(ParticleVertex)), 0);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&first[size_t(all)])[0], 0xAB) << "nothing past the count";
    // Too little room: the count, nothing written.
    std::vector<ParticleVertex> small(4);
    std::memset(small.data(), 0, small.size() * sizeof(ParticleVertex));
    EXPECT_EQ(objGetParticleVertices(-1, &kCamera, small.data(), 4), all);
    EXPECT_EQ(small[0].colour[3], 0.0f);

    // Every emitter of the model in turn makes up the whole, and its hint says how to draw it.
    int64_t sum = 0;
    ASSERT_TRUE(objSetCurrentModel(0));
    for (int32_t e = 0; e < 16; ++e) {
        const int32_t n = objGetParticleVertices(e, &kCamera, nullptr, 0);
        ParticleDrawHint hint;
        if (n < 0) {
            EXPECT_FALSE(objGetParticleDrawHint(e, &hint));
            break;
        }
        ASSERT_TRUE(objGetParticleDrawHint(e, &hint));
        EXPECT_EQ(hint.vertices, n);
        EXPECT_EQ(n % 6, 0);
        objSetEmitterPtr(e);
        EmitterData d;
        objGetEmitter(&d);
        EXPECT_EQ(hint.particleType, d.particleType);
        EXPECT_EQ(hint.blend, d.isAltAlpha ? KORVID_BLEND_ADD : KORVID_BLEND_OVER);
        EXPECT_EQ(hint.textured, d.particleType == 3 && d.textureId != 0);
        if (hint.textured) {
            EXPECT_EQ(objGetTextureId(hint.textureName), hint.textureId);
        }
        const int per = d.particleType == KORVID_PARTICLE_SPARKS ? 12 : 6;
        if (hint.trailVertices == 0) {
            Flipbook f;
            objGetEmitterFlipbook(&f);
            const int quads = f.columns > 0 && f.blend ? 2 : 1;
            EXPECT_EQ(n, d.liveCount * per * quads) << "emitter " << e;
        }
        sum += n;
    }
    if (objGetModelCount() == 1) {
        EXPECT_EQ(sum, all);
    }

    EXPECT_EQ(objGetParticleVertices(99, &kCamera, nullptr, 0), -1);
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
    EXPECT_EQ(objGetParticleVertices(-1, nullptr, nullptr, 0), -1);
    EXPECT_EQ(objGetParticleVertices(-1, &kCamera, nullptr, -1), -1);
    EXPECT_EQ(objGetParticleVertices(-1, &kCamera, nullptr, 10), -1) << "room claimed where there is none";
    EXPECT_EQ(objGetParticleVertices(-2, &kCamera, nullptr, 0), -1);
    EXPECT_EQ(objGetInstanceVertices(5, -1, &kCamera, nullptr, 0), -1);
}

// A Polygons particle's vertices are the corners objRender draws: two
// triangles over the quad, in the particle's colour, facing the camera.
TEST_F(GameRuntimeTest, APolygonsParticleIsTheQuadObjRenderDraws) {
    addStillEmitter(KORVID_PARTICLE_POLYGONS, [](EmitterData& e) {
        e.startSize = e.endSize = 2;
        e.startSizeVar = e.endSizeVar = 0;
        const float colour[4] = {0.25f, 0.5f, 1.0f, 0.75f};
        std::memcpy(e.startColor, colour, sizeof colour);
        std::memcpy(e.endColor, colour, sizeof colour);
        std::memset(e.startColorVar, 0, sizeof e.startColorVar);
        std::memset(e.endColorVar, 0, sizeof e.endColorVar);
        e.position[0] = 0.5f;
        e.position[1] = e.position[2] = 0;
    });
    objAdvance(15);
    const CameraData straight{0, 0, -5, 0, 0, 0};
    ParticleVertex v[6];
    ASSERT_EQ(objGetParticleVertices(0, &straight, v, 6), 6);
    float minX = 9, maxX = -9, minY = 9, maxY = -9;
    for (const ParticleVertex& p : v) {
        minX = std::min(minX, p.position[0]), maxX = std::max(maxX, p.position[0]);
        minY = std::min(minY, p.position[1]), maxY = std::max(maxY, p.position[1]);
        EXPECT_FLOAT_EQ(p.position[2], 0);
        EXPECT_FLOAT_EQ(p.colour[1], 0.5f);
        EXPECT_FLOAT_EQ(p.colour[3], 0.75f);
    }
    // Size 2: half a side of 0.1 at the particle.
    EXPECT_FLOAT_EQ(minX, 0.4f);
    EXPECT_FLOAT_EQ(maxX, 0.6f);
    EXPECT_FLOAT_EQ(minY, -0.1f);
    EXPECT_FLOAT_EQ(maxY, 0.1f);
    // Turned a quarter about y, the quad turns with the camera to face it.
    const CameraData side{0, 0, -5, 0, 90, 0};
    ASSERT_EQ(objGetParticleVertices(0, &side, v, 6), 6);
    for (const ParticleVertex& p : v) EXPECT_NEAR(p.position[0], 0.5f, 1e-5);
}

}  // namespace

// Force fields, colliders and the contacts they report: what each field does
// to a particle, that no particle ends a step beyond a collider, what each
// response leaves, refusals, and seeks that stay exact with all of it.
#include <hwy/targets.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "curl_noise.h"
#include "library_test.h"
#include "particles.h"
#include "platform.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

constexpr int32_t kStep = 15;
const CameraData kCamera{0, -1, -8, 15, 0, 0};

// A square floor at height y, `half` units each way, of 2 * cells * cells
// triangles (enough for a deep hierarchy).
std::vector<float> floorAt(float y, float half, int cells = 1) {
    std::vector<float> out;
    const float step = 2 * half / float(cells);
    for (int i = 0; i < cells; ++i)
        for (int j = 0; j < cells; ++j) {
            const float x0 = -half + step * float(i), x1 = x0 + step, z0 = -half + step * float(j), z1 = z0 + step;
            const float square[18] = {x0, y, z0, x1, y, z0, x1, y, z1, x0, y, z0, x1, y, z1, x0, y, z1};
            out.insert(out.end(), square, square + 18);
        }
    return out;
}

class ForcesTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        platform::setClockSource([] { return 1000u; });
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        objSeedRandom(7);
        objSetFixedFrameTime(kStep);
    }
    void TearDown() override {
        objSetHitCallback(nullptr, nullptr);
        objPauseSimulation(false);
        objSetFixedFrameTime(-1);
        objSetWorkerThreads(0);
        LibraryTest::TearDown();
    }
    // A model of its own with one still Points particle; `configure` adjusts the record.
    template <typename Fn>
    static void emitter(Fn configure) {
        addStillEmitter(KORVID_PARTICLE_POINTS, configure);
    }
    static Emitter& current() { return *context().store->current->particles.current; }
    static std::vector<ParticleView> particles() { return liveParticles(current().data); }
    static void frames(int n) {
        for (int i = 0; i < n; ++i) objRender(&kCamera);
    }
};

ForceField field(int32_t kind, float strength) {
    ForceField f{};
    f.kind = kind;
    f.strength = strength;
    f.axis[1] = 1;
    return f;
}

Collider collider(int32_t kind, int32_t response) {
    Collider c{};
    c.kind = kind;
    c.axis[1] = 1;
    c.response = response;
    c.bounce = 0.5f;
    return c;
}

TEST_F(ForcesTest, RefusalsChangeNothingAndSayWhy) {
    const ForceField wind = field(KORVID_FIELD_WIND, 0.01f);
    EXPECT_FALSE(objSetEmitterFields(&wind, 1)) << "no current emitter";
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_FIELD_REFUSED);
    EXPECT_EQ(objGetEmitterFields(nullptr, 0), -1);
    const Collider plane = collider(KORVID_COLLIDER_PLANE, KORVID_HIT_BOUNCE);
    EXPECT_FALSE(objSetEmitterColliders(&plane, 1));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_COLLIDER_REFUSED);
    emitter([](EmitterData&) {});
    ASSERT_TRUE(objSetEmitterFields(&wind, 1));
    ASSERT_TRUE(objSetEmitterColliders(&plane, 1));

    std::vector<ForceField> many(9, wind);
    auto badField = [&](auto change) {
        ForceField f = wind;
        change(f);
        return f;
    };
    const ForceField wrongFields[] = {
        badField([](ForceField& f) { f.kind = 5; }), badField([](ForceField& f) { f.strength = NAN; }),
        badField([](ForceField& f) { f.position[2] = INFINITY; }), badField([](ForceField& f) { f.radius = -1; }),
        badField([](ForceField& f) { f.axis[1] = 0; }),
        badField([](ForceField& f) { f.kind = KORVID_FIELD_NOISE, f.frequency = -2; })};
    for (const ForceField& f : wrongFields) {
        objClearLastError();
        EXPECT_FALSE(objSetEmitterFields(&f, 1));
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_FIELD_REFUSED);
    }
    EXPECT_FALSE(objSetEmitterFields(many.data(), 9));
    EXPECT_FALSE(objSetEmitterFields(nullptr, 1));
    EXPECT_FALSE(objSetEmitterFields(&wind, -1));
    // A drag or an attractor needs no axis.
    ForceField drag = field(KORVID_FIELD_DRAG, 0.1f);
    drag.axis[1] = 0;

    auto badCollider = [&](auto change) {
        Collider c = plane;
        change(c);
        return c;
    };
    const Collider wrongColliders[] = {
        badCollider([](Collider& c) { c.kind = 4; }), badCollider([](Collider& c) { c.response = 4; }),
        badCollider([](Collider& c) { c.axis[1] = 0; }), badCollider([](Collider& c) { c.size[0] = -1; }),
        badCollider([](Collider& c) { c.bounce = 1.5f; }), badCollider([](Collider& c) { c.friction = NAN; }),
        badCollider([](Collider& c) { c.kind = KORVID_COLLIDER_MODEL, c.model = 5; }),
        badCollider([](Collider& c) { c.kind = KORVID_COLLIDER_MODEL, c.model = -1; })};
    for (const Collider& c : wrongColliders) {
        objClearLastError();
        EXPECT_FALSE(objSetEmitterColliders(&c, 1));
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_COLLIDER_REFUSED);
    }
    EXPECT_FALSE(objSetEmitterColliders(nullptr, 2));

    // Nothing changed: the first fields and colliders are still there.
    ForceField gotField{};
    ASSERT_EQ(objGetEmitterFields(&gotField, 1), 1);
    EXPECT_EQ(gotField.kind, KORVID_FIELD_WIND);
    EXPECT_FLOAT_EQ(gotField.strength, 0.01f);
    Collider gotCollider{};
    ASSERT_EQ(objGetEmitterColliders(&gotCollider, 1), 1);
    EXPECT_EQ(gotCollider.kind, KORVID_COLLIDER_PLANE);
    // Axes are taken normalised; count 0 clears.
    ForceField slanted = field(KORVID_FIELD_WIND, 1);
    slanted.axis[0] = 3, slanted.axis[1] = 4;
    ASSERT_TRUE(objSetEmitterFields(&slanted, 1));
    ASSERT_EQ(objGetEmitterFields(&gotField, 1), 1);
    EXPECT_FLOAT_EQ(gotField.axis[0], 0.6f);
    EXPECT_FLOAT_EQ(gotField.axis[1], 0.8f);
    ASSERT_TRUE(objSetEmitterFields(&drag, 1));
    ASSERT_TRUE(objSetEmitterFields(nullptr, 0));
    EXPECT_EQ(objGetEmitterFields(nullptr, 0), 0);
}

// One still particle at the origin and one step: each field changes its
// velocity the way its record says.
TEST_F(ForcesTest, EachFieldPushesTheWayItSays) {
    struct Case {
        ForceField f;
        float velocity[3];
    };
    ForceField attractor = field(KORVID_FIELD_ATTRACTOR, 0.2f);
    attractor.position[0] = 2;  // pulls toward +x
    ForceField farAttractor = attractor;
    farAttractor.radius = 1;  // out of reach
    ForceField vortex = field(KORVID_FIELD_VORTEX, 0.1f);
    vortex.position[2] = -1;  // axis up through (0, 0, -1): the origin turns toward +x
    ForceField wind = field(KORVID_FIELD_WIND, 0.05f);
    wind.axis[1] = 0, wind.axis[2] = 2;
    const Case cases[] = {{wind, {0, 0, 0.05f}},
                          {attractor, {0.2f, 0, 0}},
                          {farAttractor, {0, 0, 0}},
                          {vortex, {0.1f, 0, 0}}};
    for (const Case& c : cases) {
        objNew();
        emitter([](EmitterData&) {});
        ASSERT_TRUE(objSetEmitterFields(&c.f, 1)) << objGetLastError();
        frames(1);  // born and moved in the same step
        const auto p = particles();
        ASSERT_EQ(p.size(), 1u);
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(p[0].velocity[a], c.velocity[a], 1e-6f) << "field " << c.f.kind;
    }
    // Drag takes its share of the velocity each step.
    objNew();
    emitter([](EmitterData& e) { e.speed = 1, e.pitch = 0, e.yaw = 0; });
    const ForceField drag = field(KORVID_FIELD_DRAG, 0.25f);
    ASSERT_TRUE(objSetEmitterFields(&drag, 1));
    frames(3);
    const auto p = particles();
    ASSERT_EQ(p.size(), 1u);
    const float speed = std::sqrt(p[0].velocity[0] * p[0].velocity[0] + p[0].velocity[1] * p[0].velocity[1] +
                                  p[0].velocity[2] * p[0].velocity[2]);
    EXPECT_NEAR(speed, 0.75f * 0.75f * 0.75f, 1e-5f) << "three steps";
}

// The noise flow: no divergence (measured by central differences), smooth
// (nearby points flow alike), alive (it changes with time), and finite far away.
TEST(CurlNoise, SmoothDivergenceFreeAndEvolving) {
    const float h = 1e-2f;
    double divergence = 0, size = 0;
    int samples = 0;
    for (int i = 0; i < 200; ++i) {
        const float x = 0.37f * float(i) - 20.0f, y = 0.11f * float(i % 17) - 1, z = 0.23f * float(i % 29);
        float px[3], mx[3], py[3], my[3], pz[3], mz[3], at[3], near[3], later[3];
        curlNoise(x + h, y, z, 1.5f, px);
        curlNoise(x - h, y, z, 1.5f, mx);
        curlNoise(x, y + h, z, 1.5f, py);
        curlNoise(x, y - h, z, 1.5f, my);
        curlNoise(x, y, z + h, 1.5f, pz);
        curlNoise(x, y, z - h, 1.5f, mz);
        curlNoise(x, y, z, 1.5f, at);
        curlNoise(x + 1e-3f, y, z, 1.5f, near);
        curlNoise(x, y, z, 3.5f, later);
        const double div = (px[0] - mx[0] + py[1] - my[1] + pz[2] - mz[2]) / (2 * h);
        divergence += std::fabs(div);
        const double s = std::sqrt(double(at[0]) * at[0] + double(at[1]) * at[1] + double(at[2]) * at[2]);
        size += s;
        for (int a = 0; a < 3; ++a) EXPECT_LT(std::fabs(near[a] - at[a]), 0.05f) << "smooth at sample " << i;
        samples += std::fabs(later[0] - at[0]) + std::fabs(later[1] - at[1]) + std::fabs(later[2] - at[2]) > 1e-3f;
    }
    EXPECT_GT(size / 200, 0.2) << "a flow of some size";
    EXPECT_LT(divergence / 200, 0.01 * size / 200) << "no divergence, against the flow's size";
    EXPECT_GT(samples, 150) << "the flow changes with time";
    float far[3];
    curlNoise(1e30f, -1e30f, NAN, 1e9f, far);
    for (float v : far) EXPECT_TRUE(std::isfinite(v));
}

// The noise flow is the same to the bit on every instruction set the machine
// has (and on the scalar one), for every place in a vector.
TEST(CurlNoise, EveryInstructionSetGivesTheSameFlow) {
    constexpr int n = 999;
    std::vector<float> x(n), y(n), z(n);
    for (int i = 0; i < n; ++i) {
        x[i] = -37.0f + 0.0731f * float(i);
        y[i] = std::sin(float(i)) * 5.0f;
        z[i] = float(i % 13) * 0.37f - 2.0f;
    }
    std::vector<float> expected;
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        std::vector<float> out(3 * n);
        // An odd count, so the last points go through the padded vector.
        curlNoise(x.data(), y.data(), z.data(), n, 1.0f, 2.25f, out.data(), out.data() + n, out.data() + 2 * n);
        // A point alone flows as it does among others.
        for (int i : {0, 17, n - 1}) {
            float one[3];
            curlNoise(x[i], y[i], z[i], 2.25f, one);
            EXPECT_EQ(one[0], out[i]);
            EXPECT_EQ(one[1], out[n + i]);
            EXPECT_EQ(one[2], out[2 * n + i]);
        }
        if (expected.empty()) expected = out;
        else EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)));
    }
    hwy::SetSupportedTargetsForTest(0);
    EXPECT_GT(hwy::SupportedAndGeneratedTargets().size(), 1u) << "more than one instruction set compared";
}

// A spray aimed at each kind of collider: after every step no particle is
// beyond it, and each response leaves what it says.
TEST_F(ForcesTest, NoParticleEndsAStepBeyondACollider) {
    const float floorY = -1.0f;
    const std::vector<float> floorTriangles = floorAt(floorY, 50, 60);
    struct Case {
        Collider c;
        const char* what;
    };
    Collider plane = collider(KORVID_COLLIDER_PLANE, KORVID_HIT_BOUNCE);
    plane.position[1] = floorY;
    Collider sphere = collider(KORVID_COLLIDER_SPHERE, KORVID_HIT_BOUNCE);
    sphere.position[1] = -1.5f, sphere.size[0] = 1;
    Collider box = collider(KORVID_COLLIDER_BOX, KORVID_HIT_STICK);
    box.position[1] = -1.5f, box.size[0] = 2, box.size[1] = 0.5f, box.size[2] = 2;
    Collider model = collider(KORVID_COLLIDER_MODEL, KORVID_HIT_BOUNCE);
    model.model = 0;  // the floor
    const Case cases[] = {{plane, "plane"}, {sphere, "sphere"}, {box, "box"}, {model, "model"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        objNew();
        const MeshSurface floor{"Floor", floorTriangles.data(), int32_t(floorTriangles.size() / 9)};
        ASSERT_TRUE(objAddMesh(&floor, 1));
        emitter([](EmitterData& e) {
            e.totalParticles = 400;
            e.emitterPerCycle = 8;
            e.emitterTime = 0;
            e.life = 4000;
            e.speed = 0.05f;
            e.pitch = 1.2f, e.pitchVar = 0.6f, e.yawVar = 6.3f;
            e.force[1] = -0.004f;
        });
        ASSERT_TRUE(objSetEmitterColliders(&c.c, 1)) << objGetLastError();
        for (int step = 0; step < 150; ++step) {
            frames(1);
            for (const ParticleView& p : particles()) {
                const float* q = p.position;
                if (c.c.kind == KORVID_COLLIDER_PLANE || c.c.kind == KORVID_COLLIDER_MODEL) {
                    // Every particle starts above the floor and cannot pass it.
                    ASSERT_GE(q[1], floorY) << "step " << step;
                } else if (c.c.kind == KORVID_COLLIDER_SPHERE) {
                    const float d = std::sqrt(q[0] * q[0] + (q[1] + 1.5f) * (q[1] + 1.5f) + q[2] * q[2]);
                    ASSERT_GE(d, 1.0f) << "step " << step;
                } else {
                    const bool inside = std::fabs(q[0]) < 2 && std::fabs(q[1] + 1.5f) < 0.5f && std::fabs(q[2]) < 2;
                    ASSERT_FALSE(inside) << "step " << step;
                }
            }
        }
        EXPECT_GT(objGetHits(0), 50) << "the spray reaches it";
        EXPECT_EQ(objGetHits(-1), objGetHits(0));
        if (c.c.response == KORVID_HIT_STICK) {
            // Stuck particles stay where they stuck while their life goes on.
            std::vector<ParticleView> before;
            for (const ParticleView& p : particles())
                if (std::fabs(p.position[1] + 1.0f) < 1e-3f) before.push_back(p);
            ASSERT_GT(before.size(), 10u);
            frames(1);
            int held = 0;
            for (const ParticleView& p : particles())
                for (const ParticleView& b : before)
                    if (std::memcmp(p.position, b.position, sizeof p.position) == 0 && p.lifeLeft == b.lifeLeft - kStep)
                        ++held;
            EXPECT_GE(held, int(before.size()) - 8) << "stuck particles do not move";
        }
    }
}

// Bounce keeps its share of the speed along the normal; die and burst end
// the particle at the contact, burst setting off the burst there.
TEST_F(ForcesTest, ResponsesBounceDieAndBurstAtTheContact) {
    auto drop = [&](int32_t response, float bounce, float friction) {
        objNew();
        emitter([](EmitterData& e) {
            e.position[1] = 1;
            e.totalParticles = 10;  // room for the burst
            e.speed = 0.1f, e.pitch = -1.5707964f;  // straight down, 0.1 a step
            e.burst.count = 5;
            e.burst.life = 1000;
            e.burst.speed = 0.01f;
        });
        Collider plane = collider(KORVID_COLLIDER_PLANE, response);
        plane.bounce = bounce, plane.friction = friction;
        EXPECT_TRUE(objSetEmitterColliders(&plane, 1));
    };
    drop(KORVID_HIT_BOUNCE, 0.5f, 0);
    std::vector<ParticleHit> hits;
    objSetHitCallback([](const ParticleHit* h, void* user) { static_cast<std::vector<ParticleHit>*>(user)->push_back(*h); },
                      &hits);
    frames(12);  // born at y = 1, falling 0.1 a step: meets y = 0 at the tenth step
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].model, 0);
    EXPECT_EQ(hits[0].emitter, 0);
    EXPECT_NEAR(hits[0].position[1], 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(hits[0].normal[1], 1.0f);
    EXPECT_NEAR(hits[0].speed, 0.1f, 1e-5f);
    auto p = particles();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_GE(p[0].position[1], 0.0f);
    EXPECT_NEAR(p[0].velocity[1], 0.05f, 1e-5f) << "half the speed, upward";

    drop(KORVID_HIT_DIE, 0, 0);
    frames(12);
    EXPECT_EQ(objGetHits(0), 1);
    EXPECT_EQ(particles().size(), 0u);
    EXPECT_EQ(objGetBurstsFired(0), 0);

    drop(KORVID_HIT_BURST, 0, 0);
    frames(12);
    EXPECT_EQ(objGetBurstsFired(0), 1);
    p = particles();
    ASSERT_EQ(p.size(), 5u) << "the burst's particles";
    for (const ParticleView& b : p) EXPECT_NEAR(b.previousPosition[1], 0.0f, 0.02f) << "born at the contact";
}

// A model collider follows its model: moved, and with its triangles edited.
TEST_F(ForcesTest, ModelCollidersUseTheTrianglesWhereTheyStand) {
    const std::vector<float> floorTriangles = floorAt(0, 2);
    const MeshSurface floor{"Floor", floorTriangles.data(), 2};
    ASSERT_TRUE(objAddMesh(&floor, 1));
    const float lowered[3] = {0, -0.5f, 0};
    objSetModelPosition(lowered);
    emitter([](EmitterData& e) {
        e.position[1] = 1;
        e.speed = 0.1f, e.pitch = -1.5707964f;
    });
    Collider c = collider(KORVID_COLLIDER_MODEL, KORVID_HIT_STICK);
    c.model = 0;
    ASSERT_TRUE(objSetEmitterColliders(&c, 1));
    frames(30);
    auto p = particles();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_NEAR(p[0].position[1], -0.5f, 1e-3f) << "stuck on the moved floor";

    // The floor raised by editing its vertices: the next particle stops there.
    objSetCurrentModel(0);
    std::vector<float> raised = floorAt(0.5f, 2);
    ASSERT_TRUE(objSetSurfaceArrays(0, raised.data(), nullptr, nullptr)) << objGetLastError();
    objSetCurrentModel(1);
    objSetEmitterPtr(0);
    objRestartEmitters();
    frames(30);
    p = particles();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_NEAR(p[0].position[1], 0.0f, 1e-3f) << "0.5 up, 0.5 down";

    // Reported by the model's index now; a removed model takes no part.
    Collider got{};
    ASSERT_EQ(objGetEmitterColliders(&got, 1), 1);
    EXPECT_EQ(got.model, 0);
    ASSERT_TRUE(objRemoveModel(0));
    ASSERT_EQ(objGetEmitterColliders(&got, 1), 1);
    EXPECT_EQ(got.model, -1);
    objRestartEmitters();
    frames(30);
    p = particles();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_LT(p[0].position[1], -1.0f) << "falls through where the floor was";
}

// Everything a step leaves: counts, hits and every particle's bytes.
std::vector<unsigned char> state() {
    std::vector<unsigned char> out;
    auto put = [&out](const void* p, size_t n) {
        out.insert(out.end(), static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
    };
    for (const auto& m : context().store->models)
        for (const auto& e : m->particles.emitters) {
            put(&e->data.liveCount, sizeof e->data.liveCount);
            put(&e->burstsFired, sizeof e->burstsFired);
            put(&e->hits, sizeof e->hits);
            for (const ParticleView& v : liveParticles(e->data)) put(&v, sizeof v);
        }
    return out;
}

// Every sample with emitters, each emitter given a noise, an attractor and
// drag, and a plane, a sphere and the samples' own model as colliders:
// seeks (forward, back, without snapshots) give what plain frames give, bit
// for bit, on any number of workers, with the contacts told in the same order.
TEST_F(ForcesTest, SeeksStayExactWithFieldsAndColliders) {
    for (const char* sample : {"fountain.zob", "sparks.zob", "fireworks.zob", "smoke.zob", "campfire.zob",
                               "magic.zob"}) {
        SCOPED_TRACE(sample);
        objNew();
        ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + sample).c_str())) << objGetLastError();
        ForceField fields[3] = {field(KORVID_FIELD_NOISE, 0.004f), field(KORVID_FIELD_ATTRACTOR, 0.002f),
                                field(KORVID_FIELD_DRAG, 0.01f)};
        fields[0].frequency = 1.5f;
        fields[1].position[1] = 1.0f;
        Collider colliders[3] = {collider(KORVID_COLLIDER_PLANE, KORVID_HIT_BOUNCE),
                                 collider(KORVID_COLLIDER_SPHERE, KORVID_HIT_BURST),
                                 collider(KORVID_COLLIDER_MODEL, KORVID_HIT_BOUNCE)};
        colliders[0].position[1] = -0.2f;
        colliders[1].position[0] = 0.8f, colliders[1].position[1] = 0.8f, colliders[1].size[0] = 0.3f;
        colliders[2].model = 0;
        for (int32_t m = 0; m < objGetModelCount(); ++m) {
            objSetCurrentModel(m);
            for (int32_t k = 0; k < context().store->current->particles.count(); ++k) {
                objSetEmitterPtr(k);
                ASSERT_TRUE(objSetEmitterFields(fields, 3)) << objGetLastError();
                ASSERT_TRUE(objSetEmitterColliders(colliders, 3)) << objGetLastError();
            }
        }
        const int steps = 200;
        std::vector<std::vector<unsigned char>> expected;
        std::vector<std::vector<ParticleHit>> hitsByWorkers;
        for (int workers : {1, 2}) {
            objSetWorkerThreads(workers);
            objSeedRandom(7);
            for (int32_t m = 0; m < objGetModelCount(); ++m) {
                objSetCurrentModel(m);
                objRestartEmitters();
            }
            std::vector<ParticleHit> hits;
            objSetHitCallback(
                [](const ParticleHit* h, void* user) { static_cast<std::vector<ParticleHit>*>(user)->push_back(*h); },
                &hits);
            std::vector<std::vector<unsigned char>> states{state()};
            for (int s = 0; s < steps; ++s) {
                frames(1);
                states.push_back(state());
            }
            objSetHitCallback(nullptr, nullptr);
            if (expected.empty()) expected = states;
            else ASSERT_TRUE(states == expected) << "the same particles on " << workers << " workers";
            hitsByWorkers.push_back(hits);
        }
        int64_t contacts = 0;
        for (const auto& m : context().store->models)
            for (const auto& e : m->particles.emitters) contacts += e->hits;
        ASSERT_GT(contacts, 0) << "the colliders are met";
        ASSERT_EQ(hitsByWorkers[0].size(), hitsByWorkers[1].size());
        EXPECT_EQ(0, std::memcmp(hitsByWorkers[0].data(), hitsByWorkers[1].data(),
                                 hitsByWorkers[0].size() * sizeof(ParticleHit)))
            << "the contacts told in the same order";
        // Seeks: no contact is told, and the particles are the frames'.
        int told = 0;
        objSetHitCallback([](const ParticleHit*, void* user) { ++*static_cast<int*>(user); }, &told);
        for (int target : {150, 40, 39, 200, 120, 7}) {
            ASSERT_EQ(objSeekSimulation(target * kStep), target * kStep);
            ASSERT_TRUE(state() == expected[size_t(target)]) << "seek to step " << target;
        }
        objSetSnapshotBudget(0);
        ASSERT_EQ(objSeekSimulation(steps * kStep), steps * kStep);
        EXPECT_TRUE(state() == expected.back()) << "without snapshots";
        objSetSnapshotBudget(int64_t(256) << 20);
        EXPECT_EQ(told, 0) << "seeks tell no contacts";
        objSetHitCallback(nullptr, nullptr);
    }
}

}  // namespace

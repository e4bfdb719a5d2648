// Particle update and drawing costs.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "context.h"
#include "gl_context.h"
#include "korvid.h"
#include "particles.h"
#include "reference_cores.h"

namespace {

constexpr int kSize = 256;

korvid::Emitter& fill(int count, int type) {
    static auto* context = new korvid::support::HeadlessContext(kSize, kSize);
    (void)context;
    const WindowData w{kSize, kSize, 45};
    objInitWin(&w);
    static std::string path = [] {
        const std::string p = "/tmp/korvid-bench-holder.raw";
        FILE* f = std::fopen(p.c_str(), "w");
        std::fputs("Holder\n100 0 0 101 0 0 100 1 0\n", f);
        std::fclose(f);
        return p;
    }();
    objLoadRaw(path.c_str());
    objSetCurrentModel(0);
    EmitterData e;
    objInitEmitter(&e);
    e.particleType = type;
    e.totalParticles = count;
    e.emitterPerCycle = count;
    e.life = 1000000000;
    e.lifespanTime = 2;
    e.isLifespan = 1;
    e.speed = 0.0001f;
    e.yawVar = 3;
    e.pitchVar = 1.5f;
    e.startSize = 2;
    e.endSize = 2;
    objAddEmitter(&e);
    korvid::Emitter& live = *korvid::context().store->current->particles.emitters.front();
    korvid::simulateEmitter(live, 1);  // one batch fills the pool
    return live;
}

// The column core's step for `range(0)` living Polygons particles on
// `range(1)` workers, and its two yardsticks in the same run: the linked-list
// core it replaced and a plain scalar loop over packed records of the same
// work. Items are particles updated, so the rates compare per particle.
void Update(benchmark::State& state) {
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), 3);
    e.data.lifespanTime = 0;
    e.data.isReflected = 1;
    e.data.groundPosition = -1000;
    e.data.force[1] = -0.0001f;
    objSetWorkerThreads(static_cast<int32_t>(state.range(1)));
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    state.SetLabel(std::to_string(state.range(1)) + (state.range(1) == 1 ? " worker" : " workers"));
    objSetWorkerThreads(0);
    objNew();
}

void UpdateLinkedList(benchmark::State& state) {
    bench::LinkedCore core(static_cast<int32_t>(state.range(0)));
    const bench::StepParameters step;
    for (auto _ : state) {
        core.step(step);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * core.count());
}

void UpdatePackedLoop(benchmark::State& state) {
    bench::PackedLoop loop(static_cast<int32_t>(state.range(0)));
    const bench::StepParameters step;
    for (auto _ : state) {
        loop.step(step);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * loop.count());
}

// The update with a colour curve and a size curve over life (polygons, so
// both apply): the cost per particle against Update.
void UpdateWithCurves(benchmark::State& state) {
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), 3);
    e.data.lifespanTime = 0;
    const CurveKey colour[3] = {{0, {1, 1, 1, 1}}, {0.5f, {1, 0.5f, 0, 1}}, {1, {0.2f, 0, 0, 0}}};
    const CurveKey size[2] = {{0, {1, 0, 0, 0}}, {1, {4, 0, 0, 0}}};
    const char* why = "";
    korvid::setLifeCurve(e.curves[KORVID_CURVE_COLOUR], KORVID_CURVE_COLOUR, colour, 3, &why);
    korvid::setLifeCurve(e.curves[KORVID_CURVE_SIZE], KORVID_CURVE_SIZE, size, 2, &why);
    objSetWorkerThreads(1);
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    objSetWorkerThreads(0);
    objNew();
}

// One frame: the step and the drawing, finished.
void stepAndDraw(korvid::Emitter& e, const float camera[3]) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -3);
    glDisable(GL_CULL_FACE);
    korvid::simulateEmitter(e, 1);
    korvid::drawEmitter(e, camera);
    glFinish();
}

void UpdateAndDraw(benchmark::State& state) {
    const int type = static_cast<int>(state.range(1));
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), type);
    e.data.lifespanTime = 0;
    korvid::setBatchedPolygons(state.range(2) != 0);
    objSetWorkerThreads(static_cast<int32_t>(state.range(3)));
    const float camera[3] = {10, 20, 0};
    for (auto _ : state) stepAndDraw(e, camera);
    static const char* names[] = {"Points", "Lines", "Sparks", "Polygons"};
    state.SetLabel(std::string(names[type]) + (type == 3 ? (state.range(2) ? " batched" : " per particle") : "") + ", " +
                   std::to_string(state.range(3)) + " workers");
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    korvid::setBatchedPolygons(true);
    objSetWorkerThreads(0);
    objNew();
}

}  // namespace

const std::vector<int64_t> kCounts = {10000, 200000, 1000000};
// Force fields on top of the plain update: a curl-noise field (range 1 = 1),
// or none (0) as the yardstick in the same run; one worker, 200,000 Polygons.
void UpdateWithNoise(benchmark::State& state) {
    korvid::Emitter& e = fill(200000, 3);
    e.data.lifespanTime = 0;
    objSetWorkerThreads(1);
    ForceField noise{};
    noise.kind = KORVID_FIELD_NOISE;
    noise.strength = 0.0001f;
    noise.frequency = 2;
    objSetEmitterPtr(0);
    if (state.range(0) && !objSetEmitterFields(&noise, 1)) state.SkipWithError(objGetLastError());
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    state.SetLabel(state.range(0) ? "noise field" : "no field");
    objSetWorkerThreads(0);
    objNew();
}

// 10,000 particles raining on a 100,000-triangle model (a wavy sheet under
// them) with a model collider, one worker: a step's time, contacts included.
void CollideWithModel(benchmark::State& state) {
    korvid::Emitter& e = fill(10000, 0);
    objSetWorkerThreads(1);
    // The sheet: 224 x 224 squares of two triangles each, 4 units wide, a
    // little below the particles, as a model of its own.
    constexpr int n = 224;
    std::vector<float> triangles;
    triangles.reserve(size_t(n) * n * 18);
    auto height = [](float x, float z) { return -0.05f + 0.02f * float(((int(x * 40) + int(z * 40)) % 5)) * 0.25f; };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const float x0 = -2 + 4.0f * i / n, x1 = -2 + 4.0f * (i + 1) / n;
            const float z0 = -2 + 4.0f * j / n, z1 = -2 + 4.0f * (j + 1) / n;
            const float a[3] = {x0, height(x0, z0), z0}, b[3] = {x1, height(x1, z0), z0};
            const float c[3] = {x1, height(x1, z1), z1}, d[3] = {x0, height(x0, z1), z1};
            for (const float* p : {a, b, c, a, c, d}) triangles.insert(triangles.end(), p, p + 3);
        }
    const MeshSurface sheet{"Sheet", triangles.data(), int32_t(triangles.size() / 9)};
    objAddMesh(&sheet, 1);
    const int32_t sheetModel = objGetModelCount() - 1;
    objSetCurrentModel(0);
    objSetEmitterPtr(0);
    Collider c{};
    c.kind = KORVID_COLLIDER_MODEL;
    c.model = sheetModel;
    c.bounce = 0.6f;
    c.friction = 0.1f;
    if (!objSetEmitterColliders(&c, 1)) state.SkipWithError(objGetLastError());
    e.data.lifespanTime = 0;
    e.data.force[1] = -0.0004f;
    korvid::simulateEmitter(e, 1);  // the hierarchy is built at the first step
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    state.SetLabel(std::to_string(objGetHits(0)) + " contacts, " + std::to_string(sheet.triangleCount) + " triangles");
    objSetWorkerThreads(0);
    objNew();
}

// A frame (step, quads, draw) of 100,000 Polygons on two workers with a
// flipbook of random starts and a spread spin (range 1 = 1), and without
// them (0) as the yardstick in the same run.
void FrameWithLook(benchmark::State& state) {
    korvid::Emitter& e = fill(100000, 3);
    e.data.lifespanTime = 0;
    objSetWorkerThreads(2);
    objSetEmitterPtr(0);
    if (state.range(0)) {
        const Flipbook flipbook{4, 4, 16, 24, 0, 1, 0};
        const ParticleSpin spin{0.2f, 3.0f, 1.0f, 0.5f, 0, 0};
        if (!objSetEmitterFlipbook(&flipbook) || !objSetEmitterSpin(&spin)) state.SkipWithError(objGetLastError());
    }
    const float camera[3] = {10, 20, 0};
    for (auto _ : state) stepAndDraw(e, camera);
    state.SetLabel(state.range(0) ? "flipbook and spin" : "plain quads");
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    objSetWorkerThreads(0);
    objNew();
}

// 10,000 moving Points with trails of 101 points each (full rings), two
// workers: a step and the drawing of particles and trails.
void FrameWithTrails(benchmark::State& state) {
    korvid::Emitter& e = fill(10000, 0);
    e.data.lifespanTime = 0;
    e.data.speed = 0.001f;
    objSetWorkerThreads(2);
    objSetEmitterPtr(0);
    const Trail trail{1, 1485, 0, 0.01f, 0, 0};
    if (!objSetEmitterTrail(&trail)) state.SkipWithError(objGetLastError());
    // Spread through the view, each moving its own way, so the trails cover
    // the picture as an effect's would rather than piling onto a few lines.
    auto spread = [](int32_t i, int axis) {
        const uint32_t h = uint32_t(i) * 2654435761u + uint32_t(axis) * 40503u;
        return float((h >> 8) & 0xffff) / 65535.0f * 2.0f - 1.0f;
    };
    korvid::ParticleStore& store = *e.store;
    for (int a = 0; a < 3; ++a)
        for (int32_t i = 0; i < store.count(); ++i) {
            for (int age = 0; age < korvid::kHistory; ++age) store.position(age, a)[i] = spread(i, a);
            store.column(korvid::kVelocity + a)[i] = 0.0004f * spread(i, a + 3);
        }
    store.setTrailPoints(0);
    store.setTrailPoints(korvid::trailPoints(trail));
    for (int i = 0; i < 1500; ++i) korvid::simulateEmitter(e, 1);  // every ring full
    const float camera[3] = {10, 20, 0};
    for (auto _ : state) {
        if (state.range(0)) {
            stepAndDraw(e, camera);
            continue;
        }
        korvid::simulateEmitter(e, 1);
    }
    state.SetLabel(std::to_string(e.store->integers(korvid::kTrailUsed)[0]) + " points a trail" +
                   (state.range(0) ? "" : ", not drawn"));
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    objSetWorkerThreads(0);
    objNew();
}

// Back-to-front order of 100,000 particles: their depths and the stable sort.
void SortBackToFront(benchmark::State& state) {
    korvid::Emitter& e = fill(int(state.range(0)), 3);
    for (int i = 0; i < 20; ++i) korvid::simulateEmitter(e, 100);  // spread out
    const korvid::ParticleStore& s = *e.store;
    const float towards[3] = {0.3f, 0.5f, 0.81f};
    std::vector<float> depth(size_t(s.count()));
    std::vector<uint32_t> order, scratch;
    for (auto _ : state) {
        const float *x = s.position(0, 0), *y = s.position(0, 1), *z = s.position(0, 2);
        for (int32_t n = 0; n < s.count(); ++n) {
            const int32_t i = s.count() - 1 - n;
            depth[size_t(n)] = x[i] * towards[0] + y[i] * towards[1] + z[i] * towards[2];
        }
        korvid::backToFront(depth.data(), s.count(), order, scratch);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * s.count());
    objNew();
}

BENCHMARK(Update)->ArgsProduct({kCounts, {1, 2}});
BENCHMARK(UpdateLinkedList)->ArgsProduct({kCounts});
BENCHMARK(UpdatePackedLoop)->ArgsProduct({kCounts});
BENCHMARK(UpdateWithCurves)->Arg(100000)->Arg(200000);
BENCHMARK(UpdateWithNoise)->Arg(0)->Arg(1);
BENCHMARK(CollideWithModel)->Unit(benchmark::kMillisecond);
BENCHMARK(FrameWithLook)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(FrameWithTrails)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SortBackToFront)->Arg(100000)->Unit(benchmark::kMillisecond);
// Frames: the step, the quads built and the draw. Polygons at 100,000
// particles is the yardstick for the frame cost.
BENCHMARK(UpdateAndDraw)
    ->ArgsProduct({{10000, 100000}, {0, 1, 2}, {1}, {1}})
    ->Args({10000, 3, 0, 1})
    ->Args({10000, 3, 1, 1})
    ->Args({100000, 3, 0, 1})
    ->Args({100000, 3, 1, 1})
    ->Args({100000, 3, 1, 2})
    ->Unit(benchmark::kMillisecond);

// Particle update and drawing costs.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "context.h"
#include "gl_context.h"
#include "korvid.h"
#include "particles.h"

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

void UpdateLinkedPool(benchmark::State& state) {
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), 0);
    e.data.lifespanTime = 0;
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    objNew();
}

// Polygons without curves: the reference for the update with curves.
void UpdatePolygonPool(benchmark::State& state) {
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), 3);
    e.data.lifespanTime = 0;
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    objNew();
}

// The same update with a colour curve and a size curve over life (polygons,
// so both apply): the cost per particle against UpdatePolygonPool.
void UpdateLinkedPoolWithCurves(benchmark::State& state) {
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), 3);
    e.data.lifespanTime = 0;
    const CurveKey colour[3] = {{0, {1, 1, 1, 1}}, {0.5f, {1, 0.5f, 0, 1}}, {1, {0.2f, 0, 0, 0}}};
    const CurveKey size[2] = {{0, {1, 0, 0, 0}}, {1, {4, 0, 0, 0}}};
    const char* why = "";
    korvid::setLifeCurve(e.curves[KORVID_CURVE_COLOUR], KORVID_CURVE_COLOUR, colour, 3, &why);
    korvid::setLifeCurve(e.curves[KORVID_CURVE_SIZE], KORVID_CURVE_SIZE, size, 2, &why);
    for (auto _ : state) korvid::simulateEmitter(e, 1);
    state.SetItemsProcessed(int64_t(state.iterations()) * e.data.liveCount);
    objNew();
}

// The same arithmetic over a flat array of the same records, as a floor.
void UpdateFlatArray(benchmark::State& state) {
    std::vector<Particle> flat(static_cast<size_t>(state.range(0)));
    for (Particle& p : flat) {
        std::memset(&p, 0, sizeof p);
        p.lifeLeft = 1000000000;
        p.velocity[1] = 0.001f;
    }
    const float force[3] = {0, -0.0001f, 0};
    for (auto _ : state) {
        for (Particle& p : flat) {
            if (p.lifeLeft > 0) {
                std::memcpy(p.olderPosition, p.previousPosition, sizeof p.olderPosition);
                std::memcpy(p.previousPosition, p.position, sizeof p.previousPosition);
                for (int i = 0; i < 3; ++i) p.position[i] += p.velocity[i];
                for (int i = 0; i < 3; ++i) p.velocity[i] += force[i];
                for (int i = 0; i < 4; ++i) p.color[i] += 1.0f * p.colorStep[i];
                p.lifeLeft -= 1;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(flat.size()));
}

void UpdateAndDraw(benchmark::State& state) {
    const int type = static_cast<int>(state.range(1));
    korvid::Emitter& e = fill(static_cast<int>(state.range(0)), type);
    e.data.lifespanTime = 0;
    korvid::setBatchedPolygons(state.range(2) != 0);
    const float camera[3] = {10, 20, 0};
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -3);
        glDisable(GL_CULL_FACE);
        korvid::simulateEmitter(e, 1);
        korvid::drawEmitter(e.data, camera);
        glFinish();
    }
    static const char* names[] = {"Points", "Lines", "Sparks", "Polygons"};
    state.SetLabel(std::string(names[type]) + (type == 3 ? (state.range(2) ? " batched" : " per particle") : ""));
    korvid::setBatchedPolygons(true);
    objNew();
}

}  // namespace

BENCHMARK(UpdateLinkedPool)->Arg(100000);
BENCHMARK(UpdatePolygonPool)->Arg(100000);
BENCHMARK(UpdateLinkedPoolWithCurves)->Arg(100000);
BENCHMARK(UpdateFlatArray)->Arg(100000);
BENCHMARK(UpdateAndDraw)
    ->ArgsProduct({{10000, 100000}, {0, 1, 2}, {1}})
    ->Args({10000, 3, 0})
    ->Args({10000, 3, 1})
    ->Args({100000, 3, 0})
    ->Args({100000, 3, 1})
    ->Unit(benchmark::kMillisecond);

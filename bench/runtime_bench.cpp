// Korvid in a game: what instances cost against one effect, and what a
// process started without OpenGL pays per particle against one with a window.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "gl_context.h"
#include "korvid.h"

namespace {

constexpr int kSize = 256;

// The window's context, made once and only by the benchmarks that want one,
// so the headless runs before them run in a process without any.
void startWithWindow() {
    static auto* context = new korvid::support::HeadlessContext(kSize, kSize);
    (void)context;
    const WindowData w{kSize, kSize, 45};
    objInitWin(&w);
}

int64_t liveEverywhere(const std::vector<KorvidInstance>& instances) {
    int64_t live = objGetSceneLiveParticles();
    for (KorvidInstance i : instances) live += objGetInstanceParticles(i);
    return live;
}

// A step of game time of fireworks and `range(0)` instances of it, placed in
// a grid; items are live particles, so 1 and 100 instances compare per particle.
void InstancesOfFireworks(benchmark::State& state) {
    startWithWindow();
    objSetFixedFrameTime(15);
    objLoadZOB(KORVID_SAMPLES "/fireworks.zob");
    std::vector<KorvidInstance> instances;
    for (int64_t k = 0; k < state.range(0); ++k) {
        instances.push_back(objCreateInstance(0));
        const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(k % 10) * 4, 0, float(k / 10) * -4, 1};
        objSetInstanceTransform(instances.back(), m);
    }
    objSeedRandom(5);
    objAdvance(3000);  // into the steady show
    int64_t items = 0;
    for (auto _ : state) {
        state.PauseTiming();
        items += liveEverywhere(instances);
        state.ResumeTiming();
        objAdvance(15);
    }
    state.SetItemsProcessed(items);
    state.SetLabel(std::to_string(state.range(0)) + (state.range(0) == 1 ? " instance" : " instances"));
    objNew();
    objSetFixedFrameTime(-1);
}

// A million Polygons particles stepped on the game's clock, the library
// started headless (range 1) or with a window (0).
void MillionParticles(benchmark::State& state) {
    if (state.range(0)) objStartHeadless();
    else startWithWindow();
    objAddMesh(nullptr, 0);
    EmitterData e;
    objInitEmitter(&e);
    e.particleType = KORVID_PARTICLE_POLYGONS;
    e.totalParticles = 1000000;
    e.emitterPerCycle = 1000000;
    e.life = 1000000000;
    e.lifespanTime = 20;  // one step of emission, then none
    e.isLifespan = 1;
    e.speed = 0.0001f;
    e.yawVar = 3;
    e.pitchVar = 1.5f;
    objAddEmitter(&e);
    objAdvance(15);  // one batch fills the pool
    for (auto _ : state) objAdvance(15);
    state.SetItemsProcessed(int64_t(state.iterations()) * objGetSceneLiveParticles());
    state.SetLabel(state.range(0) ? "headless" : "with a window");
    objNew();
}

}  // namespace

BENCHMARK(MillionParticles)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(InstancesOfFireworks)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

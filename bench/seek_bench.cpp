// Seeking the simulation: 10 s of each sample, one step back, and a
// 1,000,000-particle effect, with snapshots and without. The reference in the
// same run is the plain loop: a restart and the same steps one by one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "context.h"
#include "gl_context.h"
#include "korvid.h"
#include "particles.h"
#include "timeline.h"

namespace {

constexpr int kSize = 64;
const char* const kSamples[] = {"showcase.zob", "fountain.zob", "sparks.zob", "fireworks.zob", "smoke.zob"};

void start() {
    static auto* context = new korvid::support::HeadlessContext(kSize, kSize);
    (void)context;
    const WindowData w{kSize, kSize, 45};
    objInitWin(&w);
    objSeedRandom(5);
    objSetFixedFrameTime(15);
}

void loadSample(int index) {
    start();
    objLoadZOB((std::string(KORVID_SAMPLES) + "/" + kSamples[index]).c_str());
}

// One emitter of a million particles that all live for the whole effect.
void loadMillion() {
    start();
    const std::string path = "/tmp/korvid-seek-bench.raw";
    if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs("Holder\n100 0 0 101 0 0 100 1 0\n", f);
        std::fclose(f);
    }
    objLoadRaw(path.c_str());
    objSetCurrentModel(0);
    EmitterData e;
    objInitEmitter(&e);
    e.totalParticles = 1000000;
    e.emitterPerCycle = 20000;
    e.emitterTime = 15;
    e.life = 100000;
    e.isLifespan = 0;
    e.lifespanTime = 1;  // above 0: the emitter emits (and with isLifespan 0 never stops)
    e.speed = 0.001f;
    e.yawVar = 3;
    e.pitchVar = 1.5f;
    if (objAddEmitter(&e) == 0) std::fprintf(stderr, "seek_bench: %s\n", objGetLastError());
}

void label(benchmark::State& state, const char* what) {
    state.SetLabel(std::string(what) + " " + kSamples[state.range(0)]);
}

// The reference: restart and 667 plain steps (10 s), as a seek without snapshots does.
void PlainLoopTenSeconds(benchmark::State& state) {
    loadSample(static_cast<int>(state.range(0)));
    auto& store = *korvid::context().store;
    for (auto _ : state) {
        for (const auto& m : store.models) korvid::restartEmitters(m->particles);
        for (int i = 0; i < 10000 / 15; ++i)
            for (const auto& m : store.models) korvid::simulateParticleSystem(m->particles, 15);
    }
    label(state, "plain loop");
    objNew();
}

void SeekTenSeconds(benchmark::State& state) {
    loadSample(static_cast<int>(state.range(0)));
    objSetSnapshotBudget(state.range(1) ? int64_t(256) << 20 : 0);
    objSeekSimulation(10000);  // the first seek keeps the snapshots the next ones use
    for (auto _ : state) {
        objSeekSimulation(0);
        benchmark::DoNotOptimize(objSeekSimulation(10000));
    }
    label(state, state.range(1) ? "seek (snapshots)" : "seek (none)");
    objSetSnapshotBudget(int64_t(256) << 20);
    objNew();
}

void StepBack(benchmark::State& state) {
    loadSample(static_cast<int>(state.range(0)));
    objSeekSimulation(5010);
    for (auto _ : state) {
        state.PauseTiming();
        objSeekSimulation(5010);
        state.ResumeTiming();
        benchmark::DoNotOptimize(objSeekSimulation(4995));
    }
    label(state, "one step back");
    objNew();
}

// The million-particle effect: one interval of steps is the yardstick for a
// step back, and a seek to 2 s with and without snapshots.
void MillionIntervalOfSteps(benchmark::State& state) {
    loadMillion();
    objSeekSimulation(2000);
    auto& store = *korvid::context().store;
    for (auto _ : state)
        for (int i = 0; i < korvid::kSnapshotInterval; ++i)
            for (const auto& m : store.models) korvid::simulateParticleSystem(m->particles, 15);
    state.SetLabel("32 plain steps, " + std::to_string(objGetSceneLiveParticles()) + " particles");
    objNew();
}

void MillionStepBack(benchmark::State& state) {
    loadMillion();
    objSetSnapshotBudget(state.range(0) ? int64_t(256) << 20 : 0);
    objSeekSimulation(2010);
    for (auto _ : state) {
        state.PauseTiming();
        objSeekSimulation(2010);
        state.ResumeTiming();
        benchmark::DoNotOptimize(objSeekSimulation(1995));
    }
    state.SetLabel(state.range(0) ? "one step back (snapshots)" : "one step back (none)");
    objSetSnapshotBudget(int64_t(256) << 20);
    objNew();
}

}  // namespace

BENCHMARK(PlainLoopTenSeconds)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(SeekTenSeconds)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(StepBack)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(MillionIntervalOfSteps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MillionStepBack)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

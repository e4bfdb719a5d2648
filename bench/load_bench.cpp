// Loading entities with many emitters: the cost of one emitter must not grow
// with their number (items per second stay level from 10,000 to 40,000).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "gl_context.h"
#include "korvid.h"

namespace {

korvid::support::HeadlessContext& gl() {
    static auto* context = [] {
        auto* c = new korvid::support::HeadlessContext(64, 64);
        const WindowData w{64, 64, 45};
        objInitWin(&w);
        return c;
    }();
    return *context;
}

// A one-triangle model with `count` small emitters, saved once.
std::string manyEmitters(int count) {
    const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    const auto path = folder / ("korvid-bench-emitters-" + std::to_string(count) + ".zob");
    if (!std::filesystem::exists(path)) {
        objNew();
        static const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        const MeshSurface surface{"Tri", triangle, 1};
        objAddMesh(&surface, 1);
        EmitterData e;
        objInitEmitter(&e);
        e.totalParticles = 1;
        e.emitterPerCycle = 1;
        for (int i = 0; i < count; ++i) objAddEmitter(&e);
        objSaveZOB(path.c_str());
        objNew();
    }
    return path.string();
}

void LoadManyEmitters(benchmark::State& state) {
    gl();
    const int count = static_cast<int>(state.range(0));
    const std::string path = manyEmitters(count);
    for (auto _ : state) {
        objNew();
        if (!objLoadZOB(path.c_str())) state.SkipWithError(objGetLastError());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(LoadManyEmitters)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace

// RAW parsing against a plain fgets + sscanf reader over the same file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gl_context.h"
#include "korvid.h"

namespace {

std::string generated(int triangles) {
    // In memory when possible, so that the page cache's moods do not enter the figures.
    const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    const auto path = folder / ("korvid-bench-" + std::to_string(triangles) + ".raw");
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path);
        char line[200];
        for (int t = 0; t < triangles; ++t) {
            if (t % (triangles / 10) == 0) out << "Group" << t / (triangles / 10) << "\n";
            const float x = t * 0.001f;
            std::snprintf(line, sizeof line, "%f %f %f  %f %f %f  %f %f %f\n", x, 1.25f, -x, x + 0.5f, 2.5f, -x,
                          x, 3.75f, x * 0.5f);
            out << line;
        }
    }
    return path.string();
}

korvid::support::HeadlessContext& gl() {
    static auto* context = [] {
        auto* c = new korvid::support::HeadlessContext(64, 64);
        const WindowData w{64, 64, 45};
        objInitWin(&w);
        return c;
    }();
    return *context;
}

// Reads the triangles the simple way: one fgets and one sscanf per line.
size_t referenceRead(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    char line[256];
    std::vector<float> v;
    while (std::fgets(line, sizeof line, f)) {
        float t[9];
        if (std::sscanf(line, "%f %f %f  %f %f %f  %f %f %f", t, t + 1, t + 2, t + 3, t + 4, t + 5, t + 6, t + 7,
                        t + 8) == 9)
            v.insert(v.end(), t, t + 9);
    }
    std::fclose(f);
    return v.size();
}

void LoadRaw(benchmark::State& state) {
    gl();
    const std::string path = generated(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        objLoadRaw(path.c_str());
        state.PauseTiming();
        objNew();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(path)));
}

void FgetsSscanf(benchmark::State& state) {
    const std::string path = generated(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(referenceRead(path));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(path)));
}

}  // namespace

BENCHMARK(LoadRaw)->Arg(100000)->Arg(200000)->Arg(400000)->Arg(800000)->Unit(benchmark::kMillisecond);
BENCHMARK(FgetsSscanf)->Arg(200000)->Unit(benchmark::kMillisecond);

// Smoothing: the hashed version against the direct quadratic one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "normals.h"

namespace {

// A closed grid surface (a bumpy sheet) of about `vertices` vertices, every
// inner position shared by six triangle corners.
struct Sheet {
    std::vector<float> v, faces, normals;
    explicit Sheet(int vertices) {
        const int side = static_cast<int>(std::sqrt(vertices / 6.0)) + 1;
        auto at = [&](int i, int j, float* p) {
            p[0] = static_cast<float>(i);
            p[1] = std::sin(i * 0.3f) * std::cos(j * 0.2f);
            p[2] = static_cast<float>(j);
        };
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j) {
                float a[3], b[3], c[3], d[3];
                at(i, j, a);
                at(i + 1, j, b);
                at(i + 1, j + 1, c);
                at(i, j + 1, d);
                for (const float* p : {a, c, b, a, d, c}) v.insert(v.end(), p, p + 3);
            }
        faces.resize(v.size() / 3);
        normals.resize(v.size());
        korvid::computeFaceNormals(v.data(), static_cast<int64_t>(v.size()), faces.data());
    }
};

// A fan of `triangles` triangles around one centre (flat, or a shallow cone),
// every triangle sharing the centre: one position with `triangles` corners.
struct Fan {
    std::vector<float> v, faces, normals;
    Fan(int triangles, float height) {
        for (int k = 0; k < triangles; ++k) {
            const float a0 = 6.2831853f * k / triangles, a1 = 6.2831853f * (k + 1) / triangles;
            for (float f : {0.0f, height, 0.0f, std::cos(a0), 0.0f, std::sin(a0), std::cos(a1), 0.0f, std::sin(a1)})
                v.push_back(f);
        }
        faces.resize(v.size() / 3);
        normals.resize(v.size());
        korvid::computeFaceNormals(v.data(), static_cast<int64_t>(v.size()), faces.data());
    }
};

void FanHashed(benchmark::State& state) {
    Fan fan(static_cast<int>(state.range(0)), state.range(1) / 100.0f);
    for (auto _ : state)
        korvid::smoothNormals(fan.v.data(), int64_t(fan.v.size()), fan.faces.data(), fan.normals.data(), 30);
    state.counters["triangles"] = double(state.range(0));
}

void FanReference(benchmark::State& state) {
    Fan fan(static_cast<int>(state.range(0)), state.range(1) / 100.0f);
    for (auto _ : state)
        korvid::smoothNormalsReference(fan.v.data(), int64_t(fan.v.size()), fan.faces.data(), fan.normals.data(), 30);
    state.counters["triangles"] = double(state.range(0));
}

void Hashed(benchmark::State& state) {
    Sheet sheet(static_cast<int>(state.range(0)));
    for (auto _ : state)
        korvid::smoothNormals(sheet.v.data(), int64_t(sheet.v.size()), sheet.faces.data(), sheet.normals.data(), 30);
    state.counters["vertices"] = double(sheet.v.size() / 3);
}

void Reference(benchmark::State& state) {
    Sheet sheet(static_cast<int>(state.range(0)));
    for (auto _ : state)
        korvid::smoothNormalsReference(sheet.v.data(), int64_t(sheet.v.size()), sheet.faces.data(),
                                       sheet.normals.data(), 30);
    state.counters["vertices"] = double(sheet.v.size() / 3);
}

}  // namespace

BENCHMARK(Hashed)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
// The fan: flat (height 0) and a shallow cone (height 0.1), 10k and 80k triangles.
BENCHMARK(FanHashed)->Args({10000, 0})->Args({80000, 0})->Args({80000, 10})->Unit(benchmark::kMillisecond);
BENCHMARK(FanReference)->Args({10000, 0})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Reference)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);

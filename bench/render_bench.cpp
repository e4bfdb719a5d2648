// objRender of a large lit model: cached display lists against direct drawing,
// and the first picture of a freshly loaded model.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "gl_context.h"
#include "korvid.h"
#include "renderer.h"

namespace {

constexpr int kSize = 256;

void setUp(bool smooth) {
    static auto* context = new korvid::support::HeadlessContext(kSize, kSize);
    (void)context;
    const WindowData w{kSize, kSize, 45};
    objInitWin(&w);
    const auto path = std::filesystem::temp_directory_path() / "korvid-bench-render.raw";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path);
        out << "Sheet\n";
        const int side = 224;  // 2 x 224 x 224 = 100,352 triangles
        char line[200];
        auto y = [](int i, int j) { return 0.2f * std::sin(i * 0.1f) * std::cos(j * 0.1f); };
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j) {
                const float x0 = -2 + 4.0f * i / side, x1 = -2 + 4.0f * (i + 1) / side;
                const float z0 = -2 + 4.0f * j / side, z1 = -2 + 4.0f * (j + 1) / side;
                std::snprintf(line, sizeof line, "%f %f %f %f %f %f %f %f %f\n", x0, y(i, j), z0, x1, y(i + 1, j + 1),
                              z1, x1, y(i + 1, j), z0);
                out << line;
                std::snprintf(line, sizeof line, "%f %f %f %f %f %f %f %f %f\n", x0, y(i, j), z0, x0, y(i, j + 1), z1,
                              x1, y(i + 1, j + 1), z1);
                out << line;
            }
    }
    objLoadRaw(path.c_str());
    objSetCurrentModel(0);
    if (smooth) {
        SurfaceData s{};
        objGetSurfaceData(&s, 0);
        s.smooth = 1;
        objSetSurfaceData(&s, 0);
        objSetSmoothSurface(0, 60);
    }
}

void Render(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    const bool lists = state.range(1) != 0;
    setUp(smooth);
    korvid::setDisplayListCache(lists);
    const CameraData camera{0, 0, -6, 30, 20, 0};
    objRender(&camera);
    objRender(&camera);  // the list is built at the second frame
    glFinish();
    for (auto _ : state) {
        objRender(&camera);
        glFinish();
    }
    state.SetLabel(std::string(smooth ? "smooth" : "flat") + (lists ? ", display list" : ", direct"));
    objNew();
}

// One picture of a freshly loaded model, as korvid-render makes it: reading
// the RAW file, then the first frame. Arguments: the list built at the first
// frame (1) or deferred to the second (0); flat faces sent one call a vertex
// (0) or as vertex arrays (1). {1, 0} is how frames were drawn before, {0, 1}
// how they are drawn now.
void FirstPicture(benchmark::State& state) {
    const bool compileFirst = state.range(0) != 0;
    const bool arrays = state.range(1) != 0;
    setUp(false);
    const auto path = std::filesystem::temp_directory_path() / "korvid-bench-render.raw";
    korvid::setDeferredCompile(!compileFirst);
    korvid::setFlatVertexArrays(arrays);
    const CameraData camera{0, 0, -6, 30, 20, 0};
    for (auto _ : state) {
        state.PauseTiming();
        objNew();
        state.ResumeTiming();
        objLoadRaw(path.c_str());
        objSetCurrentModel(0);
        objRender(&camera);
        glFinish();
    }
    state.SetLabel(std::string(compileFirst ? "list at the first frame" : "list deferred") +
                   (arrays ? ", vertex arrays" : ", a call a vertex"));
    korvid::setDeferredCompile(true);
    korvid::setFlatVertexArrays(true);
    objNew();
}

}  // namespace

BENCHMARK(Render)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(FirstPicture)->Args({1, 0})->Args({0, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

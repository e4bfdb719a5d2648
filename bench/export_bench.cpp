// Exporting an effect: frames per second of fireworks at 640x480 to PNG,
// WebP, GIF and MP4, opaque and with a transparent background (a second
// render per frame). The reference in the same run is rendering alone; the
// encoding runs on workers while frames render, as in korvid-render.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstring>
#include <algorithm>
#include <string>
#include <thread>

#include "alpha_bake.h"
#include "frame_capture.h"
#include "animation_writer.h"
#include "frame_queue.h"
#include "gl_context.h"
#include "korvid.h"
#include "malloc_tuning.h"
#include "png_io.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kFrames = 30;
const char* const kFormats[] = {"none", "png", "webp", "gif", "mp4"};

korvid::support::Image frameAt(int ms, bool transparent) {
    korvid::media::CaptureLook look;
    look.width = kWidth;
    look.height = kHeight;
    look.transparent = transparent;
    return korvid::media::captureMoment(CameraData{0, -1, -6, 10, 0, 0}, ms, look);
}

void Export(benchmark::State& state) {
    static auto* context = new korvid::support::HeadlessContext(kWidth, kHeight);
    (void)context;
    const WindowData w{kWidth, kHeight, 45};
    objInitWin(&w);
    objSeedRandom(5);
    objSetFixedFrameTime(15);
    objLoadZOB((std::string(KORVID_SAMPLES) + "/fireworks.zob").c_str());
    const std::string format = kFormats[state.range(0)];
    const bool transparent = state.range(1) != 0;
    // As korvid-render does it: frames are encoded on workers while the next
    // ones render (PNG files on every core, an animation on one).
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // The first frames of a run pay for shader compiling and texture uploads:
    // render a round untimed so every format is timed warm.
    for (int f = 1; f <= kFrames; ++f) frameAt(f * 15, transparent);
    for (auto _ : state) {
        std::unique_ptr<korvid::media::AnimationWriter> writer;
        if (format != "none" && format != "png")
            writer = korvid::media::openAnimation("/tmp/korvid-export-bench." + format, kWidth, kHeight, {}, nullptr);
        korvid::media::FrameQueue queue(
            [&](const korvid::support::Image& frame, int f, std::string* error) {
                if (format == "png")
                    return korvid::support::writePng("/tmp/korvid-export-bench-" + std::to_string(f) + ".png", frame, error);
                return writer ? writer->add(frame, error) : true;
            },
            format == "png" ? cores : 1);
        for (int f = 1; f <= kFrames; ++f) queue.push(frameAt(f * 15, transparent), f);
        queue.close();
        if (writer) writer->finish(nullptr);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
    state.SetLabel(format + (transparent ? " transparent" : " opaque") + " (items: frames)");
    objPauseSimulation(false);
    objNew();
}

}  // namespace

BENCHMARK(Export)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

int main(int argc, char** argv) {
    korvid::support::tuneMallocForLargeData(argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

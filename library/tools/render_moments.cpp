#include "render_moments.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "animation_writer.h"
#include "frame_capture.h"
#include "frame_list.h"
#include "frame_queue.h"
#include "sprite_sheet.h"
#include "png_io.h"
#include "render_stop.h"

using korvid::support::Image;

namespace {

// The moment `ms` drawn once, or over black and over white for its coverage.
Image moment(const MomentOptions& o, const CameraData& camera, int ms) {
    korvid::media::CaptureLook look;
    look.width = o.width;
    look.height = o.height;
    look.transparent = o.transparent;
    look.alpha = o.alpha;
    return korvid::media::captureMoment(camera, ms, look);
}

bool write(const std::string& path, const Image& image) {
    std::string error;
    if (korvid::support::writePng(path, image, &error)) return true;
    std::fprintf(stderr, "korvid-render: %s: %s\n", path.c_str(), error.c_str());
    return false;
}

int frameFiles(const MomentOptions& o, const CameraData& camera) {
    // Each file is its own: the PNG encoding of finished frames runs on every
    // core while the next frames render.
    const int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    korvid::media::FrameQueue queue(
        [&o](const Image& frame, int f, std::string* error) {
            std::string path;
            if (!korvid::media::expandFramePattern(o.output, f, &path, error)) return false;
            if (korvid::support::writePng(path, frame, error)) return true;
            *error = path + ": " + *error;
            return false;
        },
        workers);
    bool ok = true;
    for (const int f : o.frames) {
        Image frame = moment(o, camera, f * o.stepMs);
        if (stopRequested() || !(ok = queue.push(std::move(frame), f))) break;  // a stopped seek's frame is not written
    }
    ok = queue.close() && ok;
    if (!ok) std::fprintf(stderr, "korvid-render: %s\n", queue.error().c_str());
    if (stopRequested()) return 1;
    return ok ? 0 : 1;
}

int spriteSheet(const MomentOptions& o, const CameraData& camera) {
    const int count = o.cols * o.rows;
    const std::vector<int> times = korvid::media::sheetMoments(o.from, o.to, count, o.stepMs);
    std::vector<Image> frames;
    // The pivot: where the first emitter of the effect sits in a frame.
    EmitterData origin{};
    const bool hasEmitter = objSetEmitterPtr(0) == 1 && objGetEmitter(&origin) != 0;
    float pivot[2] = {0, 0};
    bool pivotFound = false;
    for (const int t : times) {
        frames.push_back(moment(o, camera, t));
        if (!pivotFound && hasEmitter) pivotFound = korvid::media::pictureSpot(origin.position, o.width, o.height, pivot);
        if (stopRequested()) return 1;
    }
    const auto sheet = korvid::media::layOutSheet(frames, o.cols, o.rows, o.fit);
    if (!write(o.output, sheet.image)) return 1;
    const size_t slash = o.output.rfind('/');
    const std::string name = o.output.substr(slash == std::string::npos ? 0 : slash + 1);
    const char* alpha = !o.transparent ? "none" : o.alpha == korvid::media::AlphaMode::Straight ? "straight" : "premultiplied";
    const std::string json = korvid::media::descriptionPathFor(o.output);
    const std::string text = korvid::media::describeSheet(sheet, name, o.cols, o.rows, times, alpha, pivotFound ? pivot : nullptr);
    FILE* f = std::fopen(json.c_str(), "w");
    const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fclose(f) == 0;
    if (!ok) std::fprintf(stderr, "korvid-render: %s: cannot write the description\n", json.c_str());
    return ok ? 0 : 1;
}

int animation(const MomentOptions& o, const CameraData& camera) {
    korvid::media::AnimationOptions options;
    options.frameMs = o.stepMs;
    options.lossless = o.lossless;
    options.quality = o.quality;
    std::string error;
    auto writer = korvid::media::openAnimation(o.output, o.width, o.height, options, &error);
    if (!writer) {
        std::fprintf(stderr, "korvid-render: %s: %s\n", o.output.c_str(), error.c_str());
        return 1;
    }
    bool ok = true;
    {
        // One worker: the encoder takes the frames in turn, while the next renders.
        korvid::media::FrameQueue queue(
            [&writer](const Image& frame, int, std::string* why) { return writer->add(frame, why); }, 1);
        for (const int f : o.frames) {
            Image frame = moment(o, camera, f * o.stepMs);
            if (!(ok = !stopRequested() && queue.push(std::move(frame), f))) break;
        }
        ok = queue.close() && ok;
        if (!ok) error = stopRequested() ? "stopped by a signal" : queue.error();
    }
    if (ok && !writer->finish(&error)) ok = false;
    if (!ok) {
        std::fprintf(stderr, "korvid-render: %s: %s\n", o.output.c_str(), error.c_str());
        std::remove(o.output.c_str());  // no half-written animation is left behind
        return 1;
    }
    return 0;
}

}  // namespace

bool isAnimationName(const std::string& path) {
    korvid::media::AnimationFormat format;
    return korvid::media::animationFormatFor(path, &format);
}

int renderMoments(const MomentOptions& o, const CameraData& camera) {
    if (o.cols > 0) return spriteSheet(o, camera);
    if (isAnimationName(o.output)) return animation(o, camera);
    return frameFiles(o, camera);
}

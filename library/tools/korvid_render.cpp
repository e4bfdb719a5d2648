// korvid-render: renders an entity to a PNG file without a window.
//
// The frame clock and the random generator are driven by hand, so the same
// command always gives the same picture.
#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <new>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_context.h"
#include "korvid.h"
#include "mesh_import.h"
#include "png_io.h"
#include "alpha_bake.h"
#include "frame_list.h"
#include "frame_capture.h"
#include "render_moments.h"
#include "render_stop.h"
#include "framing.h"
#include "malloc_tuning.h"

namespace {

const char* kHelp =
    "Usage: korvid-render FILE.zob|FILE.raw|MODEL -o OUT.png [options]\n"
    "(MODEL: any mesh file Assimp reads: OBJ, STL, PLY, glTF, FBX, Collada, ...)\n"
    "\n"
    "Renders an entity headlessly, through the Korvid library, to a PNG file.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.png     the picture to write (required); OUT.webp, OUT.gif,\n"
    "                           OUT.mp4 or OUT.webm writes the --frames as an\n"
    "                           animated picture or video (WebP lossless unless\n"
    "                           --lossy; --quality 0..100 for the others)\n"
    "  --size WxH               picture size in pixels, at most 8192x8192 (default 640x480)\n"
    "  --frames N               frames simulated before the picture, 1 to 10000000\n"
    "                           (default 60)\n"
    "  --frames LIST            with an output name holding {frame} or {frame:0N}:\n"
    "                           the frames to write, as render farms list them,\n"
    "                           for example 1-30,47,60-90:2; frame K shows the\n"
    "                           moment K times the frame time, reached by a seek,\n"
    "                           so it is the same in any chunk (default 1-60;\n"
    "                           at most 100000 frames a run)\n"
    "  --fps F                  frames per second (sets --frame-ms to 1000/F)\n"
    "  --frame-ms MS            milliseconds between frames (default 15)\n"
    "  --time MS                the moment MS of the effect: every emitter restarted\n"
    "                           and advanced by whole frames of --frame-ms (a seek),\n"
    "                           then one picture of it (instead of --frames)\n"
    "  --seed S                 seed of the particle random numbers (default 1)\n"
    "  --camera tx,ty,tz,rx,ry,rz\n"
    "                           camera translation and rotation in degrees\n"
    "                           (default: the editor's Reset framing of the model)\n"
    "  --camera effect          frame the models and the particles over the moments\n"
    "                           rendered (their bounds, sampled by seeks)\n"
    "  --scale-to SIZE          scale the model so its largest side is SIZE units\n"
    "  --budget MS              with --time: simulate for at most MS milliseconds\n"
    "                           of real time, then draw the moment reached (a note\n"
    "                           on standard error says which)\n"
    "  --memory MB              refuse a ZOB file whose model, shapes and particle\n"
    "                           pools need more than MB megabytes\n"
    "  --sheet COLSxROWS        a contact sheet of frames spread over the run,\n"
    "                           each labelled with its frame number (at most 400\n"
    "                           frames, 32768 pixels a side, 134217728 in all)\n"
    "  --flipbook COLSxROWS     a sprite sheet with alpha: COLSxROWS moments spread\n"
    "                           evenly over --range, with OUT.json describing it\n"
    "  --range FROM-TO          the milliseconds a flipbook covers (default from 0,\n"
    "                           one frame time per cell)\n"
    "  --warmup MS              start the flipbook's range this much later, so a\n"
    "                           continuous effect loops without a visible start\n"
    "  --fit                    cut the flipbook's frames to the effect's bounds\n"
    "  --transparent            a transparent background: each moment drawn over\n"
    "                           black and over white gives its coverage as alpha\n"
    "                           (straight colour)\n"
    "  --premultiplied          the same with colour multiplied by alpha\n"
    "  --no-grid                leave out the ground grid, the model's outline and\n"
    "                           the light markers (the editor's, not the effect's)\n"
    "  --no-model               leave out the model's surfaces: particles only\n"
    "  --stats                  print, per frame, the live particles of each emitter,\n"
    "                           the bursts fired and the milliseconds the frame took\n"
    "  --json                   print the statistics as JSON instead of a table\n"
    "  -h, --help               show this text\n"
    "\n"
    "Scenes larger than the usual far plane (100 units) get clipping planes that\n"
    "hold them. A single picture in which nothing shows is written with a warning.\n"
    "\n"
    "Errors are reported on standard error with the library's message; the exit\n"
    "status is then 1 (2 for a wrong command line). SIGINT and SIGTERM stop a run\n"
    "within a fraction of a second, with no half-written file; the status is then\n"
    "128 plus the signal's number.\n";

struct Options {
    std::string input, output;
    int width = 640, height = 480;
    int frames = 60;
    int frameMs = 15;
    int time = -1;  // --time: the moment to show; -1 plays --frames
    unsigned seed = 1;
    bool haveCamera = false;
    bool effectCamera = false;  // --camera effect
    CameraData camera{};
    float scaleTo = 0;          // --scale-to: the model's largest side
    int budgetMs = 0;           // --budget
    int memoryMb = 0;           // --memory
    int cols = 0, rows = 0;
    bool stats = false, json = false;
    std::string frameList;  // --frames as written
    int flipCols = 0, flipRows = 0;
    int rangeFrom = 0, rangeTo = -1, warmup = 0;
    bool fit = false, transparent = false, premultiplied = false, noGrid = false, noModel = false;
    bool lossy = false;
    int quality = 80;
};

[[noreturn]] void usage(const std::string& message) {
    std::fprintf(stderr, "korvid-render: %s\nTry 'korvid-render --help'.\n", message.c_str());
    std::exit(2);
}

// True when the file starts (after blanks) with the ZOB header word "#ZOBv".
bool saysZob(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char head[64] = {};
    const size_t n = std::fread(head, 1, sizeof head - 1, f);
    std::fclose(f);
    size_t i = 0;
    while (i < n && std::isspace(static_cast<unsigned char>(head[i]))) ++i;
    return n - i >= 5 && std::memcmp(head + i, "#ZOBv", 5) == 0;
}

// The writer follows the output's extension; a name that does not fit what
// the options make is refused, so no file holds one format under another's name.
void checkOutputName(const Options& o) {
    const std::string& out = o.output;
    const size_t dot = out.find_last_of('.');
    const size_t slash = out.find_last_of('/');
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : out.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool animation = isAnimationName(out);
    const bool placeholder = korvid::media::hasFramePlaceholder(out);
    const char* outputs =
        "pictures, sheets and flipbooks are PNG (-o OUT.png), frame lists one PNG a frame (-o OUT_{frame}.png), "
        "animations .webp, .gif, .mp4 or .webm with --frames";
    // A name without an extension (a thumbnailer's temporary file) is written as PNG.
    const bool png = ext == "png" || ext.empty();
    if (o.flipCols > 0 && !png) usage("a flipbook is a PNG with its JSON description beside it; " + std::string(outputs));
    if (placeholder && !png) usage("a frame list writes one PNG a frame; " + std::string(outputs));
    if (animation && (o.time >= 0 || o.cols > 0 || o.stats))
        usage("an animation is a run of frames (--frames), not --time, --sheet or --stats; " + std::string(outputs));
    if (!animation && !png) usage("\"" + out + "\" is no output Korvid writes; " + std::string(outputs));
}

// Limits of the command line: a picture (a sheet too) is at most kMaxSide
// pixels a side and kMaxPixels in all; a run at most kMaxFrames frames.
constexpr int64_t kMaxSize = 8192;
constexpr int64_t kMaxSide = 32768;
constexpr int64_t kMaxPixels = int64_t(1) << 27;
constexpr int64_t kMaxCells = 400;
constexpr int64_t kMaxFrames = 10000000;
constexpr int64_t kMaxFrameMs = 3600000;

// A whole decimal number from lo to hi, nothing else.
bool parseNumber(const char* text, int64_t lo, int64_t hi, int64_t& out) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (errno == ERANGE || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

// "AxB" with both parts from 1 to hi.
bool parsePair(const char* text, int64_t hi, int& a, int& b) {
    const char* x = std::strpbrk(text, "xX");
    if (!x) return false;
    const std::string first(text, x);
    int64_t va = 0, vb = 0;
    if (!parseNumber(first.c_str(), 1, hi, va) || !parseNumber(x + 1, 1, hi, vb)) return false;
    a = static_cast<int>(va);
    b = static_cast<int>(vb);
    return true;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage("option " + a + " needs a value");
            return argv[++i];
        };
        int64_t n = 0;
        if (a == "-h" || a == "--help") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        } else if (a == "-o" || a == "--output") {
            o.output = value();
        } else if (a == "--size") {
            if (!parsePair(value(), kMaxSize, o.width, o.height))
                usage("--size takes WxH from 1x1 to 8192x8192, for example 640x480");
        } else if (a == "--frames") {
            o.frameList = value();
            if (parseNumber(o.frameList.c_str(), 1, kMaxFrames, n)) o.frames = static_cast<int>(n);
        } else if (a == "--frame-ms") {
            if (!parseNumber(value(), 0, kMaxFrameMs, n)) usage("--frame-ms takes milliseconds from 0 to 3600000");
            o.frameMs = static_cast<int>(n);
        } else if (a == "--fps") {
            char* end = nullptr;
            const double fps = std::strtod(value(), &end);
            if (!end || *end || !(fps >= 0.001 && fps <= 1000)) usage("--fps takes frames per second from 0.001 to 1000");
            o.frameMs = static_cast<int>(std::lround(std::max(1.0, 1000.0 / fps)));
        } else if (a == "--flipbook") {
            if (!parsePair(value(), kMaxCells, o.flipCols, o.flipRows) || int64_t(o.flipCols) * o.flipRows > kMaxCells)
                usage("--flipbook takes COLSxROWS of at most 400 frames, for example 8x8");
        } else if (a == "--range") {
            const std::string r = value();
            const size_t dash = r.find('-');
            int64_t from = 0, to = 0;
            if (dash == std::string::npos || !parseNumber(r.substr(0, dash).c_str(), 0, INT32_MAX / 2, from) ||
                !parseNumber(r.substr(dash + 1).c_str(), 0, INT32_MAX / 2, to) || to <= from)
                usage("--range takes FROM-TO in milliseconds, FROM below TO, for example 0-2000");
            o.rangeFrom = static_cast<int>(from);
            o.rangeTo = static_cast<int>(to);
        } else if (a == "--warmup") {
            if (!parseNumber(value(), 0, INT32_MAX / 2, n)) usage("--warmup takes milliseconds from 0");
            o.warmup = static_cast<int>(n);
        } else if (a == "--lossy") {
            o.lossy = true;
        } else if (a == "--quality") {
            if (!parseNumber(value(), 0, 100, n)) usage("--quality takes a number from 0 to 100");
            o.quality = static_cast<int>(n);
        } else if (a == "--fit") {
            o.fit = true;
        } else if (a == "--transparent") {
            o.transparent = true;
        } else if (a == "--premultiplied") {
            o.transparent = o.premultiplied = true;
        } else if (a == "--no-grid") {
            o.noGrid = true;
        } else if (a == "--no-model") {
            o.noModel = true;
        } else if (a == "--time") {
            if (!parseNumber(value(), 0, INT32_MAX, n)) usage("--time takes milliseconds from 0 to 2147483647");
            o.time = static_cast<int>(n);
        } else if (a == "--seed") {
            if (!parseNumber(value(), 0, UINT32_MAX, n)) usage("--seed takes a number from 0 to 4294967295");
            o.seed = static_cast<unsigned>(n);
        } else if (a == "--camera" && i + 1 < argc && std::string(argv[i + 1]) == "effect") {
            ++i;
            o.effectCamera = true;
        } else if (a == "--scale-to") {
            char* end = nullptr;
            const char* text = value();
            const double size = std::strtod(text, &end);
            if (end == text || *end || !(size > 0 && size <= 1e6)) usage("--scale-to takes a size in units, above 0");
            o.scaleTo = static_cast<float>(size);
        } else if (a == "--budget") {
            if (!parseNumber(value(), 1, 3600000, n)) usage("--budget takes milliseconds from 1 to 3600000");
            o.budgetMs = static_cast<int>(n);
        } else if (a == "--memory") {
            if (!parseNumber(value(), 1, 1 << 20, n)) usage("--memory takes megabytes from 1 to 1048576");
            o.memoryMb = static_cast<int>(n);
        } else if (a == "--camera") {
            CameraData& c = o.camera;
            char end = 0;
            if (std::sscanf(value(), "%f,%f,%f,%f,%f,%f%c", &c.tx, &c.ty, &c.tz, &c.rx, &c.ry, &c.rz, &end) != 6 ||
                !std::isfinite(c.tx + c.ty + c.tz + c.rx + c.ry + c.rz))
                usage("--camera takes six numbers, tx,ty,tz,rx,ry,rz, or the word effect");
            o.haveCamera = true;
        } else if (a == "--sheet") {
            if (!parsePair(value(), kMaxCells, o.cols, o.rows) || int64_t(o.cols) * o.rows > kMaxCells)
                usage("--sheet takes COLSxROWS of at most 400 frames, for example 4x3");
        } else if (a == "--stats") {
            o.stats = true;
        } else if (a == "--json") {
            o.json = o.stats = true;
        } else if (!a.empty() && a[0] == '-') {
            usage("unknown option " + a);
        } else if (o.input.empty()) {
            o.input = a;
        } else {
            usage("more than one input file");
        }
    }
    if (o.haveCamera && o.effectCamera) usage("--camera is either six numbers or the word effect, not both");
    if (o.budgetMs > 0 && o.time < 0) usage("--budget bounds the seek of --time; the other outputs show every moment they name");
    if (o.input.empty()) usage("no input file");
    if (o.output.empty()) usage("no output file (-o OUT.png)");
    checkOutputName(o);
    if (o.time >= 0 && (o.cols > 0 || o.stats)) usage("--time shows one moment: it does not go with --sheet or --stats");
    const bool moments = o.flipCols > 0 || korvid::media::hasFramePlaceholder(o.output) || isAnimationName(o.output);
    if (moments && (o.cols > 0 || o.stats || o.time >= 0))
        usage("frame lists and flipbooks are moments of their own: not with --sheet, --stats or --time");
    int64_t count = 0;
    if (!o.frameList.empty() && !moments && !parseNumber(o.frameList.c_str(), 1, kMaxFrames, count))
        usage("--frames takes a number of frames from 1 to 10000000 (a list needs {frame} in the output name)");
    if (o.warmup > 0 && o.flipCols == 0)
        usage("--warmup shifts a flipbook's range (--flipbook); frame lists and animations name their moments");
    if (moments && o.flipCols == 0) {
        std::string error;
        const std::vector<int32_t> frames =
            korvid::media::parseFrameList(o.frameList.empty() ? "1-60" : o.frameList, &error);
        if (frames.empty()) usage("--frames: " + error);
        // Frame K shows the moment K times the frame time, which must be a time the library takes.
        const int64_t last = *std::max_element(frames.begin(), frames.end());
        if (last * std::max(1, o.frameMs) > INT32_MAX)
            usage("--frames: frame " + std::to_string(last) + " at " + std::to_string(o.frameMs) +
                  " ms a frame is past the longest effect time, 2147483647 ms");
    }
    if (o.flipCols > 0) {
        const int64_t w = int64_t(o.width) * o.flipCols, h = int64_t(o.height) * o.flipRows;
        if (w > kMaxSide || h > kMaxSide || w * h > kMaxPixels)
            usage("the flipbook would be " + std::to_string(w) + "x" + std::to_string(h) +
                  " pixels; at most 32768 a side and 134217728 in all");
        const int64_t to = (o.rangeTo > 0 ? int64_t(o.rangeTo)
                                          : int64_t(o.rangeFrom) + int64_t(o.flipCols) * o.flipRows * std::max(1, o.frameMs)) +
                           o.warmup;
        if (to > INT32_MAX) usage("the flipbook's range ends past the longest effect time, 2147483647 ms");
    }
    if (o.cols > 0) {
        const int64_t w = int64_t(o.width) * o.cols, h = int64_t(o.height) * o.rows;
        if (w > kMaxSide || h > kMaxSide || w * h > kMaxPixels)
            usage("the sheet would be " + std::to_string(w) + "x" + std::to_string(h) +
                  " pixels; at most 32768 a side and 134217728 in all");
    }
    return o;
}

// Digits of a 3x5 pixel font, one row of three bits per line.
const uint8_t kDigits[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

void label(korvid::support::Image& image, int x0, int y0, int number) {
    const std::string text = std::to_string(number);
    const int scale = 2, w = static_cast<int>(text.size()) * 4 * scale + scale, h = 7 * scale;
    auto put = [&](int x, int y, uint8_t v) {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
        uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
        p[0] = p[1] = p[2] = v;
        p[3] = 255;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) put(x0 + x, y0 + y, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* glyph = kDigits[text[i] - '0'];
        for (int gy = 0; gy < 5; ++gy)
            for (int gx = 0; gx < 3; ++gx)
                if (glyph[gy] & (4 >> gx))
                    for (int s = 0; s < scale * scale; ++s)
                        put(x0 + scale + static_cast<int>(i) * 4 * scale + gx * scale + s % scale,
                            y0 + scale + gy * scale + s / scale, 255);
    }
}

struct FrameStats {
    int frame;
    double ms;
    std::vector<int> live;
    std::vector<long long> bursts;
};

// Grows [lo, hi] to hold [a, b]; `any` says whether it held anything yet.
void growBox(float lo[3], float hi[3], const float a[3], const float b[3], bool& any) {
    for (int i = 0; i < 3; ++i) {
        lo[i] = any ? std::min(lo[i], a[i]) : a[i];
        hi[i] = any ? std::max(hi[i], b[i]) : b[i];
    }
    any = true;
}

// The box around the shown models and live particles at up to 16 of the
// moments `times` (ms), spread over them and reached by seeks; false when
// nothing is there or a signal stopped a seek.
bool effectBox(const std::vector<int64_t>& times, float lo[3], float hi[3]) {
    bool any = false;
    const size_t samples = std::min<size_t>(16, times.size());
    for (size_t k = 0; k < samples; ++k) {
        const int64_t t = times[samples == 1 ? times.size() - 1 : k * (times.size() - 1) / (samples - 1)];
        if (objSeekSimulation(static_cast<int32_t>(t)) < 0) return false;
        float a[3], b[3];
        if (objGetBounds(KORVID_BOUNDS_SCENE, 0, a, b)) growBox(lo, hi, a, b, any);
    }
    return any;
}

// True when every pixel of the picture has the same colour and alpha.
bool isBlank(const korvid::support::Image& picture) {
    const std::vector<uint8_t>& p = picture.rgba;
    for (size_t i = 4; i + 3 < p.size(); i += 4)
        if (std::memcmp(&p[i], &p[0], 4) != 0) return false;
    return true;
}

// The moments (ms) an output shows: a flipbook's cells, the frames of a
// list or animation, or the frames of a plain run.
std::vector<int64_t> momentsShown(const Options& o, const std::vector<int32_t>& frames, int from, int to) {
    std::vector<int64_t> times;
    const int step = std::max(1, o.frameMs);
    if (o.time >= 0) {
        times.push_back(o.time);
    } else if (o.flipCols > 0) {
        const int count = o.flipCols * o.flipRows;
        for (int i = 0; i < count; ++i) times.push_back((from + int64_t(to - from) * i / count) / step * step);
    } else if (!frames.empty()) {
        for (const int32_t f : frames) times.push_back(int64_t(f) * step);
        std::sort(times.begin(), times.end());
    } else {
        for (int f = 1; f <= o.frames; ++f) times.push_back(int64_t(f) * step);
    }
    return times;
}

}  // namespace

int render(const Options& o) {
    const bool sheet = o.cols > 0;
    const int cellW = o.width, cellH = o.height;

    // The context lives until the process ends, so the driver stays loaded to the last.
    static auto* context = new korvid::support::HeadlessContext(cellW, cellH);
    const auto& gl = *context;
    if (!gl.ok()) {
        std::fprintf(stderr, "korvid-render: no OpenGL context (%s)\n", gl.error().c_str());
        return 1;
    }
    // Every frame advances the clock by exactly the frame time, and every
    // model read takes the caller's random numbers: the same command line
    // gives the same pictures.
    objSeedRandom(static_cast<uint32_t>(o.seed));

    const WindowData window{cellW, cellH, 45};
    objInitWin(&window);
    objSetFixedFrameTime(static_cast<int32_t>(o.frameMs));

    if (o.memoryMb > 0) objSetLoadMemoryLimit(int64_t(o.memoryMb) << 20);
    const std::string& in = o.input;
    const std::string ext = in.size() >= 4 ? in.substr(in.size() - 4) : "";
    bool loaded;
    // A file whose content says ZOB is read as one whatever its name (a file
    // manager may hand over a copy with another name), and never goes to the
    // mesh importer.
    if (ext == ".zob" || ext == ".ZOB" || saysZob(in)) {
        loaded = objLoadZOB(in.c_str());
    } else if (ext == ".raw" || ext == ".RAW") {
        loaded = objLoadRaw(in.c_str()) && objSetCurrentModel(0);
    } else {
        // Every other format goes through Assimp.
        const korvid::import::ImportResult imported = korvid::import::importMesh(in);
        if (!imported.ok) {
            // The import's message names the file.
            std::fprintf(stderr, "korvid-render: %s\n", imported.error.c_str());
            return 1;
        }
        if (!imported.note.empty()) std::fprintf(stderr, "korvid-render: %s: %s\n", in.c_str(), imported.note.c_str());
        loaded = true;
    }
    if (!loaded) {
        if (stopRequested()) return stopStatus();
        std::fprintf(stderr, "korvid-render: %s: %s\n", in.c_str(), objGetLastError());
        return 1;
    }
    ModelInfo info{};
    objGetModelData(&info);
    if (o.scaleTo > 0 && info.polygonCount > 0) {
        const float largest = std::max({info.maxX - info.minX, info.maxY - info.minY, info.maxZ - info.minZ});
        if (largest > 0 && std::isfinite(largest)) {
            const float k = o.scaleTo / largest;
            const float factors[3] = {k, k, k};
            objGeoScale(factors);
            objGetModelData(&info);
        }
    }
    if (info.polygonCount == 0 && info.emitterCount == 0) {
        std::fprintf(stderr, "korvid-render: %s: the file holds no triangles and no emitters; there is nothing to draw.\n",
                     in.c_str());
        return 1;
    }
    // A model none of whose corners is finite on every axis has no box:
    // nothing of it can be framed or drawn.
    float modelLo[3], modelHi[3];
    if (!o.haveCamera && info.polygonCount > 0 && !objGetBounds(KORVID_BOUNDS_MODEL, 0, modelLo, modelHi)) {
        std::fprintf(stderr,
                     "korvid-render: %s: no triangle of the model has finite corners on every axis; there is nothing "
                     "to frame. Give a --camera to draw it anyway.\n",
                     in.c_str());
        return 1;
    }
    CameraData camera = o.haveCamera ? o.camera : resetFraming(info);
    if (o.noGrid) {
        objOnGrid();  // on after objInitWin: this turns it off
        objSetBBox(0);
        objShowLights(false);
    }
    if (o.noModel) objShowModels(false);
    const bool moments = o.flipCols > 0 || korvid::media::hasFramePlaceholder(o.output) || isAnimationName(o.output);
    std::vector<int32_t> frames;
    int from = 0, to = 0;
    if (moments && o.flipCols > 0) {
        from = o.rangeFrom + o.warmup;
        to = (o.rangeTo > 0 ? o.rangeTo : o.rangeFrom + o.flipCols * o.flipRows * std::max(1, o.frameMs)) + o.warmup;
    } else if (moments) {
        std::string error, list = o.frameList.empty() ? "1-60" : o.frameList;
        // For an animation a plain count N means frames 1 to N.
        int64_t count = 0;
        if (isAnimationName(o.output) && parseNumber(list.c_str(), 1, kMaxFrames, count))
            list = "1-" + std::to_string(count);
        frames = korvid::media::parseFrameList(list, &error);
    }

    // The time asked for is reached before the framing, so the effect's
    // framing and the clipping planes see its particles; within a budget the
    // seek goes on piece by piece and stops where the budget ends.
    if (o.time >= 0) {
        objSetSnapshotBudget(0);
        startTimeBudget(o.budgetMs);
        const int32_t piece = std::max(1, o.frameMs) * 16;
        int32_t reached = 0;
        for (int64_t t = 0; reached < o.time && !budgetSpent() && !stopRequested();) {
            t = std::min<int64_t>(int64_t(reached) + piece, o.time);
            const int32_t r = objSeekSimulation(static_cast<int32_t>(t));
            if (r < 0 || r <= reached) break;
            reached = r;
        }
        if (stopRequested()) return stopStatus();
        if (reached < o.time / std::max(1, o.frameMs) * std::max(1, o.frameMs))
            std::fprintf(stderr, "korvid-render: %s: the budget of %d ms ended the seek at %d ms; drawn there\n", in.c_str(),
                         o.budgetMs, reached);
        startTimeBudget(0);
    }
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool haveBox = false;
    if (o.effectCamera) {
        const std::vector<int64_t> times = o.time >= 0 ? std::vector<int64_t>{} : momentsShown(o, frames, from, to);
        haveBox = times.empty() ? objGetBounds(KORVID_BOUNDS_SCENE, 0, lo, hi) : effectBox(times, lo, hi);
        if (stopRequested()) return stopStatus();
        if (haveBox) camera = boxFraming(lo, hi, float(cellW) / float(cellH));
        if (o.time < 0) objSeekSimulation(0);  // a run starts from the start again
    } else {
        haveBox = objGetBounds(KORVID_BOUNDS_SCENE, 0, lo, hi);
    }
    if (!std::isfinite(camera.tx) || !std::isfinite(camera.ty) || !std::isfinite(camera.tz)) {
        std::fprintf(stderr, "korvid-render: %s: the model is too large to frame; give a --camera.\n", in.c_str());
        return 1;
    }
    if (haveBox) fitSceneClipPlanes(camera, lo, hi);

    if (moments) {
        MomentOptions m;
        m.width = cellW;
        m.height = cellH;
        m.stepMs = std::max(1, o.frameMs);
        m.output = o.output;
        m.transparent = o.transparent || o.flipCols > 0;  // a flipbook always has alpha
        m.alpha = o.premultiplied ? korvid::media::AlphaMode::Premultiplied : korvid::media::AlphaMode::Straight;
        if (o.flipCols > 0) {
            m.cols = o.flipCols;
            m.rows = o.flipRows;
            m.from = from;
            m.to = to;
            m.fit = o.fit;
        } else {
            m.lossless = !o.lossy;
            m.quality = o.quality;
            m.frames = frames;
        }
        const int status = renderMoments(m, camera);
        objNew();
        return stopRequested() ? stopStatus() : status;
    }

    std::vector<korvid::support::Image> cells;
    std::vector<int> cellFrames;
    const int cellCount = sheet ? o.cols * o.rows : 0;
    for (int k = 0; k < cellCount; ++k)
        cellFrames.push_back(static_cast<int>(std::max<int64_t>(1, int64_t(k + 1) * o.frames / cellCount)));

    std::vector<FrameStats> stats;
    if (o.time >= 0) {
        // The moment itself, reached above: a frame drawn without advancing.
        objPauseSimulation(true);
        objRender(&camera);
        glFinish();
    }
    for (int f = 1; o.time < 0 && f <= o.frames; ++f) {
        if (stopRequested()) return stopStatus();
        const auto start = std::chrono::steady_clock::now();
        objRender(&camera);
        glFinish();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (o.stats) {
            FrameStats s{f, ms, {}, {}};
            for (int32_t e = 0; e < info.emitterCount; ++e) {
                s.live.push_back(objGetLiveParticles(e));
                s.bursts.push_back(objGetBurstsFired(e));
            }
            stats.push_back(std::move(s));
        }
        for (int k = 0; k < cellCount; ++k)
            if (cellFrames[k] == f) cells.push_back(korvid::media::grabFrame(cellW, cellH));
    }

    korvid::support::Image picture;
    if (sheet) {
        picture.width = cellW * o.cols;
        picture.height = cellH * o.rows;
        picture.rgba.assign(static_cast<size_t>(picture.width) * picture.height * 4, 0);
        for (int k = 0; k < cellCount; ++k) {
            const int cx = (k % o.cols) * cellW, cy = (k / o.cols) * cellH;
            for (int y = 0; y < cellH; ++y)
                std::memcpy(&picture.rgba[(static_cast<size_t>(cy + y) * picture.width + cx) * 4],
                            &cells[k].rgba[static_cast<size_t>(y) * cellW * 4], static_cast<size_t>(cellW) * 4);
            label(picture, cx + 4, cy + 4, cellFrames[k]);
        }
    } else if (o.transparent) {
        // The moment reached, held still and drawn over black and over white:
        // the difference is its coverage.
        objPauseSimulation(true);
        korvid::media::CaptureLook look;
        look.width = cellW;
        look.height = cellH;
        look.transparent = true;
        look.alpha = o.premultiplied ? korvid::media::AlphaMode::Premultiplied : korvid::media::AlphaMode::Straight;
        picture = korvid::media::captureFrame(camera, look);
    } else {
        picture = korvid::media::grabFrame(cellW, cellH);
    }
    if (stopRequested()) return stopStatus();
    std::string error;
    const bool written = korvid::support::writePng(o.output, picture, &error);
    if (!written) {
        std::fprintf(stderr, "korvid-render: %s: %s\n", o.output.c_str(), error.c_str());
        return 1;
    }
    if (isBlank(picture))
        std::fprintf(stderr, "korvid-render: %s: warning: the picture is empty: nothing of %s is in view\n",
                     o.output.c_str(), in.c_str());

    if (o.stats) {
        std::vector<std::string> names;
        for (int32_t e = 0; e < info.emitterCount; ++e) {
            EmitterData data{};
            if (objSetEmitterPtr(e)) objGetEmitter(&data);
            names.push_back(data.name);
        }
        if (o.json) {
            std::printf("{\"file\": \"%s\", \"emitters\": [", in.c_str());
            for (size_t i = 0; i < names.size(); ++i) std::printf("%s\"%s\"", i ? ", " : "", names[i].c_str());
            std::printf("], \"frames\": [\n");
            for (size_t i = 0; i < stats.size(); ++i) {
                const FrameStats& s = stats[i];
                std::printf("  {\"frame\": %d, \"ms\": %.3f, \"live\": [", s.frame, s.ms);
                for (size_t e = 0; e < s.live.size(); ++e) std::printf("%s%d", e ? ", " : "", s.live[e]);
                std::printf("], \"bursts\": [");
                for (size_t e = 0; e < s.bursts.size(); ++e) std::printf("%s%lld", e ? ", " : "", s.bursts[e]);
                std::printf("]}%s\n", i + 1 < stats.size() ? "," : "");
            }
            std::printf("]}\n");
        } else {
            std::printf("%6s %9s", "frame", "ms");
            for (const std::string& n : names) std::printf("  %12.12s %7s", n.c_str(), "bursts");
            std::printf("\n");
            for (const FrameStats& s : stats) {
                std::printf("%6d %9.3f", s.frame, s.ms);
                for (size_t e = 0; e < s.live.size(); ++e) std::printf("  %12d %7lld", s.live[e], s.bursts[e]);
                std::printf("\n");
            }
        }
    }
    objNew();  // releases models and images while the context is current
    return 0;
}

int main(int argc, char** argv) {
    korvid::support::tuneMallocForLargeData(argv);
    const Options o = parse(argc, argv);
    installStopSignals();
    try {
        return render(o);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "korvid-render: not enough memory for %s\n", o.input.c_str());
        return 1;
    }
}

#include "particle_look.h"

#include <cmath>
#include <cstring>

#include "particles.h"

namespace korvid {
namespace {

bool finite(float v) { return std::isfinite(v); }
bool flag(int32_t v) { return v == 0 || v == 1; }

// A frame of drawing counts as this many ms when speeds are read as units a second.
constexpr float kFrameMs = 15.0f;

}  // namespace

bool EmitterLook::spinDefault() const {
    const ParticleSpin none{};
    return std::memcmp(&spin, &none, sizeof none) == 0;
}
bool EmitterLook::flipbookDefault() const {
    const Flipbook none{};
    return std::memcmp(&flipbook, &none, sizeof none) == 0;
}
bool EmitterLook::trailDefault() const {
    const Trail none{};
    return std::memcmp(&trail, &none, sizeof none) == 0;
}

const char* flipbookProblem(const Flipbook& f) {
    if (f.columns < 0 || f.rows < 0 || f.frames < 0) return "a flipbook's columns, rows and frames cannot be negative";
    if (!finite(f.fps) || f.fps < 0) return "a flipbook's rate is a number of 0 or more";
    if (!flag(f.overLife) || !flag(f.randomStart) || !flag(f.blend))
        return "over life, random start and blend are 0 or 1";
    if (f.columns == 0) return nullptr;  // off: the rest is kept for when it is turned on
    if (f.rows < 1) return "a flipbook has at least one row";
    if (int64_t(f.columns) * f.rows > KORVID_MAX_FLIPBOOK_CELLS) return "a flipbook has at most 4096 cells";
    if (f.frames < 1 || f.frames > f.columns * f.rows) return "a flipbook's frames lie from 1 to its cells";
    return nullptr;
}

const char* spinProblem(const ParticleSpin& s) {
    if (!finite(s.angle) || !finite(s.angleVar) || !finite(s.spin) || !finite(s.spinVar) || !finite(s.stretch))
        return "spin values are finite numbers";
    if (s.angleVar < 0 || s.spinVar < 0) return "a spread cannot be negative";
    if (!flag(s.align)) return "align is 0 (facing the camera) or 1 (along the velocity)";
    if (s.stretch < 0) return "a stretch cannot be negative";
    return nullptr;
}

const char* trailProblem(const Trail& t) {
    if (!flag(t.enabled)) return "enabled is 0 or 1";
    if (t.length < 0 || t.length > KORVID_MAX_TRAIL_MS) return "a trail's length lies from 0 to 60000 ms";
    if (t.enabled && t.length < 1) return "a trail is at least 1 ms long";
    if (!finite(t.minDistance) || t.minDistance < 0) return "a trail's distance is a number of 0 or more";
    if (!finite(t.widthStart) || !finite(t.widthEnd) || t.widthStart < 0 || t.widthEnd < 0)
        return "a trail's widths are numbers of 0 or more";
    if (!finite(t.alphaEnd) || t.alphaEnd < 0 || t.alphaEnd > 1) return "a trail's alpha lies from 0 to 1";
    return nullptr;
}

const char* sortProblem(int32_t mode) {
    return mode == KORVID_SORT_NONE || mode == KORVID_SORT_BACK_TO_FRONT ? nullptr
                                                                         : "a sort is 0 (as born) or 1 (back to front)";
}

int32_t trailPoints(const Trail& t) {
    if (!t.enabled) return 0;
    const int32_t n = 2 + t.length / 15;
    return n < kMaxTrailPoints ? n : kMaxTrailPoints;
}

LookDraws drawLook(const EmitterLook& look) {
    LookDraws d;
    if (look.spin.angleVar != 0) d.angleVar = randomUnit() * look.spin.angleVar;
    if (look.spin.spinVar != 0) d.spinVar = randomUnit() * look.spin.spinVar;
    if (look.flipbookOn() && look.flipbook.randomStart) {
        const float u = (randomUnit() + 1.0f) * 0.5f;
        d.flipStart = u < 1.0f ? u : 0.0f;
    }
    return d;
}

FlipFrame flipFrame(const Flipbook& f, int32_t ageMs, int32_t lifeMs, float start) {
    const int32_t frames = f.frames > 0 ? f.frames : 1;
    const double age = ageMs > 0 ? double(ageMs) : 0.0;
    double x;
    bool loops = true;
    if (f.overLife) {
        x = lifeMs > 0 ? age / double(lifeMs) * frames : 0.0;
        if (x >= frames) x = frames - 1;  // the last frame holds at the end of life
        loops = start != 0.0f;
    } else {
        x = age * double(f.fps) / 1000.0;
    }
    x += double(start) * frames;
    x = std::fmod(x, double(frames));
    if (x < 0) x = 0;
    const int32_t cell = int32_t(x) < frames ? int32_t(x) : frames - 1;
    FlipFrame out{cell, cell, 0.0f};
    if (f.blend) {
        const int32_t next = cell + 1 < frames ? cell + 1 : loops ? 0 : cell;
        if (next != cell) {
            out.next = next;
            out.weight = float(x - cell);
        }
    }
    return out;
}

void cellRect(const Flipbook& f, int32_t cell, float out[4]) {
    const int32_t columns = f.columns > 0 ? f.columns : 1;
    const int32_t rows = f.rows > 0 ? f.rows : 1;
    const int32_t c = cell % columns;
    const int32_t r = cell / columns;
    // Pictures keep their bottom row first: the top row of cells is at t = 1.
    out[0] = float(c) / float(columns);
    out[1] = 1.0f - float(r + 1) / float(rows);
    out[2] = float(c + 1) / float(columns);
    out[3] = 1.0f - float(r) / float(rows);
}

float stretchFactor(const ParticleSpin& s, const float v[3]) {
    if (!s.align || s.stretch == 0) return 1.0f;
    const float perSecond = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) * (1000.0f / kFrameMs);
    return 1.0f + s.stretch * perSecond;
}

void quadAxes(const ParticleSpin& s, const float camera[9], float angle, const float v[3], float half,
              float right[3], float up[3]) {
    const float* towards = camera + 6;
    float r[3] = {camera[0], camera[1], camera[2]};
    float u[3] = {camera[3], camera[4], camera[5]};
    float length = 1.0f;
    if (s.align) {
        // The velocity as seen by the camera: its part in the camera's plane.
        const float along = v[0] * towards[0] + v[1] * towards[1] + v[2] * towards[2];
        float p[3] = {v[0] - along * towards[0], v[1] - along * towards[1], v[2] - along * towards[2]};
        const float n = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (n > 1e-12f) {
            for (float& c : p) c /= n;
            std::memcpy(u, p, sizeof u);
            // right = up x towards, so right, up and towards stay a right-handed frame.
            r[0] = u[1] * towards[2] - u[2] * towards[1];
            r[1] = u[2] * towards[0] - u[0] * towards[2];
            r[2] = u[0] * towards[1] - u[1] * towards[0];
        }
        length = stretchFactor(s, v);
    }
    const float c = std::cos(angle), sn = std::sin(angle);
    for (int k = 0; k < 3; ++k) {
        right[k] = half * (c * r[k] + sn * length * u[k]);
        up[k] = half * (-sn * r[k] + c * length * u[k]);
    }
}

void backToFront(const float* depth, int32_t count, std::vector<uint32_t>& order, std::vector<uint32_t>& scratch) {
    const size_t n = size_t(count > 0 ? count : 0);
    order.resize(n);
    scratch.resize(n);
    std::vector<uint32_t> keys(n), keysOut(n);
    for (size_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &depth[i], 4);
        // Floats as unsigned integers in the same order: negatives turned round.
        keys[i] = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
        order[i] = uint32_t(i);
    }
    // Least significant digit first, 11 bits a pass: each pass is stable, so the whole sort is.
    for (int shift = 0; shift < 32; shift += 11) {
        size_t counts[2049] = {};
        for (size_t i = 0; i < n; ++i) counts[((keys[i] >> shift) & 2047u) + 1] += 1;
        for (int b = 0; b < 2048; ++b) counts[b + 1] += counts[b];
        for (size_t i = 0; i < n; ++i) {
            const size_t to = counts[(keys[i] >> shift) & 2047u]++;
            keysOut[to] = keys[i];
            scratch[to] = order[i];
        }
        keys.swap(keysOut);
        order.swap(scratch);
    }
}

}  // namespace korvid

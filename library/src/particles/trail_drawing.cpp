// Trails: every particle's strip runs from where it is now back through the
// points its trail kept, its width and alpha going from the head's to the
// tail's with the points' ages. All strips are one triangle strip, joined by
// repeated vertices that draw nothing. Places closer together on the screen
// than a pixel are drawn as one, so a long trail of short steps costs what
// the picture shows of it.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "context.h"
#include "particles.h"

namespace korvid {
namespace {

// Places of a strip nearer than this on the screen merge.
constexpr float kMergePixels = 1.0f;

struct Place {
    float x, y, z;
    float age;  // 0 at the particle, 1 at the trail's length
};

// World points to window pixels, with the matrices and viewport in use.
struct Screen {
    float m[16];  // projection x modelview, column-major
    float origin[2], size[2];
    float pixelsAtUnitDepth;  // pixels a world unit spans at clip w = 1, the larger way

    // A screen on which nothing merges: every place is kept.
    static Screen unmerged() { return Screen(0); }
    Screen() {
        float model[16], projection[16];
        int viewport[4];
        glGetFloatv(GL_MODELVIEW_MATRIX, model);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                float sum = 0;
                for (int k = 0; k < 4; ++k) sum += projection[k * 4 + r] * model[c * 4 + k];
                m[c * 4 + r] = sum;
            }
        origin[0] = float(viewport[0]), origin[1] = float(viewport[1]);
        size[0] = float(viewport[2]), size[1] = float(viewport[3]);
        pixelsAtUnitDepth = std::max(std::fabs(projection[0]) * size[0], std::fabs(projection[5]) * size[1]) * 0.5f;
    }
    explicit Screen(int) : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, origin{0, 0}, size{1, 1}, pixelsAtUnitDepth(0) {}
    // The squared world distance that spans kMergePixels at the place's
    // depth; 0 at or behind the eye.
    float pixelReach(const Place& p) const {
        const float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
        if (!(w > 1e-6f) || !(pixelsAtUnitDepth > 0)) return 0.0f;
        const float r = kMergePixels * w / pixelsAtUnitDepth;
        return r * r;
    }
    // False for a place at or behind the eye. `w` is the place's clip w.
    bool project(const Place& p, float out[2], float* wOut = nullptr) const {
        const float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
        if (wOut) *wOut = w;
        if (!(w > 1e-6f)) return false;
        const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
        const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
        out[0] = origin[0] + (x / w * 0.5f + 0.5f) * size[0];
        out[1] = origin[1] + (y / w * 0.5f + 0.5f) * size[1];
        return true;
    }
};

// A particle's places: where it is, then its trail's points newest first
// (but the newest when the particle still stands on it), each with its age.
class Trails {
public:
    Trails(const Emitter& emitter)
        : s_(*emitter.store), ring_(s_.trailPoints()), now_(int32_t(emitter.elapsedMs)),
          length_(float(emitter.look.trail.length > 0 ? emitter.look.trail.length : 1)) {}

    // Writes the places of particle i that are drawn to `out` (room for
    // ring() + 1) and returns how many: the first and the last, and between
    // them each one at least a pixel's width in the world (at the depth of
    // the last one kept) from the last one kept, which on the screen is never
    // more than a pixel.
    size_t places(int32_t i, const Screen& screen, Place* out) const {
        const float x = s_.position(0, 0)[i], y = s_.position(0, 1)[i], z = s_.position(0, 2)[i];
        const int32_t used = s_.integers(kTrailUsed)[i];
        int32_t at = s_.integers(kTrailHead)[i];
        const TrailPoint* points = s_.trail(i);
        size_t n = 0;
        out[n++] = {x, y, z, 0.0f};
        float reach = screen.pixelReach(out[0]);
        for (int32_t k = 0; k < used; ++k, at = at == 0 ? ring_ - 1 : at - 1) {
            const TrailPoint& q = points[at];
            const Place& last = out[n - 1];
            const float dx = q.x - last.x, dy = q.y - last.y, dz = q.z - last.z;
            const float d = dx * dx + dy * dy + dz * dz;
            if (k + 1 < used ? d < reach : d == 0.0f) continue;
            const float f = float(now_ - q.ms) / length_;
            out[n++] = {q.x, q.y, q.z, f < 0 ? 0.0f : f > 1 ? 1.0f : f};
            reach = screen.pixelReach(out[n - 1]);
        }
        return n;
    }
    int32_t ring() const { return ring_; }

private:
    const ParticleStore& s_;
    const int32_t ring_;
    const int32_t now_;
    const float length_;
};

// Where a strip lies: wholly in the picture, across its edge (a renderer
// clips it), or wholly beyond one edge (not drawn).
enum class Lies { Inside, Across, Outside };

Lies whereLies(const Place* places, size_t count, const Screen& screen, float halfWidth) {
    bool inside = true;
    unsigned beyond = 0xF;  // left, right, below, above: the edges every place is beyond
    for (size_t k = 0; k < count; ++k) {
        float at[2], w = 0;
        if (!screen.project(places[k], at, &w)) return Lies::Across;
        const float margin = halfWidth * screen.pixelsAtUnitDepth / w + 1.0f;
        const float x0 = screen.origin[0], x1 = x0 + screen.size[0];
        const float y0 = screen.origin[1], y1 = y0 + screen.size[1];
        unsigned out = 0;
        if (at[0] < x0 + margin) out |= at[0] < x0 - margin ? 1u : 16u;
        if (at[0] > x1 - margin) out |= at[0] > x1 + margin ? 2u : 16u;
        if (at[1] < y0 + margin) out |= at[1] < y0 - margin ? 4u : 16u;
        if (at[1] > y1 - margin) out |= at[1] > y1 + margin ? 8u : 16u;
        if (out) inside = false;
        beyond &= out;
    }
    if (inside) return Lies::Inside;
    return (beyond & 0xF) ? Lies::Outside : Lies::Across;
}

// The strip's vertices for `places`: two a place, the first and last doubled.
int64_t stripVertices(size_t places) { return places >= 2 ? 2 * int64_t(places) + 2 : 0; }

// The two sides of a strip at place k and its colour there: across the
// strip, perpendicular to its direction and to the view, half its width each way.
void stripSides(const Place* places, size_t count, size_t k, const float colour[4], const Trail& trail,
                const float towards[3], float left[3], float right[3], uint8_t bytes[4]) {
    const size_t last = count - 1;
    const Place& a = places[k == 0 ? 0 : k - 1];
    const Place& b = places[k == last ? last : k + 1];
    const float d[3] = {a.x - b.x, a.y - b.y, a.z - b.z};
    float side[3] = {d[1] * towards[2] - d[2] * towards[1], d[2] * towards[0] - d[0] * towards[2],
                     d[0] * towards[1] - d[1] * towards[0]};
    const float norm = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    const float f = places[k].age;
    const float half = 0.5f * (trail.widthStart + f * (trail.widthEnd - trail.widthStart));
    for (float& x : side) x = norm > 0 ? x * half / norm : 0.0f;
    const float shade[4] = {colour[0], colour[1], colour[2], colour[3] * (1.0f + f * (trail.alphaEnd - 1.0f))};
    for (int ch = 0; ch < 4; ++ch) {
        const float x = shade[ch] < 0 ? 0.0f : shade[ch] > 1 ? 1.0f : shade[ch];
        bytes[ch] = uint8_t(x * 255.0f + 0.5f);
    }
    const float at[3] = {places[k].x, places[k].y, places[k].z};
    for (int r = 0; r < 3; ++r) {
        left[r] = at[r] + side[r];
        right[r] = at[r] - side[r];
    }
}

void writeStrip(const Place* places, size_t count, const float colour[4], const Trail& trail, const float towards[3],
                float* v, uint8_t* c) {
    const size_t last = count - 1;
    for (size_t k = 0; k <= last; ++k) {
        float sides[2][3];
        uint8_t bytes[4];
        stripSides(places, count, k, colour, trail, towards, sides[0], sides[1], bytes);
        for (int e = 0; e < 2; ++e) {
            std::memcpy(v, sides[e], sizeof sides[e]);
            std::memcpy(c, bytes, 4);
            v += 3;
            c += 4;
            // The strip's first and last vertices are doubled to join it to its neighbours.
            if ((k == 0 && e == 0) || (k == last && e == 1)) {
                std::memcpy(v, v - 3, 3 * sizeof(float));
                std::memcpy(c, c - 4, 4);
                v += 3;
                c += 4;
            }
        }
    }
}

}  // namespace

int64_t trailTriangles(const Emitter& emitter, int32_t i, const float towards[3], std::vector<float>& scratch,
                       ParticleVertex* out) {
    const ParticleStore& s = *emitter.store;
    if (s.trailPoints() == 0) return 0;
    const Trails trails(emitter);
    scratch.resize((size_t(trails.ring()) + 1) * 4);
    Place* places = reinterpret_cast<Place*>(scratch.data());
    const size_t kept = trails.places(i, Screen::unmerged(), places);
    if (kept < 2) return 0;
    const int64_t vertices = 6 * int64_t(kept - 1);
    if (!out) return vertices;
    const float colour[4] = {s.column(kColor)[i], s.column(kColor + 1)[i], s.column(kColor + 2)[i],
                             s.column(kColor + 3)[i]};
    ParticleVertex pairs[2][2];  // the previous place's sides, then this one's
    for (size_t k = 0; k < kept; ++k) {
        float sides[2][3];
        uint8_t bytes[4];
        stripSides(places, kept, k, colour, emitter.look.trail, towards, sides[0], sides[1], bytes);
        for (int e = 0; e < 2; ++e) {
            ParticleVertex& v = pairs[1][e];
            std::memcpy(v.position, sides[e], sizeof v.position);
            v.uv[0] = v.uv[1] = 0.0f;
            for (int ch = 0; ch < 4; ++ch) v.colour[ch] = float(bytes[ch]) / 255.0f;
        }
        if (k > 0) {
            const ParticleVertex quad[6] = {pairs[0][0], pairs[0][1], pairs[1][0], pairs[0][1], pairs[1][1], pairs[1][0]};
            std::memcpy(out, quad, sizeof quad);
            out += 6;
        }
        std::memcpy(pairs[0], pairs[1], sizeof pairs[1]);
    }
    return vertices;
}

void drawTrails(const Emitter& emitter, const float frame[9]) {
    const ParticleStore& s = *emitter.store;
    const int32_t count = s.count();
    if (s.trailPoints() == 0 || count == 0) return;
    const Trails trails(emitter);
    const Screen screen;
    RenderState& scratch = context().render;
    // Each particle's places, merged, in a slot of its own (newest particle
    // first, as particles are drawn); then where each strip starts; then the strips.
    const size_t slot = size_t(trails.ring()) + 1;
    try {
        scratch.trailStarts.assign(size_t(count) + 1, 0);
        if (scratch.trailPlaces.size() < size_t(count) * slot * 4) scratch.trailPlaces.resize(size_t(count) * slot * 4);
    } catch (const std::bad_alloc&) {
        std::vector<float>().swap(scratch.trailPlaces);
        return;  // no room this frame: the trails are left out
    }
    int64_t* starts = scratch.trailStarts.data();
    Place* placeBase = reinterpret_cast<Place*>(scratch.trailPlaces.data());
    const Trail& trail = emitter.look.trail;
    const float halfWidth = 0.5f * std::max(trail.widthStart, trail.widthEnd);
    // A strip's vertices, negative for one across the picture's edge.
    Workers& workers = context().workers;
    workers.forRanges(count, 1024, [&](int64_t begin, int64_t end) {
        for (int64_t n = begin; n < end; ++n) {
            Place* places = placeBase + size_t(n) * slot;
            const size_t kept = trails.places(count - 1 - int32_t(n), screen, places);
            const int64_t vertices = stripVertices(kept);
            const Lies lies = vertices ? whereLies(places, kept, screen, halfWidth) : Lies::Outside;
            starts[n + 1] = lies == Lies::Inside ? vertices : lies == Lies::Across ? -vertices : 0;
        }
    });
    // Strips wholly in the picture come first and are drawn in one call;
    // those across its edge follow in another, which the renderer clips.
    // Each group keeps the particles' order.
    int64_t inside = 0, across = 0;
    for (int32_t n = 0; n < count; ++n) (starts[n + 1] >= 0 ? inside : across) += std::llabs(starts[n + 1]);
    const int64_t total = inside + across;
    if (total == 0) return;
    std::vector<int64_t>& at = scratch.trailAt;
    at.resize(size_t(count));
    int64_t nextInside = 0, nextAcross = inside;
    for (int32_t n = 0; n < count; ++n) {
        const int64_t v = starts[n + 1];
        at[size_t(n)] = v >= 0 ? nextInside : nextAcross;
        (v >= 0 ? nextInside : nextAcross) += std::llabs(v);
    }
    try {
        if (scratch.trailVertices.size() < size_t(total) * 3) {
            scratch.trailVertices.resize(size_t(total) * 3);
            scratch.trailColours.resize(size_t(total) * 4);
        }
    } catch (const std::bad_alloc&) {
        std::vector<float>().swap(scratch.trailVertices);
        std::vector<uint8_t>().swap(scratch.trailColours);
        return;
    }
    float* vertexBase = scratch.trailVertices.data();
    uint8_t* colourBase = scratch.trailColours.data();
    const float* towards = frame + 6;
    workers.forRanges(count, 1024, [&](int64_t begin, int64_t end) {
        for (int64_t n = begin; n < end; ++n) {
            const int64_t vertices = std::llabs(starts[n + 1]);
            if (vertices == 0) continue;
            const int32_t i = count - 1 - int32_t(n);
            const float colour[4] = {s.column(kColor)[i], s.column(kColor + 1)[i], s.column(kColor + 2)[i],
                                     s.column(kColor + 3)[i]};
            const int64_t first = at[size_t(n)];
            writeStrip(placeBase + size_t(n) * slot, size_t(vertices - 2) / 2, colour, trail, towards,
                       vertexBase + first * 3, colourBase + first * 4);
        }
    });
    const GLboolean culling = glIsEnabled(GL_CULL_FACE);
    const GLboolean lighting = glIsEnabled(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertexBase);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colourBase);
    if (inside > 0) glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(inside));
    if (across > 0) glDrawArrays(GL_TRIANGLE_STRIP, static_cast<GLint>(inside), static_cast<GLsizei>(across));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (culling) glEnable(GL_CULL_FACE);
    if (lighting) glEnable(GL_LIGHTING);
}

}  // namespace korvid

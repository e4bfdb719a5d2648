// What a particle's quads are made of, shared by drawing and by the
// vertices handed to a game: the particles' columns, the order they are
// drawn in, and the corners, colours and texture cells of a Polygons
// particle with its flipbook, spin and stretch.
#pragma once
#include <climits>
#include <cstdint>
#include <cstring>

#include "particles.h"

namespace korvid {

// The quad every Polygons particle is drawn as, before its size and the camera's turn.
inline constexpr float kCorners[4][3] = {
    {-0.05f, -0.05f, 0.0f}, {-0.05f, 0.05f, 0.0f}, {0.05f, 0.05f, 0.0f}, {0.05f, -0.05f, 0.0f}};

// Reads one particle's values from the columns.
struct Columns {
    explicit Columns(const ParticleStore& s)
        : x(s.position(0, 0)), y(s.position(0, 1)), z(s.position(0, 2)),
          r(s.column(kColor)), g(s.column(kColor + 1)), b(s.column(kColor + 2)), a(s.column(kColor + 3)),
          size(s.column(kSize)) {}
    void position(int32_t i, float out[3]) const {
        out[0] = x[i];
        out[1] = y[i];
        out[2] = z[i];
    }
    void color(int32_t i, float out[4]) const {
        out[0] = r[i];
        out[1] = g[i];
        out[2] = b[i];
        out[3] = a[i];
    }
    const float *x, *y, *z, *r, *g, *b, *a, *size;
};

// Which particle each place in the drawing shows: newest first, or back to
// front from the camera when the emitter sorts.
struct DrawOrder {
    const uint32_t* sorted = nullptr;
    int32_t newest = -1;
    int32_t particle(int64_t n) const { return newest - int32_t(sorted ? sorted[n] : uint32_t(n)); }
};

// The order the emitter's particles are drawn in, seen from a camera whose
// frame is `frame` (rows: right, up, towards the viewer); sorting uses the
// context's scratch, valid until the next call.
DrawOrder drawOrder(const Emitter& emitter, const float frame[9]);

// What a Polygons particle with a flipbook, a spin or a stretch draws: one
// quad, or two cross-faded cells.
struct LookedQuads {
    LookedQuads(const Emitter& emitter, const float frame[9])
        : look(emitter.look), frame(frame), p(*emitter.store), additive(emitter.data.isAltAlpha != 0) {
        const ParticleStore& s = *emitter.store;
        for (int a = 0; a < 3; ++a) velocity[a] = s.column(kVelocity + a);
        angleVar = s.column(kAngleVar);
        spinVar = s.column(kSpinVar);
        flipStart = s.column(kFlipStart);
        life = s.integers(kLifeLeft);
        lifeTotal = s.integers(kLifeTotal);
    }
    int quadsEach() const { return look.flipbookOn() && look.flipbook.blend ? 2 : 1; }
    // The alpha factor of quad q of a cross-fade whose second cell weighs
    // `weight`: added light sums the two cells' shares; blended over, the
    // first cell is drawn whole and the second over it with its weight.
    float fadeOf(int q, float weight) const {
        if (quadsEach() == 1) return 1.0f;
        if (q == 1) return weight;
        return additive ? 1.0f - weight : 1.0f;
    }
    // Milliseconds lived; a life counted far below zero by a very long frame saturates.
    int32_t age(int32_t i) const {
        const int64_t lived = int64_t(lifeTotal[i]) - life[i];
        return lived <= 0 ? 0 : lived >= INT32_MAX ? INT32_MAX : int32_t(lived);
    }
    float angle(int32_t i) const {
        const float seconds = float(age(i)) * 0.001f;
        return look.spin.angle + angleVar[i] + (look.spin.spin + spinVar[i]) * seconds;
    }
    void axes(int32_t i, float half, float right[3], float up[3]) const {
        const float v[3] = {velocity[0][i], velocity[1][i], velocity[2][i]};
        quadAxes(look.spin, frame, angle(i), v, half, right, up);
    }
    // The texture rectangles of the particle's quads and the second quad's weight.
    float cells(int32_t i, float first[4], float second[4]) const {
        static const float whole[4] = {0, 0, 1, 1};
        if (!look.flipbookOn()) {
            std::memcpy(first, whole, sizeof whole);
            std::memcpy(second, whole, sizeof whole);
            return 0.0f;
        }
        const FlipFrame f = flipFrame(look.flipbook, age(i), lifeTotal[i], flipStart[i]);
        cellRect(look.flipbook, f.cell, first);
        cellRect(look.flipbook, f.next, second);
        return f.weight;
    }
    // Writes the particle's quads: 4 corners of x, y, z, of r, g, b, a and of s, t each.
    void build(int32_t i, float* v, float* c, float* t) const {
        const float at[3] = {p.x[i], p.y[i], p.z[i]};
        float colour[4];
        p.color(i, colour);
        float right[3], up[3];
        axes(i, 0.05f * p.size[i], right, up);
        float rects[2][4];
        const float weight = cells(i, rects[0], rects[1]);
        const int quads = quadsEach();
        for (int q = 0; q < quads; ++q) {
            float shade[4] = {colour[0], colour[1], colour[2], colour[3]};
            shade[3] *= fadeOf(q, weight);
            for (int k = 0; k < 4; ++k) {
                for (int r = 0; r < 3; ++r) v[3 * k + r] = at[r] + kSide[k][0] * right[r] + kSide[k][1] * up[r];
                std::memcpy(c + 4 * k, shade, sizeof shade);
                const float* cell = rects[q];
                t[2 * k] = cell[0] + kTex[k][0] * (cell[2] - cell[0]);
                t[2 * k + 1] = cell[1] + kTex[k][1] * (cell[3] - cell[1]);
            }
            v += 12;
            c += 16;
            t += 8;
        }
    }

    // The corners' sides along right and up, and their texture coordinates, in drawing order.
    static constexpr float kSide[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    static constexpr float kTex[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};

    const EmitterLook& look;
    const float* frame;
    const Columns p;
    const bool additive;
    const float* velocity[3];
    const float *angleVar, *spinVar, *flipStart;
    const int32_t *life, *lifeTotal;
};

inline bool plainQuads(const EmitterLook& look) { return look.spinDefault() && !look.flipbookOn(); }

}  // namespace korvid

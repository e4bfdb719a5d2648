// The particles as a triangle list for a game's own renderer: the same
// quads, cells, colours and order as the fixed-function drawing, facing a
// camera given as objRender takes it. Points and lines, which OpenGL draws
// in pixels, become quads as wide in the world as those pixels are at their
// distance.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "context.h"
#include "particle_quads.h"

namespace korvid {
namespace {

// The camera: its frame, its place, and how wide a pixel is in the world.
struct Eye {
    Eye(const CameraData& camera, const Context& c) : translation{camera.tx, camera.ty, camera.tz} {
        const float angles[3] = {camera.rx, camera.ry, camera.rz};
        cameraFrame(angles, frame);
        const double fov = (c.fieldOfView > 0 ? c.fieldOfView : 45) * 3.14159265358979 / 180.0;
        const int height = c.height > 0 ? c.height : 480;
        pixelAtUnitDepth = float(2.0 * std::tan(fov / 2.0) / height);
        nearPlane = float(c.nearPlane);
    }
    // Where a world point is from the eye: x, y and z (towards the viewer).
    void toEye(const float p[3], float out[3]) const {
        for (int r = 0; r < 3; ++r)
            out[r] = frame[3 * r] * p[0] + frame[3 * r + 1] * p[1] + frame[3 * r + 2] * p[2] + translation[r];
    }
    // World units a pixel spans at the point's depth.
    float pixel(const float p[3]) const {
        float e[3];
        toEye(p, e);
        return pixelAtUnitDepth * std::max(-e[2], nearPlane);
    }
    // A point's size in pixels at its distance, and the alpha factor when it
    // is below a pixel, as distance-attenuated points are drawn.
    float pointPixels(const float p[3], float size, float* fade) const {
        float e[3];
        toEye(p, e);
        const float d = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
        float px = d > 0 ? size / std::sqrt(0.2f * d) : size;
        *fade = 1.0f;
        if (px < 1.0f) {
            *fade = px * px;
            px = 1.0f;
        }
        return std::min(px, 255.0f);
    }
    float frame[9];
    float translation[3];
    float pixelAtUnitDepth;
    float nearPlane;
};

// Writes or counts vertices.
class Sink {
public:
    explicit Sink(ParticleVertex* out) : out_(out) {}
    // A quad from its four corners in drawing order (two triangles: 0 1 2, 0 2 3).
    void quad(const ParticleVertex corners[4]) {
        if (out_) {
            const ParticleVertex v[6] = {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]};
            std::memcpy(out_ + count_, v, sizeof v);
        }
        count_ += 6;
    }
    // A line from a to b, `width` pixels wide, as a quad facing the viewer.
    void line(const Eye& eye, const float a[3], const float b[3], const float ca[4], const float cb[4], float width) {
        const float* towards = eye.frame + 6;
        const float d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        float side[3] = {d[1] * towards[2] - d[2] * towards[1], d[2] * towards[0] - d[0] * towards[2],
                         d[0] * towards[1] - d[1] * towards[0]};
        const float norm = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
        for (float& x : side) x = norm > 0 ? x / norm : 0.0f;
        const float ha = 0.5f * width * eye.pixel(a), hb = 0.5f * width * eye.pixel(b);
        ParticleVertex v[4]{};
        for (int r = 0; r < 3; ++r) {
            v[0].position[r] = a[r] - ha * side[r];
            v[1].position[r] = a[r] + ha * side[r];
            v[2].position[r] = b[r] + hb * side[r];
            v[3].position[r] = b[r] - hb * side[r];
        }
        const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (int k = 0; k < 4; ++k) {
            std::memcpy(v[k].uv, uv[k], sizeof uv[k]);
            std::memcpy(v[k].colour, k < 2 ? ca : cb, 4 * sizeof(float));
        }
        quad(v);
    }
    void add(int64_t n) { count_ += n; }
    ParticleVertex* at() const { return out_ ? out_ + count_ : nullptr; }
    int64_t count() const { return count_; }

private:
    ParticleVertex* out_;
    int64_t count_ = 0;
};

void polygons(const Emitter& emitter, const Eye& eye, Sink& sink) {
    const ParticleStore& s = *emitter.store;
    const DrawOrder order = drawOrder(emitter, eye.frame);
    const LookedQuads looked(emitter, eye.frame);
    const int quads = looked.quadsEach();
    float v[2 * 12], c[2 * 16], t[2 * 8];
    for (int32_t n = 0; n < s.count(); ++n) {
        looked.build(order.particle(n), v, c, t);
        for (int q = 0; q < quads; ++q) {
            ParticleVertex corners[4];
            for (int k = 0; k < 4; ++k) {
                std::memcpy(corners[k].position, v + 12 * q + 3 * k, 3 * sizeof(float));
                std::memcpy(corners[k].uv, t + 8 * q + 2 * k, 2 * sizeof(float));
                std::memcpy(corners[k].colour, c + 16 * q + 4 * k, 4 * sizeof(float));
            }
            sink.quad(corners);
        }
    }
}

void points(const Emitter& emitter, const Eye& eye, Sink& sink) {
    const ParticleStore& s = *emitter.store;
    const Columns p(s);
    const float* right = eye.frame;
    const float* up = eye.frame + 3;
    const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const float side[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (int32_t i = s.count() - 1; i >= 0; --i) {
        float at[3], colour[4], fade = 1.0f;
        p.position(i, at);
        p.color(i, colour);
        const float half = 0.5f * eye.pointPixels(at, emitter.data.startSize, &fade) * eye.pixel(at);
        colour[3] *= fade;
        ParticleVertex v[4];
        for (int k = 0; k < 4; ++k) {
            for (int r = 0; r < 3; ++r) v[k].position[r] = at[r] + half * (side[k][0] * right[r] + side[k][1] * up[r]);
            std::memcpy(v[k].uv, uv[k], sizeof uv[k]);
            std::memcpy(v[k].colour, colour, sizeof colour);
        }
        sink.quad(v);
    }
}

void lines(const Emitter& emitter, const Eye& eye, Sink& sink) {
    const ParticleStore& s = *emitter.store;
    const Columns p(s);
    for (int32_t i = s.count() - 1; i >= 0; --i) {
        float at[3], colour[4];
        p.position(i, at);
        p.color(i, colour);
        const float from[3] = {s.position(1, 0)[i], s.position(1, 1)[i], s.position(1, 2)[i]};
        sink.line(eye, from, at, colour, colour, emitter.data.startSize);
    }
}

void sparks(const Emitter& emitter, const Eye& eye, Sink& sink) {
    const ParticleStore& s = *emitter.store;
    const Columns p(s);
    for (int32_t i = s.count() - 1; i >= 0; --i) {
        float at[3], colour[4];
        p.position(i, at);
        p.color(i, colour);
        const float v[3] = {s.column(kVelocity)[i], s.column(kVelocity + 1)[i], s.column(kVelocity + 2)[i]};
        const float k = stretchFactor(emitter.look.spin, v);
        float older[3], previous[3];
        for (int r = 0; r < 3; ++r) {
            const float o = s.position(2, r)[i], q = s.position(1, r)[i];
            older[r] = k == 1.0f ? o : at[r] + k * (o - at[r]);
            previous[r] = k == 1.0f ? q : at[r] + k * (q - at[r]);
        }
        const float tail[4] = {colour[0], colour[1], colour[2], 0.0f};
        const float middle[4] = {colour[0], colour[1], colour[2], 0.6f};
        sink.line(eye, older, previous, tail, middle, emitter.data.startSize);
        sink.line(eye, previous, at, middle, colour, emitter.data.startSize);
    }
}

// The trails of the emitter's particles, newest particle first.
void trails(const Emitter& emitter, const Eye& eye, Sink& sink) {
    const ParticleStore& s = *emitter.store;
    if (s.trailPoints() == 0) return;
    std::vector<float> scratch;
    for (int32_t i = s.count() - 1; i >= 0; --i) sink.add(trailTriangles(emitter, i, eye.frame + 6, scratch, sink.at()));
}

}  // namespace

EmitterVertices emitterVertices(const Emitter& emitter, const CameraData& camera, ParticleVertex* out) {
    const Eye eye(camera, context());
    Sink sink(out);
    switch (emitter.data.particleType) {
    case 0: points(emitter, eye, sink); break;
    case 1: lines(emitter, eye, sink); break;
    case 2: sparks(emitter, eye, sink); break;
    case 3: polygons(emitter, eye, sink); break;
    default: break;
    }
    const int64_t particles = sink.count();
    trails(emitter, eye, sink);
    return {sink.count(), sink.count() - particles};
}

}  // namespace korvid

using namespace korvid;

namespace {

// The emitters a vertex list covers, in drawing order.
std::vector<const Emitter*> emittersOf(const ParticleSystem& ps, int32_t emitter) {
    std::vector<const Emitter*> list;
    if (emitter >= 0) {
        list.push_back(ps.emitters[size_t(emitter)].get());
        return list;
    }
    for (const auto& e : ps.emitters)
        if (!e->hidden) list.push_back(e.get());
    return list;
}

// Counts the emitters' vertices and writes them when there is room; the
// count, or -1 with the refusal recorded.
int32_t verticesOf(const std::vector<const Emitter*>& emitters, const CameraData* camera, ParticleVertex* out,
                   int32_t capacity) {
    if (!camera || capacity < 0 || (!out && capacity > 0)) {
        fail(Failure::GameRefused, !camera ? "the camera is null" : "the capacity is negative or has no room behind it");
        return -1;
    }
    int64_t total = 0;
    for (const Emitter* e : emitters) total += emitterVertices(*e, *camera, nullptr).all;
    if (total > INT32_MAX) {
        fail(Failure::GameRefused, "the particles need more than 2147483647 vertices");
        return -1;
    }
    if (out && total <= capacity) {
        ParticleVertex* at = out;
        for (const Emitter* e : emitters) at += emitterVertices(*e, *camera, at).all;
    }
    return int32_t(total);
}

Instance* instanceById(KorvidInstance id) {
    const Context& c = context();
    if (!c.store) return nullptr;
    for (const auto& i : c.store->instances)
        if (i->id == id) return i.get();
    return nullptr;
}

}  // namespace

KORVID_EXPORT int32_t objGetParticleVertices(int32_t emitter, const CameraData* camera, ParticleVertex* out,
                                             int32_t capacity) try {
    Context& c = context();
    if (!c.store) {
        fail(Failure::GameRefused, "the library has not been started");
        return -1;
    }
    std::vector<const Emitter*> emitters;
    if (emitter < 0) {
        if (emitter != -1) {
            fail(Failure::GameRefused, "no such emitter");
            return -1;
        }
        for (const auto& m : c.store->models)
            if (!m->hidden)
                for (const Emitter* e : emittersOf(m->particles, -1)) emitters.push_back(e);
        for (const auto& i : c.store->instances)
            if (i->visible)
                for (const Emitter* e : emittersOf(i->particles, -1)) emitters.push_back(e);
    } else {
        const Model* m = c.store->current;
        if (!m || emitter >= m->particles.count()) {
            fail(Failure::GameRefused, "no such emitter");
            return -1;
        }
        emitters = emittersOf(m->particles, emitter);
    }
    return verticesOf(emitters, camera, out, capacity);
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT int32_t objGetInstanceVertices(KorvidInstance instance, int32_t emitter, const CameraData* camera,
                                             ParticleVertex* out, int32_t capacity) try {
    const Instance* i = instanceById(instance);
    if (!i || emitter < -1 || emitter >= i->particles.count()) {
        fail(Failure::GameRefused, !i ? "no such instance" : "no such emitter");
        return -1;
    }
    return verticesOf(emittersOf(i->particles, emitter), camera, out, capacity);
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT bool objGetParticleDrawHint(int32_t emitter, ParticleDrawHint* out) try {
    Context& c = context();
    const Model* m = c.store ? c.store->current : nullptr;
    if (!m || emitter < 0 || emitter >= m->particles.count() || !out) {
        fail(Failure::GameRefused, !out ? "the hint is null" : "no such emitter");
        return false;
    }
    const Emitter& e = *m->particles.emitters[size_t(emitter)];
    ParticleDrawHint hint{};
    hint.particleType = e.data.particleType;
    hint.blend = e.data.isAltAlpha ? KORVID_BLEND_ADD : KORVID_BLEND_OVER;
    hint.textured = e.data.particleType == KORVID_PARTICLE_POLYGONS && e.data.textureId != 0 ? 1 : 0;
    hint.textureId = hint.textured ? e.data.textureId : 0;
    if (const TextureEntry* image = hint.textured ? findTextureById(*c.textures, hint.textureId) : nullptr)
        std::snprintf(hint.textureName, sizeof hint.textureName, "%s", image->name);
    hint.lit = e.data.isLighting ? 1 : 0;
    const CameraData anyCamera{};  // counts do not depend on the camera
    const EmitterVertices counts = emitterVertices(e, anyCamera, nullptr);
    hint.vertices = int32_t(std::min<int64_t>(counts.all, INT32_MAX));
    hint.trailVertices = int32_t(std::min<int64_t>(counts.trails, INT32_MAX));
    *out = hint;
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

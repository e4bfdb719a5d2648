#include "particles.h"

#include "context.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

#include "model.h"
#include "record_fields.h"
#include "platform.h"

namespace korvid {
namespace {

bool batchedPolygons = true;

constexpr float kCorners[4][3] = {
    {-0.05f, -0.05f, 0.0f}, {-0.05f, 0.05f, 0.0f}, {0.05f, 0.05f, 0.0f}, {0.05f, -0.05f, 0.0f}};

void freePool(Emitter& e) {
    e.pool.reset();
    e.data.freeList = nullptr;
    e.data.liveList = nullptr;
    e.data.liveCount = 0;
}

// Keeps each record's `next` naming the record after it, as callers see it.
void relink(ParticleSystem& ps) {
    for (size_t i = 0; i < ps.emitters.size(); ++i)
        ps.emitters[i]->data.next = i + 1 < ps.emitters.size() ? &ps.emitters[i + 1]->data : nullptr;
}

void direction(float yaw, float pitch, float out[3]) {
    const float cp = std::cos(pitch);
    out[0] = -std::sin(yaw) * cp;
    out[1] = std::sin(pitch);
    out[2] = std::cos(yaw) * cp;
}

// Integer arithmetic of the simulation saturates at the 32-bit limits, so no
// value in a record can make it overflow.
int32_t saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int32_t subtractSaturated(int32_t a, int32_t b) { return saturate(int64_t(a) - b); }

// Truncation toward zero of a random multiple of a 32-bit field (below 2^32
// in size, so it always fits).
int64_t truncated(float v) { return static_cast<int64_t>(v); }

// The values shared by ordinary and burst emission.
struct EmissionSource {
    float yaw, yawVar, pitch, pitchVar, speed, speedVar;
    int32_t life, lifeVar;
    const float *startColor, *startColorVar, *endColor, *endColorVar;
    float startSize, startSizeVar, endSize, endSizeVar;
};

EmissionSource fromEmitter(const EmitterData& e) {
    return {e.yaw, e.yawVar, e.pitch, e.pitchVar, e.speed, e.speedVar, e.life, e.lifeVar,
            e.startColor, e.startColorVar, e.endColor, e.endColorVar,
            e.startSize, e.startSizeVar, e.endSize, e.endSizeVar};
}

EmissionSource fromBurst(const BurstData& b) {
    return {b.yaw, b.yawVar, b.pitch, b.pitchVar, b.speed, b.speedVar, b.life, b.lifeVar,
            b.startColor, b.startColorVar, b.endColor, b.endColorVar,
            b.startSize, b.startSizeVar, b.endSize, b.endSizeVar};
}

// Returns false when the pool was full and nothing was emitted.
bool emit(EmitterData& e, const EmissionSource& s, const float origin[3], bool burst, const ShapeState* shape) {
    const float u = randomUnit();
    const float v = randomUnit();
    if (e.liveCount >= e.totalParticles || !e.freeList) return false;

    Particle* p = e.freeList;
    e.freeList = p->next;
    p->prev = nullptr;
    p->next = e.liveList;
    if (e.liveList) e.liveList->prev = p;
    e.liveList = p;

    std::memcpy(p->position, origin, sizeof p->position);
    std::memcpy(p->previousPosition, origin, sizeof p->previousPosition);
    if (burst) std::memcpy(p->olderPosition, origin, sizeof p->olderPosition);

    float dir[3];
    direction(s.yaw + u * s.yawVar, s.pitch + v * s.pitchVar, dir);
    const float w = randomUnit();
    const float speed = s.speed + w * s.speedVar;
    for (int i = 0; i < 3; ++i) p->velocity[i] = dir[i] * speed;

    const float start[4] = {s.startColor[0] + u * s.startColorVar[0], s.startColor[1] + v * s.startColorVar[1],
                            s.startColor[2] + u * s.startColorVar[2], s.startColor[3] + v * s.startColorVar[3]};
    const float end[4] = {s.endColor[0] + v * s.endColorVar[0], s.endColor[1] + u * s.endColorVar[1],
                          s.endColor[2] + v * s.endColorVar[2], s.endColor[3] + u * s.endColorVar[3]};
    std::memcpy(p->color, start, sizeof start);

    for (int i = 0; i < 4; ++i) p->colorVar[i] = start[i] - s.startColor[i];
    p->lifeLeft = saturate(int64_t(s.life) + truncated(v * static_cast<float>(s.lifeVar)));
    p->lifeTotal = p->lifeLeft;
    p->lifeScale = p->lifeLeft > 0 ? 1.0f / static_cast<float>(p->lifeLeft) : 0.0f;
    // A particle born with no life dies at its next update; its steps are never used.
    const float life = p->lifeLeft > 0 ? static_cast<float>(p->lifeLeft) : 0.0f;

    if (e.particleType == 3) {
        const float startSize = s.startSize + u * s.startSizeVar;
        const float endSize = s.endSize + v * s.endSizeVar;
        p->size = startSize;
        p->sizeVar = startSize - s.startSize;
        p->sizeStep = life > 0 ? (endSize - startSize) / life : 0.0f;
    }
    for (int i = 0; i < 4; ++i) p->colorStep[i] = life > 0 ? (end[i] - start[i]) / life : 0.0f;
    if (burst) p->fromBurst = 1;
    if (shape && !shape->point()) {
        // The birth place, drawn after everything else a birth draws.
        float at[3];
        sampleShape(*shape, at);
        const bool world = shape->onTriangles();
        for (int i = 0; i < 3; ++i) p->position[i] = (world ? 0.0f : origin[i]) + at[i];
        std::memcpy(p->previousPosition, p->position, sizeof p->previousPosition);
    }
    e.liveCount += 1;
    return true;
}

// Runs emit `count` times. Once the pool refuses a particle it refuses every
// further one in this run, so the remaining tries only advance the generator
// by their two draws each; that is done in one jump, however large the count.
void emitMany(EmitterData& e, const EmissionSource& s, const float origin[3], bool burst, int64_t count,
              const ShapeState* shape = nullptr) {
    for (int64_t i = 0; i < count; ++i) {
        if (!emit(e, s, origin, burst, shape)) {
            platform::skipRandom(2 * static_cast<uint64_t>(count - i - 1));
            return;
        }
    }
}

void updateParticle(Particle* p, Emitter& emitter, int32_t frameDelta) {
    EmitterData& e = emitter.data;
    if (p->lifeLeft > 0) {
        if (e.isReflected && p->position[1] <= e.groundPosition) {
            if (e.isBurst && e.isBurstOnGround && !p->fromBurst) p->lifeLeft = 0;
            p->velocity[1] = -p->velocity[1];
        }
        std::memcpy(p->olderPosition, p->previousPosition, sizeof p->olderPosition);
        std::memcpy(p->previousPosition, p->position, sizeof p->previousPosition);
        for (int i = 0; i < 3; ++i) p->position[i] += p->velocity[i];
        for (int i = 0; i < 3; ++i) p->velocity[i] += e.force[i];
        const float dt = static_cast<float>(frameDelta);
        const LifeCurve& colour = emitter.curves[KORVID_CURVE_COLOUR];
        const LifeCurve& size = emitter.curves[KORVID_CURVE_SIZE];
        const bool curved = !p->fromBurst && (colour.on() || size.on());
        if (!colour.on() || p->fromBurst)
            for (int i = 0; i < 4; ++i) p->color[i] += dt * p->colorStep[i];
        if (e.particleType == 3 && (!size.on() || p->fromBurst)) p->size += dt * p->sizeStep;
        p->lifeLeft = subtractSaturated(p->lifeLeft, frameDelta);
        if (curved) {
            // The age reached, as a fraction of the life at birth.
            const float f = p->lifeTotal > 0 ? 1.0f - static_cast<float>(p->lifeLeft) * p->lifeScale : 1.0f;
            float v[4];
            if (colour.on()) {
                colour.at(f, v);
                for (int i = 0; i < 4; ++i) p->color[i] = v[i] + p->colorVar[i];
            }
            if (size.on() && e.particleType == 3) {
                size.at(f, v);
                p->size = v[0] + p->sizeVar;
            }
        }
        return;
    }
    if (e.isBurst && !p->fromBurst) {
        std::memcpy(e.burst.origin, p->position, sizeof e.burst.origin);
        emitter.burstsFired += 1;
        emitMany(e, fromBurst(e.burst), e.burst.origin, true, e.burst.count);
    }
    p->fromBurst = 0;
    if (p->prev) p->prev->next = p->next; else e.liveList = p->next;
    if (p->next) p->next->prev = p->prev;
    p->prev = nullptr;
    p->next = e.freeList;
    e.freeList = p;
    e.liveCount -= 1;
}

// Row-major 3x3 rotation about a unit axis, as glRotatef builds it.
void rotation(float degrees, int axis, float m[9]) {
    const float a = degrees * 3.14159265358979f / 180.0f;
    const float c = std::cos(a), s = std::sin(a);
    const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(m, id, sizeof id);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[i * 3 + i] = c;
    m[i * 3 + j] = -s;
    m[j * 3 + i] = s;
    m[j * 3 + j] = c;
}

void multiply(const float a[9], const float b[9], float out[9]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
}

void drawPolygonsEach(const EmitterData& e, const float cam[3]);

void drawPolygonsBatched(const EmitterData& e, const float cam[3]) {
    float rz[9], ry[9], rx[9], zy[9], m[9];
    rotation(-cam[2], 2, rz);
    rotation(-cam[1], 1, ry);
    rotation(-cam[0], 0, rx);
    multiply(rz, ry, zy);
    multiply(zy, rx, m);
    float corner[4][3];
    for (int k = 0; k < 4; ++k)
        for (int r = 0; r < 3; ++r)
            corner[k][r] = m[r * 3] * kCorners[k][0] + m[r * 3 + 1] * kCorners[k][1] + m[r * 3 + 2] * kCorners[k][2];
    const float normal[3] = {m[2], m[5], m[8]};
    static const float tex[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};
    // Reused between frames: grows to the largest pool drawn, never shrinks.
    RenderState& scratch = context().render;
    std::vector<float>& vertices = scratch.quadVertices;
    std::vector<float>& colours = scratch.quadColours;
    std::vector<float>& coords = scratch.quadCoords;
    const size_t quads = static_cast<size_t>(e.liveCount > 0 ? e.liveCount : 0);
    if (vertices.size() < quads * 12) {
        try {
            vertices.resize(quads * 12);
            colours.resize(quads * 16);
            coords.resize(quads * 8);
        } catch (const std::bad_alloc&) {
            // No room for the batch: the quads go one matrix at a time instead.
            std::vector<float>().swap(vertices);
            std::vector<float>().swap(colours);
            std::vector<float>().swap(coords);
            drawPolygonsEach(e, cam);
            return;
        }
    }
    size_t n = 0;
    for (const Particle* p = e.liveList; p && n < quads; p = p->next, ++n) {
        float* v = vertices.data() + n * 12;
        float* c = colours.data() + n * 16;
        float* t = coords.data() + n * 8;
        for (int k = 0; k < 4; ++k) {
            for (int r = 0; r < 3; ++r) v[3 * k + r] = p->position[r] + p->size * corner[k][r];
            std::memcpy(c + 4 * k, p->color, sizeof p->color);
            t[2 * k] = tex[k][0];
            t[2 * k + 1] = tex[k][1];
        }
    }
    if (n == 0) return;
    glNormal3fv(normal);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glColorPointer(4, GL_FLOAT, 0, colours.data());
    glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(n * 4));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // The current colour is the last particle's, as after drawing one by one.
    glColor4fv(colours.data() + (n - 1) * 16);
}

void drawPolygonsEach(const EmitterData& e, const float cam[3]) {
    for (const Particle* p = e.liveList; p; p = p->next) {
        glPushMatrix();
        glTranslatef(p->position[0], p->position[1], p->position[2]);
        glScalef(p->size, p->size, p->size);
        glRotatef(-cam[2], 0, 0, 1);
        glRotatef(-cam[1], 0, 1, 0);
        glRotatef(-cam[0], 1, 0, 0);
        glBegin(GL_QUADS);
        glColor4fv(p->color);
        glNormal3f(0, 0, 1);
        glTexCoord2f(1, 0);
        glVertex3fv(p->corners[0]);
        glTexCoord2f(1, 1);
        glVertex3fv(p->corners[1]);
        glTexCoord2f(0, 1);
        glVertex3fv(p->corners[2]);
        glTexCoord2f(0, 0);
        glVertex3fv(p->corners[3]);
        glEnd();
        glPopMatrix();
    }
}

}  // namespace

float randomUnit() {
    const float k = 6.103888e-05f;  // 2^-14 + 2^-28
    return static_cast<float>(platform::random15() - 16383) * k;
}

void setBatchedPolygons(bool on) { batchedPolygons = on; }

ParticleSystem::ParticleSystem() { platform::seedFromClock(); }

void setUpPointParameters() {
    if (!platform::hasGlExtension("GL_EXT_point_parameters")) return;
    auto pointParameterf = reinterpret_cast<void (*)(unsigned, float)>(platform::glProcAddress("glPointParameterfEXT"));
    auto pointParameterfv =
        reinterpret_cast<void (*)(unsigned, const float*)>(platform::glProcAddress("glPointParameterfvEXT"));
    if (!pointParameterf || !pointParameterfv) return;
    const float attenuation[3] = {0.0f, 0.2f, 0.0f};
    pointParameterfv(GL_DISTANCE_ATTENUATION_EXT, attenuation);
    pointParameterf(GL_POINT_FADE_THRESHOLD_SIZE_EXT, 1.0f);
}

void curveValue(const CurveKey* keys, int32_t count, float f, float out[4]) {
    int32_t k = 0;
    while (k < count && keys[k].time <= f) ++k;
    if (k == 0 || k == count) {
        // Flat before the first key and after the last.
        const CurveKey& held = k == 0 ? keys[0] : keys[count - 1];
        for (int c = 0; c < 4; ++c) out[c] = held.value[c];
        return;
    }
    const CurveKey& a = keys[k - 1];
    const CurveKey& b = keys[k];
    const float t = (f - a.time) / (b.time - a.time);
    for (int c = 0; c < 4; ++c) out[c] = a.value[c] + t * (b.value[c] - a.value[c]);
}

Failure setLifeCurve(LifeCurve& curve, int32_t which, const CurveKey* keys, int32_t count, const char** why) {
    auto refuse = [why](const char* text) {
        *why = text;
        return Failure::BadArgument;
    };
    if (which != KORVID_CURVE_COLOUR && which != KORVID_CURVE_SIZE) return refuse("there is no such curve");
    if (count < 0 || count > KORVID_MAX_CURVE_KEYS) return refuse("a curve has 0 to 16 keys");
    if (count > 0 && !keys) return refuse("the keys are missing");
    for (int32_t k = 0; k < count; ++k) {
        const CurveKey& key = keys[k];
        if (!(key.time >= 0.0f && key.time <= 1.0f)) return refuse("key times lie from 0 to 1");
        if (k > 0 && !(key.time > keys[k - 1].time)) return refuse("key times must increase");
        for (float v : key.value)
            if (!std::isfinite(v)) return refuse("a key value is not a finite number");
        if (which == KORVID_CURVE_SIZE && key.value[0] < 0) return refuse("a size cannot be negative");
    }
    curve.keys.assign(keys, keys + count);
    curve.table.clear();
    if (count == 0) return Failure::None;
    curve.table.resize(kCurveSamples + 1);
    for (int i = 0; i <= kCurveSamples; ++i)
        curveValue(curve.keys.data(), count, static_cast<float>(i) / kCurveSamples, curve.table[size_t(i)].data());
    return Failure::None;
}

void initEmitter(EmitterData& e) {
    std::memset(&e, 0, sizeof e);
    e.totalParticles = 1000;
    e.burst.count = 10;
    e.burst.life = 500;
    e.burst.yawVar = 3.1415927f;
    e.burst.pitch = 1.5707964f;
    e.burst.pitchVar = 0.78539819f;
    e.burst.speed = 0.01f;
    for (int i = 0; i < 4; ++i) e.burst.startColor[i] = 1.0f;
    e.burst.startSize = 1.0f;
    e.burst.endSize = 1.0f;
    e.emitterPerCycle = 1;
    e.life = 2000;
    for (int i = 0; i < 4; ++i) e.startColor[i] = 1.0f;
    e.startSize = 1.0f;
}

namespace {

// Puts every particle of a pool back to idle, linked in order.
void resetPool(Particle* pool, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        Particle& p = pool[i];
        std::memset(&p, 0, sizeof p);
        std::memcpy(p.corners, kCorners, sizeof kCorners);
        p.next = i + 1 < count ? &pool[i + 1] : nullptr;
    }
}

// A pool of `count` idle particles (none for a count of 0 or less); false
// when it cannot be allocated.
bool makePool(int32_t count, std::unique_ptr<Particle[]>& out) {
    out.reset();
    if (count <= 0) return true;
    out.reset(new (std::nothrow) Particle[static_cast<size_t>(count)]);
    if (!out) return false;
    resetPool(out.get(), count);
    return true;
}

void installPool(Emitter& emitter, std::unique_ptr<Particle[]> pool, int32_t count) {
    freePool(emitter);
    emitter.pool = std::move(pool);
    emitter.poolCount = emitter.pool ? count : 0;
    emitter.data.freeList = emitter.pool.get();
}

}  // namespace

bool buildParticlePool(Emitter& emitter) {
    std::unique_ptr<Particle[]> pool;
    if (!makePool(emitter.data.totalParticles, pool)) return false;
    installPool(emitter, std::move(pool), emitter.data.totalParticles);
    return true;
}

int64_t pooledParticles(const ParticleSystem& ps, const EmitterData* except) {
    int64_t total = 0;
    for (const auto& e : ps.emitters)
        if (&e->data != except && e->data.totalParticles > 0) total += e->data.totalParticles;
    return total;
}

bool fitsParticleLimit(const ParticleSystem& ps, const EmitterData* replaced, int32_t totalParticles) {
    const int64_t wanted = totalParticles > 0 ? totalParticles : 0;
    return pooledParticles(ps, replaced) + wanted <= KORVID_MAX_PARTICLES;
}

int32_t addEmitter(ParticleSystem& ps, const EmitterData& tmpl, Failure* why) {
    return insertEmitter(ps, tmpl, ps.count(), why);
}

namespace {

// A new emitter from `tmpl` with its pool; null (and `refusal` OutOfMemory)
// when the pool cannot be allocated.
std::unique_ptr<Emitter> newEmitter(const EmitterData& tmpl, Failure& refusal) {
    auto emitter = std::make_unique<Emitter>();
    EmitterData& e = emitter->data;
    e = tmpl;
    e.freeList = nullptr;
    e.liveList = nullptr;
    e.liveCount = 0;
    e.next = nullptr;
    e.name[27] = '\0';
    e.imageName[27] = '\0';
    // An emitter is never left without its pool.
    refusal = Failure::OutOfMemory;
    if (!buildParticlePool(*emitter)) return nullptr;
    refusal = Failure::None;
    emitter->startLifespanTime = e.lifespanTime;
    emitter->startCountdown = e.emitCountdown;
    return emitter;
}

}  // namespace

int32_t insertEmitter(ParticleSystem& ps, const EmitterData& tmpl, int32_t index, Failure* why) {
    Failure ignored;
    Failure& refusal = why ? *why : ignored;
    refusal = Failure::BadArgument;
    if (index < 0 || index > ps.count()) return 0;
    refusal = Failure::ParticleLimit;
    if (!fitsParticleLimit(ps, nullptr, tmpl.totalParticles)) return 0;
    std::unique_ptr<Emitter> emitter = newEmitter(tmpl, refusal);
    if (!emitter) return 0;
    ps.emitters.insert(ps.emitters.begin() + index, std::move(emitter));
    relink(ps);
    return ps.count();
}

int32_t appendEmitter(ParticleSystem& ps, const EmitterData& tmpl, int64_t& pooled, Failure* why) {
    Failure ignored;
    Failure& refusal = why ? *why : ignored;
    const int64_t wanted = tmpl.totalParticles > 0 ? tmpl.totalParticles : 0;
    refusal = Failure::ParticleLimit;
    if (pooled + wanted > KORVID_MAX_PARTICLES) return 0;
    std::unique_ptr<Emitter> emitter = newEmitter(tmpl, refusal);
    if (!emitter) return 0;
    if (!ps.emitters.empty()) ps.emitters.back()->data.next = &emitter->data;
    ps.emitters.push_back(std::move(emitter));
    pooled += wanted;
    return ps.count();
}

int32_t selectEmitter(ParticleSystem& ps, int32_t index) {
    if (index < 0 || index > ps.count()) return 0;
    // The index just past the end leaves no emitter current.
    ps.current = index < ps.count() ? ps.emitters[static_cast<size_t>(index)].get() : nullptr;
    return 1;
}

Failure setEmitter(ParticleSystem& ps, const EmitterData& s) {
    if (!ps.current) return Failure::NoEmitter;
    EmitterData* e = &ps.current->data;
    if (s.totalParticles < s.emitterPerCycle) return Failure::PoolBelowBatch;
    if (s.totalParticles != e->totalParticles && !fitsParticleLimit(ps, e, s.totalParticles))
        return Failure::ParticleLimit;
    // Every field the caller may set; a new pool size also rebuilds the pool,
    // which ends every live particle. Lists, counts and the burst stay.
    const bool newPool = s.totalParticles != e->totalParticles;
    // The new pool is made first, so that a refusal changes nothing.
    std::unique_ptr<Particle[]> pool;
    if (newPool && !makePool(s.totalParticles, pool)) return Failure::OutOfMemory;
    copyFields<EmitterData>(*e, s, emitterFields(), kInput);
    ps.current->startLifespanTime = e->lifespanTime;
    if (newPool) installPool(*ps.current, std::move(pool), e->totalParticles);
    return Failure::None;
}

void setBurst(ParticleSystem& ps, const BurstData& burst) {
    if (ps.current) ps.current->data.burst = burst;
}

void simulateEmitter(Emitter& emitter, int32_t frameDelta) {
    EmitterData& e = emitter.data;
    if (e.isLifespan) e.lifespanTime = subtractSaturated(e.lifespanTime, frameDelta);
    if (e.lifespanTime > 0) {
        e.emitCountdown = subtractSaturated(e.emitCountdown, frameDelta);
        if (e.emitCountdown <= 0) {
            const int64_t n = truncated(randomUnit() * static_cast<float>(e.emitterPerCycleVar)) + e.emitterPerCycle;
            emitMany(e, fromEmitter(e), e.position, false, n, &emitter.shape);
            e.emitCountdown = e.emitterTime;
        }
    } else {
        e.lifespanTime = 0;
    }
    for (Particle* p = e.liveList; p;) {
        Particle* next = p->next;
        updateParticle(p, emitter, frameDelta);
        p = next;
    }
}

void drawEmitter(const EmitterData& e, const float cam[3]) {
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    if (!e.isLighting) glDisable(GL_LIGHTING);
    if (e.isAltAlpha) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    switch (e.particleType) {
    case 0:
        glPointSize(e.startSize);
        glBegin(GL_POINTS);
        for (const Particle* p = e.liveList; p; p = p->next) {
            glColor4fv(p->color);
            glVertex3fv(p->position);
        }
        glEnd();
        break;
    case 1:
        glLineWidth(e.startSize);
        glBegin(GL_LINES);
        for (const Particle* p = e.liveList; p; p = p->next) {
            glColor4fv(p->color);
            glVertex3fv(p->previousPosition);
            glVertex3fv(p->position);
        }
        glEnd();
        break;
    case 2:
        glLineWidth(e.startSize);
        for (const Particle* p = e.liveList; p; p = p->next) {
            glBegin(GL_LINE_STRIP);
            glColor4f(p->color[0], p->color[1], p->color[2], 0.0f);
            glVertex3fv(p->olderPosition);
            glColor4f(p->color[0], p->color[1], p->color[2], 0.6f);
            glVertex3fv(p->previousPosition);
            glColor4fv(p->color);
            glVertex3fv(p->position);
            glEnd();
        }
        break;
    case 3:
        if (e.textureId) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, e.textureId);
        }
        // Lit quads need the per-particle matrix so their normals scale as before.
        if (batchedPolygons && !e.isLighting) drawPolygonsBatched(e, cam);
        else drawPolygonsEach(e, cam);
        glDisable(GL_TEXTURE_2D);
        break;
    default:
        break;
    }
    if (e.isAltAlpha) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (!e.isLighting) glEnable(GL_LIGHTING);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_COLOR_MATERIAL);
}

void simulateParticleSystem(ParticleSystem& ps, int32_t frameDelta) {
    for (const auto& e : ps.emitters) simulateEmitter(*e, frameDelta);
}

void drawParticleSystem(const ParticleSystem& ps, const float cameraRotation[3]) {
    for (const auto& e : ps.emitters)
        if (!e->hidden) drawEmitter(e->data, cameraRotation);
}

void restartEmitters(ParticleSystem& ps) {
    for (const auto& e : ps.emitters) {
        // The pool is reused as it is, so a restart needs no memory.
        if (e->pool && e->poolCount == e->data.totalParticles) {
            resetPool(e->pool.get(), e->poolCount);
            e->data.freeList = e->pool.get();
            e->data.liveList = nullptr;
            e->data.liveCount = 0;
        } else {
            buildParticlePool(*e);
        }
        e->data.lifespanTime = e->startLifespanTime;
        e->data.emitCountdown = e->startCountdown;
        e->burstsFired = 0;
    }
}

bool removeCurrentEmitter(ParticleSystem& ps) {
    const auto at = std::find_if(ps.emitters.begin(), ps.emitters.end(),
                                 [&ps](const auto& e) { return e.get() == ps.current; });
    if (at == ps.emitters.end()) return false;
    const auto next = ps.emitters.erase(at);
    ps.current = next == ps.emitters.end() ? nullptr : next->get();
    relink(ps);
    return true;
}

}  // namespace korvid

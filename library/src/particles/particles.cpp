// The particle step: emission, motion, deaths and the bursts they set off.
#include "particles.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>

#include "context.h"
#include "model.h"
#include "particle_motion.h"
#include "platform.h"

namespace korvid {
namespace {

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

// Where births go and how many more fit: straight into the store while an
// emitter emits, or set aside while deaths set off bursts, to join the store
// after the step. `live` counts the particles alive at this moment.
struct Nursery {
    ParticleStore& store;
    std::vector<Birth>* later;  // null: straight into the store
    int32_t live;
    int32_t limit;
    bool full() const { return live >= limit; }
    void add(const Birth& b) {
        if (later) later->push_back(b);
        else store.append(b);
        live += 1;
    }
};

// Returns false when the pool was full and nothing was emitted.
bool emit(Nursery& nursery, const EmissionSource& s, const float origin[3], bool burst,
          const ShapeState* shape, const EmitterLook& look, const Placement* placement) {
    const float u = randomUnit();
    const float v = randomUnit();
    if (nursery.full()) return false;

    Birth p{};
    std::memcpy(p.position, origin, sizeof p.position);
    float dir[3];
    direction(s.yaw + u * s.yawVar, s.pitch + v * s.pitchVar, dir);
    const float w = randomUnit();
    const float speed = s.speed + w * s.speedVar;
    for (int i = 0; i < 3; ++i) p.velocity[i] = dir[i] * speed;

    const float start[4] = {s.startColor[0] + u * s.startColorVar[0], s.startColor[1] + v * s.startColorVar[1],
                            s.startColor[2] + u * s.startColorVar[2], s.startColor[3] + v * s.startColorVar[3]};
    const float end[4] = {s.endColor[0] + v * s.endColorVar[0], s.endColor[1] + u * s.endColorVar[1],
                          s.endColor[2] + v * s.endColorVar[2], s.endColor[3] + u * s.endColorVar[3]};
    std::memcpy(p.color, start, sizeof start);

    for (int i = 0; i < 4; ++i) p.colorVar[i] = start[i] - s.startColor[i];
    p.lifeLeft = saturate(int64_t(s.life) + truncated(v * static_cast<float>(s.lifeVar)));
    p.lifeTotal = p.lifeLeft;
    // A particle born with no life dies at its next update; its steps are never used.
    const float life = p.lifeLeft > 0 ? static_cast<float>(p.lifeLeft) : 0.0f;

    // Sizes are drawn for every type, so that a change to Polygons finds
    // every particle with its own.
    const float startSize = s.startSize + u * s.startSizeVar;
    const float endSize = s.endSize + v * s.endSizeVar;
    p.size = startSize;
    p.sizeVar = startSize - s.startSize;
    p.sizeStep = life > 0 ? (endSize - startSize) / life : 0.0f;
    for (int i = 0; i < 4; ++i) p.colorStep[i] = life > 0 ? (end[i] - start[i]) / life : 0.0f;
    p.fromBurst = burst ? 1 : 0;
    if (shape && !shape->point()) {
        // The birth place, drawn after everything else a birth draws.
        float at[3];
        sampleShape(*shape, at);
        const bool world = shape->onTriangles();
        for (int i = 0; i < 3; ++i) p.position[i] = (world ? 0.0f : origin[i]) + at[i];
    }
    // Its look's spreads come last, and only when set, so that effects
    // without them draw the same numbers as before they existed.
    if (placement) placement->place(p.position, p.velocity, !burst);
    const LookDraws drawn = drawLook(look);
    p.angleVar = drawn.angleVar;
    p.spinVar = drawn.spinVar;
    p.flipStart = drawn.flipStart;
    nursery.add(p);
    return true;
}

// Runs emit `count` times. Once the pool refuses a particle it refuses every
// further one in this run, so the remaining tries only advance the generator
// by their two draws each; that is done in one jump, however large the count.
void emitMany(Nursery& nursery, const EmissionSource& s, const float origin[3], bool burst,
              int64_t count, const Emitter& emitter, const ShapeState* shape = nullptr) {
    const Placement* placement = emitter.placement.placed ? &emitter.placement : nullptr;
    for (int64_t i = 0; i < count; ++i) {
        if (!emit(nursery, s, origin, burst, shape, emitter.look, placement)) {
            platform::skipRandom(2 * static_cast<uint64_t>(count - i - 1));
            return;
        }
    }
}

int32_t poolLimit(const Emitter& emitter) {
    return std::min(emitter.data.totalParticles, emitter.store->capacity());
}

// Particles that reach the step without life die, newest first: a dying
// particle of an emitter with bursts sets its burst off where it is, while
// it still holds its place in the pool. Returns the lowest dying index, or
// the count when none dies.
int32_t dieAndBurst(Emitter& emitter) {
    ParticleStore& s = *emitter.store;
    EmitterData& e = emitter.data;
    const int32_t n = s.count();
    const int32_t* life = s.integers(kLifeLeft);
    const int32_t first = static_cast<int32_t>(std::find_if(life, life + n, [](int32_t l) { return l <= 0; }) - life);
    emitter.bursts.clear();
    if (first == n) return n;
    emitter.dying.assign(size_t(n), 0);
    Nursery nursery{s, &emitter.bursts, n, poolLimit(emitter)};
    const int32_t* burstBorn = s.integers(kFromBurst);
    const int32_t* contact = s.integers(kContact);
    for (int32_t i = n - 1; i >= first; --i) {
        if (life[i] > 0) continue;
        emitter.dying[size_t(i)] = 1;
        if ((e.isBurst || contact[i] == kBurstAtDeath) && !burstBorn[i]) {
            for (int a = 0; a < 3; ++a) e.burst.origin[a] = s.position(0, a)[i];
            emitter.burstsFired += 1;
            emitMany(nursery, fromBurst(e.burst), e.burst.origin, true, e.burst.count, emitter);
        }
        nursery.live -= 1;
    }
    return first;
}

// Curves over life set the colour and size of the emitter's own particles
// from the age they reached; a burst's particles step as without curves.
// A block at a time: the ages first, then each channel as one straight loop,
// with LifeCurve::at's arithmetic.
constexpr int64_t kCurveBlock = 1024;

void followCurves(Emitter& emitter, int64_t begin, int64_t end) {
    ParticleStore& s = *emitter.store;
    const LifeCurve& colour = emitter.curves[KORVID_CURVE_COLOUR];
    const LifeCurve& size = emitter.curves[KORVID_CURVE_SIZE];
    const bool sized = size.on() && emitter.data.particleType == 3;
    const int32_t* fromBurst = s.integers(kFromBurst);
    const int32_t* life = s.integers(kLifeLeft);
    const int32_t* lifeTotal = s.integers(kLifeTotal);
    const uint8_t* dying = emitter.dying.empty() ? nullptr : emitter.dying.data();
    bool skip[kCurveBlock];
    int32_t cell[kCurveBlock];
    float along[kCurveBlock];
    for (int64_t at = begin; at < end; at += kCurveBlock) {
        const int64_t n = std::min(kCurveBlock, end - at);
        for (int64_t k = 0; k < n; ++k) {
            const int64_t i = at + k;
            skip[k] = fromBurst[i] != 0 || (dying && dying[i]);
            // The age reached, as a fraction of the life at birth.
            const float f = lifeTotal[i] > 0
                                ? 1.0f - static_cast<float>(life[i]) * (1.0f / static_cast<float>(lifeTotal[i]))
                                : 1.0f;
            const float x = (f < 0.0f ? 0.0f : f > 1.0f ? 1.0f : f) * float(kCurveSamples);
            const int c = static_cast<int>(x) < kCurveSamples ? static_cast<int>(x) : kCurveSamples - 1;
            cell[k] = c;
            along[k] = x - static_cast<float>(c);
        }
        if (colour.on()) {
            // The four channels of a particle from one pair of table rows.
            const float* rows = colour.table.data()->data();
            float* r = s.column(kColor);
            float* g = s.column(kColor + 1);
            float* b = s.column(kColor + 2);
            float* a = s.column(kColor + 3);
            const float* vr = s.column(kColorVar);
            const float* vg = s.column(kColorVar + 1);
            const float* vb = s.column(kColorVar + 2);
            const float* va = s.column(kColorVar + 3);
            for (int64_t k = 0; k < n; ++k) {
                if (skip[k]) continue;
                const float* lo = rows + 4 * cell[k];
                const float* hi = lo + 4;
                const float t = along[k];
                const int64_t i = at + k;
                r[i] = (lo[0] + t * (hi[0] - lo[0])) + vr[i];
                g[i] = (lo[1] + t * (hi[1] - lo[1])) + vg[i];
                b[i] = (lo[2] + t * (hi[2] - lo[2])) + vb[i];
                a[i] = (lo[3] + t * (hi[3] - lo[3])) + va[i];
            }
        }
        if (sized) {
            const float* rows = size.table.data()->data();
            float* out = s.column(kSize);
            const float* var = s.column(kSizeVar);
            for (int64_t k = 0; k < n; ++k) {
                if (skip[k]) continue;
                const float* lo = rows + 4 * cell[k];
                out[at + k] = (lo[0] + along[k] * (lo[4] - lo[0])) + var[at + k];
            }
        }
    }
}

MotionStep motionStep(Emitter& emitter, int32_t frameDelta) {
    ParticleStore& s = *emitter.store;
    const EmitterData& e = emitter.data;
    MotionStep m{};
    for (int a = 0; a < 3; ++a) m.from[a] = s.position(1, a);
    for (int a = 0; a < 3; ++a) m.to[a] = s.position(0, a);
    for (int a = 0; a < 3; ++a) m.velocity[a] = s.column(kVelocity + a);
    for (int c = 0; c < 4; ++c) {
        m.color[c] = s.column(kColor + c);
        m.colorStep[c] = s.column(kColorStep + c);
    }
    if (e.particleType == 3) {
        m.size = s.column(kSize);
        m.sizeStep = s.column(kSizeStep);
    }
    m.lifeLeft = s.integers(kLifeLeft);
    m.fromBurst = s.integers(kFromBurst);
    std::memcpy(m.force, e.force, sizeof m.force);
    m.dt = static_cast<float>(frameDelta);
    m.frameDelta = frameDelta;
    m.reflect = e.isReflected != 0;
    m.groundKills = e.isBurst && e.isBurstOnGround;
    m.ground = e.groundPosition;
    return m;
}

// Each particle's trail after its step: points older than the trail's length
// drop off its tail, and its place now becomes the newest point once it is
// far enough from the last (every step for a distance of 0). `now` is the
// emitter's simulated time.
void layTrails(ParticleStore& s, const Trail& trail, int32_t now, int64_t begin, int64_t end) {
    const int32_t points = s.trailPoints();
    int32_t* used = s.integers(kTrailUsed);
    int32_t* head = s.integers(kTrailHead);
    const float* x = s.position(0, 0);
    const float* y = s.position(0, 1);
    const float* z = s.position(0, 2);
    const float minSquared = trail.minDistance * trail.minDistance;
    for (int64_t i = begin; i < end; ++i) {
        TrailPoint* ring = s.trail(int32_t(i));
        int32_t n = used[i];
        // The oldest point is n - 1 places behind the head.
        while (n > 0 && int64_t(now) - ring[(head[i] - (n - 1) + points) % points].ms > trail.length) --n;
        bool lay = n == 0;
        if (!lay) {
            const TrailPoint& last = ring[head[i]];
            const float dx = x[i] - last.x, dy = y[i] - last.y, dz = z[i] - last.z;
            const float d = dx * dx + dy * dy + dz * dz;
            lay = minSquared > 0 ? d >= minSquared : d > 0 || last.ms != now;
        }
        if (lay) {
            head[i] = n == 0 ? 0 : (head[i] + 1) % points;
            ring[head[i]] = {x[i], y[i], z[i], now};
            n = n < points ? n + 1 : points;
        }
        used[i] = n;
    }
}

// Particles a worker takes at a time: below two of these a step stays on
// the calling thread.
constexpr int64_t kParticlesAPiece = 16384;

}  // namespace

float randomUnit() {
    const float k = 6.103888e-05f;  // 2^-14 + 2^-28
    return static_cast<float>(platform::random15() - 16383) * k;
}

ParticleSystem::ParticleSystem() { platform::seedFromClock(); }

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

void simulateEmitter(Emitter& emitter, int32_t frameDelta, bool keepHits) {
    EmitterData& e = emitter.data;
    ParticleStore& s = *emitter.store;
    emitter.elapsedMs = std::min<int64_t>(emitter.elapsedMs + std::max(0, frameDelta), INT32_MAX);
    s.setTrailClock(int32_t(emitter.elapsedMs));
    if (e.isLifespan) e.lifespanTime = subtractSaturated(e.lifespanTime, frameDelta);
    if (e.lifespanTime > 0) {
        e.emitCountdown = subtractSaturated(e.emitCountdown, frameDelta);
        if (e.emitCountdown <= 0) {
            const int64_t n = truncated(randomUnit() * static_cast<float>(e.emitterPerCycleVar)) + e.emitterPerCycle;
            Nursery nursery{s, nullptr, s.count(), poolLimit(emitter)};
            emitMany(nursery, fromEmitter(e), e.position, false, n, emitter, &emitter.shape);
            e.emitCountdown = e.emitterTime;
        }
    } else {
        e.lifespanTime = 0;
    }
    // The dying go first, from the positions they died at; the living then
    // move one step, every particle on its own, so the workers share them.
    const int32_t firstDying = dieAndBurst(emitter);
    const int32_t count = s.count();
    s.turnHistory();
    const MotionStep step = motionStep(emitter, frameDelta);
    const bool curved = emitter.curves[KORVID_CURVE_COLOUR].on() || emitter.curves[KORVID_CURVE_SIZE].on();
    // Fields and colliders act on what the motion wrote, block by block.
    const bool forced = !emitter.fields.empty() || !emitter.colliders.empty();
    ForcePass forces;
    if (forced) {
        forces.fields = &emitter.fields;
        forces.colliders = stepColliders(emitter.colliders, context().store.get());
        forces.seconds = static_cast<float>(emitter.elapsedMs) * 0.001f;
        forces.keepHits = keepHits;
    }
    const bool trailed = s.trailPoints() > 0;
    emitter.foundHits.clear();
    std::mutex found;
    int64_t contacts = 0;
    context().workers.forRanges(count, kParticlesAPiece, [&](int64_t begin, int64_t end) {
        if (!curved && !forced) {
            move(step, begin, end);
            if (trailed) layTrails(s, emitter.look.trail, int32_t(emitter.elapsedMs), begin, end);
            return;
        }
        // Curves read what the step just wrote: a block at a time, while it is in the cache.
        std::vector<FoundHit> hits;
        int64_t met = 0;
        for (int64_t at = begin; at < end; at += kCurveBlock) {
            const int64_t stop = std::min(end, at + kCurveBlock);
            move(step, at, stop);
            if (curved) followCurves(emitter, at, stop);
            if (forced) met += applyForces(forces, s, at, stop, &hits);
        }
        if (trailed) layTrails(s, emitter.look.trail, int32_t(emitter.elapsedMs), begin, end);
        if (met == 0) return;
        std::lock_guard<std::mutex> lock(found);
        contacts += met;
        emitter.foundHits.insert(emitter.foundHits.end(), hits.begin(), hits.end());
    });
    emitter.hits += contacts;
    // Workers finish in any order: the contacts go out in the particles' order.
    std::sort(emitter.foundHits.begin(), emitter.foundHits.end(),
              [](const FoundHit& a, const FoundHit& b) { return a.particle < b.particle; });
    if (firstDying < count) s.compact(emitter.dying.data(), firstDying);
    emitter.dying.clear();
    // A burst's particles join as the newest, in the order they were born,
    // and first move at the next step.
    for (const Birth& b : emitter.bursts) s.append(b);
    emitter.bursts.clear();
    syncLists(emitter);
}

void simulateParticleSystem(ParticleSystem& ps, int32_t frameDelta, const HitSink& sink) {
    for (size_t k = 0; k < ps.emitters.size(); ++k) {
        Emitter& e = *ps.emitters[k];
        simulateEmitter(e, frameDelta, sink.fn != nullptr);
        for (FoundHit& h : e.foundHits) {
            h.hit.model = sink.model;
            h.hit.emitter = int32_t(k);
            sink.fn(&h.hit, sink.user);
        }
        e.foundHits.clear();
    }
}

std::vector<ParticleView> liveParticles(const EmitterData& e) {
    std::vector<ParticleView> out;
    const Particle* handle = e.liveList ? e.liveList : e.freeList;
    if (!handle) return out;
    const ParticleStore& s = *handle->store;
    for (int32_t i = s.count() - 1; i >= 0; --i) {
        ParticleView p{};
        for (int a = 0; a < 3; ++a) {
            p.position[a] = s.position(0, a)[i];
            p.previousPosition[a] = s.position(1, a)[i];
            p.olderPosition[a] = s.position(2, a)[i];
            p.velocity[a] = s.column(kVelocity + a)[i];
        }
        for (int c = 0; c < 4; ++c) {
            p.color[c] = s.column(kColor + c)[i];
            p.colorStep[c] = s.column(kColorStep + c)[i];
            p.colorVar[c] = s.column(kColorVar + c)[i];
        }
        p.size = s.column(kSize)[i];
        p.sizeStep = s.column(kSizeStep)[i];
        p.sizeVar = s.column(kSizeVar)[i];
        p.lifeLeft = s.integers(kLifeLeft)[i];
        p.fromBurst = s.integers(kFromBurst)[i];
        p.lifeTotal = s.integers(kLifeTotal)[i];
        out.push_back(p);
    }
    return out;
}

}  // namespace korvid

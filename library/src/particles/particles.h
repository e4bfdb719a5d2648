// The particle engine: emitters with their bursts, particle pools, simulation
// and drawing. Every model owns one ParticleSystem.
#pragma once
#include <cstdint>
#include <array>
#include <memory>
#include <vector>

#include "emitter_shape.h"
#include "failure.h"
#include "korvid.h"
#include "particle_forces.h"
#include "particle_look.h"
#include "particle_store.h"

namespace korvid {

// A curve over a particle's life, and its values baked at kCurveSamples + 1
// evenly spaced ages for a cheap lookup.
constexpr int kCurveSamples = 256;
struct LifeCurve {
    std::vector<CurveKey> keys;  // none: no curve
    std::vector<std::array<float, 4>> table;
    bool on() const { return !keys.empty(); }
    // The curve at age fraction f (0..1).
    void at(float f, float out[4]) const {
        const float x = (f < 0.0f ? 0.0f : f > 1.0f ? 1.0f : f) * float(kCurveSamples);
        const int i = static_cast<int>(x) < kCurveSamples ? static_cast<int>(x) : kCurveSamples - 1;
        const float t = x - static_cast<float>(i);
        const float* a = table[size_t(i)].data();
        const float* b = table[size_t(i) + 1].data();
        for (int c = 0; c < 4; ++c) out[c] = a[c] + t * (b[c] - a[c]);
    }
};
// The value of the curve of `count` (1 or more) keys at age fraction `f`:
// flat before the first key and after the last, straight between keys.
void curveValue(const CurveKey* keys, int32_t count, float f, float out[4]);
// Checks and bakes `keys` into `curve`; Failure::None or BadArgument with `why` filled.
Failure setLifeCurve(LifeCurve& curve, int32_t which, const CurveKey* keys, int32_t count, const char** why);

// Where an instance's emitter stands: its births are carried by an affine
// transform (3 rows of 4, the matrix's last row left out). A burst's births
// start where their particle died, so only their directions are turned.
struct Placement {
    bool placed = false;
    float m[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    void place(float position[3], float velocity[3], bool move) const {
        const float p[3] = {position[0], position[1], position[2]};
        const float v[3] = {velocity[0], velocity[1], velocity[2]};
        for (int r = 0; r < 3; ++r) {
            const float* row = m + 4 * r;
            if (move) position[r] = row[0] * p[0] + row[1] * p[1] + row[2] * p[2] + row[3];
            velocity[r] = row[0] * v[0] + row[1] * v[1] + row[2] * v[2];
        }
    }
};

// One emitter: the exchanged record, whose `next`, lists and counts the
// library keeps up to date, and the store of its particles.
struct Emitter {
    EmitterData data{};
    std::unique_ptr<ParticleStore> store = std::make_unique<ParticleStore>();  // never null
    int64_t burstsFired = 0;  // statistics for tools; not part of the record
    // The timers as the emitter was added (or its record last set), for a restart.
    int32_t startLifespanTime = 0;
    int32_t startCountdown = 0;
    LifeCurve curves[2];  // KORVID_CURVE_COLOUR, KORVID_CURVE_SIZE
    ShapeState shape;
    std::vector<ForceField> fields;        // applied in order after each step's motion
    std::vector<HeldCollider> colliders;   // none of its particles passes one
    int64_t hits = 0;                      // contacts with the colliders since the restart
    int64_t elapsedMs = 0;                 // simulated since the restart: the noise's and trails' time
    EmitterLook look;                      // flipbook, spin, trail and sort
    Placement placement;                   // an instance's: where its births are carried
    bool hidden = false;  // not drawn and not counted in the scene; simulated all the same
    // Scratch of a step, kept to spare allocations: which particles die, and
    // the particles their bursts give birth to.
    std::vector<uint8_t> dying;
    std::vector<Birth> bursts;
    std::vector<FoundHit> foundHits;
};

// Where a step's contacts are told: the function (null: only counted) and
// the index of the system's model in the scene, for the hit records.
struct HitSink {
    KorvidHitFn fn = nullptr;
    void* user = nullptr;
    int32_t model = -1;
};

struct ParticleSystem {
    std::vector<std::unique_ptr<Emitter>> emitters;  // in list order
    Emitter* current = nullptr;

    ParticleSystem();  // reseeds the generator, as every new model does
    int32_t count() const { return static_cast<int32_t>(emitters.size()); }
    EmitterData* currentEmitter() const { return current ? &current->data : nullptr; }
};

// Point parameters for distance-attenuated points, when the context offers
// them; set once when the library starts.
void setUpPointParameters();

void initEmitter(EmitterData& e);
// Particles pooled by the system's emitters, leaving out `except`.
int64_t pooledParticles(const ParticleSystem& ps, const EmitterData* except);
// Whether a pool of `totalParticles` (replacing the pool of `replaced`, if
// any) keeps the system within KORVID_MAX_PARTICLES.
bool fitsParticleLimit(const ParticleSystem& ps, const EmitterData* replaced, int32_t totalParticles);
// The new emitter count, or 0 when refused; `why` then says why
// (ParticleLimit: the pool would pass the limit; OutOfMemory: it could not be
// allocated; BadArgument: the index is out of range).
int32_t addEmitter(ParticleSystem& ps, const EmitterData& tmpl, Failure* why = nullptr);
// As addEmitter, at position `index` (0..count).
int32_t insertEmitter(ParticleSystem& ps, const EmitterData& tmpl, int32_t index, Failure* why = nullptr);
// As addEmitter, in constant time for a reader adding many: `pooled` is the
// particles the system's pools hold so far, kept by the caller (0 for a new
// system) and grown by the new pool.
int32_t appendEmitter(ParticleSystem& ps, const EmitterData& tmpl, int64_t& pooled, Failure* why = nullptr);
int32_t selectEmitter(ParticleSystem& ps, int32_t index);
// Failure::None, or why the record was not taken (NoEmitter, PoolBelowBatch,
// ParticleLimit, OutOfMemory); nothing changes when it is refused.
Failure setEmitter(ParticleSystem& ps, const EmitterData& source);
void setBurst(ParticleSystem& ps, const BurstData& burst);
// A fresh pool of totalParticles idle particles; false, with the old pool
// kept, when it cannot be allocated.
bool buildParticlePool(Emitter& e);
// Sets the record's lists and live count from the store.
void syncLists(Emitter& e);

// Gives the emitter `look` after checking it: Failure::None, LookRefused
// with `why` filled, or OutOfMemory when its trails cannot be had; nothing
// changes when it is refused.
Failure setLook(Emitter& e, const EmitterLook& look, const char** why);

// Emits, moves and ages every emitter of the system by one step; the
// contacts with colliders go to `sink`.
void simulateParticleSystem(ParticleSystem& ps, int32_t frameDelta, const HitSink& sink = {});
// How the camera is turned, for particles that face it: its frame in the
// world as rows (right, up, towards the viewer) and, when it was built from
// a CameraData's angles, those angles in degrees (null for a view matrix).
struct CameraTurn {
    float frame[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float* angles = nullptr;
};
// The frame of a camera turned by `angles` (degrees about x, y, z, as objRender turns it).
void cameraFrame(const float angles[3], float frame[9]);
// Draws every emitter's live particles.
void drawParticleSystem(const ParticleSystem& ps, const CameraTurn& turn);
// Every emitter drops its particles and starts again as when it was added.
void restartEmitters(ParticleSystem& ps);
// A copy of `from` for an instance: the same record, curves, shape, forces,
// colliders and look, with an empty pool of its own; null when the pool
// cannot be allocated.
std::unique_ptr<Emitter> copyEmitter(const Emitter& from);
// Makes `to`'s emitters copies of `from`'s; false, with `to` unchanged, when
// a pool cannot be allocated.
bool copyEmitters(const ParticleSystem& from, ParticleSystem& to);
// Removes the current emitter; the one after it becomes current, or none.
bool removeCurrentEmitter(ParticleSystem& ps);

// Simulation without drawing (used by benchmarks and tests).
void simulateEmitter(Emitter& e, int32_t frameDelta, bool keepHits = false);
void drawEmitter(const Emitter& e, const float cameraRotation[3]);
void drawEmitter(const Emitter& e, const CameraTurn& turn);
// Draws the trails of the emitter's particles; `cameraFrame` holds the
// camera's right, up and towards-the-viewer directions in the world.
void drawTrails(const Emitter& e, const float cameraFrame[9]);

// The trail of particle i (every point kept, none merged) as a triangle
// list, six vertices between neighbouring places; returns how many, and
// writes them when `out` is not null. `scratch` is reused between calls.
int64_t trailTriangles(const Emitter& emitter, int32_t i, const float towards[3], std::vector<float>& scratch,
                       ParticleVertex* out);

// The emitter's particles as a triangle list facing `camera`, then its
// trails; writes them when `out` is not null. Returns how many vertices,
// and how many of them (the last) are trails.
struct EmitterVertices {
    int64_t all = 0, trails = 0;
};
EmitterVertices emitterVertices(const Emitter& emitter, const CameraData& camera, ParticleVertex* out);

// One live particle as a plain value, for tests and tools.
struct ParticleView {
    float position[3], previousPosition[3], olderPosition[3];
    float velocity[3];
    float color[4], colorStep[4];
    float size, sizeStep;
    int32_t lifeLeft, fromBurst, lifeTotal;
    float colorVar[4], sizeVar;
};
// The live particles of a record's emitter, newest first (the drawing order).
std::vector<ParticleView> liveParticles(const EmitterData& e);

// Polygons particles are drawn as one batch of quads whose corners are
// computed on the CPU; switching this off draws them one matrix at a time.
void setBatchedPolygons(bool on);

float randomUnit();

}  // namespace korvid

// How an emitter's particles look beyond their colour and size: a flipbook of
// cells of its image, a turn and a stretch, a trail behind each particle and
// the order they are drawn in. The settings are checked here; what a
// particle draws is worked out by the functions below, shared by the
// batched and the one-by-one drawing.
#pragma once
#include <cstdint>
#include <vector>

#include "korvid.h"

namespace korvid {

struct EmitterLook {
    Flipbook flipbook{};
    ParticleSpin spin{};
    Trail trail{};
    int32_t sort = KORVID_SORT_NONE;

    bool flipbookOn() const { return flipbook.columns > 0; }
    bool trailOn() const { return trail.enabled != 0; }
    bool spinDefault() const;
    bool flipbookDefault() const;
    bool trailDefault() const;
    // Whether every part is as a new emitter has it.
    bool isDefault() const { return spinDefault() && flipbookDefault() && trailDefault() && sort == KORVID_SORT_NONE; }
};

// What is wrong with a setting (null: nothing).
const char* flipbookProblem(const Flipbook& f);
const char* spinProblem(const ParticleSpin& s);
const char* trailProblem(const Trail& t);
const char* sortProblem(int32_t mode);

// The points a trail of `length` ms keeps for each particle: one a step of
// 15 ms, plus the particle's place at birth and now; 0 when off.
constexpr int32_t kMaxTrailPoints = 2 + KORVID_MAX_TRAIL_MS / 15;
int32_t trailPoints(const Trail& t);

// The random values a birth draws for its look, after everything else it
// draws, and only for what is set: the spread of its angle and spin, and its
// flipbook's start (0..1).
struct LookDraws {
    float angleVar = 0, spinVar = 0, flipStart = 0;
};
LookDraws drawLook(const EmitterLook& look);

// The cell a particle shows, and the next one with its weight when frames
// cross-fade (weight 0: one cell only).
struct FlipFrame {
    int32_t cell, next;
    float weight;
};
// `ageMs` is the particle's age, `lifeMs` its life at birth.
FlipFrame flipFrame(const Flipbook& f, int32_t ageMs, int32_t lifeMs, float start);
// The texture rectangle of cell `cell`: s0, t0, s1, t1 (rows from the top of the picture).
void cellRect(const Flipbook& f, int32_t cell, float out[4]);

// A Polygons particle's two half-axes in the world: `right` and `up` of
// the camera, turned by `angle` radians, and with align 1 the up axis along
// the velocity projected on the camera's plane, stretched with its speed.
// `camera` is the camera's rotation as rows (right, up, towards the viewer).
void quadAxes(const ParticleSpin& s, const float camera[9], float angle, const float velocity[3], float halfSize,
              float right[3], float up[3]);
// How much longer align 1 makes a particle moving at `velocity` (units a frame).
float stretchFactor(const ParticleSpin& s, const float velocity[3]);

// Indices 0..count-1 of particles (newest first, as drawn unsorted) ordered
// back to front by `depth` (larger is nearer); stable, so equal depths keep
// newest first. `scratch` is reused between calls.
void backToFront(const float* depth, int32_t count, std::vector<uint32_t>& order, std::vector<uint32_t>& scratch);

}  // namespace korvid

// One step of motion for the particles of a store: the ground bounce,
// position, velocity, colour and size stepped, life counted down. The same
// arithmetic in the same order on every path, so the vector path gives the
// scalar path's numbers to the bit.
#pragma once
#include <cstdint>

namespace korvid {

struct MotionStep {
    const float* from[3];  // positions now
    float* to[3];          // the positions after the step (another history slot)
    float* velocity[3];
    float* color[4];
    const float* colorStep[4];
    float* size;            // null: sizes are not stepped (only Polygons have them)
    const float* sizeStep;
    int32_t* lifeLeft;
    const int32_t* fromBurst;
    float force[3];
    float dt;               // the step in ms, as a float
    int32_t frameDelta;     // the step in ms
    bool reflect;           // particles at or below the ground turn their vertical speed round
    bool groundKills;       // and, unless they are a burst's, end their life there
    float ground;
};

enum class MotionPath { Scalar, Vector };

// Runs the step over particles [begin, end). Particles already without life
// are stepped too; the caller removes them afterwards.
void moveScalar(const MotionStep& step, int64_t begin, int64_t end);
void moveVector(const MotionStep& step, int64_t begin, int64_t end);
// The instruction set moveVector runs on now.
const char* vectorTargetName();
// The path the simulation uses (Vector unless a test chose otherwise).
void setMotionPath(MotionPath path);
MotionPath motionPath();
void move(const MotionStep& step, int64_t begin, int64_t end);

}  // namespace korvid

// How far the particle simulation moves in each rendered frame: paused, a
// single step asked for while paused, or a speed factor that turns the
// frame's milliseconds into zero or more simulation steps.
#pragma once
#include <cstdint>

namespace korvid {

constexpr float kMinSimulationSpeed = 0.25f;
constexpr float kMaxSimulationSpeed = 4.0f;
// At 4x a frame gives four steps; one more absorbs the rounding.
constexpr int kMaxStepsPerFrame = 5;

class SimulationClock {
public:
    void reset() { *this = SimulationClock{}; }
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Clamps to 0.25..4 and returns the speed in use.
    float setSpeed(float factor);
    float speed() const { return speed_; }
    // One step of `milliseconds` at the next frame; only while paused.
    bool requestStep(int32_t milliseconds);

    // The steps of this frame: how many, with the milliseconds of each.
    // Running at speed 1 that is always one step of the frame's delta.
    int stepsForFrame(int32_t frameDelta, int32_t (&deltas)[kMaxStepsPerFrame]);

private:
    bool paused_ = false;
    float speed_ = 1.0f;
    double steps_ = 0;        // fractions of a step carried to the next frame
    double milliseconds_ = 0; // simulated time not yet given to a step
    int32_t requested_ = -1;  // a single step asked for while paused
};

}  // namespace korvid

#include "simulation.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace korvid {

void SimulationClock::setPaused(bool paused) {
    paused_ = paused;
    requested_ = -1;
    steps_ = 0;
    milliseconds_ = 0;
}

float SimulationClock::setSpeed(float factor) {
    if (!(factor == factor)) factor = 1.0f;  // NaN
    speed_ = std::clamp(factor, kMinSimulationSpeed, kMaxSimulationSpeed);
    steps_ = 0;
    milliseconds_ = 0;
    return speed_;
}

bool SimulationClock::requestStep(int32_t milliseconds) {
    if (!paused_ || milliseconds < 0) return false;
    requested_ = milliseconds;
    return true;
}

int SimulationClock::stepsForFrame(int32_t frameDelta, int32_t (&deltas)[kMaxStepsPerFrame]) {
    if (paused_) {
        if (requested_ < 0) return 0;
        deltas[0] = requested_;
        requested_ = -1;
        return 1;
    }
    if (speed_ == 1.0f) {
        deltas[0] = frameDelta;
        return 1;
    }
    // Steps and time advance by the speed; the time gathered is shared out
    // evenly over the whole steps of this frame.
    steps_ += speed_;
    milliseconds_ += static_cast<double>(frameDelta) * speed_;
    const int count = std::min(static_cast<int>(steps_), kMaxStepsPerFrame);
    if (count == 0) return 0;
    steps_ -= count;
    for (int i = 0; i < count; ++i) {
        const double share = milliseconds_ / (count - i);
        const double whole = std::clamp(std::round(share), double(INT32_MIN), double(INT32_MAX));
        deltas[i] = static_cast<int32_t>(whole);
        milliseconds_ -= whole;
    }
    return count;
}

}  // namespace korvid

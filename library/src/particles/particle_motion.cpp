#include "particle_motion.h"

#include <algorithm>
#include <climits>

namespace korvid {

namespace {
MotionPath chosenPath = MotionPath::Vector;
}

void setMotionPath(MotionPath path) { chosenPath = path; }
MotionPath motionPath() { return chosenPath; }

void moveScalar(const MotionStep& s, int64_t begin, int64_t end) {
    for (int64_t i = begin; i < end; ++i) {
        float v[3] = {s.velocity[0][i], s.velocity[1][i], s.velocity[2][i]};
        int32_t life = s.lifeLeft[i];
        if (s.reflect && s.from[1][i] <= s.ground) {
            if (s.groundKills && s.fromBurst[i] == 0) life = 0;
            v[1] = -v[1];
        }
        for (int a = 0; a < 3; ++a) {
            s.to[a][i] = s.from[a][i] + v[a];
            s.velocity[a][i] = v[a] + s.force[a];
        }
        for (int c = 0; c < 4; ++c) s.color[c][i] = s.color[c][i] + s.dt * s.colorStep[c][i];
        if (s.size) s.size[i] = s.size[i] + s.dt * s.sizeStep[i];
        s.lifeLeft[i] = static_cast<int32_t>(std::clamp<int64_t>(int64_t(life) - s.frameDelta, INT32_MIN, INT32_MAX));
    }
}

void move(const MotionStep& step, int64_t begin, int64_t end) {
    // The vector path wraps where the scalar one saturates; they agree for
    // the living whenever the step is not negative.
    if (chosenPath == MotionPath::Vector && step.frameDelta >= 0) moveVector(step, begin, end);
    else moveScalar(step, begin, end);
}

}  // namespace korvid

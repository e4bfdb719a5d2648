#include "progress.h"

#include <algorithm>
#include <cmath>

#include "platform.h"

namespace korvid {

Progress::Progress(const ProgressHook& hook) : hook_(hook), last_(platform::milliseconds()) {}

bool Progress::goOn(float done) {
    if (stopped_) return false;
    if (!hook_.function) return true;
    // The library's monotonic clock, whose wrap the unsigned difference survives.
    const uint32_t now = platform::milliseconds();
    if (now - last_ < kProgressIntervalMs) return true;
    last_ = now;
    const float share = std::isfinite(done) ? std::clamp(done, 0.0f, 1.0f) : 0.0f;
    stopped_ = !hook_.function(share, hook_.user);
    return !stopped_;
}

}  // namespace korvid

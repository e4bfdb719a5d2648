// Reports of long calls (seeks and loads) to a caller's function, which may
// ask the call to stop. A call makes one Progress and asks it at each unit
// of work; the function runs only when enough time has passed since the last
// report, so asking is cheap.
#pragma once
#include <cstdint>

namespace korvid {

using ProgressFunction = bool (*)(float done, void* user);

struct ProgressHook {
    ProgressFunction function = nullptr;
    void* user = nullptr;
};

// Reports come at most this far apart while the call works.
inline constexpr uint32_t kProgressIntervalMs = 50;

class Progress {
public:
    explicit Progress(const ProgressHook& hook);
    // Whether the call may go on: false once the caller's function said stop.
    // `done` is the share of the work done, 0..1.
    bool goOn(float done);
    bool stopped() const { return stopped_; }
    bool watched() const { return hook_.function != nullptr; }

private:
    ProgressHook hook_;
    uint32_t last_;
    bool stopped_ = false;
};

}  // namespace korvid

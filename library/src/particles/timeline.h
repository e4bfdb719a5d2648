// The simulation as a function of time: a seek restarts every emitter of
// every model with a known seed and advances whole fixed steps, and
// snapshots of the whole simulation state, taken at intervals during seeks
// and plays, let later seeks start from the nearest one at or before their
// target. Any change that alters the simulation drops the snapshots.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "korvid.h"

struct Particle;

namespace korvid {

struct ModelStore;
class Progress;

// The step of a seek when no fixed frame time is set.
constexpr int32_t kDefaultSeekStep = 15;
// Steps between snapshots.
constexpr int64_t kSnapshotInterval = 32;
constexpr int64_t kDefaultSnapshotBudget = int64_t(256) << 20;

class Timeline {
public:
    Timeline();
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    // Restarts every emitter of every model with `seed` and advances steps of
    // `step` ms up to `milliseconds` (rounded down to whole steps; below 0 is
    // 0); returns the time reached. When `progress` says stop, the state
    // before the call is put back and -1 returned.
    int32_t seek(ModelStore& store, int32_t milliseconds, int32_t step, uint32_t seed, Progress& progress);
    // One step of `delta` ms was simulated on every model (a frame or a
    // single step): the time goes on, and at the interval a snapshot is kept
    // while the steps since the seek were all of its size.
    void stepped(ModelStore& store, int32_t delta);
    // Emitters of one model restarted: the time starts again from 0, and it
    // is no longer a seek's timeline.
    void restarted();
    // Something that changes the simulation changed: snapshots are dropped.
    void invalidate();
    int64_t time() const { return time_; }

    void setBudget(int64_t bytes);
    int64_t budget() const { return budget_; }
    int64_t bytes() const { return bytes_; }
    size_t snapshotCount() const { return snapshots_.size(); }

private:
    struct Snapshot;
    std::unique_ptr<Snapshot> capture(const ModelStore& store) const;
    void keep(ModelStore& store);
    bool restore(ModelStore& store, const Snapshot& snapshot) const;
    void trim(int64_t roomFor);

    std::vector<std::unique_ptr<Snapshot>> snapshots_;  // by time
    int64_t budget_ = kDefaultSnapshotBudget;
    int64_t bytes_ = 0;
    int64_t time_ = 0;
    // The timeline of the last seek, while every step since was of its size.
    bool pure_ = false;
    int32_t step_ = 0;
    uint32_t seed_ = 0;
};

}  // namespace korvid

#include "timeline.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "context.h"
#include "model.h"
#include "particles.h"
#include "platform.h"
#include "progress.h"

namespace korvid {

// The state of one emitter: its record (lists, counts, timers), its live
// particles and its statistics. The store's own address is kept too: the
// lists point at it, so a snapshot only fits the store it was taken from.
struct EmitterState {
    const Emitter* emitter;
    const ParticleStore* store;
    int32_t capacity;
    EmitterData data;
    int64_t burstsFired;
    int64_t hits;
    int64_t elapsedMs;
    StoreCopy particles;
};

struct Timeline::Snapshot {
    int64_t time = 0;
    uint32_t random = 0;
    int32_t step = 0;
    uint32_t seed = 0;
    std::vector<EmitterState> emitters;  // model by model, emitter by emitter
    int64_t bytes = 0;
};

Timeline::Timeline() = default;
Timeline::~Timeline() = default;

void Timeline::invalidate() {
    snapshots_.clear();
    bytes_ = 0;
    pure_ = false;
}

void Timeline::restarted() {
    time_ = 0;
    pure_ = false;
}

void Timeline::setBudget(int64_t bytes) {
    budget_ = std::max<int64_t>(0, bytes);
    trim(0);
}

namespace {
int64_t stateBytes(const ModelStore& store) {
    int64_t total = 0;
    for (ParticleSystem* ps : store.systems())
        for (const auto& e : ps->emitters)
            total += static_cast<int64_t>(sizeof(EmitterState)) + int64_t(e->store->count()) * kParticleBytes;
    return total;
}
}  // namespace

void Timeline::trim(int64_t roomFor) {
    // The snapshots farthest from the present go first: the ones near it
    // serve a scrub or a step back.
    while (!snapshots_.empty() && bytes_ + roomFor > budget_) {
        auto farthest = std::max_element(snapshots_.begin(), snapshots_.end(), [this](const auto& a, const auto& b) {
            return std::llabs(a->time - time_) < std::llabs(b->time - time_);
        });
        bytes_ -= (*farthest)->bytes;
        snapshots_.erase(farthest);
    }
}

std::unique_ptr<Timeline::Snapshot> Timeline::capture(const ModelStore& store) const {
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->time = time_;
    snapshot->random = platform::randomState();
    snapshot->step = step_;
    snapshot->seed = seed_;
    snapshot->bytes = stateBytes(store) + static_cast<int64_t>(sizeof(Snapshot));
    for (ParticleSystem* ps : store.systems()) {
        for (const auto& e : ps->emitters) {
            EmitterState state{e.get(), e->store.get(), e->store->capacity(), e->data, e->burstsFired,
                               e->hits, e->elapsedMs, {}};
            try {
                e->store->copyTo(state.particles, context().workers);
            } catch (const std::bad_alloc&) {
                return nullptr;  // no memory for it: no snapshot, nothing lost
            }
            snapshot->emitters.push_back(std::move(state));
        }
    }
    return snapshot;
}

void Timeline::keep(ModelStore& store) {
    for (const auto& s : snapshots_)
        if (s->time == time_) return;
    const int64_t size = stateBytes(store) + static_cast<int64_t>(sizeof(Snapshot));
    if (size > budget_) return;
    trim(size);
    std::unique_ptr<Snapshot> snapshot = capture(store);
    if (!snapshot) return;
    const auto at = std::upper_bound(snapshots_.begin(), snapshots_.end(), time_,
                                     [](int64_t t, const auto& s) { return t < s->time; });
    snapshots_.insert(at, std::move(snapshot));
    bytes_ += size;
}

bool Timeline::restore(ModelStore& store, const Snapshot& s) const {
    // The snapshot must fit the emitters and pools as they are now.
    size_t i = 0;
    for (ParticleSystem* ps : store.systems()) {
        for (const auto& e : ps->emitters) {
            if (i >= s.emitters.size()) return false;
            const EmitterState& state = s.emitters[i++];
            if (state.emitter != e.get() || state.store != e->store.get() || state.capacity != e->store->capacity())
                return false;
        }
    }
    if (i != s.emitters.size()) return false;
    i = 0;
    for (ParticleSystem* ps : store.systems()) {
        for (const auto& e : ps->emitters) {
            const EmitterState& state = s.emitters[i++];
            e->data = state.data;
            e->burstsFired = state.burstsFired;
            e->hits = state.hits;
            e->elapsedMs = state.elapsedMs;
            e->store->copyFrom(state.particles, context().workers);
        }
    }
    platform::setRandomState(s.random);
    return true;
}

int32_t Timeline::seek(ModelStore& store, int32_t milliseconds, int32_t step, uint32_t seed, Progress& progress) {
    if (step <= 0) step = kDefaultSeekStep;
    const int64_t target = int64_t(std::max(0, milliseconds)) / step * step;
    // A watched seek can be stopped; the state before it is kept to go back to.
    std::unique_ptr<Snapshot> before;
    bool beforePure = pure_;
    if (progress.watched()) before = capture(store);
    if (pure_ && (step != step_ || seed != seed_)) invalidate();
    if (!snapshots_.empty() && (snapshots_.front()->step != step || snapshots_.front()->seed != seed)) invalidate();
    step_ = step;
    seed_ = seed;
    // The nearest snapshot at or before the target, or a restart. The
    // present itself is such a moment while it is still the last seek's
    // timeline: seeking forward goes on from it.
    const Snapshot* from = nullptr;
    for (const auto& s : snapshots_)
        if (s->time <= target) from = s.get();
    const bool fromPresent = pure_ && time_ <= target && (!from || from->time <= time_);
    if (fromPresent) {
        // Nothing to restore.
    } else if (from && restore(store, *from)) {
        time_ = from->time;
    } else {
        if (from) invalidate();  // the emitters changed under the snapshots
        platform::setRandomState(seed);
        for (ParticleSystem* ps : store.systems()) restartEmitters(*ps);
        time_ = 0;
    }
    pure_ = true;
    const int64_t start = time_;
    while (time_ < target) {
        const float done = static_cast<float>(time_ - start) / static_cast<float>(target - start);
        if (!progress.goOn(done)) {
            if (before && restore(store, *before)) {
                time_ = before->time;
                step_ = before->step;
                seed_ = before->seed;
                pure_ = beforePure;
            }
            return -1;
        }
        for (ParticleSystem* ps : store.systems()) simulateParticleSystem(*ps, step);
        time_ += step;
        if (time_ % (kSnapshotInterval * step) == 0) keep(store);
    }
    return static_cast<int32_t>(time_);
}

void Timeline::stepped(ModelStore& store, int32_t delta) {
    time_ = std::min<int64_t>(time_ + std::max(0, delta), std::numeric_limits<int32_t>::max());
    if (!pure_) return;
    if (delta != step_) {
        pure_ = false;
        return;
    }
    if (time_ % (kSnapshotInterval * step_) == 0) keep(store);
}

}  // namespace korvid

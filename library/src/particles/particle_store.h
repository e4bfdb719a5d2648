// The live particles of one emitter, column by column: every value of every
// particle lives in a contiguous array of its own, particles kept dense and in
// birth order (the oldest at index 0, the newest at the end). The update runs
// as straight loops over the columns; a death compacts the columns keeping
// the order of the living, so the drawing order (newest first) never changes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvid {
class ParticleStore;
class Workers;
}

// What an emitter record's list pointers point at: the store of its
// particles. Callers see it as opaque; the library uses it to find the store
// from a record.
struct Particle {
    const korvid::ParticleStore* store;
};

namespace korvid {

// The three most recent positions of every particle, for Lines and Sparks.
constexpr int kHistory = 3;

// The columns of a store. Every column holds one 4-byte value a particle.
enum Column : int {
    kPosition = 0,                          // kHistory slots of x, y, z (see ParticleStore::position)
    kVelocity = kPosition + 3 * kHistory,   // x, y, z
    kColor = kVelocity + 3,                 // r, g, b, a
    kColorStep = kColor + 4,                // colour change a millisecond
    kSize = kColorStep + 4,
    kSizeStep,                              // size change a millisecond
    kLifeLeft,                              // int32: ms to live; 0 or less dies at the next update
    kFromBurst,                             // int32: 1 for a burst's particle
    kLifeTotal,                             // int32: the life at birth, for curves over life
    kColorVar,                              // r, g, b, a: the start colour's variation drawn at birth
    kSizeVar = kColorVar + 4,               // the start size's variation drawn at birth
    kContact,                               // int32: kFree, kStuck or kBurstAtDeath (colliders)
    kAngleVar,                              // the angle's spread drawn at birth (radians)
    kSpinVar,                               // the spin's spread drawn at birth (radians a second)
    kFlipStart,                             // the flipbook's start drawn at birth, 0..1 of its frames
    kTrailUsed,                             // int32: the points of its trail
    kTrailHead,                             // int32: where its newest trail point is in its ring
    kColumnCount
};

// What a particle's last contact with a collider left it as.
enum Contact : int32_t { kFree = 0, kStuck = 1, kBurstAtDeath = 2 };

// Bytes the store takes for each particle of its capacity.
constexpr int64_t kParticleBytes = int64_t(kColumnCount) * 4;

// Everything a birth sets, as one plain value.
struct Birth {
    float position[3];
    float velocity[3];
    float color[4];
    float colorStep[4];
    float size, sizeStep;
    int32_t lifeLeft;
    int32_t fromBurst;
    int32_t lifeTotal;
    float colorVar[4];
    float sizeVar;
    int32_t contact;
    float angleVar, spinVar, flipStart;
};

// A point of a particle's trail: where it was, and the emitter's simulated
// time (ms) when it was there.
struct TrailPoint {
    float x, y, z;
    int32_t ms;
};

// A copy of a store's live particles, for snapshots of the simulation.
struct StoreCopy {
    std::unique_ptr<uint32_t[]> values;  // count values of each column, column after column
    std::unique_ptr<TrailPoint[]> trails;  // count rings of trailPoints
    int32_t count = 0;
    int32_t head = 0;
    int32_t trailPoints = 0;
    int64_t bytes() const {
        return int64_t(count) * (kParticleBytes + int64_t(trailPoints) * int64_t(sizeof(TrailPoint)));
    }
};

class ParticleStore {
public:
    ParticleStore() = default;
    ParticleStore(const ParticleStore&) = delete;
    ParticleStore& operator=(const ParticleStore&) = delete;

    // Room for `capacity` particles (and their trails), none live; false
    // (the store unchanged) when the memory cannot be had.
    bool allocate(int32_t capacity);
    // Rings of `points` trail points for every particle (0: no trails); every
    // trail starts empty. False (the store unchanged) when they cannot be had.
    bool setTrailPoints(int32_t points);
    int32_t trailPoints() const { return trailPoints_; }
    // The ring of particle i: trailPoints() points, the newest at integers(kTrailHead)[i].
    TrailPoint* trail(int32_t i) { return trails_.get() + size_t(i) * size_t(trailPoints_); }
    const TrailPoint* trail(int32_t i) const { return trails_.get() + size_t(i) * size_t(trailPoints_); }
    // The simulated time births take as their first trail point.
    void setTrailClock(int32_t ms) { trailClock_ = ms; }
    int32_t capacity() const { return capacity_; }
    int32_t count() const { return count_; }
    int32_t room() const { return capacity_ - count_; }
    // Drops every particle; the memory is kept.
    void clear() {
        count_ = 0;
        head_ = 0;
    }

    float* column(int c) { return reinterpret_cast<float*>(base(c)); }
    const float* column(int c) const { return reinterpret_cast<const float*>(base(c)); }
    int32_t* integers(int c) { return reinterpret_cast<int32_t*>(base(c)); }
    const int32_t* integers(int c) const { return reinterpret_cast<const int32_t*>(base(c)); }

    // The position `age` steps ago (0 now, 1 the previous, 2 the one before),
    // axis 0..2. The slots turn round each step instead of being copied.
    int slot(int age) const { return (head_ + kHistory - age) % kHistory; }
    float* position(int age, int axis) { return column(kPosition + 3 * slot(age) + axis); }
    const float* position(int age, int axis) const { return column(kPosition + 3 * slot(age) + axis); }
    // Starts a step: the current position becomes the previous one. The new
    // current slot is then written from the previous one.
    void turnHistory() { head_ = (head_ + 1) % kHistory; }

    // Adds a particle at the end (the newest); the caller checks the room.
    // Every history slot starts at its position.
    void append(const Birth& b);
    // Removes the particles whose `dead` flag is set, keeping the order of
    // the others; `first` is the lowest dead index.
    void compact(const uint8_t* dead, int32_t first);

    // Copies of the live particles; large ones are copied column by column
    // on the workers.
    void copyTo(StoreCopy& out, Workers& workers) const;  // throws std::bad_alloc
    void copyFrom(const StoreCopy& in, Workers& workers);

    // The handles an emitter record's lists point at.
    Particle live{this};
    Particle idle{this};

private:
    unsigned char* base(int c) const { return values_.get() + size_t(c) * stride_ * 4; }

    struct Free {
        void operator()(unsigned char* p) const;
    };
    std::unique_ptr<unsigned char[], Free> values_;
    std::unique_ptr<TrailPoint[]> trails_;
    int32_t trailPoints_ = 0;
    int32_t trailClock_ = 0;
    size_t stride_ = 0;  // values a column, a multiple of 16 for aligned columns
    int32_t capacity_ = 0;
    int32_t count_ = 0;
    int32_t head_ = 0;
};

}  // namespace korvid

#include "particle_store.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "workers.h"

namespace korvid {

namespace {
constexpr size_t kAlignment = 64;
}

void ParticleStore::Free::operator()(unsigned char* p) const { std::free(p); }

namespace {
// Trails of a pool are refused beyond this, rather than promised by the
// system and taken away when first touched.
constexpr int64_t kMaxTrailBytes = int64_t(2) << 30;

// Trail rings for `capacity` particles of `points` each; null when none are
// wanted or the memory cannot be had (`ok` tells which).
std::unique_ptr<TrailPoint[]> trailRings(int32_t capacity, int32_t points, bool& ok) {
    ok = true;
    if (capacity <= 0 || points <= 0) return nullptr;
    ok = int64_t(capacity) * points * int64_t(sizeof(TrailPoint)) <= kMaxTrailBytes;
    if (!ok) return nullptr;
    std::unique_ptr<TrailPoint[]> rings(new (std::nothrow) TrailPoint[size_t(capacity) * size_t(points)]);
    ok = rings != nullptr;
    return rings;
}
}  // namespace

bool ParticleStore::allocate(int32_t capacity) {
    if (capacity <= 0) {
        values_.reset();
        trails_.reset();
        stride_ = 0;
        capacity_ = 0;
        clear();
        return true;
    }
    bool ok = true;
    auto rings = trailRings(capacity, trailPoints_, ok);
    if (!ok) return false;
    const size_t stride = (size_t(capacity) + 15) / 16 * 16;
    const size_t bytes = stride * 4 * kColumnCount;
    auto* memory = static_cast<unsigned char*>(std::aligned_alloc(kAlignment, bytes));
    if (!memory) return false;
    values_.reset(memory);
    trails_ = std::move(rings);
    stride_ = stride;
    capacity_ = capacity;
    clear();
    return true;
}

bool ParticleStore::setTrailPoints(int32_t points) {
    points = points > 0 ? points : 0;
    if (points == trailPoints_) return true;
    bool ok = true;
    auto rings = trailRings(capacity_, points, ok);
    if (!ok) return false;
    trails_ = std::move(rings);
    trailPoints_ = points;
    // Every trail starts again from its particle.
    for (int32_t i = 0; i < count_; ++i) {
        integers(kTrailUsed)[i] = 0;
        integers(kTrailHead)[i] = 0;
    }
    return true;
}

void ParticleStore::append(const Birth& b) {
    const size_t i = size_t(count_);
    for (int age = 0; age < kHistory; ++age)
        for (int a = 0; a < 3; ++a) position(age, a)[i] = b.position[a];
    for (int a = 0; a < 3; ++a) column(kVelocity + a)[i] = b.velocity[a];
    for (int c = 0; c < 4; ++c) {
        column(kColor + c)[i] = b.color[c];
        column(kColorStep + c)[i] = b.colorStep[c];
        column(kColorVar + c)[i] = b.colorVar[c];
    }
    column(kSize)[i] = b.size;
    column(kSizeStep)[i] = b.sizeStep;
    column(kSizeVar)[i] = b.sizeVar;
    integers(kLifeLeft)[i] = b.lifeLeft;
    integers(kFromBurst)[i] = b.fromBurst;
    integers(kLifeTotal)[i] = b.lifeTotal;
    integers(kContact)[i] = b.contact;
    column(kAngleVar)[i] = b.angleVar;
    column(kSpinVar)[i] = b.spinVar;
    column(kFlipStart)[i] = b.flipStart;
    // A trail starts where its particle is born.
    integers(kTrailHead)[i] = 0;
    integers(kTrailUsed)[i] = trailPoints_ > 0 ? 1 : 0;
    if (trailPoints_ > 0) trail(int32_t(i))[0] = {b.position[0], b.position[1], b.position[2], trailClock_};
    count_ += 1;
}

void ParticleStore::compact(const uint8_t* dead, int32_t first) {
    int32_t kept = first;
    // The runs of living particles between deaths move down in one copy per column.
    for (int32_t i = first; i < count_;) {
        if (dead[i]) {
            ++i;
            continue;
        }
        int32_t end = i;
        while (end < count_ && !dead[end]) ++end;
        const size_t n = size_t(end - i);
        for (int c = 0; c < kColumnCount; ++c) {
            uint32_t* values = reinterpret_cast<uint32_t*>(base(c));
            std::memmove(values + kept, values + i, n * 4);
        }
        if (trailPoints_ > 0)
            std::memmove(trail(kept), trail(i), n * size_t(trailPoints_) * sizeof(TrailPoint));
        kept += int32_t(n);
        i = end;
    }
    count_ = kept;
}

namespace {
// Below this many particles a copy stays on the calling thread.
constexpr int32_t kSharedCopy = 16384;

// Runs copy(column) for every column.
template <class Copy>
void eachColumn(int32_t count, Workers& workers, Copy&& copy) {
    const int64_t grain = count < kSharedCopy ? kColumnCount : 1;
    workers.forRanges(kColumnCount, grain, [&](int64_t begin, int64_t end) {
        for (int64_t c = begin; c < end; ++c) copy(int(c));
    });
}
}  // namespace

void ParticleStore::copyTo(StoreCopy& out, Workers& workers) const {
    out.values.reset();
    if (count_ > 0) {
        out.values.reset(new uint32_t[size_t(count_) * kColumnCount]);
        uint32_t* to = out.values.get();
        eachColumn(count_, workers, [&](int c) {
            std::memcpy(to + size_t(c) * size_t(count_), base(c), size_t(count_) * 4);
        });
    }
    out.trails.reset();
    if (count_ > 0 && trailPoints_ > 0) {
        const size_t points = size_t(count_) * size_t(trailPoints_);
        out.trails.reset(new TrailPoint[points]);
        std::memcpy(out.trails.get(), trails_.get(), points * sizeof(TrailPoint));
    }
    out.count = count_;
    out.head = head_;
    out.trailPoints = trailPoints_;
}

void ParticleStore::copyFrom(const StoreCopy& in, Workers& workers) {
    count_ = in.count <= capacity_ ? in.count : capacity_;
    head_ = in.head;
    if (count_ == 0) return;
    const uint32_t* from = in.values.get();
    eachColumn(count_, workers, [&](int c) {
        std::memcpy(base(c), from + size_t(c) * size_t(in.count), size_t(count_) * 4);
    });
    if (trailPoints_ > 0 && in.trailPoints == trailPoints_ && in.trails) {
        std::memcpy(trails_.get(), in.trails.get(), size_t(count_) * size_t(trailPoints_) * sizeof(TrailPoint));
    } else {
        // Trails of another length: they start again from their particles.
        for (int32_t i = 0; i < count_; ++i) integers(kTrailUsed)[i] = integers(kTrailHead)[i] = 0;
    }
}

}  // namespace korvid

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

bool ParticleStore::allocate(int32_t capacity) {
    if (capacity <= 0) {
        values_.reset();
        stride_ = 0;
        capacity_ = 0;
        clear();
        return true;
    }
    const size_t stride = (size_t(capacity) + 15) / 16 * 16;
    const size_t bytes = stride * 4 * kColumnCount;
    auto* memory = static_cast<unsigned char*>(std::aligned_alloc(kAlignment, bytes));
    if (!memory) return false;
    values_.reset(memory);
    stride_ = stride;
    capacity_ = capacity;
    clear();
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
    out.count = count_;
    out.head = head_;
}

void ParticleStore::copyFrom(const StoreCopy& in, Workers& workers) {
    count_ = in.count <= capacity_ ? in.count : capacity_;
    head_ = in.head;
    if (count_ == 0) return;
    const uint32_t* from = in.values.get();
    eachColumn(count_, workers, [&](int c) {
        std::memcpy(base(c), from + size_t(c) * size_t(in.count), size_t(count_) * 4);
    });
}

}  // namespace korvid

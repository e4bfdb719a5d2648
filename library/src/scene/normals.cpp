#include "normals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace korvid {
namespace {

inline float dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline void normalise(const float s[3], float out[3]) {
    const float length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    if (!(length > 0.0f)) {
        out[0] = out[1] = out[2] = 0.0f;
        return;
    }
    out[0] = s[0] / length;
    out[1] = s[1] / length;
    out[2] = s[2] / length;
}

inline bool samePosition(const float* a, const float* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

inline float angleLimit(float angle) {
    return static_cast<float>(std::cos(static_cast<double>(angle) * 0.017453292519943295));
}

inline uint32_t floatKey(float f) {
    if (f == 0.0f) f = 0.0f;  // -0 and +0 are the same position
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

inline uint64_t positionHash(const float* p) {
    uint64_t h = floatKey(p[0]) * 0x9E3779B97F4A7C15ull;
    h ^= floatKey(p[1]) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
    h *= 0xC2B2AE3D27D4EB4Full;
    h ^= floatKey(p[2]) + (h << 6) + (h >> 2);
    h *= 0x165667B19E3779F9ull;
    return h ^ (h >> 29);
}

// The normalised sum, in array order, of the face normals of `members` that
// lie within the angle limit of `ni`.
void sumPassing(const float* ni, const std::vector<int64_t>& members, const float* fn, float limit, float out[3]) {
    float s[3] = {0, 0, 0};
    for (int64_t j : members) {
        const float* nj = fn + 3 * (j / 3);
        if (dot(ni, nj) > limit) {
            s[0] += nj[0];
            s[1] += nj[1];
            s[2] += nj[2];
        }
    }
    normalise(s, out);
}

// Groups larger than this are smoothed through smoothGroup.
constexpr size_t kLargeGroup = 32;

struct NormalBits {
    uint32_t x, y, z;
    bool operator==(const NormalBits&) const = default;
};

struct NormalBitsHash {
    size_t operator()(const NormalBits& b) const {
        uint64_t h = b.x * 0x9E3779B97F4A7C15ull;
        h ^= b.y + (h << 6) + (h >> 2);
        h *= 0xC2B2AE3D27D4EB4Full;
        h ^= b.z + (h << 6) + (h >> 2);
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

NormalBits bitsOf(const float* n) {
    NormalBits b;
    std::memcpy(&b.x, n, 4);
    std::memcpy(&b.y, n + 1, 4);
    std::memcpy(&b.z, n + 2, 4);
    return b;
}

// The vertex normals of one group of vertices at the same position (`members`
// in array order), exactly as the direct sum gives them, without its G * G
// work where it can be avoided:
// - vertices whose faces have the same normal get the same sum, computed once
//   (a flat fan has one normal at its centre);
// - a vertex whose normal lies so far inside the group's cone that every face
//   of the group passes the angle test, by a margin far beyond the rounding of
//   the test, gets the sum of all of them, computed once in array order.
// Other vertices are summed directly.
void smoothGroup(const std::vector<int64_t>& members, const float* fn, float* vn, float limit) {
    // The sum of every face normal in array order, as the direct loop adds them.
    float total[3] = {0, 0, 0};
    double mean[3] = {0, 0, 0};
    bool allUnit = std::isfinite(limit);
    for (int64_t j : members) {
        const float* nj = fn + 3 * (j / 3);
        total[0] += nj[0];
        total[1] += nj[1];
        total[2] += nj[2];
        const double length2 = double(nj[0]) * nj[0] + double(nj[1]) * nj[1] + double(nj[2]) * nj[2];
        if (!(std::fabs(length2 - 1.0) < 1e-5)) allUnit = false;
        for (int k = 0; k < 3; ++k) mean[k] += nj[k];
    }
    // The cone around the mean direction that holds every face normal.
    double spread = 4.0;  // no cone (more than pi): no vertex takes the shortcut
    if (allUnit) {
        const double length = std::sqrt(mean[0] * mean[0] + mean[1] * mean[1] + mean[2] * mean[2]);
        if (length > 1e-6) {
            for (double& m : mean) m /= length;
            double lowest = 1.0;
            for (int64_t j : members) {
                const float* nj = fn + 3 * (j / 3);
                lowest = std::min(lowest, (nj[0] * mean[0] + nj[1] * mean[1] + nj[2] * mean[2]) / std::sqrt(
                                              double(nj[0]) * nj[0] + double(nj[1]) * nj[1] + double(nj[2]) * nj[2]));
            }
            spread = std::acos(std::clamp(lowest, -1.0, 1.0));
        }
    }
    float totalNormal[3];
    normalise(total, totalNormal);

    std::unordered_map<NormalBits, std::array<float, 3>, NormalBitsHash> computed;
    for (int64_t i : members) {
        const float* ni = fn + 3 * (i / 3);
        const NormalBits key = bitsOf(ni);
        if (auto found = computed.find(key); found != computed.end()) {
            std::memcpy(vn + 3 * i, found->second.data(), 3 * sizeof(float));
            continue;
        }
        std::array<float, 3> out;
        bool everyFacePasses = false;
        if (spread < 3.5) {
            const double length = std::sqrt(double(ni[0]) * ni[0] + double(ni[1]) * ni[1] + double(ni[2]) * ni[2]);
            const double own = std::acos(std::clamp((ni[0] * mean[0] + ni[1] * mean[1] + ni[2] * mean[2]) / length, -1.0, 1.0));
            // The angle to any face of the group is at most own + spread.
            everyFacePasses = own + spread < 3.14159 && std::cos(own + spread) - 1e-4 > double(limit);
        }
        if (everyFacePasses) {
            std::memcpy(out.data(), totalNormal, sizeof totalNormal);
        } else {
            sumPassing(ni, members, fn, limit, out.data());
        }
        computed.emplace(key, out);
        std::memcpy(vn + 3 * i, out.data(), 3 * sizeof(float));
    }
}

}  // namespace

// The hashed smoothing; throws std::bad_alloc when its table cannot be had.
static bool smoothNormalsHashed(const float* v, int64_t vertexFloatCount, const float* fn, float* vn, float angle);

void faceNormal(const float* a, const float* b, const float* c, float out[3]) {
    const float s[3] = {(b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]),
                        (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]),
                        (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])};
    normalise(s, out);
}

void computeFaceNormals(const float* v, int64_t vertexFloatCount, float* n) {
    for (int64_t k = 0; 9 * k + 9 <= vertexFloatCount; ++k)
        faceNormal(v + 9 * k, v + 9 * k + 3, v + 9 * k + 6, n + 3 * k);
}

bool smoothNormalsReference(const float* v, int64_t vertexFloatCount, const float* fn, float* vn, float angle) {
    if (!v || !fn || !vn) return false;
    const float limit = angleLimit(angle);
    const int64_t n = vertexFloatCount / 3;
    for (int64_t i = 0; i < n; ++i) {
        const float* ni = fn + 3 * (i / 3);
        float s[3] = {0, 0, 0};
        for (int64_t j = 0; j < n; ++j) {
            if (!samePosition(v + 3 * j, v + 3 * i)) continue;
            const float* nj = fn + 3 * (j / 3);
            if (dot(ni, nj) > limit) {
                s[0] += nj[0];
                s[1] += nj[1];
                s[2] += nj[2];
            }
        }
        normalise(s, vn + 3 * i);
    }
    return true;
}

bool smoothNormals(const float* v, int64_t vertexFloatCount, const float* fn, float* vn, float angle) {
    try {
        return smoothNormalsHashed(v, vertexFloatCount, fn, vn, angle);
    } catch (const std::bad_alloc&) {
        return false;  // no room for the table: the normals stay as they were
    }
}

static bool smoothNormalsHashed(const float* v, int64_t vertexFloatCount, const float* fn, float* vn, float angle) {
    if (!v || !fn || !vn) return false;
    const float limit = angleLimit(angle);
    const int64_t n = vertexFloatCount / 3;
    if (n == 0) return true;

    // Open-addressed table of chains: each slot holds the first vertex of a
    // chain of vertices with the same hash; `chain` links them in array order.
    size_t capacity = 16;
    while (capacity < static_cast<size_t>(n) * 2) capacity <<= 1;
    std::vector<int64_t> slotHead(capacity, -1), slotTail(capacity, -1);
    std::vector<uint64_t> slotHash(capacity, 0);
    std::vector<int64_t> chain(static_cast<size_t>(n), -1);
    std::vector<int64_t> slotOf(static_cast<size_t>(n), -1);

    for (int64_t i = 0; i < n; ++i) {
        const float* p = v + 3 * i;
        if (p[0] != p[0] || p[1] != p[1] || p[2] != p[2]) continue;  // NaN equals nothing
        const uint64_t h = positionHash(p);
        size_t slot = h & (capacity - 1);
        while (slotHead[slot] >= 0 && !(slotHash[slot] == h && samePosition(v + 3 * slotHead[slot], p)))
            slot = (slot + 1) & (capacity - 1);
        if (slotHead[slot] < 0) {
            slotHead[slot] = slotTail[slot] = i;
            slotHash[slot] = h;
        } else {
            chain[static_cast<size_t>(slotTail[slot])] = i;
            slotTail[slot] = i;
        }
        slotOf[static_cast<size_t>(i)] = static_cast<int64_t>(slot);
    }

    // Small groups are summed directly; a large one (a fan's centre, a pole
    // of a sphere) goes through the group sums below, with the same results.
    std::vector<uint8_t> done(static_cast<size_t>(n), 0);
    std::vector<int64_t> members;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t slot = slotOf[static_cast<size_t>(i)];
        if (slot < 0) {
            vn[3 * i] = vn[3 * i + 1] = vn[3 * i + 2] = 0.0f;
            continue;
        }
        if (done[static_cast<size_t>(i)]) continue;
        members.clear();
        for (int64_t j = slotHead[static_cast<size_t>(slot)]; j >= 0; j = chain[static_cast<size_t>(j)])
            members.push_back(j);
        if (members.size() > kLargeGroup) {
            smoothGroup(members, fn, vn, limit);
            for (int64_t j : members) done[static_cast<size_t>(j)] = 1;
            continue;
        }
        sumPassing(fn + 3 * (i / 3), members, fn, limit, vn + 3 * i);
    }
    return true;
}

}  // namespace korvid

#include "normals.h"

#include <cmath>
#include <cstring>
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

}  // namespace

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

    for (int64_t i = 0; i < n; ++i) {
        float s[3] = {0, 0, 0};
        const int64_t slot = slotOf[static_cast<size_t>(i)];
        if (slot >= 0) {
            const float* ni = fn + 3 * (i / 3);
            for (int64_t j = slotHead[static_cast<size_t>(slot)]; j >= 0; j = chain[static_cast<size_t>(j)]) {
                const float* nj = fn + 3 * (j / 3);
                if (dot(ni, nj) > limit) {
                    s[0] += nj[0];
                    s[1] += nj[1];
                    s[2] += nj[2];
                }
            }
        }
        normalise(s, vn + 3 * i);
    }
    return true;
}

}  // namespace korvid

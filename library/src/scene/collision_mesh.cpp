#include "collision_mesh.h"

#include <algorithm>
#include <cmath>

#include "emitter_shape.h"

namespace korvid {
namespace {

constexpr int32_t kLeafTriangles = 4;

const float* triangleAt(const MeshTable& table, int32_t t) { return table.triangles.data() + size_t(t) * 9; }

// Whether the segment o + s * d, s in [0, limit], passes through the box.
bool segmentMeetsBox(const float o[3], const float d[3], const float inv[3], float limit, const float lo[3],
                     const float hi[3]) {
    float enter = 0.0f, leave = limit;
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0.0f) {
            if (o[a] < lo[a] || o[a] > hi[a]) return false;
            continue;
        }
        float t0 = (lo[a] - o[a]) * inv[a];
        float t1 = (hi[a] - o[a]) * inv[a];
        if (t0 > t1) std::swap(t0, t1);
        enter = t0 > enter ? t0 : enter;
        leave = t1 < leave ? t1 : leave;
        if (enter > leave) return false;
    }
    return true;
}

// Möller and Trumbore's test, from either side: the segment parameter of
// the crossing, when it lies in [0, limit).
bool segmentMeetsTriangle(const float o[3], const float d[3], const float* v, float limit, float& t) {
    const float e1[3] = {v[3] - v[0], v[4] - v[1], v[5] - v[2]};
    const float e2[3] = {v[6] - v[0], v[7] - v[1], v[8] - v[2]};
    const float p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
    const float det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
    if (det == 0.0f || !std::isfinite(det)) return false;
    const float inv = 1.0f / det;
    const float s[3] = {o[0] - v[0], o[1] - v[1], o[2] - v[2]};
    const float u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) * inv;
    if (u < 0.0f || u > 1.0f) return false;
    const float q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    const float w = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) * inv;
    if (w < 0.0f || u + w > 1.0f) return false;
    const float at = (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) * inv;
    if (!(at >= 0.0f && at < limit)) return false;
    t = at;
    return true;
}

}  // namespace

CollisionMesh::CollisionMesh(std::shared_ptr<const MeshTable> table) : table_(std::move(table)) {
    const int32_t n = table_ ? int32_t(table_->triangles.size() / 9) : 0;
    order_.resize(size_t(n));
    std::vector<float> centres(size_t(n) * 3);
    for (int32_t t = 0; t < n; ++t) {
        order_[size_t(t)] = t;
        const float* v = triangleAt(*table_, t);
        for (int a = 0; a < 3; ++a) centres[size_t(t) * 3 + size_t(a)] = (v[a] + v[3 + a] + v[6 + a]) * (1.0f / 3.0f);
    }
    if (n == 0) return;
    nodes_.reserve(size_t(2 * n / kLeafTriangles + 1));
    build(0, n, centres);
}

// Splits [begin, end) of order_ at the median of the centres along the
// longest side of their box; ties go by triangle index, so the split is the
// same whatever the selection algorithm does.
int32_t CollisionMesh::build(int32_t begin, int32_t end, std::vector<float>& centres) {
    const int32_t index = int32_t(nodes_.size());
    nodes_.push_back({});
    Node node{};
    for (int a = 0; a < 3; ++a) {
        node.lo[a] = INFINITY;
        node.hi[a] = -INFINITY;
    }
    float clo[3] = {INFINITY, INFINITY, INFINITY}, chi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int32_t k = begin; k < end; ++k) {
        const int32_t t = order_[size_t(k)];
        const float* v = triangleAt(*table_, t);
        for (int c = 0; c < 3; ++c)
            for (int a = 0; a < 3; ++a) {
                node.lo[a] = std::min(node.lo[a], v[3 * c + a]);
                node.hi[a] = std::max(node.hi[a], v[3 * c + a]);
            }
        for (int a = 0; a < 3; ++a) {
            clo[a] = std::min(clo[a], centres[size_t(t) * 3 + size_t(a)]);
            chi[a] = std::max(chi[a], centres[size_t(t) * 3 + size_t(a)]);
        }
    }
    if (end - begin <= kLeafTriangles) {
        node.first = begin;
        node.count = end - begin;
        nodes_[size_t(index)] = node;
        return index;
    }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (chi[a] - clo[a] > chi[axis] - clo[axis]) axis = a;
    const int32_t middle = begin + (end - begin) / 2;
    std::nth_element(order_.begin() + begin, order_.begin() + middle, order_.begin() + end,
                     [&](int32_t x, int32_t y) {
                         const float cx = centres[size_t(x) * 3 + size_t(axis)];
                         const float cy = centres[size_t(y) * 3 + size_t(axis)];
                         return cx < cy || (cx == cy && x < y);
                     });
    node.count = 0;
    nodes_[size_t(index)] = node;
    const int32_t left = build(begin, middle, centres);
    const int32_t right = build(middle, end, centres);
    nodes_[size_t(index)].first = left;
    nodes_[size_t(index)].right = right;
    return index;
}

bool CollisionMesh::firstHit(const float from[3], const float to[3], SegmentHit& hit) const {
    if (nodes_.empty()) return false;
    const float d[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const float inv[3] = {d[0] != 0.0f ? 1.0f / d[0] : 0.0f, d[1] != 0.0f ? 1.0f / d[1] : 0.0f,
                          d[2] != 0.0f ? 1.0f / d[2] : 0.0f};
    // A step that does not move meets nothing: a point on a triangle is on neither side.
    if (d[0] == 0.0f && d[1] == 0.0f && d[2] == 0.0f) return false;
    // A segment ending exactly on a triangle meets it.
    float best = std::nextafter(1.0f, 2.0f);
    bool found = false;
    int32_t stack[64];
    int32_t depth = 0;
    int32_t bestTriangle = -1;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = nodes_[size_t(stack[--depth])];
        if (!segmentMeetsBox(from, d, inv, best, node.lo, node.hi)) continue;
        if (node.count > 0) {
            for (int32_t k = node.first; k < node.first + node.count; ++k) {
                float t = 0;
                const int32_t triangle = order_[size_t(k)];
                if (segmentMeetsTriangle(from, d, triangleAt(*table_, triangle), best, t) &&
                    (t < best || (t == best && triangle < bestTriangle))) {
                    best = t;
                    bestTriangle = triangle;
                    found = true;
                }
            }
        } else if (depth + 2 <= 64) {
            stack[depth++] = node.right;
            stack[depth++] = node.first;
        }
    }
    if (!found) return false;
    const float* v = triangleAt(*table_, bestTriangle);
    const float e1[3] = {v[3] - v[0], v[4] - v[1], v[5] - v[2]};
    const float e2[3] = {v[6] - v[0], v[7] - v[1], v[8] - v[2]};
    float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0f) || !std::isfinite(length)) return false;
    // The side the segment came from.
    const float side = n[0] * d[0] + n[1] * d[1] + n[2] * d[2] > 0.0f ? -1.0f : 1.0f;
    for (int a = 0; a < 3; ++a) hit.normal[a] = side * n[a] / length;
    hit.t = std::min(best, 1.0f);
    return true;
}

}  // namespace korvid

// A model's triangles arranged for particles to collide with: a bounding
// volume hierarchy over the triangles mesh shapes emit from (model space,
// surface offsets added), and the one query the particles make of it: where
// a step's straight segment first meets a triangle. Built and searched by
// plain scalar code, so every run on every machine finds the same contacts.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace korvid {

struct MeshTable;

struct SegmentHit {
    float t = 0;          // 0..1 along the segment
    float normal[3]{};    // the triangle's unit normal, facing the segment's start
};

class CollisionMesh {
public:
    // The hierarchy over `table`'s triangles; the table is kept, so the mesh
    // knows which triangles it was built from.
    explicit CollisionMesh(std::shared_ptr<const MeshTable> table);
    const MeshTable* source() const { return table_.get(); }
    int64_t triangleCount() const { return int64_t(order_.size()); }

    // The first triangle the segment from `from` to `to` crosses (from either
    // side), or false.
    bool firstHit(const float from[3], const float to[3], SegmentHit& hit) const;

private:
    struct Node {
        float lo[3], hi[3];
        int32_t first;  // leaf: the first of `count` entries of order_; inner: the left child
        int32_t count;  // 0 for an inner node
        int32_t right;  // inner: the right child
    };
    int32_t build(int32_t begin, int32_t end, std::vector<float>& centres);

    std::shared_ptr<const MeshTable> table_;
    std::vector<Node> nodes_;
    std::vector<int32_t> order_;  // triangle indices, leaf by leaf
};

}  // namespace korvid

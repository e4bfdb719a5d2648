// Where an emitter's particles are born: at its position (the point), or
// anywhere in or on a sphere, a box or a disc around it, or on the current
// model's triangles by area. Shapes other than the point draw random numbers
// of their own after every other draw of a birth, so the point keeps today's
// sequence.
#pragma once
#include <memory>
#include <vector>

#include "failure.h"
#include "korvid.h"

namespace korvid {

struct Model;

// A model's triangles as mesh shapes emit from them: 9 floats each (surface
// offsets added) and their running areas. One table per model, shared by
// every emitter of the model that emits from the mesh.
struct MeshTable {
    std::vector<float> triangles;
    std::vector<double> areas;
};

struct ShapeState {
    EmitterShape shape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    // The mesh: the model's table, and where the model stands.
    std::shared_ptr<const MeshTable> mesh;
    const float* modelPosition = nullptr;
    bool point() const { return shape.kind == KORVID_SHAPE_POINT; }
    // A mesh shape with triangles to emit from; without any it emits from
    // the emitter's own position, as the point does.
    bool onTriangles() const { return shape.kind == KORVID_SHAPE_MESH && mesh && !mesh->areas.empty(); }
};

// Checks `shape` and builds its state (a mesh from `model`'s table);
// Failure::None, or BadArgument with `why` filled and `out` unchanged. A mesh
// shape on a model without triangles is refused unless `keepEmpty` (a file
// holding one is read as it was written).
Failure makeShape(const EmitterShape& shape, Model* model, ShapeState& out, const char** why,
                  bool keepEmpty = false);

// The model's table, built when it has none yet.
std::shared_ptr<const MeshTable> meshTableOf(Model& model);

// Builds the model's table again and gives it to each of its emitters that
// emits from the mesh, after its vertices changed. A model left without
// triangles keeps the table its emitters had.
void refreshMeshShapes(Model& model);

// A birth place relative to the emitter's position (the mesh: in the world).
void sampleShape(const ShapeState& state, float out[3]);

struct Emitter;
// Draws the emitter's shape as lines around its position (a point and a mesh draw nothing).
void drawShapeOutline(const Emitter& emitter);

}  // namespace korvid

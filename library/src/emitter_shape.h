// Where an emitter's particles are born: at its position (the point), or
// anywhere in or on a sphere, a box or a disc around it, or on the current
// model's triangles by area. Shapes other than the point draw random numbers
// of their own after every other draw of a birth, so the point keeps today's
// sequence.
#pragma once
#include <vector>

#include "failure.h"
#include "korvid.h"

namespace korvid {

struct Model;

struct ShapeState {
    EmitterShape shape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    // The mesh: the model's triangles (9 floats each, surface offsets added),
    // their running areas, and where the model stands.
    std::vector<float> triangles;
    std::vector<double> areas;
    const float* modelPosition = nullptr;
    bool point() const { return shape.kind == KORVID_SHAPE_POINT; }
};

// Checks `shape` and builds its state (a mesh from `model`'s triangles);
// Failure::None, or BadArgument with `why` filled and `out` unchanged.
Failure makeShape(const EmitterShape& shape, const Model* model, ShapeState& out, const char** why);

// Takes the model's triangles again into the state of each of its emitters
// that emits from the mesh, after its vertices changed. A model left without
// triangles keeps the triangles its emitters had.
void refreshMeshShapes(Model& model);

// A birth place relative to the emitter's position (the mesh: in the world).
void sampleShape(const ShapeState& state, float out[3]);

struct Emitter;
// Draws the emitter's shape as lines around its position (a point and a mesh draw nothing).
void drawShapeOutline(const Emitter& emitter);

}  // namespace korvid

// A copy of one part of the entity as the library holds it, taken before a
// change so that the change can be taken back exactly (KorvidScene reads and
// writes them).
#pragma once
#include <cstddef>
#include <vector>

#include "korvid.h"

namespace vantor {

// A part of the entity: what a snapshot holds, and what a change touched
// (pages redraw what they show of it).
enum class EntityPart {
    Surface,       // one surface's record (index: the surface)
    SurfaceShape,  // one surface's record and its vertex data (smoothing)
    Geometry,      // the vertex data of every surface (geometry operations)
    Emitter,       // one emitter's record, curves or shape (index: the emitter)
    Extras,        // one emitter's curves over life and shape
    Burst,         // one emitter's burst
    EmitterList,   // emitters were added or removed; the current one may differ
    Light,         // one light
    Position,      // where the model stands
    Images,        // the image library
};

// One change of the entity, made or put back by undo or redo.
struct DocumentChange {
    EntityPart kind;
    int index = -1;
    int field = -1;         // the control the edit came from, or -1
    bool restored = false;  // put back by undo or redo
};

struct SurfaceArrays {
    std::vector<float> vertices, faceNormals, vertexNormals;
};

// What an emitter has beyond its record: its curves over life and its shape.
struct EmitterExtras {
    std::vector<CurveKey> curves[2];  // KORVID_CURVE_COLOUR, KORVID_CURVE_SIZE; empty: none
    EmitterShape shape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    std::vector<ForceField> fields;  // applied in order
    std::vector<Collider> colliders;
    Flipbook flipbook{};   // columns 0: none
    ParticleSpin spin{};
    Trail trail{};
    int32_t sort = KORVID_SORT_NONE;
    bool operator==(const EmitterExtras& other) const;
};

struct EntitySnapshot {
    EntityPart part = EntityPart::Surface;
    int index = 0;  // surface, emitter or light
    SurfaceData surface{};
    std::vector<SurfaceArrays> arrays;  // one surface, or every surface of the model
    EmitterData emitter{};
    EmitterExtras extras;
    BurstData burst{};
    LightData light{};
    float position[3] = {0, 0, 0};

    size_t bytes() const;
};

// Equal in everything the user can change (an emitter's live particles and
// countdowns are not compared).
bool sameSnapshot(const EntitySnapshot& a, const EntitySnapshot& b);

}  // namespace vantor

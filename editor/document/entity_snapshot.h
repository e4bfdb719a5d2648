// A copy of one part of the entity as the library holds it, taken before a
// change so that the change can be taken back exactly.
#pragma once
#include <cstddef>
#include <vector>

#include "korvid.h"

namespace vantor {

enum class EntityPart {
    Surface,       // one surface's record
    SurfaceShape,  // one surface's record and its vertex data (smoothing)
    Geometry,      // the vertex data of every surface (geometry operations)
    Emitter,       // one emitter's record
    Extras,        // one emitter's curves over life and shape
    Burst,         // one emitter's burst
    Light,         // one light
    Position,      // where the model stands
};

struct SurfaceArrays {
    std::vector<float> vertices, faceNormals, vertexNormals;
};

// What an emitter has beyond its record: its curves over life and its shape.
struct EmitterExtras {
    std::vector<CurveKey> curves[2];  // KORVID_CURVE_COLOUR, KORVID_CURVE_SIZE; empty: none
    EmitterShape shape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    bool operator==(const EmitterExtras& other) const;
};
// The current emitter's extras, read from the library.
EmitterExtras captureExtras();
// Gives the current emitter `extras`; false when the library refused a part
// (a mesh shape on a model without triangles), the rest being set.
bool applyExtras(const EmitterExtras& extras);

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

// Reads the part from the library (the GL context must be current).
// `position` is where the model stands, which the library does not report.
EntitySnapshot captureSnapshot(EntityPart part, int index, const float position[3]);
// Writes the part back into the library. Texture ids follow the image names,
// since an image added again may have a new id.
void applySnapshot(const EntitySnapshot& snapshot);
// The texture id of the image `name` now, or `id` when the library has no such image.
uint32_t idOf(const char* name, uint32_t id);
// Equal in everything the user can change (an emitter's live particles and
// countdowns are not compared).
bool sameSnapshot(const EntitySnapshot& a, const EntitySnapshot& b);

}  // namespace vantor

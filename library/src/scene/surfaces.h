// OpenGL state applied around each surface: blending, culling and the two
// generated-coordinate texture units.
#pragma once
#include "model.h"

namespace korvid {

void applySurfaceState(const Surface& s, const Multitexture& store);
void restoreSurfaceState(const Surface& s, const Multitexture& store);

// The current model's surface `index`, or null with the reason recorded
// (no model, index out of range).
Surface* surfaceAt(int32_t index);

}  // namespace korvid

// Instances as the library's other parts make them: the exports create
// them, and a live scene that replaces the models makes them again.
#pragma once
#include <cstdint>

#include "model.h"

namespace korvid {

// A new instance `id` of `model` at the end of the store's instances, placed
// at `matrix` (column-major; null: the identity) and started; null when its
// pools cannot be allocated.
Instance* addInstance(ModelStore& store, Model& model, int32_t id, const float* matrix);
// Carries the instance's emitters' births by its matrix.
void placeEmitters(Instance& instance);

}  // namespace korvid

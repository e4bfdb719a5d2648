// Inside the scene adapter: the guard that moves the library's cursor for
// one call and puts it back, and reads of the current emitter.
#pragma once
#include <algorithm>

#include "document/entity_snapshot.h"
#include "korvid.h"

namespace vantor {
namespace scene_detail {
// Makes emitter `index` of the current model current; any other index leaves
// none current (the index just past the last emitter does that).
inline bool selectEmitter(int index) {
    ModelInfo info{};
    objGetModelData(&info);
    const bool exists = index >= 0 && index < info.emitterCount;
    return objSetEmitterPtr(exists ? index : info.emitterCount) != 0 && exists;
}
}  // namespace scene_detail

// Moves the library's cursor to a model and an emitter for the life of one
// call and puts back where it stood.
class SceneCursor {
public:
    explicit SceneCursor(int model = -1) : m_model(objGetCurrentModel()), m_emitter(objGetCurrentEmitter()) {
        if (model >= 0 && model != m_model) objSetCurrentModel(model);
    }
    // Makes emitter `index` of the model current; false when there is none.
    bool emitter(int index) { return scene_detail::selectEmitter(index); }
    ~SceneCursor() {
        if (m_model < 0) return;
        objSetCurrentModel(m_model);
        scene_detail::selectEmitter(m_emitter);
    }
    SceneCursor(const SceneCursor&) = delete;
    SceneCursor& operator=(const SceneCursor&) = delete;

private:
    int m_model;
    int m_emitter;
};

namespace scene_detail {

// The texture id of the image `name` now, or `id` when the library has no such image.
inline uint32_t idOf(const char* name, uint32_t id) {
    const uint32_t current = name[0] ? objGetTextureId(name) : 0;
    return current != 0 ? current : id;
}

// The current emitter's curves, shape, fields, colliders and look.
inline EmitterExtras currentExtras() {
    EmitterExtras x;
    for (int which = 0; which < 2; ++which) {
        x.curves[which].resize(KORVID_MAX_CURVE_KEYS);
        const int32_t n = objGetEmitterCurve(which, x.curves[which].data(), KORVID_MAX_CURVE_KEYS);
        x.curves[which].resize(static_cast<size_t>(std::max(0, n)));
    }
    if (!objGetEmitterShape(&x.shape)) x.shape = EmitterShape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    x.fields.resize(KORVID_MAX_FIELDS);
    x.fields.resize(static_cast<size_t>(std::max(0, objGetEmitterFields(x.fields.data(), KORVID_MAX_FIELDS))));
    x.colliders.resize(KORVID_MAX_COLLIDERS);
    x.colliders.resize(
        static_cast<size_t>(std::max(0, objGetEmitterColliders(x.colliders.data(), KORVID_MAX_COLLIDERS))));
    objGetEmitterFlipbook(&x.flipbook);
    objGetEmitterSpin(&x.spin);
    objGetEmitterTrail(&x.trail);
    x.sort = std::max(0, objGetEmitterSort());
    return x;
}

}  // namespace scene_detail
}  // namespace vantor

// The scene as a whole: how many models there are, taking one away, what is
// shown, and the boxes that views frame.
#include <algorithm>
#include <cmath>

#include "context.h"

using namespace korvid;

namespace {

struct Box {
    float min[3] = {INFINITY, INFINITY, INFINITY};
    float max[3] = {-INFINITY, -INFINITY, -INFINITY};
    bool empty() const { return !(min[0] <= max[0]); }
    void add(const float* p, const float* offset = nullptr, const float* offset2 = nullptr) {
        for (int i = 0; i < 3; ++i) {
            const float v = p[i] + (offset ? offset[i] : 0.0f) + (offset2 ? offset2[i] : 0.0f);
            if (!std::isfinite(v)) return;
        }
        for (int i = 0; i < 3; ++i) {
            const float v = p[i] + (offset ? offset[i] : 0.0f) + (offset2 ? offset2[i] : 0.0f);
            min[i] = std::min(min[i], v);
            max[i] = std::max(max[i], v);
        }
    }
};

void addSurface(Box& box, const Model& m, const Surface& s) {
    if (!s.vertices) return;
    for (int64_t v = 0; v + 3 <= s.vertexFloatCount; v += 3) box.add(s.vertices.get() + v, s.position, m.position);
}

void addParticles(Box& box, const Emitter& e) {
    const ParticleStore& s = *e.store;
    for (int32_t i = 0; i < s.count(); ++i) {
        const float at[3] = {s.position(0, 0)[i], s.position(0, 1)[i], s.position(0, 2)[i]};
        box.add(at);
    }
}

Model* modelAt(int32_t index) {
    Context& c = context();
    if (!c.store || index < 0 || index >= c.store->count()) return nullptr;
    return c.store->models[size_t(index)].get();
}

}  // namespace

KORVID_EXPORT int32_t objGetModelCount(void) try {
    const Context& c = context();
    return c.store ? c.store->count() : 0;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objGetCurrentModel(void) try {
    const Context& c = context();
    if (!c.store || !c.store->current) return -1;
    for (int32_t i = 0; i < c.store->count(); ++i)
        if (c.store->models[size_t(i)].get() == c.store->current) return i;
    return -1;
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT int32_t objGetCurrentEmitter(void) try {
    const Context& c = context();
    if (!c.store || !c.store->current) return -1;
    const ParticleSystem& ps = c.store->current->particles;
    for (int32_t i = 0; i < ps.count(); ++i)
        if (ps.emitters[size_t(i)].get() == ps.current) return i;
    return -1;
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT bool objRemoveModel(int32_t index) try {
    Context& c = context();
    Model* m = modelAt(index);
    if (!m) {
        fail(Failure::BadArgument);
        return false;
    }
    simulationChanged();
    const bool wasCurrent = c.store->current == m;
    releaseDisplayLists(*m);
    // Its instances go with it: they share its mesh and images.
    auto& instances = c.store->instances;
    instances.erase(std::remove_if(instances.begin(), instances.end(), [m](const auto& i) { return i->model == m; }),
                    instances.end());
    c.store->models.erase(c.store->models.begin() + index);
    if (c.store->models.empty()) c.store->current = nullptr;
    else if (wasCurrent) selectModel(*c.store, index);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetVisible(int32_t model, int32_t emitter, bool visible) try {
    Model* m = modelAt(model);
    if (!m || emitter < -1 || emitter >= m->particles.count()) {
        fail(Failure::BadArgument);
        return false;
    }
    if (emitter < 0) m->hidden = !visible;
    else m->particles.emitters[size_t(emitter)]->hidden = !visible;
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetVisible(int32_t model, int32_t emitter) try {
    const Model* m = modelAt(model);
    if (!m || emitter < -1 || emitter >= m->particles.count()) return -1;
    return emitter < 0 ? !m->hidden : !m->particles.emitters[size_t(emitter)]->hidden;
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT bool objGetBounds(int32_t what, int32_t index, float min[3], float max[3]) try {
    const Context& c = context();
    if (!min || !max || !c.store) return false;
    Box box;
    const Model* current = currentModel();
    switch (what) {
    case KORVID_BOUNDS_SCENE:
        for (const auto& m : c.store->models) {
            if (m->hidden) continue;
            for (int32_t i = 0; i < m->surfaceCount; ++i) addSurface(box, *m, m->surfaces[i]);
            for (const auto& e : m->particles.emitters)
                if (!e->hidden) addParticles(box, *e);
        }
        break;
    case KORVID_BOUNDS_MODEL:
        if (current)
            for (int32_t i = 0; i < current->surfaceCount; ++i) addSurface(box, *current, current->surfaces[i]);
        break;
    case KORVID_BOUNDS_SURFACE:
        if (current && index >= 0 && index < current->surfaceCount) addSurface(box, *current, current->surfaces[index]);
        break;
    case KORVID_BOUNDS_PARTICLES:
        if (current && current->particles.current) {
            const Emitter& e = *current->particles.current;
            addParticles(box, e);
            if (box.empty()) box.add(e.data.position);
        }
        break;
    default:
        break;
    }
    if (box.empty()) return false;
    std::copy(box.min, box.min + 3, min);
    std::copy(box.max, box.max + 3, max);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT void objShowModels(bool show) { context().modelsVisible = show; }

KORVID_EXPORT void objShowShapeOutline(bool show) { context().shapeOutlineVisible = show; }

// Instances: playing copies of a model's emitters that a game places with
// its own transforms. An instance shares the model's mesh and images and
// keeps particles of its own, simulated with the models in every step, seek
// and snapshot.
#include <cmath>
#include <cstring>

#include "instances.h"

#include "context.h"

namespace korvid {
namespace {

Instance* findInstance(KorvidInstance id) {
    Context& c = context();
    if (!c.store || id <= 0) return nullptr;
    for (const auto& i : c.store->instances)
        if (i->id == id) return i.get();
    return nullptr;
}

// The instance, or null with the refusal recorded.
Instance* instanceOrRefuse(KorvidInstance id) {
    Instance* i = findInstance(id);
    if (!i) fail(Failure::GameRefused, context().store ? "no such instance" : "the library has not been started");
    return i;
}

// Null when the matrix can place an instance, else why not.
const char* matrixProblem(const float* m) {
    if (!m) return "the matrix is null";
    for (int k = 0; k < 16; ++k)
        if (!std::isfinite(m[k])) return "the matrix holds a value that is not a finite number";
    if (m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1) return "the matrix's last row must be 0 0 0 1";
    return nullptr;
}

}  // namespace

void placeEmitters(Instance& instance) {
    Placement placement;
    placement.placed = true;
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 4; ++col) placement.m[r * 4 + col] = instance.matrix[col * 4 + r];
    for (const auto& e : instance.particles.emitters) e->placement = placement;
}

Instance* addInstance(ModelStore& store, Model& model, int32_t id, const float* matrix) {
    auto instance = std::make_unique<Instance>();
    if (!copyEmitters(model.particles, instance->particles)) return nullptr;
    instance->model = &model;
    instance->id = id;
    if (matrix) std::memcpy(instance->matrix, matrix, sizeof instance->matrix);
    placeEmitters(*instance);
    restartEmitters(instance->particles);
    store.instances.push_back(std::move(instance));
    return store.instances.back().get();
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT KorvidInstance objCreateInstance(int32_t model) try {
    Context& c = context();
    if (!c.store) {
        fail(Failure::GameRefused, "the library has not been started");
        return 0;
    }
    if (model < 0 || model >= c.store->count()) {
        fail(Failure::GameRefused, "no such model");
        return 0;
    }
    if (c.store->instances.size() >= KORVID_MAX_INSTANCES) {
        fail(Failure::GameRefused, "KORVID_MAX_INSTANCES instances are playing already");
        return 0;
    }
    Instance* instance = addInstance(*c.store, *c.store->models[size_t(model)], c.store->nextInstanceId, nullptr);
    if (!instance) {
        fail(Failure::OutOfMemory, "the instance's particles");
        return 0;
    }
    simulationChanged();
    c.store->nextInstanceId = c.store->nextInstanceId == INT32_MAX ? 1 : c.store->nextInstanceId + 1;
    return instance->id;
} catch (...) {
    return refusedByException<KorvidInstance>(0);
}

KORVID_EXPORT bool objDestroyInstance(KorvidInstance id) try {
    Instance* instance = instanceOrRefuse(id);
    if (!instance) return false;
    auto& all = context().store->instances;
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it->get() == instance) {
            all.erase(it);
            break;
        }
    simulationChanged();
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetInstanceTransform(KorvidInstance id, const float matrix[16]) try {
    Instance* instance = instanceOrRefuse(id);
    if (!instance) return false;
    if (const char* why = matrixProblem(matrix)) {
        fail(Failure::GameRefused, why);
        return false;
    }
    if (std::memcmp(instance->matrix, matrix, sizeof instance->matrix) == 0) return true;
    std::memcpy(instance->matrix, matrix, sizeof instance->matrix);
    placeEmitters(*instance);
    simulationChanged();
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetInstanceTransform(KorvidInstance id, float out[16]) try {
    Instance* instance = instanceOrRefuse(id);
    if (!instance || !out) {
        if (instance) fail(Failure::GameRefused, "the matrix is null");
        return false;
    }
    std::memcpy(out, instance->matrix, sizeof instance->matrix);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objRestartInstance(KorvidInstance id) try {
    Instance* instance = instanceOrRefuse(id);
    if (!instance) return false;
    restartEmitters(instance->particles);
    context().timeline.restarted();
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetInstanceVisible(KorvidInstance id, bool visible) try {
    Instance* instance = instanceOrRefuse(id);
    if (!instance) return false;
    instance->visible = visible;
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetInstanceCount(void) try {
    const Context& c = context();
    return c.store ? int32_t(c.store->instances.size()) : 0;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int64_t objGetInstanceParticles(KorvidInstance id) try {
    Instance* instance = instanceOrRefuse(id);
    if (!instance) return -1;
    int64_t live = 0;
    for (const auto& e : instance->particles.emitters) live += e->store->count();
    return live;
} catch (...) {
    return refusedByException<int64_t>(-1);
}

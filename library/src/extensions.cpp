// Exports beyond the original interface: simulation control, restarting,
// inserting and removing emitters, particle statistics and the vertex data
// of surfaces. Nothing here changes what the
// other exports do while these are not called.
#include <cstdint>
#include <cstring>
#include <string>

#include "context.h"
#include "normals.h"
#include "surfaces.h"
#include "platform.h"

using namespace korvid;

KORVID_EXPORT void objPauseSimulation(bool paused) { context().simulation.setPaused(paused); }

KORVID_EXPORT bool objIsSimulationPaused(void) { return context().simulation.paused(); }

KORVID_EXPORT float objSetSimulationSpeed(float factor) { return context().simulation.setSpeed(factor); }

KORVID_EXPORT float objGetSimulationSpeed(void) { return context().simulation.speed(); }

KORVID_EXPORT bool objStepSimulation(int32_t milliseconds) try {
    if (context().simulation.requestStep(milliseconds)) return true;
    fail(Failure::BadArgument);
    return false;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT void objSetFixedFrameTime(int32_t milliseconds) try {
    FrameClock& clock = context().clock;
    if (milliseconds < 0 && clock.fixedStep >= 0) clock.start();  // back on the real clock from now
    clock.fixedStep = milliseconds < 0 ? -1 : milliseconds;
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objResumeClock(void) try {
    FrameClock& clock = context().clock;
    if (clock.fixedStep < 0) clock.start();
} catch (...) {
    failFromException();
}

KORVID_EXPORT int32_t objGetFrameDelta(void) { return context().clock.delta; }

KORVID_EXPORT int32_t objSeekSimulation(int32_t milliseconds) try {
    Context& c = context();
    if (!c.store) return 0;
    Progress progress(c.progress);
    const int32_t reached = c.timeline.seek(*c.store, milliseconds, c.clock.fixedStep, platform::currentSeed(), progress);
    if (reached < 0) fail(Failure::Cancelled, "the seek was stopped; the simulation is as it was");
    return reached;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT void objSetProgressCallback(bool (*function)(float done, void* user), void* user) {
    context().progress = ProgressHook{function, user};
}

KORVID_EXPORT bool objSetEmitterCurve(int32_t curve, const CurveKey* keys, int32_t count) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current) {
        fail(Failure::CurveRefused, "there is no current emitter");
        return false;
    }
    LifeCurve changed;
    const char* why = "";
    if (setLifeCurve(changed, curve, keys, count, &why) != Failure::None) {
        fail(Failure::CurveRefused, why);
        return false;
    }
    simulationChanged();
    ps->current->curves[curve] = std::move(changed);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objEvaluateCurve(const CurveKey* keys, int32_t count, float time, float out[4]) try {
    if (!keys || !out || count <= 0 || count > KORVID_MAX_CURVE_KEYS) {
        fail(Failure::BadArgument);
        return false;
    }
    curveValue(keys, count, time, out);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetEmitterCurve(int32_t curve, CurveKey* keys, int32_t capacity) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current || (curve != KORVID_CURVE_COLOUR && curve != KORVID_CURVE_SIZE)) return -1;
    const auto& held = ps->current->curves[curve].keys;
    if (keys)
        for (int32_t k = 0; k < capacity && size_t(k) < held.size(); ++k) keys[k] = held[size_t(k)];
    return static_cast<int32_t>(held.size());
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT bool objSetEmitterShape(const EmitterShape* shape) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current || !shape) {
        fail(Failure::ShapeRefused, !shape ? "the shape is missing" : "there is no current emitter");
        return false;
    }
    ShapeState changed;
    const char* why = "";
    if (makeShape(*shape, currentModel(), changed, &why) != Failure::None) {
        fail(Failure::ShapeRefused, why);
        return false;
    }
    simulationChanged();
    ps->current->shape = std::move(changed);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetEmitterShape(EmitterShape* shape) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current || !shape) return false;
    *shape = ps->current->shape.shape;
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT void objShowModels(bool show) { context().modelsVisible = show; }

KORVID_EXPORT void objShowShapeOutline(bool show) { context().shapeOutlineVisible = show; }

KORVID_EXPORT int32_t objGetSimulationTime(void) { return static_cast<int32_t>(context().timeline.time()); }

KORVID_EXPORT int64_t objSetSnapshotBudget(int64_t bytes) try {
    Timeline& t = context().timeline;
    t.setBudget(bytes);
    return t.budget();
} catch (...) {
    return refusedByException<int64_t>(0);
}

KORVID_EXPORT void objSeedRandom(uint32_t seed) { platform::seedByCaller(seed); }

KORVID_EXPORT int32_t objRestartEmitters(void) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return 0;
    restartEmitters(*ps);
    context().timeline.restarted();
    return ps->count();
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objRemoveEmitter(void) try {
    simulationChanged();
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return -1;
    if (!removeCurrentEmitter(*ps)) {
        fail(Failure::NoEmitter);
        return -1;
    }
    return ps->count();
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT int32_t objGetLiveParticles(int32_t index) try {
    const Model* m = currentModel();
    if (!m) return 0;
    const ParticleSystem& ps = m->particles;
    if (index >= 0) return index < ps.count() ? ps.emitters[static_cast<size_t>(index)]->data.liveCount : 0;
    int32_t total = 0;
    for (const auto& e : ps.emitters) total += e->data.liveCount;
    return total;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int64_t objGetBurstsFired(int32_t index) try {
    const Model* m = currentModel();
    if (!m) return 0;
    const ParticleSystem& ps = m->particles;
    if (index >= 0) return index < ps.count() ? ps.emitters[static_cast<size_t>(index)]->burstsFired : 0;
    int64_t total = 0;
    for (const auto& e : ps.emitters) total += e->burstsFired;
    return total;
} catch (...) {
    return refusedByException<int64_t>(0);
}

namespace {
// The sum of `count` over every emitter of every model that is shown.
template <typename Count>
int64_t sumOverScene(Count count) {
    const Context& c = context();
    int64_t total = 0;
    if (c.store)
        for (const auto& m : c.store->models)
            if (!m->hidden)
                for (const auto& e : m->particles.emitters)
                    if (!e->hidden) total += count(*e);
    return total;
}
}  // namespace

KORVID_EXPORT int64_t objGetSceneLiveParticles(void) try {
    return sumOverScene([](const Emitter& e) { return int64_t(e.data.liveCount); });
} catch (...) {
    return refusedByException<int64_t>(0);
}

KORVID_EXPORT int64_t objGetSceneBurstsFired(void) try {
    return sumOverScene([](const Emitter& e) { return e.burstsFired; });
} catch (...) {
    return refusedByException<int64_t>(0);
}

KORVID_EXPORT int32_t objInsertEmitter(const EmitterData* tmpl, int32_t index) try {
    simulationChanged();
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !tmpl || index < 0 || index > ps->count()) return 0;
    Failure why = Failure::None;
    const int32_t count = insertEmitter(*ps, withSafeName(*tmpl), index, &why);
    if (why == Failure::OutOfMemory) failPool(tmpl->totalParticles);
    else if (count == 0) fail(Failure::ParticleLimit);
    return count;
} catch (...) {
    return refusedByException<int32_t>(0);
}

namespace {

// The surface of the current model at index, or null with the reason recorded.
Surface* arraysSurface(int32_t index) {
    if (!currentModel()) {
        fail(Failure::SurfaceArrays, "there is no current model");
        return nullptr;
    }
    Surface* s = surfaceAt(index);
    if (!s) fail(Failure::SurfaceArrays, ("there is no surface " + std::to_string(index)).c_str());
    return s;
}

// Whether a caller's buffer of `capacity` floats (null: not wanted) takes `needed`.
bool fits(const float* buffer, int64_t capacity, int64_t needed) { return !buffer || capacity >= needed; }

}  // namespace

KORVID_EXPORT bool objGetSurfaceArraysSized(int32_t index, float* vertices, int64_t vertexCapacity, float* faceNormals,
                                            int64_t faceNormalCapacity, float* vertexNormals,
                                            int64_t vertexNormalCapacity) try {
    const Surface* s = arraysSurface(index);
    if (!s) return false;
    const int64_t floats = s->vertexFloatCount, faces = int64_t(s->polygonCount) * 3;
    if (!fits(vertices, vertexCapacity, floats) || !fits(faceNormals, faceNormalCapacity, faces) ||
        !fits(vertexNormals, vertexNormalCapacity, floats)) {
        fail(Failure::SurfaceArrays, "a buffer is smaller than the surface's data");
        return false;
    }
    if (vertices && s->vertices) std::memcpy(vertices, s->vertices.get(), size_t(floats) * sizeof(float));
    if (faceNormals && s->faceNormals) std::memcpy(faceNormals, s->faceNormals.get(), size_t(faces) * sizeof(float));
    if (vertexNormals && s->vertexNormals)
        std::memcpy(vertexNormals, s->vertexNormals.get(), size_t(floats) * sizeof(float));
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetSurfaceArrays(int32_t index, float* vertices, float* faceNormals, float* vertexNormals) try {
    return objGetSurfaceArraysSized(index, vertices, INT64_MAX, faceNormals, INT64_MAX, vertexNormals, INT64_MAX);
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetSurfaceArrays(int32_t index, const float* vertices, const float* faceNormals,
                                       const float* vertexNormals) try {
    simulationChanged();
    Surface* s = arraysSurface(index);
    if (!s) return false;
    const size_t floats = static_cast<size_t>(s->vertexFloatCount);
    const size_t faces = static_cast<size_t>(s->polygonCount) * 3;
    if (vertices && s->vertices) std::memcpy(s->vertices.get(), vertices, floats * sizeof(float));
    if (faceNormals && s->faceNormals) std::memcpy(s->faceNormals.get(), faceNormals, faces * sizeof(float));
    if (vertexNormals && s->vertexNormals) std::memcpy(s->vertexNormals.get(), vertexNormals, floats * sizeof(float));
    if (s->outline && s->vertices) buildOutline(s->vertices.get(), s->vertexFloatCount, *s->outline);
    s->geometryChanged = true;
    buildModelOutline(*currentModel());
    refreshMeshShapes(*currentModel());
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objMakeName(const char* text, char* out, int32_t size) try {
    if (!out || size <= 0) return -1;
    return static_cast<int32_t>(safeName(text, out, static_cast<size_t>(size)));
} catch (...) {
    return refusedByException<int32_t>(-1);
}

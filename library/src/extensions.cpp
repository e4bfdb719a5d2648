// Exports beyond the original interface: simulation control, restarting,
// inserting and removing emitters, particle statistics and the vertex data
// of surfaces. Nothing here changes what the
// other exports do while these are not called.
#include <cstring>

#include "context.h"
#include "normals.h"
#include "surfaces.h"
#include "platform.h"

using namespace korvid;

KORVID_EXPORT void objPauseSimulation(bool paused) { context().simulation.setPaused(paused); }

KORVID_EXPORT bool objIsSimulationPaused(void) { return context().simulation.paused(); }

KORVID_EXPORT float objSetSimulationSpeed(float factor) { return context().simulation.setSpeed(factor); }

KORVID_EXPORT float objGetSimulationSpeed(void) { return context().simulation.speed(); }

KORVID_EXPORT bool objStepSimulation(int32_t milliseconds) {
    if (context().simulation.requestStep(milliseconds)) return true;
    fail(Failure::BadArgument);
    return false;
}

KORVID_EXPORT void objSetFixedFrameTime(int32_t milliseconds) {
    FrameClock& clock = context().clock;
    if (milliseconds < 0 && clock.fixedStep >= 0) clock.start();  // back on the real clock from now
    clock.fixedStep = milliseconds < 0 ? -1 : milliseconds;
}

KORVID_EXPORT void objSeedRandom(uint32_t seed) { platform::seedRandom(seed); }

KORVID_EXPORT int32_t objRestartEmitters(void) {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return 0;
    restartEmitters(*ps);
    return ps->count();
}

KORVID_EXPORT int32_t objRemoveEmitter(void) {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return -1;
    if (!removeCurrentEmitter(*ps)) {
        fail(Failure::NoEmitter);
        return -1;
    }
    return ps->count();
}

KORVID_EXPORT int32_t objGetLiveParticles(int32_t index) {
    const Model* m = currentModel();
    if (!m) return 0;
    const ParticleSystem& ps = m->particles;
    if (index >= 0) return index < ps.count() ? ps.emitters[static_cast<size_t>(index)]->data.liveCount : 0;
    int32_t total = 0;
    for (const auto& e : ps.emitters) total += e->data.liveCount;
    return total;
}

KORVID_EXPORT int64_t objGetBurstsFired(int32_t index) {
    const Model* m = currentModel();
    if (!m) return 0;
    const ParticleSystem& ps = m->particles;
    if (index >= 0) return index < ps.count() ? ps.emitters[static_cast<size_t>(index)]->burstsFired : 0;
    int64_t total = 0;
    for (const auto& e : ps.emitters) total += e->burstsFired;
    return total;
}

KORVID_EXPORT int32_t objInsertEmitter(const EmitterData* tmpl, int32_t index) {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !tmpl || index < 0 || index > ps->count()) return 0;
    const int32_t count = insertEmitter(*ps, *tmpl, index);
    if (count == 0) fail(Failure::ParticleLimit);
    return count;
}

KORVID_EXPORT bool objGetSurfaceArrays(int32_t index, float* vertices, float* faceNormals, float* vertexNormals) {
    const Surface* s = surfaceAt(index);
    if (!s) return false;
    const size_t floats = static_cast<size_t>(s->vertexFloatCount);
    const size_t faces = static_cast<size_t>(s->polygonCount) * 3;
    if (vertices && s->vertices) std::memcpy(vertices, s->vertices.get(), floats * sizeof(float));
    if (faceNormals && s->faceNormals) std::memcpy(faceNormals, s->faceNormals.get(), faces * sizeof(float));
    if (vertexNormals && s->vertexNormals) std::memcpy(vertexNormals, s->vertexNormals.get(), floats * sizeof(float));
    return true;
}

KORVID_EXPORT bool objSetSurfaceArrays(int32_t index, const float* vertices, const float* faceNormals,
                                       const float* vertexNormals) {
    Surface* s = surfaceAt(index);
    if (!s) return false;
    const size_t floats = static_cast<size_t>(s->vertexFloatCount);
    const size_t faces = static_cast<size_t>(s->polygonCount) * 3;
    if (vertices && s->vertices) std::memcpy(s->vertices.get(), vertices, floats * sizeof(float));
    if (faceNormals && s->faceNormals) std::memcpy(s->faceNormals.get(), faceNormals, faces * sizeof(float));
    if (vertexNormals && s->vertexNormals) std::memcpy(s->vertexNormals.get(), vertexNormals, floats * sizeof(float));
    if (s->outline && s->vertices) buildOutline(s->vertices.get(), s->vertexFloatCount, *s->outline);
    s->geometryChanged = true;
    buildModelOutline(*currentModel());
    return true;
}

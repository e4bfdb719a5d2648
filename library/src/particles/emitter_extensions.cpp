// The current model's emitters beyond their record and burst: inserting and
// removing them, their curves over life and the shapes they are born in.
#include <cstdint>
#include <cstring>
#include <string>

#include "context.h"

using namespace korvid;

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


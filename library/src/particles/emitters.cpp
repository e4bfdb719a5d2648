// Exported access to the current model's emitters and bursts.
#include <cstring>

#include "context.h"

using namespace korvid;

namespace {
// The current emitter; records why there is none.
EmitterData* currentEmitter(ParticleSystem* ps) {
    if (!ps) return nullptr;
    if (!ps->current) fail(Failure::NoEmitter);
    return ps->currentEmitter();
}
}  // namespace

KORVID_EXPORT EmitterData* objInitEmitter(EmitterData* out) try {
    if (out) initEmitter(*out);
    return out;
} catch (...) {
    return refusedByException<EmitterData*>(nullptr);
}

KORVID_EXPORT int32_t objAddEmitter(const EmitterData* tmpl) try {
    simulationChanged();
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !tmpl) return 0;
    Failure why = Failure::None;
    const int32_t count = addEmitter(*ps, withSafeName(*tmpl), &why);
    if (why == Failure::OutOfMemory) failPool(tmpl->totalParticles);
    else if (count == 0) fail(Failure::ParticleLimit);
    return count;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objSetEmitterPtr(int32_t index) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return 0;
    if (selectEmitter(*ps, index)) return 1;
    fail(Failure::BadArgument);
    return 0;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objGetEmitter(EmitterData* out) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return 0;
    if (const EmitterData* e = currentEmitter(ps); e && out) std::memcpy(out, e, sizeof(EmitterData));
    return 1;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objSetEmitter(const EmitterData* in) try {
    simulationChanged();
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !in) return 0;
    const Failure refusal = setEmitter(*ps, withSafeName(*in));
    if (refusal == Failure::None) return 1;
    if (refusal == Failure::OutOfMemory) failPool(in->totalParticles);
    else fail(refusal);
    // A pool below the batch size is ignored silently, and the call still counts as made.
    return refusal == Failure::PoolBelowBatch ? 1 : 0;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objSetPosEmitter(const float position[3]) try {
    simulationChanged();
    ParticleSystem* ps = currentParticleSystem();
    EmitterData* e = currentEmitter(ps);
    if (!e || !position) return 0;
    std::memcpy(e->position, position, 3 * sizeof(float));
    return 1;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objGetBurst(BurstData* out) try {
    ParticleSystem* ps = currentParticleSystem();
    const EmitterData* e = currentEmitter(ps);
    if (!e || !out) return 0;
    *out = e->burst;
    return 1;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objSetBurst(const BurstData* in) try {
    simulationChanged();
    ParticleSystem* ps = currentParticleSystem();
    if (!currentEmitter(ps) || !in) return 0;
    setBurst(*ps, *in);
    return 1;
} catch (...) {
    return refusedByException<int32_t>(0);
}

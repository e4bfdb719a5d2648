// Exported access to the current model's emitters and bursts.
#include <cstring>

#include "context.h"

using namespace korvid;

namespace {
ParticleSystem* particles() {
    Model* m = currentModel();
    return m ? &m->particles : nullptr;
}
}  // namespace

KORVID_EXPORT EmitterData* objInitEmitter(EmitterData* out) {
    if (out) initEmitter(*out);
    return out;
}

KORVID_EXPORT int32_t objAddEmitter(const EmitterData* tmpl) {
    ParticleSystem* ps = particles();
    if (!ps || !tmpl) return 0;
    const int32_t count = addEmitter(*ps, *tmpl);
    if (count == 0) setError("Too many particles: %s", kParticleLimitText);
    return count;
}

KORVID_EXPORT int32_t objSetEmitterPtr(int32_t index) {
    ParticleSystem* ps = particles();
    return ps ? selectEmitter(*ps, index) : 0;
}

KORVID_EXPORT int32_t objGetEmitter(EmitterData* out) {
    ParticleSystem* ps = particles();
    if (!ps) return 0;
    if (ps->currentEmitter && out) std::memcpy(out, ps->currentEmitter, sizeof(EmitterData));
    return 1;
}

KORVID_EXPORT int32_t objSetEmitter(const EmitterData* in) {
    ParticleSystem* ps = particles();
    if (!ps || !in) return 0;
    switch (setEmitter(*ps, *in)) {
    case SetEmitterResult::Done: return 1;
    case SetEmitterResult::FewerThanPerCycle: return 1;  // silently ignored
    case SetEmitterResult::NoEmitter: return 0;
    case SetEmitterResult::OverParticleLimit: setError("Too many particles: %s", kParticleLimitText); return 0;
    }
    return 0;
}

KORVID_EXPORT int32_t objSetPosEmitter(const float position[3]) {
    ParticleSystem* ps = particles();
    if (!ps || !ps->currentEmitter || !position) return 0;
    std::memcpy(ps->currentEmitter->position, position, 3 * sizeof(float));
    return 1;
}

KORVID_EXPORT int32_t objGetBurst(BurstData* out) {
    ParticleSystem* ps = particles();
    if (!ps || !ps->currentEmitter || !out) return 0;
    *out = ps->currentEmitter->burst;
    return 1;
}

KORVID_EXPORT int32_t objSetBurst(const BurstData* in) {
    ParticleSystem* ps = particles();
    if (!ps || !ps->currentEmitter || !in) return 0;
    setBurst(*ps, *in);
    return 1;
}

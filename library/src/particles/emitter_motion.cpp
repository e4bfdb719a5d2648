// The current emitter's force fields and colliders, and the contacts its
// particles make.
#include <cstdint>

#include "context.h"
#include "model.h"

using namespace korvid;

namespace {

Emitter* currentEmitterOrFail(Failure code) {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current) {
        fail(code, "there is no current emitter");
        return nullptr;
    }
    return ps->current;
}

}  // namespace

KORVID_EXPORT bool objSetEmitterFields(const ForceField* fields, int32_t count) try {
    Emitter* e = currentEmitterOrFail(Failure::FieldRefused);
    if (!e) return false;
    std::vector<ForceField> taken;
    const char* why = "";
    if (takeFields(fields, count, taken, &why) != Failure::None) {
        fail(Failure::FieldRefused, why);
        return false;
    }
    simulationChanged();
    e->fields = std::move(taken);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetEmitterFields(ForceField* out, int32_t capacity) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current) return -1;
    const auto& held = ps->current->fields;
    if (out)
        for (int32_t k = 0; k < capacity && size_t(k) < held.size(); ++k) out[k] = held[size_t(k)];
    return static_cast<int32_t>(held.size());
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT bool objSetEmitterColliders(const Collider* colliders, int32_t count) try {
    Emitter* e = currentEmitterOrFail(Failure::ColliderRefused);
    if (!e) return false;
    std::vector<HeldCollider> taken;
    const char* why = "";
    if (takeColliders(colliders, count, context().store.get(), taken, &why) != Failure::None) {
        fail(Failure::ColliderRefused, why);
        return false;
    }
    simulationChanged();
    e->colliders = std::move(taken);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetEmitterColliders(Collider* out, int32_t capacity) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current) return -1;
    const auto& held = ps->current->colliders;
    if (out)
        for (int32_t k = 0; k < capacity && size_t(k) < held.size(); ++k)
            out[k] = reportedCollider(held[size_t(k)], context().store.get());
    return static_cast<int32_t>(held.size());
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT void objSetHitCallback(KorvidHitFn fn, void* user) try {
    context().hitFunction = fn;
    context().hitUser = fn ? user : nullptr;
} catch (...) {
    failFromException();
}

KORVID_EXPORT int64_t objGetHits(int32_t index) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return 0;
    if (index == -1) {
        int64_t total = 0;
        for (const auto& e : ps->emitters) total += e->hits;
        return total;
    }
    if (index < 0 || index >= ps->count()) return 0;
    return ps->emitters[size_t(index)]->hits;
} catch (...) {
    return refusedByException<int64_t>(0);
}

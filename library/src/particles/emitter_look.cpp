// The current emitter's look: its flipbook, spin and stretch, trail and
// drawing order.
#include <cstdint>

#include "context.h"
#include "model.h"

using namespace korvid;

namespace korvid {

Failure setLook(Emitter& e, const EmitterLook& look, const char** why) {
    const char* problem = flipbookProblem(look.flipbook);
    if (!problem) problem = spinProblem(look.spin);
    if (!problem) problem = trailProblem(look.trail);
    if (!problem) problem = sortProblem(look.sort);
    if (problem) {
        *why = problem;
        return Failure::LookRefused;
    }
    if (!e.store->setTrailPoints(trailPoints(look.trail))) {
        *why = "the trails' points for the emitter's pool";
        return Failure::OutOfMemory;
    }
    e.look = look;
    return Failure::None;
}

}  // namespace korvid

namespace {

// Changes one part of the current emitter's look; false, with the last
// error, when there is no current emitter or the part is refused.
template <class Change>
bool changeLook(bool given, Change&& change) {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current || !given) {
        fail(Failure::LookRefused, !given ? "the record is missing" : "there is no current emitter");
        return false;
    }
    EmitterLook look = ps->current->look;
    change(look);
    const char* why = "";
    const Failure code = setLook(*ps->current, look, &why);
    if (code != Failure::None) {
        fail(code, why);
        return false;
    }
    simulationChanged();
    return true;
}

template <class Read>
bool readLook(bool given, Read&& read) {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current || !given) return false;
    read(ps->current->look);
    return true;
}

}  // namespace

KORVID_EXPORT bool objSetEmitterFlipbook(const Flipbook* flipbook) try {
    return changeLook(flipbook != nullptr, [&](EmitterLook& look) { look.flipbook = *flipbook; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetEmitterFlipbook(Flipbook* out) try {
    return readLook(out != nullptr, [&](const EmitterLook& look) { *out = look.flipbook; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetEmitterSpin(const ParticleSpin* spin) try {
    return changeLook(spin != nullptr, [&](EmitterLook& look) { look.spin = *spin; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetEmitterSpin(ParticleSpin* out) try {
    return readLook(out != nullptr, [&](const EmitterLook& look) { *out = look.spin; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetEmitterTrail(const Trail* trail) try {
    return changeLook(trail != nullptr, [&](EmitterLook& look) { look.trail = *trail; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetEmitterTrail(Trail* out) try {
    return readLook(out != nullptr, [&](const EmitterLook& look) { *out = look.trail; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetEmitterSort(int32_t mode) try {
    return changeLook(true, [&](EmitterLook& look) { look.sort = mode; });
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objGetEmitterSort(void) try {
    int32_t mode = -1;
    readLook(true, [&](const EmitterLook& look) { mode = look.sort; });
    return mode;
} catch (...) {
    return refusedByException<int32_t>(-1);
}

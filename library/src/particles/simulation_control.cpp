// The simulation of every model as one: pause, speed, single steps, the
// frame clock, seeks and the seed, restarting, and how many particles live
// and bursts went off.
#include <cstdint>
#include <cstring>
#include <string>

#include "context.h"
#include "timeline.h"
#include "platform.h"

namespace korvid {

void stepScene(Context& c, int32_t delta) {
    for (size_t k = 0; k < c.store->models.size(); ++k)
        simulateParticleSystem(c.store->models[k]->particles, delta, HitSink{c.hitFunction, c.hitUser, int32_t(k)});
    for (const auto& instance : c.store->instances)
        simulateParticleSystem(instance->particles, delta, HitSink{c.hitFunction, c.hitUser, -instance->id});
    c.timeline.stepped(*c.store, delta);
}

}  // namespace korvid

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

KORVID_EXPORT int32_t objAdvance(int32_t milliseconds) try {
    Context& c = context();
    if (!c.store) {
        fail(Failure::GameRefused, "the library has not been started");
        return -1;
    }
    if (milliseconds < 0 || milliseconds > KORVID_MAX_ADVANCE_MS) {
        fail(Failure::GameRefused, "game time advances by 0 to 3600000 ms a call");
        return -1;
    }
    c.game.inUse = true;
    if (c.simulation.paused()) return 0;
    const int32_t step = c.clock.fixedStep > 0 ? c.clock.fixedStep : kDefaultSeekStep;
    c.game.remainder += milliseconds;
    int32_t steps = 0;
    for (; c.game.remainder >= step; c.game.remainder -= step, ++steps) stepScene(c, step);
    return steps;
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT int32_t objSeekSimulation(int32_t milliseconds) try {
    Context& c = context();
    if (!c.store) return 0;
    Progress progress(c.progress);
    const int32_t reached = c.timeline.seek(*c.store, milliseconds, c.clock.fixedStep, platform::currentSeed(), progress);
    if (reached >= 0) c.game.remainder = 0;  // the game's time starts again from the moment sought
    if (reached < 0) fail(Failure::Cancelled, "the seek was stopped; the simulation is as it was");
    return reached;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT void objSetProgressCallback(bool (*function)(float done, void* user), void* user) {
    context().progress = ProgressHook{function, user};
}

KORVID_EXPORT int32_t objGetSimulationTime(void) { return static_cast<int32_t>(context().timeline.time()); }

KORVID_EXPORT int64_t objSetSnapshotBudget(int64_t bytes) try {
    Timeline& t = context().timeline;
    t.setBudget(bytes);
    return t.budget();
} catch (...) {
    return refusedByException<int64_t>(0);
}

KORVID_EXPORT void objSeedRandom(uint32_t seed) { platform::seedByCaller(seed); }

KORVID_EXPORT int32_t objSetWorkerThreads(int32_t count) try {
    if (count < 0) {
        fail(Failure::BadArgument);
        return 0;
    }
    return context().workers.setCount(count);
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objRestartEmitters(void) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps) return 0;
    restartEmitters(*ps);
    context().timeline.restarted();
    return ps->count();
} catch (...) {
    return refusedByException<int32_t>(0);
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


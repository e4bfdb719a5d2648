// Emitters in a system: their records, their pools, adding, setting,
// restarting and removing them.
#include "particles.h"

#include <algorithm>
#include <cstring>

#include "record_fields.h"

namespace korvid {
namespace {

// Keeps each record's `next` naming the record after it, as callers see it.
void relink(ParticleSystem& ps) {
    for (size_t i = 0; i < ps.emitters.size(); ++i)
        ps.emitters[i]->data.next = i + 1 < ps.emitters.size() ? &ps.emitters[i + 1]->data : nullptr;
}

// A store with room for `count` particles (none for a count of 0 or less)
// and trails of `trailPoints`; null when it cannot be allocated.
std::unique_ptr<ParticleStore> makePool(int32_t count, int32_t trailPoints) {
    auto store = std::make_unique<ParticleStore>();
    if (!store->setTrailPoints(trailPoints) || !store->allocate(count)) return nullptr;
    return store;
}

// Pools up to this size keep room for a step's scratch from the start, so
// that their steps never allocate; larger ones grow it when first needed.
constexpr int32_t kReservedScratch = 1 << 16;

void installPool(Emitter& emitter, std::unique_ptr<ParticleStore> store) {
    emitter.store = std::move(store);
    const size_t scratch = size_t(std::min(emitter.store->capacity(), kReservedScratch));
    std::vector<uint8_t>().swap(emitter.dying);
    std::vector<Birth>().swap(emitter.bursts);
    emitter.dying.reserve(scratch);
    emitter.bursts.reserve(scratch);
    syncLists(emitter);
}

// A new emitter from `tmpl` with its pool; null (and `refusal` OutOfMemory)
// when the pool cannot be allocated.
std::unique_ptr<Emitter> newEmitter(const EmitterData& tmpl, Failure& refusal) {
    auto emitter = std::make_unique<Emitter>();
    EmitterData& e = emitter->data;
    e = tmpl;
    e.freeList = nullptr;
    e.liveList = nullptr;
    e.liveCount = 0;
    e.next = nullptr;
    e.name[27] = '\0';
    e.imageName[27] = '\0';
    // An emitter is never left without its pool.
    refusal = Failure::OutOfMemory;
    if (!buildParticlePool(*emitter)) return nullptr;
    refusal = Failure::None;
    emitter->startLifespanTime = e.lifespanTime;
    emitter->startCountdown = e.emitCountdown;
    return emitter;
}

}  // namespace

void syncLists(Emitter& emitter) {
    const ParticleStore& s = *emitter.store;
    EmitterData& e = emitter.data;
    e.liveCount = s.count();
    e.liveList = s.count() > 0 ? &emitter.store->live : nullptr;
    e.freeList = s.room() > 0 ? &emitter.store->idle : nullptr;
}

void initEmitter(EmitterData& e) {
    std::memset(&e, 0, sizeof e);
    e.totalParticles = 1000;
    e.burst.count = 10;
    e.burst.life = 500;
    e.burst.yawVar = 3.1415927f;
    e.burst.pitch = 1.5707964f;
    e.burst.pitchVar = 0.78539819f;
    e.burst.speed = 0.01f;
    for (int i = 0; i < 4; ++i) e.burst.startColor[i] = 1.0f;
    e.burst.startSize = 1.0f;
    e.burst.endSize = 1.0f;
    e.emitterPerCycle = 1;
    e.life = 2000;
    for (int i = 0; i < 4; ++i) e.startColor[i] = 1.0f;
    e.startSize = 1.0f;
}

bool buildParticlePool(Emitter& emitter) {
    std::unique_ptr<ParticleStore> store = makePool(emitter.data.totalParticles, emitter.store->trailPoints());
    if (!store) return false;
    installPool(emitter, std::move(store));
    return true;
}

int64_t pooledParticles(const ParticleSystem& ps, const EmitterData* except) {
    int64_t total = 0;
    for (const auto& e : ps.emitters)
        if (&e->data != except && e->data.totalParticles > 0) total += e->data.totalParticles;
    return total;
}

bool fitsParticleLimit(const ParticleSystem& ps, const EmitterData* replaced, int32_t totalParticles) {
    const int64_t wanted = totalParticles > 0 ? totalParticles : 0;
    return pooledParticles(ps, replaced) + wanted <= KORVID_MAX_PARTICLES;
}

int32_t addEmitter(ParticleSystem& ps, const EmitterData& tmpl, Failure* why) {
    return insertEmitter(ps, tmpl, ps.count(), why);
}

int32_t insertEmitter(ParticleSystem& ps, const EmitterData& tmpl, int32_t index, Failure* why) {
    Failure ignored;
    Failure& refusal = why ? *why : ignored;
    refusal = Failure::BadArgument;
    if (index < 0 || index > ps.count()) return 0;
    refusal = Failure::ParticleLimit;
    if (!fitsParticleLimit(ps, nullptr, tmpl.totalParticles)) return 0;
    std::unique_ptr<Emitter> emitter = newEmitter(tmpl, refusal);
    if (!emitter) return 0;
    ps.emitters.insert(ps.emitters.begin() + index, std::move(emitter));
    relink(ps);
    return ps.count();
}

int32_t appendEmitter(ParticleSystem& ps, const EmitterData& tmpl, int64_t& pooled, Failure* why) {
    Failure ignored;
    Failure& refusal = why ? *why : ignored;
    const int64_t wanted = tmpl.totalParticles > 0 ? tmpl.totalParticles : 0;
    refusal = Failure::ParticleLimit;
    if (pooled + wanted > KORVID_MAX_PARTICLES) return 0;
    std::unique_ptr<Emitter> emitter = newEmitter(tmpl, refusal);
    if (!emitter) return 0;
    if (!ps.emitters.empty()) ps.emitters.back()->data.next = &emitter->data;
    ps.emitters.push_back(std::move(emitter));
    pooled += wanted;
    return ps.count();
}

int32_t selectEmitter(ParticleSystem& ps, int32_t index) {
    if (index < 0 || index > ps.count()) return 0;
    // The index just past the end leaves no emitter current.
    ps.current = index < ps.count() ? ps.emitters[static_cast<size_t>(index)].get() : nullptr;
    return 1;
}

Failure setEmitter(ParticleSystem& ps, const EmitterData& s) {
    if (!ps.current) return Failure::NoEmitter;
    EmitterData* e = &ps.current->data;
    if (s.totalParticles < s.emitterPerCycle) return Failure::PoolBelowBatch;
    if (s.totalParticles != e->totalParticles && !fitsParticleLimit(ps, e, s.totalParticles))
        return Failure::ParticleLimit;
    // Every field the caller may set; a new pool size also rebuilds the pool,
    // which ends every live particle. Lists, counts and the burst stay.
    const bool newPool = s.totalParticles != e->totalParticles;
    // The new pool is made first, so that a refusal changes nothing.
    std::unique_ptr<ParticleStore> pool;
    if (newPool && !(pool = makePool(s.totalParticles, ps.current->store->trailPoints()))) return Failure::OutOfMemory;
    copyFields<EmitterData>(*e, s, emitterFields(), kInput);
    ps.current->startLifespanTime = e->lifespanTime;
    if (newPool) installPool(*ps.current, std::move(pool));
    return Failure::None;
}

void setBurst(ParticleSystem& ps, const BurstData& burst) {
    if (ps.current) ps.current->data.burst = burst;
}

void restartEmitters(ParticleSystem& ps) {
    for (const auto& e : ps.emitters) {
        // The pool is reused as it is, so a restart needs no memory.
        if (e->store->capacity() == std::max(0, e->data.totalParticles)) {
            e->store->clear();
            syncLists(*e);
        } else {
            buildParticlePool(*e);
        }
        e->data.lifespanTime = e->startLifespanTime;
        e->data.emitCountdown = e->startCountdown;
        e->burstsFired = 0;
        e->hits = 0;
        e->elapsedMs = 0;
    }
}

std::unique_ptr<Emitter> copyEmitter(const Emitter& from) {
    EmitterData record = from.data;
    record.lifespanTime = from.startLifespanTime;
    record.emitCountdown = from.startCountdown;
    Failure refusal = Failure::None;
    std::unique_ptr<Emitter> copy = newEmitter(record, refusal);
    if (!copy) return nullptr;
    copy->startLifespanTime = from.startLifespanTime;
    copy->startCountdown = from.startCountdown;
    copy->curves[0] = from.curves[0];
    copy->curves[1] = from.curves[1];
    copy->shape = from.shape;
    copy->fields = from.fields;
    copy->colliders = from.colliders;
    copy->hidden = from.hidden;
    const char* why = nullptr;
    if (setLook(*copy, from.look, &why) != Failure::None) return nullptr;
    return copy;
}

bool copyEmitters(const ParticleSystem& from, ParticleSystem& to) {
    std::vector<std::unique_ptr<Emitter>> copies;
    for (const auto& e : from.emitters) {
        copies.push_back(copyEmitter(*e));
        if (!copies.back()) return false;
    }
    to.emitters = std::move(copies);
    to.current = to.emitters.empty() ? nullptr : to.emitters.front().get();
    relink(to);
    return true;
}

bool removeCurrentEmitter(ParticleSystem& ps) {
    const auto at = std::find_if(ps.emitters.begin(), ps.emitters.end(),
                                 [&ps](const auto& e) { return e.get() == ps.current; });
    if (at == ps.emitters.end()) return false;
    const auto next = ps.emitters.erase(at);
    ps.current = next == ps.emitters.end() ? nullptr : next->get();
    relink(ps);
    return true;
}

}  // namespace korvid

#include "reference_cores.h"

#include <cstring>

namespace bench {
namespace {

void birth(float position[3], float velocity[3], float color[4], float colorStep[4], float& size, float& sizeStep,
           int32_t& life, int32_t i) {
    for (int a = 0; a < 3; ++a) position[a] = 0.0f;
    velocity[0] = 0.0001f * float(i % 7);
    velocity[1] = 0.001f;
    velocity[2] = -0.0001f * float(i % 5);
    for (int c = 0; c < 4; ++c) {
        color[c] = 1.0f;
        colorStep[c] = -1e-9f;
    }
    size = 1.0f;
    sizeStep = 1e-9f;
    life = 1000000000;
}

}  // namespace

LinkedCore::LinkedCore(int32_t count) : pool_(new LinkedParticle[size_t(count)]), count_(count) {
    std::memset(pool_.get(), 0, sizeof(LinkedParticle) * size_t(count));
    // Births take the free list's head (the pool in order) and become the
    // live list's head: the walk goes from the last record to the first.
    for (int32_t i = 0; i < count; ++i) {
        LinkedParticle* p = &pool_[size_t(i)];
        birth(p->position, p->velocity, p->color, p->colorStep, p->size, p->sizeStep, p->lifeLeft, i);
        p->lifeTotal = p->lifeLeft;
        p->next = live_;
        if (live_) live_->prev = p;
        live_ = p;
    }
}

void LinkedCore::step(const StepParameters& s) {
    for (LinkedParticle* p = live_; p;) {
        LinkedParticle* next = p->next;
        if (p->lifeLeft > 0) {
            if (s.reflect && p->position[1] <= s.ground) p->velocity[1] = -p->velocity[1];
            std::memcpy(p->olderPosition, p->previousPosition, sizeof p->olderPosition);
            std::memcpy(p->previousPosition, p->position, sizeof p->previousPosition);
            for (int i = 0; i < 3; ++i) p->position[i] += p->velocity[i];
            for (int i = 0; i < 3; ++i) p->velocity[i] += s.force[i];
            const float dt = static_cast<float>(s.frameDelta);
            for (int i = 0; i < 4; ++i) p->color[i] += dt * p->colorStep[i];
            p->size += dt * p->sizeStep;
            p->lifeLeft -= s.frameDelta;
        }
        p = next;
    }
}

PackedLoop::PackedLoop(int32_t count) : particles_(size_t(count)) {
    int32_t i = 0;
    for (PackedParticle& p : particles_) {
        std::memset(&p, 0, sizeof p);
        birth(p.position, p.velocity, p.color, p.colorStep, p.size, p.sizeStep, p.lifeLeft, i++);
    }
}

void PackedLoop::step(const StepParameters& s) {
    const float dt = static_cast<float>(s.frameDelta);
    for (PackedParticle& p : particles_) {
        if (p.lifeLeft <= 0) continue;
        if (s.reflect && p.position[1] <= s.ground) p.velocity[1] = -p.velocity[1];
        std::memcpy(p.olderPosition, p.previousPosition, sizeof p.olderPosition);
        std::memcpy(p.previousPosition, p.position, sizeof p.previousPosition);
        for (int i = 0; i < 3; ++i) p.position[i] += p.velocity[i];
        for (int i = 0; i < 3; ++i) p.velocity[i] += s.force[i];
        for (int i = 0; i < 4; ++i) p.color[i] += dt * p.colorStep[i];
        p.size += dt * p.sizeStep;
        p.lifeLeft -= s.frameDelta;
    }
}

}  // namespace bench

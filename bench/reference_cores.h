// Two yardsticks for the particle step, doing the library's work for a
// living Polygons particle (position history, position += velocity, velocity
// += force, the ground test, colour and size stepped, life counted down):
//  - the linked-list core the library used before its particles moved into
//    columns: 180-byte records chained by prev/next, walked newest first;
//  - a plain scalar loop over packed records of the same values.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace bench {

struct LinkedParticle {
    LinkedParticle* prev;
    LinkedParticle* next;
    float corners[4][3];
    float position[3], previousPosition[3], olderPosition[3], velocity[3];
    float color[4], colorStep[4];
    float size, sizeStep;
    int32_t fromBurst, lifeLeft, lifeTotal;
    float lifeScale;
    float colorVar[4];
    float sizeVar;
};

struct StepParameters {
    float force[3] = {0, -0.0001f, 0};
    float ground = -1000;
    bool reflect = true;
    int32_t frameDelta = 1;
};

// `count` particles in one pool, linked as births from a free list leave them.
class LinkedCore {
public:
    explicit LinkedCore(int32_t count);
    void step(const StepParameters& p);
    int32_t count() const { return count_; }

private:
    std::unique_ptr<LinkedParticle[]> pool_;
    LinkedParticle* live_ = nullptr;
    int32_t count_ = 0;
};

struct PackedParticle {
    float position[3], previousPosition[3], olderPosition[3], velocity[3];
    float color[4], colorStep[4];
    float size, sizeStep;
    int32_t lifeLeft;
    int32_t fromBurst;
};

class PackedLoop {
public:
    explicit PackedLoop(int32_t count);
    void step(const StepParameters& p);
    int32_t count() const { return static_cast<int32_t>(particles_.size()); }

private:
    std::vector<PackedParticle> particles_;
};

}  // namespace bench

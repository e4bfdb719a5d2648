#include "document/entity_snapshot.h"

#include <algorithm>
#include <cstring>

namespace vantor {
namespace {

bool sameArrays(const std::vector<SurfaceArrays>& a, const std::vector<SurfaceArrays>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].vertices != b[i].vertices || a[i].faceNormals != b[i].faceNormals ||
            a[i].vertexNormals != b[i].vertexNormals)
            return false;
    return true;
}

// An emitter record without what the simulation changes on its own.
EmitterData userFields(EmitterData e) {
    e.next = nullptr;
    e.freeList = nullptr;
    e.liveList = nullptr;
    e.liveCount = 0;
    e.emitCountdown = 0;
    std::memset(e.burst.origin, 0, sizeof e.burst.origin);
    return e;
}

}  // namespace

bool EmitterExtras::operator==(const EmitterExtras& o) const {
    for (int which = 0; which < 2; ++which) {
        const auto& a = curves[which];
        const auto& b = o.curves[which];
        if (a.size() != b.size()) return false;
        if (!a.empty() && std::memcmp(a.data(), b.data(), a.size() * sizeof(CurveKey)) != 0) return false;
    }
    auto same = [](const auto& a, const auto& b) {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
    };
    return std::memcmp(&shape, &o.shape, sizeof shape) == 0 && same(fields, o.fields) && same(colliders, o.colliders) &&
           std::memcmp(&flipbook, &o.flipbook, sizeof flipbook) == 0 && std::memcmp(&spin, &o.spin, sizeof spin) == 0 &&
           std::memcmp(&trail, &o.trail, sizeof trail) == 0 && sort == o.sort;
}

size_t EntitySnapshot::bytes() const {
    size_t total = 0;
    for (const SurfaceArrays& a : arrays)
        total += (a.vertices.size() + a.faceNormals.size() + a.vertexNormals.size()) * sizeof(float);
    return total;
}

bool sameSnapshot(const EntitySnapshot& a, const EntitySnapshot& b) {
    if (a.part != b.part || a.index != b.index) return false;
    switch (a.part) {
    case EntityPart::Surface:
        return std::memcmp(&a.surface, &b.surface, sizeof a.surface) == 0;
    case EntityPart::SurfaceShape:
        return std::memcmp(&a.surface, &b.surface, sizeof a.surface) == 0 && sameArrays(a.arrays, b.arrays);
    case EntityPart::Geometry:
        return sameArrays(a.arrays, b.arrays);
    case EntityPart::Emitter: {
        const EmitterData x = userFields(a.emitter), y = userFields(b.emitter);
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case EntityPart::Extras:
        return a.extras == b.extras;
    case EntityPart::Burst: {
        BurstData x = a.burst, y = b.burst;
        std::memset(x.origin, 0, sizeof x.origin);
        std::memset(y.origin, 0, sizeof y.origin);
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case EntityPart::Light:
        return std::memcmp(&a.light, &b.light, sizeof a.light) == 0;
    case EntityPart::Position:
        return std::memcmp(a.position, b.position, sizeof a.position) == 0;
    case EntityPart::EmitterList:
    case EntityPart::Images:
        break;
    }
    return false;
}

}  // namespace vantor

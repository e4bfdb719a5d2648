#include "document/entity_snapshot.h"

#include <algorithm>
#include <cstring>

namespace vantor {
namespace {

SurfaceArrays arraysOf(int index) {
    SurfaceData s{};
    objGetSurfaceData(&s, index);
    SurfaceArrays a;
    a.vertices.resize(static_cast<size_t>(std::max(0, s.vertexFloatCount)));
    a.faceNormals.resize(static_cast<size_t>(std::max(0, s.polygonCount)) * 3);
    a.vertexNormals.resize(a.vertices.size());
    objGetSurfaceArraysSized(index, a.vertices.data(), static_cast<int64_t>(a.vertices.size()), a.faceNormals.data(),
                             static_cast<int64_t>(a.faceNormals.size()), a.vertexNormals.data(),
                             static_cast<int64_t>(a.vertexNormals.size()));
    return a;
}

void putArrays(int index, const SurfaceArrays& a) {
    objSetSurfaceArrays(index, a.vertices.data(), a.faceNormals.data(), a.vertexNormals.data());
}

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
    return std::memcmp(&shape, &o.shape, sizeof shape) == 0;
}

EmitterExtras captureExtras() {
    EmitterExtras x;
    for (int which = 0; which < 2; ++which) {
        x.curves[which].resize(KORVID_MAX_CURVE_KEYS);
        const int32_t n = objGetEmitterCurve(which, x.curves[which].data(), KORVID_MAX_CURVE_KEYS);
        x.curves[which].resize(static_cast<size_t>(std::max(0, n)));
    }
    if (!objGetEmitterShape(&x.shape)) x.shape = EmitterShape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    return x;
}

bool applyExtras(const EmitterExtras& x) {
    bool taken = true;
    for (int which = 0; which < 2; ++which)
        taken &= objSetEmitterCurve(which, x.curves[which].data(), static_cast<int32_t>(x.curves[which].size()));
    taken &= objSetEmitterShape(&x.shape);
    return taken;
}

uint32_t idOf(const char* name, uint32_t id) {
    const uint32_t current = name[0] ? objGetTextureId(name) : 0;
    return current != 0 ? current : id;
}

size_t EntitySnapshot::bytes() const {
    size_t total = 0;
    for (const SurfaceArrays& a : arrays)
        total += (a.vertices.size() + a.faceNormals.size() + a.vertexNormals.size()) * sizeof(float);
    return total;
}

EntitySnapshot captureSnapshot(EntityPart part, int index, const float position[3]) {
    EntitySnapshot s;
    s.part = part;
    s.index = index;
    switch (part) {
    case EntityPart::Surface:
        objGetSurfaceData(&s.surface, index);
        break;
    case EntityPart::SurfaceShape:
        objGetSurfaceData(&s.surface, index);
        s.arrays.push_back(arraysOf(index));
        break;
    case EntityPart::Geometry: {
        ModelInfo info{};
        objGetModelData(&info);
        for (int i = 0; i < info.surfaceCount; ++i) s.arrays.push_back(arraysOf(i));
        break;
    }
    case EntityPart::Emitter:
        objSetEmitterPtr(index);
        objGetEmitter(&s.emitter);
        break;
    case EntityPart::Extras:
        objSetEmitterPtr(index);
        s.extras = captureExtras();
        break;
    case EntityPart::Burst:
        objSetEmitterPtr(index);
        objGetBurst(&s.burst);
        break;
    case EntityPart::Light:
        objGetLight(&s.light, index);
        break;
    case EntityPart::Position:
        std::memcpy(s.position, position, sizeof s.position);
        break;
    }
    return s;
}

void applySnapshot(const EntitySnapshot& s) {
    switch (s.part) {
    case EntityPart::Surface:
    case EntityPart::SurfaceShape: {
        SurfaceData surface = s.surface;
        surface.texture1Id = idOf(surface.texture1Name, surface.texture1Id);
        surface.texture2Id = idOf(surface.texture2Name, surface.texture2Id);
        if (!s.arrays.empty()) putArrays(s.index, s.arrays.front());
        objSetSurfaceData(&surface, s.index);
        break;
    }
    case EntityPart::Geometry:
        for (size_t i = 0; i < s.arrays.size(); ++i) putArrays(static_cast<int>(i), s.arrays[i]);
        break;
    case EntityPart::Emitter: {
        EmitterData e = s.emitter;
        e.textureId = idOf(e.imageName, e.textureId);
        objSetEmitterPtr(s.index);
        objSetEmitter(&e);
        break;
    }
    case EntityPart::Extras:
        objSetEmitterPtr(s.index);
        applyExtras(s.extras);
        break;
    case EntityPart::Burst:
        objSetEmitterPtr(s.index);
        objSetBurst(&s.burst);
        break;
    case EntityPart::Light:
        objSetLight(&s.light, s.index);
        objMoveLight(s.light.position, s.index);
        break;
    case EntityPart::Position:
        objSetModelPosition(s.position);
        break;
    }
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
    }
    return false;
}

}  // namespace vantor

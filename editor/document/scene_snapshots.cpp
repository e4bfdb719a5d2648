// The scene adapter's snapshots: a part of the edited model read whole for
// undo, and written back.
#include <cstring>

#include "document/korvid_scene.h"
#include "document/scene_cursor.h"

namespace vantor {
using namespace scene_detail;

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

}  // namespace

// ---- Snapshots ------------------------------------------------------------------------------

EntitySnapshot KorvidScene::capture(EntityPart part, int index, const float position[3]) {
    makeCurrent();
    SceneCursor cursor;
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
        if (cursor.emitter(index)) objGetEmitter(&s.emitter);
        break;
    case EntityPart::Extras:
        if (cursor.emitter(index)) s.extras = currentExtras();
        break;
    case EntityPart::Burst:
        if (cursor.emitter(index)) objGetBurst(&s.burst);
        break;
    case EntityPart::Light:
        objGetLight(&s.light, index);
        break;
    case EntityPart::Position:
        std::memcpy(s.position, position, sizeof s.position);
        break;
    case EntityPart::EmitterList:
    case EntityPart::Images:
        break;
    }
    return s;
}

Refusal KorvidScene::apply(const EntitySnapshot& s) {
    makeCurrent();
    SceneCursor cursor;
    Refusal refusal;
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
        if (!cursor.emitter(s.index)) refusal = Refusal::because(Refusal::NothingToDo);
        else if (objSetEmitter(&e) == 0) refusal = fromLibrary();
        break;
    }
    case EntityPart::Extras:
        refusal = setExtras(s.index, s.extras);
        break;
    case EntityPart::Burst:
        if (cursor.emitter(s.index)) objSetBurst(&s.burst);
        break;
    case EntityPart::Light:
        objSetLight(&s.light, s.index);
        objMoveLight(s.light.position, s.index);
        break;
    case EntityPart::Position:
        objSetModelPosition(s.position);
        break;
    case EntityPart::EmitterList:
    case EntityPart::Images:
        break;
    }
    return refusal;
}

}  // namespace vantor

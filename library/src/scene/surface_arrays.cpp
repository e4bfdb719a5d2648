// The vertex data of the current model's surfaces, copied out and put back.
#include <cstdint>
#include <cstring>
#include <string>

#include "context.h"
#include "normals.h"
#include "surfaces.h"

using namespace korvid;

namespace {

// The surface of the current model at index, or null with the reason recorded.
Surface* arraysSurface(int32_t index) {
    if (!currentModel()) {
        fail(Failure::SurfaceArrays, "there is no current model");
        return nullptr;
    }
    Surface* s = surfaceAt(index);
    if (!s) fail(Failure::SurfaceArrays, ("there is no surface " + std::to_string(index)).c_str());
    return s;
}

// Whether a caller's buffer of `capacity` floats (null: not wanted) takes `needed`.
bool fits(const float* buffer, int64_t capacity, int64_t needed) { return !buffer || capacity >= needed; }

}  // namespace

KORVID_EXPORT bool objGetSurfaceArraysSized(int32_t index, float* vertices, int64_t vertexCapacity, float* faceNormals,
                                            int64_t faceNormalCapacity, float* vertexNormals,
                                            int64_t vertexNormalCapacity) try {
    const Surface* s = arraysSurface(index);
    if (!s) return false;
    const int64_t floats = s->vertexFloatCount, faces = int64_t(s->polygonCount) * 3;
    if (!fits(vertices, vertexCapacity, floats) || !fits(faceNormals, faceNormalCapacity, faces) ||
        !fits(vertexNormals, vertexNormalCapacity, floats)) {
        fail(Failure::SurfaceArrays, "a buffer is smaller than the surface's data");
        return false;
    }
    if (vertices && s->vertices) std::memcpy(vertices, s->vertices.get(), size_t(floats) * sizeof(float));
    if (faceNormals && s->faceNormals) std::memcpy(faceNormals, s->faceNormals.get(), size_t(faces) * sizeof(float));
    if (vertexNormals && s->vertexNormals)
        std::memcpy(vertexNormals, s->vertexNormals.get(), size_t(floats) * sizeof(float));
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objGetSurfaceArrays(int32_t index, float* vertices, float* faceNormals, float* vertexNormals) try {
    return objGetSurfaceArraysSized(index, vertices, INT64_MAX, faceNormals, INT64_MAX, vertexNormals, INT64_MAX);
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetSurfaceArrays(int32_t index, const float* vertices, const float* faceNormals,
                                       const float* vertexNormals) try {
    simulationChanged();
    Surface* s = arraysSurface(index);
    if (!s) return false;
    const size_t floats = static_cast<size_t>(s->vertexFloatCount);
    const size_t faces = static_cast<size_t>(s->polygonCount) * 3;
    if (vertices && s->vertices) std::memcpy(s->vertices.get(), vertices, floats * sizeof(float));
    if (faceNormals && s->faceNormals) std::memcpy(s->faceNormals.get(), faceNormals, faces * sizeof(float));
    if (vertexNormals && s->vertexNormals) std::memcpy(s->vertexNormals.get(), vertexNormals, floats * sizeof(float));
    if (s->outline && s->vertices) buildOutline(s->vertices.get(), s->vertexFloatCount, *s->outline);
    s->geometryChanged = true;
    buildModelOutline(*currentModel());
    refreshMeshShapes(*currentModel());
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}


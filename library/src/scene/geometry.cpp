// Operations that change the vertex data of the current model itself.
#include <cmath>

#include "context.h"
#include "normals.h"

using namespace korvid;

namespace {

template <typename Transform>
void transformModel(Transform transform) {
    Model* m = currentModel();
    if (!m) return;
    for (int32_t i = 0; i < m->surfaceCount; ++i) {
        Surface& s = m->surfaces[i];
        if (!s.vertices) continue;
        for (int64_t v = 0; v + 3 <= s.vertexFloatCount; v += 3) transform(s.vertices.get() + v);
        if (s.faceNormals) computeFaceNormals(s.vertices.get(), s.vertexFloatCount, s.faceNormals.get());
        if (s.smooth)
            smoothNormals(s.vertices.get(), s.vertexFloatCount, s.faceNormals.get(), s.vertexNormals.get(), s.angle);
        if (s.outline) buildOutline(s.vertices.get(), s.vertexFloatCount, *s.outline);
        s.geometryChanged = true;
    }
    buildModelOutline(*m);
    refreshMeshShapes(*m);
}

void rotateAbout(int axis, float angle, float* v) {
    if (!(angle > 0.0f)) return;
    const float c = std::cos(angle), s = std::sin(angle);
    const float x = v[0], y = v[1], z = v[2];
    switch (axis) {
    case 0: v[1] = c * y - s * z; v[2] = s * y + c * z; break;
    case 1: v[0] = c * x + s * z; v[2] = -s * x + c * z; break;
    default: v[0] = c * x - s * y; v[1] = s * x + c * y; break;
    }
}

}  // namespace

KORVID_EXPORT void objGeoScale(const float f[3]) try {
    simulationChanged();
    if (!f) return;
    const float sx = f[0], sy = f[1], sz = f[2];
    transformModel([=](float* v) {
        v[0] *= sx;
        v[1] *= sy;
        v[2] *= sz;
    });
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objGeoTranslate(const float t[3]) try {
    simulationChanged();
    if (!t) return;
    const float tx = t[0], ty = t[1], tz = t[2];
    transformModel([=](float* v) {
        v[0] += tx;
        v[1] += ty;
        v[2] += tz;
    });
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objGeoRotate(const float a[3]) try {
    simulationChanged();
    if (!a) return;
    const float ax = a[0], ay = a[1], az = a[2];
    transformModel([=](float* v) {
        rotateAbout(0, ax, v);
        rotateAbout(1, ay, v);
        rotateAbout(2, az, v);
    });
} catch (...) {
    failFromException();
}

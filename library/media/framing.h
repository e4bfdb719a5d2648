// Framing a camera: the editor's Reset (which korvid-render and the Python
// module use when no camera is given) and the boxes an effect's export frames.
#pragma once
#include <algorithm>
#include <cmath>

#include "korvid.h"

// Reset: the model's vertical middle on the view axis, pulled back far
// enough to see its width at a `fieldOfView` degree field of view.
inline CameraData resetFraming(const ModelInfo& m, float fieldOfView = 45.0f) {
    CameraData c{};
    c.ty = -(m.minY + (m.maxY - m.minY) * 0.5f);
    const float big = std::max(m.maxX, m.maxY);
    c.tz = -(big / (2.0f * std::tan(fieldOfView * 0.5f * 3.14159265f / 180.0f)) + (m.maxZ - m.minZ));
    return c;
}

// A camera looking down -z at the box [lo, hi] from far enough that all of it
// fits a 45 degree field of view at `aspect` (width over height), with a
// margin. `distance` gets how far the camera stands from the box's middle.
inline CameraData boxFraming(const float lo[3], const float hi[3], float aspect, float* distance = nullptr) {
    CameraData c{};
    const float half[3] = {(hi[0] - lo[0]) * 0.5f, (hi[1] - lo[1]) * 0.5f, (hi[2] - lo[2]) * 0.5f};
    const float tanHalf = std::tan(45.0f * 0.5f * 3.14159265f / 180.0f);
    const float reach = std::max({half[1], half[0] / std::max(aspect, 1e-3f), 1e-3f}) * 1.15f;
    const float d = reach / tanHalf + half[2];
    c.tx = -(lo[0] + half[0]);
    c.ty = -(lo[1] + half[1]);
    c.tz = -(lo[2] + half[2]) - d;
    if (distance) *distance = d;
    return c;
}

// Near and far planes for a scene whose farthest point is `farthest` from
// the camera, when the usual 0.1 and 100 do not hold it; false when they do.
inline bool clipPlanesFor(float farthest, float& nearPlane, float& farPlane) {
    farPlane = farthest * 1.25f;
    if (!(farPlane > 100.0f) || !std::isfinite(farPlane)) return false;
    nearPlane = std::max(0.1f, farPlane / 20000.0f);
    return true;
}

// An upper bound of how far a point of the box [lo, hi] can be from the eye
// of `camera`: its translation's length plus the farthest corner's from the origin.
inline float farthestFrom(const CameraData& camera, const float lo[3], const float hi[3]) {
    float corner = 0;
    for (int i = 0; i < 3; ++i) {
        const float a = std::max(std::fabs(lo[i]), std::fabs(hi[i]));
        corner += a * a;
    }
    return std::sqrt(camera.tx * camera.tx + camera.ty * camera.ty + camera.tz * camera.tz) + std::sqrt(corner);
}

// Clipping planes that hold the box [lo, hi] seen by `camera`, when the
// usual ones do not. The lights, placed for scenes of a few units, then stand
// as far out as the scene is large, so they light it from outside.
inline void fitSceneClipPlanes(const CameraData& camera, const float lo[3], const float hi[3]) {
    float nearPlane = 0, farPlane = 0;
    if (!clipPlanesFor(farthestFrom(camera, lo, hi), nearPlane, farPlane)) return;
    objSetClipPlanes(nearPlane, farPlane);
    float radius = 0;
    for (int i = 0; i < 3; ++i) radius += (hi[i] - lo[i]) * (hi[i] - lo[i]) * 0.25f;
    const float k = std::max(1.0f, std::sqrt(radius));
    for (int32_t i = 0; i < 7; ++i) {
        LightData light{};
        objGetLight(&light, i);
        if (light.position[3] == 0) continue;  // directional: no place to move
        const float moved[3] = {light.position[0] * k, light.position[1] * k, light.position[2] * k};
        objMoveLight(moved, i);
    }
}

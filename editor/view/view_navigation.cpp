#include "view/view_navigation.h"

#include <algorithm>
#include <cmath>

namespace vantor {
namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;

// The rotation part of the camera applied to a vector: Rx(Ry(Rz v)).
Vec3 rotate(const CameraData& c, const Vec3& v) {
    const float z = c.rz * kDegrees, y = c.ry * kDegrees, x = c.rx * kDegrees;
    Vec3 a = {v[0] * std::cos(z) - v[1] * std::sin(z), v[0] * std::sin(z) + v[1] * std::cos(z), v[2]};
    Vec3 b = {a[0] * std::cos(y) + a[2] * std::sin(y), a[1], -a[0] * std::sin(y) + a[2] * std::cos(y)};
    return {b[0], b[1] * std::cos(x) - b[2] * std::sin(x), b[1] * std::sin(x) + b[2] * std::cos(x)};
}

float halfHeight(const ViewShape& view) { return std::tan(view.fieldOfView * 0.5f * kDegrees); }
float aspect(const ViewShape& view) { return float(std::max(1, view.width)) / float(std::max(1, view.height)); }

}  // namespace

Vec3 toEye(const CameraData& camera, const float world[3]) {
    const Vec3 r = rotate(camera, {world[0], world[1], world[2]});
    return {r[0] + camera.tx, r[1] + camera.ty, r[2] + camera.tz};
}

bool project(const CameraData& camera, const ViewShape& view, const float world[3], QPointF* pixel) {
    const Vec3 e = toEye(camera, world);
    if (e[2] >= 0) return false;
    const float h = halfHeight(view), w = h * aspect(view);
    const double nx = e[0] / (-e[2] * w), ny = e[1] / (-e[2] * h);
    *pixel = QPointF((nx + 1) * 0.5 * view.width, (1 - ny) * 0.5 * view.height);
    return true;
}

void zoomToward(CameraData& camera, const ViewShape& view, const QPointF& pixel, float distance) {
    const float h = halfHeight(view), w = h * aspect(view);
    const float nx = float(2 * pixel.x() / std::max(1, view.width) - 1);
    const float ny = float(1 - 2 * pixel.y() / std::max(1, view.height));
    // The ray through the pixel, one unit deep; the scene moves the other way.
    camera.tx -= distance * nx * w;
    camera.ty -= distance * ny * h;
    camera.tz += distance;
}

void pan(CameraData& camera, const ViewShape& view, const QPointF& delta, float depth) {
    const float perPixel = 2 * std::max(depth, 0.01f) * halfHeight(view) / float(std::max(1, view.height));
    camera.tx += float(delta.x()) * perPixel;
    camera.ty -= float(delta.y()) * perPixel;
}

void orbit(CameraData& camera, const float centre[3], float yawDegrees, float pitchDegrees) {
    const Vec3 before = toEye(camera, centre);
    camera.ry += yawDegrees;
    camera.rx += pitchDegrees;
    const Vec3 turned = rotate(camera, {centre[0], centre[1], centre[2]});
    camera.tx = before[0] - turned[0];
    camera.ty = before[1] - turned[1];
    camera.tz = before[2] - turned[2];
}

void frameBox(CameraData& camera, const ViewShape& view, const float min[3], const float max[3]) {
    const float centre[3] = {(min[0] + max[0]) / 2, (min[1] + max[1]) / 2, (min[2] + max[2]) / 2};
    float radius = 0;
    for (int i = 0; i < 3; ++i) radius += (max[i] - min[i]) * (max[i] - min[i]);
    radius = std::max(std::sqrt(radius) / 2, 0.05f);
    // The sphere around the box fits both the height and the width, with a margin.
    const float h = halfHeight(view), w = h * aspect(view);
    const float half = std::atan(std::min(h, w));
    const float distance = radius / std::sin(half) * 1.05f;
    const Vec3 turned = rotate(camera, {centre[0], centre[1], centre[2]});
    camera.tx = -turned[0];
    camera.ty = -turned[1];
    camera.tz = -distance - turned[2];
}

}  // namespace vantor

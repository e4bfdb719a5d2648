// The camera moves of 3D tools, as plain arithmetic on the camera record the
// library draws with: zoom toward the point under the cursor, pan, orbit
// around a centre and framing a box. The library applies the camera as
// eye = T + Rx(rx) Ry(ry) Rz(rz) world, under a perspective of `fieldOfView`
// degrees vertically.
#pragma once
#include <QPointF>

#include <array>

#include "korvid.h"

namespace vantor {

struct ViewShape {
    int width = 1;
    int height = 1;
    float fieldOfView = 45;  // degrees, vertical
};

using Vec3 = std::array<float, 3>;

// A world point in the camera's frame.
Vec3 toEye(const CameraData& camera, const float world[3]);
// Where a world point shows in the view, in pixels from the top left; false
// behind the camera.
bool project(const CameraData& camera, const ViewShape& view, const float world[3], QPointF* pixel);

// Moves the camera `distance` (in depth) along the ray through `pixel`, so
// that everything on that ray stays under the cursor; positive moves in.
void zoomToward(CameraData& camera, const ViewShape& view, const QPointF& pixel, float distance);
// Slides the camera so that a point `depth` in front of it follows a drag of `delta` pixels.
void pan(CameraData& camera, const ViewShape& view, const QPointF& delta, float depth);
// Turns the view about `centre` (world), which stays where it shows.
void orbit(CameraData& camera, const float centre[3], float yawDegrees, float pitchDegrees);
// Keeps the rotation and places the camera so that the box fills the view
// with a small margin, centred.
void frameBox(CameraData& camera, const ViewShape& view, const float min[3], const float max[3]);

}  // namespace vantor

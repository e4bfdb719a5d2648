// The editor's Reset framing, which korvid-render and the Python module use
// when no camera is given: the model's vertical middle on the view axis,
// pulled back far enough to see its width at a 45 degree field of view.
#pragma once
#include <algorithm>
#include <cmath>

#include "korvid.h"

inline CameraData resetFraming(const ModelInfo& m) {
    CameraData c{};
    c.ty = -(m.minY + (m.maxY - m.minY) * 0.5f);
    const float big = std::max(m.maxX, m.maxY);
    c.tz = -(big / (2.0f * std::tan(45.0f * 0.5f * 3.14159265f / 180.0f)) + (m.maxZ - m.minZ));
    return c;
}

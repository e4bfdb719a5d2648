// Taking pictures of what the library draws: the one place that reads pixels
// back from OpenGL. korvid-render, the Python module and the editor's exports
// all capture through it.
#pragma once
#include "alpha_bake.h"
#include "png_io.h"
#include "korvid.h"

namespace korvid::media {

// The frame just drawn (the bound framebuffer's lower left `width` x
// `height`) as a top-down picture, fully opaque.
support::Image grabFrame(int width, int height);

struct CaptureLook {
    int width = 0, height = 0;
    // Drawn over black and over white, the difference baked into alpha.
    bool transparent = false;
    AlphaMode alpha = AlphaMode::Straight;
    // The clear colour of an opaque picture; null leaves it as it is.
    const float* background = nullptr;
};

// Draws the scene once with `camera` (twice for a transparent picture, which
// leaves the clear colour black) and takes the picture.
support::Image captureFrame(const CameraData& camera, const CaptureLook& look);

// Seeks to `ms`, holds the simulation still (frames drawn now show the
// moment itself) and captures it.
support::Image captureMoment(const CameraData& camera, int ms, const CaptureLook& look);

// Where the world point `world` fell in the picture just drawn, `width` x
// `height` (pixels from its top-left corner), from the matrices it was drawn
// with; false for a point at or behind the camera.
bool pictureSpot(const float world[3], int width, int height, float out[2]);

}  // namespace korvid::media

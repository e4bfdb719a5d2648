// The seven lights: slot k drives GL_LIGHT1 + k.
#pragma once
#include "korvid.h"

namespace korvid {

struct LightSet {
    LightData lights[KORVID_LIGHT_COUNT];
    bool showMarkers = true;
    float markerSize = 0.1f;
    bool headless = false;  // no OpenGL: the slots are kept but not programmed
};

// Reset values for every slot, programmed into OpenGL (light 0 on, 1..6 off).
void resetLights(LightSet& set);
// Programs one slot's colours, position, attenuation and switch into OpenGL.
void programLight(const LightSet& set, int index);
// Re-gives the switched-on lights their positions and draws their markers.
void drawLights(const LightSet& set);

}  // namespace korvid

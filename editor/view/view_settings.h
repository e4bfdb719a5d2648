// ViewSettings: how the view draws (the OBJECT page's display options and
// colours, the highlight of the chosen surface), what a drag in it moves and
// how (the toolbar's buttons), its spins, and which light a drag and the
// Light Swarm move. The view owns it and alone hands it to the library.
#pragma once
#include "korvid.h"

namespace vantor {

// What a drag in the view moves (the toolbar's Camera, Light, Object and
// Particle Emitter buttons), and how the camera moves.
enum class DragTarget { None = 0, Camera = 1, Light = 2, Model = 3, Emitter = 4 };
enum class DragMode { None = 0, Move = 1, Rotate = 2 };

struct ViewSettings {
    int selectionMode = KORVID_SELECT_OUTLINE;  // how the chosen surface shows
    bool boundingBox = false;
    bool grid = true;
    bool showLights = true;
    bool antialiasPoints = true;
    bool antialiasLines = true;
    bool antialiasPolys = false;
    float clearColour[4] = {0, 0, 0, 1.0f};
    float ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    int dragLight = 0;  // the light a drag moves
    bool swarm = false;  // the Light Swarm
    DragTarget dragTarget = DragTarget::None;
    DragMode dragMode = DragMode::None;
    bool axisFree[3] = {true, true, true};  // the toolbar's X, Y and Z locks, released
    bool spinX = false, spinY = false;      // the camera turns a little each frame
};

}  // namespace vantor

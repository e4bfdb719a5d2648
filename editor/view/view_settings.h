// ViewSettings: how the view draws (the OBJECT page's display options and
// colours, the highlight of the chosen surface) and which light a drag and
// the Light Swarm move. The view owns it and alone hands it to the library.
#pragma once
#include "korvid.h"

namespace vantor {

struct ViewSettings {
    int selectionMode = KORVID_SELECT_GLOW;  // objSelectSurface's selection
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
};

}  // namespace vantor

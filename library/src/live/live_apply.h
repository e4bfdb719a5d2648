// The scene as the live link carries it, taken from the library and given to it.
#pragma once
#include "live_message.h"

namespace korvid {

// Every model as ZOB text and every image's pixels.
LiveScene currentLiveScene();
// Replaces the models and images with the scene's as one change; false,
// with the last error, and the library as it was when any part is refused.
bool applyLiveScene(const LiveScene& scene);

}  // namespace korvid

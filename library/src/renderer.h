// The frame renderer.
#pragma once

namespace korvid {

// Surfaces are drawn from cached display lists; switching this off sends
// their triangles directly every frame.
void setDisplayListCache(bool on);

}  // namespace korvid

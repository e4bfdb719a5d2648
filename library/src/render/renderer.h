// The frame renderer.
#pragma once

namespace korvid {

// Surfaces are drawn from cached display lists; switching this off sends
// their triangles directly every frame.
void setDisplayListCache(bool on);
// A surface whose list is stale is drawn directly for one frame and compiled
// only when drawn again; off, the list is built at the first frame.
void setDeferredCompile(bool on);
// Flat surfaces are sent as vertex arrays with each face normal repeated per
// corner; off, one glNormal and three glVertex calls a triangle.
void setFlatVertexArrays(bool on);

}  // namespace korvid

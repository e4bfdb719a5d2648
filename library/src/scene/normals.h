// Face normals and angle-limited smoothing of vertex normals.
#pragma once
#include <cstdint>

namespace korvid {

// Unit normal of the triangle a, b, c (counter-clockwise front); zero when degenerate.
void faceNormal(const float* a, const float* b, const float* c, float out[3]);

// Face normals of every triangle of a vertex array (9 floats per triangle).
void computeFaceNormals(const float* vertices, int64_t vertexFloatCount, float* faceNormals);

// Vertex normals: each vertex gets the normalised sum of the face normals of
// the vertices at exactly its position whose faces lie within `angle` degrees
// of its own. False when an array is missing. Runs in expected linear time.
bool smoothNormals(const float* vertices, int64_t vertexFloatCount, const float* faceNormals,
                   float* vertexNormals, float angle);

// The direct quadratic form of the same computation; identical results.
bool smoothNormalsReference(const float* vertices, int64_t vertexFloatCount, const float* faceNormals,
                            float* vertexNormals, float angle);

}  // namespace korvid

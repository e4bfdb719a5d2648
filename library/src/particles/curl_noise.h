// A smooth, divergence-free flow for the noise force field: the cross
// product of the gradients of two gradient-noise functions (which has no
// divergence by construction), drifting with time so the flow evolves.
// Additions, multiplications and integer hashing only, on Highway vectors
// in one order on every instruction set, so every build and machine gives
// the same numbers.
#pragma once
#include <cstdint>

namespace korvid {

// The flow at the points (x[i], y[i], z[i]) * scale, i < n, in noise cells,
// at `seconds` of simulation time, into outX, outY, outZ; its size is about 1.
void curlNoise(const float* x, const float* y, const float* z, int64_t n, float scale, float seconds, float* outX,
               float* outY, float* outZ);
// One point.
void curlNoise(float x, float y, float z, float seconds, float out[3]);

}  // namespace korvid

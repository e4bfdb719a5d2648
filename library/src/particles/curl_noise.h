// A smooth, divergence-free flow for the noise force field: the cross
// product of the gradients of two gradient-noise functions (which has no
// divergence by construction), drifting with time so the flow evolves.
// Plain arithmetic only, no library maths, so every build gives the same
// numbers.
#pragma once

namespace korvid {

// The flow at (x, y, z), in noise cells, at `seconds` of simulation time;
// its size is about 1.
void curlNoise(float x, float y, float z, float seconds, float out[3]);

}  // namespace korvid

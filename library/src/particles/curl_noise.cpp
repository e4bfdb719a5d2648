#include "curl_noise.h"

#include <cstdint>

namespace korvid {
namespace {

// Cells as integers: coordinates past a million cells wrap, which keeps the
// conversion defined for any finite input.
constexpr float kWrap = 1048576.0f;

int32_t cellOf(float v, float& fraction) {
    if (!(v > -kWrap && v < kWrap)) v = 0.0f;  // NaN and the far away
    int32_t i = static_cast<int32_t>(v);
    if (static_cast<float>(i) > v) i -= 1;  // toward minus infinity
    fraction = v - static_cast<float>(i);
    return i;
}

uint32_t hash(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = seed ^ (uint32_t(x) * 0x8da6b343u) ^ (uint32_t(y) * 0xd8163841u) ^ (uint32_t(z) * 0xcb1ab31fu);
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

// The twelve edge directions of a cube, as improved Perlin noise uses them.
constexpr float kGradients[16][3] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {1, 0, 1}, {-1, 0, 1},
                                     {1, 0, -1}, {-1, 0, -1}, {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1},
                                     {1, 1, 0}, {-1, 1, 0}, {0, -1, 1}, {0, -1, -1}};

// Gradient noise and its gradient at (x, y, z).
void gradientNoise(float x, float y, float z, uint32_t seed, float gradient[3]) {
    float f[3];
    const int32_t i = cellOf(x, f[0]), j = cellOf(y, f[1]), k = cellOf(z, f[2]);
    float u[3], du[3];
    for (int a = 0; a < 3; ++a) {
        const float t = f[a];
        u[a] = t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
        du[a] = 30.0f * t * t * (t * (t - 2.0f) + 1.0f);
    }
    // Corners a..h: (0,0,0) (1,0,0) (0,1,0) (1,1,0) (0,0,1) (1,0,1) (0,1,1) (1,1,1).
    const float* g[8];
    float v[8];
    for (int c = 0; c < 8; ++c) {
        const int dx = c & 1, dy = (c >> 1) & 1, dz = (c >> 2) & 1;
        g[c] = kGradients[hash(i + dx, j + dy, k + dz, seed) & 15u];
        v[c] = g[c][0] * (f[0] - float(dx)) + g[c][1] * (f[1] - float(dy)) + g[c][2] * (f[2] - float(dz));
    }
    const float k0 = v[1] - v[0], k1 = v[2] - v[0], k2 = v[4] - v[0];
    const float k3 = v[0] - v[1] - v[2] + v[3], k4 = v[0] - v[2] - v[4] + v[6], k5 = v[0] - v[1] - v[4] + v[5];
    const float k6 = -v[0] + v[1] + v[2] - v[3] + v[4] - v[5] - v[6] + v[7];
    for (int a = 0; a < 3; ++a) {
        const float ga = g[0][a];
        const float g1 = g[1][a] - ga, g2 = g[2][a] - ga, g4 = g[4][a] - ga;
        const float g3 = ga - g[1][a] - g[2][a] + g[3][a];
        const float g6 = ga - g[2][a] - g[4][a] + g[6][a];
        const float g5 = ga - g[1][a] - g[4][a] + g[5][a];
        const float g7 = -ga + g[1][a] + g[2][a] - g[3][a] + g[4][a] - g[5][a] - g[6][a] + g[7][a];
        gradient[a] = ga + u[0] * g1 + u[1] * g2 + u[2] * g4 + u[0] * u[1] * g3 + u[1] * u[2] * g6 +
                      u[2] * u[0] * g5 + u[0] * u[1] * u[2] * g7;
    }
    // The fades' own slopes.
    gradient[0] += du[0] * (k0 + u[1] * k3 + u[2] * k5 + u[1] * u[2] * k6);
    gradient[1] += du[1] * (k1 + u[2] * k4 + u[0] * k3 + u[2] * u[0] * k6);
    gradient[2] += du[2] * (k2 + u[0] * k5 + u[1] * k4 + u[0] * u[1] * k6);
}

}  // namespace

void curlNoise(float x, float y, float z, float seconds, float out[3]) {
    // The two functions drift apart in different directions, half a cell a
    // second, so the flow changes its shape rather than only moving.
    const float drift = seconds * 0.5f;
    float a[3], b[3];
    gradientNoise(x, y + drift, z, 0x9e3779b9u, a);
    gradientNoise(x + 31.416f, y, z - drift, 0x85ebca6bu, b);
    out[0] = (a[1] * b[2] - a[2] * b[1]) * 0.5f;
    out[1] = (a[2] * b[0] - a[0] * b[2]) * 0.5f;
    out[2] = (a[0] * b[1] - a[1] * b[0]) * 0.5f;
}

}  // namespace korvid

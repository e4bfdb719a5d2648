#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "curl_noise.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "curl_noise.h"

#include <algorithm>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace korvid {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using DU = hn::RebindToUnsigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using VU = hn::Vec<DU>;

// Coordinates past a million cells (and NaN) count as 0, which keeps the
// conversion to integers defined for any input.
constexpr float kWrap = 1048576.0f;

// A corner's hash from its coordinates' products with three odd constants
// (a neighbour's product is one addition away), mixed by one multiplication.
VU Mix(VU h) {
    const DU du;
    h = hn::Xor(h, hn::ShiftRight<16>(h));
    h = hn::Mul(h, hn::Set(du, 0x7feb352du));
    return hn::Xor(h, hn::ShiftRight<15>(h));
}

constexpr uint32_t kPrimes[3] = {0x8da6b343u, 0xd8163841u, 0xcb1ab31fu};

// One byte of the hash as a gradient component in [-1, 1].
VF Component(VU h, int shift) {
    const DF df;
    const DI di;
    const DU du;
    const VU byte = hn::And(hn::ShiftRightSame(h, shift), hn::Set(du, 255u));
    return hn::Sub(hn::Mul(hn::ConvertTo(df, hn::BitCast(di, byte)), hn::Set(df, 2.0f / 255.0f)), hn::Set(df, 1.0f));
}

// The gradient of gradient noise at (x, y, z).
void GradientNoise(VF x, VF y, VF z, uint32_t seed, VF out[3]) {
    const DF df;
    const DI di;
    VF p[3] = {x, y, z};
    VF f[3], u[3], du[3];
    VI cell[3];
    for (int a = 0; a < 3; ++a) {
        const VF inRange = hn::IfThenElseZero(hn::And(hn::Gt(p[a], hn::Set(df, -kWrap)), hn::Lt(p[a], hn::Set(df, kWrap))), p[a]);
        const VF floor = hn::Floor(inRange);
        cell[a] = hn::ConvertTo(di, floor);
        const VF t = hn::Sub(inRange, floor);
        f[a] = t;
        // 6t^5 - 15t^4 + 10t^3 and its slope 30t^2 (t - 1)^2.
        u[a] = hn::Mul(hn::Mul(hn::Mul(t, t), t),
                       hn::Add(hn::Mul(t, hn::Sub(hn::Mul(t, hn::Set(df, 6.0f)), hn::Set(df, 15.0f))), hn::Set(df, 10.0f)));
        du[a] = hn::Mul(hn::Mul(hn::Mul(hn::Set(df, 30.0f), t), t),
                        hn::Add(hn::Mul(t, hn::Sub(t, hn::Set(df, 2.0f))), hn::Set(df, 1.0f)));
    }
    // Corners 0..7: bit 0 x, bit 1 y, bit 2 z.
    const DU dUnsigned;
    VU product[3][2];
    for (int a = 0; a < 3; ++a) {
        product[a][0] = hn::Mul(hn::BitCast(dUnsigned, cell[a]), hn::Set(dUnsigned, kPrimes[a]));
        product[a][1] = hn::Add(product[a][0], hn::Set(dUnsigned, kPrimes[a]));
    }
    const VU seeded[2] = {hn::Xor(product[0][0], hn::Set(dUnsigned, seed)),
                          hn::Xor(product[0][1], hn::Set(dUnsigned, seed))};
    VF g[8][3], v[8];
    for (int c = 0; c < 8; ++c) {
        const int dx = c & 1, dy = (c >> 1) & 1, dz = (c >> 2) & 1;
        const VU h = Mix(hn::Xor(hn::Xor(seeded[dx], product[1][dy]), product[2][dz]));
        g[c][0] = Component(h, 0);
        g[c][1] = Component(h, 8);
        g[c][2] = Component(h, 16);
        const VF ox = dx ? hn::Sub(f[0], hn::Set(df, 1.0f)) : f[0];
        const VF oy = dy ? hn::Sub(f[1], hn::Set(df, 1.0f)) : f[1];
        const VF oz = dz ? hn::Sub(f[2], hn::Set(df, 1.0f)) : f[2];
        v[c] = hn::Add(hn::Add(hn::Mul(g[c][0], ox), hn::Mul(g[c][1], oy)), hn::Mul(g[c][2], oz));
    }
    // Interpolation weights: the corners' differences along each edge, face and the cube.
    const VF k0 = hn::Sub(v[1], v[0]), k1 = hn::Sub(v[2], v[0]), k2 = hn::Sub(v[4], v[0]);
    const VF k3 = hn::Add(hn::Sub(hn::Sub(v[0], v[1]), v[2]), v[3]);
    const VF k4 = hn::Add(hn::Sub(hn::Sub(v[0], v[2]), v[4]), v[6]);
    const VF k5 = hn::Add(hn::Sub(hn::Sub(v[0], v[1]), v[4]), v[5]);
    const VF k6 = hn::Add(hn::Sub(hn::Sub(hn::Add(hn::Sub(hn::Add(hn::Add(hn::Neg(v[0]), v[1]), v[2]), v[3]), v[4]), v[5]), v[6]), v[7]);
    const VF u01 = hn::Mul(u[0], u[1]), u12 = hn::Mul(u[1], u[2]), u20 = hn::Mul(u[2], u[0]);
    const VF u012 = hn::Mul(u01, u[2]);
    for (int a = 0; a < 3; ++a) {
        const VF ga = g[0][a];
        const VF g1 = hn::Sub(g[1][a], ga), g2 = hn::Sub(g[2][a], ga), g4 = hn::Sub(g[4][a], ga);
        const VF g3 = hn::Add(hn::Sub(hn::Sub(ga, g[1][a]), g[2][a]), g[3][a]);
        const VF g6 = hn::Add(hn::Sub(hn::Sub(ga, g[2][a]), g[4][a]), g[6][a]);
        const VF g5 = hn::Add(hn::Sub(hn::Sub(ga, g[1][a]), g[4][a]), g[5][a]);
        const VF g7 = hn::Add(hn::Sub(hn::Sub(hn::Add(hn::Sub(hn::Add(hn::Add(hn::Neg(ga), g[1][a]), g[2][a]), g[3][a]), g[4][a]), g[5][a]), g[6][a]), g[7][a]);
        VF sum = hn::Add(ga, hn::Mul(u[0], g1));
        sum = hn::Add(sum, hn::Mul(u[1], g2));
        sum = hn::Add(sum, hn::Mul(u[2], g4));
        sum = hn::Add(sum, hn::Mul(u01, g3));
        sum = hn::Add(sum, hn::Mul(u12, g6));
        sum = hn::Add(sum, hn::Mul(u20, g5));
        out[a] = hn::Add(sum, hn::Mul(u012, g7));
    }
    // The fades' own slopes.
    out[0] = hn::Add(out[0], hn::Mul(du[0], hn::Add(hn::Add(hn::Add(k0, hn::Mul(u[1], k3)), hn::Mul(u[2], k5)), hn::Mul(u12, k6))));
    out[1] = hn::Add(out[1], hn::Mul(du[1], hn::Add(hn::Add(hn::Add(k1, hn::Mul(u[2], k4)), hn::Mul(u[0], k3)), hn::Mul(u20, k6))));
    out[2] = hn::Add(out[2], hn::Mul(du[2], hn::Add(hn::Add(hn::Add(k2, hn::Mul(u[0], k5)), hn::Mul(u[1], k4)), hn::Mul(u01, k6))));
}

void Flow(VF x, VF y, VF z, float seconds, VF out[3]) {
    const DF df;
    // The two functions drift apart in different directions, half a cell a
    // second, so the flow changes its shape rather than only moving.
    const VF drift = hn::Set(df, seconds * 0.5f);
    VF a[3], b[3];
    GradientNoise(x, hn::Add(y, drift), z, 0x9e3779b9u, a);
    GradientNoise(hn::Add(x, hn::Set(df, 31.416f)), y, hn::Sub(z, drift), 0x85ebca6bu, b);
    const VF half = hn::Set(df, 0.5f);
    out[0] = hn::Mul(hn::Sub(hn::Mul(a[1], b[2]), hn::Mul(a[2], b[1])), half);
    out[1] = hn::Mul(hn::Sub(hn::Mul(a[2], b[0]), hn::Mul(a[0], b[2])), half);
    out[2] = hn::Mul(hn::Sub(hn::Mul(a[0], b[1]), hn::Mul(a[1], b[0])), half);
}

void CurlNoiseMany(const float* x, const float* y, const float* z, int64_t n, float scale, float seconds,
                   float* outX, float* outY, float* outZ) {
    const DF df;
    const int64_t lanes = static_cast<int64_t>(hn::Lanes(df));
    const VF s = hn::Set(df, scale);
    auto run = [&](const float* px, const float* py, const float* pz, float* ox, float* oy, float* oz) {
        VF out[3];
        Flow(hn::Mul(hn::LoadU(df, px), s), hn::Mul(hn::LoadU(df, py), s), hn::Mul(hn::LoadU(df, pz), s), seconds, out);
        hn::StoreU(out[0], df, ox);
        hn::StoreU(out[1], df, oy);
        hn::StoreU(out[2], df, oz);
    };
    int64_t i = 0;
    for (; i + lanes <= n; i += lanes) run(x + i, y + i, z + i, outX + i, outY + i, outZ + i);
    if (i < n) {
        // The last few points through a full vector of copies: every point
        // takes the same path, whatever its place.
        HWY_ALIGN float buffer[6][HWY_MAX_BYTES / sizeof(float)];
        for (auto& row : buffer) std::fill(row, row + lanes, 0.0f);
        const size_t rest = size_t(n - i);
        std::memcpy(buffer[0], x + i, rest * 4);
        std::memcpy(buffer[1], y + i, rest * 4);
        std::memcpy(buffer[2], z + i, rest * 4);
        run(buffer[0], buffer[1], buffer[2], buffer[3], buffer[4], buffer[5]);
        std::memcpy(outX + i, buffer[3], rest * 4);
        std::memcpy(outY + i, buffer[4], rest * 4);
        std::memcpy(outZ + i, buffer[5], rest * 4);
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace korvid
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvid {
HWY_EXPORT(CurlNoiseMany);

void curlNoise(const float* x, const float* y, const float* z, int64_t n, float scale, float seconds, float* outX,
               float* outY, float* outZ) {
    HWY_DYNAMIC_DISPATCH(CurlNoiseMany)(x, y, z, n, scale, seconds, outX, outY, outZ);
}

void curlNoise(float x, float y, float z, float seconds, float out[3]) {
    curlNoise(&x, &y, &z, 1, 1.0f, seconds, &out[0], &out[1], &out[2]);
}
}  // namespace korvid
#endif

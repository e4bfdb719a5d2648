#include "alpha_bake.h"

#include <algorithm>
#include <cmath>

namespace korvid::media {

support::Image bakeAlpha(const support::Image& overBlack, const support::Image& overWhite, AlphaMode mode) {
    support::Image out;
    out.width = overBlack.width;
    out.height = overBlack.height;
    out.rgba.assign(overBlack.rgba.size(), 0);
    const size_t n = std::min(overBlack.rgba.size(), overWhite.rgba.size()) / 4;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* b = &overBlack.rgba[4 * i];
        const uint8_t* w = &overWhite.rgba[4 * i];
        // How much of the background shows through, channel by channel; the
        // coverage is what is left, averaged over the three.
        int through = 0;
        for (int c = 0; c < 3; ++c) through += std::max(0, int(w[c]) - int(b[c]));
        const double alpha = std::clamp(1.0 - through / (3.0 * 255.0), 0.0, 1.0);
        const int a = static_cast<int>(std::lround(alpha * 255.0));
        uint8_t* o = &out.rgba[4 * i];
        if (a == 0) continue;  // nothing there: fully transparent
        for (int c = 0; c < 3; ++c) {
            const double premultiplied = b[c];
            const double value = mode == AlphaMode::Premultiplied ? premultiplied : premultiplied / alpha;
            o[c] = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
        }
        o[3] = static_cast<uint8_t>(a);
    }
    return out;
}

}  // namespace korvid::media

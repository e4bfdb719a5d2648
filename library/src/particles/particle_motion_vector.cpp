// The vector path of the particle step, compiled for every instruction set
// Highway targets and chosen at run time. Only additions, multiplications
// and exact sign flips, in the scalar path's order; the build keeps the
// compiler from fusing a multiplication and an addition.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "particle_motion_vector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include "particle_motion.h"

HWY_BEFORE_NAMESPACE();
namespace korvid {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void MoveRange(const MotionStep& s, int64_t begin, int64_t end) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const int64_t lanes = static_cast<int64_t>(hn::Lanes(df));
    const auto force0 = hn::Set(df, s.force[0]);
    const auto force1 = hn::Set(df, s.force[1]);
    const auto force2 = hn::Set(df, s.force[2]);
    const auto dt = hn::Set(df, s.dt);
    const auto ground = hn::Set(df, s.ground);
    const auto delta = hn::Set(di, s.frameDelta);
    // Twenty streams run side by side, more than the hardware's prefetchers
    // follow: each asks for its line a few lines ahead.
    constexpr int64_t kAhead = 512;
    auto prefetch = [&](int64_t at) {
        for (int a = 0; a < 3; ++a) {
            hwy::Prefetch(s.from[a] + at);
            hwy::Prefetch(s.to[a] + at);
            hwy::Prefetch(s.velocity[a] + at);
        }
        for (int c = 0; c < 4; ++c) {
            hwy::Prefetch(s.color[c] + at);
            hwy::Prefetch(s.colorStep[c] + at);
        }
        if (s.size) {
            hwy::Prefetch(s.size + at);
            hwy::Prefetch(s.sizeStep + at);
        }
        hwy::Prefetch(s.lifeLeft + at);
    };
    int64_t i = begin;
    for (; i + lanes <= end; i += lanes) {
        if ((i & 15) == 0 && i + kAhead < end) prefetch(i + kAhead);
        auto vx = hn::LoadU(df, s.velocity[0] + i);
        auto vy = hn::LoadU(df, s.velocity[1] + i);
        auto vz = hn::LoadU(df, s.velocity[2] + i);
        auto life = hn::LoadU(di, s.lifeLeft + i);
        const auto y = hn::LoadU(df, s.from[1] + i);
        if (s.reflect) {
            const auto hit = hn::Le(y, ground);
            vy = hn::IfThenElse(hit, hn::Neg(vy), vy);
            if (s.groundKills) {
                const auto own = hn::Eq(hn::LoadU(di, s.fromBurst + i), hn::Zero(di));
                life = hn::IfThenZeroElse(hn::And(hn::RebindMask(di, hit), own), life);
            }
        }
        hn::StoreU(hn::Add(hn::LoadU(df, s.from[0] + i), vx), df, s.to[0] + i);
        hn::StoreU(hn::Add(y, vy), df, s.to[1] + i);
        hn::StoreU(hn::Add(hn::LoadU(df, s.from[2] + i), vz), df, s.to[2] + i);
        hn::StoreU(hn::Add(vx, force0), df, s.velocity[0] + i);
        hn::StoreU(hn::Add(vy, force1), df, s.velocity[1] + i);
        hn::StoreU(hn::Add(vz, force2), df, s.velocity[2] + i);
        for (int c = 0; c < 4; ++c) {
            const auto stepped = hn::Mul(dt, hn::LoadU(df, s.colorStep[c] + i));
            hn::StoreU(hn::Add(hn::LoadU(df, s.color[c] + i), stepped), df, s.color[c] + i);
        }
        if (s.size) {
            const auto stepped = hn::Mul(dt, hn::LoadU(df, s.sizeStep + i));
            hn::StoreU(hn::Add(hn::LoadU(df, s.size + i), stepped), df, s.size + i);
        }
        hn::StoreU(hn::Sub(life, delta), di, s.lifeLeft + i);
    }
    if (i < end) moveScalar(s, i, end);
}

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace korvid
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvid {
HWY_EXPORT(MoveRange);
HWY_EXPORT(TargetName);

const char* vectorTargetName() { return HWY_DYNAMIC_DISPATCH(TargetName)(); }

void moveVector(const MotionStep& step, int64_t begin, int64_t end) {
    HWY_DYNAMIC_DISPATCH(MoveRange)(step, begin, end);
}
}  // namespace korvid
#endif

// The library's worker threads: large loops whose iterations are independent
// of each other are split over them. Every iteration computes the same values
// whichever thread runs it, so results never depend on the worker count.
#pragma once
#include <cstdint>
#include <type_traits>
#include <memory>

namespace korvid {

class Workers {
public:
    Workers();
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // 0: one a core; 1: everything on the calling thread. Returns the count in use.
    int32_t setCount(int32_t count);
    int32_t count() const { return count_; }

    // Calls fn(begin, end) for ranges that cover [0, n) once, each at least
    // `grain` long except the last; on the calling thread alone when there is
    // one worker or n is below two grains.
    template <class Fn>
    void forRanges(int64_t n, int64_t grain, Fn&& fn) {
        using Body = std::remove_reference_t<Fn>;
        run(n, grain, [](void* body, int64_t begin, int64_t end) { (*static_cast<Body*>(body))(begin, end); },
            const_cast<void*>(static_cast<const void*>(&fn)));
    }

private:
    // The loop without a std::function, so that a step allocates nothing.
    void run(int64_t n, int64_t grain, void (*call)(void*, int64_t, int64_t), void* body);

    struct Arena;
    std::unique_ptr<Arena> arena_;
    int32_t count_ = 1;
};

}  // namespace korvid

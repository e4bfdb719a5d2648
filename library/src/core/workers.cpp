#include "workers.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <optional>
#include <thread>

namespace korvid {

// A count above the cores asks TBB to allow that many threads, so the arena
// gets them rather than a warning; below it, the process's limit is left alone.
struct Workers::Arena {
    explicit Arena(int32_t count) : arena(count) {
        if (unsigned(count) > std::thread::hardware_concurrency())
            allowed.emplace(tbb::global_control::max_allowed_parallelism, size_t(count));
    }
    std::optional<tbb::global_control> allowed;
    tbb::task_arena arena;
};

Workers::Workers() { setCount(0); }
Workers::~Workers() = default;

int32_t Workers::setCount(int32_t count) {
    if (count <= 0) count = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    count = std::min(count, 256);
    if (count == count_ && (count == 1 || arena_)) return count_;
    arena_.reset();
    if (count > 1) arena_ = std::make_unique<Arena>(count);
    count_ = count;
    return count_;
}

void Workers::run(int64_t n, int64_t grain, void (*call)(void*, int64_t, int64_t), void* body) {
    if (n <= 0) return;
    grain = std::max<int64_t>(grain, 1);
    if (!arena_ || n < 2 * grain) {
        call(body, 0, n);
        return;
    }
    // As many pieces as workers (or fewer, of at least a grain each), so
    // each worker takes one long run through the arrays.
    const int64_t pieces = std::min<int64_t>(count_, n / grain);
    arena_->arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<int64_t>(0, pieces, 1),
            [&](const tbb::blocked_range<int64_t>& r) {
                for (int64_t k = r.begin(); k < r.end(); ++k) call(body, n * k / pieces, n * (k + 1) / pieces);
            },
            tbb::static_partitioner());
    });
}

}  // namespace korvid

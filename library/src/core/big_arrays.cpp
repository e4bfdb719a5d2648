#include "big_arrays.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

namespace korvid {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
}

void adviseHugePages(void* p, size_t bytes) {
    if (bytes < 2 * kHugePage) return;
    const auto begin = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(uintptr_t(kHugePage) - 1);
    const auto end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(uintptr_t(kHugePage) - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::unique_ptr<float[]> newBigArray(size_t count, bool zero) {
    std::unique_ptr<float[]> a(new float[count]);
    adviseHugePages(a.get(), count * sizeof(float));
    if (zero) std::memset(a.get(), 0, count * sizeof(float));
    return a;
}

}  // namespace korvid

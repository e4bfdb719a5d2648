#include "malloc_tuning.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace korvid::support {
namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";

// True when the kernel gives huge pages to memory that asks for them
// ("always" or "madvise"), which is what the malloc setting does.
bool hugePagesOnRequest() {
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(in, modes);
    return modes.find("[always]") != std::string::npos || modes.find("[madvise]") != std::string::npos;
}

// Frames and model pieces of a few megabytes come and go many times a
// second: from the heap, and kept when freed, they reuse pages already
// there instead of mapping fresh ones each time.
void keepFreedMemory() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

}  // namespace

void tuneMallocForLargeData(char** argv) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35))
    const char* current = std::getenv(kTunables);
    // Already asked for (by an earlier start, or by whoever runs us): the
    // setting is theirs to keep.
    if ((current && std::strstr(current, "glibc.malloc.hugetlb")) || !argv || !argv[0] || !hugePagesOnRequest()) {
        keepFreedMemory();
        return;
    }
    const std::string value = current && *current ? std::string(current) + ":" + kHugePages : std::string(kHugePages);
    if (setenv(kTunables, value.c_str(), 1) == 0) execv("/proc/self/exe", argv);
    // Could not start again: go on as we are, and leave the environment of
    // any child as it was.
    if (current) setenv(kTunables, current, 1);
    else unsetenv(kTunables);
#else
    (void)argv;
#endif
    keepFreedMemory();
}

}  // namespace korvid::support

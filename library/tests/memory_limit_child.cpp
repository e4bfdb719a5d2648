// A program on the public library that calls exports under a tight address
// space limit, the way a host with little memory would: every call must come
// back with a refusal, never with an exception that ends the process.
// Usage: memory_limit_child FILE.zob MEGABYTES_ABOVE_NOW
// Prints "refused CODE" or "loaded" and exits 0; anything else is a fault.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gl_context.h"
#include "korvid.h"

namespace {

// The address space in use now, in bytes.
long long addressSpace() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0;
    statm >> pages;
    return pages * 4096;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    korvid::support::HeadlessContext gl(64, 64);
    if (!gl.ok()) return 3;
    const WindowData window{64, 64, 45};
    objInitWin(&window);
    const long long margin = std::atoll(argv[2]) * 1024 * 1024;
    const rlimit limit{static_cast<rlim_t>(addressSpace() + margin), static_cast<rlim_t>(addressSpace() + margin)};
    if (setrlimit(RLIMIT_AS, &limit) != 0) return 4;
    const bool loaded = objLoadZOB(argv[1]);
    if (loaded) {
        // Far into the effect, with its snapshots, and a save beside it.
        objSetFixedFrameTime(15);
        objSeekSimulation(30000);
        const std::string copy = std::string(argv[1]) + ".copy.zob";
        objSaveZOB(copy.c_str());
        std::printf("loaded %d\n", static_cast<int>(objGetLastFailure()));
    } else {
        std::printf("refused %d %s\n", static_cast<int>(objGetLastFailure()), objGetLastError());
    }
    return 0;
}

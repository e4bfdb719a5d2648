#include "fuzz_target.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "gl_context.h"
#include "korvid.h"

namespace korvid::fuzz {

void startLibrary() {
    static korvid::support::HeadlessContext* context = [] {
        auto* c = new korvid::support::HeadlessContext(64, 64);
        if (!c->ok()) {
            std::fprintf(stderr, "no headless OpenGL context: %s\n", c->error().c_str());
            std::abort();
        }
        const WindowData window{64, 64, 45};
        objInitWin(&window);
        return c;
    }();
    (void)context;
}

std::string writeInput(const uint8_t* data, size_t size, const char* extension) {
    const std::string path = "/tmp/korvid-fuzz-" + std::to_string(::getpid()) + extension;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

}  // namespace korvid::fuzz

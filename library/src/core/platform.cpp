#include "platform.h"

#include "context.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glx.h>

#include <chrono>
#include <ctime>
#include <cstring>

namespace korvid::platform {
namespace {

using korvid::RandomState;
using korvid::context;

RandomState& rng() { return context().random; }

}  // namespace

uint32_t milliseconds() {
    if (const auto& source = context().clockSource) return source();
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void setClockSource(std::function<uint32_t()> source) { context().clockSource = std::move(source); }

void seedRandom(uint32_t seed) {
    if (rng().locked) return;
    rng().generator = seed;
    rng().lastSeed = seed;
}

uint32_t randomState() { return rng().generator; }

void setRandomState(uint32_t state) { rng().generator = state; }

uint32_t currentSeed() { return rng().lastSeed; }

int random15() {
    uint32_t& generator = rng().generator;
    generator = generator * 1103515245u + 12345u;
    return static_cast<int>((generator / 65536u) % 32768u);
}

void lockRandomSeed(bool locked) { rng().locked = locked; }

void seedFromClock() {
    if (!rng().seededByCaller) seedRandom(static_cast<uint32_t>(std::time(nullptr)));
}

void seedByCaller(uint32_t seed) {
    rng().seededByCaller = true;
    seedRandom(seed);
}

void skipRandom(uint64_t count) {
    // n steps of x -> a*x + c compose to x -> A*x + C; square the step while
    // walking the bits of n.
    uint32_t stepMul = 1103515245u, stepAdd = 12345u;
    uint32_t totalMul = 1u, totalAdd = 0u;
    while (count) {
        if (count & 1u) {
            totalMul *= stepMul;
            totalAdd = totalAdd * stepMul + stepAdd;
        }
        stepAdd = (stepMul + 1u) * stepAdd;
        stepMul *= stepMul;
        count >>= 1;
    }
    rng().generator = totalMul * rng().generator + totalAdd;
}

locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

void* glProcAddress(const char* name) {
    if (eglGetCurrentContext() != EGL_NO_CONTEXT)
        return reinterpret_cast<void*>(eglGetProcAddress(name));
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

bool hasGlExtension(const char* extension) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!all) return false;
    const size_t length = std::strlen(extension);
    for (const char* p = std::strstr(all, extension); p; p = std::strstr(p + 1, extension)) {
        const bool startOk = p == all || p[-1] == ' ';
        const bool endOk = p[length] == '\0' || p[length] == ' ';
        if (startOk && endOk) return true;
    }
    return false;
}

}  // namespace korvid::platform

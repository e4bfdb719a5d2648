#include "platform.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glx.h>

#include <chrono>
#include <ctime>
#include <cstring>

namespace korvid::platform {
namespace {

std::function<uint32_t()>& clockSource() {
    static std::function<uint32_t()> source;
    return source;
}

uint32_t generator = 1;
uint32_t lastSeed = 1;
bool randomLocked = false;
bool seededByCaller = false;

}  // namespace

uint32_t milliseconds() {
    if (clockSource()) return clockSource()();
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void setClockSource(std::function<uint32_t()> source) { clockSource() = std::move(source); }

void seedRandom(uint32_t seed) {
    if (randomLocked) return;
    generator = seed;
    lastSeed = seed;
}

uint32_t randomState() { return generator; }

void setRandomState(uint32_t state) { generator = state; }

uint32_t currentSeed() { return lastSeed; }

int random15() {
    generator = generator * 1103515245u + 12345u;
    return static_cast<int>((generator / 65536u) % 32768u);
}

void lockRandomSeed(bool locked) { randomLocked = locked; }

void seedFromClock() {
    if (!seededByCaller) seedRandom(static_cast<uint32_t>(std::time(nullptr)));
}

void seedByCaller(uint32_t seed) {
    seededByCaller = true;
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
    generator = totalMul * generator + totalAdd;
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

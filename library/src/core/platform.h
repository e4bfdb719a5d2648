// Thin platform layer: the millisecond clock, the 15-bit random generator and
// the loader for OpenGL extension entry points.
#pragma once
#include <locale.h>

#include <cstdint>
#include <functional>

namespace korvid::platform {

// Milliseconds of a monotonic clock. Tests and tools may install their own
// source; passing an empty function restores the system clock.
uint32_t milliseconds();
void setClockSource(std::function<uint32_t()> source);

// The portable generator of the C standard, kept apart from the process-wide
// rand() state. Values are 0..32767.
void seedRandom(uint32_t seed);
int random15();
// The generator's state, to keep and put back exactly (a put back ignores the lock).
uint32_t randomState();
void setRandomState(uint32_t state);
// The seed last taken by seedRandom: the one in use.
uint32_t currentSeed();
// While locked, seedRandom() is ignored so that a caller's fixed seed survives
// the reseeding done when particle systems are created.
void lockRandomSeed(bool locked);
// Seeds from the time of day, as every new particle system does, unless a
// caller has given a seed of its own with seedByCaller: that seed then stands
// for the rest of the process.
void seedFromClock();
void seedByCaller(uint32_t seed);
// Advances the generator as if random15() had been called `count` times,
// in time logarithmic in `count`.
void skipRandom(uint64_t count);

// The "C" locale, for number conversions that must read and write a dot as
// the decimal mark whatever locale the process runs in.
locale_t cLocale();

// Makes the "C" locale the calling thread's locale for the scope's lifetime.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

// Address of an OpenGL entry point, whichever way (EGL or GLX) the caller made
// its context current. Null when unknown.
void* glProcAddress(const char* name);

// True when the current context's extension string names `extension`.
bool hasGlExtension(const char* extension);

}  // namespace korvid::platform

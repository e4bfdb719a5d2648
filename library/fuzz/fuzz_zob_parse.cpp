// Fuzz target: the ZOB parse alone, in memory, without OpenGL or files.
#include <string_view>

#include "particles.h"
#include "zob_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const korvid::ParsedEntity parsed =
        korvid::parseZob(std::string_view(reinterpret_cast<const char*>(data), size));
    // Everything a commit relies on holds for whatever was parsed.
    using korvid::Failure;
    if (parsed.failure == Failure::None || parsed.failure == Failure::ParticleData ||
        parsed.failure == Failure::ExtensionData) {
        if (parsed.surfaces.size() != static_cast<size_t>(parsed.surfaceCount)) __builtin_trap();
        for (const korvid::Surface& s : parsed.surfaces)
            if (s.vertices && int64_t(s.vertexFloatCount) != 9 * int64_t(s.polygonCount)) __builtin_trap();
    }
    // A sound block gives every emitter of the file its entry, and the library
    // takes every curve it holds.
    const korvid::ParsedExtensions& x = parsed.extensions;
    if (parsed.failure == Failure::ExtensionData && (x.failureLine <= 0 || x.failure.empty())) __builtin_trap();
    if (parsed.failure == Failure::None && x.present) {
        if (x.emitters.size() != parsed.emitters.size()) __builtin_trap();
        for (const korvid::EmitterExtras& e : x.emitters)
            for (int which = 0; which < 2; ++which) {
                korvid::LifeCurve curve;
                const char* why = "";
                if (e.hasCurve[which] && korvid::setLifeCurve(curve, which, e.curves[which].data(),
                                                              int32_t(e.curves[which].size()), &why) != Failure::None)
                    __builtin_trap();
            }
    }
    return 0;
}

// Fuzz target: the ZOB parse alone, in memory, without OpenGL or files.
#include <string_view>

#include "zob_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const korvid::ParsedEntity parsed =
        korvid::parseZob(std::string_view(reinterpret_cast<const char*>(data), size));
    // Everything a commit relies on holds for whatever was parsed.
    if (parsed.failure == korvid::Failure::None || parsed.failure == korvid::Failure::ParticleData) {
        if (parsed.surfaces.size() != static_cast<size_t>(parsed.surfaceCount)) __builtin_trap();
        for (const korvid::Surface& s : parsed.surfaces)
            if (s.vertices && int64_t(s.vertexFloatCount) != 9 * int64_t(s.polygonCount)) __builtin_trap();
    }
    return 0;
}

#include "failure.h"

#include <cstdio>
#include <iterator>
#include <string>

#include "context.h"

namespace korvid {
namespace {

struct FailureText {
    Failure code;
    const char* format;  // nullptr: silent
};

// The texts are part of the library's contract: callers show them as they are.
constexpr FailureText kTexts[] = {
    {Failure::None, "No Errors"},
    {Failure::NoModel, nullptr},
    {Failure::NoEmitter, nullptr},
    {Failure::BadArgument, nullptr},
    {Failure::PoolBelowBatch, nullptr},
    {Failure::NoVertexData, nullptr},
    {Failure::FileNotFound, "File not found"},
    {Failure::VersionMismatch, "Unsuported File Version. Header = %s Current version = %s"},
    {Failure::ImageNotFound, "Image file not found."},
    {Failure::ImageLibraryFull, "The maximum number of textures is currently loaded."},
    {Failure::ImageNot24Bit, "Only supports 24bit bitmaps."},
    {Failure::ImageDamaged, "Image file is damaged."},
    {Failure::VerticesData, "Error Loading vertices data"},
    {Failure::ParticleData, "Error Loading particle system data"},
    {Failure::ParticleDataLimit,
     "Error Loading particle system data: the emitters of a model hold at most 4000000 particles together"},
    {Failure::ParticleLimit, "Too many particles: the emitters of a model hold at most 4000000 particles together"},
    {Failure::RawParse, "Error Parsing file %s\n %s"},
    {Failure::MeshData, "Error in mesh data: %s"},
    {Failure::CreateFile, "Unable to create file"},
    {Failure::CreateFileDenied, "Unable to create file: %s"},
    {Failure::NoModelToSave, "Unable to create file: there is no model to save"},
    {Failure::WriteFile, "Unable to write file: %s"},
    {Failure::GlError, "OpenGL Error: %s"},
    {Failure::OutOfMemory, "Out of memory: %s"},
    {Failure::SurfaceArrays, "Surface arrays refused: %s"},
};
static_assert(KORVID_MAX_PARTICLES == 4000000, "the particle limit texts name the limit");

const FailureText& entry(Failure code) {
    for (const FailureText& t : kTexts)
        if (t.code == code) return t;
    return kTexts[0];
}

Failure latest = Failure::None;

}  // namespace

const char* failureFormat(Failure code) {
    const char* format = entry(code).format;
    return format ? format : "";
}

bool isSilent(Failure code) { return entry(code).format == nullptr; }

void fail(Failure code, const char* detail1, const char* detail2) {
    latest = code;
    if (isSilent(code)) return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
    std::snprintf(context().lastError, sizeof context().lastError, failureFormat(code), detail1, detail2);
#pragma GCC diagnostic pop
}

void failPool(int64_t particles) {
    const std::string what = "a particle pool of " + std::to_string(particles) + " particles could not be allocated";
    fail(Failure::OutOfMemory, what.c_str());
}

Failure lastFailure() { return latest; }
void clearLastFailure() { latest = Failure::None; }

}  // namespace korvid

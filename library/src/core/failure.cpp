#include "failure.h"

#include <cstdio>
#include <exception>
#include <new>
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
    {Failure::CurveRefused, "Curve refused: %s"},
    {Failure::ShapeRefused, "Emitter shape refused: %s"},
    {Failure::ExtensionData, "Error Loading curves and shapes at line %s: %s"},
    {Failure::EmitterText, "Emitter text refused: %s"},
    {Failure::Internal, "Internal error: %s"},
    {Failure::Cancelled, "Cancelled: %s"},
    {Failure::MeshParse, "Error Parsing file %s\n %s"},
    {Failure::MeshFormat, "Not read here: %s\n %s"},
    {Failure::FieldRefused, "Force fields refused: %s"},
    {Failure::ColliderRefused, "Colliders refused: %s"},
    {Failure::LookRefused, "Particle look refused: %s"},
    {Failure::GameRefused, "Game runtime refused: %s"},
    {Failure::LiveLink, "Live link: %s"},
};
static_assert(KORVID_MAX_PARTICLES == 4000000, "the particle limit texts name the limit");

const FailureText& entry(Failure code) {
    for (const FailureText& t : kTexts)
        if (t.code == code) return t;
    return kTexts[0];
}

}  // namespace

const char* failureFormat(Failure code) {
    const char* format = entry(code).format;
    return format ? format : "";
}

bool isSilent(Failure code) { return entry(code).format == nullptr; }

void fail(Failure code, const char* detail1, const char* detail2) {
    context().lastFailure = code;
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

void failFromException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        fail(Failure::OutOfMemory, "the memory the call needed could not be allocated");
    } catch (const std::exception& e) {
        fail(Failure::Internal, e.what());
    } catch (...) {
        fail(Failure::Internal, "an unknown exception");
    }
}

Failure lastFailure() { return context().lastFailure; }

// The public codes follow the internal ones one for one.
static_assert(static_cast<int>(Failure::None) == KORVID_FAILURE_NONE, "failure codes");
static_assert(static_cast<int>(Failure::NoModel) == KORVID_FAILURE_NO_MODEL, "failure codes");
static_assert(static_cast<int>(Failure::NoEmitter) == KORVID_FAILURE_NO_EMITTER, "failure codes");
static_assert(static_cast<int>(Failure::BadArgument) == KORVID_FAILURE_BAD_ARGUMENT, "failure codes");
static_assert(static_cast<int>(Failure::PoolBelowBatch) == KORVID_FAILURE_POOL_BELOW_BATCH, "failure codes");
static_assert(static_cast<int>(Failure::NoVertexData) == KORVID_FAILURE_NO_VERTEX_DATA, "failure codes");
static_assert(static_cast<int>(Failure::FileNotFound) == KORVID_FAILURE_FILE_NOT_FOUND, "failure codes");
static_assert(static_cast<int>(Failure::VersionMismatch) == KORVID_FAILURE_VERSION_MISMATCH, "failure codes");
static_assert(static_cast<int>(Failure::ImageNotFound) == KORVID_FAILURE_IMAGE_NOT_FOUND, "failure codes");
static_assert(static_cast<int>(Failure::ImageLibraryFull) == KORVID_FAILURE_IMAGE_LIBRARY_FULL, "failure codes");
static_assert(static_cast<int>(Failure::ImageNot24Bit) == KORVID_FAILURE_IMAGE_NOT_24BIT, "failure codes");
static_assert(static_cast<int>(Failure::ImageDamaged) == KORVID_FAILURE_IMAGE_DAMAGED, "failure codes");
static_assert(static_cast<int>(Failure::VerticesData) == KORVID_FAILURE_VERTICES_DATA, "failure codes");
static_assert(static_cast<int>(Failure::ParticleData) == KORVID_FAILURE_PARTICLE_DATA, "failure codes");
static_assert(static_cast<int>(Failure::ParticleDataLimit) == KORVID_FAILURE_PARTICLE_DATA_LIMIT, "failure codes");
static_assert(static_cast<int>(Failure::ParticleLimit) == KORVID_FAILURE_PARTICLE_LIMIT, "failure codes");
static_assert(static_cast<int>(Failure::RawParse) == KORVID_FAILURE_RAW_PARSE, "failure codes");
static_assert(static_cast<int>(Failure::MeshData) == KORVID_FAILURE_MESH_DATA, "failure codes");
static_assert(static_cast<int>(Failure::CreateFile) == KORVID_FAILURE_CREATE_FILE, "failure codes");
static_assert(static_cast<int>(Failure::CreateFileDenied) == KORVID_FAILURE_CREATE_FILE_DENIED, "failure codes");
static_assert(static_cast<int>(Failure::NoModelToSave) == KORVID_FAILURE_NO_MODEL_TO_SAVE, "failure codes");
static_assert(static_cast<int>(Failure::WriteFile) == KORVID_FAILURE_WRITE_FILE, "failure codes");
static_assert(static_cast<int>(Failure::GlError) == KORVID_FAILURE_GL_ERROR, "failure codes");
static_assert(static_cast<int>(Failure::OutOfMemory) == KORVID_FAILURE_OUT_OF_MEMORY, "failure codes");
static_assert(static_cast<int>(Failure::SurfaceArrays) == KORVID_FAILURE_SURFACE_ARRAYS, "failure codes");
static_assert(static_cast<int>(Failure::CurveRefused) == KORVID_FAILURE_CURVE_REFUSED, "failure codes");
static_assert(static_cast<int>(Failure::ShapeRefused) == KORVID_FAILURE_SHAPE_REFUSED, "failure codes");
static_assert(static_cast<int>(Failure::ExtensionData) == KORVID_FAILURE_EXTENSION_DATA, "failure codes");
static_assert(static_cast<int>(Failure::EmitterText) == KORVID_FAILURE_EMITTER_TEXT, "failure codes");
static_assert(static_cast<int>(Failure::Internal) == KORVID_FAILURE_INTERNAL, "failure codes");
static_assert(static_cast<int>(Failure::Cancelled) == KORVID_FAILURE_CANCELLED, "failure codes");
static_assert(static_cast<int>(Failure::MeshParse) == KORVID_FAILURE_MESH_PARSE, "failure codes");
static_assert(static_cast<int>(Failure::MeshFormat) == KORVID_FAILURE_MESH_FORMAT, "failure codes");
static_assert(static_cast<int>(Failure::FieldRefused) == KORVID_FAILURE_FIELD_REFUSED, "failure codes");
static_assert(static_cast<int>(Failure::ColliderRefused) == KORVID_FAILURE_COLLIDER_REFUSED, "failure codes");
static_assert(static_cast<int>(Failure::LookRefused) == KORVID_FAILURE_LOOK_REFUSED, "failure codes");
static_assert(static_cast<int>(Failure::GameRefused) == KORVID_FAILURE_GAME_REFUSED, "failure codes");
static_assert(static_cast<int>(Failure::LiveLink) == KORVID_FAILURE_LIVE_LINK, "failure codes");

void clearLastFailure() { context().lastFailure = Failure::None; }

}  // namespace korvid

KORVID_EXPORT int32_t objGetLastFailure(void) { return static_cast<int32_t>(korvid::lastFailure()); }

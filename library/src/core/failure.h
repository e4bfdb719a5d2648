// Every way an operation of the library can refuse, and the one place that
// records it. Refusals that callers see set the last-error text; refusals
// the library makes silently record only their code, for tests and tools.
#pragma once
#include <cstdint>

namespace korvid {

enum class Failure {
    None,
    // Silent: callers see only the return value.
    NoModel,           // no current model (or the library has not been started)
    NoEmitter,         // no current emitter
    BadArgument,       // a null record or an index out of range
    PoolBelowBatch,    // objSetEmitter: totalParticles below emitterPerCycle
    NoVertexData,      // smoothing a surface that has no vertices
    // Reported in the last-error text.
    FileNotFound,
    VersionMismatch,   // detail: the header word read, the current version
    ImageNotFound,
    ImageLibraryFull,
    ImageNot24Bit,
    ImageDamaged,
    VerticesData,
    ParticleData,
    ParticleDataLimit, // a file's emitters pass KORVID_MAX_PARTICLES
    ParticleLimit,     // objAddEmitter or objSetEmitter would pass it
    RawParse,          // detail: the path, what is wrong
    MeshData,          // detail: what is wrong with a model given in memory
    CreateFile,
    CreateFileDenied,  // detail: the reason
    NoModelToSave,
    WriteFile,         // detail: the reason
    GlError,           // detail: OpenGL's text
    OutOfMemory,       // detail: what could not be allocated
    SurfaceArrays,     // detail: why objGetSurfaceArrays/objSetSurfaceArrays refused
    CurveRefused,      // detail: why objSetEmitterCurve refused
    ShapeRefused,      // detail: why objSetEmitterShape refused
    ExtensionData,     // detail: the line, what is wrong with a ZOB file's curves and shapes
    EmitterText,       // detail: why objPasteEmitter refused the text
    Internal,          // detail: what an export met that it did not expect
    Cancelled,         // detail: which call the progress function stopped
    MeshParse,         // detail: the path, what is wrong with an STL or OBJ file
    MeshFormat,        // detail: the path, why objLoadMesh leaves the file to an importer
    FieldRefused,      // detail: why objSetEmitterFields refused
    ColliderRefused,   // detail: why objSetEmitterColliders refused
    LookRefused,       // detail: why a flipbook, spin, trail or sort was refused
    GameRefused,       // detail: why a call of the game runtime refused
    LiveLink,          // detail: why the live link refused or ended
};

// The printf-style text of a failure ("" for the silent ones; %s marks a detail).
const char* failureFormat(Failure code);
bool isSilent(Failure code);

// Records a refusal: the code always, the last-error text (cut to 255
// characters) unless the refusal is silent. Details fill the text's %s in order.
void fail(Failure code, const char* detail1 = "", const char* detail2 = "");

// Records that a particle pool of `particles` could not be allocated.
void failPool(int64_t particles);

// Records the exception being handled as a refusal: OutOfMemory for
// std::bad_alloc, Internal with its text for any other. Every export catches
// what its work throws and ends here, so no exception crosses into C.
void failFromException() noexcept;
template <class Result>
Result refusedByException(Result refusal) noexcept {
    failFromException();
    return refusal;
}

// The latest refusal recorded, and its reset (for tests and tools).
Failure lastFailure();
void clearLastFailure();

}  // namespace korvid

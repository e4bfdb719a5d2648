// Import of the mesh formats Assimp reads (OBJ, STL, PLY, glTF, FBX, Collada,
// ...) as a new current Korvid model, through objAddMesh. Used by the tools
// and the editor; the library itself reads only RAW and ZOB files.
//
// Reading is split from adding: readMesh turns a file into a plain value
// without touching the library, so it may run on any thread and be fuzzed in
// memory; addMesh hands that value to the library on the GL thread.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvid::import {

// Why an import was refused; `None` when it was not.
enum class ImportError {
    None,
    NotFound,         // no such file
    NotAFile,         // a folder or another kind of node
    CountsPastSize,   // the header declares more elements than the file can hold
    IndexOutOfRange,  // a face names a vertex its mesh does not have
    MissingArrays,    // a mesh with faces but no vertex or face array
    FaceTooLarge,     // a polygon with more corners than kMaxFaceCorners
    PolygonWork,      // the polygons together would take too long to triangulate
    OutsideFolder,    // a reference to a file outside the model's folder
    OutOfMemory,      // an allocation failed, or the memory budget was passed
    TimeBudget,       // the import took longer than its time budget
    Cancelled,        // the caller cancelled
    Unreadable,       // Assimp could not read the file (its message follows)
    NoTriangles,      // nothing in the file makes a surface
    Library,          // the library refused the model (its last error follows)
    ReaderFailed,     // the reader process died on the file (a fault of Assimp's)
    NoReader,         // the reader program could not be started
};

// A polygon may have at most this many corners: larger ones are refused
// before triangulation, which takes time quadratic in the corner count.
constexpr uint32_t kMaxFaceCorners = 4096;
// The polygons of one file together: the sum of the squares of their corner
// counts (polygons of more than 64 corners) may be at most this much.
constexpr uint64_t kMaxPolygonWork = uint64_t(kMaxFaceCorners) * kMaxFaceCorners * 4;

// Assimp reads in a process of its own (the korvid-mesh-reader program), so
// that a reader that crashes, hangs or runs away with memory on a hostile file
// ends only that process. KORVID_MESH_READER names the program when it is
// neither installed beside the running one nor in the build tree.
struct ImportLimits {
    uint64_t memoryBudget = uint64_t(3) << 30;  // bytes the reader process may hold
    uint32_t timeBudgetMs = 120000;             // then the reader is stopped
    const std::atomic<bool>* cancel = nullptr;  // set by another thread to stop the read
};

struct MeshGroup {
    std::string name;
    std::vector<float> triangles;  // 9 floats a triangle
};

// A file read into memory: the surfaces to add, or why it was refused.
struct MeshRead {
    ImportError code = ImportError::None;
    std::string error;  // a sentence for the user, naming the file; empty when read
    std::string note;   // what the import changed (meshes merged), or empty
    std::vector<MeshGroup> groups;
    // ReaderFailed: the reader process's exit status, or minus the signal that ended it.
    int readerExit = 0;
    bool ok() const { return code == ImportError::None; }
};

struct ImportResult {
    bool ok = false;
    ImportError code = ImportError::None;
    std::string error;  // the message when not ok
    std::string note;   // what the import changed (meshes merged), or empty
};

// Triangulates, applies the node transforms and keeps the winding and units
// the file gives. Each mesh becomes a group named after the mesh (or its
// material); more than 10 meshes are merged by material down to 10.
MeshRead readMesh(const std::string& path, const ImportLimits& limits = {});

// The same from bytes in memory; `hint` is the format's file extension
// ("ply", "obj", ...). No other file is ever opened.
MeshRead readMeshFromMemory(const void* data, size_t size, const std::string& hint,
                            const ImportLimits& limits = {});

// Adds a read file to the library as its new current model (GL thread).
ImportResult addMesh(const MeshRead& read);

// Whether the library reads the file itself (STL and OBJ) with objLoadMesh.
bool readByLibrary(const std::string& path);

// The file as the new current model: STL and OBJ through objLoadMesh (an OBJ
// it leaves to importers, through the reader), the rest readMesh followed by
// addMesh (GL thread).
ImportResult importMesh(const std::string& path, const ImportLimits& limits = {});

// The file patterns of every format Assimp reads, blank-separated ("*.obj *.stl ..."),
// as the reader program reports them; empty when it cannot be started.
std::string supportedPatterns();

}  // namespace korvid::import

// Import of the mesh formats Assimp reads (OBJ, STL, PLY, glTF, FBX, Collada,
// ...) as a new current Korvid model, through objAddMesh. Used by the tools
// and the editor; the library itself reads only RAW and ZOB files.
#pragma once
#include <string>

namespace korvid::import {

struct ImportResult {
    bool ok = false;
    std::string error;  // Assimp's or the library's message when not ok
    std::string note;   // what the import changed (meshes merged), or empty
};

// Triangulates, applies the node transforms and keeps the winding and units
// the file gives. Each mesh becomes a surface named after the mesh (or its
// material); more than 10 meshes are merged by material down to 10.
ImportResult importMesh(const std::string& path);

// The file patterns of every format Assimp reads, blank-separated ("*.obj *.stl ...").
std::string supportedPatterns();

}  // namespace korvid::import

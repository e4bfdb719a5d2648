// What the reader program (korvid-mesh-reader) runs: Assimp reads one file
// or buffer in the calling process, with the checks of mesh_import.h but no
// budgets and no protection from a fault of Assimp's.
#pragma once
#include <cstddef>
#include <string>

#include "mesh_import.h"
#include "mesh_wire.h"

namespace korvid::import {

// `name` is how messages call the file. A file may refer to others in its
// folder or below; a buffer may refer to none.
MeshRead readFileHere(const std::string& path, const std::string& name);
MeshRead readMemoryHere(const void* data, size_t size, const std::string& hint, const std::string& name);
// The patterns of every format Assimp reads, blank-separated ("*.obj *.stl ...").
std::string patternsHere();

}  // namespace korvid::import

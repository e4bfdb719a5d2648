// The bytes in which a reader process hands a read mesh file back to the
// process that started it (see readMesh): the answer, the messages and the
// groups of triangles. Decoding checks every length against what is there.
#pragma once
#include <string>
#include <string_view>

#include "mesh_import.h"

namespace korvid::import {

std::string encodeMeshRead(const MeshRead& read);
// False, with `out` unspecified, when the bytes are damaged or cut short.
bool decodeMeshRead(std::string_view bytes, MeshRead& out);

// A refusal whose message is "NAME: WHAT".
MeshRead refused(ImportError code, const std::string& name, const std::string& what);

}  // namespace korvid::import

// STL (binary and ASCII) and Wavefront OBJ read into a model: parsed whole
// into a plain Model before anything in the scene changes, so a damaged file
// leaves the scene as it was and the parse can be fuzzed in memory.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "failure.h"
#include "model.h"

namespace korvid {

class Progress;

enum class MeshKind { Stl, Obj };

struct MeshFile {
    std::unique_ptr<Model> model;  // null when refused
    Failure failure = Failure::None;
    std::string why;  // what is wrong, for the message
};

// `name` names a surface that the file leaves unnamed (the file's stem). A
// model that would take more than `memoryLimit` bytes is refused
// (OutOfMemory) before it is built: an OBJ polygon of many corners makes
// many triangles of a few bytes of text.
MeshFile parseMesh(std::string_view bytes, MeshKind kind, const std::string& name, Progress& progress,
                   int64_t memoryLimit);

}  // namespace korvid

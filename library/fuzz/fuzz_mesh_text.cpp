// Fuzz target: STL and OBJ as the library reads them, parsed from memory.
// The first byte chooses the form; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mesh_reader.h"
#include "progress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const korvid::MeshKind kind = data[0] & 1 ? korvid::MeshKind::Obj : korvid::MeshKind::Stl;
    korvid::Progress progress(korvid::ProgressHook{});
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    korvid::MeshFile read = korvid::parseMesh(bytes, kind, "fuzz", progress, int64_t(256) << 20);
    if (read.model && read.model->surfaceCount < 1) __builtin_trap();
    return 0;
}

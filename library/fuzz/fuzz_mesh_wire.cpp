// Fuzz target: the decoding of a reader process's answer. Whatever the bytes,
// decoding must stop at their end; what decodes must encode to the same bytes.
#include <cstdlib>
#include <string_view>

#include "mesh_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    korvid::import::MeshRead read;
    if (korvid::import::decodeMeshRead(bytes, read) && korvid::import::encodeMeshRead(read) != bytes) std::abort();
    return 0;
}

// Fuzz target: the mesh import path (Assimp's readers through our checks and
// budgets), in memory, and the model it gives added to the library, smoothed
// and drawn. The first byte of the input chooses the format; the rest is the file.
#include <iterator>

#include "fuzz_target.h"
#include "korvid.h"
#include "mesh_import.h"

namespace {
const char* const kHints[] = {"ply", "obj", "stl", "off", "gltf", "glb", "dae", "fbx"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    korvid::fuzz::startLibrary();
    korvid::import::ImportLimits limits;
    limits.memoryBudget = uint64_t(1) << 30;
    limits.timeBudgetMs = 3000;
    const char* hint = kHints[data[0] % std::size(kHints)];
    const korvid::import::MeshRead read = korvid::import::readMeshFromMemory(data + 1, size - 1, hint, limits);
    // A reader process that dies (a fault inside Assimp, or an allocation the
    // sanitizer refuses there) only refuses the file: that is the design, so
    // it is no finding here. What comes back is checked and used in this process.
    if (korvid::import::addMesh(read).ok) {
        ModelInfo info;
        objGetModelData(&info);
        for (int i = 0; i < info.surfaceCount; ++i) objSetSmoothSurface(i, 30.0f);
        const CameraData camera{0, 0, -5, 10, 20, 0};
        objRender(&camera);
    }
    objNew();
    return 0;
}

// Models given in memory, surface by surface, as importers of other formats
// hand them over; built exactly as a RAW file's groups are.
#include <cstring>
#include <string>

#include "context.h"

using namespace korvid;

KORVID_EXPORT bool objAddMesh(const MeshSurface* surfaces, int32_t surfaceCount) try {
    simulationChanged();
    Context& c = context();
    if (!c.store) {
        fail(Failure::NoModel);
        return false;
    }
    if (surfaceCount < 0 || (surfaceCount > 0 && !surfaces)) {
        fail(Failure::MeshData, "no surfaces given");
        return false;
    }
    if (surfaceCount > KORVID_MAX_SURFACES) {
        fail(Failure::MeshData, "more than 10 surfaces; a model holds at most 10");
        return false;
    }
    auto model = newModel();
    for (int32_t i = 0; i < surfaceCount; ++i) {
        const MeshSurface& in = surfaces[i];
        const int64_t n = in.triangleCount;
        if (n < 0 || (n > 0 && !in.triangles)) {
            fail(Failure::MeshData, "a surface has no triangle data");
            return false;
        }
        Surface& surface = model->surfaces[model->surfaceCount];
        // A name must read back from the files the model may be saved to;
        // one with nothing in it gets the surface's number.
        if (safeName(in.name, surface.name, sizeof surface.name) == 0)
            copyName(surface.name, ("Surface" + std::to_string(i + 1)).c_str());
        if (n > INT32_MAX / 9 || !surface.allocate(n)) {
            fail(Failure::MeshData, ("not enough memory for " + std::to_string(n) + " triangles").c_str());
            return false;
        }
        if (n > 0) std::memcpy(surface.vertices.get(), in.triangles, static_cast<size_t>(n) * 9 * sizeof(float));
        completeSurface(*model, surface, n);
    }
    buildModelOutline(*model);
    appendModel(*c.store, std::move(model));
    selectModel(*c.store, c.store->count());
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

// Import of RAW triangle lists: named groups of triangles, nine numbers a line.
#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "normals.h"
#include "textscan.h"

namespace korvid {
namespace {

bool isNameLine(std::string_view line) {
    if (line.empty()) return false;
    const auto first = static_cast<unsigned char>(line[0]);
    return first >= 65 && first <= 127;
}

}  // namespace

// Reads `path` into a new model; null with lastError set on failure.
static std::unique_ptr<Model> readRaw(const char* path) {
    std::string text;
    if (!readWholeFile(path, text)) {
        setError("File not found");
        return nullptr;
    }
    auto model = newModel();
    LineReader reader(text);
    std::string_view line;
    bool have = reader.next(line);
    std::vector<float> triangles;
    while (have) {
        if (!isNameLine(line)) {
            have = reader.next(line);
            continue;
        }
        if (model->surfaceCount == KORVID_MAX_SURFACES) {
            setError("Error Parsing file %s\n more than %d surfaces; a model holds at most %d", path,
                     KORVID_MAX_SURFACES, KORVID_MAX_SURFACES);
            return nullptr;
        }
        Surface& surface = model->surfaces[model->surfaceCount];
        char word[28];
        const char* p = line.data();
        scanWord(p, p + line.size(), word, sizeof word);
        copyName(surface.name, word);

        triangles.clear();
        int32_t n = 0;
        while ((have = reader.next(line)) && !isNameLine(line)) {
            ++n;
            float t[9];
            if (scanFloats(line, t, 9) < 9) {
                setError("Error Parsing file %s\n vertex line %d", path, n);
                return nullptr;
            }
            triangles.insert(triangles.end(), t, t + 9);
        }
        if (!surface.allocate(n)) {
            setError("Error Parsing file %s\n not enough memory for %d triangles", path, n);
            return nullptr;
        }
        if (n > 0) std::memcpy(surface.vertices.get(), triangles.data(), triangles.size() * sizeof(float));
        computeFaceNormals(surface.vertices.get(), 9 * int64_t(n), surface.faceNormals.get());
        surface.vertexFloatCount = 9 * n;
        surface.polygonCount = n;
        buildOutline(surface.vertices.get(), surface.vertexFloatCount, *surface.outline);
        model->polygonCount += n;
        model->surfaceCount += 1;
    }
    buildModelOutline(*model);
    return model;
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objLoadRaw(const char* path) {
    Context& c = context();
    if (!c.store) return false;
    std::unique_ptr<Model> model = readRaw(path);
    if (!model) return false;
    appendModel(*c.store, model.release());
    return true;
}

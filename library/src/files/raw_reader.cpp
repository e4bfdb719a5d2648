// Import of RAW triangle lists: named groups of triangles, nine numbers a line.
#include <cstring>
#include <string>

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
static std::unique_ptr<Model> readRaw(const char* path, Progress& progress) {
    FileText file(path);
    if (!file.ok()) {
        fail(Failure::FileNotFound);
        return nullptr;
    }
    auto model = newModel();
    LineReader reader(file.text());
    std::string_view line;
    bool have = reader.next(line);
    while (have) {
        if (!isNameLine(line)) {
            have = reader.next(line);
            continue;
        }
        if (model->surfaceCount == KORVID_MAX_SURFACES) {
            fail(Failure::RawParse, path, "more than 10 surfaces; a model holds at most 10");
            return nullptr;
        }
        Surface& surface = model->surfaces[model->surfaceCount];
        char word[28];
        const char* p = line.data();
        scanWord(p, p + line.size(), word, sizeof word);
        copyName(surface.name, word);

        // Count the group's lines, then go back and read them.
        const size_t start = reader.position();
        int64_t n = 0;
        while ((have = reader.next(line)) && !isNameLine(line)) ++n;
        const size_t end = reader.position();
        const std::string_view next = line;  // the line that ended the group
        if (n > INT32_MAX / 9 || !surface.allocate(n)) {
            fail(Failure::RawParse, path, ("not enough memory for " + std::to_string(n) + " triangles").c_str());
            return nullptr;
        }
        reader.seek(start);
        float* v = surface.vertices.get();
        for (int64_t k = 0; k < n; ++k) {
            if (k % 4096 == 0 && !progress.goOn(float(double(reader.position()) / double(file.text().size() + 1)))) {
                fail(Failure::Cancelled, "the load was stopped; the scene is as it was");
                return nullptr;
            }
            reader.next(line);
            if (scanFloats(line, v + 9 * k, 9) < 9) {
                fail(Failure::RawParse, path, ("vertex line " + std::to_string(k + 1)).c_str());
                return nullptr;
            }
        }
        reader.seek(end);
        line = next;
        completeSurface(*model, surface, n);
    }
    buildModelOutline(*model);
    return model;
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objLoadRaw(const char* path) try {
    simulationChanged();
    Context& c = context();
    if (!c.store) {
        fail(Failure::NoModel);
        return false;
    }
    Progress progress(c.progress);
    std::unique_ptr<Model> model = readRaw(path, progress);
    if (!model) return false;
    appendModel(*c.store, std::move(model));
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

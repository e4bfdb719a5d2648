// Import of RAW triangle lists: named groups of triangles, nine numbers a line.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "normals.h"
#include "textscan.h"

namespace korvid {
namespace {

// Lines of a group read as one piece of work.
constexpr int64_t kLinesAPiece = 4096;

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
    Context& c = context();
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

        // Count the group's lines, noting where every kLinesAPiece-th one
        // starts, then read the pieces on the workers: each piece knows its
        // first line and its place in the array, so any order gives the same.
        const size_t start = reader.position();
        std::vector<size_t> pieces{start};
        int64_t n = 0;
        while ((have = reader.next(line)) && !isNameLine(line)) {
            ++n;
            if (n % kLinesAPiece == 0) pieces.push_back(reader.position());
        }
        const size_t end = reader.position();
        const std::string_view next = line;  // the line that ended the group
        if (n > INT32_MAX / 9 || !surface.allocate(n)) {
            fail(Failure::RawParse, path, ("not enough memory for " + std::to_string(n) + " triangles").c_str());
            return nullptr;
        }
        float* v = surface.vertices.get();
        const std::string_view text = file.text();
        const int64_t pieceCount = (n + kLinesAPiece - 1) / kLinesAPiece;
        std::vector<int64_t> badLine(size_t(pieceCount), -1);  // a piece's first unreadable line
        // Waves of pieces, so that the progress is told (on this thread) as the work goes.
        const int64_t wave = int64_t(c.workers.count());
        for (int64_t first = 0; first < pieceCount; first += wave) {
            if (!progress.goOn(float(double(pieces[size_t(first)]) / double(text.size() + 1)))) {
                fail(Failure::Cancelled, "the load was stopped; the scene is as it was");
                return nullptr;
            }
            const int64_t last = std::min(pieceCount, first + wave);
            c.workers.forRanges(last - first, 1, [&](int64_t b, int64_t e) {
                for (int64_t piece = first + b; piece < first + e; ++piece) {
                    LineReader lines(text);
                    lines.seek(pieces[size_t(piece)]);
                    std::string_view l;
                    const int64_t to = std::min(n, (piece + 1) * kLinesAPiece);
                    for (int64_t k = piece * kLinesAPiece; k < to; ++k) {
                        lines.next(l);
                        if (scanFloats(l, v + 9 * k, 9) < 9) {
                            badLine[size_t(piece)] = k;
                            break;
                        }
                    }
                }
            });
            for (int64_t piece = first; piece < last; ++piece)
                if (badLine[size_t(piece)] >= 0) {
                    fail(Failure::RawParse, path, ("vertex line " + std::to_string(badLine[size_t(piece)] + 1)).c_str());
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

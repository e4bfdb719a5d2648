#include "mesh_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <utility>
#include <string>
#include <vector>

#include "big_arrays.h"
#include "context.h"
#include "progress.h"
#include "textscan.h"

namespace korvid {
namespace {

constexpr size_t kStlHeader = 84;
constexpr size_t kStlRecord = 50;
// A polygon of an OBJ file may have at most this many corners.
constexpr size_t kMaxCorners = 4096;
// What a triangle takes while it is read and in the model: its corners as
// read, then corners, a face normal and three vertex normals.
constexpr int64_t kTriangleBytes = 36 + 36 + 12 + 36;

MeshFile tooLarge(int64_t limit) {
    MeshFile out;
    out.failure = Failure::OutOfMemory;
    out.why = "the model would need more than the " + std::to_string(limit >> 20) + " MiB a load may take";
    return out;
}

MeshFile refuse(Failure failure, std::string why) {
    MeshFile out;
    out.failure = failure;
    out.why = std::move(why);
    return out;
}

// One surface being gathered: its name and its triangles, 9 floats each.
struct Group {
    std::string name;
    std::vector<float> triangles;
};

// The groups as a model, each group a surface.
MeshFile commit(std::vector<Group>& groups, const std::string& fallback) {
    if (groups.size() > size_t(KORVID_MAX_SURFACES))
        return refuse(Failure::MeshParse, "more than 10 surfaces; a model holds at most 10");
    MeshFile out;
    out.model = newModel();
    Model& model = *out.model;
    for (size_t g = 0; g < groups.size(); ++g) {
        Surface& surface = model.surfaces[model.surfaceCount];
        const std::string& wanted = groups[g].name.empty() ? fallback : groups[g].name;
        if (safeName(wanted.c_str(), surface.name, sizeof surface.name) == 0)
            copyName(surface.name, ("Surface" + std::to_string(g + 1)).c_str());
        const int64_t n = int64_t(groups[g].triangles.size() / 9);
        if (n > INT32_MAX / 9 || !surface.allocate(n))
            return refuse(Failure::OutOfMemory, "not enough memory for " + std::to_string(n) + " triangles");
        if (n > 0) std::memcpy(surface.vertices.get(), groups[g].triangles.data(), size_t(n) * 9 * sizeof(float));
        std::vector<float>().swap(groups[g].triangles);
        completeSurface(model, surface, n);
    }
    buildModelOutline(model);
    return out;
}

bool startsWithWord(std::string_view text, std::string_view word) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    if (text.size() - i < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(text[i + k])) != word[k]) return false;
    return i + word.size() == text.size() || std::isspace(static_cast<unsigned char>(text[i + word.size()]));
}

// Binary STL: an 80-byte header, a triangle count, then 50 bytes a triangle
// (a normal, three corners, two attribute bytes). Read straight into the surface.
MeshFile parseBinaryStl(std::string_view bytes, const std::string& name, Progress& progress, int64_t limit) {
    uint32_t count = 0;
    std::memcpy(&count, bytes.data() + 80, 4);
    if (uint64_t(count) * kStlRecord + kStlHeader != bytes.size())
        return refuse(Failure::MeshParse, "the file holds " + std::to_string((bytes.size() - kStlHeader) / kStlRecord) +
                                              " triangles, not the " + std::to_string(count) + " it declares");
    if (count > uint32_t(INT32_MAX / 9)) return refuse(Failure::MeshParse, "too many triangles");
    if (int64_t(count) * kTriangleBytes > limit) return tooLarge(limit);
    MeshFile out;
    out.model = newModel();
    Model& model = *out.model;
    Surface& surface = model.surfaces[0];
    if (safeName(name.c_str(), surface.name, sizeof surface.name) == 0) copyName(surface.name, "Surface1");
    if (!surface.allocate(count))
        return refuse(Failure::OutOfMemory, "not enough memory for " + std::to_string(count) + " triangles");
    float* v = surface.vertices.get();
    const char* record = bytes.data() + kStlHeader;
    for (uint32_t k = 0; k < count; ++k, record += kStlRecord, v += 9) {
        if (k % 65536 == 0 && !progress.goOn(float(k) / float(count)))
            return refuse(Failure::Cancelled, "the load was stopped; the scene is as it was");
        std::memcpy(v, record + 12, 36);
    }
    completeSurface(model, surface, count);
    buildModelOutline(model);
    return out;
}

// The text's lines one at a time, counted, ends of line and blanks trimmed.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const char* start = text_.data() + pos_;
        const void* nl = std::memchr(start, '\n', text_.size() - pos_);
        const size_t end = nl ? size_t(static_cast<const char*>(nl) - text_.data()) : text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++number_;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
        return true;
    }
    size_t number() const { return number_; }
    float done() const { return float(double(pos_) / double(text_.size() + 1)); }

private:
    std::string_view text_;
    size_t pos_ = 0;
    size_t number_ = 0;
};

// The first word of a line, and the rest after blanks.
std::string_view firstWord(std::string_view line, std::string_view& rest) {
    size_t end = 0;
    while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
    rest = line.substr(end);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
    return line.substr(0, end);
}

bool is(std::string_view word, std::string_view lower) {
    if (word.size() != lower.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) != lower[i]) return false;
    return true;
}

std::string at(const Lines& lines) { return "line " + std::to_string(lines.number()) + ": "; }

// ASCII STL: solids of facets of three vertices each.
MeshFile parseAsciiStl(std::string_view text, const std::string& name, Progress& progress) {
    std::vector<Group> groups;
    groups.reserve(KORVID_MAX_SURFACES);  // `solid` stays valid
    Lines lines(text);
    std::string_view line, rest;
    Group* solid = nullptr;
    float corner[9];
    int corners = -1;  // -1 outside a loop
    while (lines.next(line)) {
        if (lines.number() % 4096 == 0 && !progress.goOn(lines.done()))
            return refuse(Failure::Cancelled, "the load was stopped; the scene is as it was");
        if (line.empty()) continue;
        const std::string_view word = firstWord(line, rest);
        if (is(word, "solid")) {
            if (solid) return refuse(Failure::MeshParse, at(lines) + "a solid inside a solid");
            if (groups.size() == size_t(KORVID_MAX_SURFACES))
                return refuse(Failure::MeshParse, "more than 10 solids; a model holds at most 10 surfaces");
            groups.push_back({std::string(rest.substr(0, 27)), {}});
            solid = &groups.back();
        } else if (is(word, "endsolid")) {
            if (!solid || corners >= 0) return refuse(Failure::MeshParse, at(lines) + "an end of a solid not begun");
            solid = nullptr;
        } else if (is(word, "facet") || is(word, "endfacet")) {
            if (!solid) return refuse(Failure::MeshParse, at(lines) + "a facet outside a solid");
        } else if (is(word, "outer")) {
            if (!solid || corners >= 0) return refuse(Failure::MeshParse, at(lines) + "a loop outside a facet");
            corners = 0;
        } else if (is(word, "vertex")) {
            if (corners < 0 || corners == 3) return refuse(Failure::MeshParse, at(lines) + "a vertex outside a loop");
            if (scanFloats(rest, corner + 3 * corners, 3) < 3)
                return refuse(Failure::MeshParse, at(lines) + "a vertex needs three numbers");
            ++corners;
        } else if (is(word, "endloop")) {
            if (corners != 3) return refuse(Failure::MeshParse, at(lines) + "a loop of other than three vertices");
            solid->triangles.insert(solid->triangles.end(), corner, corner + 9);
            corners = -1;
        } else {
            return refuse(Failure::MeshParse, at(lines) + "\"" + std::string(word.substr(0, 40)) + "\" is not STL");
        }
    }
    if (solid || groups.empty()) return refuse(Failure::MeshParse, "the file ends inside a solid");
    return commit(groups, name);
}

// An OBJ index: 1-based, or negative counting back from the last vertex read.
bool objIndex(std::string_view token, size_t vertices, size_t& out) {
    const size_t slash = token.find('/');
    const std::string_view number = token.substr(0, slash);
    const char* p = number.data();
    int32_t i = 0;
    if (!scanInt(p, number.data() + number.size(), i) || p != number.data() + number.size()) return false;
    if (i > 0 && size_t(i) <= vertices) out = size_t(i) - 1;
    else if (i < 0 && size_t(-int64_t(i)) <= vertices) out = vertices - size_t(-int64_t(i));
    else return false;
    return true;
}

// Which surface an OBJ's faces go to: one for each object or group and
// material within it, numbered in the order first used. Both passes over a
// file follow it, so their numbers agree.
class ObjSurfaces {
public:
    // Takes "o", "g" and "usemtl" lines; false for any other word.
    bool follow(std::string_view word, std::string_view rest) {
        if (word == "o" || word == "g") object_ = std::string(rest);
        else if (word == "usemtl") material_ = std::string(rest);
        else return false;
        current_ = SIZE_MAX;
        return true;
    }
    // The number of the surface of the next face; `added` when it is new.
    size_t current(bool& added) {
        added = false;
        if (current_ == SIZE_MAX) {
            const auto key = std::make_pair(object_, material_);
            current_ = size_t(std::find(keys_.begin(), keys_.end(), key) - keys_.begin());
            if (current_ == keys_.size()) {
                keys_.push_back(key);
                added = true;
            }
        }
        return current_;
    }
    // The name of surface `n`: its object's, else its material's.
    const std::string& name(size_t n) const { return keys_[n].first.empty() ? keys_[n].second : keys_[n].first; }

private:
    std::string object_, material_;
    std::vector<std::pair<std::string, std::string>> keys_;
    size_t current_ = SIZE_MAX;
};

// What the reading of an OBJ will store, counted first so that every array
// is allocated once at its size: vertices, and the triangles of each object
// and material in the order they come.
struct ObjCounts {
    size_t vertices = 0;
    std::vector<int64_t> triangles;  // for each surface
    int64_t total = 0;
};

ObjCounts countObj(std::string_view text) {
    ObjCounts counts;
    ObjSurfaces surfaces;
    Lines lines(text);
    std::string_view line, rest;
    while (lines.next(line)) {
        if (line.empty() || line.front() == '#') continue;
        const std::string_view word = firstWord(line, rest);
        if (word == "v") {
            ++counts.vertices;
        } else if (word == "f") {
            int64_t corners = 0;
            std::string_view tokens = rest;
            while (!tokens.empty()) {
                firstWord(tokens, tokens);
                ++corners;
            }
            bool added = false;
            const size_t current = surfaces.current(added);
            if (added) counts.triangles.push_back(0);
            const int64_t made = std::max<int64_t>(0, corners - 2);
            counts.triangles[current] += made;
            counts.total += made;
        } else {
            surfaces.follow(word, rest);
        }
    }
    return counts;
}

// Room for `count` floats, on huge pages when large, untouched until written.
void reserveBig(std::vector<float>& v, size_t count) {
    v.reserve(count);
    adviseHugePages(v.data(), count * sizeof(float));
}

// Wavefront OBJ: vertices, and faces split into fans. Each object or group
// (o, g) and each material within it is a surface, in the order first used,
// named after the object, else its material, else the file.
MeshFile parseObj(std::string_view text, const std::string& name, Progress& progress, int64_t limit) {
    const ObjCounts counts = countObj(text);
    if (counts.total > limit / kTriangleBytes) return tooLarge(limit);
    std::vector<float> vertices;
    reserveBig(vertices, counts.vertices * 3);
    std::vector<Group> groups;
    ObjSurfaces surfaces;
    int64_t triangles = 0;
    std::vector<size_t> polygon;
    Lines lines(text);
    std::string_view line, rest;
    while (lines.next(line)) {
        if (lines.number() % 4096 == 0 && !progress.goOn(lines.done()))
            return refuse(Failure::Cancelled, "the load was stopped; the scene is as it was");
        if (line.empty() || line.front() == '#') continue;
        const std::string_view word = firstWord(line, rest);
        if (word == "v") {
            float v[3];
            // Values past the float range read as infinite, as in RAW files;
            // the drawing frames the finite ones.
            if (scanFloats(rest, v, 3) < 3) return refuse(Failure::MeshParse, at(lines) + "a vertex needs three numbers");
            vertices.insert(vertices.end(), v, v + 3);
        } else if (word == "f") {
            polygon.clear();
            std::string_view tokens = rest, token;
            while (!tokens.empty()) {
                token = firstWord(tokens, tokens);
                size_t index = 0;
                if (!objIndex(token, vertices.size() / 3, index))
                    return refuse(Failure::MeshParse, at(lines) + "a face names a vertex the file does not have");
                if (polygon.size() == kMaxCorners)
                    return refuse(Failure::MeshParse, at(lines) + "a face has more than 4096 corners");
                polygon.push_back(index);
            }
            if (polygon.size() < 3) return refuse(Failure::MeshParse, at(lines) + "a face needs three corners");
            triangles += int64_t(polygon.size()) - 2;
            if (triangles * kTriangleBytes > limit) return tooLarge(limit);
            bool added = false;
            const size_t current = surfaces.current(added);
            if (added) {
                if (current == size_t(KORVID_MAX_SURFACES))
                    return refuse(Failure::MeshFormat, "more than 10 objects and materials");
                groups.push_back({surfaces.name(current), {}});
                reserveBig(groups.back().triangles, size_t(counts.triangles[current]) * 9);
            }
            std::vector<float>& out = groups[current].triangles;
            for (size_t k = 1; k + 1 < polygon.size(); ++k)
                for (size_t c : {polygon[0], polygon[k], polygon[k + 1]})
                    out.insert(out.end(), &vertices[3 * c], &vertices[3 * c] + 3);
        } else if (surfaces.follow(word, rest)) {
            // An object, group or material: the faces that follow go to its surface.
        } else if (word == "l" || word == "p" || word == "curv" || word == "curv2" || word == "surf" ||
                   word == "cstype") {
            return refuse(Failure::MeshFormat, "lines, points, curves and surfaces");
        }
        // Normals, texture coordinates, smoothing and material libraries say
        // nothing about the triangles.
    }
    if (groups.empty()) return refuse(Failure::MeshParse, "no faces");
    return commit(groups, name);
}

}  // namespace

MeshFile parseMesh(std::string_view bytes, MeshKind kind, const std::string& name, Progress& progress,
                   int64_t memoryLimit) {
    try {
        if (kind == MeshKind::Obj) return parseObj(bytes, name, progress, memoryLimit);
        // A binary file may begin with "solid" too: its size then decides.
        if (bytes.size() >= kStlHeader) {
            uint32_t count = 0;
            std::memcpy(&count, bytes.data() + 80, 4);
            if (uint64_t(count) * kStlRecord + kStlHeader == bytes.size() || !startsWithWord(bytes.substr(0, 512), "solid"))
                return parseBinaryStl(bytes, name, progress, memoryLimit);
        }
        if (startsWithWord(bytes.substr(0, 512), "solid")) return parseAsciiStl(bytes, name, progress);
        return refuse(Failure::MeshParse, "shorter than an STL file's header");
    } catch (const std::bad_alloc&) {
        return refuse(Failure::OutOfMemory, "not enough memory for the model");
    }
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objLoadMesh(const char* path) try {
    simulationChanged();
    Context& c = context();
    if (!c.store) {
        fail(Failure::NoModel);
        return false;
    }
    if (!path) {
        fail(Failure::FileNotFound);
        return false;
    }
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const bool obj = extension == ".obj";
    if (!obj && extension != ".stl") {
        fail(Failure::MeshFormat, path, "only STL and OBJ files are read here");
        return false;
    }
    FileText file(path);
    if (!file.ok()) {
        fail(Failure::FileNotFound);
        return false;
    }
    Progress progress(c.progress);
    MeshFile read = parseMesh(file.text(), obj ? MeshKind::Obj : MeshKind::Stl,
                              std::filesystem::path(path).stem().string(), progress, c.loadMemoryLimit);
    if (!read.model) {
        if (read.failure == Failure::OutOfMemory || read.failure == Failure::Cancelled) fail(read.failure, read.why.c_str());
        else fail(read.failure, path, read.why.c_str());
        return false;
    }
    appendModel(*c.store, std::move(read.model));
    selectModel(*c.store, c.store->count());
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

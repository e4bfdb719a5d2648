#include "model.h"

#include <atomic>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <new>

#include "big_arrays.h"
#include "normals.h"

namespace korvid {

bool Surface::allocate(int64_t triangles) {
    try {
        // The readers fill every vertex and face normal; the vertex normals stay
        // zero until they are computed.
        vertices = newBigArray(static_cast<size_t>(triangles) * 9);
        faceNormals = newBigArray(static_cast<size_t>(triangles) * 3);
        vertexNormals = newBigArray(static_cast<size_t>(triangles) * 9, true);
        outline.reset(new BoxOutline{});
    } catch (const std::bad_alloc&) {
        releaseArrays();
        return false;
    }
    geometryChanged = true;
    return true;
}

void Surface::releaseArrays() {
    vertices.reset();
    faceNormals.reset();
    vertexNormals.reset();
    outline.reset();
    geometryChanged = true;
}

SurfaceData defaultSurfaceData() {
    SurfaceData d{};
    d.culling = 1;
    d.genMode1 = d.genMode2 = 0x2401;      // GL_OBJECT_LINEAR
    d.planeMode1 = d.planeMode2 = 0x2501;  // GL_OBJECT_PLANE
    std::strcpy(d.texture1Name, "NONE");
    std::strcpy(d.texture2Name, "NONE");
    d.sPlane1[0] = d.tPlane1[1] = d.sPlane2[0] = d.tPlane2[1] = 1.0f;
    d.texEnv1 = d.texEnv2 = 0x2100;  // GL_MODULATE
    d.angle = 1.0f;
    for (int i = 0; i < 4; ++i) d.diffuse[i] = d.specular[i] = 1.0f;
    d.shininess = 10.0f;
    return d;
}

void completeSurface(Model& model, Surface& s, int64_t triangles) {
    computeFaceNormals(s.vertices.get(), 9 * triangles, s.faceNormals.get());
    s.vertexFloatCount = static_cast<int32_t>(9 * triangles);
    s.polygonCount = static_cast<int32_t>(triangles);
    buildOutline(s.vertices.get(), s.vertexFloatCount, *s.outline);
    model.polygonCount += s.polygonCount;
    model.surfaceCount += 1;
}

uint64_t Model::nextModelSerial() {
    static std::atomic<uint64_t> next{1};
    return next++;
}

std::unique_ptr<Model> newModel() { return std::make_unique<Model>(); }

Model* appendModel(ModelStore& store, std::unique_ptr<Model> model) {
    store.models.push_back(std::move(model));
    return store.models.back().get();
}

bool selectModel(ModelStore& store, int32_t n) {
    if (store.models.empty()) return false;
    // Past the end the last model is chosen; below 0 the first.
    const int32_t index = n < 0 ? 0 : (n >= store.count() ? store.count() - 1 : n);
    store.current = store.models[static_cast<size_t>(index)].get();
    return true;
}

void releaseDisplayLists(Model& model) {
    for (Surface& s : model.surfaces) {
        if (s.displayList) glDeleteLists(s.displayList, 1);
        s.displayList = 0;
        s.geometryChanged = true;
    }
}

std::vector<ParticleSystem*> ModelStore::systems() const {
    std::vector<ParticleSystem*> all;
    all.reserve(models.size() + instances.size());
    for (const auto& m : models) all.push_back(&m->particles);
    for (const auto& i : instances) all.push_back(&i->particles);
    return all;
}

void freeAllModels(ModelStore& store) {
    store.instances.clear();
    for (auto& m : store.models) releaseDisplayLists(*m);
    store.models.clear();
    store.current = nullptr;
}

namespace {

struct Extents {
    float maxX = -99999.0f, maxY = -99999.0f, maxZ = -99999.0f;
    float minX = 99999.0f, minY = 99999.0f, minZ = 99999.0f;

    void add(const float* v, int64_t floatCount) {
        const int64_t vertices = (floatCount + 2) / 3;
        for (int64_t i = 0; i < vertices && v; ++i) {
            const float* p = v + 3 * i;
            // Infinite coordinates are left out, as NaN is by the comparisons:
            // one of them would make the outline and the framing infinite.
            if (std::isfinite(p[0])) {
                if (p[0] > maxX) maxX = p[0];
                if (p[0] < minX) minX = p[0];
            }
            if (std::isfinite(p[1])) {
                if (p[1] > maxY) maxY = p[1];
                if (p[1] < minY) minY = p[1];
            }
            if (std::isfinite(p[2])) {
                if (p[2] > maxZ) maxZ = p[2];
                if (p[2] < minZ) minZ = p[2];
            }
        }
    }

    void write(BoxOutline& o) const {
        const float pts[24][3] = {
            {minX, maxY, maxZ}, {minX, minY, maxZ}, {maxX, minY, maxZ}, {maxX, maxY, maxZ},
            {maxX, maxY, maxZ}, {maxX, minY, maxZ}, {maxX, minY, minZ}, {maxX, maxY, minZ},
            {maxX, maxY, minZ}, {maxX, minY, minZ}, {minX, minY, minZ}, {minX, maxY, minZ},
            {minX, maxY, minZ}, {minX, minY, minZ}, {minX, minY, maxZ}, {minX, maxY, maxZ},
            {minX, maxY, maxZ}, {maxX, maxY, maxZ}, {maxX, maxY, minZ}, {minX, maxY, minZ},
            {minX, minY, minZ}, {maxX, minY, minZ}, {maxX, minY, maxZ}, {minX, minY, maxZ},
        };
        std::memcpy(o.data(), pts, sizeof pts);
    }
};

}  // namespace

ModelStore::~ModelStore() { freeAllModels(*this); }

void buildOutline(const float* v, int64_t floatCount, BoxOutline& o) {
    Extents e;
    e.add(v, floatCount);
    e.write(o);
}

void buildModelOutline(Model& model) {
    Extents e;
    for (int32_t s = 0; s < model.surfaceCount; ++s) {
        const Surface& surface = model.surfaces[s];
        e.add(surface.vertices.get(), surface.vertexFloatCount);
    }
    e.write(model.outline);
}

EmitterData withSafeName(const EmitterData& record) {
    EmitterData safe = record;
    char name[sizeof safe.name];
    std::memcpy(name, record.name, sizeof name);
    name[sizeof name - 1] = '\0';
    safeName(name, safe.name, sizeof safe.name);
    return safe;
}

size_t safeName(const char* text, char* out, size_t size) {
    if (!out || size == 0) return 0;
    size_t n = 0;
    if (text)
        while (n + 1 < size && text[n]) ++n;
    // Never end in the middle of a UTF-8 character: drop the continuation
    // bytes and the lead byte of a character the cut would split.
    if (text && text[n] && n > 0) {
        size_t start = n;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        n = start;
    }
    for (size_t i = 0; i < n; ++i) {
        const char ch = text[i];
        const bool blank = ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
        // A line that starts with '/' is a comment in the files a name is saved to.
        out[i] = blank || (i == 0 && ch == '/') ? '_' : ch;
    }
    out[n] = '\0';
    return n;
}

void copyName(char (&field)[28], const char* text) {
    size_t n = 0;
    while (n < 27 && text[n]) ++n;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

}  // namespace korvid

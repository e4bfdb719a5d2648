// The model store: models, their surfaces and the box outlines drawn around them.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "particles.h"

namespace korvid {

// 24 points (72 floats): the six faces of an axis-aligned box, four corners each.
using BoxOutline = std::array<float, 72>;

// The record a new surface starts from.
SurfaceData defaultSurfaceData();

// A surface: the exchanged record (its vertexFloatCount and polygonCount are
// the library's to keep) with the position, arrays and drawing state behind it.
struct Surface : SurfaceData {
    Surface() : SurfaceData(defaultSurfaceData()) {}

    float position[3] = {0, 0, 0};
    std::unique_ptr<float[]> vertices;      // 9 floats per triangle
    std::unique_ptr<float[]> faceNormals;   // 3 floats per triangle
    std::unique_ptr<float[]> vertexNormals; // 3 floats per vertex
    int32_t selection = 0;
    std::unique_ptr<BoxOutline> outline;

    // Cached geometry for drawing; rebuilt when `geometryChanged` is set.
    uint32_t displayList = 0;
    int32_t listSmooth = -1;
    bool geometryChanged = true;
    bool drawnSinceChange = false;  // drawn directly once since the list went stale

    // Allocates the three arrays for `triangles` triangles and the outline.
    bool allocate(int64_t triangles);
    void releaseArrays();
};

struct MeshTable;
class CollisionMesh;

struct Model {
    int32_t surfaceCount = 0;
    int32_t polygonCount = 0;
    Surface surfaces[10];
    float position[3] = {0, 0, 0};
    BoxOutline outline{};
    ParticleSystem particles;
    bool hidden = false;  // left out of drawing and of the scene's counts; simulated all the same
    // The triangles mesh shapes emit from, built when first needed and again
    // when the vertices change (emitter_shape.h).
    std::shared_ptr<const MeshTable> meshTable;
    // The same triangles as colliders use them, built from meshTable when
    // first needed and again when meshTable is rebuilt.
    std::shared_ptr<const CollisionMesh> collisionMesh;
    // Unique for the library's lifetime: colliders name models by it.
    uint64_t serial = nextModelSerial();
    static uint64_t nextModelSerial();
};

// A playing copy of a model's emitters (objCreateInstance): particles of its
// own, born where its transform places the emitters; the model's mesh and
// images are shared, never copied.
struct Instance {
    int32_t id = 0;
    Model* model = nullptr;  // the model it copies; its instances go when it goes
    ParticleSystem particles;
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // column-major
    bool visible = true;
};

struct ModelStore {
    ModelStore() = default;
    ModelStore(const ModelStore&) = delete;
    ModelStore& operator=(const ModelStore&) = delete;
    ~ModelStore();  // releases the models' display lists
    std::vector<std::unique_ptr<Model>> models;  // in order of adding
    Model* current = nullptr;
    std::vector<std::unique_ptr<Instance>> instances;  // in order of creating
    int32_t nextInstanceId = 1;
    int32_t count() const { return static_cast<int32_t>(models.size()); }
    // Every particle system that is simulated: the models' in order, then the instances'.
    std::vector<ParticleSystem*> systems() const;
    Model* first() const { return models.empty() ? nullptr : models.front().get(); }
};

// The second texture unit, when the context offers GL_ARB_multitexture.
struct Multitexture {
    bool available = false;
    void (*activeTexture)(unsigned) = nullptr;  // glActiveTextureARB
};

std::unique_ptr<Model> newModel();
// Adds the model at the end of the store; returns it.
Model* appendModel(ModelStore& store, std::unique_ptr<Model> model);
bool selectModel(ModelStore& store, int32_t n);
void freeAllModels(ModelStore& store);
void buildOutline(const float* vertices, int64_t floatCount, BoxOutline& outline);
// Finishes a surface whose `triangles` triangles of vertices are filled in:
// face normals, counts and outline; the surface becomes the model's next.
void completeSurface(Model& model, Surface& surface, int64_t triangles);
// The model outline over the vertices of every used surface.
void buildModelOutline(Model& model);
// Deletes the cached display lists of a model's surfaces.
void releaseDisplayLists(Model& model);

// Writes `text` into out[size] as a name that survives a save and load: one
// word (blanks become '_'), not starting with '/' (a comment in the files),
// cut to size - 1 bytes without splitting a UTF-8 character. Returns its length.
size_t safeName(const char* text, char* out, size_t size);
// A copy of an emitter record whose name is made safe as safeName does, so
// that any emitter the library takes is saved as a file that loads again.
EmitterData withSafeName(const EmitterData& record);

// Copies at most 27 characters of `text` into a 28-byte name field.
void copyName(char (&field)[28], const char* text);

}  // namespace korvid

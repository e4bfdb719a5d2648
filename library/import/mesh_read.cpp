// The Assimp side of the mesh import: one file or buffer read, checked and
// turned into groups of triangles, in the calling process. The reader
// program runs this; nothing else should, as a fault of Assimp's on a
// hostile file would end the caller.
#include "mesh_read.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <filesystem>
#include <map>
#include <new>
#include <vector>

#include "korvid.h"

namespace korvid::import {
namespace fs = std::filesystem;

namespace {

// Lets a reader open the model file itself and files in its folder or below;
// an absolute reference or one that climbs out of the folder is refused and
// remembered, so the import can say why it failed.
class FolderIOSystem : public Assimp::DefaultIOSystem {
public:
    explicit FolderIOSystem(fs::path folder) : folder_(std::move(folder)) {}

    bool Exists(const char* file) const override { return allowed(file) && DefaultIOSystem::Exists(file); }

    Assimp::IOStream* Open(const char* file, const char* mode) override {
        return allowed(file) ? DefaultIOSystem::Open(file, mode) : nullptr;
    }

    const std::string& refusedReference() const { return refusedReference_; }

private:
    // Whether `file` lies in the folder; a refused one is remembered.
    bool allowed(const char* file) const {
        if (!file) return false;
        std::error_code ec;
        const fs::path full = fs::weakly_canonical(fs::absolute(file, ec), ec);
        // Inside the folder: the relative path does not start by climbing out.
        const fs::path inside = full.lexically_relative(folder_);
        if (!folder_.empty() && !ec && !inside.empty() && *inside.begin() != ".." && !inside.is_absolute()) return true;
        if (refusedReference_.empty()) refusedReference_ = file;
        return false;
    }

    fs::path folder_;
    mutable std::string refusedReference_;
};

// The faces and arrays of every mesh, before any step of Assimp's uses them:
// a reader may pass indices through from the file unchecked.
MeshRead checkScene(const aiScene& scene, const std::string& name, bool triangulated) {
    if (scene.mNumMeshes > 0 && !scene.mMeshes) return refused(ImportError::MissingArrays, name, "the file's meshes are missing.");
    uint64_t polygonWork = 0;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh* mesh = scene.mMeshes[m];
        if (!mesh) return refused(ImportError::MissingArrays, name, "a mesh of the file is missing.");
        if (mesh->mNumFaces == 0) continue;
        if (!mesh->mFaces || (mesh->mNumVertices > 0 && !mesh->mVertices))
            return refused(ImportError::MissingArrays, name, "a mesh has faces but no vertices.");
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices > 0 && !face.mIndices)
                return refused(ImportError::MissingArrays, name, "a face has no corners.");
            if (face.mNumIndices > kMaxFaceCorners)
                return refused(ImportError::FaceTooLarge, name,
                               "a polygon has " + std::to_string(face.mNumIndices) + " corners; at most " +
                                   std::to_string(kMaxFaceCorners) + " are read.");
            if (!triangulated && face.mNumIndices > 64) {
                polygonWork += uint64_t(face.mNumIndices) * face.mNumIndices;
                if (polygonWork > kMaxPolygonWork)
                    return refused(ImportError::PolygonWork, name,
                                   "the file's large polygons have too many corners together to triangulate.");
            }
            for (unsigned c = 0; c < face.mNumIndices; ++c)
                if (face.mIndices[c] >= mesh->mNumVertices)
                    return refused(ImportError::IndexOutOfRange, name,
                                   "face " + std::to_string(f + 1) + " refers to vertex " +
                                       std::to_string(static_cast<int64_t>(static_cast<int32_t>(face.mIndices[c]))) +
                                       ", but its mesh has " + std::to_string(mesh->mNumVertices) + " vertices.");
        }
    }
    return {};
}

std::string materialName(const aiScene& scene, unsigned index) {
    aiString name;
    if (index < scene.mNumMaterials && scene.mMaterials && scene.mMaterials[index] &&
        scene.mMaterials[index]->Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name.length > 0)
        return name.C_Str();
    return "Material" + std::to_string(index + 1);
}

struct Group {
    std::string name;
    unsigned material = 0;
    std::vector<float> triangles;
};

// One group per mesh; more than 10 are merged by material down to 10.
MeshRead collectGroups(const aiScene& scene, const std::string& name) {
    std::vector<Group> groups;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        Group g;
        g.material = mesh.mMaterialIndex;
        g.name = mesh.mName.length > 0 ? mesh.mName.C_Str() : materialName(scene, mesh.mMaterialIndex);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) continue;  // points and lines are not surfaces
            for (unsigned c = 0; c < 3; ++c) {
                const aiVector3D& v = mesh.mVertices[face.mIndices[c]];
                g.triangles.insert(g.triangles.end(), {v.x, v.y, v.z});
            }
        }
        if (!g.triangles.empty()) groups.push_back(std::move(g));
    }
    if (groups.empty()) return refused(ImportError::NoTriangles, name, "the file holds no triangles.");
    MeshRead read;
    const size_t meshes = groups.size();
    if (groups.size() > KORVID_MAX_SURFACES) {
        // One surface per material, in the order the materials first appear.
        std::vector<Group> byMaterial;
        std::map<unsigned, size_t> at;
        for (Group& g : groups) {
            auto [it, added] = at.emplace(g.material, byMaterial.size());
            if (added) byMaterial.push_back({materialName(scene, g.material), g.material, {}});
            auto& into = byMaterial[it->second].triangles;
            into.insert(into.end(), g.triangles.begin(), g.triangles.end());
        }
        groups = std::move(byMaterial);
        // Still too many materials: the ones after the ninth share the last surface.
        if (groups.size() > KORVID_MAX_SURFACES) {
            Group rest{"Rest", 0, {}};
            for (size_t i = KORVID_MAX_SURFACES - 1; i < groups.size(); ++i)
                rest.triangles.insert(rest.triangles.end(), groups[i].triangles.begin(), groups[i].triangles.end());
            groups.resize(KORVID_MAX_SURFACES - 1);
            groups.push_back(std::move(rest));
        }
        read.note = std::to_string(meshes) + " meshes were merged into " + std::to_string(groups.size()) +
                    " surfaces by material; a model holds at most 10.";
    }
    for (Group& g : groups) read.groups.push_back({std::move(g.name), std::move(g.triangles)});
    return read;
}

// Reads with no steps, checks what the reader made, then triangulates and
// applies the node transforms. `readRaw` is the reader call.
template <typename ReadRaw>
MeshRead readScene(Assimp::Importer& importer, const std::string& name, const FolderIOSystem* io, ReadRaw readRaw) {
    // Node transforms are applied to the vertices; nothing else is changed.
    importer.SetPropertyBool(AI_CONFIG_PP_PTV_KEEP_HIERARCHY, true);
    auto stopped = [&]() -> MeshRead {
        if (io && !io->refusedReference().empty())
            return refused(ImportError::OutsideFolder, name,
                           "the file refers to " + io->refusedReference() +
                               ", which is outside the model's folder; only files in its folder are read.");
        return {};
    };
    try {
        const aiScene* scene = readRaw();
        if (MeshRead r = stopped(); !r.ok()) return r;
        if (!scene || !scene->mRootNode) {
            std::string why = importer.GetErrorString();
            // Assimp turns a failed allocation into its text; no code comes with it.
            if (why == "std::bad_alloc") return refused(ImportError::OutOfMemory, name, "not enough memory to read the file.");
            if (why.empty()) why = "it could not be read as a model.";
            return refused(ImportError::Unreadable, name, why);
        }
        if (MeshRead r = checkScene(*scene, name, false); !r.ok()) return r;
        scene = importer.ApplyPostProcessing(aiProcess_ValidateDataStructure | aiProcess_Triangulate |
                                             aiProcess_PreTransformVertices | aiProcess_SortByPType);
        if (MeshRead r = stopped(); !r.ok()) return r;
        if (!scene) {
            const std::string why = importer.GetErrorString();
            return refused(ImportError::Unreadable, name, why.empty() ? "its data is not consistent." : why);
        }
        if (MeshRead r = checkScene(*scene, name, true); !r.ok()) return r;
        return collectGroups(*scene, name);
    } catch (const std::bad_alloc&) {
        return refused(ImportError::OutOfMemory, name, "not enough memory to read the file.");
    }
}

}  // namespace

MeshRead readFileHere(const std::string& path, const std::string& name) {
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(fs::absolute(path, ec), ec).parent_path();
    Assimp::Importer importer;
    auto* io = new FolderIOSystem(folder);
    importer.SetIOHandler(io);  // the importer owns it from here
    return readScene(importer, name, io, [&] { return importer.ReadFile(path, 0); });
}

MeshRead readMemoryHere(const void* data, size_t size, const std::string& hint, const std::string& name) {
    Assimp::Importer importer;
    auto* io = new FolderIOSystem({});  // no file may be opened: there is no folder
    importer.SetIOHandler(io);
    return readScene(importer, name, io, [&] { return importer.ReadFileFromMemory(data, size, 0, hint.c_str()); });
}

std::string patternsHere() {
    Assimp::Importer importer;
    std::string list;
    importer.GetExtensionList(list);  // "*.3ds;*.obj;..."
    for (char& c : list)
        if (c == ';') c = ' ';
    return list;
}

}  // namespace korvid::import

#include "mesh_import.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <map>
#include <vector>

#include "korvid.h"

namespace korvid::import {
namespace {

struct Group {
    std::string name;
    unsigned material = 0;
    std::vector<float> triangles;  // 9 floats a triangle
};

std::string materialName(const aiScene& scene, unsigned index) {
    aiString name;
    if (index < scene.mNumMaterials && scene.mMaterials[index]->Get(AI_MATKEY_NAME, name) == AI_SUCCESS &&
        name.length > 0)
        return name.C_Str();
    return "Material" + std::to_string(index + 1);
}

}  // namespace

ImportResult importMesh(const std::string& path) {
    ImportResult result;
    Assimp::Importer importer;
    // Node transforms are applied to the vertices; nothing else is changed.
    importer.SetPropertyBool(AI_CONFIG_PP_PTV_KEEP_HIERARCHY, true);
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_PreTransformVertices |
                                                       aiProcess_SortByPType);
    if (!scene || !scene->mRootNode) {
        result.error = importer.GetErrorString();
        if (result.error.empty()) result.error = "The file could not be read as a model.";
        return result;
    }
    std::vector<Group> groups;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& mesh = *scene->mMeshes[m];
        Group g;
        g.material = mesh.mMaterialIndex;
        g.name = mesh.mName.length > 0 ? mesh.mName.C_Str() : materialName(*scene, mesh.mMaterialIndex);
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
    if (groups.empty()) {
        result.error = "The file holds no triangles.";
        return result;
    }
    const size_t meshes = groups.size();
    if (groups.size() > KORVID_MAX_SURFACES) {
        // One surface per material, in the order the materials first appear.
        std::vector<Group> byMaterial;
        std::map<unsigned, size_t> at;
        for (Group& g : groups) {
            auto [it, added] = at.emplace(g.material, byMaterial.size());
            if (added) byMaterial.push_back({materialName(*scene, g.material), g.material, {}});
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
        result.note = std::to_string(meshes) + " meshes were merged into " + std::to_string(groups.size()) +
                      " surfaces by material; a model holds at most 10.";
    }
    std::vector<MeshSurface> surfaces;
    for (const Group& g : groups)
        surfaces.push_back({g.name.c_str(), g.triangles.data(), static_cast<int32_t>(g.triangles.size() / 9)});
    if (!objAddMesh(surfaces.data(), static_cast<int32_t>(surfaces.size()))) {
        result.error = objGetLastError();
        return result;
    }
    result.ok = true;
    return result;
}

std::string supportedPatterns() {
    Assimp::Importer importer;
    std::string list;
    importer.GetExtensionList(list);  // "*.3ds;*.obj;..."
    for (char& c : list)
        if (c == ';') c = ' ';
    return list;
}

}  // namespace korvid::import

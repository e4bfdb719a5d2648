// Reading of ZOB entity files: the file's text is parsed first, then the
// images, the model and its emitters are added in the order the file gives.
#include <cstring>
#include <filesystem>
#include <string>

#include "context.h"
#include "textscan.h"
#include "zob_parse.h"

namespace korvid {
namespace {

// Tries the image path from the image folder (or the working directory), then from the folder of the file being read.
Failure addImage(TextureLibrary& library, TextureInfo info, const std::filesystem::path& folder) {
    Failure code = addTexture(library, info);
    if (code == Failure::ImageNotFound && info.path[0] != '/' && !folder.empty()) {
        const std::string beside = (folder / info.path).string();
        if (beside.size() < sizeof info.path) {
            std::strcpy(info.path, beside.c_str());
            code = addTexture(library, info);
        }
    }
    return code;
}

// Gives the emitters their curves and shapes; every shape is made before any
// is set, so a refusal leaves the emitters as the records alone made them.
bool commitExtensions(const ParsedExtensions& parsed, Model& model) {
    if (parsed.failureLine != 0) {
        fail(Failure::ExtensionData, std::to_string(parsed.failureLine).c_str(), parsed.failure.c_str());
        return false;
    }
    ParticleSystem& ps = model.particles;
    std::vector<ShapeState> shapes(parsed.emitters.size());
    for (size_t i = 0; i < parsed.emitters.size(); ++i) {
        const EmitterExtras& extras = parsed.emitters[i];
        const char* why = "";
        if (extras.hasShape && makeShape(extras.shape, &model, shapes[i], &why, true) != Failure::None) {
            fail(Failure::ExtensionData, std::to_string(extras.shapeLine).c_str(), why);
            return false;
        }
    }
    for (size_t i = 0; i < parsed.emitters.size() && i < ps.emitters.size(); ++i) {
        const EmitterExtras& extras = parsed.emitters[i];
        Emitter& e = *ps.emitters[i];
        const char* why = "";
        for (int which = 0; which < 2; ++which)
            if (extras.hasCurve[which])
                setLifeCurve(e.curves[which], which, extras.curves[which].data(),
                             static_cast<int32_t>(extras.curves[which].size()), &why);
        if (extras.hasShape) e.shape = std::move(shapes[i]);
        e.fields = extras.fields;
        e.colliders = heldColliders(extras, model, *context().store);
        if (setLook(e, extras.look, &why) != Failure::None) {
            fail(Failure::OutOfMemory, why);
            return false;
        }
    }
    return true;
}

}  // namespace

bool commitZob(ParsedEntity&& parsed, const std::string& folder, bool imagesGiven) {
    Context& c = context();
    if (parsed.failure == Failure::Cancelled) {
        fail(Failure::Cancelled, "the load was stopped; the scene is as it was");
        return false;
    }
    if (parsed.needsMoreMemory) {
        const std::string why = "the file needs more than the " + std::to_string(c.loadMemoryLimit >> 20) +
                                " MiB a load may take (objSetLoadMemoryLimit)";
        fail(Failure::OutOfMemory, why.c_str());
        return false;
    }
    if (parsed.failure == Failure::VersionMismatch) {
        fail(Failure::VersionMismatch, parsed.header.c_str(), kZobVersion);
        return false;
    }
    for (const TextureInfo& info : parsed.images) {
        if (imagesGiven) continue;  // already in the library, from their pixels
        const Failure code = addImage(*c.textures, info, folder);
        if (code != Failure::None) {
            fail(code);
            return false;
        }
    }
    // The model (and with it the reseeding of the generator) comes after the
    // images, whether or not its surfaces were read.
    std::unique_ptr<Model> model = newModel();
    if (parsed.failure == Failure::VerticesData) {
        fail(Failure::VerticesData);
        return false;
    }
    model->polygonCount = parsed.polygonCount;
    model->surfaceCount = parsed.surfaceCount;
    for (size_t i = 0; i < parsed.surfaces.size(); ++i) model->surfaces[i] = std::move(parsed.surfaces[i]);
    buildModelOutline(*model);
    Model* added = appendModel(*c.store, std::move(model));
    selectModel(*c.store, c.store->count());
    for (int32_t i = 0; i < added->surfaceCount; ++i) {
        Surface& s = added->surfaces[i];
        if (s.textureCount == 1 || s.textureCount == 2) s.texture1Id = findTextureId(*c.textures, s.texture1Name);
        if (s.textureCount == 2) s.texture2Id = findTextureId(*c.textures, s.texture2Name);
    }

    ParticleSystem& ps = added->particles;
    int64_t pooled = pooledParticles(ps, nullptr);
    for (size_t i = 0; i < parsed.emitters.size(); ++i) {
        const ParsedEmitter& e = parsed.emitters[i];
        // Pools are allocated as emitters are added, within the library's limit.
        Failure why = Failure::None;
        if (appendEmitter(ps, e.record, pooled, &why) == 0) {
            if (why == Failure::OutOfMemory) failPool(e.record.totalParticles);
            else fail(Failure::ParticleDataLimit);
            return false;
        }
        if (e.hasBurst) {
            selectEmitter(ps, static_cast<int32_t>(i));
            setBurst(ps, e.burst);
        }
    }
    if (parsed.failure == Failure::ParticleData) {
        fail(Failure::ParticleData);
        return false;
    }
    for (int32_t i = 0; i < ps.count(); ++i) {
        selectEmitter(ps, i);
        EmitterData* e = ps.currentEmitter();
        if (e->particleType == 3) e->textureId = findTextureId(*c.textures, e->imageName);
    }
    return commitExtensions(parsed.extensions, *added);
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objLoadZOB(const char* path) try {
    simulationChanged();
    if (!context().store) {
        fail(Failure::NoModel);
        return false;
    }
    FileText file(path);
    if (!file.ok()) {
        fail(Failure::FileNotFound);
        return false;
    }
    Progress progress(context().progress);
    const LoadLimits limits{context().loadMemoryLimit, &progress};
    return commitZob(parseZob(file.text(), limits), std::filesystem::path(path).parent_path().string());
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objLoadZOBFromMemory(const char* text, int64_t size, const char* imageFolder) try {
    simulationChanged();
    if (!context().store) {
        fail(Failure::NoModel);
        return false;
    }
    if (!text || size < 0) {
        fail(Failure::GameRefused, !text ? "the text is missing" : "a size cannot be negative");
        return false;
    }
    std::string folder;
    if (imageFolder && *imageFolder) {
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(imageFolder, ec);
        if (ec || !std::filesystem::is_directory(path, ec)) {
            fail(Failure::GameRefused, "the image folder is not a folder");
            return false;
        }
        folder = path.lexically_normal().string();
    }
    Progress progress(context().progress);
    const LoadLimits limits{context().loadMemoryLimit, &progress};
    return commitZob(parseZob(std::string_view(text, size_t(size)), limits), folder);
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetImageFolder(const char* folder) try {
    Context& c = context();
    if (!folder || !*folder) {
        c.imageFolder.clear();
        return true;
    }
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(folder, ec);
    if (ec || !std::filesystem::is_directory(path, ec)) {
        fail(Failure::BadArgument);
        return false;
    }
    c.imageFolder = path.lexically_normal().string();
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int64_t objSetLoadMemoryLimit(int64_t bytes) {
    Context& c = context();
    c.loadMemoryLimit = bytes > 0 ? bytes : kDefaultLoadMemoryLimit;
    return c.loadMemoryLimit;
}

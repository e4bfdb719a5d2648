// Publishing the scene to the live link, and applying a published scene as
// one change: every model's text is parsed and every image checked first;
// then the models and images are replaced together, and put back as they
// were if any part cannot be committed. Instances follow their model's new
// emitters, keeping their id, place, visibility and moment.
#include "live_apply.h"

#include <algorithm>
#include <cstring>

#include "context.h"
#include "instances.h"
#include "zob_parse.h"

namespace korvid {
namespace {

// The longest stretch of a model's or instance's past that is played again
// after an edit; effects whose particles live shorter look as before.
constexpr int64_t kMaxReplayMs = 60000;

// Milliseconds a particle system has played since its restart.
int64_t playedMs(const ParticleSystem& ps) {
    int64_t ms = 0;
    for (const auto& e : ps.emitters) ms = std::max(ms, e->elapsedMs);
    return ms;
}

// Plays a system again up to the moment it was at (at most kMaxReplayMs of
// it), in the steps a game's clock takes, without telling of contacts.
void replay(ParticleSystem& ps, int64_t ms, int32_t step) {
    for (int64_t t = std::max<int64_t>(0, ms - kMaxReplayMs) / step * step; t + step <= ms; t += step)
        simulateParticleSystem(ps, step);
}

struct KeptInstance {
    int32_t id;
    size_t model;
    float matrix[16];
    bool visible;
    int64_t played;
};

}  // namespace

LiveScene currentLiveScene() {
    const Context& c = context();
    LiveScene scene;
    for (const auto& m : c.store->models) scene.entities.push_back(entityText(*m));
    for (const auto& image : c.textures->entries) {
        LiveImage out;
        out.info = *image;
        out.info.pixels = nullptr;
        out.info.textureId = 0;
        out.info.alpha = image->alpha == 1 ? 1 : 0;  // any other value is read as no alpha
        const size_t bytes = size_t(image->width) * size_t(image->height) * (image->alpha == 1 ? 4 : 3);
        out.pixels.assign(image->pixelData.begin(), image->pixelData.begin() + std::min(bytes, image->pixelData.size()));
        scene.images.push_back(std::move(out));
    }
    return scene;
}

bool applyLiveScene(const LiveScene& scene) {
    Context& c = context();
    // Everything is read and checked before anything changes.
    std::vector<ParsedEntity> parsed;
    const LoadLimits limits{c.loadMemoryLimit, nullptr};
    for (size_t k = 0; k < scene.entities.size(); ++k) {
        parsed.push_back(parseZob(scene.entities[k], limits));
        const ParsedEntity& p = parsed.back();
        const std::string which = "model " + std::to_string(k + 1) + ": ";
        if (p.failure != Failure::None || p.needsMoreMemory || p.extensions.failureLine != 0) {
            fail(Failure::LiveLink, (which + "its text is not a whole entity").c_str());
            return false;
        }
        for (const TextureInfo& image : p.images) {
            const bool sent = std::any_of(scene.images.begin(), scene.images.end(), [&](const LiveImage& i) {
                return std::strcmp(i.info.name, image.name) == 0;
            });
            if (!sent) {
                fail(Failure::LiveLink, (which + "the pixels of image \"" + image.name + "\" were not sent").c_str());
                return false;
            }
        }
    }
    // What the instances and models were doing.
    std::vector<KeptInstance> kept;
    for (const auto& i : c.store->instances) {
        KeptInstance k{i->id, 0, {}, i->visible, playedMs(i->particles)};
        for (size_t m = 0; m < c.store->models.size(); ++m)
            if (c.store->models[m].get() == i->model) k.model = m;
        std::memcpy(k.matrix, i->matrix, sizeof k.matrix);
        kept.push_back(k);
    }
    std::vector<int64_t> modelsPlayed;
    std::vector<bool> modelsHidden;  // the game's to say, not the editor's
    for (const auto& m : c.store->models) {
        modelsPlayed.push_back(playedMs(m->particles));
        modelsHidden.push_back(m->hidden);
    }
    int32_t current = -1;
    for (size_t m = 0; m < c.store->models.size(); ++m)
        if (c.store->models[m].get() == c.store->current) current = int32_t(m);
    const int32_t nextId = c.store->nextInstanceId;

    // The new scene is built beside the old one, which comes back on any failure.
    std::unique_ptr<ModelStore> oldStore = std::move(c.store);
    std::unique_ptr<TextureLibrary> oldTextures = std::move(c.textures);
    auto restore = [&] {
        c.store = std::move(oldStore);
        c.textures = std::move(oldTextures);
        return false;
    };
    try {
        c.store = std::make_unique<ModelStore>();
        c.textures = std::make_unique<TextureLibrary>();
        c.textures->headless = c.headless;
        for (const LiveImage& image : scene.images)
            if (addTexturePixels(*c.textures, image.info, image.pixels.data()) != Failure::None) {
                fail(Failure::LiveLink, "the images do not fit the library");
                return restore();
            }
        for (ParsedEntity& p : parsed)
            if (!commitZob(std::move(p), "", true)) return restore();
        c.store->nextInstanceId = nextId;
        const int32_t step = c.clock.fixedStep > 0 ? c.clock.fixedStep : kDefaultSeekStep;
        for (const KeptInstance& k : kept) {
            if (k.model >= c.store->models.size()) continue;  // its model is gone, and the instance with it
            Instance* i = addInstance(*c.store, *c.store->models[k.model], k.id, k.matrix);
            if (!i) {
                fail(Failure::OutOfMemory, "the instances' particles");
                return restore();
            }
            i->visible = k.visible;
            replay(i->particles, k.played, step);
        }
        for (size_t m = 0; m < c.store->models.size() && m < modelsPlayed.size(); ++m) {
            c.store->models[m]->hidden = modelsHidden[m];
            replay(c.store->models[m]->particles, modelsPlayed[m], step);
        }
        selectModel(*c.store, current >= 0 ? current : 0);
    } catch (...) {
        restore();
        throw;
    }
    simulationChanged();
    c.timeline.restarted();
    return true;
}

}  // namespace korvid

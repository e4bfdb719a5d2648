// A game on the live link, for the two-process tests: it plays an effect of
// its own as an instance on its own clock, connects to the editor's address
// and tells on its standard output what each poll did.
//   korvid_live_game ADDRESS EFFECT.zob   play, connect and report
//   korvid_live_game --seed OUT EFFECT.zob  write a scene message of the effect (a fuzzing seed)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "context.h"
#include "korvid.h"
#include "live_apply.h"
#include "live_message.h"

using namespace korvid;

namespace {

int64_t played(const ParticleSystem& ps) {
    int64_t ms = 0;
    for (const auto& e : ps.emitters) ms = std::max(ms, e->elapsedMs);
    return ms;
}

// One line about the scene: models, the first model's emitters and their
// names, the images, and the instance's place and moment.
void report(const char* what, KorvidInstance instance) {
    const Context& c = context();
    std::string names, images;
    if (!c.store->models.empty())
        for (const auto& e : c.store->models[0]->particles.emitters) names += std::string(e->data.name) + ",";
    for (const auto& i : c.textures->entries) images += std::string(i->name) + ",";
    float m[16] = {};
    objGetInstanceTransform(instance, m);
    int64_t moment = -1;
    for (const auto& i : c.store->instances)
        if (i->id == instance) moment = played(i->particles);
    std::printf("%s models=%d hidden=%d emitters=%s images=%s instance=%d x=%g moment=%lld\n", what, c.store->count(),
                c.store->count() > 0 ? int(c.store->models[0]->hidden) : -1, names.c_str(), images.c_str(),
                objGetInstanceParticles(instance) >= 0 ? instance : 0, m[12], static_cast<long long>(moment));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: korvid_live_game ADDRESS EFFECT.zob | --seed OUT EFFECT.zob\n");
        return 2;
    }
    objStartHeadless();
    objSetFixedFrameTime(15);
    const bool seed = std::strcmp(argv[1], "--seed") == 0;
    if (!objLoadZOB(argv[seed ? 3 : 2])) {
        std::printf("load %s\n", objGetLastError());
        return 1;
    }
    if (seed) {
        std::ofstream(argv[2], std::ios::binary) << liveFrame(LiveKind::Scene, encodeScene(currentLiveScene()));
        return 0;
    }
    objSetVisible(0, -1, false);
    const KorvidInstance instance = objCreateInstance(0);
    const float place[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
    objSetInstanceTransform(instance, place);
    objAdvance(900);
    if (!objLiveLinkConnect(argv[1])) {
        std::printf("refused %d %s\n", objGetLastFailure(), objGetLastError());
        return 1;
    }
    std::printf("connected\n");
    std::fflush(stdout);
    // Frames of 2 ms of real time until the link ends, at most 30 s; the
    // game's clock stands still, so its moment is the one it had.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end) {
        const int32_t result = objLiveLinkPoll();
        if (result == 1) report("applied", instance);
        if (result < 0) {
            std::printf("refused %d %s\n", objGetLastFailure(), objGetLastError());
            std::fflush(stdout);
            report("kept", instance);
            if (objLiveLinkPeers() == 0) {  // the link has ended
                std::printf("closed\n");
                std::fflush(stdout);
                return 0;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

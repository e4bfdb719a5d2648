// Fuzz target: the ZOB entity reader, images and particle systems included,
// from a file (inputs of even size) or from memory on a game's clock (odd),
// played as an instance too and handed over as vertices.
#include "fuzz_target.h"
#include "korvid.h"
#include "platform.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A fixed clock and seed: every input runs the same frames each time.
    static uint32_t now = 0;
    korvid::platform::setClockSource([] { return now; });
    korvid::fuzz::startLibrary();
    korvid::platform::seedRandom(1);
    korvid::platform::lockRandomSeed(true);
    const std::string path = korvid::fuzz::writeInput(data, size, ".zob");
    const CameraData camera{0, 0, -5, 10, 20, 0};
    if (size % 2 == 1) {
        const std::string folder = path.substr(0, path.rfind('/') + 1);
        objLoadZOBFromMemory(reinterpret_cast<const char*>(data), int64_t(size), folder.c_str());
        const KorvidInstance instance = objCreateInstance(0);
        const float placed[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 2, 0, -1, 1};
        objSetInstanceTransform(instance, placed);
        for (int32_t ms : {15, 7, 40, 0}) objAdvance(ms);
        // The vertices of everything, written where there is room for them.
        const int32_t count = objGetParticleVertices(-1, &camera, nullptr, 0);
        if (count > 0 && count <= (1 << 20)) {
            std::vector<ParticleVertex> vertices(static_cast<size_t>(count));
            objGetParticleVertices(-1, &camera, vertices.data(), count);
            ParticleDrawHint hint;
            for (int32_t e = 0; objGetParticleDrawHint(e, &hint); ++e) objGetParticleVertices(e, &camera, vertices.data(), count);
        }
    } else {
        objLoadZOB(path.c_str());
    }
    // Whatever was loaded must also simulate, draw and save without harm:
    // a few ordinary frames, one very long one, and one more.
    for (uint32_t delta : {15u, 15u, 40u, 0x7fffffffu, 15u}) {
        now += delta;
        objRender(&camera);
    }
    objSaveZOB((path + ".out.zob").c_str());
    objNew();
    korvid::platform::lockRandomSeed(false);
    return 0;
}

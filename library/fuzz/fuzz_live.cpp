// Fuzz target: what a game takes from the live link. The bytes are a
// stream of frames; every scene in it is decoded and, when it decodes,
// applied to a library playing an instance, which then plays on and hands
// over its vertices.
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "korvid.h"
#include "live_apply.h"
#include "live_message.h"
#include "platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvid::fuzz::startLibrary();
    korvid::platform::seedRandom(1);
    korvid::platform::lockRandomSeed(true);
    objSetFixedFrameTime(15);
    objAddMesh(nullptr, 0);
    EmitterData e;
    objInitEmitter(&e);
    objAddEmitter(&e);
    const KorvidInstance instance = objCreateInstance(0);
    objAdvance(45);
    korvid::LiveFrameReader reader;
    reader.add(reinterpret_cast<const char*>(data), size);
    korvid::LiveKind kind;
    std::string payload;
    while (reader.next(kind, payload)) {
        korvid::LiveScene scene;
        if (kind == korvid::LiveKind::Scene && !korvid::decodeScene(payload, scene)) korvid::applyLiveScene(scene);
    }
    objAdvance(30);
    objGetInstanceParticles(instance);
    const CameraData camera{0, 0, -5, 10, 20, 0};
    const int32_t count = objGetParticleVertices(-1, &camera, nullptr, 0);
    if (count > 0 && count <= (1 << 20)) {
        std::vector<ParticleVertex> vertices(static_cast<size_t>(count));
        objGetParticleVertices(-1, &camera, vertices.data(), count);
    }
    objSetFixedFrameTime(-1);
    objNew();
    korvid::platform::lockRandomSeed(false);
    return 0;
}

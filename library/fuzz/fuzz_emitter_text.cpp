// Fuzz target: an emitter's clipboard text, parsed in memory, then pasted
// through the library onto a model, simulated and drawn, copied and pasted
// again.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_target.h"
#include "korvid.h"
#include "particles.h"
#include "platform.h"
#include "zob_parse.h"

namespace {

// What objPasteEmitter does with the text on a one-triangle model: a paste
// that succeeds simulates and draws, and its copy pastes again.
// `parsed`: whether the in-memory parse took the text, which the library's
// paste must agree with.
void pasteOnAModel(const std::string& text, bool parsed) {
    static uint32_t now = 0;
    korvid::platform::setClockSource([] { return now; });
    korvid::fuzz::startLibrary();
    objNew();
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface surface{"Body", triangle, 1};
    if (!objAddMesh(&surface, 1)) __builtin_trap();
    if (objPasteEmitter(text.c_str(), 0) == 0) {
        if (objGetLastFailure() == KORVID_FAILURE_NONE) __builtin_trap();  // a refusal has its code
        return;
    }
    if (!parsed) __builtin_trap();  // the library took a text the parse refuses
    const CameraData camera{0, 0, -5, 10, 20, 0};
    for (uint32_t delta : {15u, 15u, 400u}) {
        now += delta;
        objRender(&camera);
    }
    if (objSetEmitterPtr(0) != 1) __builtin_trap();
    const int32_t length = objCopyEmitter(nullptr, 0);
    if (length <= 0) __builtin_trap();
    std::vector<char> copy(size_t(length) + 1);
    if (objCopyEmitter(copy.data(), length + 1) != length) __builtin_trap();
    if (objPasteEmitter(copy.data(), 1) != 2) __builtin_trap();  // what was copied always pastes
    objNew();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    korvid::ParsedEmitter emitter;
    korvid::ParsedExtensions extras;
    std::string why;
    // The library sees the text up to its first zero, as a C string.
    const std::string cText(text.substr(0, text.find('\0')));
    {
        korvid::ParsedEmitter e;
        korvid::ParsedExtensions x;
        std::string w;
        const bool parsed = korvid::parseEmitterText(cText, e, x, w);
        // Pools beyond a few hundred thousand particles are the limit tests'
        // business, not a fuzzer's memory.
        if (!parsed || (e.record.totalParticles >= 0 && e.record.totalParticles <= 100000)) pasteOnAModel(cText, parsed);
    }
    if (!korvid::parseEmitterText(text, emitter, extras, why)) {
        if (why.empty()) __builtin_trap();  // every refusal says why
        return 0;
    }
    // A parse that succeeds holds one emitter's entry at most, each curve one the library takes.
    if (extras.present && extras.emitters.size() != 1) __builtin_trap();
    for (const korvid::EmitterExtras& e : extras.emitters)
        for (int which = 0; which < 2; ++which) {
            korvid::LifeCurve curve;
            const char* refusal = "";
            if (e.hasCurve[which] && korvid::setLifeCurve(curve, which, e.curves[which].data(),
                                                          int32_t(e.curves[which].size()), &refusal) != korvid::Failure::None)
                __builtin_trap();
        }
    return 0;
}

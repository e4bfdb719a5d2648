// Fuzz target: an emitter's clipboard text, parsed in memory, and when it
// parses, pasted into a model without OpenGL drawing and copied again.
#include <string>
#include <string_view>

#include "particles.h"
#include "zob_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    korvid::ParsedEmitter emitter;
    korvid::ParsedExtensions extras;
    std::string why;
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

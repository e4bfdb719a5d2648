// Fuzz target: frame lists and output names, in memory. The input's first
// line is the list, the rest the output name.
#include <string>

#include "frame_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string list = input.substr(0, newline);
    const std::string pattern = newline == std::string::npos ? std::string() : input.substr(newline + 1);
    std::string error;
    const auto frames = korvid::media::parseFrameList(list, &error);
    // What a list gives is always ascending, each frame once, within the limits.
    if (frames.size() > korvid::media::kMaxListedFrames) __builtin_trap();
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] < 1 || frames[i] > korvid::media::kMaxFrame) __builtin_trap();
        if (i > 0 && frames[i] <= frames[i - 1]) __builtin_trap();
    }
    if (frames.empty() && error.empty()) __builtin_trap();
    std::string out;
    if (korvid::media::expandFramePattern(pattern, frames.empty() ? 1 : frames.back(), &out, &error) &&
        !korvid::media::hasFramePlaceholder(pattern) && out != pattern)
        __builtin_trap();  // a name without a placeholder stays as it is
    return 0;
}

// Frame lists as render-farm tools write them ("1-30,47,60-90:2": ranges,
// single frames and stepped ranges) and output names with a frame number
// ("shot_{frame:04}.png"). Parsed into plain values first, so that they can
// be tested and fuzzed in memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvid::media {

constexpr int64_t kMaxFrame = 10000000;
constexpr size_t kMaxListedFrames = 100000;  // one run; a farm splits longer lists into chunks

// The frames of `text` in ascending order, each once; empty with `error`
// set for a list that is empty, malformed, out of 1..kMaxFrame or longer
// than kMaxListedFrames frames.
std::vector<int32_t> parseFrameList(const std::string& text, std::string* error);

// `pattern` with every "{frame}" or "{frame:0N}" (N 1..9: zero-padded to N
// digits) replaced by `frame`; false with `error` for an unknown or
// unclosed placeholder.
bool expandFramePattern(const std::string& pattern, int32_t frame, std::string* out, std::string* error);
// Whether `pattern` names the frame at all (holds a placeholder).
bool hasFramePlaceholder(const std::string& pattern);

}  // namespace korvid::media

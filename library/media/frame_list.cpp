#include "frame_list.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace korvid::media {

namespace {

// Reads a whole number at text[at...]; false when there is none or it passes kMaxFrame.
bool readNumber(const std::string& text, size_t& at, int64_t& value) {
    const size_t start = at;
    value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = value * 10 + (text[at] - '0');
        if (value > kMaxFrame) return false;
        ++at;
    }
    return at > start;
}

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

std::vector<int32_t> parseFrameList(const std::string& text, std::string* error) {
    std::vector<int32_t> frames;
    size_t at = 0;
    auto refuse = [&](const std::string& why) {
        fail(error, why);
        return std::vector<int32_t>{};
    };
    if (text.empty()) return refuse("the frame list is empty");
    while (true) {
        int64_t first = 0, last = 0, step = 1;
        if (!readNumber(text, at, first))
            return refuse("a frame number from 1 to 10000000 is missing at \"" + text.substr(at, 12) + "\"");
        last = first;
        if (at < text.size() && text[at] == '-') {
            ++at;
            if (!readNumber(text, at, last)) return refuse("a range needs an end frame from 1 to 10000000");
            if (at < text.size() && text[at] == ':') {
                ++at;
                if (!readNumber(text, at, step) || step < 1) return refuse("a step needs a number from 1 to 10000000");
            }
        }
        if (first < 1 || last < first) return refuse("frames count from 1, and a range goes upwards");
        if (static_cast<size_t>((last - first) / step) + 1 > kMaxListedFrames - std::min(frames.size(), kMaxListedFrames))
            return refuse("the list holds more than 100000 frames");
        for (int64_t f = first; f <= last; f += step) frames.push_back(static_cast<int32_t>(f));
        if (at == text.size()) break;
        if (text[at] != ',') return refuse(std::string("unexpected \"") + text[at] + "\" in the frame list");
        ++at;
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

bool hasFramePlaceholder(const std::string& pattern) { return pattern.find("{frame") != std::string::npos; }

bool expandFramePattern(const std::string& pattern, int32_t frame, std::string* out, std::string* error) {
    std::string result;
    size_t at = 0;
    while (at < pattern.size()) {
        const size_t open = pattern.find('{', at);
        if (open == std::string::npos) {
            result.append(pattern, at, std::string::npos);
            break;
        }
        result.append(pattern, at, open - at);
        const size_t close = pattern.find('}', open);
        if (close == std::string::npos) return fail(error, "an unclosed { in the output name");
        const std::string field = pattern.substr(open + 1, close - open - 1);
        int width = 0;
        if (field == "frame") {
            width = 0;
        } else if (field.size() == 8 && field.compare(0, 7, "frame:0") == 0 && field[7] >= '1' && field[7] <= '9') {
            width = field[7] - '0';
        } else {
            return fail(error, "the output name knows {frame} and {frame:0N} only, not {" + field + "}");
        }
        char digits[32];
        std::snprintf(digits, sizeof digits, "%0*d", width, frame);
        result += digits;
        at = close + 1;
    }
    *out = result;
    return true;
}

}  // namespace korvid::media

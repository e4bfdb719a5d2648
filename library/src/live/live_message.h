// What the live link carries: frames of a kind and a length, and the scene
// a serving editor publishes (each model as ZOB text, and the images'
// decoded pixels). Decoding checks everything into a plain value before
// anything is applied, so a damaged or hostile message changes nothing.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "korvid.h"

namespace korvid {

// The largest frame either end takes; a larger one ends the link.
constexpr uint64_t kMaxLiveFrame = uint64_t(256) << 20;
constexpr uint32_t kMaxLiveEntities = 64;
constexpr int32_t kMaxLiveImageSide = 16384;
constexpr size_t kMaxLiveKey = 64;

enum class LiveKind : uint32_t {
    Hello = 1,  // the key (empty on a Unix socket), first from each end
    Scene = 2,  // a published scene
};

struct LiveImage {
    TextureInfo info{};  // name, path, alpha, averaged, high, low, filter, width, height
    std::vector<unsigned char> pixels;  // width * height * (alpha ? 4 : 3) bytes
};

struct LiveScene {
    std::vector<std::string> entities;  // one ZOB text a model, in scene order
    std::vector<LiveImage> images;
};

// A frame's bytes: "KVLK", its kind and its payload's length, then the payload.
std::string liveFrame(LiveKind kind, std::string_view payload);
std::string encodeScene(const LiveScene& scene);
// Null and `out` filled, or why the payload is not a scene.
const char* decodeScene(std::string_view payload, LiveScene& out);

// Collects a stream's bytes into frames.
class LiveFrameReader {
public:
    // Adds bytes; false (with why()) when the stream can no longer be read:
    // a wrong magic, an unknown kind or a frame beyond kMaxLiveFrame.
    bool add(const char* data, size_t size);
    // The next complete frame, if any.
    bool next(LiveKind& kind, std::string& payload);
    const char* why() const { return why_; }

private:
    std::string buffer_;
    size_t read_ = 0;
    const char* why_ = nullptr;
};

}  // namespace korvid

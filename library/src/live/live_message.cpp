#include "live_message.h"

#include <cstring>

namespace korvid {
namespace {

constexpr char kMagic[4] = {'K', 'V', 'L', 'K'};
constexpr size_t kHeader = 16;  // magic, kind (u32), length (u64)

template <typename T>
void put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));  // little-endian machines only, as every reader here is
    out.append(bytes, sizeof(T));
}

void putText(std::string& out, std::string_view text) {
    put<uint64_t>(out, text.size());
    out.append(text);
}

// Reads values off a payload, refusing to read past its end.
class Cursor {
public:
    explicit Cursor(std::string_view data) : data_(data) {}
    template <typename T>
    bool get(T& value) {
        if (data_.size() - at_ < sizeof(T)) return false;
        std::memcpy(&value, data_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }
    bool text(std::string_view& out, uint64_t limit) {
        uint64_t size = 0;
        if (!get(size) || size > limit || size > data_.size() - at_) return false;
        out = data_.substr(at_, size_t(size));
        at_ += size_t(size);
        return true;
    }
    bool done() const { return at_ == data_.size(); }

private:
    std::string_view data_;
    size_t at_ = 0;
};

bool copyName(char* out, size_t capacity, std::string_view text) {
    if (text.size() >= capacity || text.find('\0') != std::string_view::npos) return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

}  // namespace

std::string liveFrame(LiveKind kind, std::string_view payload) {
    std::string out(kMagic, sizeof kMagic);
    put<uint32_t>(out, uint32_t(kind));
    put<uint64_t>(out, payload.size());
    out.append(payload);
    return out;
}

std::string encodeScene(const LiveScene& scene) {
    std::string out;
    put<uint32_t>(out, uint32_t(scene.entities.size()));
    for (const std::string& text : scene.entities) putText(out, text);
    put<uint32_t>(out, uint32_t(scene.images.size()));
    for (const LiveImage& image : scene.images) {
        const TextureInfo& i = image.info;
        putText(out, i.name);
        putText(out, i.path);
        for (int32_t v : {i.alpha, i.averaged, i.high, i.low, i.filter, i.width, i.height}) put<int32_t>(out, v);
        putText(out, std::string_view(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size()));
    }
    return out;
}

const char* decodeScene(std::string_view payload, LiveScene& out) {
    Cursor in(payload);
    LiveScene scene;
    uint32_t entities = 0;
    if (!in.get(entities)) return "the scene is cut short";
    if (entities == 0 || entities > kMaxLiveEntities) return "the scene holds no models or too many";
    for (uint32_t k = 0; k < entities; ++k) {
        std::string_view text;
        if (!in.text(text, kMaxLiveFrame)) return "a model's text is cut short";
        scene.entities.emplace_back(text);
    }
    uint32_t images = 0;
    if (!in.get(images)) return "the scene is cut short";
    if (images > KORVID_MAX_TEXTURES) return "the scene holds more images than the library takes";
    for (uint32_t k = 0; k < images; ++k) {
        LiveImage image;
        TextureInfo& i = image.info;
        std::string_view name, path, pixels;
        if (!in.text(name, KORVID_IMAGE_NAME_SIZE) || !in.text(path, KORVID_PATH_SIZE)) return "an image is cut short";
        if (!copyName(i.name, sizeof i.name, name) || !copyName(i.path, sizeof i.path, path) || name.empty())
            return "an image's name or path is not a name";
        for (int32_t* v : {&i.alpha, &i.averaged, &i.high, &i.low, &i.filter, &i.width, &i.height})
            if (!in.get(*v)) return "an image is cut short";
        if (i.alpha != 0 && i.alpha != 1) return "an image's alpha is neither 0 nor 1";
        if (i.width < 1 || i.height < 1 || i.width > kMaxLiveImageSide || i.height > kMaxLiveImageSide)
            return "an image's size is out of range";
        const uint64_t bytes = uint64_t(i.width) * uint64_t(i.height) * (i.alpha ? 4u : 3u);
        if (!in.text(pixels, kMaxLiveFrame) || pixels.size() != bytes) return "an image's pixels do not fill it";
        for (const LiveImage& other : scene.images)
            if (std::strcmp(other.info.name, i.name) == 0) return "two images have the same name";
        image.pixels.assign(pixels.begin(), pixels.end());
        scene.images.push_back(std::move(image));
    }
    if (!in.done()) return "bytes follow the scene";
    out = std::move(scene);
    return nullptr;
}

bool LiveFrameReader::add(const char* data, size_t size) {
    if (why_) return false;
    // Read frames are dropped from the front before the buffer grows again.
    if (read_ > 0 && read_ == buffer_.size()) {
        buffer_.clear();
        read_ = 0;
    } else if (read_ > (1u << 20)) {
        buffer_.erase(0, read_);
        read_ = 0;
    }
    buffer_.append(data, size);
    // The header of the frame waiting is checked as soon as it is whole.
    const std::string_view waiting = std::string_view(buffer_).substr(read_);
    if (waiting.size() >= kHeader) {
        uint32_t kind = 0;
        uint64_t length = 0;
        std::memcpy(&kind, waiting.data() + 4, 4);
        std::memcpy(&length, waiting.data() + 8, 8);
        if (std::memcmp(waiting.data(), kMagic, 4) != 0) why_ = "the peer does not speak the live link";
        else if (kind != uint32_t(LiveKind::Hello) && kind != uint32_t(LiveKind::Scene)) why_ = "an unknown message";
        else if (length > kMaxLiveFrame) why_ = "a message larger than 256 MiB";
    }
    return why_ == nullptr;
}

bool LiveFrameReader::next(LiveKind& kind, std::string& payload) {
    if (why_) return false;
    const std::string_view waiting = std::string_view(buffer_).substr(read_);
    if (waiting.size() < kHeader) return false;
    uint32_t k = 0;
    uint64_t length = 0;
    std::memcpy(&k, waiting.data() + 4, 4);
    std::memcpy(&length, waiting.data() + 8, 8);
    if (std::memcmp(waiting.data(), kMagic, 4) != 0 || (k != 1 && k != 2) || length > kMaxLiveFrame) {
        why_ = "the peer does not speak the live link";
        return false;
    }
    if (waiting.size() - kHeader < length) return false;
    kind = LiveKind(k);
    payload.assign(waiting.substr(kHeader, size_t(length)));
    read_ += kHeader + size_t(length);
    return true;
}

}  // namespace korvid

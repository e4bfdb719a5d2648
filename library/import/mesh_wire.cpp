#include "mesh_wire.h"

#include <cstdint>
#include <cstring>

namespace korvid::import {
namespace {

constexpr uint32_t kMagic = 0x524D564B;  // "KVMR"
constexpr uint32_t kMaxGroups = 1024;

template <typename T>
void put(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putText(std::string& out, const std::string& text) {
    put<uint32_t>(out, static_cast<uint32_t>(text.size()));
    out += text;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    template <typename T>
    bool get(T& value) {
        if (rest_.size() < sizeof value) return false;
        std::memcpy(&value, rest_.data(), sizeof value);
        rest_.remove_prefix(sizeof value);
        return true;
    }
    bool text(std::string& out) {
        uint32_t length = 0;
        if (!get(length) || rest_.size() < length) return false;
        out.assign(rest_.data(), length);
        rest_.remove_prefix(length);
        return true;
    }
    bool floats(std::vector<float>& out) {
        uint64_t count = 0;
        if (!get(count) || count > rest_.size() / sizeof(float)) return false;
        out.resize(static_cast<size_t>(count));
        if (count) std::memcpy(out.data(), rest_.data(), static_cast<size_t>(count) * sizeof(float));
        rest_.remove_prefix(static_cast<size_t>(count) * sizeof(float));
        return true;
    }
    bool atEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

}  // namespace

std::string encodeMeshRead(const MeshRead& read) {
    std::string out;
    put<uint32_t>(out, kMagic);
    put<int32_t>(out, static_cast<int32_t>(read.code));
    putText(out, read.error);
    putText(out, read.note);
    put<uint32_t>(out, static_cast<uint32_t>(read.groups.size()));
    for (const MeshGroup& g : read.groups) {
        putText(out, g.name);
        put<uint64_t>(out, g.triangles.size());
        out.append(reinterpret_cast<const char*>(g.triangles.data()), g.triangles.size() * sizeof(float));
    }
    return out;
}

bool decodeMeshRead(std::string_view bytes, MeshRead& out) {
    Reader in(bytes);
    uint32_t magic = 0, groups = 0;
    int32_t code = 0;
    if (!in.get(magic) || magic != kMagic || !in.get(code)) return false;
    if (code < static_cast<int32_t>(ImportError::None) || code > static_cast<int32_t>(ImportError::ReaderFailed))
        return false;
    out = MeshRead{};
    out.code = static_cast<ImportError>(code);
    if (!in.text(out.error) || !in.text(out.note) || !in.get(groups) || groups > kMaxGroups) return false;
    for (uint32_t i = 0; i < groups; ++i) {
        MeshGroup g;
        if (!in.text(g.name) || !in.floats(g.triangles) || g.triangles.size() % 9 != 0) return false;
        out.groups.push_back(std::move(g));
    }
    return in.atEnd();
}

MeshRead refused(ImportError code, const std::string& name, const std::string& what) {
    MeshRead r;
    r.code = code;
    r.error = name + ": " + what;
    return r;
}

}  // namespace korvid::import

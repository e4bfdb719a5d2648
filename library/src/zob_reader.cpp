// Reading of ZOB entity files: images, one model with its surfaces, emitters.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "context.h"
#include "normals.h"
#include "textscan.h"

namespace korvid {
namespace {

constexpr const char* kVersion = "#ZOBv0.6.5";

struct EndOfFile {};

// Line-by-line access to the file with the scan conversions of the format.
// A conversion that fails leaves its target as it was.
class ZobLines {
public:
    ZobLines(std::string_view text, size_t start) : reader_(text) { reader_.seek(start); }

    std::string_view next() {
        if (!reader_.next(line_)) throw EndOfFile{};
        return line_;
    }
    std::string firstWord() {
        next();
        char word[256];
        const char* p = line_.data();
        if (!scanWord(p, p + line_.size(), word, sizeof word)) return {};
        return word;
    }
    void word(char (&out)[28]) {
        next();
        char word[256];
        const char* p = line_.data();
        if (scanWord(p, p + line_.size(), word, sizeof word)) copyName(out, word);
    }
    void text(char* out, size_t size) {
        next();
        char word[256];
        const char* p = line_.data();
        if (scanWord(p, p + line_.size(), word, sizeof word)) {
            const size_t n = std::min(std::strlen(word), size - 1);
            std::memcpy(out, word, n);
            out[n] = '\0';
        }
    }
    void integer(int32_t& out) {
        next();
        const char* p = line_.data();
        scanInt(p, p + line_.size(), out);
    }
    void floats(float* out, int count) {
        next();
        float values[6];
        const int n = scanFloats(line_, values, count);
        for (int i = 0; i < n; ++i) out[i] = values[i];
    }
    // Vertex lines must carry all their numbers.
    bool exactFloats(float* out, int count) { return scanFloats(next(), out, count) == count; }

private:
    LineReader reader_;
    std::string_view line_;
};

// Tries the image path from the working directory, then from the folder of the file being read.
Failure addImage(TextureLibrary& library, TextureInfo info, const std::filesystem::path& folder) {
    Failure code = addTexture(library, info);
    if (code == Failure::ImageNotFound && info.path[0] != '/' && !folder.empty()) {
        const std::string beside = (folder / info.path).string();
        if (beside.size() < sizeof info.path) {
            std::strcpy(info.path, beside.c_str());
            code = addTexture(library, info);
        }
    }
    return code;
}

void readSurface(ZobLines& in, Surface& s, size_t textSize) {
    if (in.firstWord() != "[SURFACE]") throw EndOfFile{};
    in.word(s.name);
    in.floats(s.position, 3);
    in.integer(s.blending);
    in.integer(s.culling);
    in.integer(s.anim1);
    in.integer(s.anim2);
    in.floats(s.animTranslate1, 3);
    in.floats(s.animRotate1, 3);
    in.floats(s.animTranslate2, 3);
    in.floats(s.animRotate2, 3);
    in.integer(s.genMode1);
    in.integer(s.genMode2);
    in.integer(s.planeMode1);
    in.integer(s.planeMode2);
    in.integer(s.textureCount);
    in.word(s.texture1Name);
    in.floats(s.sPlane1, 4);
    in.floats(s.tPlane1, 4);
    in.integer(s.texEnv1);
    in.word(s.texture2Name);
    in.floats(s.sPlane2, 4);
    in.floats(s.tPlane2, 4);
    in.integer(s.texEnv2);
    in.integer(s.smooth);
    in.floats(&s.angle, 1);
    in.floats(s.diffuse, 4);
    in.floats(s.ambient, 4);
    in.floats(s.specular, 4);
    in.floats(s.emission, 4);
    in.floats(&s.shininess, 1);
    in.integer(s.polygonCount);
    const std::string marker = in.firstWord();
    const bool withNormals = marker == "[VN]";
    if (!withNormals && marker != "[V]") return;  // no vertex data for this surface
    in.integer(s.vertexFloatCount);
    // Every vertex takes a line of at least six characters, so counts beyond
    // what the file could hold are damage, not a reason to allocate.
    const int64_t vertices = int64_t(s.vertexFloatCount) / 3;
    if (s.polygonCount < 0 || int64_t(s.vertexFloatCount) != 9 * int64_t(s.polygonCount) ||
        vertices > int64_t(textSize / 6))
        throw EndOfFile{};
    if (!s.allocate(s.polygonCount)) throw EndOfFile{};
    for (int64_t i = 0; i < vertices; ++i) {
        float values[6];
        if (!in.exactFloats(values, withNormals ? 6 : 3)) throw EndOfFile{};
        std::memcpy(s.vertices.get() + 3 * i, values, 3 * sizeof(float));
        if (withNormals) std::memcpy(s.vertexNormals.get() + 3 * i, values + 3, 3 * sizeof(float));
    }
    buildOutline(s.vertices.get(), s.vertexFloatCount, *s.outline);
    computeFaceNormals(s.vertices.get(), s.vertexFloatCount, s.faceNormals.get());
    // A smooth surface stored without normals gets them computed now.
    if (!withNormals && s.smooth)
        smoothNormals(s.vertices.get(), s.vertexFloatCount, s.faceNormals.get(), s.vertexNormals.get(), s.angle);
}

void readEmitter(ZobLines& in, EmitterData& e) {
    in.word(e.name);
    in.integer(e.particleType);
    in.integer(e.isReflected);
    in.floats(&e.groundPosition, 1);
    in.integer(e.isBurst);
    in.integer(e.isBurstOnGround);
    in.integer(e.isLighting);
    in.integer(e.isAltAlpha);
    in.integer(e.isLifespan);
    in.integer(e.lifespanTime);
    in.integer(e.isAttachToModel);
    in.floats(e.position, 3);
    in.floats(&e.yaw, 1);
    in.floats(&e.yawVar, 1);
    in.floats(&e.pitch, 1);
    in.floats(&e.pitchVar, 1);
    in.floats(&e.speed, 1);
    in.floats(&e.speedVar, 1);
    in.integer(e.totalParticles);
    in.integer(e.emitterPerCycle);
    in.integer(e.emitterPerCycleVar);
    in.integer(e.emitterTime);
    in.integer(e.life);
    in.integer(e.lifeVar);
    in.floats(e.startColor, 4);
    in.floats(e.startColorVar, 4);
    in.floats(e.endColor, 4);
    in.floats(e.endColorVar, 4);
    in.floats(&e.startSize, 1);
    in.floats(&e.startSizeVar, 1);
    in.floats(&e.endSize, 1);
    in.floats(&e.endSizeVar, 1);
    in.word(e.imageName);
    in.floats(e.force, 3);
}

void readBurst(ZobLines& in, BurstData& b) {
    in.integer(b.count);
    in.floats(&b.yaw, 1);
    in.floats(&b.yawVar, 1);
    in.floats(&b.pitch, 1);
    in.floats(&b.pitchVar, 1);
    in.floats(&b.speed, 1);
    in.floats(&b.speedVar, 1);
    in.integer(b.life);
    in.integer(b.lifeVar);
    in.floats(b.startColor, 4);
    in.floats(b.startColorVar, 4);
    in.floats(b.endColor, 4);
    in.floats(b.endColorVar, 4);
    in.floats(&b.startSize, 1);
    in.floats(&b.startSizeVar, 1);
    in.floats(&b.endSize, 1);
    in.floats(&b.endSizeVar, 1);
}

bool loadZob(const char* path) {
    Context& c = context();
    FileText file(path);
    if (!file.ok()) {
        fail(Failure::FileNotFound);
        return false;
    }
    const std::string_view text = file.text();
    // The header word: at most 31 characters after any leading white space.
    size_t pos = 0;
    while (pos < text.size() && std::strchr(" \t\n\v\f\r", text[pos]) && text[pos]) ++pos;
    const size_t start = pos;
    while (pos < text.size() && pos - start < 31 && !std::strchr(" \t\n\v\f\r", text[pos]) && text[pos]) ++pos;
    const std::string header(text.substr(start, pos - start));
    if (header != kVersion) {
        fail(Failure::VersionMismatch, header.c_str(), kVersion);
        return false;
    }

    ZobLines in(text, pos);
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::unique_ptr<Model> model;
    try {
        while (in.firstWord() == "[IMAGE]") {
            TextureInfo info{};
            in.text(info.path, sizeof info.path);
            in.text(info.name, sizeof info.name);
            in.integer(info.filter);
            in.integer(info.alpha);
            in.integer(info.averaged);
            in.integer(info.low);
            in.integer(info.high);
            const Failure code = addImage(*c.textures, info, folder);
            if (code != Failure::None) {
                fail(code);
                return false;
            }
        }
        model = newModel();
        in.integer(model->polygonCount);
        in.integer(model->surfaceCount);
        if (model->surfaceCount < 0 || model->surfaceCount > KORVID_MAX_SURFACES) throw EndOfFile{};
        for (int32_t i = 0; i < model->surfaceCount; ++i) readSurface(in, model->surfaces[i], text.size());
    } catch (const EndOfFile&) {
        fail(Failure::VerticesData);
        return false;
    }

    buildModelOutline(*model);
    Model* added = appendModel(*c.store, std::move(model));
    selectModel(*c.store, c.store->count());
    for (int32_t i = 0; i < added->surfaceCount; ++i) {
        Surface& s = added->surfaces[i];
        if (s.textureCount == 1 || s.textureCount == 2) s.texture1Id = findTextureId(*c.textures, s.texture1Name);
        if (s.textureCount == 2) s.texture2Id = findTextureId(*c.textures, s.texture2Name);
    }

    ParticleSystem& ps = added->particles;
    try {
        if (in.firstWord() != "[PARTICLE_SYSTEMS]") throw EndOfFile{};
        int32_t count = 0;
        in.integer(count);
        EmitterData working;
        initEmitter(working);
        BurstData burst = working.burst;
        for (int32_t i = 0; i < count; ++i) {
            if (in.firstWord() != "[EMITTER]") throw EndOfFile{};
            readEmitter(in, working);
            // Pools are allocated as emitters are added, within the library's limit.
            if (addEmitter(ps, working) == 0) {
                fail(Failure::ParticleDataLimit);
                return false;
            }
            if (working.isBurst) {
                readBurst(in, burst);
                selectEmitter(ps, i);
                setBurst(ps, burst);
            }
        }
    } catch (const EndOfFile&) {
        fail(Failure::ParticleData);
        return false;
    }
    for (int32_t i = 0; i < ps.count(); ++i) {
        selectEmitter(ps, i);
        EmitterData* e = ps.currentEmitter();
        if (e->particleType == 3) e->textureId = findTextureId(*c.textures, e->imageName);
    }
    return true;
}

}  // namespace
}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objLoadZOB(const char* path) {
    if (!context().store) return false;
    return loadZob(path);
}

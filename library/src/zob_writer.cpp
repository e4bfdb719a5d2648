// Writing of ZOB entity files. Where it is safe the file is written beside
// the target and renamed over it only when every byte is on disk, so a failed
// save never damages the previous file (see SafeOutput).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "context.h"
#include "platform.h"
#include "safe_file.h"

namespace korvid {
namespace {

// printf-style writing that remembers the first failure.
class ZobWriter {
public:
    explicit ZobWriter(FILE* f) : f_(f) {}
    void put(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        if (std::vfprintf(f_, format, args) < 0 && !error_) error_ = errno ? errno : EIO;
        va_end(args);
    }
    void floats(const float* v, int n, const char* comment) {
        for (int i = 0; i < n; ++i) put(i ? " %f" : "%f", static_cast<double>(v[i]));
        put(" //%s\n", comment);
    }
    int error() const { return error_; }

private:
    FILE* f_;
    int error_ = 0;
};

const char* orNone(const char* name) { return name[0] ? name : "NONE"; }

// The image path as written: relative to the working directory, never absolute.
std::string relativeImagePath(const char* path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    fs::path image(path);
    if (ec) return image.lexically_normal().string();
    if (image.is_relative()) image = cwd / image;
    const fs::path relative = image.lexically_normal().lexically_relative(cwd.lexically_normal());
    return relative.empty() ? image.filename().string() : relative.string();
}

void writeSurface(ZobWriter& w, const Surface& s, int slot) {
    w.put("[SURFACE]\n");
    if (s.name[0]) w.put("%s\n", s.name);
    else w.put("Surface%d\n", slot + 1);  // an empty line would be skipped when reading
    w.floats(s.position, 3, "Position");
    w.put("%d //Blending\n", s.blending);
    w.put("%d //Culling\n", s.culling);
    w.put("%d //Anim 1\n", s.anim1);
    w.put("%d //Anim 2\n", s.anim2);
    w.floats(s.animTranslate1, 3, "Anim translate 1");
    w.floats(s.animRotate1, 3, "Anim Rotate 1");
    w.floats(s.animTranslate2, 3, "Anim translate 2");
    w.floats(s.animRotate2, 3, "Anim Rotate 2");
    w.put("%d //GenMode1\n", s.genMode1);
    w.put("%d //GenMode2\n", s.genMode2);
    w.put("%d //PlaneMode1\n", s.planeMode1);
    w.put("%d //PlaneMode2\n", s.planeMode2);
    w.put("%d //Texture Count\n", s.textureCount);
    w.put("%s\n", orNone(s.texture1Name));
    w.floats(s.sPlane1, 4, "sPlane1");
    w.floats(s.tPlane1, 4, "tPlane1");
    w.put("%d //TexEnv1\n", s.texEnv1);
    w.put("%s\n", orNone(s.texture2Name));
    w.floats(s.sPlane2, 4, "sPlane2");
    w.floats(s.tPlane2, 4, "tPlane2");
    w.put("%d //TexEnv2\n", s.texEnv2);
    w.put("%d //Smooth\n", s.smooth);
    w.floats(&s.angle, 1, "Angle");
    w.floats(s.diffuse, 4, "MatDif");
    w.floats(s.ambient, 4, "MatAmb");
    w.floats(s.specular, 4, "MatSpec");
    w.floats(s.emission, 4, "MatEmission");
    w.floats(&s.shininess, 1, "MatShininess");
    w.put("\n");
    // A surface read without vertex data is written as an empty one.
    const bool hasData = s.vertices != nullptr;
    const int32_t polygons = hasData ? s.polygonCount : 0;
    const int32_t floats = hasData ? s.vertexFloatCount : 0;
    w.put("%d //Polygon Count\n", polygons);
    const bool normals = s.smooth != 0;
    w.put(normals ? "[VN]\n" : "[V]\n");
    w.put("%d\n", floats);
    for (int64_t i = 0; i + 3 <= floats; i += 3) {
        const float* v = s.vertices.get() + i;
        if (normals) {
            static const float zero[3] = {0, 0, 0};
            const float* n = s.vertexNormals ? s.vertexNormals.get() + i : zero;
            w.put("%f %f %f %f %f %f\n", double(v[0]), double(v[1]), double(v[2]), double(n[0]), double(n[1]),
                  double(n[2]));
        } else {
            w.put("%f %f %f\n", double(v[0]), double(v[1]), double(v[2]));
        }
    }
    w.put("\n");
}

void writeEmitter(ZobWriter& w, const EmitterData& e) {
    w.put("[EMITTER]\n");
    w.put("%s \n", e.name);
    w.put("%d //Particle type\n", e.particleType);
    w.put("%d //Is reflected\n", e.isReflected);
    w.floats(&e.groundPosition, 1, "ground position");
    w.put("%d //Is burst\n", e.isBurst);
    w.put("%d //Is burst on ground\n", e.isBurstOnGround);
    w.put("%d //Is lighting\n", e.isLighting);
    w.put("%d //Is Alt Alpha\n", e.isAltAlpha);
    w.put("%d //Is lifespan\n", e.isLifespan);
    w.put("%d //Lifespan time\n", e.lifespanTime);
    w.put("%d //Is attach to model\n", e.isAttachToModel);
    w.floats(e.position, 3, "Position");
    w.floats(&e.yaw, 1, "Yaw");
    w.floats(&e.yawVar, 1, "YawVar");
    w.floats(&e.pitch, 1, "Pitch");
    w.floats(&e.pitchVar, 1, "PitchVar");
    w.floats(&e.speed, 1, "Speed");
    w.floats(&e.speedVar, 1, "SpeedVar");
    w.put("%d //Total Particles\n", e.totalParticles);
    w.put("%d //Emitter per cycle\n", e.emitterPerCycle);
    w.put("%d //Emitter per cycle var\n", e.emitterPerCycleVar);
    w.put("%d //Emitter time\n", e.emitterTime);
    w.put("%d //Life\n", e.life);
    w.put("%d //LifeVar\n", e.lifeVar);
    w.floats(e.startColor, 4, "Start color");
    w.floats(e.startColorVar, 4, "Start color var");
    w.floats(e.endColor, 4, "End color");
    w.floats(e.endColorVar, 4, "End color var");
    w.floats(&e.startSize, 1, "Start Size");
    w.floats(&e.startSizeVar, 1, "Start SizeVar");
    w.floats(&e.endSize, 1, "End Size");
    w.floats(&e.endSizeVar, 1, "End SizeVar");
    w.put("%s\n", orNone(e.imageName));
    w.floats(e.force, 3, "Force");
    if (e.isBurst) {
        const BurstData& b = e.burst;
        w.put("%d //Total Particles\n", b.count);
        w.floats(&b.yaw, 1, "Yaw");
        w.floats(&b.yawVar, 1, "YawVar");
        w.floats(&b.pitch, 1, "Pitch");
        w.floats(&b.pitchVar, 1, "PitchVar");
        w.floats(&b.speed, 1, "Speed");
        w.floats(&b.speedVar, 1, "SpeedVar");
        w.put("%d //Life\n", b.life);
        w.put("%d //LifeVar\n", b.lifeVar);
        w.floats(b.startColor, 4, "Start color");
        w.floats(b.startColorVar, 4, "Start color var");
        w.floats(b.endColor, 4, "End color");
        w.floats(b.endColorVar, 4, "End color var");
        w.floats(&b.startSize, 1, "Start Size");
        w.floats(&b.startSizeVar, 1, "Start SizeVar");
        w.floats(&b.endSize, 1, "End Size");
        w.floats(&b.endSizeVar, 1, "End SizeVar");
    }
    w.put("\n");
}

void writeEntity(ZobWriter& w, const Model& m, const std::vector<const TextureEntry*>& images) {
    w.put("#ZOBv0.6.5\n//Korvid entity: images, model and particle systems\n\n");
    for (const TextureEntry* image : images) {
        w.put("[IMAGE]\n");
        w.put("%s //Path\n", relativeImagePath(image->path).c_str());
        w.put("%s //Name\n", image->name);
        w.put("%d //Filter\n", image->filter);
        w.put("%d //Alpha\n", image->alpha);
        w.put("%d //Averaged\n", image->averaged);
        w.put("%d //Low\n", image->low);
        w.put("%d //High\n", image->high);
        w.put("\n");
    }
    w.put("[OBJECT]\n");
    w.put("%d //Polygon Count\n", m.polygonCount);
    w.put("%d //Surface Count\n", m.surfaceCount);
    w.put("\n");
    for (int32_t i = 0; i < m.surfaceCount; ++i) writeSurface(w, m.surfaces[i], i);
    w.put("[PARTICLE_SYSTEMS]\n");
    w.put("%d //Emitter Count\n", m.particles.count());
    w.put("\n");
    for (const auto& e : m.particles.emitters) writeEmitter(w, e->data);
}

// The images the model uses now: surface textures named on a surface and the
// textures of Polygons emitters.
std::vector<uint32_t> usedTextureIds(const Model& m) {
    std::vector<uint32_t> used;
    for (int32_t i = 0; i < m.surfaceCount; ++i) {
        const Surface& s = m.surfaces[i];
        if (s.texture1Name[0]) used.push_back(s.texture1Id);
        if (s.texture2Name[0]) used.push_back(s.texture2Id);
    }
    for (const auto& e : m.particles.emitters)
        if (e->data.particleType == 3) used.push_back(e->data.textureId);
    return used;
}

// The images a save writes, in library order: those marked by earlier saves
// and those the model uses now.
std::vector<const TextureEntry*> imagesToWrite(const TextureLibrary& library, const std::vector<uint32_t>& used) {
    std::vector<const TextureEntry*> inUse;
    for (uint32_t id : used)
        if (const TextureEntry* e = findTextureById(library, id)) inUse.push_back(e);
    std::vector<const TextureEntry*> images;
    for (const auto& image : library.entries)
        if (image->referenced || std::find(inUse.begin(), inUse.end(), image.get()) != inUse.end())
            images.push_back(image.get());
    return images;
}

bool saveZob(const char* path) {
    Context& c = context();
    Model* m = currentModel();
    if (!path || !path[0]) {
        fail(Failure::CreateFile);
        return false;
    }
    if (!m) {
        fail(Failure::NoModelToSave);
        return false;
    }
    SafeOutput output;
    if (const int error = output.open(path)) {
        // A target the user may not write is refused with the reason.
        if (error == EACCES || error == EPERM || error == EROFS)
            fail(Failure::CreateFileDenied, std::strerror(error));
        else
            fail(Failure::CreateFile);
        return false;
    }
    FILE* f = ::fdopen(output.fd(), "w");
    if (!f) {
        fail(Failure::CreateFile);
        return false;
    }
    output.release();
    const std::vector<uint32_t> used = usedTextureIds(*m);
    const std::vector<const TextureEntry*> images = imagesToWrite(*c.textures, used);
    ZobWriter writer(f);
    {
        // Numbers are written with a dot whatever the process locale is.
        platform::CLocaleScope cLocale;
        writeEntity(writer, *m, images);
    }
    int error = writer.error();
    if (std::fflush(f) != 0 && !error) error = errno;
    if (!error && ::fsync(::fileno(f)) != 0 && errno != EINVAL) error = errno;
    if (std::fclose(f) != 0 && !error) error = errno;
    if (!error) error = output.commit();
    if (error) {
        output.abandon();
        fail(Failure::WriteFile, std::strerror(error));
        return false;
    }
    // Only a written file marks its images: once marked, always written again.
    for (uint32_t id : used) markTextureReferenced(*c.textures, id);
    return true;
}

}  // namespace
}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objSaveZOB(const char* path) {
    if (!context().store) return false;
    return saveZob(path);
}

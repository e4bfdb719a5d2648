// Writing of ZOB entity files. Where it is safe the file is written beside
// the target and renamed over it only when every byte is on disk, so a failed
// save never damages the previous file (see SafeOutput).
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "context.h"
#include "platform.h"
#include "record_fields.h"
#include "safe_file.h"
#include "zob_extensions.h"
#include "zob_parse.h"

namespace korvid {
namespace {

// printf-style writing that remembers the first failure. An exact writer
// writes floats with every digit they need to read back the same (for the
// clipboard); files keep the format's six decimals.
class ZobWriter {
public:
    explicit ZobWriter(FILE* f, bool exact = false) : f_(f), exact_(exact) {}
    void number(float v) {
        if (!exact_) {
            put("%f", static_cast<double>(v));
            return;
        }
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, v).ptr;
        *end = '\0';
        put("%s", text);
    }
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
    bool exact_;
    int error_ = 0;
};

// The image path as written: relative to the image folder (objSetImageFolder)
// or else the working directory, never absolute.
std::string relativeImagePath(const char* path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string& folder = context().imageFolder;
    const fs::path cwd = folder.empty() ? fs::current_path(ec) : fs::path(folder);
    fs::path image(path);
    if (ec) return image.lexically_normal().string();
    if (image.is_relative()) image = cwd / image;
    const fs::path relative = image.lexically_normal().lexically_relative(cwd.lexically_normal());
    return relative.empty() ? image.filename().string() : relative.string();
}

// Writes the fields of one record that files store, a line each, in table order.
template <class Record>
void writeFields(ZobWriter& w, const Record& r, std::span<const Field<Record>> fields, int slot = 0) {
    for (const Field<Record>& f : fields) {
        if (!(f.flags & kInFile)) continue;
        switch (f.kind) {
        case FieldKind::Int: w.put("%d", *f.template in<int32_t>(r)); break;
        case FieldKind::Float:
            for (int i = 0; i < f.count; ++i) {
                if (i) w.put(" ");
                w.number(f.template in<float>(r)[i]);
            }
            break;
        case FieldKind::Text: {
            std::string text = f.template in<char>(r);
            if (f.flags & kRelativePath) text = relativeImagePath(text.c_str());
            // An empty line would be skipped when reading.
            if (text.empty() && (f.flags & kNoneWhenEmpty)) text = "NONE";
            if (text.empty() && (f.flags & kNumberedWhenEmpty)) text = "Surface" + std::to_string(slot + 1);
            w.put("%s", text.c_str());
            break;
        }
        }
        if (f.comment) w.put(" //%s\n", f.comment);
        else w.put((f.flags & kBlankBeforeNewline) ? " \n" : "\n");
    }
}

void writeSurface(ZobWriter& w, const Surface& s, int slot) {
    w.put("[SURFACE]\n");
    writeFields(w, s, surfaceFields(), slot);
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
    writeFields(w, e, emitterFields());
    if (e.isBurst) writeFields(w, e.burst, burstFields());
    w.put("\n");
}

void writeEntity(ZobWriter& w, const Model& m, const std::vector<const TextureEntry*>& images) {
    w.put("#ZOBv0.6.5\n//Korvid entity: images, model and particle systems\n\n");
    for (const TextureEntry* image : images) {
        w.put("[IMAGE]\n");
        // The path is made relative from where the bitmap really is.
        TextureInfo written = *image;
        if (image->absolutePath.size() < sizeof written.path)
            copyText(written.path, sizeof written.path, image->absolutePath.c_str());
        writeFields<TextureInfo>(w, written, imageFields());
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
    // Curves, shapes, fields and colliders come last, where a reader of the
    // original format has stopped.
    std::vector<const Emitter*> emitters;
    for (const auto& e : m.particles.emitters) emitters.push_back(e.get());
    const std::string extensions = extensionsText(emitters, &m, context().store.get());
    if (!extensions.empty()) w.put("%s", extensions.c_str());
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

std::string emitterText(const Emitter& e, const Model* own) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* f = ::open_memstream(&buffer, &size);
    if (!f) return {};
    {
        platform::CLocaleScope cLocale;
        ZobWriter w(f, true);
        w.put("%s\n", kEmitterTextHeader);
        writeEmitter(w, e.data);
    }
    std::fclose(f);
    std::string text(buffer, size);
    std::free(buffer);
    return text + extensionsText({&e}, own, context().store.get());
}

std::string entityText(const Model& model) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* f = ::open_memstream(&buffer, &size);
    if (!f) throw std::bad_alloc();
    {
        platform::CLocaleScope cLocale;
        ZobWriter w(f, true);
        writeEntity(w, model, imagesToWrite(*context().textures, usedTextureIds(model)));
    }
    std::fclose(f);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objSaveZOB(const char* path) try {
    if (!context().store) return false;
    return saveZob(path);
} catch (...) {
    return refusedByException<bool>(false);
}

// The korvid Python module: the library with a headless context of its own.
// One entity is loaded at a time (the library holds one scene); an Entity
// whose scene was replaced by a later load refuses to work.
#include <GL/gl.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <cstdlib>
#include <cerrno>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "alpha_bake.h"
#include "gl_context.h"
#include "korvid.h"
#include "reset_framing.h"

namespace py = pybind11;

namespace {

struct KorvidError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void raise(const std::string& what) { throw KorvidError(what); }
[[noreturn]] void raiseLibrary() { raise(objGetLastError()); }

// The one headless context, made again when a picture of another size is asked for.
struct Gl {
    std::unique_ptr<korvid::support::HeadlessContext> context;
    int width = 0, height = 0;
    int64_t generation = 0;  // which Entity owns the scene
    std::weak_ptr<class Entity> owner;  // that Entity, while Python holds it
    void ensure(int w, int h) {
        if (context && w == width && h == height) return;
        context.reset();
        context = std::make_unique<korvid::support::HeadlessContext>(w, h);
        if (!context->ok()) raise("no OpenGL context: " + context->error());
        width = w;
        height = h;
    }
};
Gl& gl() {
    static Gl* g = new Gl;  // kept to the end of the process, as the driver is
    return *g;
}

korvid::support::Image grab(int width, int height) {
    korvid::support::Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(size_t(width) * height * 4);
    std::vector<uint8_t> bottomUp(image.rgba.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(&image.rgba[size_t(y) * width * 4], &bottomUp[size_t(height - 1 - y) * width * 4], size_t(width) * 4);
    for (size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
    return image;
}

class Entity;

// A record of the library reached through an Entity: read, changed, written back.
template <class Record>
struct Access {
    Record (*read)(int index);
    void (*write)(int index, const Record& r);
};

SurfaceData readSurface(int i) {
    SurfaceData s{};
    objGetSurfaceData(&s, i);
    return s;
}
void writeSurface(int i, const SurfaceData& s) { objSetSurfaceData(&s, i); }
EmitterData readEmitter(int i) {
    EmitterData e{};
    if (!objSetEmitterPtr(i)) raise("there is no emitter " + std::to_string(i));
    objGetEmitter(&e);
    return e;
}
void writeEmitter(int i, const EmitterData& e) {
    readEmitter(i);
    if (!objSetEmitter(&e)) raiseLibrary();
}

// A folder of this process's own (mode 0700, a name no one can guess),
// removed with everything in it when it goes, whatever happens between.
struct PrivateFolder {
    std::string path;
    PrivateFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvid-py-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) raise(std::string("no private temporary folder: ") + std::strerror(errno));
        path = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
};

// A path as the C library will see it: one with a NUL character in it would
// be cut short there, so it is refused as Python's own open() refuses it.
const std::string& checkedPath(const std::string& path) {
    if (path.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
    return path;
}

// A refusal about a file names the file.
[[noreturn]] void raiseAbout(const std::string& path) {
    const std::string error = objGetLastError();
    raise(error.find(path) != std::string::npos ? error : path + ": " + error);
}

class Entity {
public:
    static std::shared_ptr<Entity> load(const std::string& given) {
        const std::string path = std::filesystem::absolute(checkedPath(given)).string();
        Gl& g = gl();
        // The entity that holds the scene now is kept aside (before the
        // library starts again), so that a file that fails to load leaves it
        // as it was.
        const auto cwd = std::filesystem::current_path();
        std::shared_ptr<Entity> previous = g.owner.lock();
        std::unique_ptr<PrivateFolder> kept;
        std::string keptFile;
        if (previous && previous->generation_ == g.generation) {
            kept = std::make_unique<PrivateFolder>();
            keptFile = previous->snapshot(*kept);
            std::filesystem::current_path(cwd);
        }
        g.ensure(64, 64);
        const WindowData window{64, 64, 45};
        objInitWin(&window);
        objNew();
        if (!loadFile(path)) {
            const std::string error = objGetLastError();
            if (kept) {
                objNew();
                const std::filesystem::path folder = std::filesystem::path(previous->path_).parent_path();
                if (!folder.empty()) std::filesystem::current_path(folder);
                loadFile(keptFile);
                std::filesystem::current_path(cwd);
            }
            raise(error.find(path) != std::string::npos ? error : path + ": " + error);
        }
        auto e = std::make_shared<Entity>();
        e->generation_ = ++g.generation;
        e->path_ = path;
        g.owner = e;
        return e;
    }
    void save(const std::string& path) {
        check();
        if (!objSaveZOB(checkedPath(path).c_str())) raiseAbout(path);
    }
    int surfaceCount() {
        check();
        ModelInfo info{};
        objGetModelData(&info);
        return info.surfaceCount;
    }
    int emitterCount() {
        check();
        int n = 0;
        while (objSetEmitterPtr(n) && objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0) >= 0) ++n;
        return n;
    }
    int addEmitter(const std::string& name) {
        check();
        EmitterData e;
        objInitEmitter(&e);
        objMakeName(name.c_str(), e.name, sizeof e.name);
        e.lifespanTime = 1000;
        const int32_t count = objAddEmitter(&e);
        if (count == 0) raiseLibrary();
        return count - 1;
    }
    void removeEmitter(int index) {
        check();
        readEmitter(index);
        objRemoveEmitter();
    }
    // The moment `timeMs` drawn as korvid-render draws it (--time): the entity
    // is written to a file and read again, seeded, so both give the same bytes.
    py::array_t<uint8_t> render(std::pair<int, int> size, int timeMs, std::optional<std::array<float, 6>> camera,
                                uint32_t seed, bool transparent) {
        check();
        const auto [width, height] = size;
        if (width < 1 || height < 1 || width > 8192 || height > 8192) raise("a picture is 1x1 to 8192x8192 pixels");
        if (timeMs < 0) raise("time_ms is 0 or more");
        const auto cwd = std::filesystem::current_path();
        const PrivateFolder scratch;
        const std::string file = snapshot(scratch);
        Gl& g = gl();
        g.ensure(width, height);
        objSeedRandom(seed);
        const WindowData window{width, height, 45};
        objInitWin(&window);
        objSetFixedFrameTime(15);
        objNew();
        const bool loaded = loadFile(file);
        std::filesystem::current_path(cwd);
        if (!loaded) raiseLibrary();
        ModelInfo info{};
        objGetModelData(&info);
        const CameraData c = camera ? CameraData{(*camera)[0], (*camera)[1], (*camera)[2], (*camera)[3], (*camera)[4],
                                                 (*camera)[5]}
                                    : resetFraming(info);
        objSeekSimulation(timeMs);
        objPauseSimulation(true);
        korvid::support::Image picture;
        if (!transparent) {
            objRender(&c);
            glFinish();
            picture = grab(width, height);
        } else {
            const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
            objSetClearColor(black);
            objRender(&c);
            glFinish();
            const auto overBlack = grab(width, height);
            objSetClearColor(white);
            objRender(&c);
            glFinish();
            picture = korvid::media::bakeAlpha(overBlack, grab(width, height), korvid::media::AlphaMode::Straight);
        }
        objPauseSimulation(false);
        std::filesystem::remove(file);
        const int channels = transparent ? 4 : 3;
        py::array_t<uint8_t> out({height, width, channels});
        auto view = out.mutable_unchecked<3>();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int ch = 0; ch < channels; ++ch) view(y, x, ch) = picture.rgba[(size_t(y) * width + x) * 4 + ch];
        return out;
    }
    // Live particles and bursts per emitter at the moment `timeMs`.
    std::vector<py::dict> stats(int timeMs) {
        check();
        objSetFixedFrameTime(15);
        objSeekSimulation(std::max(0, timeMs));
        std::vector<py::dict> out;
        for (int i = 0; i < emitterCount(); ++i) {
            py::dict d;
            d["name"] = std::string(readEmitter(i).name);
            d["live"] = objGetLiveParticles(i);
            d["bursts"] = objGetBurstsFired(i);
            out.push_back(d);
        }
        return out;
    }
    void check() const {
        if (generation_ != gl().generation) raise("this entity was replaced by a later Entity.load");
    }

private:
    static bool loadFile(const std::string& path) {
        const std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : "";
        if (ext == ".raw" || ext == ".RAW") return objLoadRaw(path.c_str()) && objSetCurrentModel(0);
        return objLoadZOB(path.c_str());
    }
    // The entity as it stands, saved in `scratch`, with the working directory
    // left in the folder of the file it came from (so that its images are
    // found the same way).
    std::string snapshot(const PrivateFolder& scratch) {
        const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        const std::string file = (std::filesystem::path(scratch.path) / "entity.zob").string();
        const auto cwd = std::filesystem::current_path();
        if (!folder.empty()) std::filesystem::current_path(folder);
        const bool saved = objSaveZOB(file.c_str());
        const std::string error = objGetLastError();
        std::filesystem::current_path(cwd);
        if (!saved) raise(error);
        // Images are written relative to the entity's folder: read from there too.
        if (!folder.empty()) std::filesystem::current_path(folder);
        return file;
    }
    int64_t generation_ = 0;
    std::string path_;
};

// Properties over one record's fields: `name` in snake case, read and written through `access`.
template <class Proxy, class Record, class T>
void field(py::class_<Proxy>& c, const char* name, T Record::*member) {
    c.def_property(
        name,
        [member](Proxy& p) {
            p.entity->check();
            const Record r = p.read();
            if constexpr (std::is_array_v<T>) {
                using E = std::remove_extent_t<T>;
                if constexpr (std::is_same_v<E, char>) return py::cast(std::string(r.*member));
                else return py::cast(std::vector<E>(std::begin(r.*member), std::end(r.*member)));
            } else {
                return py::cast(r.*member);
            }
        },
        [member](Proxy& p, py::object value) {
            p.entity->check();
            Record r = p.read();
            if constexpr (std::is_array_v<T>) {
                using E = std::remove_extent_t<T>;
                if constexpr (std::is_same_v<E, char>) {
                    const std::string s = value.cast<std::string>();
                    objMakeName(s.c_str(), r.*member, int32_t(sizeof(r.*member)));
                } else {
                    const auto v = value.cast<std::vector<E>>();
                    if (v.size() != std::extent_v<T>) raise("expected " + std::to_string(std::extent_v<T>) + " values");
                    std::copy(v.begin(), v.end(), r.*member);
                }
            } else {
                r.*member = value.cast<T>();
            }
            p.write(r);
        });
}

struct SurfaceProxy {
    std::shared_ptr<Entity> entity;
    int index;
    SurfaceData read() const { return readSurface(index); }
    void write(const SurfaceData& r) const { writeSurface(index, r); }
};
struct EmitterProxy {
    std::shared_ptr<Entity> entity;
    int index;
    EmitterData read() const { return readEmitter(index); }
    void write(const EmitterData& r) const { writeEmitter(index, r); }
};
struct BurstProxy {
    std::shared_ptr<Entity> entity;
    int index;
    BurstData read() const { return readEmitter(index).burst; }
    void write(const BurstData& b) const {
        readEmitter(index);
        objSetBurst(&b);
    }
};

}  // namespace

PYBIND11_MODULE(_korvid, m) {
    m.doc() = "Korvid: load, change, save and render particle effects, without a display";
    py::register_exception<KorvidError>(m, "KorvidError", PyExc_RuntimeError);

    py::class_<SurfaceProxy> surface(m, "Surface");
#define F(name, member) field<SurfaceProxy, SurfaceData>(surface, name, &SurfaceData::member)
    F("name", name); F("blending", blending); F("culling", culling); F("anim1", anim1); F("anim2", anim2);
    F("anim_translate1", animTranslate1); F("anim_rotate1", animRotate1); F("anim_translate2", animTranslate2);
    F("anim_rotate2", animRotate2); F("gen_mode1", genMode1); F("gen_mode2", genMode2);
    F("plane_mode1", planeMode1); F("plane_mode2", planeMode2); F("texture_count", textureCount);
    F("texture1_name", texture1Name); F("s_plane1", sPlane1); F("t_plane1", tPlane1); F("tex_env1", texEnv1);
    F("texture2_name", texture2Name); F("s_plane2", sPlane2); F("t_plane2", tPlane2); F("tex_env2", texEnv2);
    F("smooth", smooth); F("angle", angle); F("diffuse", diffuse); F("ambient", ambient); F("specular", specular);
    F("emission", emission); F("shininess", shininess); F("vertex_float_count", vertexFloatCount);
    F("polygon_count", polygonCount);
#undef F

    py::class_<BurstProxy> burst(m, "Burst");
#define F(name, member) field<BurstProxy, BurstData>(burst, name, &BurstData::member)
    F("count", count); F("life", life); F("life_var", lifeVar); F("yaw", yaw); F("yaw_var", yawVar);
    F("pitch", pitch); F("pitch_var", pitchVar); F("speed", speed); F("speed_var", speedVar);
    F("start_color", startColor); F("start_color_var", startColorVar); F("end_color", endColor);
    F("end_color_var", endColorVar); F("start_size", startSize); F("start_size_var", startSizeVar);
    F("end_size", endSize); F("end_size_var", endSizeVar);
#undef F

    py::class_<EmitterProxy> emitter(m, "Emitter");
#define F(name, member) field<EmitterProxy, EmitterData>(emitter, name, &EmitterData::member)
    F("name", name); F("particle_type", particleType); F("is_reflected", isReflected);
    F("ground_position", groundPosition); F("is_burst", isBurst); F("is_burst_on_ground", isBurstOnGround);
    F("is_lighting", isLighting); F("is_alt_alpha", isAltAlpha); F("is_lifespan", isLifespan);
    F("lifespan_time", lifespanTime); F("is_attach_to_model", isAttachToModel); F("position", position);
    F("yaw", yaw); F("yaw_var", yawVar); F("pitch", pitch); F("pitch_var", pitchVar); F("speed", speed);
    F("speed_var", speedVar); F("total_particles", totalParticles); F("emitter_per_cycle", emitterPerCycle);
    F("emitter_per_cycle_var", emitterPerCycleVar); F("emitter_time", emitterTime); F("life", life);
    F("life_var", lifeVar); F("start_color", startColor); F("start_color_var", startColorVar);
    F("end_color", endColor); F("end_color_var", endColorVar); F("start_size", startSize);
    F("start_size_var", startSizeVar); F("end_size", endSize); F("end_size_var", endSizeVar);
    F("image_name", imageName); F("force", force);
#undef F
    emitter.def_property_readonly("burst", [](EmitterProxy& p) { return BurstProxy{p.entity, p.index}; });

    py::class_<Entity, std::shared_ptr<Entity>>(m, "Entity")
        .def_static("load", &Entity::load, py::arg("path"), "Reads a .zob or .raw file; it replaces any entity loaded before.")
        .def("save", &Entity::save, py::arg("path"))
        .def_property_readonly("surfaces",
                               [](std::shared_ptr<Entity> e) {
                                   std::vector<SurfaceProxy> out;
                                   for (int i = 0; i < e->surfaceCount(); ++i) out.push_back({e, i});
                                   return out;
                               })
        .def_property_readonly("emitters",
                               [](std::shared_ptr<Entity> e) {
                                   std::vector<EmitterProxy> out;
                                   for (int i = 0; i < e->emitterCount(); ++i) out.push_back({e, i});
                                   return out;
                               })
        .def(
            "add_emitter",
            [](std::shared_ptr<Entity> e, const std::string& name) { return EmitterProxy{e, e->addEmitter(name)}; },
            py::arg("name") = "Emitter")
        .def("remove_emitter", &Entity::removeEmitter, py::arg("index"))
        .def("render", &Entity::render, py::arg("size") = std::pair<int, int>(640, 480), py::arg("time_ms") = 0,
             py::arg("camera") = py::none(), py::arg("seed") = 1, py::arg("transparent") = false)
        .def("stats", &Entity::stats, py::arg("time_ms"));
}

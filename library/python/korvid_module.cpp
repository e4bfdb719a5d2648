// The korvid Python module: the library with a headless context of its own.
// One entity is loaded at a time (the library holds one scene); an Entity
// whose scene was replaced by a later load refuses to work. Every call takes
// the context on its own thread for its duration and lets go of it after, so
// any Python thread may use the module (the interpreter's lock keeps calls
// one at a time); Ctrl+C stops a long seek or load with KeyboardInterrupt.
#include <cstddef>
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
#include "frame_capture.h"
#include "gl_context.h"
#include "korvid.h"
#include "png_io.h"
#include "framing.h"

namespace py = pybind11;

namespace {

struct KorvidError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void raise(const std::string& what) { throw KorvidError(what); }

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

// One call's hold on the context: taken on the calling thread when the
// outermost call starts, let go when it ends.
class Use {
public:
    Use() {
        if (depth_++ == 0 && gl().context && !gl().context->makeCurrent()) {
            --depth_;
            raise("the OpenGL context is busy on another thread");
        }
    }
    ~Use() {
        if (--depth_ == 0 && gl().context) gl().context->release();
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    static inline int depth_ = 0;  // guarded by the interpreter's lock
};

// The library's progress function: Ctrl+C (or any signal whose Python
// handler raises) stops the call under way.
bool keepWorking(float, void*) { return PyErr_CheckSignals() == 0; }

// Raises what a refused call of the library means: the Python exception a
// signal handler raised (KeyboardInterrupt), or the library's own refusal,
// with a text of its own for the refusals the library makes silently.
std::string refusalText() {
    std::string text = objGetLastError();
    switch (objGetLastFailure()) {
    case KORVID_FAILURE_NO_MODEL: text = "there is no model"; break;
    case KORVID_FAILURE_NO_EMITTER: text = "there is no such emitter"; break;
    case KORVID_FAILURE_BAD_ARGUMENT: text = "a value is out of range"; break;
    case KORVID_FAILURE_POOL_BELOW_BATCH: text = "total_particles must be at least emitter_per_cycle"; break;
    case KORVID_FAILURE_NO_VERTEX_DATA: text = "the surface has no vertices"; break;
    default: break;
    }
    return text;
}
[[noreturn]] void raiseRefusal(const std::string& about = {}) {
    if (PyErr_Occurred()) throw py::error_already_set();
    const std::string text = refusalText();
    raise(about.empty() || text.find(about) != std::string::npos ? text : about + ": " + text);
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
    if (!objSetEmitter(&e)) raiseRefusal();
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


class Entity {
public:
    static std::shared_ptr<Entity> load(const std::string& given) {
        const Use use;
        const std::string path = std::filesystem::absolute(checkedPath(given)).string();
        Gl& g = gl();
        // The entity that holds the scene now is kept aside (before the
        // library starts again), so that a file that fails to load leaves it
        // as it was.
        std::shared_ptr<Entity> previous = g.owner.lock();
        std::unique_ptr<PrivateFolder> kept;
        std::string keptFile;
        if (previous && previous->generation_ == g.generation) {
            kept = std::make_unique<PrivateFolder>();
            keptFile = previous->snapshot(*kept);
        }
        // The new file's images are looked for from the working directory, then beside it.
        objSetImageFolder(nullptr);
        g.ensure(64, 64);
        const WindowData window{64, 64, 45};
        objInitWin(&window);
        objSetClipPlanes(0.1f, 100.0f);
        objNew();
        if (!loadFile(path)) {
            // A Ctrl+C is held while the previous entity comes back, then raised.
            std::unique_ptr<py::error_already_set> interrupted;
            if (PyErr_Occurred()) interrupted = std::make_unique<py::error_already_set>();
            const std::string error = objGetLastError();
            if (kept) {
                objNew();
                const std::filesystem::path folder = std::filesystem::path(previous->path_).parent_path();
                objSetImageFolder(folder.empty() ? nullptr : folder.c_str());
                loadFile(keptFile);
                objSetImageFolder(nullptr);
                PyErr_Clear();
            }
            if (interrupted) throw std::move(*interrupted);
            raise(error.find(path) != std::string::npos ? error : path + ": " + error);
        }
        auto e = std::make_shared<Entity>();
        e->generation_ = ++g.generation;
        e->path_ = path;
        for (int i = 0, n = e->emitterCount(); i < n; ++i) e->emitterIds_.push_back(e->nextId_++);
        g.owner = e;
        return e;
    }
    void save(const std::string& path) {
        const Use use;
        check();
        if (!objSaveZOB(checkedPath(path).c_str())) raiseRefusal(path);
    }
    int surfaceCount() {
        const Use use;
        check();
        ModelInfo info{};
        objGetModelData(&info);
        return info.surfaceCount;
    }
    int emitterCount() {
        const Use use;
        check();
        int n = 0;
        while (objSetEmitterPtr(n) && objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0) >= 0) ++n;
        return n;
    }
    // The emitters by lasting identity: an index moves when an emitter before it goes.
    uint64_t emitterId(int index) const { return emitterIds_.at(size_t(index)); }
    int emitterIndex(uint64_t id) const {
        check();
        for (size_t i = 0; i < emitterIds_.size(); ++i)
            if (emitterIds_[i] == id) return int(i);
        raise("this emitter was removed from the entity");
    }
    int addEmitter(const std::string& name) {
        const Use use;
        check();
        EmitterData e;
        objInitEmitter(&e);
        objMakeName(name.c_str(), e.name, sizeof e.name);
        e.lifespanTime = 1000;
        const int32_t count = objAddEmitter(&e);
        if (count == 0) raiseRefusal();
        emitterIds_.push_back(nextId_++);
        return count - 1;
    }
    void removeEmitter(int index) {
        const Use use;
        check();
        if (index < 0 || size_t(index) >= emitterIds_.size()) raise("there is no emitter " + std::to_string(index));
        readEmitter(index);
        objRemoveEmitter();
        emitterIds_.erase(emitterIds_.begin() + index);
    }
    // The moment `timeMs` drawn as korvid-render draws it (--time): the entity
    // is written to a file and read again, seeded, so both give the same bytes.
    // `camera` is six numbers, "effect" (the models and particles framed) or
    // None (the model framed as the editor's Reset does).
    py::array_t<uint8_t> render(std::pair<int, int> size, int timeMs, py::object camera, uint32_t seed,
                                bool transparent) {
        const Use use;
        check();
        const auto [width, height] = size;
        if (width < 1 || height < 1 || width > 8192 || height > 8192) raise("a picture is 1x1 to 8192x8192 pixels");
        if (timeMs < 0) raise("time_ms is 0 or more");
        bool effect = false;
        std::optional<std::array<float, 6>> given;
        if (py::isinstance<py::str>(camera)) {
            if (camera.cast<std::string>() != "effect") throw py::value_error("camera is six numbers, \"effect\" or None");
            effect = true;
        } else if (!camera.is_none()) {
            given = camera.cast<std::array<float, 6>>();
        }
        const PrivateFolder scratch;
        const std::string file = snapshot(scratch);
        Gl& g = gl();
        g.ensure(width, height);
        objSeedRandom(seed);
        const WindowData window{width, height, 45};
        objInitWin(&window);
        objSetClipPlanes(0.1f, 100.0f);
        objSetFixedFrameTime(15);
        objNew();
        const bool loaded = loadFile(file);
        objSetImageFolder(nullptr);
        if (!loaded) raiseRefusal();
        ModelInfo info{};
        objGetModelData(&info);
        if (objSeekSimulation(timeMs) < 0) raiseRefusal();
        float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        const bool haveBox = objGetBounds(KORVID_BOUNDS_SCENE, 0, lo, hi);
        CameraData c = given ? CameraData{(*given)[0], (*given)[1], (*given)[2], (*given)[3], (*given)[4], (*given)[5]}
                             : resetFraming(info);
        if (effect && haveBox) c = boxFraming(lo, hi, float(width) / float(height));
        if (haveBox) fitSceneClipPlanes(c, lo, hi);
        objPauseSimulation(true);
        korvid::media::CaptureLook look;
        look.width = width;
        look.height = height;
        look.transparent = transparent;
        const korvid::support::Image picture = korvid::media::captureFrame(c, look);
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
        const Use use;
        check();
        objSetFixedFrameTime(15);
        if (objSeekSimulation(std::max(0, timeMs)) < 0) raiseRefusal();
        std::vector<py::dict> out;
        for (int i = 0; i < emitterCount(); ++i) {
            py::dict d;
            d["name"] = std::string(readEmitter(i).name);
            d["live"] = objGetLiveParticles(i);
            d["bursts"] = objGetBurstsFired(i);
            d["hits"] = objGetHits(i);
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
    // The entity as it stands, saved in `scratch`, with the library's image
    // folder left at the folder of the file it came from (so that its images
    // are found the same way).
    std::string snapshot(const PrivateFolder& scratch) {
        const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        const std::string file = (std::filesystem::path(scratch.path) / "entity.zob").string();
        // Images are written relative to the entity's folder, and read from there too.
        objSetImageFolder(folder.empty() ? nullptr : folder.c_str());
        const bool saved = objSaveZOB(file.c_str());
        if (!saved) raise(objGetLastError());
        return file;
    }
    int64_t generation_ = 0;
    std::string path_;
    std::vector<uint64_t> emitterIds_;
    uint64_t nextId_ = 1;
};

// Whether two values of a field are the same (NaN is never taken).
template <class T>
bool same(const T& a, const T& b) {
    if constexpr (std::is_array_v<T>) {
        for (size_t i = 0; i < std::extent_v<T>; ++i)
            if (!(a[i] == b[i])) return false;
        return true;
    } else {
        return a == b;
    }
}

// Properties over one record's fields: `name` in snake case, read and written
// through the proxy. A value the library refuses or does not keep as given
// raises, with the record left as it was; names are made safe as the library
// makes them.
template <class Proxy, class Record, class T>
void field(py::class_<Proxy>& c, const char* name, T Record::*member) {
    const std::string label = name;
    c.def_property(
        name,
        [member](Proxy& p) {
            const Use use;
            const Record r = p.read();
            if constexpr (std::is_array_v<T>) {
                using E = std::remove_extent_t<T>;
                if constexpr (std::is_same_v<E, char>) return py::cast(std::string(r.*member));
                else return py::cast(std::vector<E>(std::begin(r.*member), std::end(r.*member)));
            } else {
                return py::cast(r.*member);
            }
        },
        [member, label](Proxy& p, py::object value) {
            const Use use;
            const Record before = p.read();
            Record r = before;
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
            objClearLastError();
            p.write(r);
            const Record after = p.read();
            if (!same(after.*member, r.*member)) {
                const bool said = objGetLastFailure() != KORVID_FAILURE_NONE;
                const std::string why = said ? refusalText() : "the library does not take " + py::repr(value).cast<std::string>();
                p.write(before);
                raise(label + ": " + why);
            }
        });
}

struct SurfaceProxy {
    std::shared_ptr<Entity> entity;
    int index;
    SurfaceData read() const {
        entity->check();
        return readSurface(index);
    }
    void write(const SurfaceData& r) const {
        entity->check();
        writeSurface(index, r);
    }
};
struct EmitterProxy {
    std::shared_ptr<Entity> entity;
    uint64_t id;
    int index() const { return entity->emitterIndex(id); }
    EmitterData read() const { return readEmitter(index()); }
    void write(const EmitterData& r) const { writeEmitter(index(), r); }
    // Makes this emitter the library's current one.
    void select() const { readEmitter(index()); }
};
struct BurstProxy {
    EmitterProxy emitter;
    BurstData read() const { return emitter.read().burst; }
    void write(const BurstData& b) const {
        emitter.select();
        if (!objSetBurst(&b)) raiseRefusal();
    }
};

// The shapes' names in Python.
constexpr const char* kShapeKinds[] = {"point", "sphere", "box", "disc", "mesh"};

py::list readCurve(const EmitterProxy& p, int32_t curve) {
    const Use use;
    p.select();
    CurveKey keys[KORVID_MAX_CURVE_KEYS];
    const int32_t n = objGetEmitterCurve(curve, keys, KORVID_MAX_CURVE_KEYS);
    py::list out;
    for (int32_t i = 0; i < std::min(n, int32_t(KORVID_MAX_CURVE_KEYS)); ++i) {
        if (curve == KORVID_CURVE_COLOUR)
            out.append(py::make_tuple(keys[i].time, keys[i].value[0], keys[i].value[1], keys[i].value[2], keys[i].value[3]));
        else
            out.append(py::make_tuple(keys[i].time, keys[i].value[0]));
    }
    return out;
}

void writeCurve(const EmitterProxy& p, int32_t curve, const py::object& value) {
    const Use use;
    p.select();
    std::vector<CurveKey> keys;
    const size_t width = curve == KORVID_CURVE_COLOUR ? 5 : 2;
    if (!value.is_none()) {
        for (const py::handle key : value.cast<py::sequence>()) {
            const auto numbers = key.cast<std::vector<float>>();
            if (numbers.size() != width)
                throw py::value_error(curve == KORVID_CURVE_COLOUR ? "a colour key is (time, r, g, b, a)"
                                                                   : "a size key is (time, size)");
            CurveKey k{numbers[0], {0, 0, 0, 0}};
            std::copy(numbers.begin() + 1, numbers.end(), k.value);
            keys.push_back(k);
        }
    }
    if (!objSetEmitterCurve(curve, keys.data(), int32_t(keys.size()))) raiseRefusal();
}

py::dict readShape(const EmitterProxy& p) {
    const Use use;
    p.select();
    EmitterShape shape{};
    if (!objGetEmitterShape(&shape)) raiseRefusal();
    py::dict d;
    d["kind"] = (shape.kind >= 0 && shape.kind < 5) ? kShapeKinds[shape.kind] : "point";
    d["size"] = std::vector<float>(std::begin(shape.size), std::end(shape.size));
    d["shell"] = shape.shell != 0;
    return d;
}

void writeShape(const EmitterProxy& p, const py::dict& d) {
    const Use use;
    p.select();
    EmitterShape shape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    const std::string kind = d.contains("kind") ? d["kind"].cast<std::string>() : "point";
    const auto* found = std::find_if(std::begin(kShapeKinds), std::end(kShapeKinds), [&](const char* k) { return kind == k; });
    if (found == std::end(kShapeKinds)) throw py::value_error("kind is point, sphere, box, disc or mesh");
    shape.kind = int32_t(found - std::begin(kShapeKinds));
    if (d.contains("size")) {
        const py::object size = d["size"];
        if (py::isinstance<py::float_>(size) || py::isinstance<py::int_>(size)) {
            shape.size[0] = size.cast<float>();
        } else {
            const auto v = size.cast<std::vector<float>>();
            if (v.empty() || v.size() > 3) throw py::value_error("size is one number or up to three");
            std::copy(v.begin(), v.end(), shape.size);
        }
    }
    if (d.contains("shell")) shape.shell = d["shell"].cast<bool>() ? 1 : 0;
    if (!objSetEmitterShape(&shape)) raiseRefusal();
}

// Force fields and colliders as lists of dicts, kinds and responses by name.
constexpr const char* kFieldKinds[] = {"wind", "drag", "attractor", "vortex", "noise"};
constexpr const char* kColliderKinds[] = {"plane", "sphere", "box", "model"};
constexpr const char* kResponses[] = {"bounce", "stick", "die", "burst"};

template <size_t N>
int32_t nameToIndex(const char* const (&names)[N], const std::string& name, const char* what) {
    for (size_t i = 0; i < N; ++i)
        if (name == names[i]) return int32_t(i);
    std::string list;
    for (size_t i = 0; i < N; ++i) list += (i ? (i + 1 == N ? " or " : ", ") : "") + std::string(names[i]);
    throw py::value_error(std::string(what) + " is " + list);
}

void vectorFrom(const py::dict& d, const char* key, float out[3]) {
    if (!d.contains(key)) return;
    const auto v = d[key].cast<std::vector<float>>();
    if (v.size() != 3) throw py::value_error(std::string(key) + " is three numbers");
    std::copy(v.begin(), v.end(), out);
}

py::list readFields(const EmitterProxy& p) {
    const Use use;
    p.select();
    ForceField fields[KORVID_MAX_FIELDS];
    const int32_t n = objGetEmitterFields(fields, KORVID_MAX_FIELDS);
    if (n < 0) raiseRefusal();
    py::list out;
    for (int32_t i = 0; i < n; ++i) {
        const ForceField& f = fields[i];
        py::dict d;
        d["kind"] = kFieldKinds[f.kind];
        d["position"] = std::vector<float>(std::begin(f.position), std::end(f.position));
        d["axis"] = std::vector<float>(std::begin(f.axis), std::end(f.axis));
        d["strength"] = f.strength;
        d["radius"] = f.radius;
        d["frequency"] = f.frequency;
        out.append(d);
    }
    return out;
}

void writeFields(const EmitterProxy& p, const py::object& value) {
    const Use use;
    p.select();
    std::vector<ForceField> fields;
    if (!value.is_none())
        for (const py::handle item : value.cast<py::sequence>()) {
            const py::dict d = item.cast<py::dict>();
            ForceField f{};
            f.kind = nameToIndex(kFieldKinds, d.contains("kind") ? d["kind"].cast<std::string>() : "", "kind");
            f.axis[1] = 1;
            vectorFrom(d, "position", f.position);
            vectorFrom(d, "axis", f.axis);
            if (d.contains("strength")) f.strength = d["strength"].cast<float>();
            if (d.contains("radius")) f.radius = d["radius"].cast<float>();
            if (d.contains("frequency")) f.frequency = d["frequency"].cast<float>();
            fields.push_back(f);
        }
    if (!objSetEmitterFields(fields.data(), int32_t(fields.size()))) raiseRefusal();
}

py::list readColliders(const EmitterProxy& p) {
    const Use use;
    p.select();
    Collider colliders[KORVID_MAX_COLLIDERS];
    const int32_t n = objGetEmitterColliders(colliders, KORVID_MAX_COLLIDERS);
    if (n < 0) raiseRefusal();
    py::list out;
    for (int32_t i = 0; i < n; ++i) {
        const Collider& c = colliders[i];
        py::dict d;
        d["kind"] = kColliderKinds[c.kind];
        d["model"] = c.model;
        d["position"] = std::vector<float>(std::begin(c.position), std::end(c.position));
        d["axis"] = std::vector<float>(std::begin(c.axis), std::end(c.axis));
        d["size"] = std::vector<float>(std::begin(c.size), std::end(c.size));
        d["bounce"] = c.bounce;
        d["friction"] = c.friction;
        d["response"] = kResponses[c.response];
        out.append(d);
    }
    return out;
}

void writeColliders(const EmitterProxy& p, const py::object& value) {
    const Use use;
    p.select();
    std::vector<Collider> colliders;
    if (!value.is_none())
        for (const py::handle item : value.cast<py::sequence>()) {
            const py::dict d = item.cast<py::dict>();
            Collider c{};
            c.kind = nameToIndex(kColliderKinds, d.contains("kind") ? d["kind"].cast<std::string>() : "", "kind");
            c.axis[1] = 1;
            if (d.contains("model")) c.model = d["model"].cast<int32_t>();
            vectorFrom(d, "position", c.position);
            vectorFrom(d, "axis", c.axis);
            if (d.contains("size")) {
                const py::object size = d["size"];
                if (py::isinstance<py::float_>(size) || py::isinstance<py::int_>(size)) c.size[0] = size.cast<float>();
                else vectorFrom(d, "size", c.size);
            }
            if (d.contains("bounce")) c.bounce = d["bounce"].cast<float>();
            if (d.contains("friction")) c.friction = d["friction"].cast<float>();
            c.response = nameToIndex(kResponses, d.contains("response") ? d["response"].cast<std::string>() : "bounce",
                                     "response");
            colliders.push_back(c);
        }
    if (!objSetEmitterColliders(colliders.data(), int32_t(colliders.size()))) raiseRefusal();
}

// The look's records as dicts, through one table of keys a record: a dict
// given changes the keys it names and keeps the others.
struct LookKey {
    const char* name;
    size_t offset;
    bool isFloat;
};
#define K(name, record, member, isFloat) LookKey{name, offsetof(record, member), isFloat}
constexpr LookKey kFlipbookKeys[] = {K("columns", Flipbook, columns, false),
                                     K("rows", Flipbook, rows, false),
                                     K("frames", Flipbook, frames, false),
                                     K("fps", Flipbook, fps, true),
                                     K("over_life", Flipbook, overLife, false),
                                     K("random_start", Flipbook, randomStart, false),
                                     K("blend", Flipbook, blend, false)};
constexpr LookKey kSpinKeys[] = {K("angle", ParticleSpin, angle, true),    K("angle_var", ParticleSpin, angleVar, true),
                                 K("spin", ParticleSpin, spin, true),      K("spin_var", ParticleSpin, spinVar, true),
                                 K("align", ParticleSpin, align, false),   K("stretch", ParticleSpin, stretch, true)};
constexpr LookKey kTrailKeys[] = {K("enabled", Trail, enabled, false),        K("length", Trail, length, false),
                                  K("min_distance", Trail, minDistance, true), K("width_start", Trail, widthStart, true),
                                  K("width_end", Trail, widthEnd, true),      K("alpha_end", Trail, alphaEnd, true)};
#undef K

template <class R, size_t N>
py::dict lookDict(const R& r, const LookKey (&keys)[N]) {
    py::dict d;
    const auto* base = reinterpret_cast<const unsigned char*>(&r);
    for (const LookKey& k : keys) {
        if (k.isFloat) d[k.name] = *reinterpret_cast<const float*>(base + k.offset);
        else d[k.name] = *reinterpret_cast<const int32_t*>(base + k.offset);
    }
    return d;
}

template <class R, size_t N>
void lookFrom(const py::dict& d, R& r, const LookKey (&keys)[N]) {
    auto* base = reinterpret_cast<unsigned char*>(&r);
    for (const auto& item : d) {
        const std::string name = item.first.cast<std::string>();
        const LookKey* key = nullptr;
        for (const LookKey& k : keys)
            if (name == k.name) key = &k;
        if (!key) throw py::value_error("there is no key '" + name + "' here");
        if (key->isFloat) *reinterpret_cast<float*>(base + key->offset) = item.second.cast<float>();
        else *reinterpret_cast<int32_t*>(base + key->offset) = item.second.cast<int32_t>();
    }
}

// A look property: the record read with `get`, changed by a dict, set with `set`.
template <class R, size_t N>
void lookProperty(py::class_<EmitterProxy>& c, const char* name, const LookKey (&keys)[N], bool (*get)(R*),
                  bool (*set)(const R*), const char* doc) {
    c.def_property(
        name,
        [get, &keys](EmitterProxy& p) {
            const Use use;
            p.select();
            R r{};
            if (!get(&r)) raiseRefusal();
            return lookDict(r, keys);
        },
        [get, set, &keys](EmitterProxy& p, py::object value) {
            const Use use;
            p.select();
            R r{};
            if (!value.is_none()) {
                if (!get(&r)) raiseRefusal();
                lookFrom(value.cast<py::dict>(), r, keys);
            }
            if (!set(&r)) raiseRefusal();
        },
        doc);
}

// Writes an array of rows of RGB or RGBA bytes as a PNG file.
void savePng(py::array_t<uint8_t, py::array::c_style | py::array::forcecast> pixels, const std::string& path) {
    if (pixels.ndim() != 3 || (pixels.shape(2) != 3 && pixels.shape(2) != 4))
        throw py::value_error("save_png takes an array of height x width x 3 or 4 bytes");
    const int64_t height = pixels.shape(0), width = pixels.shape(1), channels = pixels.shape(2);
    if (width < 1 || height < 1 || width > 65535 || height > 65535) throw py::value_error("a PNG is 1 to 65535 pixels a side");
    korvid::support::Image image;
    image.width = int(width);
    image.height = int(height);
    image.rgba.assign(size_t(width * height * 4), 255);
    const auto view = pixels.unchecked<3>();
    for (int64_t y = 0; y < height; ++y)
        for (int64_t x = 0; x < width; ++x)
            for (int64_t ch = 0; ch < channels; ++ch) image.rgba[size_t((y * width + x) * 4 + ch)] = view(y, x, ch);
    std::string error;
    if (!korvid::support::writePng(checkedPath(path), image, &error)) raise(path + ": " + error);
}

}  // namespace

PYBIND11_MODULE(_korvid, m) {
    m.doc() = "Korvid: load, change, save and render particle effects, without a display";
    py::register_exception<KorvidError>(m, "KorvidError", PyExc_RuntimeError);
    objSetProgressCallback(keepWorking, nullptr);

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
    emitter.def_property_readonly("burst", [](EmitterProxy& p) {
        p.index();  // a removed emitter has no burst
        return BurstProxy{p};
    });
    emitter.def_property(
        "colour_curve", [](EmitterProxy& p) { return readCurve(p, KORVID_CURVE_COLOUR); },
        [](EmitterProxy& p, py::object v) { writeCurve(p, KORVID_CURVE_COLOUR, v); },
        "Colour over life: (time, r, g, b, a) keys, time 0..1 increasing; [] or None removes it.");
    emitter.def_property(
        "size_curve", [](EmitterProxy& p) { return readCurve(p, KORVID_CURVE_SIZE); },
        [](EmitterProxy& p, py::object v) { writeCurve(p, KORVID_CURVE_SIZE, v); },
        "Size over life: (time, size) keys, time 0..1 increasing; [] or None removes it.");
    emitter.def_property("shape", &readShape, &writeShape,
                         "Where particles are born: {'kind': 'point'|'sphere'|'box'|'disc'|'mesh', 'size': [..], "
                         "'shell': bool}.");
    emitter.def_property("fields", &readFields, &writeFields,
                         "Force fields, applied in order: [{'kind': 'wind'|'drag'|'attractor'|'vortex'|'noise', "
                         "'position': [x, y, z], 'axis': [x, y, z], 'strength': s, 'radius': r, 'frequency': f}]; "
                         "[] or None removes them.");
    emitter.def_property("colliders", &readColliders, &writeColliders,
                         "Colliders: [{'kind': 'plane'|'sphere'|'box'|'model', 'model': index, 'position': [..], "
                         "'axis': [..], 'size': [..] or r, 'bounce': b, 'friction': f, "
                         "'response': 'bounce'|'stick'|'die'|'burst'}]; [] or None removes them.");
    lookProperty(emitter, "flipbook", kFlipbookKeys, &objGetEmitterFlipbook, &objSetEmitterFlipbook,
                 "The image played as a sheet of cells: {'columns', 'rows', 'frames', 'fps', 'over_life', "
                 "'random_start', 'blend'}; keys given change, others stay; None turns it off.");
    lookProperty(emitter, "spin", kSpinKeys, &objGetEmitterSpin, &objSetEmitterSpin,
                 "Turn and stretch: {'angle', 'angle_var', 'spin', 'spin_var' (radians, a second), 'align' (0 camera, "
                 "1 velocity), 'stretch'}; None resets it.");
    lookProperty(emitter, "trail", kTrailKeys, &objGetEmitterTrail, &objSetEmitterTrail,
                 "Trails: {'enabled', 'length' (ms), 'min_distance', 'width_start', 'width_end', 'alpha_end'}; None "
                 "turns them off.");
    emitter.def_property(
        "sort",
        [](EmitterProxy& p) {
            const Use use;
            p.select();
            const int32_t mode = objGetEmitterSort();
            if (mode < 0) raiseRefusal();
            return std::string(mode == KORVID_SORT_BACK_TO_FRONT ? "back_to_front" : "none");
        },
        [](EmitterProxy& p, const std::string& mode) {
            const Use use;
            p.select();
            constexpr const char* kSorts[] = {"none", "back_to_front"};
            if (!objSetEmitterSort(nameToIndex(kSorts, mode, "sort"))) raiseRefusal();
        },
        "The order Polygons are drawn in: 'none' (newest first) or 'back_to_front'.");

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
                                   for (int i = 0; i < e->emitterCount(); ++i) out.push_back({e, e->emitterId(i)});
                                   return out;
                               })
        .def(
            "add_emitter",
            [](std::shared_ptr<Entity> e, const std::string& name) {
                const int index = e->addEmitter(name);
                return EmitterProxy{e, e->emitterId(index)};
            },
            py::arg("name") = "Emitter")
        .def("remove_emitter", &Entity::removeEmitter, py::arg("index"))
        .def("render", &Entity::render, py::arg("size") = std::pair<int, int>(640, 480), py::arg("time_ms") = 0,
             py::arg("camera") = py::none(), py::arg("seed") = 1, py::arg("transparent") = false)
        .def("stats", &Entity::stats, py::arg("time_ms"));
    m.def("save_png", &savePng, py::arg("pixels"), py::arg("path"),
          "Writes a height x width x 3 (RGB) or 4 (RGBA) array of bytes as a PNG file.");
}

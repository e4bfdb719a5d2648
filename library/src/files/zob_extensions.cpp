// Reading and writing of the ZOB block of curves, shapes, fields and colliders.
#include "zob_extensions.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "model.h"
#include "particles.h"
#include "platform.h"
#include "textscan.h"

namespace korvid {
namespace {

struct BlockError {
    int32_t line;  // the line that is wrong
    const char* why;
};

// The block's lines, each checked as it is read; a line that is wrong throws
// BlockError with its number. Lines are counted as the reading goes, so the
// whole block costs one pass over the text.
class BlockLines {
public:
    BlockLines(std::string_view text, size_t start) : text_(text), reader_(text) { reader_.seek(start); }

    // The next line, or false at the end of the text.
    bool next() {
        const bool more = reader_.next(line_);
        moveTo(more ? static_cast<size_t>(line_.data() - text_.data()) : text_.size());
        return more;
    }
    void require(const char* what) {
        if (!next()) fail(what);
    }
    std::string word() {
        char out[64];
        const char* p = line_.data();
        if (!scanWord(p, p + line_.size(), out, sizeof out)) return {};
        return out;
    }
    // A whole line holding one integer from low to high.
    int32_t integer(const char* what, int32_t low, int32_t high) {
        require(what);
        int32_t value = 0;
        if (!scanWholeInt(line_, value) || value < low || value > high) fail(what);
        return value;
    }
    // A whole line holding `count` finite numbers.
    void floats(float* out, int count, const char* what) {
        require(what);
        if (!scanWholeFloats(line_, out, count)) fail(what);
    }
    [[noreturn]] void fail(const char* why) const { throw BlockError{lineNo_, why}; }
    int32_t line() const { return lineNo_; }

private:
    void moveTo(size_t at) {
        const auto from = text_.begin() + static_cast<ptrdiff_t>(at_);
        lineNo_ += static_cast<int32_t>(std::count(from, text_.begin() + static_cast<ptrdiff_t>(at), '\n'));
        at_ = at;
    }
    std::string_view text_;
    LineReader reader_;
    std::string_view line_;
    size_t at_ = 0;
    int32_t lineNo_ = 1;
};

void readCurve(BlockLines& in, ParsedExtensions& out) {
    const int32_t emitter = in.integer("an emitter number of the file is expected", 0, int32_t(out.emitters.size()) - 1);
    const int32_t which = in.integer("a curve is 0 (colour) or 1 (size)", KORVID_CURVE_COLOUR, KORVID_CURVE_SIZE);
    EmitterExtras& extras = out.emitters[size_t(emitter)];
    if (extras.hasCurve[which]) in.fail("the emitter's curve is given twice");
    const int32_t count = in.integer("a curve has 1 to 16 keys", 1, KORVID_MAX_CURVE_KEYS);
    std::vector<CurveKey> keys(static_cast<size_t>(count));
    for (CurveKey& key : keys) {
        float values[5];
        in.floats(values, 5, "a key is a time and four values");
        key.time = values[0];
        std::copy(values + 1, values + 5, key.value);
        // Each key is checked as it comes, so the message names its line.
        LifeCurve check;
        const char* why = "";
        const size_t upTo = static_cast<size_t>(&key - keys.data()) + 1;
        if (setLifeCurve(check, which, keys.data(), int32_t(upTo), &why) != Failure::None) in.fail(why);
    }
    extras.curves[which] = std::move(keys);
    extras.hasCurve[which] = true;
}

void readShape(BlockLines& in, ParsedExtensions& out) {
    const int32_t tagLine = in.line();
    const int32_t emitter = in.integer("an emitter number of the file is expected", 0, int32_t(out.emitters.size()) - 1);
    EmitterExtras& extras = out.emitters[size_t(emitter)];
    if (extras.hasShape) in.fail("the emitter's shape is given twice");
    extras.shapeLine = tagLine;
    EmitterShape shape{};
    shape.kind = in.integer("a shape kind is 0 to 4", KORVID_SHAPE_POINT, KORVID_SHAPE_MESH);
    in.floats(shape.size, 3, "a shape has three sizes");
    for (float s : shape.size)
        if (!(s >= 0) || s > 3.4e38f) in.fail("a shape's sizes are numbers of 0 or more");
    shape.shell = in.integer("shell is 0 or 1", 0, 1);
    extras.shape = shape;
    extras.hasShape = true;
}

void readField(BlockLines& in, ParsedExtensions& out) {
    const int32_t emitter = in.integer("an emitter number of the file is expected", 0, int32_t(out.emitters.size()) - 1);
    EmitterExtras& extras = out.emitters[size_t(emitter)];
    if (extras.fields.size() >= size_t(KORVID_MAX_FIELDS)) in.fail("an emitter has at most 8 force fields");
    ForceField f{};
    f.kind = in.integer("a field kind is 0 to 4", KORVID_FIELD_WIND, KORVID_FIELD_NOISE);
    in.floats(f.position, 3, "a field has a position of three numbers");
    in.floats(f.axis, 3, "a field has an axis of three numbers");
    float values[3];
    in.floats(values, 3, "a field has a strength, a radius and a frequency");
    f.strength = values[0], f.radius = values[1], f.frequency = values[2];
    if (const char* problem = fieldProblem(f)) in.fail(problem);
    extras.fields.push_back(f);
}

void readCollider(BlockLines& in, ParsedExtensions& out) {
    const int32_t emitter = in.integer("an emitter number of the file is expected", 0, int32_t(out.emitters.size()) - 1);
    EmitterExtras& extras = out.emitters[size_t(emitter)];
    if (extras.colliders.size() >= size_t(KORVID_MAX_COLLIDERS)) in.fail("an emitter has at most 8 colliders");
    Collider c{};
    c.kind = in.integer("a collider kind is 0 to 3", KORVID_COLLIDER_PLANE, KORVID_COLLIDER_MODEL);
    c.model = in.integer("a collider's model is -2, -1 or a model's number", kNoModel, INT32_MAX);
    in.floats(c.position, 3, "a collider has a position of three numbers");
    in.floats(c.axis, 3, "a collider has an axis of three numbers");
    in.floats(c.size, 3, "a collider has three sizes");
    float values[2];
    in.floats(values, 2, "a collider has a bounce and a friction");
    c.bounce = values[0], c.friction = values[1];
    c.response = in.integer("a response is 0 to 3", KORVID_HIT_BOUNCE, KORVID_HIT_BURST);
    if (const char* problem = colliderProblem(c)) in.fail(problem);
    extras.colliders.push_back(c);
}

// Which part of a look an entry gives, for the check that it comes once.
enum LookPart { kFlipbookPart, kSpinPart, kTrailPart, kSortPart };

EmitterExtras& lookEntry(BlockLines& in, ParsedExtensions& out, LookPart part, const char* twice) {
    const int32_t emitter = in.integer("an emitter number of the file is expected", 0, int32_t(out.emitters.size()) - 1);
    EmitterExtras& extras = out.emitters[size_t(emitter)];
    if (extras.hasLook[part]) in.fail(twice);
    extras.hasLook[part] = true;
    return extras;
}

void readFlipbook(BlockLines& in, ParsedExtensions& out) {
    Flipbook& f = lookEntry(in, out, kFlipbookPart, "the emitter's flipbook is given twice").look.flipbook;
    f.columns = in.integer("a flipbook's columns are 0 to 4096", 0, KORVID_MAX_FLIPBOOK_CELLS);
    f.rows = in.integer("a flipbook's rows are 0 to 4096", 0, KORVID_MAX_FLIPBOOK_CELLS);
    f.frames = in.integer("a flipbook's frames are 0 to 4096", 0, KORVID_MAX_FLIPBOOK_CELLS);
    in.floats(&f.fps, 1, "a flipbook's rate is a number");
    f.overLife = in.integer("over life is 0 or 1", 0, 1);
    f.randomStart = in.integer("random start is 0 or 1", 0, 1);
    f.blend = in.integer("blend is 0 or 1", 0, 1);
    if (const char* problem = flipbookProblem(f)) in.fail(problem);
}

void readSpin(BlockLines& in, ParsedExtensions& out) {
    ParticleSpin& s = lookEntry(in, out, kSpinPart, "the emitter's spin is given twice").look.spin;
    float values[2];
    in.floats(values, 2, "an angle and its spread are expected");
    s.angle = values[0], s.angleVar = values[1];
    in.floats(values, 2, "a spin and its spread are expected");
    s.spin = values[0], s.spinVar = values[1];
    s.align = in.integer("align is 0 or 1", 0, 1);
    in.floats(&s.stretch, 1, "a stretch is expected");
    if (const char* problem = spinProblem(s)) in.fail(problem);
}

void readTrail(BlockLines& in, ParsedExtensions& out) {
    Trail& t = lookEntry(in, out, kTrailPart, "the emitter's trail is given twice").look.trail;
    t.enabled = in.integer("enabled is 0 or 1", 0, 1);
    t.length = in.integer("a trail's length is 0 to 60000 ms", 0, KORVID_MAX_TRAIL_MS);
    float values[4];
    in.floats(values, 4, "a distance, two widths and an alpha are expected");
    t.minDistance = values[0], t.widthStart = values[1], t.widthEnd = values[2], t.alphaEnd = values[3];
    if (const char* problem = trailProblem(t)) in.fail(problem);
}

void readSort(BlockLines& in, ParsedExtensions& out) {
    EmitterLook& look = lookEntry(in, out, kSortPart, "the emitter's sort is given twice").look;
    look.sort = in.integer("a sort is 0 or 1", KORVID_SORT_NONE, KORVID_SORT_BACK_TO_FRONT);
}

}  // namespace

std::vector<HeldCollider> heldColliders(const EmitterExtras& extras, const Model& own, const ModelStore& store) {
    std::vector<HeldCollider> held;
    for (const Collider& c : extras.colliders) {
        HeldCollider h;
        h.given = c;
        if (c.kind == KORVID_COLLIDER_MODEL) {
            if (c.model == kOwnModel) h.modelSerial = own.serial;
            else if (c.model >= 0 && c.model < store.count()) h.modelSerial = store.models[size_t(c.model)]->serial;
            h.given.model = modelIndexOf(&store, h.modelSerial);
        }
        held.push_back(h);
    }
    return held;
}

ParsedExtensions parseExtensions(std::string_view text, size_t start, int32_t emitterCount) {
    ParsedExtensions out;
    BlockLines in(text, start);
    if (!in.next() || in.word() != kExtensionsTag) return out;
    out.present = true;
    out.emitters.resize(static_cast<size_t>(std::max(emitterCount, 0)));
    try {
        if (in.integer("the block's version is expected", 1, 1 << 30) != kExtensionsVersion)
            in.fail("this version of the block is not known");
        for (;;) {
            in.require("the block ends early: [END_EXTENSIONS] is missing");
            const std::string tag = in.word();
            if (tag == "[END_EXTENSIONS]") break;
            if (tag == "[CURVE]") readCurve(in, out);
            else if (tag == "[SHAPE]") readShape(in, out);
            else if (tag == "[FIELD]") readField(in, out);
            else if (tag == "[COLLIDER]") readCollider(in, out);
            else if (tag == "[FLIPBOOK]") readFlipbook(in, out);
            else if (tag == "[SPIN]") readSpin(in, out);
            else if (tag == "[TRAIL]") readTrail(in, out);
            else if (tag == "[SORT]") readSort(in, out);
            else in.fail("[CURVE], [SHAPE], [FIELD], [COLLIDER], [FLIPBOOK], [SPIN], [TRAIL], [SORT] or [END_EXTENSIONS] is expected");
        }
    } catch (const BlockError& e) {
        out.failureLine = e.line;
        out.failure = e.why;
        out.emitters.clear();
        return out;
    }
    return out;
}

std::string extensionsText(const std::vector<const Emitter*>& emitters, const Model* own, const ModelStore* store) {
    const bool any = std::any_of(emitters.begin(), emitters.end(), [](const auto& e) {
        return e->curves[0].on() || e->curves[1].on() || !e->shape.point() || !e->fields.empty() ||
               !e->colliders.empty() || !e->look.isDefault();
    });
    if (!any) return {};
    platform::CLocaleScope cLocale;
    std::string out;
    char line[160];
    auto put = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    // The shortest text that reads back as the same float: 0.9, not 0.899999976.
    auto numbers = [&](const float* v, int n) {
        for (int i = 0; i < n; ++i) {
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text, v[i]).ptr;
            if (i) out += ' ';
            out.append(text, end);
        }
    };
    put("%s\n%d //Extension Version\n\n", kExtensionsTag, kExtensionsVersion);
    static const char* const kShapeNames[5] = {"Point", "Sphere", "Box", "Disc", "Mesh"};
    static const char* const kCurveNames[2] = {"Colour", "Size"};
    static const char* const kKeyValues[2] = {"R G B A", "size (and three unused values)"};
    for (size_t i = 0; i < emitters.size(); ++i) {
        const Emitter& e = *emitters[i];
        for (int which = 0; which < 2; ++which) {
            const auto& keys = e.curves[which].keys;
            if (keys.empty()) continue;
            put("[CURVE]\n%zu //Emitter\n%d //Curve: %s\n%zu //Key Count: time, %s\n", i, which, kCurveNames[which],
                keys.size(), kKeyValues[which]);
            for (const CurveKey& k : keys) {
                numbers(&k.time, 1);
                out += ' ';
                numbers(k.value, 4);
                out += '\n';
            }
            out += '\n';
        }
        if (!e.shape.point()) {
            const EmitterShape& s = e.shape.shape;
            put("[SHAPE]\n%zu //Emitter\n%d //Kind: %s\n", i, s.kind, kShapeNames[s.kind]);
            numbers(s.size, 3);
            put(" //Size\n%d //Shell\n\n", s.shell);
        }
        static const char* const kFieldNames[5] = {"Wind", "Drag", "Attractor", "Vortex", "Noise"};
        for (const ForceField& f : e.fields) {
            put("[FIELD]\n%zu //Emitter\n%d //Kind: %s\n", i, f.kind, kFieldNames[f.kind]);
            numbers(f.position, 3);
            out += " //Position\n";
            numbers(f.axis, 3);
            out += " //Axis\n";
            const float values[3] = {f.strength, f.radius, f.frequency};
            numbers(values, 3);
            out += " //Strength, radius, frequency\n\n";
        }
        static const char* const kColliderNames[4] = {"Plane", "Sphere", "Box", "Model"};
        static const char* const kResponseNames[4] = {"Bounce", "Stick", "Die", "Burst"};
        for (const HeldCollider& h : e.colliders) {
            const Collider& c = h.given;
            int32_t model = c.model;
            if (c.kind == KORVID_COLLIDER_MODEL) {
                const int32_t index = modelIndexOf(store, h.modelSerial);
                model = own && h.modelSerial == own->serial ? kOwnModel : index >= 0 ? index : kNoModel;
            }
            put("[COLLIDER]\n%zu //Emitter\n%d //Kind: %s\n%d //Model (-1 this file's, -2 none)\n", i, c.kind,
                kColliderNames[c.kind], model);
            numbers(c.position, 3);
            out += " //Position\n";
            numbers(c.axis, 3);
            out += " //Axis\n";
            numbers(c.size, 3);
            out += " //Size\n";
            const float values[2] = {c.bounce, c.friction};
            numbers(values, 2);
            put(" //Bounce, friction\n%d //Response: %s\n\n", c.response, kResponseNames[c.response]);
        }
        const EmitterLook& look = e.look;
        if (!look.flipbookDefault()) {
            const Flipbook& f = look.flipbook;
            put("[FLIPBOOK]\n%zu //Emitter\n%d //Columns\n%d //Rows\n%d //Frames\n", i, f.columns, f.rows, f.frames);
            numbers(&f.fps, 1);
            put(" //Frames a second\n%d //Over life\n%d //Random start\n%d //Blend\n\n", f.overLife, f.randomStart,
                f.blend);
        }
        if (!look.spinDefault()) {
            const ParticleSpin& sp = look.spin;
            put("[SPIN]\n%zu //Emitter\n", i);
            const float angle[2] = {sp.angle, sp.angleVar}, spin[2] = {sp.spin, sp.spinVar};
            numbers(angle, 2);
            out += " //Angle, spread (radians)\n";
            numbers(spin, 2);
            put(" //Spin, spread (radians a second)\n%d //Align: 0 camera, 1 velocity\n", sp.align);
            numbers(&sp.stretch, 1);
            out += " //Stretch\n\n";
        }
        if (!look.trailDefault()) {
            const Trail& t = look.trail;
            put("[TRAIL]\n%zu //Emitter\n%d //Enabled\n%d //Length (ms)\n", i, t.enabled, t.length);
            const float values[4] = {t.minDistance, t.widthStart, t.widthEnd, t.alphaEnd};
            numbers(values, 4);
            out += " //Min distance, width start, width end, alpha end\n\n";
        }
        if (look.sort != KORVID_SORT_NONE) put("[SORT]\n%zu //Emitter\n%d //Sort: back to front\n\n", i, look.sort);
    }
    out += "[END_EXTENSIONS]\n";
    return out;
}

}  // namespace korvid

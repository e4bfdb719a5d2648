// Parsing of ZOB entity files into a plain value; nothing here touches
// OpenGL or the library's state.
#include "zob_parse.h"

#include <algorithm>
#include <cstring>

#include "normals.h"
#include "particles.h"
#include "record_fields.h"
#include "textscan.h"

namespace korvid {
namespace {

struct EndOfFile {};
// The caller's progress function asked the parse to stop.
struct Stopped {};
// The file would need more memory than a load may take.
struct OverBudget {};

// What the parse has promised to allocate, against the load's limit.
class LoadCost {
public:
    LoadCost(const LoadLimits& limits, size_t textSize) : limits_(limits), textSize_(textSize) {}
    void add(int64_t bytes) {
        spent_ += std::max<int64_t>(0, bytes);
        if (limits_.memory > 0 && spent_ > limits_.memory) throw OverBudget{};
    }
    int64_t spent() const { return spent_; }
    // Called at each unit of work with how far into the text it is.
    void working(size_t position) {
        if (limits_.progress && !limits_.progress->goOn(textSize_ ? float(double(position) / double(textSize_)) : 1.0f))
            throw Stopped{};
    }

private:
    const LoadLimits& limits_;
    size_t textSize_;
    int64_t spent_ = 0;
};

// Line-by-line access to the file with the scan conversions of the format.
// A conversion that fails leaves its target as it was.
// A number that a strict reading refuses, at `line` (counted from 1).
struct BadNumber {
    size_t offset;  // where its line starts in the text
};

class ZobLines {
public:
    ZobLines(std::string_view text, size_t start, bool strict = false)
        : text_(text), reader_(text), strict_(strict) {
        reader_.seek(start);
    }
    // The number of the line at `offset`.
    int32_t lineAt(size_t offset) const {
        return 1 + static_cast<int32_t>(std::count(text_.begin(), text_.begin() + static_cast<ptrdiff_t>(offset), '\n'));
    }

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
        if (strict_) {
            if (!scanWholeInt(line_, out)) refuse();
            return;
        }
        const char* p = line_.data();
        scanInt(p, p + line_.size(), out);
    }
    void floats(float* out, int count) {
        next();
        float values[6];
        if (strict_) {
            if (!scanWholeFloats(line_, values, count)) refuse();
            std::copy(values, values + count, out);
            return;
        }
        const int n = scanFloats(line_, values, count);
        for (int i = 0; i < n; ++i) out[i] = values[i];
    }
    size_t position() const { return reader_.position(); }
    // Vertex lines must carry all their numbers.
    bool exactFloats(float* out, int count) { return scanFloats(next(), out, count) == count; }

private:
    [[noreturn]] void refuse() const { throw BadNumber{static_cast<size_t>(line_.data() - text_.data())}; }
    std::string_view text_;
    LineReader reader_;
    std::string_view line_;
    bool strict_ = false;
};

// Reads the fields of one record that files store, a line each, in table order.
template <class Record>
void readFields(ZobLines& in, Record& r, std::span<const Field<Record>> fields) {
    for (const Field<Record>& f : fields) {
        if (!(f.flags & kInFile)) continue;
        switch (f.kind) {
        case FieldKind::Int: in.integer(*f.template in<int32_t>(r)); break;
        case FieldKind::Float: in.floats(f.template in<float>(r), f.count); break;
        case FieldKind::Text: in.text(f.template in<char>(r), static_cast<size_t>(f.count)); break;
        }
    }
}

void readSurface(ZobLines& in, Surface& s, size_t textSize, LoadCost& cost) {
    if (in.firstWord() != "[SURFACE]") throw EndOfFile{};
    readFields(in, s, surfaceFields());
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
    cost.add(int64_t(s.polygonCount) * kSurfaceBytesPerTriangle);
    if (!s.allocate(s.polygonCount)) throw EndOfFile{};
    for (int64_t i = 0; i < vertices; ++i) {
        if (i % 4096 == 0) cost.working(in.position());
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

}  // namespace

namespace {
void parseZobText(std::string_view text, ParsedEntity& out, LoadCost& cost);
}  // namespace

ParsedEntity parseZob(std::string_view text, const LoadLimits& limits) {
    ParsedEntity out;
    LoadCost cost(limits, text.size());
    try {
        parseZobText(text, out, cost);
    } catch (const Stopped&) {
        out = ParsedEntity{};
        out.failure = Failure::Cancelled;
    } catch (const OverBudget&) {
        out = ParsedEntity{};
        out.failure = Failure::OutOfMemory;
        out.needsMoreMemory = true;
    }
    return out;
}

namespace {

void parseZobText(std::string_view text, ParsedEntity& out, LoadCost& cost) {
    // The header word: at most 31 characters after any leading white space.
    size_t pos = 0;
    while (pos < text.size() && std::strchr(" \t\n\v\f\r", text[pos]) && text[pos]) ++pos;
    const size_t start = pos;
    while (pos < text.size() && pos - start < 31 && !std::strchr(" \t\n\v\f\r", text[pos]) && text[pos]) ++pos;
    out.header = std::string(text.substr(start, pos - start));
    if (out.header != kZobVersion) {
        out.failure = Failure::VersionMismatch;
        return;
    }

    ZobLines in(text, pos);
    try {
        while (in.firstWord() == "[IMAGE]") {
            TextureInfo info{};
            readFields(in, info, imageFields());
            out.images.push_back(info);
        }
        in.integer(out.polygonCount);
        in.integer(out.surfaceCount);
        if (out.surfaceCount < 0 || out.surfaceCount > KORVID_MAX_SURFACES) throw EndOfFile{};
        std::vector<Surface> surfaces(static_cast<size_t>(out.surfaceCount));
        for (Surface& s : surfaces) readSurface(in, s, text.size(), cost);
        out.surfaces = std::move(surfaces);
    } catch (const EndOfFile&) {
        out.failure = Failure::VerticesData;
        return;
    }
    // Every emitter whose shape is the mesh shares one table of its triangles.
    cost.add(int64_t(std::max(0, out.polygonCount)) * kMeshTableBytesPerTriangle);

    try {
        if (in.firstWord() != "[PARTICLE_SYSTEMS]") throw EndOfFile{};
        int32_t count = 0;
        in.integer(count);
        // One working record for all emitters: what a block does not store
        // carries over from the emitter before it.
        EmitterData working;
        initEmitter(working);
        BurstData burst = working.burst;
        for (int32_t i = 0; i < count; ++i) {
            if (i % 256 == 0) cost.working(in.position());
            if (in.firstWord() != "[EMITTER]") throw EndOfFile{};
            readFields(in, working, emitterFields());
            cost.add(int64_t(std::max(0, working.totalParticles)) * kParticleBytes + int64_t(sizeof(Emitter)));
            out.emitters.push_back({working, false, {}});
            if (working.isBurst) {
                readFields(in, burst, burstFields());
                out.emitters.back().hasBurst = true;
                out.emitters.back().burst = burst;
            }
        }
    } catch (const EndOfFile&) {
        out.failure = Failure::ParticleData;
        return;
    }
    cost.working(in.position());
    out.extensions = parseExtensions(text, in.position(), static_cast<int32_t>(out.emitters.size()));
    if (out.extensions.failureLine != 0) out.failure = Failure::ExtensionData;
}

}  // namespace

bool parseEmitterText(std::string_view text, ParsedEmitter& emitter, ParsedExtensions& extras, std::string& why) {
    // The form's first line, then the block as a file holds it.
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || text.substr(start, std::strlen(kEmitterTextHeader)) != kEmitterTextHeader) {
        why = "the text is not an emitter copied from Vantor";
        return false;
    }
    // Our own form: every number is read whole and checked.
    ZobLines in(text, start, true);
    ParsedEmitter parsed;
    try {
        if (in.firstWord() != "[EMITTER]") throw EndOfFile{};
        initEmitter(parsed.record);
        readFields(in, parsed.record, emitterFields());
        parsed.burst = parsed.record.burst;
        if (parsed.record.isBurst) {
            readFields(in, parsed.burst, burstFields());
            parsed.hasBurst = true;
        }
    } catch (const EndOfFile&) {
        why = "the emitter's lines end early";
        return false;
    } catch (const BadNumber& bad) {
        why = "line " + std::to_string(in.lineAt(bad.offset)) + ": a number is expected";
        return false;
    }
    ParsedExtensions x = parseExtensions(text, in.position(), 1);
    if (x.failureLine != 0) {
        why = "line " + std::to_string(x.failureLine) + ": " + x.failure;
        return false;
    }
    emitter = parsed;
    extras = std::move(x);
    return true;
}

}  // namespace korvid

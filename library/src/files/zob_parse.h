// The ZOB reader in two steps. parseZob turns a file's text into a plain
// value without touching OpenGL or any state of the library; commitZob then
// adds the images, the model and its emitters, stage by stage, so that a
// damaged file leaves exactly what reading it line by line would leave.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "progress.h"
#include "korvid.h"
#include "model.h"
#include "zob_extensions.h"

namespace korvid {

inline constexpr const char* kZobVersion = "#ZOBv0.6.5";

struct ParsedEmitter {
    EmitterData record{};  // the working record as it stood after this emitter's lines
    bool hasBurst = false; // the burst lines were read in full
    BurstData burst{};
};

struct ParsedEntity {
    // Where the parse stopped: None (the whole file), VersionMismatch,
    // VerticesData (in the image or surface part), ParticleData or
    // ExtensionData (in the block of curves and shapes; see extensions);
    // Cancelled or OutOfMemory (the limits of the load) with nothing read.
    Failure failure = Failure::None;
    bool needsMoreMemory = false;      // the file needs more than the load's memory limit
    std::string header;                // the first word, for the version message
    std::vector<TextureInfo> images;   // complete image blocks, in file order
    int32_t polygonCount = 0;
    int32_t surfaceCount = 0;
    std::vector<Surface> surfaces;     // read when the model part is complete
    std::vector<ParsedEmitter> emitters;  // complete emitter blocks, in file order
    ParsedExtensions extensions;          // the emitters' curves and shapes
};

// What a load may spend: memory for the model, its shapes and particle
// pools (`memory` bytes; 0 or below, no limit), and a progress to ask
// whether it may go on.
struct LoadLimits {
    int64_t memory = 0;
    Progress* progress = nullptr;
};
// The memory a load takes for each triangle of a surface (corners, vertex
// and face normals, outline) and of the table mesh shapes share.
inline constexpr int64_t kSurfaceBytesPerTriangle = 96;
inline constexpr int64_t kMeshTableBytesPerTriangle = 48;

ParsedEntity parseZob(std::string_view text, const LoadLimits& limits = {});

// One emitter as text, for the clipboard: a first line naming the form, the
// emitter's block as a ZOB file holds it (its burst when it bursts), then
// its curves and shape as the extension block of a one-emitter file. Floats
// are written exactly, so the text reads back bit for bit.
inline constexpr const char* kEmitterTextHeader = "//Korvid emitter 1";
struct Emitter;
std::string emitterText(const Emitter& emitter, const Model* own);
// A model as the text of a ZOB file, floats written exactly, its images'
// blocks included (their pixels are not).
std::string entityText(const Model& model);
// Reads that text; false with `why` when it is not one (nothing else is set then).
bool parseEmitterText(std::string_view text, ParsedEmitter& emitter, ParsedExtensions& extras, std::string& why);

// Applies a parse to the library; false with the last error set when the
// parse or a stage of the commit failed. `folder` is the file's folder,
// where images are looked for when the working directory lacks them; with
// `imagesGiven` the images are already in the library and none is read.
bool commitZob(ParsedEntity&& parsed, const std::string& folder, bool imagesGiven = false);

}  // namespace korvid

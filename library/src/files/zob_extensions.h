// The block of a ZOB file that holds what the original format has no place
// for: emitters' curves over life, their shapes, force fields and colliders. It follows the last
// emitter, so a reader that stops there reads the rest of the file as if the
// block were not there. It also holds how the particles look: flipbooks,
// spin, trails and sorting. The grammar is in docs/zob-extensions.md.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "korvid.h"
#include "particle_look.h"

namespace korvid {

struct Model;
struct ModelStore;
struct HeldCollider;

// How a file names the model of a MODEL collider besides a scene index.
inline constexpr int32_t kOwnModel = -1;  // the model the file (or the pasted emitter) belongs to
inline constexpr int32_t kNoModel = -2;   // a model that was removed: the collider takes no part

inline constexpr const char* kExtensionsTag = "[EXTENSIONS]";
inline constexpr int32_t kExtensionsVersion = 1;

// What the block gives one emitter. Unset parts keep the emitter's defaults.
struct EmitterExtras {
    std::vector<CurveKey> curves[2];  // KORVID_CURVE_COLOUR, KORVID_CURVE_SIZE
    bool hasCurve[2] = {false, false};
    EmitterShape shape{KORVID_SHAPE_POINT, {0, 0, 0}, 0};
    bool hasShape = false;
    int32_t shapeLine = 0;  // where the shape was given, for a commit that refuses it
    std::vector<ForceField> fields;   // in the order given, axes normalised
    std::vector<Collider> colliders;  // in the order given; MODEL: kOwnModel, kNoModel or a scene index
    EmitterLook look;                 // flipbook, spin, trail and sort, each checked as the library checks it
    bool hasLook[4] = {false, false, false, false};  // which of them the block gave
};

// The colliders of `extras` for an emitter of `own` in `store`: kOwnModel
// names `own`, a scene index the model there (none: the collider takes no part).
std::vector<HeldCollider> heldColliders(const EmitterExtras& extras, const Model& own, const ModelStore& store);

struct ParsedExtensions {
    bool present = false;
    std::vector<EmitterExtras> emitters;  // one per emitter of the file
    int32_t failureLine = 0;              // 0: the block, if any, is sound
    std::string failure;                  // what is wrong at failureLine
};

// Reads the block starting at `start` in `text` (the position after the last
// emitter) for a file of `emitterCount` emitters. Anything else there, or
// nothing, is no block. Every key and shape is checked as the library would
// check it, so a sound parse commits without refusals (but for a mesh shape
// on a model without triangles).
ParsedExtensions parseExtensions(std::string_view text, size_t start, int32_t emitterCount);

// The block for `emitters` of model `own` in `store` (numbered from 0 in the
// order given), or "" when none has a curve, a shape other than the point, a
// field or a collider. Numbers are written with a dot in any locale and with
// every digit a float needs to read back the same.
std::string extensionsText(const std::vector<const struct Emitter*>& emitters, const Model* own,
                           const ModelStore* store);

}  // namespace korvid

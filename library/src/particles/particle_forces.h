// What moves an emitter's particles beyond its one force and its ground:
// force fields acting on their velocities, and colliders they cannot pass.
// Both run after a step's motion, particle by particle, so the workers can
// share them; the contacts they find are gathered for the calling thread.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "failure.h"
#include "korvid.h"

namespace korvid {

struct Model;
struct ModelStore;
class CollisionMesh;
class ParticleStore;

// A collider as the caller gave it, and the model a MODEL collider stands
// for (by its serial, which outlives index changes).
struct HeldCollider {
    Collider given{};
    uint64_t modelSerial = 0;
};

// What is wrong with one field or collider (null: nothing). A field's axis
// is normalised in place; a MODEL collider's model is not looked at.
const char* fieldProblem(ForceField& field);
const char* colliderProblem(Collider& collider);

// Checks `count` fields and copies them (axes normalised) into `out`;
// Failure::None, or FieldRefused with `why` filled and `out` unchanged.
Failure takeFields(const ForceField* fields, int32_t count, std::vector<ForceField>& out, const char** why);
// The same for colliders; MODEL colliders must name a model of `store`.
Failure takeColliders(const Collider* colliders, int32_t count, const ModelStore* store,
                      std::vector<HeldCollider>& out, const char** why);
// A collider as the getters report it: its model's index now, -1 when it is gone.
Collider reportedCollider(const HeldCollider& held, const ModelStore* store);
// The index of the model with `serial` in `store`, or -1.
int32_t modelIndexOf(const ModelStore* store, uint64_t serial);

// One contact found by a step, with the particle's index, so that contacts
// found by different workers can be put in order.
struct FoundHit {
    int32_t particle;
    ParticleHit hit;
};

// A collider ready for a step: model colliders with their mesh and the
// model's place.
struct StepCollider {
    Collider c{};
    std::shared_ptr<const CollisionMesh> mesh;  // MODEL: null when the model is gone or has no triangles
    float offset[3]{};                          // MODEL: where the model stands
};

struct ForcePass {
    const std::vector<ForceField>* fields = nullptr;
    std::vector<StepCollider> colliders;
    float seconds = 0;  // the emitter's simulation time, for the noise
    bool keepHits = false;
};

// Prepares the colliders of a step (builds model meshes that are missing);
// calling thread only.
std::vector<StepCollider> stepColliders(const std::vector<HeldCollider>& held, ModelStore* store);

// Fields and colliders for particles [begin, end) of a store whose motion
// step just ran. Returns the contacts; `hits` receives them when kept.
int64_t applyForces(const ForcePass& pass, ParticleStore& store, int64_t begin, int64_t end,
                    std::vector<FoundHit>* hits);

// The model's triangles as colliders see them, built when first needed.
std::shared_ptr<const CollisionMesh> collisionMeshOf(Model& model);

}  // namespace korvid

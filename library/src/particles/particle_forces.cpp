#include "particle_forces.h"

#include <cmath>
#include <cstring>

#include "collision_mesh.h"
#include "curl_noise.h"
#include "emitter_shape.h"
#include "model.h"
#include "particle_store.h"

namespace korvid {
namespace {

bool finite(float v) { return std::isfinite(v); }
bool finite3(const float v[3]) { return finite(v[0]) && finite(v[1]) && finite(v[2]); }

// A particle put back on a surface stays this far on its free side, so the
// rounding of the contact point never leaves it on the other.
constexpr float kSkin = 1e-4f;

float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Normalises v in place; false for a zero or non-finite length.
bool normalise(float v[3]) {
    const float length = std::sqrt(dot(v, v));
    if (!(length > 0.0f) || !finite(length)) return false;
    for (int a = 0; a < 3; ++a) v[a] = v[a] / length;
    return true;
}

const Model* modelBySerial(const ModelStore* store, uint64_t serial, int32_t* index = nullptr) {
    if (!store) return nullptr;
    for (size_t i = 0; i < store->models.size(); ++i)
        if (store->models[i]->serial == serial) {
            if (index) *index = int32_t(i);
            return store->models[i].get();
        }
    return nullptr;
}

// Where a step from `from` to `to` first meets a collider: the segment's
// parameter, the contact point and the normal on the free side. A particle
// that ends a step inside a solid it was already in is pushed out to the
// nearest point of its surface (parameter 1).
struct Contact3 {
    float t;
    float at[3];
    float normal[3];
};

bool meetPlane(const Collider& c, const float from[3], const float to[3], Contact3& out) {
    const float* n = c.axis;
    const float d1 = (to[0] - c.position[0]) * n[0] + (to[1] - c.position[1]) * n[1] + (to[2] - c.position[2]) * n[2];
    if (d1 >= 0.0f) return false;
    const float d0 =
        (from[0] - c.position[0]) * n[0] + (from[1] - c.position[1]) * n[1] + (from[2] - c.position[2]) * n[2];
    if (d0 >= 0.0f) {
        out.t = d0 / (d0 - d1);
        for (int a = 0; a < 3; ++a) out.at[a] = from[a] + out.t * (to[a] - from[a]);
    } else {
        out.t = 1.0f;
        for (int a = 0; a < 3; ++a) out.at[a] = to[a] - d1 * n[a];
    }
    std::memcpy(out.normal, n, sizeof out.normal);
    return true;
}

bool meetSphere(const Collider& c, const float from[3], const float to[3], Contact3& out) {
    const float r = c.size[0];
    const float e[3] = {to[0] - c.position[0], to[1] - c.position[1], to[2] - c.position[2]};
    if (dot(e, e) >= r * r) return false;
    const float o[3] = {from[0] - c.position[0], from[1] - c.position[1], from[2] - c.position[2]};
    const float d[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const float oo = dot(o, o);
    if (oo >= r * r) {
        // Entering: the first root of |o + t d| = r.
        const float a = dot(d, d), b = dot(o, d), k = oo - r * r;
        const float disc = b * b - a * k;
        const float t = a > 0.0f ? (-b - std::sqrt(disc > 0.0f ? disc : 0.0f)) / a : 0.0f;
        out.t = t < 0.0f ? 0.0f : t > 1.0f ? 1.0f : t;
        float n[3];
        for (int i = 0; i < 3; ++i) n[i] = o[i] + out.t * d[i];
        if (!normalise(n)) n[0] = 0, n[1] = 1, n[2] = 0;
        std::memcpy(out.normal, n, sizeof n);
    } else {
        out.t = 1.0f;
        float n[3] = {e[0], e[1], e[2]};
        if (!normalise(n)) n[0] = 0, n[1] = 1, n[2] = 0;
        std::memcpy(out.normal, n, sizeof n);
    }
    for (int i = 0; i < 3; ++i) out.at[i] = c.position[i] + r * out.normal[i];
    return true;
}

bool insideBox(const Collider& c, const float p[3]) {
    for (int a = 0; a < 3; ++a)
        if (!(p[a] > c.position[a] - c.size[a] && p[a] < c.position[a] + c.size[a])) return false;
    return true;
}

bool meetBox(const Collider& c, const float from[3], const float to[3], Contact3& out) {
    if (!insideBox(c, to)) return false;
    std::memset(out.normal, 0, sizeof out.normal);
    if (!insideBox(c, from)) {
        // Entering: the last of the slabs' entries, through that face.
        float enter = 0.0f;
        int face = -1;
        float sign = 1.0f;
        for (int a = 0; a < 3; ++a) {
            const float d = to[a] - from[a];
            if (d == 0.0f) continue;
            const float lo = c.position[a] - c.size[a], hi = c.position[a] + c.size[a];
            const float t = d > 0.0f ? (lo - from[a]) / d : (hi - from[a]) / d;
            if (t >= enter) {
                enter = t;
                face = a;
                sign = d > 0.0f ? -1.0f : 1.0f;
            }
        }
        if (face >= 0) {
            out.t = enter > 1.0f ? 1.0f : enter;
            for (int a = 0; a < 3; ++a) out.at[a] = from[a] + out.t * (to[a] - from[a]);
            out.at[face] = c.position[face] + sign * c.size[face];
            out.normal[face] = sign;
            return true;
        }
    }
    // Already inside: out through the nearest face.
    int face = 0;
    float sign = 1.0f, nearest = INFINITY;
    for (int a = 0; a < 3; ++a) {
        const float up = c.position[a] + c.size[a] - to[a], down = to[a] - (c.position[a] - c.size[a]);
        if (up < nearest) nearest = up, face = a, sign = 1.0f;
        if (down < nearest) nearest = down, face = a, sign = -1.0f;
    }
    out.t = 1.0f;
    std::memcpy(out.at, to, sizeof out.at);
    out.at[face] = c.position[face] + sign * c.size[face];
    out.normal[face] = sign;
    return true;
}

bool meetModel(const StepCollider& s, const float from[3], const float to[3], Contact3& out) {
    if (!s.mesh) return false;
    const float f[3] = {from[0] - s.offset[0], from[1] - s.offset[1], from[2] - s.offset[2]};
    const float t[3] = {to[0] - s.offset[0], to[1] - s.offset[1], to[2] - s.offset[2]};
    SegmentHit hit;
    if (!s.mesh->firstHit(f, t, hit)) return false;
    out.t = hit.t;
    for (int a = 0; a < 3; ++a) out.at[a] = from[a] + hit.t * (to[a] - from[a]);
    std::memcpy(out.normal, hit.normal, sizeof out.normal);
    return true;
}

bool meet(const StepCollider& s, const float from[3], const float to[3], Contact3& out) {
    switch (s.c.kind) {
    case KORVID_COLLIDER_PLANE: return meetPlane(s.c, from, to, out);
    case KORVID_COLLIDER_SPHERE: return meetSphere(s.c, from, to, out);
    case KORVID_COLLIDER_BOX: return meetBox(s.c, from, to, out);
    default: return meetModel(s, from, to, out);
    }
}

// Every field but the noise, whose flow is computed for many particles at once.
void applyField(const ForceField& f, const float p[3], float v[3]) {
    switch (f.kind) {
    case KORVID_FIELD_WIND:
        for (int a = 0; a < 3; ++a) v[a] = v[a] + f.strength * f.axis[a];
        break;
    case KORVID_FIELD_DRAG:
        for (int a = 0; a < 3; ++a) v[a] = v[a] - f.strength * v[a];
        break;
    case KORVID_FIELD_ATTRACTOR: {
        const float d[3] = {f.position[0] - p[0], f.position[1] - p[1], f.position[2] - p[2]};
        const float d2 = dot(d, d);
        if (!(d2 > 1e-12f) || (f.radius > 0.0f && d2 >= f.radius * f.radius)) break;
        const float k = f.strength / std::sqrt(d2);
        for (int a = 0; a < 3; ++a) v[a] = v[a] + k * d[a];
        break;
    }
    case KORVID_FIELD_VORTEX: {
        const float r[3] = {p[0] - f.position[0], p[1] - f.position[1], p[2] - f.position[2]};
        const float along = dot(r, f.axis);
        const float q[3] = {r[0] - along * f.axis[0], r[1] - along * f.axis[1], r[2] - along * f.axis[2]};
        const float q2 = dot(q, q);
        if (!(q2 > 1e-12f) || (f.radius > 0.0f && q2 >= f.radius * f.radius)) break;
        // Round the axis: the axis crossed with the way out from it.
        const float k = f.strength / std::sqrt(q2);
        const float t[3] = {f.axis[1] * q[2] - f.axis[2] * q[1], f.axis[2] * q[0] - f.axis[0] * q[2],
                            f.axis[0] * q[1] - f.axis[1] * q[0]};
        for (int a = 0; a < 3; ++a) v[a] = v[a] + k * t[a];
        break;
    }
    default: break;
    }
}

}  // namespace

const char* fieldProblem(ForceField& f) {
    if (f.kind < KORVID_FIELD_WIND || f.kind > KORVID_FIELD_NOISE) return "there is no such field";
    if (!finite3(f.position) || !finite3(f.axis) || !finite(f.strength) || !finite(f.radius) || !finite(f.frequency))
        return "a field's values are finite numbers";
    if (f.radius < 0.0f) return "a field's radius is 0 or more";
    if (f.frequency < 0.0f) return "a noise field's frequency is 0 or more";
    if ((f.kind == KORVID_FIELD_WIND || f.kind == KORVID_FIELD_VORTEX) && !normalise(f.axis))
        return "a wind or vortex needs an axis";
    return nullptr;
}

const char* colliderProblem(Collider& c) {
    if (c.kind < KORVID_COLLIDER_PLANE || c.kind > KORVID_COLLIDER_MODEL) return "there is no such collider";
    if (c.response < KORVID_HIT_BOUNCE || c.response > KORVID_HIT_BURST) return "there is no such response";
    if (!finite3(c.position) || !finite3(c.axis) || !finite3(c.size) || !finite(c.bounce) || !finite(c.friction))
        return "a collider's values are finite numbers";
    if (c.size[0] < 0.0f || c.size[1] < 0.0f || c.size[2] < 0.0f) return "a collider's sizes are 0 or more";
    if (c.bounce < 0.0f || c.bounce > 1.0f || c.friction < 0.0f || c.friction > 1.0f)
        return "bounce and friction lie from 0 to 1";
    if (c.kind == KORVID_COLLIDER_PLANE && !normalise(c.axis)) return "a plane needs a normal";
    return nullptr;
}

Failure takeFields(const ForceField* fields, int32_t count, std::vector<ForceField>& out, const char** why) {
    auto refuse = [why](const char* text) {
        *why = text;
        return Failure::FieldRefused;
    };
    if (count < 0 || count > KORVID_MAX_FIELDS) return refuse("an emitter has 0 to 8 force fields");
    if (count > 0 && !fields) return refuse("the fields are missing");
    std::vector<ForceField> taken(fields, fields + count);
    for (ForceField& f : taken)
        if (const char* problem = fieldProblem(f)) return refuse(problem);
    out = std::move(taken);
    return Failure::None;
}

Failure takeColliders(const Collider* colliders, int32_t count, const ModelStore* store,
                      std::vector<HeldCollider>& out, const char** why) {
    auto refuse = [why](const char* text) {
        *why = text;
        return Failure::ColliderRefused;
    };
    if (count < 0 || count > KORVID_MAX_COLLIDERS) return refuse("an emitter has 0 to 8 colliders");
    if (count > 0 && !colliders) return refuse("the colliders are missing");
    std::vector<HeldCollider> taken;
    for (int32_t i = 0; i < count; ++i) {
        HeldCollider h;
        h.given = colliders[i];
        if (const char* problem = colliderProblem(h.given)) return refuse(problem);
        if (h.given.kind == KORVID_COLLIDER_MODEL) {
            if (!store || h.given.model < 0 || h.given.model >= store->count()) return refuse("there is no such model");
            h.modelSerial = store->models[size_t(h.given.model)]->serial;
        }
        taken.push_back(h);
    }
    out = std::move(taken);
    return Failure::None;
}

int32_t modelIndexOf(const ModelStore* store, uint64_t serial) {
    int32_t index = -1;
    if (!modelBySerial(store, serial, &index)) return -1;
    return index;
}

Collider reportedCollider(const HeldCollider& held, const ModelStore* store) {
    Collider c = held.given;
    if (c.kind == KORVID_COLLIDER_MODEL) c.model = modelIndexOf(store, held.modelSerial);
    return c;
}

std::shared_ptr<const CollisionMesh> collisionMeshOf(Model& model) {
    std::shared_ptr<const MeshTable> table = meshTableOf(model);
    if (!model.collisionMesh || model.collisionMesh->source() != table.get())
        model.collisionMesh = std::make_shared<CollisionMesh>(table);
    return model.collisionMesh;
}

std::vector<StepCollider> stepColliders(const std::vector<HeldCollider>& held, ModelStore* store) {
    std::vector<StepCollider> out;
    out.reserve(held.size());
    for (const HeldCollider& h : held) {
        StepCollider s;
        s.c = h.given;
        if (s.c.kind == KORVID_COLLIDER_MODEL) {
            Model* model = const_cast<Model*>(modelBySerial(store, h.modelSerial));
            if (model) {
                s.mesh = collisionMeshOf(*model);
                std::memcpy(s.offset, model->position, sizeof s.offset);
                if (s.mesh->triangleCount() == 0) s.mesh.reset();
            }
        }
        out.push_back(std::move(s));
    }
    return out;
}

int64_t applyForces(const ForcePass& pass, ParticleStore& store, int64_t begin, int64_t end,
                    std::vector<FoundHit>* hits) {
    float* from[3];
    float* to[3];
    float* velocity[3];
    for (int a = 0; a < 3; ++a) {
        from[a] = store.position(1, a);
        to[a] = store.position(0, a);
        velocity[a] = store.column(kVelocity + a);
    }
    int32_t* contact = store.integers(kContact);
    int32_t* life = store.integers(kLifeLeft);
    const int32_t* fromBurst = store.integers(kFromBurst);
    // The fields first, one after another over the whole range: each
    // particle's velocity takes them in their order, as one at a time would.
    const int64_t n = end - begin;
    if (pass.fields) {
        thread_local std::vector<float> flow;
        for (const ForceField& f : *pass.fields) {
            if (f.kind == KORVID_FIELD_NOISE) {
                flow.resize(3 * size_t(n));
                curlNoise(to[0] + begin, to[1] + begin, to[2] + begin, n, f.frequency, pass.seconds, flow.data(),
                          flow.data() + n, flow.data() + 2 * n);
                for (int a = 0; a < 3; ++a) {
                    float* v = velocity[a] + begin;
                    const float* push = flow.data() + size_t(a) * size_t(n);
                    for (int64_t k = 0; k < n; ++k) v[k] = v[k] + f.strength * push[k];
                }
                continue;
            }
            for (int64_t i = begin; i < end; ++i) {
                const float p[3] = {to[0][i], to[1][i], to[2][i]};
                float v[3] = {velocity[0][i], velocity[1][i], velocity[2][i]};
                applyField(f, p, v);
                for (int a = 0; a < 3; ++a) velocity[a][i] = v[a];
            }
        }
    }
    // Then stuck particles stay put, and the others meet the colliders.
    int64_t found = 0;
    if (pass.colliders.empty()) return found;
    for (int64_t i = begin; i < end; ++i) {
        if (contact[i] == kStuck) {
            // Held where it stuck: the step's motion is undone.
            for (int a = 0; a < 3; ++a) {
                to[a][i] = from[a][i];
                velocity[a][i] = 0.0f;
            }
            continue;
        }
        if (life[i] <= 0) continue;
        float p[3] = {to[0][i], to[1][i], to[2][i]};
        float v[3] = {velocity[0][i], velocity[1][i], velocity[2][i]};
        const float start[3] = {from[0][i], from[1][i], from[2][i]};
        // The first collider along the step; on a tie, the first in the list.
        Contact3 best{};
        const StepCollider* which = nullptr;
        for (const StepCollider& s : pass.colliders) {
            Contact3 c{};
            if (meet(s, start, p, c) && (!which || c.t < best.t)) {
                best = c;
                which = &s;
            }
        }
        if (!which) continue;
        const Collider& c = which->c;
        const float* normal = best.normal;
        const float moved[3] = {p[0] - start[0], p[1] - start[1], p[2] - start[2]};
        const float into = -dot(moved, normal);
        for (int a = 0; a < 3; ++a) p[a] = best.at[a] + kSkin * normal[a];
        switch (c.response) {
        case KORVID_HIT_BOUNCE: {
            const float vn = dot(v, normal);
            if (vn < 0.0f) {
                const float keep = 1.0f - c.friction;
                for (int a = 0; a < 3; ++a) {
                    const float along = vn * normal[a];
                    v[a] = keep * (v[a] - along) - c.bounce * along;
                }
            }
            break;
        }
        case KORVID_HIT_STICK:
            v[0] = v[1] = v[2] = 0.0f;
            contact[i] = kStuck;
            break;
        case KORVID_HIT_DIE: life[i] = 0; break;
        default:
            life[i] = 0;
            if (!fromBurst[i]) contact[i] = kBurstAtDeath;
            break;
        }
        found += 1;
        if (pass.keepHits && hits) {
            FoundHit h{};
            h.particle = int32_t(i);
            std::memcpy(h.hit.position, best.at, sizeof h.hit.position);
            std::memcpy(h.hit.normal, normal, sizeof h.hit.normal);
            h.hit.speed = into > 0.0f ? into : 0.0f;
            hits->push_back(h);
        }
        for (int a = 0; a < 3; ++a) {
            to[a][i] = p[a];
            velocity[a][i] = v[a];
        }
    }
    return found;
}

}  // namespace korvid

#include "emitter_shape.h"

#include <algorithm>
#include <cmath>

#include "model.h"
#include "particles.h"

namespace korvid {

namespace {

bool finite(float v) { return std::isfinite(v); }

// A point of the unit ball (or, with `shell`, of the unit sphere), by rejection.
void ball(float out[3], bool shell) {
    for (int tries = 0; tries < 64; ++tries) {
        const float x = randomUnit(), y = randomUnit(), z = randomUnit();
        const float r2 = x * x + y * y + z * z;
        if (r2 > 1.0f || r2 < 1e-6f) continue;
        const float scale = shell ? 1.0f / std::sqrt(r2) : 1.0f;
        out[0] = x * scale, out[1] = y * scale, out[2] = z * scale;
        return;
    }
    out[0] = 0, out[1] = shell ? 1.0f : 0.0f, out[2] = 0;
}

}  // namespace

namespace {

// The model's triangles with a positive, finite area, and their running areas.
std::shared_ptr<const MeshTable> buildMeshTable(const Model& model) {
    auto table = std::make_shared<MeshTable>();
    double total = 0;
    for (int32_t i = 0; i < model.surfaceCount; ++i) {
        const Surface& s = model.surfaces[i];
        if (!s.vertices) continue;
        for (int32_t t = 0; t < s.polygonCount; ++t) {
            float v[9];
            for (int k = 0; k < 9; ++k) v[k] = s.vertices[size_t(t) * 9 + size_t(k)] + s.position[k % 3];
            const double ax = v[3] - v[0], ay = v[4] - v[1], az = v[5] - v[2];
            const double bx = v[6] - v[0], by = v[7] - v[1], bz = v[8] - v[2];
            const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
            const double area = 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
            if (!(area > 0) || !std::isfinite(area)) continue;
            total += area;
            table->triangles.insert(table->triangles.end(), v, v + 9);
            table->areas.push_back(total);
        }
    }
    return table;
}

}  // namespace

Failure makeShape(const EmitterShape& shape, Model* model, ShapeState& out, const char** why, bool keepEmpty) {
    auto refuse = [why](const char* text) {
        *why = text;
        return Failure::BadArgument;
    };
    if (shape.kind < KORVID_SHAPE_POINT || shape.kind > KORVID_SHAPE_MESH) return refuse("there is no such shape");
    for (float s : shape.size)
        if (!finite(s) || s < 0) return refuse("a shape's sizes are numbers of 0 or more");
    if (shape.shell != 0 && shape.shell != 1) return refuse("shell is 0 or 1");
    ShapeState state;
    state.shape = shape;
    if (shape.kind == KORVID_SHAPE_MESH) {
        if (!model) return refuse("a mesh shape needs a current model");
        if (!model->meshTable) model->meshTable = buildMeshTable(*model);
        if (model->meshTable->areas.empty() && !keepEmpty)
            return refuse("the current model has no triangles to emit from");
        state.mesh = model->meshTable;
        state.modelPosition = model->position;
    }
    out = std::move(state);
    return Failure::None;
}

std::shared_ptr<const MeshTable> meshTableOf(Model& model) {
    if (!model.meshTable) model.meshTable = buildMeshTable(model);
    return model.meshTable;
}

void refreshMeshShapes(Model& model) {
    model.meshTable.reset();
    bool used = false;
    for (const auto& e : model.particles.emitters) used = used || e->shape.shape.kind == KORVID_SHAPE_MESH;
    if (!used) return;
    std::shared_ptr<const MeshTable> fresh = buildMeshTable(model);
    // Without triangles left, the emitters keep the ones they had.
    if (fresh->areas.empty()) return;
    model.meshTable = fresh;
    for (auto& e : model.particles.emitters) {
        if (e->shape.shape.kind != KORVID_SHAPE_MESH) continue;
        e->shape.mesh = fresh;
        e->shape.modelPosition = model.position;
    }
}

void sampleShape(const ShapeState& state, float out[3]) {
    const EmitterShape& s = state.shape;
    const bool shell = s.shell != 0;
    switch (s.kind) {
    case KORVID_SHAPE_SPHERE: {
        ball(out, shell);
        for (int i = 0; i < 3; ++i) out[i] *= s.size[0];
        return;
    }
    case KORVID_SHAPE_BOX: {
        for (int i = 0; i < 3; ++i) out[i] = randomUnit() * 0.5f * s.size[i];
        if (shell) {
            // A face by its area, then onto it.
            const float areas[3] = {s.size[1] * s.size[2], s.size[0] * s.size[2], s.size[0] * s.size[1]};
            const float total = areas[0] + areas[1] + areas[2];
            const float pick = (randomUnit() * 0.5f + 0.5f) * total;
            const int axis = pick < areas[0] ? 0 : pick < areas[0] + areas[1] ? 1 : 2;
            out[axis] = (randomUnit() < 0 ? -0.5f : 0.5f) * s.size[axis];
        }
        return;
    }
    case KORVID_SHAPE_DISC: {
        float x = 0, z = 0;
        for (int tries = 0; tries < 64; ++tries) {
            x = randomUnit();
            z = randomUnit();
            const float r2 = x * x + z * z;
            if (r2 <= 1.0f && r2 >= 1e-6f) {
                if (shell) {
                    const float r = std::sqrt(r2);
                    x /= r, z /= r;
                }
                break;
            }
        }
        out[0] = x * s.size[0], out[1] = 0, out[2] = z * s.size[0];
        return;
    }
    case KORVID_SHAPE_MESH: {
        if (!state.onTriangles()) {
            // No triangles: the emitter's own position, drawing nothing.
            out[0] = out[1] = out[2] = 0;
            return;
        }
        const std::vector<double>& areas = state.mesh->areas;
        const double total = areas.back();
        const double pick = (randomUnit() * 0.5 + 0.5) * total;
        const size_t t = std::min(size_t(std::upper_bound(areas.begin(), areas.end(), pick) - areas.begin()),
                                  areas.size() - 1);
        float a = randomUnit() * 0.5f + 0.5f, b = randomUnit() * 0.5f + 0.5f;
        if (a + b > 1.0f) a = 1.0f - a, b = 1.0f - b;  // folded back into the triangle
        const float* v = &state.mesh->triangles[t * 9];
        for (int i = 0; i < 3; ++i)
            out[i] = v[i] + a * (v[3 + i] - v[i]) + b * (v[6 + i] - v[i]) + state.modelPosition[i];
        return;
    }
    default:
        out[0] = out[1] = out[2] = 0;
        return;
    }
}

}  // namespace korvid

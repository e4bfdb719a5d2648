// The wire outlines of an emitter's shape, its colliders and the centres of
// its attractors and vortices, drawn for editors while the emitter is current.
#include <GL/gl.h>

#include <cmath>

#include "emitter_shape.h"
#include "particles.h"

namespace korvid {
namespace {

constexpr int kCircleSegments = 48;

// A circle of radius r around the origin in the plane of axes a and b.
void circle(float r, int a, int b) {
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < kCircleSegments; ++i) {
        const float t = 6.2831853f * float(i) / kCircleSegments;
        float v[3] = {0, 0, 0};
        v[a] = r * std::cos(t);
        v[b] = r * std::sin(t);
        glVertex3fv(v);
    }
    glEnd();
}

void box(const float size[3]) {
    const float x = size[0] / 2, y = size[1] / 2, z = size[2] / 2;
    glBegin(GL_LINES);
    for (float s : {-1.0f, 1.0f})
        for (float t : {-1.0f, 1.0f}) {
            glVertex3f(-x, s * y, t * z), glVertex3f(x, s * y, t * z);
            glVertex3f(s * x, -y, t * z), glVertex3f(s * x, y, t * z);
            glVertex3f(s * x, t * y, -z), glVertex3f(s * x, t * y, z);
        }
    glEnd();
}

// Two unit vectors at right angles to each other and to the unit vector n.
void across(const float n[3], float u[3], float v[3]) {
    const float helper[3] = {std::fabs(n[0]) < 0.9f ? 1.0f : 0.0f, std::fabs(n[0]) < 0.9f ? 0.0f : 1.0f, 0.0f};
    u[0] = n[1] * helper[2] - n[2] * helper[1];
    u[1] = n[2] * helper[0] - n[0] * helper[2];
    u[2] = n[0] * helper[1] - n[1] * helper[0];
    const float length = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (int a = 0; a < 3; ++a) u[a] /= length;
    v[0] = n[1] * u[2] - n[2] * u[1];
    v[1] = n[2] * u[0] - n[0] * u[2];
    v[2] = n[0] * u[1] - n[1] * u[0];
}

// A plane: a square of 2 x 2 units around its point, crossed, and its normal.
void plane(const float at[3], const float n[3]) {
    float u[3], v[3];
    across(n, u, v);
    auto corner = [&](float s, float t) {
        glVertex3f(at[0] + s * u[0] + t * v[0], at[1] + s * u[1] + t * v[1], at[2] + s * u[2] + t * v[2]);
    };
    glBegin(GL_LINE_LOOP);
    corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1);
    glEnd();
    glBegin(GL_LINES);
    corner(-1, 0), corner(1, 0), corner(0, -1), corner(0, 1);
    glVertex3fv(at);
    glVertex3f(at[0] + 0.3f * n[0], at[1] + 0.3f * n[1], at[2] + 0.3f * n[2]);
    glEnd();
}

void cross(const float at[3], float r) {
    glBegin(GL_LINES);
    for (int a = 0; a < 3; ++a) {
        float p[3] = {at[0], at[1], at[2]}, q[3] = {at[0], at[1], at[2]};
        p[a] -= r, q[a] += r;
        glVertex3fv(p), glVertex3fv(q);
    }
    glEnd();
}

void drawColliders(const Emitter& emitter) {
    glColor4f(0.3f, 0.8f, 1.0f, 0.9f);
    for (const HeldCollider& h : emitter.colliders) {
        const Collider& c = h.given;
        switch (c.kind) {
        case KORVID_COLLIDER_PLANE: plane(c.position, c.axis); break;
        case KORVID_COLLIDER_SPHERE:
            glPushMatrix();
            glTranslatef(c.position[0], c.position[1], c.position[2]);
            circle(c.size[0], 0, 1);
            circle(c.size[0], 0, 2);
            circle(c.size[0], 1, 2);
            glPopMatrix();
            break;
        case KORVID_COLLIDER_BOX: {
            glPushMatrix();
            glTranslatef(c.position[0], c.position[1], c.position[2]);
            const float edges[3] = {2 * c.size[0], 2 * c.size[1], 2 * c.size[2]};
            box(edges);
            glPopMatrix();
            break;
        }
        default: break;  // a model shows itself
        }
    }
    glColor4f(1.0f, 0.4f, 0.9f, 0.9f);
    for (const ForceField& f : emitter.fields) {
        if (f.kind != KORVID_FIELD_ATTRACTOR && f.kind != KORVID_FIELD_VORTEX) continue;
        cross(f.position, 0.1f);
        if (f.kind == KORVID_FIELD_VORTEX) {
            glBegin(GL_LINES);
            glVertex3f(f.position[0] - f.axis[0], f.position[1] - f.axis[1], f.position[2] - f.axis[2]);
            glVertex3f(f.position[0] + f.axis[0], f.position[1] + f.axis[1], f.position[2] + f.axis[2]);
            glEnd();
        }
        if (f.radius > 0) {
            glPushMatrix();
            glTranslatef(f.position[0], f.position[1], f.position[2]);
            circle(f.radius, 0, 2);
            glPopMatrix();
        }
    }
}

}  // namespace

void drawShapeOutline(const Emitter& emitter) {
    const EmitterShape& s = emitter.shape.shape;
    const bool shaped = s.kind == KORVID_SHAPE_SPHERE || s.kind == KORVID_SHAPE_BOX || s.kind == KORVID_SHAPE_DISC;
    if (!shaped && emitter.colliders.empty() && emitter.fields.empty()) return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    drawColliders(emitter);
    if (shaped) {
        glColor4f(1.0f, 0.85f, 0.2f, 0.9f);
        glPushMatrix();
        glTranslatef(emitter.data.position[0], emitter.data.position[1], emitter.data.position[2]);
        switch (s.kind) {
        case KORVID_SHAPE_SPHERE:
            circle(s.size[0], 0, 1);
            circle(s.size[0], 0, 2);
            circle(s.size[0], 1, 2);
            break;
        case KORVID_SHAPE_BOX: box(s.size); break;
        default: circle(s.size[0], 0, 2); break;
        }
        glPopMatrix();
    }
    glPopAttrib();
}

}  // namespace korvid

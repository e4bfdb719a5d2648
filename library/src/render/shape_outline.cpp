// The wire outline of an emitter's shape, drawn for editors while the
// emitter is current.
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

}  // namespace

void drawShapeOutline(const Emitter& emitter) {
    const EmitterShape& s = emitter.shape.shape;
    if (s.kind != KORVID_SHAPE_SPHERE && s.kind != KORVID_SHAPE_BOX && s.kind != KORVID_SHAPE_DISC) return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
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
    glPopAttrib();
}

}  // namespace korvid

// Drawing an emitter's live particles, newest first.
#include "particles.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "context.h"
#include "platform.h"

namespace korvid {
namespace {

bool batchedPolygons = true;

// The quad every Polygons particle is drawn as, before its size and the camera's turn.
constexpr float kCorners[4][3] = {
    {-0.05f, -0.05f, 0.0f}, {-0.05f, 0.05f, 0.0f}, {0.05f, 0.05f, 0.0f}, {0.05f, -0.05f, 0.0f}};

// Row-major 3x3 rotation about a unit axis, as glRotatef builds it.
void rotation(float degrees, int axis, float m[9]) {
    const float a = degrees * 3.14159265358979f / 180.0f;
    const float c = std::cos(a), s = std::sin(a);
    const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(m, id, sizeof id);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[i * 3 + i] = c;
    m[i * 3 + j] = -s;
    m[j * 3 + i] = s;
    m[j * 3 + j] = c;
}

void multiply(const float a[9], const float b[9], float out[9]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
}

// Reads one particle's values from the columns.
struct Columns {
    explicit Columns(const ParticleStore& s)
        : x(s.position(0, 0)), y(s.position(0, 1)), z(s.position(0, 2)),
          r(s.column(kColor)), g(s.column(kColor + 1)), b(s.column(kColor + 2)), a(s.column(kColor + 3)),
          size(s.column(kSize)) {}
    void position(int32_t i, float out[3]) const {
        out[0] = x[i];
        out[1] = y[i];
        out[2] = z[i];
    }
    void color(int32_t i, float out[4]) const {
        out[0] = r[i];
        out[1] = g[i];
        out[2] = b[i];
        out[3] = a[i];
    }
    const float *x, *y, *z, *r, *g, *b, *a, *size;
};

void drawPolygonsEach(const ParticleStore& s, const float cam[3]) {
    const Columns p(s);
    for (int32_t i = s.count() - 1; i >= 0; --i) {
        float colour[4];
        p.color(i, colour);
        glPushMatrix();
        glTranslatef(p.x[i], p.y[i], p.z[i]);
        glScalef(p.size[i], p.size[i], p.size[i]);
        glRotatef(-cam[2], 0, 0, 1);
        glRotatef(-cam[1], 0, 1, 0);
        glRotatef(-cam[0], 1, 0, 0);
        glBegin(GL_QUADS);
        glColor4fv(colour);
        glNormal3f(0, 0, 1);
        glTexCoord2f(1, 0);
        glVertex3fv(kCorners[0]);
        glTexCoord2f(1, 1);
        glVertex3fv(kCorners[1]);
        glTexCoord2f(0, 1);
        glVertex3fv(kCorners[2]);
        glTexCoord2f(0, 0);
        glVertex3fv(kCorners[3]);
        glEnd();
        glPopMatrix();
    }
}

void drawPolygonsBatched(const ParticleStore& s, const float cam[3]) {
    float rz[9], ry[9], rx[9], zy[9], m[9];
    rotation(-cam[2], 2, rz);
    rotation(-cam[1], 1, ry);
    rotation(-cam[0], 0, rx);
    multiply(rz, ry, zy);
    multiply(zy, rx, m);
    float corner[4][3];
    for (int k = 0; k < 4; ++k)
        for (int r = 0; r < 3; ++r)
            corner[k][r] = m[r * 3] * kCorners[k][0] + m[r * 3 + 1] * kCorners[k][1] + m[r * 3 + 2] * kCorners[k][2];
    const float normal[3] = {m[2], m[5], m[8]};
    static const float tex[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};
    // Reused between frames: grows to the largest pool drawn, never shrinks.
    RenderState& scratch = context().render;
    std::vector<float>& vertices = scratch.quadVertices;
    std::vector<float>& colours = scratch.quadColours;
    std::vector<float>& coords = scratch.quadCoords;
    const size_t quads = static_cast<size_t>(s.count());
    if (quads == 0) return;
    if (vertices.size() < quads * 12) {
        try {
            vertices.resize(quads * 12);
            colours.resize(quads * 16);
            coords.resize(quads * 8);
        } catch (const std::bad_alloc&) {
            // No room for the batch: the quads go one matrix at a time instead.
            std::vector<float>().swap(vertices);
            std::vector<float>().swap(colours);
            std::vector<float>().swap(coords);
            drawPolygonsEach(s, cam);
            return;
        }
    }
    // Quad n is the particle n places from the newest; the quads are built
    // on the workers, each one from its own particle alone.
    const Columns p(s);
    const int32_t newest = s.count() - 1;
    float* vertexBase = vertices.data();
    float* colourBase = colours.data();
    float* coordBase = coords.data();
    context().workers.forRanges(int64_t(quads), 8192, [&](int64_t begin, int64_t end) {
        for (int64_t n = begin; n < end; ++n) {
            const int32_t i = newest - int32_t(n);
            const float at[3] = {p.x[i], p.y[i], p.z[i]};
            float colour[4];
            p.color(i, colour);
            const float size = p.size[i];
            float* v = vertexBase + n * 12;
            float* c = colourBase + n * 16;
            float* t = coordBase + n * 8;
            for (int k = 0; k < 4; ++k) {
                for (int r = 0; r < 3; ++r) v[3 * k + r] = at[r] + size * corner[k][r];
                std::memcpy(c + 4 * k, colour, sizeof colour);
                t[2 * k] = tex[k][0];
                t[2 * k + 1] = tex[k][1];
            }
        }
    });
    glNormal3fv(normal);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glColorPointer(4, GL_FLOAT, 0, colours.data());
    glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quads * 4));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // The current colour is the last particle's, as after drawing one by one.
    glColor4fv(colours.data() + (quads - 1) * 16);
}

}  // namespace

void setBatchedPolygons(bool on) { batchedPolygons = on; }

void setUpPointParameters() {
    if (!platform::hasGlExtension("GL_EXT_point_parameters")) return;
    auto pointParameterf = reinterpret_cast<void (*)(unsigned, float)>(platform::glProcAddress("glPointParameterfEXT"));
    auto pointParameterfv =
        reinterpret_cast<void (*)(unsigned, const float*)>(platform::glProcAddress("glPointParameterfvEXT"));
    if (!pointParameterf || !pointParameterfv) return;
    const float attenuation[3] = {0.0f, 0.2f, 0.0f};
    pointParameterfv(GL_DISTANCE_ATTENUATION_EXT, attenuation);
    pointParameterf(GL_POINT_FADE_THRESHOLD_SIZE_EXT, 1.0f);
}

void drawEmitter(const Emitter& emitter, const float cam[3]) {
    const EmitterData& e = emitter.data;
    const ParticleStore& s = *emitter.store;
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    if (!e.isLighting) glDisable(GL_LIGHTING);
    if (e.isAltAlpha) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const Columns p(s);
    float colour[4], at[3];
    switch (e.particleType) {
    case 0:
        glPointSize(e.startSize);
        glBegin(GL_POINTS);
        for (int32_t i = s.count() - 1; i >= 0; --i) {
            p.color(i, colour);
            p.position(i, at);
            glColor4fv(colour);
            glVertex3fv(at);
        }
        glEnd();
        break;
    case 1: {
        const float* px = s.position(1, 0);
        const float* py = s.position(1, 1);
        const float* pz = s.position(1, 2);
        glLineWidth(e.startSize);
        glBegin(GL_LINES);
        for (int32_t i = s.count() - 1; i >= 0; --i) {
            p.color(i, colour);
            p.position(i, at);
            glColor4fv(colour);
            glVertex3f(px[i], py[i], pz[i]);
            glVertex3fv(at);
        }
        glEnd();
        break;
    }
    case 2: {
        const float* px = s.position(1, 0);
        const float* py = s.position(1, 1);
        const float* pz = s.position(1, 2);
        const float* ox = s.position(2, 0);
        const float* oy = s.position(2, 1);
        const float* oz = s.position(2, 2);
        glLineWidth(e.startSize);
        for (int32_t i = s.count() - 1; i >= 0; --i) {
            p.color(i, colour);
            p.position(i, at);
            glBegin(GL_LINE_STRIP);
            glColor4f(colour[0], colour[1], colour[2], 0.0f);
            glVertex3f(ox[i], oy[i], oz[i]);
            glColor4f(colour[0], colour[1], colour[2], 0.6f);
            glVertex3f(px[i], py[i], pz[i]);
            glColor4fv(colour);
            glVertex3fv(at);
            glEnd();
        }
        break;
    }
    case 3:
        if (e.textureId) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, e.textureId);
        }
        // Lit quads need the per-particle matrix so their normals scale as before.
        if (batchedPolygons && !e.isLighting) drawPolygonsBatched(s, cam);
        else drawPolygonsEach(s, cam);
        glDisable(GL_TEXTURE_2D);
        break;
    default:
        break;
    }
    if (e.isAltAlpha) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (!e.isLighting) glEnable(GL_LIGHTING);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_COLOR_MATERIAL);
}

void drawParticleSystem(const ParticleSystem& ps, const float cameraRotation[3]) {
    for (const auto& e : ps.emitters)
        if (!e->hidden) drawEmitter(*e, cameraRotation);
}

}  // namespace korvid

// Drawing an emitter's live particles, newest first.
#include "particles.h"
#include "particle_quads.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "context.h"
#include "platform.h"

namespace korvid {
namespace {

bool batchedPolygons = true;

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

void drawPolygonsEach(const Emitter& emitter, const CameraTurn& turn) {
    const ParticleStore& s = *emitter.store;
    const Columns p(s);
    const float* frame = turn.frame;
    const DrawOrder order = drawOrder(emitter, frame);
    const bool plain = plainQuads(emitter.look);
    const LookedQuads looked(emitter, frame);
    for (int32_t n = 0; n < s.count(); ++n) {
        const int32_t i = order.particle(n);
        float colour[4];
        p.color(i, colour);
        glPushMatrix();
        glTranslatef(p.x[i], p.y[i], p.z[i]);
        glScalef(p.size[i], p.size[i], p.size[i]);
        float rects[2][4] = {{0, 0, 1, 1}, {0, 0, 1, 1}};
        float weight = 0.0f;
        if (plain && turn.angles) {
            const float* cam = turn.angles;
            glRotatef(-cam[2], 0, 0, 1);
            glRotatef(-cam[1], 0, 1, 0);
            glRotatef(-cam[0], 1, 0, 0);
        } else if (plain) {
            const float m[16] = {frame[0], frame[1], frame[2], 0, frame[3], frame[4], frame[5], 0,
                                 frame[6], frame[7], frame[8], 0, 0,        0,        0,        1};
            glMultMatrixf(m);
        } else {
            // The quad's own axes as the columns of its matrix, so its normal scales as before.
            float right[3], up[3];
            looked.axes(i, 1.0f, right, up);
            const float* t = frame + 6;
            const float m[16] = {right[0], right[1], right[2], 0, up[0], up[1], up[2], 0,
                                 t[0],     t[1],     t[2],     0, 0,     0,     0,     1};
            glMultMatrixf(m);
            weight = looked.cells(i, rects[0], rects[1]);
        }
        const int quads = plain ? 1 : looked.quadsEach();
        for (int q = 0; q < quads; ++q) {
            float shade[4] = {colour[0], colour[1], colour[2], colour[3]};
            shade[3] *= looked.fadeOf(q, weight);
            const float* cell = rects[q];
            glBegin(GL_QUADS);
            glColor4fv(shade);
            glNormal3f(0, 0, 1);
            for (int k = 0; k < 4; ++k) {
                glTexCoord2f(cell[0] + LookedQuads::kTex[k][0] * (cell[2] - cell[0]),
                             cell[1] + LookedQuads::kTex[k][1] * (cell[3] - cell[1]));
                glVertex3fv(kCorners[k]);
            }
            glEnd();
        }
        glPopMatrix();
    }
}

void drawPolygonsBatched(const Emitter& emitter, const CameraTurn& turn) {
    const ParticleStore& s = *emitter.store;
    const float* frame = turn.frame;
    float corner[4][3];
    for (int k = 0; k < 4; ++k)
        for (int r = 0; r < 3; ++r)
            corner[k][r] = frame[r] * kCorners[k][0] + frame[3 + r] * kCorners[k][1] + frame[6 + r] * kCorners[k][2];
    const float normal[3] = {frame[6], frame[7], frame[8]};
    static const float tex[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};
    const bool plain = plainQuads(emitter.look);
    const LookedQuads looked(emitter, frame);
    const size_t each = plain ? 1 : size_t(looked.quadsEach());
    // Reused between frames: grows to the largest pool drawn, never shrinks.
    RenderState& scratch = context().render;
    std::vector<float>& vertices = scratch.quadVertices;
    std::vector<float>& colours = scratch.quadColours;
    std::vector<float>& coords = scratch.quadCoords;
    const size_t quads = static_cast<size_t>(s.count()) * each;
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
            drawPolygonsEach(emitter, turn);
            return;
        }
    }
    // Place n of the drawing is one particle (newest first unless sorted);
    // the quads are built on the workers, each one from its own particle alone.
    const DrawOrder order = drawOrder(emitter, frame);
    const Columns p(s);
    float* vertexBase = vertices.data();
    float* colourBase = colours.data();
    float* coordBase = coords.data();
    context().workers.forRanges(int64_t(s.count()), 8192, [&](int64_t begin, int64_t end) {
        for (int64_t n = begin; n < end; ++n) {
            const int32_t i = order.particle(n);
            float* v = vertexBase + n * 12 * int64_t(each);
            float* c = colourBase + n * 16 * int64_t(each);
            float* t = coordBase + n * 8 * int64_t(each);
            if (!plain) {
                looked.build(i, v, c, t);
                continue;
            }
            const float at[3] = {p.x[i], p.y[i], p.z[i]};
            float colour[4];
            p.color(i, colour);
            const float size = p.size[i];
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

DrawOrder drawOrder(const Emitter& emitter, const float frame[9]) {
    const ParticleStore& s = *emitter.store;
    DrawOrder order;
    order.newest = s.count() - 1;
    if (emitter.look.sort != KORVID_SORT_BACK_TO_FRONT || s.count() < 2) return order;
    RenderState& scratch = context().render;
    const Columns p(s);
    const float* t = frame + 6;
    scratch.depths.resize(size_t(s.count()));
    for (int32_t n = 0; n < s.count(); ++n) {
        const int32_t i = order.newest - n;
        scratch.depths[size_t(n)] = p.x[i] * t[0] + p.y[i] * t[1] + p.z[i] * t[2];
    }
    backToFront(scratch.depths.data(), s.count(), scratch.order, scratch.orderScratch);
    order.sorted = scratch.order.data();
    return order;
}

// The camera's frame in the world as rows: right, up, and towards the viewer.
void cameraFrame(const float cam[3], float frame[9]) {
    float rz[9], ry[9], rx[9], zy[9], m[9];
    rotation(-cam[2], 2, rz);
    rotation(-cam[1], 1, ry);
    rotation(-cam[0], 0, rx);
    multiply(rz, ry, zy);
    multiply(zy, rx, m);
    for (int k = 0; k < 3; ++k) {
        frame[k] = m[k * 3];
        frame[3 + k] = m[k * 3 + 1];
        frame[6 + k] = m[k * 3 + 2];
    }
}

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
    CameraTurn turn;
    cameraFrame(cam, turn.frame);
    turn.angles = cam;
    drawEmitter(emitter, turn);
}

void drawEmitter(const Emitter& emitter, const CameraTurn& turn) {
    const EmitterData& e = emitter.data;
    const ParticleStore& s = *emitter.store;
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    if (!e.isLighting) glDisable(GL_LIGHTING);
    if (e.isAltAlpha) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    if (s.trailPoints() > 0) drawTrails(emitter, turn.frame);
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
        const float* vx = s.column(kVelocity);
        const float* vy = s.column(kVelocity + 1);
        const float* vz = s.column(kVelocity + 2);
        glLineWidth(e.startSize);
        for (int32_t i = s.count() - 1; i >= 0; --i) {
            p.color(i, colour);
            p.position(i, at);
            // A stretched spark's streak reaches further back the faster it goes.
            const float v[3] = {vx[i], vy[i], vz[i]};
            const float k = stretchFactor(emitter.look.spin, v);
            glBegin(GL_LINE_STRIP);
            glColor4f(colour[0], colour[1], colour[2], 0.0f);
            if (k == 1.0f) glVertex3f(ox[i], oy[i], oz[i]);
            else glVertex3f(at[0] + k * (ox[i] - at[0]), at[1] + k * (oy[i] - at[1]), at[2] + k * (oz[i] - at[2]));
            glColor4f(colour[0], colour[1], colour[2], 0.6f);
            if (k == 1.0f) glVertex3f(px[i], py[i], pz[i]);
            else glVertex3f(at[0] + k * (px[i] - at[0]), at[1] + k * (py[i] - at[1]), at[2] + k * (pz[i] - at[2]));
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
        if (batchedPolygons && !e.isLighting) drawPolygonsBatched(emitter, turn);
        else drawPolygonsEach(emitter, turn);
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

void drawParticleSystem(const ParticleSystem& ps, const CameraTurn& turn) {
    for (const auto& e : ps.emitters)
        if (!e->hidden) drawEmitter(*e, turn);
}

}  // namespace korvid

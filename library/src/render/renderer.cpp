#include "renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "big_arrays.h"
#include "lights.h"
#include "platform.h"
#include "context.h"
#include "surfaces.h"

namespace korvid {
namespace {

// Face normals repeated for each corner, so flat surfaces can use vertex arrays.
// Kept between frames unless it grew beyond a few megabytes.
std::vector<float>& cornerNormals() { return context().render.cornerNormals; }

constexpr float kGlow[4] = {0.0f, 0.6f, 0.0f, 1.0f};

void rebuildProjection() {
    Context& c = context();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(c.fieldOfView, static_cast<double>(c.width) / static_cast<double>(c.height), c.nearPlane, c.farPlane);
    glMatrixMode(GL_MODELVIEW);
}

void drawGrid() {
    const Context& c = context();
    glLineWidth(1.5f);
    glColor3f(0.0f, 0.4f, 0.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBegin(GL_LINES);
    const float d = c.gridHalfSize + 0.000001f;
    const float step = c.gridStep;
    // A step that is not positive, or so small that the lines could not be
    // counted, would never end the loop: no lines are drawn then.
    const bool usable = step > 0.0f && std::isfinite(d) && (2.0f * d) / step < 100000.0f;
    if (!(d < -d) && usable) {
        for (float g = -d; g <= d; g += step) {
            glVertex3f(g, c.gridHeight, d);
            glVertex3f(g, c.gridHeight, -d);
            glVertex3f(d, c.gridHeight, g);
            glVertex3f(-d, c.gridHeight, g);
            if (g + step == g) break;
        }
    }
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
}

void drawOutline(const BoxOutline& o) {
    glColor3f(0.2f, 1.0f, 0.2f);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBegin(GL_LINES);
    for (int p : {0, 1, 4, 5, 8, 9, 12, 13}) glVertex3fv(&o[3 * p]);
    glEnd();
    glBegin(GL_LINE_LOOP);
    for (int p = 16; p < 20; ++p) glVertex3fv(&o[3 * p]);
    glEnd();
    glBegin(GL_LINE_LOOP);
    for (int p = 20; p < 24; ++p) glVertex3fv(&o[3 * p]);
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
}

void fullMaterial(const Surface& s) {
    glMaterialfv(GL_FRONT, GL_AMBIENT, s.ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, s.diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, s.specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, s.emission);
    glMaterialf(GL_FRONT, GL_SHININESS, s.shininess);
}

// Triangles with their face normals, vertex by vertex.
void drawFlatImmediate(const Surface& s) {
    if (!s.faceNormals) return;
    glBegin(GL_TRIANGLES);
    for (int64_t k = 0; 9 * k < s.vertexFloatCount; ++k) {
        glNormal3fv(s.faceNormals.get() + 3 * k);
        const float* v = s.vertices.get() + 9 * k;
        glVertex3fv(v);
        glVertex3fv(v + 3);
        glVertex3fv(v + 6);
    }
    glEnd();
}

void drawTriangles(const Surface& s) {
    if (!s.vertices) return;
    if (s.smooth) {
        if (!s.vertexNormals) return;
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, s.vertices.get());
        glNormalPointer(GL_FLOAT, 0, s.vertexNormals.get());
        glDrawArrays(GL_TRIANGLES, 0, s.vertexFloatCount / 3);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    } else if (context().render.flatArrays) {
        if (!s.faceNormals || s.vertexFloatCount < 9) return;
        const size_t triangles = static_cast<size_t>(s.vertexFloatCount / 9);
        // Small surfaces reuse one scratch array; a large one gets an array
        // of its own for this draw, on huge pages and never zeroed first.
        std::vector<float>& scratch = cornerNormals();
        std::unique_ptr<float[]> large;
        float* normals = nullptr;
        try {
            if (triangles * 9 > (size_t(1) << 20)) {
                large = newBigArray(triangles * 9);
                normals = large.get();
            } else {
                scratch.resize(triangles * 9);
                normals = scratch.data();
            }
        } catch (const std::bad_alloc&) {
            // No room for the corner normals: the triangles go one by one instead.
            std::vector<float>().swap(scratch);
            drawFlatImmediate(s);
            return;
        }
        const float* face = s.faceNormals.get();
        for (size_t k = 0; k < triangles; ++k)
            for (int corner = 0; corner < 3; ++corner) std::memcpy(&normals[9 * k + 3 * corner], face + 3 * k, 12);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, s.vertices.get());
        glNormalPointer(GL_FLOAT, 0, normals);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(triangles * 3));
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        // The current normal is the last face's, as after drawing vertex by vertex.
        glNormal3fv(face + 3 * (triangles - 1));
    } else {
        drawFlatImmediate(s);
    }
}

void drawTrianglesCached(Surface& s) {
    if (!context().render.displayLists) {
        drawTriangles(s);
        return;
    }
    if (!s.displayList || s.geometryChanged || s.listSmooth != s.smooth) {
        // A surface drawn once may never be drawn again unchanged (one
        // picture, or geometry being edited): building its list pays only
        // from the second frame on.
        if (context().render.deferCompile && !s.drawnSinceChange) {
            s.drawnSinceChange = true;
            drawTriangles(s);
            return;
        }
        if (!s.displayList) s.displayList = glGenLists(1);
        if (!s.displayList) {
            drawTriangles(s);
            return;
        }
        glNewList(s.displayList, GL_COMPILE);
        drawTriangles(s);
        glEndList();
        s.geometryChanged = false;
        s.drawnSinceChange = false;
        s.listSmooth = s.smooth;
    }
    glCallList(s.displayList);
}

// Draws the model's surfaces; with `triangles` false it only sets and
// restores each surface's state, so that what is drawn after it (the
// particles) finds OpenGL as it would after the model.
void drawModel(Model& m, const Multitexture& store, bool triangles = true) {
    glPushMatrix();
    glTranslatef(m.position[0], m.position[1], m.position[2]);
    for (int32_t i = 0; i < m.surfaceCount; ++i) {
        Surface& s = m.surfaces[i];
        glPushMatrix();
        glTranslatef(s.position[0], s.position[1], s.position[2]);
        switch (s.selection) {
        case KORVID_SELECT_NONE: fullMaterial(s); break;
        case KORVID_SELECT_GLOW: glMaterialfv(GL_FRONT, GL_EMISSION, kGlow); break;
        case KORVID_SELECT_OUTLINE:
            if (s.outline && triangles) drawOutline(*s.outline);
            fullMaterial(s);
            break;
        case KORVID_SELECT_GLOW_OUTLINE:
            glMaterialfv(GL_FRONT, GL_EMISSION, kGlow);
            if (s.outline && triangles) drawOutline(*s.outline);
            break;
        default: break;
        }
        applySurfaceState(s, store);
        if (triangles) drawTrianglesCached(s);
        restoreSurfaceState(s, store);
        glPopMatrix();
    }
    glPopMatrix();
}

// The switches and functions the library's drawing expects, set when it
// starts on a context and again before it draws into a game's frame.
void drawingState() {
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POINT_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glLineWidth(1.5f);
    glAlphaFunc(GL_GREATER, 0.0f);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LIGHTING);
}

// Every shown model and instance: its mesh (an instance's carried by its
// matrix), then its particles.
void drawScene(Context& c, const CameraTurn& turn) {
    for (const auto& m : c.store->models) {
        if (m->hidden) continue;
        drawModel(*m, c.multitexture, c.modelsVisible);
        drawParticleSystem(m->particles, turn);
    }
    for (const auto& i : c.store->instances) {
        if (!i->visible) continue;
        glPushMatrix();
        glMultMatrixf(i->matrix);
        drawModel(*i->model, c.multitexture, c.modelsVisible);
        glPopMatrix();
        drawParticleSystem(i->particles, turn);
    }
}

}  // namespace

void setDisplayListCache(bool on) { context().render.displayLists = on; }
void setDeferredCompile(bool on) { context().render.deferCompile = on; }
void setFlatVertexArrays(bool on) { context().render.flatArrays = on; }

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT void objInitWin(const WindowData* window) try {
    Context& c = context();
    startLibrary(c, false);

    // OpenGL state.
    c.width = window ? window->width : 1;
    c.height = window ? window->height : 1;
    c.fieldOfView = window ? window->fieldOfView : 45;
    if (c.width == 0) c.width = 1;
    if (c.height == 0) c.height = 1;
    drawingState();
    glPolygonMode(GL_FRONT, GL_FILL);
    glViewport(0, 0, c.width, c.height);
    rebuildProjection();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
} catch (...) {
    failFromException();
}

KORVID_EXPORT bool objStartHeadless(void) try {
    Context& c = context();
    startLibrary(c, true);
    c.width = 640;
    c.height = 480;
    c.fieldOfView = 45;
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT void objResizeWin(int32_t width, int32_t height) try {
    Context& c = context();
    c.width = width == 0 ? 1 : width;
    c.height = height == 0 ? 1 : height;  // a zero height would give an infinite aspect
    if (c.headless) return;
    glViewport(0, 0, c.width, c.height);
    rebuildProjection();
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objZoomWin(int32_t fieldOfView) try {
    context().fieldOfView = fieldOfView;
    if (!context().headless) rebuildProjection();
} catch (...) {
    failFromException();
}

KORVID_EXPORT bool objSetClipPlanes(float nearPlane, float farPlane) try {
    Context& c = context();
    if (!(std::isfinite(nearPlane) && std::isfinite(farPlane) && nearPlane > 0 && farPlane > nearPlane)) {
        fail(Failure::BadArgument);
        return false;
    }
    c.nearPlane = nearPlane;
    c.farPlane = farPlane;
    if (c.store && !c.headless) rebuildProjection();
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT void objRender(const CameraData* camera) try {
    Context& c = context();
    if (!c.store || !camera || c.headless) return;
    c.clock.tick();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(camera->tx, camera->ty, camera->tz);
    c.cameraRotation[0] = camera->rx;
    c.cameraRotation[1] = camera->ry;
    c.cameraRotation[2] = camera->rz;
    glRotatef(camera->rx, 1, 0, 0);
    glRotatef(camera->ry, 0, 1, 0);
    glRotatef(camera->rz, 0, 0, 1);
    drawLights(*c.lights);
    if (c.gridVisible) drawGrid();
    if (c.outlineVisible && c.store->first()) drawOutline(c.store->first()->outline);
    // The simulation runs first, model by model and emitter by emitter; at
    // speed 1 that is one step of the frame's delta, as drawing draws no
    // random numbers and so may follow it.
    int32_t deltas[kMaxStepsPerFrame];
    // A game that keeps its own clock advances the simulation with objAdvance.
    const int steps = c.game.inUse ? 0 : c.simulation.stepsForFrame(c.clock.delta, deltas);
    for (int i = 0; i < steps; ++i) stepScene(c, deltas[i]);
    CameraTurn turn;
    cameraFrame(c.cameraRotation, turn.frame);
    turn.angles = c.cameraRotation;
    drawScene(c, turn);
    if (c.shapeOutlineVisible)
        if (const Model* m = currentModel(); m && m->particles.current) drawShapeOutline(*m->particles.current);
    glFlush();
} catch (...) {
    failFromException();
}

namespace korvid {
namespace {

// Whether the current context is a core profile, in which the fixed-function
// drawing draws nothing. Profiles exist from OpenGL 3.2 on.
bool coreProfile() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    if (major < 3 || (major == 3 && minor < 2)) return false;
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    return (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

template <typename F>
F glFunction(const char* name) {
    return reinterpret_cast<F>(platform::glProcAddress(name));
}

// What objRenderScene finds bound and puts back: what the attribute stacks
// do not keep (program, vertex array, buffers, texture units, matrices).
class GameState {
public:
    explicit GameState(bool twoUnits) : twoUnits_(twoUnits) {
        useProgram_ = glFunction<void (*)(GLuint)>("glUseProgram");
        bindVertexArray_ = glFunction<void (*)(GLuint)>("glBindVertexArray");
        bindBuffer_ = glFunction<void (*)(GLenum, GLuint)>("glBindBuffer");
        activeTexture_ = glFunction<void (*)(GLenum)>("glActiveTexture");
        clientActiveTexture_ = glFunction<void (*)(GLenum)>("glClientActiveTexture");
        if (useProgram_) glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
        if (bindVertexArray_) glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray_);
        if (bindBuffer_) {
            glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer_);
            glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer_);
            glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer_);
        }
        if (activeTexture_) glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit_);
        if (clientActiveTexture_) glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientUnit_);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode_);
        // The library draws with client arrays, texture unit 0 and no program.
        if (useProgram_) useProgram_(0);
        if (bindVertexArray_) bindVertexArray_(0);
        if (bindBuffer_) {
            bindBuffer_(GL_ARRAY_BUFFER, 0);
            bindBuffer_(GL_ELEMENT_ARRAY_BUFFER, 0);
            bindBuffer_(GL_PIXEL_UNPACK_BUFFER, 0);
        }
        if (activeTexture_) activeTexture_(GL_TEXTURE0);
        if (clientActiveTexture_) clientActiveTexture_(GL_TEXTURE0);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        pushMatrices();
    }
    ~GameState() {
        popMatrices();
        glPopClientAttrib();
        glPopAttrib();
        if (clientActiveTexture_) clientActiveTexture_(GLenum(clientUnit_));
        if (activeTexture_) activeTexture_(GLenum(activeUnit_));
        if (bindBuffer_) {
            bindBuffer_(GL_PIXEL_UNPACK_BUFFER, GLuint(unpackBuffer_));
            bindBuffer_(GL_ELEMENT_ARRAY_BUFFER, GLuint(elementBuffer_));
            bindBuffer_(GL_ARRAY_BUFFER, GLuint(arrayBuffer_));
        }
        if (bindVertexArray_) bindVertexArray_(GLuint(vertexArray_));
        if (useProgram_) useProgram_(GLuint(program_));
        glMatrixMode(GLenum(matrixMode_));
    }
    GameState(const GameState&) = delete;
    GameState& operator=(const GameState&) = delete;

private:
    void eachTextureMatrix(void (*action)()) {
        const int units = twoUnits_ && activeTexture_ ? 2 : 1;
        for (int u = units - 1; u >= 0; --u) {
            if (activeTexture_) activeTexture_(GLenum(GL_TEXTURE0 + u));
            glMatrixMode(GL_TEXTURE);
            action();
        }
    }
    void pushMatrices() {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        eachTextureMatrix([] { glPushMatrix(); });
        glMatrixMode(GL_MODELVIEW);
    }
    void popMatrices() {
        eachTextureMatrix([] { glPopMatrix(); });
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }

    const bool twoUnits_;
    void (*useProgram_)(GLuint) = nullptr;
    void (*bindVertexArray_)(GLuint) = nullptr;
    void (*bindBuffer_)(GLenum, GLuint) = nullptr;
    void (*activeTexture_)(GLenum) = nullptr;
    void (*clientActiveTexture_)(GLenum) = nullptr;
    GLint program_ = 0, vertexArray_ = 0, arrayBuffer_ = 0, elementBuffer_ = 0, unpackBuffer_ = 0;
    GLint activeUnit_ = GL_TEXTURE0, clientUnit_ = GL_TEXTURE0, matrixMode_ = GL_MODELVIEW;
};

// The state objInitWin leaves, which the library's drawing starts from,
// over whatever a game has set.
void libraryState(const LightSet& lights) {
    const GLenum off[] = {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_BLEND, GL_ALPHA_TEST,
                          GL_FOG, GL_STENCIL_TEST, GL_COLOR_MATERIAL, GL_LIGHT0, GL_POLYGON_SMOOTH,
                          GL_POLYGON_OFFSET_FILL, GL_COLOR_LOGIC_OP, GL_NORMALIZE};
    for (GLenum e : off) glDisable(e);
    drawingState();
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // The game may have set the library's lights' slots since they were programmed.
    for (int k = 0; k < KORVID_LIGHT_COUNT; ++k) programLight(lights, k);
}

bool finiteMatrix(const float* m) {
    if (!m) return false;
    for (int k = 0; k < 16; ++k)
        if (!std::isfinite(m[k])) return false;
    return true;
}

// A view matrix's turn: the rows of its upper 3x3, made unit length.
CameraTurn turnOfView(const float view[16]) {
    CameraTurn turn;
    for (int r = 0; r < 3; ++r) {
        float row[3] = {view[r], view[4 + r], view[8 + r]};
        const float length = std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
        for (int k = 0; k < 3; ++k) turn.frame[r * 3 + k] = length > 0 ? row[k] / length : (r == k ? 1.0f : 0.0f);
    }
    return turn;
}

}  // namespace
}  // namespace korvid

KORVID_EXPORT bool objRenderScene(const float view[16], const float projection[16], uint32_t flags) try {
    Context& c = context();
    const char* why = !c.store                                          ? "the library has not been started"
                      : c.headless                                      ? "the library was started without OpenGL"
                      : !view || !projection                            ? "a matrix is null"
                      : !finiteMatrix(view) || !finiteMatrix(projection) ? "a matrix holds a value that is not a finite number"
                      : (flags & ~uint32_t(KORVID_DRAW_CLEAR)) != 0     ? "unknown flags"
                                                                        : nullptr;
    if (!why && coreProfile())
        why = "a core-profile context has no fixed-function drawing; draw objGetParticleVertices with your shaders";
    if (why) {
        fail(Failure::GameRefused, why);
        return false;
    }
    {
        GameState saved(c.multitexture.available);
        libraryState(*c.lights);
        if (flags & KORVID_DRAW_CLEAR) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(view);
        LightSet lights = *c.lights;
        lights.showMarkers = false;  // the markers are the editor's
        drawLights(lights);
        drawScene(c, turnOfView(view));
    }
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

#include "context.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform.h"

namespace korvid {

void FrameClock::start() {
    current = previous = platform::milliseconds();
    delta = 0;
}

void FrameClock::tick() {
    previous = current;
    current = fixedStep >= 0 ? previous + static_cast<uint32_t>(fixedStep) : platform::milliseconds();
    delta = static_cast<int32_t>(current - previous);
}

Context& context() {
    static Context instance;
    return instance;
}

void simulationChanged() { context().timeline.invalidate(); }

Model* currentModel() {
    Context& c = context();
    return c.store ? c.store->current : nullptr;
}

Multitexture probeMultitexture() {
    Multitexture m;
    if (platform::hasGlExtension("GL_ARB_multitexture")) {
        m.activeTexture = reinterpret_cast<void (*)(unsigned)>(platform::glProcAddress("glActiveTextureARB"));
        m.available = m.activeTexture != nullptr;
    }
    return m;
}

ParticleSystem* currentParticleSystem() {
    Model* m = currentModel();
    if (!m) fail(Failure::NoModel);
    return m ? &m->particles : nullptr;
}

void startFresh(Context& c) {
    if (c.store) freeAllModels(*c.store);
    c.store = std::make_unique<ModelStore>();
    c.textures = std::make_unique<TextureLibrary>();
    c.textures->headless = c.headless;
    c.lights = std::make_unique<LightSet>();
    c.lights->headless = c.headless;
    resetLights(*c.lights);
    c.timeline.invalidate();
    c.timeline.restarted();
    c.game = GameClock{};
}

void startLibrary(Context& c, bool headless) {
    c.headless = headless;
    c.clock.fixedStep = -1;
    c.clock.start();
    c.simulation.reset();
    std::strcpy(c.lastError, failureFormat(Failure::None));
    // The context's extensions, probed once.
    c.multitexture = headless ? Multitexture{} : probeMultitexture();
    if (!headless) setUpPointParameters();
    startFresh(c);
    c.gridHalfSize = 4.0f;
    c.gridStep = 0.4f;
    c.gridHeight = 0.0f;
    c.outlineVisible = 1;
    c.gridVisible = 1;
    c.modelsVisible = true;
    c.shapeOutlineVisible = false;
}

}  // namespace korvid

using namespace korvid;

KORVID_EXPORT void objNew(void) try {
    Context& c = context();
    if (!c.store) return;  // the library has not been started
    startFresh(c);
} catch (...) {
    failFromException();
}

KORVID_EXPORT const char* objGetLastError(void) { return context().lastError; }

KORVID_EXPORT void objClearLastError(void) try {
    std::strcpy(context().lastError, failureFormat(Failure::None));
    clearLastFailure();
} catch (...) {
    failFromException();
}

KORVID_EXPORT bool objTestGlError(void) try {
    if (context().headless) return false;
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR) return false;
    const GLubyte* text = gluErrorString(code);
    fail(Failure::GlError, text ? reinterpret_cast<const char*>(text) : "unknown error");
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objSetCurrentModel(int32_t index) try {
    Context& c = context();
    if (c.store && selectModel(*c.store, index)) return true;
    fail(Failure::NoModel);
    return false;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT void objGetModelData(ModelInfo* info) try {
    Model* m = currentModel();
    if (!m || !info) return;
    info->polygonCount = m->polygonCount;
    info->surfaceCount = m->surfaceCount;
    info->emitterCount = m->particles.count();
    info->maxX = info->maxY = info->maxZ = -99999.0f;
    info->minX = info->minY = info->minZ = 99999.0f;
    float* mx[3] = {&info->maxX, &info->maxY, &info->maxZ};
    float* mn[3] = {&info->minX, &info->minY, &info->minZ};
    for (int p = 0; p < 24; ++p) {
        for (int a = 0; a < 3; ++a) {
            const float v = m->outline[3 * p + a];
            if (v > *mx[a]) *mx[a] = v;
            else if (v < *mn[a]) *mn[a] = v;
        }
    }
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objSetModelPosition(const float position[3]) try {
    Model* m = currentModel();
    if (!m || !position) return;
    simulationChanged();
    std::memcpy(m->position, position, sizeof m->position);
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objSetGrid(float halfSize, float step, float height) try {
    Context& c = context();
    c.gridHalfSize = halfSize;
    c.gridStep = step;
    c.gridHeight = height;
} catch (...) {
    failFromException();
}

KORVID_EXPORT int32_t objOnGrid(void) try {
    Context& c = context();
    c.gridVisible = !c.gridVisible;
    return c.gridVisible;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT int32_t objGetGrid(void) { return context().gridVisible ? 1 : 0; }

KORVID_EXPORT void objSetBBox(int32_t visible) { context().outlineVisible = visible; }

namespace {
void setSwitch(GLenum what, bool on) {
    if (context().headless) return;
    on ? glEnable(what) : glDisable(what);
}
}  // namespace

KORVID_EXPORT void objSetAntiAliasPoints(bool on) { setSwitch(GL_POINT_SMOOTH, on); }
KORVID_EXPORT void objSetAntiAliasLines(bool on) { setSwitch(GL_LINE_SMOOTH, on); }
KORVID_EXPORT void objSetAntiAliasPolys(bool on) { setSwitch(GL_POLYGON_SMOOTH, on); }

KORVID_EXPORT void objSetClearColor(const float rgba[4]) try {
    if (rgba && !context().headless) glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
} catch (...) {
    failFromException();
}

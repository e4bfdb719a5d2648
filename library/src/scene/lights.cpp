#include "lights.h"

#include <GL/gl.h>

#include <cstring>

#include "context.h"

namespace korvid {

void resetLights(LightSet& set) {
    for (int k = 0; k < KORVID_LIGHT_COUNT; ++k) {
        LightData& l = set.lights[k];
        std::memset(&l, 0, sizeof l);
        l.on = k == 0;
        l.number = k;
        const float position[4] = {0.0f, 0.5f, 2.0f, 1.0f};
        const float ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        std::memcpy(l.position, position, sizeof position);
        std::memcpy(l.ambient, ambient, sizeof ambient);
        std::memcpy(l.specular, white, sizeof white);
        std::memcpy(l.diffuse, white, sizeof white);
        l.constantAttenuation = 1.0f;
        l.linearAttenuation = 0.0f;
        l.quadraticAttenuation = 0.0f;
    }
    set.showMarkers = true;
    set.markerSize = 0.1f;
    for (int k = 0; k < KORVID_LIGHT_COUNT; ++k) programLight(set, k);
}

void programLight(const LightSet& set, int k) {
    if (set.headless) return;
    const LightData& l = set.lights[k];
    const GLenum light = GL_LIGHT1 + static_cast<GLenum>(k);
    glLightfv(light, GL_AMBIENT, l.ambient);
    glLightfv(light, GL_DIFFUSE, l.diffuse);
    glLightfv(light, GL_POSITION, l.position);
    glLightfv(light, GL_SPECULAR, l.specular);
    glLightf(light, GL_CONSTANT_ATTENUATION, l.constantAttenuation);
    glLightf(light, GL_LINEAR_ATTENUATION, l.linearAttenuation);
    glLightf(light, GL_QUADRATIC_ATTENUATION, l.quadraticAttenuation);
    if (l.on) glEnable(light); else glDisable(light);
}

void drawLights(const LightSet& set) {
    glLineWidth(2.0f);
    for (int k = 0; k < KORVID_LIGHT_COUNT; ++k) {
        const LightData& l = set.lights[k];
        if (!l.on) continue;
        glLightfv(GL_LIGHT1 + static_cast<GLenum>(k), GL_POSITION, l.position);
        if (!set.showMarkers) continue;
        const float x = l.position[0], y = l.position[1], z = l.position[2], s = set.markerSize;
        glColor4fv(l.diffuse);
        glDisable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glBegin(GL_LINES);
        glVertex3f(x + s, y, z);
        glVertex3f(x - s, y, z);
        glVertex3f(x, y + s, z);
        glVertex3f(x, y - s, z);
        glVertex3f(x, y, z + s);
        glVertex3f(x, y, z - s);
        glEnd();
        glDisable(GL_BLEND);
        glEnable(GL_LIGHTING);
    }
}

}  // namespace korvid

using namespace korvid;

namespace {
LightSet* lightSet(int32_t index) {
    LightSet* set = context().lights.get();
    return set && index >= 0 && index < KORVID_LIGHT_COUNT ? set : nullptr;
}
}  // namespace

KORVID_EXPORT void objSetLight(const LightData* light, int32_t index) try {
    LightSet* set = lightSet(index);
    if (!set || !light) return;
    LightData& l = set->lights[index];
    l.on = light->on;
    l.number = light->number;
    std::memcpy(l.ambient, light->ambient, sizeof l.ambient);
    std::memcpy(l.specular, light->specular, sizeof l.specular);
    std::memcpy(l.diffuse, light->diffuse, sizeof l.diffuse);
    l.position[3] = light->position[3];
    l.constantAttenuation = light->constantAttenuation;
    l.linearAttenuation = light->linearAttenuation;
    l.quadraticAttenuation = light->quadraticAttenuation;
    programLight(*set, index);
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objGetLight(LightData* out, int32_t index) try {
    LightSet* set = lightSet(index);
    if (set && out) *out = set->lights[index];
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objActivateLight(bool on, int32_t index) try {
    LightSet* set = lightSet(index);
    if (!set) return;
    set->lights[index].on = on;
    if (set->headless) return;
    const GLenum light = GL_LIGHT1 + static_cast<GLenum>(index);
    if (on) glEnable(light); else glDisable(light);
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objMoveLight(const float xyz[3], int32_t index) try {
    LightSet* set = lightSet(index);
    if (set && xyz) std::memcpy(set->lights[index].position, xyz, 3 * sizeof(float));
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objLightMode(float w, int32_t index) try {
    LightSet* set = lightSet(index);
    if (set) set->lights[index].position[3] = w;
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objShowLights(bool show) try {
    if (LightSet* set = context().lights.get()) set->showMarkers = show;
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objSetLightSizeFactor(float size) try {
    if (LightSet* set = context().lights.get()) set->markerSize = size;
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objSetGlobalAmb(const float rgba[4]) try {
    if (rgba && !context().headless) glLightModelfv(GL_LIGHT_MODEL_AMBIENT, rgba);
} catch (...) {
    failFromException();
}

#include "surfaces.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "context.h"
#include "normals.h"

namespace korvid {
namespace {

struct UnitSetup {
    uint32_t id;
    int32_t env, gen, planeMode;
    const float *sPlane, *tPlane;
    int32_t anim;
    const float *translate, *rotate;
};

void setUpUnit(const UnitSetup& u) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, u.id);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, u.env);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, u.gen);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, u.gen);
    glTexGenfv(GL_S, static_cast<GLenum>(u.planeMode), u.sPlane);
    glTexGenfv(GL_T, static_cast<GLenum>(u.planeMode), u.tPlane);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    if (u.anim) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(u.translate[0], u.translate[1], u.translate[2]);
        glRotatef(u.rotate[0], 1, 0, 0);
        glRotatef(u.rotate[1], 0, 1, 0);
        glRotatef(u.rotate[2], 0, 0, 1);
        glMatrixMode(GL_MODELVIEW);
    }
}

UnitSetup unit1(const Surface& s) {
    return {s.texture1Id, s.texEnv1, s.genMode1, s.planeMode1, s.sPlane1, s.tPlane1, s.anim1, s.animTranslate1,
            s.animRotate1};
}

UnitSetup unit2(const Surface& s) {
    return {s.texture2Id, s.texEnv2, s.genMode2, s.planeMode2, s.sPlane2, s.tPlane2, s.anim2, s.animTranslate2,
            s.animRotate2};
}

void resetTextureMatrix() {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void applySurfaceState(const Surface& s, const Multitexture& store) {
    if (s.blending) {
        glEnable(GL_BLEND);
        glDepthMask(GL_FALSE);
    }
    if (s.culling) glEnable(GL_CULL_FACE);
    if (s.textureCount == 2) {
        if (store.available) {
            store.activeTexture(GL_TEXTURE1_ARB);
            setUpUnit(unit2(s));
            store.activeTexture(GL_TEXTURE0_ARB);
        }
        setUpUnit(unit1(s));
    } else if (s.textureCount == 1) {
        setUpUnit(unit1(s));
    }
}

void restoreSurfaceState(const Surface& s, const Multitexture& store) {
    if (s.textureCount == 2) {
        if (store.available) {
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_GEN_S);
            store.activeTexture(GL_TEXTURE1_ARB);
            glDisable(GL_TEXTURE_2D);
            store.activeTexture(GL_TEXTURE0_ARB);
            glDisable(GL_TEXTURE_2D);
            if (s.anim1 || s.anim2) resetTextureMatrix();
        } else {
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_2D);
            if (s.anim1) resetTextureMatrix();
        }
    } else if (s.textureCount == 1) {
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_2D);
        if (s.anim1) resetTextureMatrix();
    }
    if (s.culling) glDisable(GL_CULL_FACE);
    if (s.blending) {
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
    }
}

}  // namespace korvid

using namespace korvid;

namespace korvid {
// The current model's surface `index`; records why there is none.
Surface* surfaceAt(int32_t index) {
    Model* m = currentModel();
    if (!m) {
        fail(Failure::NoModel);
        return nullptr;
    }
    if (index < 0 || index >= m->surfaceCount) {
        fail(Failure::BadArgument);
        return nullptr;
    }
    return &m->surfaces[index];
}

}  // namespace korvid

KORVID_EXPORT void objGetSurfaceData(SurfaceData* out, int32_t index) try {
    const Surface* s = surfaceAt(index);
    if (!s || !out) return;
    *out = *s;
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objSetSurfaceData(const SurfaceData* in, int32_t index) try {
    Surface* s = surfaceAt(index);
    if (!s || !in) return;
    // Everything but the read-only counts, with the names kept as strings.
    const int32_t vertexFloatCount = s->vertexFloatCount, polygonCount = s->polygonCount;
    if (s->smooth != in->smooth) s->geometryChanged = true;
    SurfaceData& record = *s;
    record = *in;
    s->vertexFloatCount = vertexFloatCount;
    s->polygonCount = polygonCount;
    // The name is made one the files can hold, so that a save loads again.
    safeName(in->name, s->name, sizeof s->name);
    // A surface moved moves its triangles: mesh shapes made from now on take them afresh.
    if (Model* m = currentModel()) m->meshTable.reset();
    copyName(s->texture1Name, in->texture1Name);
    copyName(s->texture2Name, in->texture2Name);
} catch (...) {
    failFromException();
}

KORVID_EXPORT void objSelectSurface(int32_t index, int32_t selection) try {
    if (Surface* s = surfaceAt(index)) s->selection = selection;
} catch (...) {
    failFromException();
}

KORVID_EXPORT bool objSetSmoothSurface(int32_t index, float angle) try {
    Surface* s = surfaceAt(index);
    if (!s) return false;
    s->angle = angle;
    s->geometryChanged = true;
    if (smoothNormals(s->vertices.get(), s->vertexFloatCount, s->faceNormals.get(), s->vertexNormals.get(), angle))
        return true;
    fail(Failure::NoVertexData);
    return false;
} catch (...) {
    return refusedByException<bool>(false);
}

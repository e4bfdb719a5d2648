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

namespace {
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

template <size_t N>
void copyArray(float (&to)[N], const float (&from)[N]) {
    std::memcpy(to, from, sizeof to);
}
}  // namespace

KORVID_EXPORT void objGetSurfaceData(SurfaceData* out, int32_t index) {
    const Surface* s = surfaceAt(index);
    if (!s || !out) return;
    std::memcpy(out->name, s->name, sizeof out->name);
    out->blending = s->blending;
    out->culling = s->culling;
    out->anim1 = s->anim1;
    out->anim2 = s->anim2;
    copyArray(out->animTranslate1, s->animTranslate1);
    copyArray(out->animRotate1, s->animRotate1);
    copyArray(out->animTranslate2, s->animTranslate2);
    copyArray(out->animRotate2, s->animRotate2);
    out->genMode1 = s->genMode1;
    out->genMode2 = s->genMode2;
    out->planeMode1 = s->planeMode1;
    out->planeMode2 = s->planeMode2;
    out->textureCount = s->textureCount;
    std::memcpy(out->texture1Name, s->texture1Name, sizeof out->texture1Name);
    out->texture1Id = s->texture1Id;
    copyArray(out->sPlane1, s->sPlane1);
    copyArray(out->tPlane1, s->tPlane1);
    out->texEnv1 = s->texEnv1;
    std::memcpy(out->texture2Name, s->texture2Name, sizeof out->texture2Name);
    out->texture2Id = s->texture2Id;
    copyArray(out->sPlane2, s->sPlane2);
    copyArray(out->tPlane2, s->tPlane2);
    out->texEnv2 = s->texEnv2;
    out->smooth = s->smooth;
    out->angle = s->angle;
    copyArray(out->diffuse, s->diffuse);
    copyArray(out->ambient, s->ambient);
    copyArray(out->specular, s->specular);
    copyArray(out->emission, s->emission);
    out->shininess = s->shininess;
    out->vertexFloatCount = s->vertexFloatCount;
    out->polygonCount = s->polygonCount;
}

KORVID_EXPORT void objSetSurfaceData(const SurfaceData* in, int32_t index) {
    Surface* s = surfaceAt(index);
    if (!s || !in) return;
    copyName(s->name, in->name);
    s->blending = in->blending;
    s->culling = in->culling;
    s->anim1 = in->anim1;
    s->anim2 = in->anim2;
    copyArray(s->animTranslate1, in->animTranslate1);
    copyArray(s->animRotate1, in->animRotate1);
    copyArray(s->animTranslate2, in->animTranslate2);
    copyArray(s->animRotate2, in->animRotate2);
    s->genMode1 = in->genMode1;
    s->genMode2 = in->genMode2;
    s->planeMode1 = in->planeMode1;
    s->planeMode2 = in->planeMode2;
    s->textureCount = in->textureCount;
    copyName(s->texture1Name, in->texture1Name);
    s->texture1Id = in->texture1Id;
    copyArray(s->sPlane1, in->sPlane1);
    copyArray(s->tPlane1, in->tPlane1);
    s->texEnv1 = in->texEnv1;
    copyName(s->texture2Name, in->texture2Name);
    s->texture2Id = in->texture2Id;
    copyArray(s->sPlane2, in->sPlane2);
    copyArray(s->tPlane2, in->tPlane2);
    s->texEnv2 = in->texEnv2;
    if (s->smooth != in->smooth) s->geometryChanged = true;
    s->smooth = in->smooth;
    s->angle = in->angle;
    copyArray(s->diffuse, in->diffuse);
    copyArray(s->ambient, in->ambient);
    copyArray(s->specular, in->specular);
    copyArray(s->emission, in->emission);
    s->shininess = in->shininess;
}

KORVID_EXPORT void objSelectSurface(int32_t index, int32_t selection) {
    if (Surface* s = surfaceAt(index)) s->selection = selection;
}

KORVID_EXPORT bool objSetSmoothSurface(int32_t index, float angle) {
    Surface* s = surfaceAt(index);
    if (!s) return false;
    s->angle = angle;
    s->geometryChanged = true;
    if (smoothNormals(s->vertices.get(), s->vertexFloatCount, s->faceNormals.get(), s->vertexNormals.get(), angle))
        return true;
    fail(Failure::NoVertexData);
    return false;
}

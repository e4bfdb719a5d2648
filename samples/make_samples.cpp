// Writes the sample entities of samples/: RAW models, bitmaps and ZOB files,
// built through the library's own exports. Run from the samples folder so that
// image paths are stored relative to it.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "bitmap_writer.h"
#include "png_io.h"
#include "gl_context.h"
#include "korvid.h"

using korvid::support::Rgb;

namespace {

constexpr float kPi = 3.14159265f;

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void writeBitmap(const std::string& path, int size, Rgb (*texel)(int, int, int)) {
    std::vector<Rgb> rows;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) rows.push_back(texel(x, y, size));
    writeText(path, korvid::support::bitmap24(size, size, rows));
}

std::string triangle(const float a[3], const float b[3], const float c[3]) {
    char line[256];
    std::snprintf(line, sizeof line, "%.5f %.5f %.5f  %.5f %.5f %.5f  %.5f %.5f %.5f\n", a[0], a[1], a[2], b[0], b[1],
                  b[2], c[0], c[1], c[2]);
    return line;
}

// A torus standing in the x-y plane, its triangles counter-clockwise from outside.
std::string torus(const char* name, float major, float minor, int rings, int sides) {
    std::string out = std::string(name) + "\n";
    auto at = [&](int i, int j, float* p, float* tube) {
        const float u = 2 * kPi * i / rings, v = 2 * kPi * j / sides;
        tube[0] = major * std::cos(u);
        tube[1] = major * std::sin(u);
        tube[2] = 0;
        p[0] = (major + minor * std::cos(v)) * std::cos(u);
        p[1] = (major + minor * std::cos(v)) * std::sin(u);
        p[2] = minor * std::sin(v);
    };
    auto emit = [&](const float* a, const float* b, const float* c, const float* centre) {
        const float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        const float out_[3] = {a[0] - centre[0], a[1] - centre[1], a[2] - centre[2]};
        out += n[0] * out_[0] + n[1] * out_[1] + n[2] * out_[2] >= 0 ? triangle(a, b, c) : triangle(a, c, b);
    };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            float a[3], b[3], c[3], d[3], ta[3], tb[3];
            at(i, j, a, ta);
            at(i + 1, j, b, tb);
            at(i + 1, j + 1, c, tb);
            at(i, j + 1, d, ta);
            const float centre[3] = {(ta[0] + tb[0]) / 2, (ta[1] + tb[1]) / 2, 0};
            emit(a, b, c, centre);
            emit(a, c, d, centre);
        }
    return out;
}

// An axis-aligned box from (x0, y0, z0) to (x1, y1, z1), faces outward.
std::string box(const char* name, float x0, float y0, float z0, float x1, float y1, float z1) {
    const float p[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                           {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6}, {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    std::string out = std::string(name) + "\n";
    for (const auto& f : faces) {
        out += triangle(p[f[0]], p[f[1]], p[f[2]]);
        out += triangle(p[f[0]], p[f[2]], p[f[3]]);
    }
    return out;
}

void addImage(const char* path, const char* name, int filter, int alpha = 0, int averaged = 0, int low = 0,
              int high = 0) {
    TextureInfo t{};
    std::strcpy(t.path, path);
    std::strcpy(t.name, name);
    t.filter = filter;
    t.alpha = alpha;
    t.averaged = averaged;
    t.low = low;
    t.high = high;
    if (!objAddTexture(&t)) std::fprintf(stderr, "%s: %s\n", path, objGetLastError());
}

void load(const char* raw) {
    objNew();
    if (!objLoadRaw(raw)) std::fprintf(stderr, "%s: %s\n", raw, objGetLastError());
    objSetCurrentModel(0);
}

// Gives surface `index` a plain lit colour.
void paint(int index, float r, float g, float b) {
    SurfaceData s{};
    objGetSurfaceData(&s, index);
    const float diffuse[4] = {r, g, b, 1}, ambient[4] = {r * 0.4f, g * 0.4f, b * 0.4f, 1};
    const float specular[4] = {0.3f, 0.3f, 0.3f, 1};
    std::memcpy(s.diffuse, diffuse, sizeof diffuse);
    std::memcpy(s.ambient, ambient, sizeof ambient);
    std::memcpy(s.specular, specular, sizeof specular);
    objSetSurfaceData(&s, index);
}

EmitterData baseEmitter(const char* name) {
    EmitterData e;
    objInitEmitter(&e);
    std::strcpy(e.name, name);
    e.lifespanTime = 1000;
    return e;
}

void save(const char* path) {
    if (!objSaveZOB(path)) std::fprintf(stderr, "%s: %s\n", path, objGetLastError());
}

void showcase() {
    load("torus.raw");
    addImage("marble.bmp", "Marble", 4);
    addImage("stripes.bmp", "Stripes", 3);
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    s.smooth = 1;
    s.angle = 60;
    s.textureCount = 2;
    std::strcpy(s.texture1Name, "Marble");
    s.texture1Id = objGetTextureId("Marble");
    std::strcpy(s.texture2Name, "Stripes");
    s.texture2Id = objGetTextureId("Stripes");
    const float sPlane[4] = {0.5f, 0, 0, 0}, tPlane[4] = {0, 0.5f, 0, 0};
    std::memcpy(s.sPlane1, sPlane, sizeof sPlane);
    std::memcpy(s.tPlane1, tPlane, sizeof tPlane);
    s.genMode2 = 0x2402;  // sphere map
    s.anim2 = 1;
    s.animRotate2[2] = 30;
    s.animTranslate2[0] = 0.25f;
    const float diffuse[4] = {0.9f, 0.85f, 0.8f, 1}, specular[4] = {0.8f, 0.8f, 0.8f, 1};
    std::memcpy(s.diffuse, diffuse, sizeof diffuse);
    std::memcpy(s.specular, specular, sizeof specular);
    s.shininess = 40;
    objSetSurfaceData(&s, 0);
    objSetSmoothSurface(0, 60);

    objGetSurfaceData(&s, 1);
    const float plinth[4] = {0.3f, 0.35f, 0.5f, 1};
    std::memcpy(s.diffuse, plinth, sizeof plinth);
    std::memcpy(s.ambient, plinth, sizeof plinth);
    objSetSurfaceData(&s, 1);
    save("showcase.zob");
}

void fountain() {
    load("basin.raw");
    paint(0, 0.45f, 0.5f, 0.6f);
    paint(1, 0.7f, 0.7f, 0.75f);
    EmitterData e = baseEmitter("Fountain");
    e.particleType = 0;
    e.isReflected = 1;
    e.groundPosition = 0;
    e.position[1] = 1.2f;
    e.pitch = kPi / 2;
    e.pitchVar = 0.12f;
    e.yawVar = kPi;
    e.speed = 0.045f;
    e.speedVar = 0.01f;
    e.totalParticles = 3000;
    e.emitterPerCycle = 6;
    e.emitterPerCycleVar = 2;
    e.life = 2500;
    e.lifeVar = 500;
    const float start[4] = {0.5f, 0.7f, 1, 1}, end[4] = {0.1f, 0.2f, 0.8f, 0};
    std::memcpy(e.startColor, start, sizeof start);
    std::memcpy(e.endColor, end, sizeof end);
    e.startColorVar[0] = 0.1f;
    e.startSize = 3;
    e.force[1] = -0.0015f;
    objAddEmitter(&e);
    save("fountain.zob");
}

void sparks() {
    load("anvil.raw");
    paint(0, 0.35f, 0.35f, 0.4f);
    paint(1, 0.25f, 0.22f, 0.2f);
    paint(2, 0.45f, 0.3f, 0.2f);
    EmitterData e = baseEmitter("Sparks");
    e.particleType = 2;
    e.isAltAlpha = 1;
    e.isReflected = 1;
    e.groundPosition = 0;
    e.position[1] = 0.62f;
    e.pitch = 0.9f;
    e.pitchVar = 0.5f;
    e.yawVar = kPi;
    e.speed = 0.05f;
    e.speedVar = 0.02f;
    e.totalParticles = 1500;
    e.emitterPerCycle = 4;
    e.emitterPerCycleVar = 3;
    e.emitterTime = 10;
    e.life = 1200;
    e.lifeVar = 400;
    const float start[4] = {1, 0.9f, 0.4f, 1}, end[4] = {1, 0.2f, 0, 0};
    std::memcpy(e.startColor, start, sizeof start);
    std::memcpy(e.endColor, end, sizeof end);
    e.startSize = 2;
    e.force[1] = -0.002f;
    objAddEmitter(&e);
    save("sparks.zob");
}

void fireworks() {
    load("launcher.raw");
    paint(0, 0.6f, 0.2f, 0.15f);
    paint(1, 0.2f, 0.3f, 0.2f);
    paint(2, 0.5f, 0.5f, 0.55f);
    paint(3, 0.5f, 0.5f, 0.55f);
    EmitterData e = baseEmitter("Rockets");
    e.particleType = 1;
    e.isAltAlpha = 1;
    e.isBurst = 1;
    e.isReflected = 1;
    e.isBurstOnGround = 1;
    e.groundPosition = 0;
    e.position[1] = 0.2f;
    e.pitch = kPi / 2;
    e.pitchVar = 0.25f;
    e.yawVar = kPi;
    e.speed = 0.06f;
    e.speedVar = 0.01f;
    e.totalParticles = 4000;
    e.emitterPerCycle = 1;
    e.emitterTime = 400;
    e.life = 1400;
    e.lifeVar = 300;
    const float start[4] = {1, 1, 0.6f, 1}, end[4] = {1, 0.5f, 0.2f, 1};
    std::memcpy(e.startColor, start, sizeof start);
    std::memcpy(e.endColor, end, sizeof end);
    e.startSize = 2;
    e.force[1] = -0.0008f;
    objAddEmitter(&e);
    objSetEmitterPtr(0);
    BurstData b{};
    objGetBurst(&b);
    b.count = 120;
    b.life = 1300;
    b.lifeVar = 400;
    b.pitch = 0;
    b.pitchVar = kPi / 2;
    b.speed = 0.03f;
    b.speedVar = 0.01f;
    const float bs[4] = {1, 0.4f, 0.8f, 1}, bsv[4] = {0, 0.4f, 0.2f, 0}, be[4] = {0.3f, 0.1f, 1, 0};
    std::memcpy(b.startColor, bs, sizeof bs);
    std::memcpy(b.startColorVar, bsv, sizeof bsv);
    std::memcpy(b.endColor, be, sizeof be);
    objSetBurst(&b);
    save("fireworks.zob");
}

// The haze texture: light grey texels on a keyed-out white ground, so that
// smoke stays light to its edges over any background (main writes the bitmap).
void addHaze() { addImage("haze.bmp", "Haze", 4, 1, 0, 255, 255); }

void smoke() {
    load("chimney.raw");
    paint(0, 0.6f, 0.3f, 0.25f);
    paint(1, 0.35f, 0.3f, 0.3f);
    // The chimney's puffs: the haze texture under the name the entity has always used.
    addImage("haze.bmp", "Puff", 4, 1, 0, 255, 255);
    EmitterData e = baseEmitter("Smoke");
    e.particleType = 3;
    std::strcpy(e.imageName, "Puff");
    e.textureId = objGetTextureId("Puff");
    e.position[1] = 1.05f;
    e.pitch = kPi / 2;
    e.pitchVar = 0.2f;
    e.yawVar = kPi;
    e.speed = 0.008f;
    e.speedVar = 0.003f;
    e.totalParticles = 400;
    e.emitterPerCycle = 1;
    e.emitterTime = 60;
    e.life = 4000;
    e.lifeVar = 800;
    const float start[4] = {0.8f, 0.8f, 0.82f, 0.7f}, end[4] = {0.72f, 0.72f, 0.76f, 0};
    std::memcpy(e.startColor, start, sizeof start);
    std::memcpy(e.endColor, end, sizeof end);
    e.startSize = 2;
    e.startSizeVar = 0.5f;
    e.endSize = 9;
    e.endSizeVar = 2;
    e.force[0] = 0.00004f;
    objAddEmitter(&e);
    save("smoke.zob");
}

void curve(int which, std::initializer_list<CurveKey> keys) {
    if (!objSetEmitterCurve(which, keys.begin(), static_cast<int32_t>(keys.size())))
        std::fprintf(stderr, "curve: %s\n", objGetLastError());
}

void shape(int kind, float x, float y, float z, int shell) {
    const EmitterShape s{kind, {x, y, z}, shell};
    if (!objSetEmitterShape(&s)) std::fprintf(stderr, "shape: %s\n", objGetLastError());
}

// A fire pit: flames whose colour runs white, yellow, orange, dark red and
// out, smoke that swells fast and then slowly, and sparks from the embers.
void campfire() {
    load("campfire.raw");
    paint(0, 0.45f, 0.3f, 0.18f);
    paint(1, 0.42f, 0.28f, 0.16f);
    paint(2, 0.4f, 0.4f, 0.42f);
    addImage("puff.bmp", "Puff", 2, 1, 1);

    EmitterData fire = baseEmitter("Fire");
    fire.particleType = 3;
    fire.isAltAlpha = 1;
    std::strcpy(fire.imageName, "Puff");
    fire.textureId = objGetTextureId("Puff");
    fire.position[1] = 0.18f;
    fire.pitch = kPi / 2;
    fire.pitchVar = 0.15f;
    fire.yawVar = kPi;
    fire.speed = 0.006f;
    fire.speedVar = 0.002f;
    fire.totalParticles = 600;
    fire.emitterPerCycle = 3;
    fire.emitterPerCycleVar = 1;
    fire.emitterTime = 20;
    fire.life = 1100;
    fire.lifeVar = 300;
    fire.startSize = 2.5f;
    fire.endSize = 1;
    fire.force[1] = 0.00008f;
    objAddEmitter(&fire);
    objSetEmitterPtr(0);
    curve(KORVID_CURVE_COLOUR, {{0.0f, {1, 1, 0.9f, 1}},
                                {0.2f, {1, 0.9f, 0.3f, 1}},
                                {0.5f, {1, 0.45f, 0.05f, 0.8f}},
                                {0.8f, {0.45f, 0.05f, 0.02f, 0.4f}},
                                {1.0f, {0.2f, 0.0f, 0.0f, 0}}});
    shape(KORVID_SHAPE_DISC, 0.22f, 0, 0, 0);

    addHaze();
    EmitterData smoke = baseEmitter("Smoke");
    smoke.particleType = 3;
    std::strcpy(smoke.imageName, "Haze");
    smoke.textureId = objGetTextureId("Haze");
    smoke.position[1] = 0.6f;
    smoke.pitch = kPi / 2;
    smoke.pitchVar = 0.2f;
    smoke.yawVar = kPi;
    smoke.speed = 0.004f;
    smoke.speedVar = 0.0015f;
    smoke.totalParticles = 300;
    smoke.emitterPerCycle = 1;
    smoke.emitterTime = 90;
    smoke.life = 3500;
    smoke.lifeVar = 600;
    const float grey[4] = {0.55f, 0.53f, 0.52f, 0.55f}, clear[4] = {0.68f, 0.68f, 0.7f, 0};
    std::memcpy(smoke.startColor, grey, sizeof grey);
    std::memcpy(smoke.endColor, clear, sizeof clear);
    smoke.startSizeVar = 0.3f;
    smoke.force[0] = 0.00003f;
    objAddEmitter(&smoke);
    objSetEmitterPtr(1);
    curve(KORVID_CURVE_SIZE, {{0.0f, {1.5f, 0, 0, 0}}, {0.25f, {5, 0, 0, 0}}, {1.0f, {7, 0, 0, 0}}});
    shape(KORVID_SHAPE_SPHERE, 0.12f, 0, 0, 0);

    EmitterData sparks = baseEmitter("Sparks");
    sparks.particleType = 2;
    sparks.isAltAlpha = 1;
    sparks.position[1] = 0.15f;
    sparks.pitch = kPi / 2;
    sparks.pitchVar = 0.35f;
    sparks.yawVar = kPi;
    sparks.speed = 0.02f;
    sparks.speedVar = 0.008f;
    sparks.totalParticles = 300;
    sparks.emitterPerCycle = 1;
    sparks.emitterPerCycleVar = 1;
    sparks.emitterTime = 70;
    sparks.life = 1300;
    sparks.lifeVar = 400;
    const float hot[4] = {1, 0.8f, 0.3f, 1}, cold[4] = {0.9f, 0.2f, 0, 0};
    std::memcpy(sparks.startColor, hot, sizeof hot);
    std::memcpy(sparks.endColor, cold, sizeof cold);
    sparks.startSize = 2;
    sparks.force[1] = -0.0004f;
    objAddEmitter(&sparks);
    objSetEmitterPtr(2);
    shape(KORVID_SHAPE_DISC, 0.3f, 0, 0, 0);
    save("campfire.zob");
    // Its flames alone, for the flipbook fire's sheet (removed once it is made).
    objSetEmitterPtr(1);
    objRemoveEmitter();
    objRemoveEmitter();
    save("fire_only.zob");
}

// A crystal that sheds glowing motes from its whole surface.
void magic() {
    load("crystal.raw");
    paint(0, 0.45f, 0.35f, 0.9f);
    paint(1, 0.3f, 0.3f, 0.35f);
    EmitterData motes = baseEmitter("Motes");
    motes.particleType = 0;
    motes.isAltAlpha = 1;
    motes.pitch = kPi / 2;
    motes.pitchVar = kPi;
    motes.yawVar = kPi;
    motes.speed = 0.004f;
    motes.speedVar = 0.002f;
    motes.totalParticles = 1500;
    motes.emitterPerCycle = 4;
    motes.emitterPerCycleVar = 2;
    motes.emitterTime = 15;
    motes.life = 2200;
    motes.lifeVar = 500;
    motes.startColorVar[2] = 0.1f;
    motes.startSize = 3;
    motes.force[1] = 0.00015f;
    objAddEmitter(&motes);
    objSetEmitterPtr(0);
    curve(KORVID_CURVE_COLOUR, {{0.0f, {0.6f, 1, 1, 0}},
                                {0.15f, {0.5f, 0.9f, 1, 1}},
                                {0.6f, {0.6f, 0.3f, 1, 0.8f}},
                                {1.0f, {0.5f, 0.1f, 0.6f, 0}}});
    shape(KORVID_SHAPE_MESH, 0, 0, 0, 0);

    EmitterData ring = baseEmitter("Ring");
    ring.particleType = 1;
    ring.isAltAlpha = 1;
    ring.position[1] = 0.05f;
    ring.pitch = kPi / 2;
    ring.pitchVar = 0.05f;
    ring.speed = 0.01f;
    ring.totalParticles = 600;
    ring.emitterPerCycle = 2;
    ring.emitterTime = 15;
    ring.life = 1200;
    ring.lifeVar = 200;
    const float violet[4] = {0.7f, 0.4f, 1, 1}, gone[4] = {0.2f, 0.2f, 1, 0};
    std::memcpy(ring.startColor, violet, sizeof violet);
    std::memcpy(ring.endColor, gone, sizeof gone);
    ring.startSize = 2;
    objAddEmitter(&ring);
    objSetEmitterPtr(1);
    shape(KORVID_SHAPE_DISC, 0.9f, 0, 0, 1);
    save("magic.zob");
}

// A pyramid pointing up (apex on top) or down, its faces outward.
std::string pyramid(const char* name, float y0, float apex, float r) {
    const float a[3] = {0, apex, 0};
    const float ring[4][3] = {{r, y0, 0}, {0, y0, -r}, {-r, y0, 0}, {0, y0, r}};
    std::string out = std::string(name) + "\n";
    for (int i = 0; i < 4; ++i) {
        const float* p = ring[i];
        const float* q = ring[(i + 1) % 4];
        out += apex > y0 ? triangle(p, q, a) : triangle(q, p, a);
    }
    return out;
}

}  // namespace

// Files of other formats, for the importers: an OBJ lantern (a base and a
// roof, two meshes) and a PNG leaf whose outside is transparent.
// Sparks from a grinder above a flight of steps: they bounce down the steps
// (the stairs are their own model's triangles) and burst into smaller sparks
// where they reach the floor, with a little wind.
void sparksOnSteps() {
    load("stairs.raw");
    paint(0, 0.5f, 0.45f, 0.4f);
    paint(1, 0.25f, 0.25f, 0.28f);
    EmitterData e = baseEmitter("Grinder");
    e.particleType = 2;
    e.isAltAlpha = 1;
    e.position[0] = -0.9f;
    e.position[1] = 1.45f;
    e.yaw = -1.5707964f;  // toward +x, down the steps
    e.yawVar = 0.5f;
    e.pitch = 0.2f;
    e.pitchVar = 0.3f;
    e.speed = 0.012f;
    e.speedVar = 0.006f;
    e.totalParticles = 3000;
    e.emitterPerCycle = 5;
    e.emitterPerCycleVar = 3;
    e.emitterTime = 15;
    e.life = 2600;
    e.lifeVar = 600;
    const float start[4] = {1, 0.95f, 0.6f, 1}, end[4] = {1, 0.3f, 0.05f, 0.2f};
    std::memcpy(e.startColor, start, sizeof start);
    std::memcpy(e.endColor, end, sizeof end);
    e.startSize = 2;
    e.force[1] = -0.0015f;
    e.burst.count = 6;
    e.burst.speed = 0.012f;
    e.burst.speedVar = 0.008f;
    e.burst.pitch = 0.8f;
    e.burst.pitchVar = 0.7f;
    e.burst.yawVar = kPi;
    e.burst.life = 500;
    e.burst.lifeVar = 200;
    const float burstStart[4] = {1, 0.7f, 0.3f, 1}, burstEnd[4] = {0.9f, 0.15f, 0, 0};
    std::memcpy(e.burst.startColor, burstStart, sizeof burstStart);
    std::memcpy(e.burst.endColor, burstEnd, sizeof burstEnd);
    objAddEmitter(&e);
    objSetEmitterPtr(0);
    ForceField wind{};
    wind.kind = KORVID_FIELD_WIND;
    wind.axis[2] = 1;
    wind.strength = 0.00004f;
    objSetEmitterFields(&wind, 1);
    Collider steps{}, floor{};
    steps.kind = KORVID_COLLIDER_MODEL;
    steps.model = 0;
    steps.bounce = 0.45f;
    steps.friction = 0.25f;
    steps.response = KORVID_HIT_BOUNCE;
    floor.kind = KORVID_COLLIDER_PLANE;
    floor.axis[1] = 1;
    floor.position[1] = 0.001f;  // just above the floor's top
    floor.response = KORVID_HIT_BURST;
    const Collider colliders[2] = {floor, steps};
    if (!objSetEmitterColliders(colliders, 2)) std::fprintf(stderr, "colliders: %s\n", objGetLastError());
    save("sparks_on_steps.zob");
}

// Sparks off a grinding wheel, each with a trail that thins and fades, and
// streaks stretched with their speed.
void sparkTrails() {
    load("anvil.raw");
    paint(0, 0.35f, 0.35f, 0.38f);
    paint(1, 0.25f, 0.22f, 0.2f);
    paint(2, 0.3f, 0.3f, 0.32f);
    EmitterData e = baseEmitter("Grind");
    e.particleType = 2;
    e.isAltAlpha = 1;
    e.position[0] = 0.35f;
    e.position[1] = 0.62f;
    e.yaw = -1.5707964f;  // toward +x
    e.yawVar = 0.35f;
    e.pitch = 0.5f;
    e.pitchVar = 0.35f;
    e.speed = 0.025f;
    e.speedVar = 0.01f;
    e.totalParticles = 800;
    e.emitterPerCycle = 3;
    e.emitterPerCycleVar = 2;
    e.emitterTime = 15;
    e.life = 900;
    e.lifeVar = 300;
    const float start[4] = {1, 0.95f, 0.7f, 1}, end[4] = {1, 0.35f, 0.05f, 0.3f};
    std::memcpy(e.startColor, start, sizeof start);
    std::memcpy(e.endColor, end, sizeof end);
    e.startSize = 2;
    e.force[1] = -0.0012f;
    e.isReflected = 1;
    e.groundPosition = 0.0f;
    objAddEmitter(&e);
    objSetEmitterPtr(0);
    const ParticleSpin stretch{0, 0, 0, 0, 1, 0.15f};
    const Trail trail{1, 240, 0, 0.035f, 0.0f, 0.0f};
    if (!objSetEmitterSpin(&stretch) || !objSetEmitterTrail(&trail))
        std::fprintf(stderr, "spark trails: %s\n", objGetLastError());
    save("spark_trails.zob");
}

// Braziers whose flames are a flipbook: the campfire's flames rendered by
// korvid-render into a sheet of 4 x 4 moments (fire_sheet.png),
// kept here as the bitmap the library reads, played by a few large, slow
// particles each starting at a random frame and blending between frames.
void flipbookFire() {
    korvid::support::Image sheet;
    if (!korvid::support::readPng("fire_sheet.png", sheet)) {
        std::fprintf(stderr, "fire_sheet.png: run korvid-render first (scripts/make-samples does)\n");
        return;
    }
    // Over black: the colour times its coverage, which added light shows as rendered.
    std::vector<Rgb> rows(size_t(sheet.width) * sheet.height);
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x) {
            const uint8_t* p = &sheet.rgba[(size_t(sheet.height - 1 - y) * sheet.width + x) * 4];
            auto over = [p](int c) { return uint8_t((p[c] * p[3] + 127) / 255); };
            rows[size_t(y) * sheet.width + x] = Rgb{over(0), over(1), over(2)};
        }
    writeText("fire_sheet.bmp", korvid::support::bitmap24(sheet.width, sheet.height, rows));
    std::remove("fire_sheet.png");
    std::remove("fire_sheet.json");
    std::remove("fire_only.zob");

    // Three bowls on stands, each kind one surface, on a floor.
    const auto more = [](const std::string& b) { return b.substr(b.find('\n') + 1); };
    std::string bowls, stands;
    const float places[3] = {-0.95f, 0.0f, 0.95f};
    for (int k = 0; k < 3; ++k) {
        const float x = places[k];
        const std::string bowl = box("Bowls", x - 0.2f, 0.5f, -0.2f, x + 0.2f, 0.62f, 0.2f);
        const std::string stand = box("Stands", x - 0.05f, 0.0f, -0.05f, x + 0.05f, 0.5f, 0.05f);
        bowls += k == 0 ? bowl : more(bowl);
        stands += k == 0 ? stand : more(stand);
    }
    writeText("braziers.raw", bowls + stands + box("Floor", -1.6f, -0.05f, -0.8f, 1.6f, 0.0f, 0.8f));
    load("braziers.raw");
    paint(0, 0.3f, 0.28f, 0.26f);
    paint(1, 0.22f, 0.2f, 0.2f);
    paint(2, 0.35f, 0.33f, 0.3f);
    addImage("fire_sheet.bmp", "FireSheet", 3);
    for (int k = 0; k < 3; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "Flame%d", k + 1);
        EmitterData e = baseEmitter(name);
        e.particleType = 3;
        e.isAltAlpha = 1;
        std::strcpy(e.imageName, "FireSheet");
        e.textureId = objGetTextureId("FireSheet");
        e.position[0] = places[k];
        e.position[1] = 0.95f;
        e.speed = 0.0004f;
        e.pitch = kPi / 2;
        e.totalParticles = 8;
        e.emitterPerCycle = 1;
        e.emitterTime = 300;
        e.life = 1800;
        e.lifeVar = 200;
        const float glow[4] = {1, 1, 1, 0.55f}, gone[4] = {1, 1, 1, 0.0f};
        std::memcpy(e.startColor, glow, sizeof glow);
        std::memcpy(e.endColor, gone, sizeof gone);
        e.startSize = 9;
        e.endSize = 10;
        objAddEmitter(&e);
        objSetEmitterPtr(k);
        // A few layers overlap: each adds a third of the sheet's light, so they never burn to white.
        curve(KORVID_CURVE_COLOUR, {{0.0f, {1, 1, 1, 0}}, {0.2f, {1, 1, 1, 0.32f}}, {0.75f, {1, 1, 1, 0.32f}},
                                    {1.0f, {1, 1, 1, 0}}});
        const Flipbook flipbook{4, 4, 16, 16.6667f, 0, 1, 1};
        const ParticleSpin turn{0, 0.15f, 0, 0, 0, 0};
        if (!objSetEmitterFlipbook(&flipbook) || !objSetEmitterSpin(&turn))
            std::fprintf(stderr, "flipbook fire: %s\n", objGetLastError());
    }
    save("flipbook_fire.zob");
}

void importSamples() {
    std::string obj = "# A lantern for File > Import Model: two meshes.\n";
    const auto vertex = [&obj](float x, float y, float z) {
        obj += "v " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + "\n";
    };
    obj += "o Base\n";
    const float b = 0.5f, h = 0.8f;
    for (float y : {0.0f, h})
        for (auto [x, z] : {std::pair{-b, -b}, {b, -b}, {b, b}, {-b, b}}) vertex(x, y, z);
    // Counter-clockwise from outside, as the RAW samples are.
    obj += "f 1 2 3 4\nf 5 8 7 6\nf 1 5 6 2\nf 2 6 7 3\nf 3 7 8 4\nf 4 8 5 1\n";
    obj += "o Roof\n";
    for (auto [x, z] : {std::pair{-0.7f, -0.7f}, {0.7f, -0.7f}, {0.7f, 0.7f}, {-0.7f, 0.7f}}) vertex(x, h, z);
    vertex(0, h + 0.6f, 0);
    obj += "f 9 10 11 12\nf 9 13 10\nf 10 13 11\nf 11 13 12\nf 12 13 9\n";
    writeText("lantern.obj", obj);

    korvid::support::Image leaf;
    leaf.width = leaf.height = 32;
    leaf.rgba.resize(32 * 32 * 4);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float u = (x + 0.5f) / 16 - 1, v = (y + 0.5f) / 16 - 1;
            const bool inside = u * u / 0.45f + v * v / 0.9f < 1;
            uint8_t* p = &leaf.rgba[4 * (y * 32 + x)];
            p[0] = static_cast<uint8_t>(std::abs(u) < 0.06f ? 150 : 60);
            p[1] = static_cast<uint8_t>(std::abs(u) < 0.06f ? 200 : 150 + 60 * (1 - std::abs(v)));
            p[2] = 50;
            p[3] = inside ? 255 : 0;
        }
    korvid::support::writePng("leaf.png", leaf);
}

int main(int argc, char** argv) {
    korvid::support::HeadlessContext context(64, 64);
    if (!context.ok()) {
        std::fprintf(stderr, "no OpenGL context: %s\n", context.error().c_str());
        return 1;
    }
    const WindowData window{64, 64, 45};
    objInitWin(&window);
    // The second pass, after korvid-render made fire_sheet.png from campfire.zob.
    if (argc > 1 && std::strcmp(argv[1], "--flipbook-fire") == 0) {
        flipbookFire();
        return 0;
    }

    writeText("torus.raw", torus("Torus", 0.8f, 0.3f, 48, 24) + box("Plinth", -1.4f, -1.35f, -0.8f, 1.4f, -1.15f, 0.8f));
    writeText("basin.raw", box("Basin", -1.0f, 0.0f, -1.0f, 1.0f, 0.15f, 1.0f) +
                               box("Spout", -0.05f, 0.15f, -0.05f, 0.05f, 1.2f, 0.05f));
    writeText("anvil.raw", box("Anvil", -0.4f, 0.3f, -0.15f, 0.4f, 0.6f, 0.15f) +
                               box("Floor", -1.5f, -0.05f, -1.0f, 1.5f, 0.0f, 1.0f) +
                               box("Stand", -0.15f, 0.0f, -0.1f, 0.15f, 0.3f, 0.1f));
    writeText("launcher.raw", box("Launcher", -0.15f, 0.0f, -0.15f, 0.15f, 0.2f, 0.15f) +
                                  box("Field", -2.5f, -0.05f, -1.5f, 2.5f, 0.0f, 1.5f) +
                                  box("LeftMast", -2.45f, 0.0f, -0.05f, -2.35f, 3.0f, 0.05f) +
                                  box("RightMast", 2.35f, 0.0f, -0.05f, 2.45f, 3.0f, 0.05f));
    {
        // Four steps down toward +x, 0.3 deep and 0.3 high, on a floor.
        std::string steps;
        for (int i = 0; i < 4; ++i) {
            const float x0 = -1.2f + 0.3f * float(i), top = 1.2f - 0.3f * float(i);
            std::string step = box("Steps", x0, 0.0f, -0.5f, x0 + 0.3f, top, 0.5f);
            steps += i == 0 ? step : step.substr(step.find('\n') + 1);
        }
        writeText("stairs.raw", steps + box("Floor", -1.5f, -0.05f, -1.0f, 1.5f, 0.0f, 1.0f));
    }
    writeText("chimney.raw", box("Chimney", -0.15f, 0.0f, -0.15f, 0.15f, 1.0f, 0.15f) +
                                 box("Roof", -0.6f, 0.0f, -0.6f, 0.6f, 0.1f, 0.6f));
    writeText("campfire.raw", box("LogA", -0.45f, 0.0f, -0.07f, 0.45f, 0.12f, 0.07f) +
                                  box("LogB", -0.07f, 0.1f, -0.45f, 0.07f, 0.22f, 0.45f) +
                                  box("Stones", -0.6f, -0.04f, -0.6f, 0.6f, 0.0f, 0.6f));
    {
        // The crystal's two halves are one surface; its plinth another.
        std::string crystal = pyramid("Crystal", 1.0f, 1.8f, 0.35f);
        crystal += pyramid("Lower", 1.0f, 0.4f, 0.35f).substr(6);
        writeText("crystal.raw", crystal + box("Plinth", -0.5f, 0.0f, -0.5f, 0.5f, 0.2f, 0.5f));
    }
    writeBitmap("marble.bmp", 64, [](int x, int y, int) {
        const float v = 0.5f + 0.5f * std::sin(x * 0.25f + 3 * std::sin(y * 0.15f));
        return Rgb{uint8_t(170 + 80 * v), uint8_t(160 + 80 * v), uint8_t(150 + 70 * v)};
    });
    writeBitmap("stripes.bmp", 32, [](int x, int, int) {
        return (x / 4) % 2 ? Rgb{255, 255, 255} : Rgb{200, 220, 255};
    });
    // A soft round puff as light texels scattered ever more sparsely towards
    // the edge by an ordered (Bayer) dither, on pure white, which the image's
    // colour range makes transparent. Filtered and mipmapped, the texels blend
    // into an alpha that fades to nothing, while the colour stays light: a
    // grey-brightness alpha would darken the colour with the alpha and draw
    // sooty rims over a coloured background.
    writeBitmap("haze.bmp", 128, [](int x, int y, int size) {
        static const int bayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26},
                                        {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                        {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                        {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
        const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
        const float d = std::sqrt(dx * dx + dy * dy) * 2;
        const float cover = d >= 1 ? 0.0f : (1 - d) * (1 - d) * (3 - 2 * (1 - d));
        const bool lit = cover * 64 > bayer[y % 8][x % 8] + 0.5f;
        return lit ? Rgb{236, 236, 240} : Rgb{255, 255, 255};
    });
    writeBitmap("puff.bmp", 32, [](int x, int y, int size) {
        const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
        const float d = std::sqrt(dx * dx + dy * dy) * 2;
        const int v = d >= 1 ? 0 : static_cast<int>(255 * (1 - d) * (1 - d));
        return Rgb{uint8_t(v), uint8_t(v), uint8_t(v)};
    });

    showcase();
    fountain();
    sparks();
    fireworks();
    smoke();
    campfire();
    magic();
    sparksOnSteps();
    sparkTrails();
    importSamples();
    return 0;
}

/*
 * Korvid: the 3D object library behind Vantor.
 *
 * One process-wide context holds every model, image, light and particle
 * emitter. All functions act on that context (and mostly on its current
 * model); there are no handles. Records cross the boundary by pointer and are
 * copied on both sides. Every function must be called on the thread whose
 * OpenGL context was current when objInitWin ran.
 */
#ifndef KORVID_H
#define KORVID_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(KORVID_BUILDING)
#define KORVID_API __attribute__((visibility("default")))
#else
#define KORVID_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Sizes of the fixed text fields (including the terminating NUL). */
#define KORVID_NAME_SIZE 28        /* surface, emitter and stored image names */
#define KORVID_IMAGE_NAME_SIZE 80  /* names in the image library */
#define KORVID_PATH_SIZE 260       /* file paths */
#define KORVID_ERROR_SIZE 256      /* the last-error text */
#define KORVID_MAX_SURFACES 10     /* surfaces per model */
#define KORVID_MAX_TEXTURES 24     /* images in the image library */
#define KORVID_LIGHT_COUNT 7       /* lights in the light set */
/* Particles the emitters of one model may pool together. objAddEmitter and
 * objSetEmitter refuse a pool that would pass it (result 0, last error "Too
 * many particles: ..."), and objLoadZOB fails on such a file with "Error
 * Loading particle system data: ...". */
#define KORVID_MAX_PARTICLES 4000000

/* ---- Records ---------------------------------------------------------- */

/* Counts and box extents of the current model, filled by objGetModelData. */
typedef struct ModelInfo {
    int32_t polygonCount; /* triangles of the whole model */
    int32_t surfaceCount; /* surfaces in use, 0..10 */
    int32_t emitterCount; /* particle emitters of the model */
    float maxX;           /* largest x of the model's outline */
    float maxY;           /* largest y of the model's outline */
    float maxZ;           /* largest z of the model's outline */
    float minX;           /* smallest x of the model's outline */
    float minY;           /* smallest y of the model's outline */
    float minZ;           /* smallest z of the model's outline */
} ModelInfo;

/* One surface as the editor reads and writes it. */
typedef struct SurfaceData {
    char name[KORVID_NAME_SIZE]; /* surface name */
    int32_t blending;            /* 1: alpha-blended without depth writes */
    int32_t culling;             /* 1: back faces culled */
    int32_t anim1;               /* 1: texture matrix of unit 1 in use */
    int32_t anim2;               /* 1: texture matrix of unit 2 in use */
    float animTranslate1[3];     /* unit 1 texture matrix translation */
    float animRotate1[3];        /* unit 1 texture matrix rotations, degrees */
    float animTranslate2[3];     /* unit 2 texture matrix translation */
    float animRotate2[3];        /* unit 2 texture matrix rotations, degrees */
    int32_t genMode1;            /* texture-coordinate generation mode, unit 1 */
    int32_t genMode2;            /* texture-coordinate generation mode, unit 2 */
    int32_t planeMode1;          /* GL_OBJECT_PLANE or GL_EYE_PLANE, unit 1 */
    int32_t planeMode2;          /* GL_OBJECT_PLANE or GL_EYE_PLANE, unit 2 */
    int32_t textureCount;        /* 0, 1 or 2 textures */
    char texture1Name[KORVID_NAME_SIZE]; /* image name of unit 1 */
    uint32_t texture1Id;         /* OpenGL texture name of unit 1 */
    float sPlane1[4];            /* s generation plane, unit 1 */
    float tPlane1[4];            /* t generation plane, unit 1 */
    int32_t texEnv1;             /* texture environment mode, unit 1 */
    char texture2Name[KORVID_NAME_SIZE]; /* image name of unit 2 */
    uint32_t texture2Id;         /* OpenGL texture name of unit 2 */
    float sPlane2[4];            /* s generation plane, unit 2 */
    float tPlane2[4];            /* t generation plane, unit 2 */
    int32_t texEnv2;             /* texture environment mode, unit 2 */
    int32_t smooth;              /* 1: drawn with per-vertex normals */
    float angle;                 /* smoothing angle, degrees */
    float diffuse[4];            /* material diffuse colour */
    float ambient[4];            /* material ambient colour */
    float specular[4];           /* material specular colour */
    float emission[4];           /* material emission colour */
    float shininess;             /* material shininess */
    int32_t vertexFloatCount;    /* read only: floats of the vertex array */
    int32_t polygonCount;        /* read only: triangles of the surface */
} SurfaceData;

/* The 3D view's size and vertical field of view, given to objInitWin. */
typedef struct WindowData {
    int32_t width;       /* pixels */
    int32_t height;      /* pixels */
    int32_t fieldOfView; /* vertical, degrees */
} WindowData;

/* The camera of one frame, given to objRender. */
typedef struct CameraData {
    float tx, ty, tz; /* translation */
    float rx, ry, rz; /* rotation about x, y, z in degrees */
} CameraData;

/* The burst an emitter's particles set off when they die or hit the ground. */
typedef struct BurstData {
    int32_t count;          /* particles per burst */
    int32_t life;           /* burst particle life, ms */
    int32_t lifeVar;        /* random spread of life, ms */
    float yaw;              /* direction heading, radians */
    float yawVar;           /* spread of the heading */
    float pitch;            /* direction elevation, radians */
    float pitchVar;         /* spread of the elevation */
    float speed;            /* speed per frame */
    float speedVar;         /* spread of the speed */
    float origin[3];        /* where the last burst started */
    float startColor[4];    /* colour at birth */
    float startColorVar[4]; /* spread of the colour at birth */
    float endColor[4];      /* colour at death */
    float endColorVar[4];   /* spread of the colour at death */
    float startSize;        /* size at birth */
    float startSizeVar;     /* spread of the size at birth */
    float endSize;          /* size at death */
    float endSizeVar;       /* spread of the size at death */
} BurstData;

struct Particle; /* the library's particle record; opaque to callers */

/* One particle emitter: the library's list node and the exchanged record. */
typedef struct EmitterData {
    struct EmitterData* next;    /* list link, owned by the library */
    char name[KORVID_NAME_SIZE]; /* emitter name */
    int32_t particleType;        /* 0 Points, 1 Lines, 2 Sparks, 3 Polygons */
    int32_t isReflected;         /* particles bounce off the ground plane */
    float groundPosition;        /* height of the ground plane */
    int32_t isBurst;             /* dying particles set off a burst */
    int32_t isBurstOnGround;     /* particles touching the ground burst */
    int32_t isLighting;          /* particles drawn with lighting on */
    int32_t isAltAlpha;          /* additive blending */
    int32_t isLifespan;          /* lifespanTime counts down */
    int32_t lifespanTime;        /* remaining emission time, ms */
    int32_t isAttachToModel;     /* stored only ("Use Object" in the editor) */
    float position[3];           /* where new particles start */
    float yaw;                   /* emission heading about y, radians */
    float yawVar;                /* spread of the heading */
    float pitch;                 /* emission elevation, radians */
    float pitchVar;              /* spread of the elevation */
    float speed;                 /* initial speed per frame */
    float speedVar;              /* spread of the speed */
    int32_t totalParticles;      /* size of the particle pool */
    struct Particle* freeList;   /* idle particles, owned by the library */
    struct Particle* liveList;   /* live particles, owned by the library */
    BurstData burst;             /* the burst block */
    int32_t liveCount;           /* live particles, owned by the library */
    int32_t emitterPerCycle;     /* particles per emission cycle */
    int32_t emitterPerCycleVar;  /* spread of emitterPerCycle */
    int32_t emitterTime;         /* ms between emission cycles */
    int32_t emitCountdown;       /* ms to the next cycle, owned by the library */
    int32_t life;                /* particle life, ms */
    int32_t lifeVar;             /* spread of life, ms */
    float startColor[4];         /* colour at birth */
    float startColorVar[4];      /* spread of the colour at birth */
    float endColor[4];           /* colour at death */
    float endColorVar[4];        /* spread of the colour at death */
    float startSize;             /* point size, line width or quad scale */
    float startSizeVar;          /* spread of the quad scale at birth */
    float endSize;               /* quad scale at death */
    float endSizeVar;            /* spread of the quad scale at death */
    uint32_t textureId;          /* texture of Polygons particles, 0 none */
    char imageName[KORVID_NAME_SIZE]; /* image behind textureId, "" none */
    float force[3];              /* added to every velocity once per frame */
} EmitterData;

/* One image as it crosses the boundary. */
typedef struct TextureInfo {
    char path[KORVID_PATH_SIZE];       /* bitmap file path */
    char name[KORVID_IMAGE_NAME_SIZE]; /* image name, the lookup key */
    int32_t width;                     /* pixels; output */
    int32_t height;                    /* pixels; output */
    int32_t alpha;                     /* 1: the texture has an alpha channel */
    int32_t averaged;                  /* 1: alpha is the mean of r, g, b */
    int32_t high;                      /* top of the transparent colour range */
    int32_t low;                       /* bottom of the transparent colour range */
    int32_t filter;                    /* 1 none, 2 linear, 3 bilinear, 4 trilinear */
    uint32_t textureId;                /* OpenGL texture name; output */
    unsigned char* pixels;             /* decoded texels, owned by the library; output */
} TextureInfo;

/* One light of the light set. */
typedef struct LightData {
    bool on;                    /* switched on */
    int32_t number;             /* the light's own index */
    float position[4];          /* x, y, z; w 1 point light, 0 directional */
    float ambient[4];           /* GL_AMBIENT */
    float specular[4];          /* GL_SPECULAR */
    float diffuse[4];           /* GL_DIFFUSE, also the marker colour */
    float constantAttenuation;  /* GL_CONSTANT_ATTENUATION */
    float linearAttenuation;    /* GL_LINEAR_ATTENUATION */
    float quadraticAttenuation; /* GL_QUADRATIC_ATTENUATION */
} LightData;

/* ---- Context, model and switches -------------------------------------- */

KORVID_API void objNew(void);                       /* discard models, images, lights; start fresh */
KORVID_API const char* objGetLastError(void);       /* text of the latest failure */
KORVID_API void objClearLastError(void);            /* last error back to "No Errors" */
KORVID_API bool objTestGlError(void);               /* true and a message when OpenGL has an error */
KORVID_API bool objSetCurrentModel(int32_t index);  /* select a model by list index */
KORVID_API void objGetModelData(ModelInfo* info);   /* counts and extents of the current model */
KORVID_API void objSetModelPosition(const float position[3]); /* move the current model */
KORVID_API void objSetGrid(float halfSize, float step, float height); /* ground grid layout */
KORVID_API int32_t objOnGrid(void);                 /* toggle the grid; returns the new state */
KORVID_API void objSetBBox(int32_t visible);        /* show the first model's outline */
KORVID_API void objSetAntiAliasPoints(bool on);     /* GL_POINT_SMOOTH */
KORVID_API void objSetAntiAliasLines(bool on);      /* GL_LINE_SMOOTH */
KORVID_API void objSetAntiAliasPolys(bool on);      /* GL_POLYGON_SMOOTH */
KORVID_API void objSetClearColor(const float rgba[4]); /* background colour */

/* ---- Files ------------------------------------------------------------- */

KORVID_API bool objLoadZOB(const char* path); /* read an entity; the new model becomes current */
KORVID_API bool objSaveZOB(const char* path); /* write the current model with images and emitters */
KORVID_API bool objLoadRaw(const char* path); /* import a triangle list; current model unchanged */

/* ---- Window and drawing ------------------------------------------------ */

KORVID_API void objInitWin(const WindowData* window); /* start the library on the current GL context */
KORVID_API void objResizeWin(int32_t width, int32_t height); /* new viewport and projection */
KORVID_API void objZoomWin(int32_t fieldOfView);      /* new field of view, degrees */
KORVID_API void objRender(const CameraData* camera);  /* draw one frame (no buffer swap) */

/* ---- Surfaces ---------------------------------------------------------- */

KORVID_API void objGetSurfaceData(SurfaceData* out, int32_t index);      /* read a surface */
KORVID_API void objSetSurfaceData(const SurfaceData* in, int32_t index); /* write a surface */
KORVID_API void objSelectSurface(int32_t index, int32_t selection);      /* 0 none .. 3 glow and outline */
KORVID_API bool objSetSmoothSurface(int32_t index, float angle);         /* recompute vertex normals */

/* ---- Geometry ------------------------------------------------------------ */

KORVID_API void objGeoScale(const float factors[3]);   /* scale every vertex */
KORVID_API void objGeoTranslate(const float offset[3]); /* move every vertex */
KORVID_API void objGeoRotate(const float angles[3]);   /* rotate about x, y, z (radians) */

/* ---- Emitters and bursts ------------------------------------------------ */
/* Surface and emitter names are kept as objMakeName makes them ("/a b" is
 * kept as "_a_b"), so that every name taken is saved as a file that loads. */

KORVID_API EmitterData* objInitEmitter(EmitterData* out);   /* fill a record with the defaults */
KORVID_API int32_t objAddEmitter(const EmitterData* tmpl);  /* add an emitter; the new count, 0 refused */
KORVID_API int32_t objSetEmitterPtr(int32_t index);         /* make emitter `index` current */
KORVID_API int32_t objGetEmitter(EmitterData* out);         /* copy the current emitter */
KORVID_API int32_t objSetEmitter(const EmitterData* in);    /* update the current emitter; 0 refused */
KORVID_API int32_t objSetPosEmitter(const float position[3]); /* move the current emitter */
KORVID_API int32_t objGetBurst(BurstData* out);             /* copy the current emitter's burst */
KORVID_API int32_t objSetBurst(const BurstData* in);        /* replace the current emitter's burst */

/* ---- Images -------------------------------------------------------------- */

KORVID_API bool objAddTexture(const TextureInfo* info);          /* load a 24-bit bitmap as an image */
KORVID_API int32_t objGetTextureCnt(void);                       /* number of images */
KORVID_API bool objGetTexture(TextureInfo* out, const char* name); /* image by name */
KORVID_API bool objGetTexture2(TextureInfo* out, int32_t index);   /* image by position */
KORVID_API uint32_t objGetTextureId(const char* name);           /* texture name of an image, 0 none */
KORVID_API bool objDelTexture(const char* name);                 /* remove an image */

/* ---- Lights -------------------------------------------------------------- */

KORVID_API void objSetLight(const LightData* light, int32_t index); /* colours, w, attenuations, switch */
KORVID_API void objGetLight(LightData* out, int32_t index);         /* copy a light */
KORVID_API void objActivateLight(bool on, int32_t index);           /* switch a light */
KORVID_API void objMoveLight(const float xyz[3], int32_t index);    /* move a light */
KORVID_API void objLightMode(float w, int32_t index);               /* 1 point, 0 directional */
KORVID_API void objShowLights(bool show);                           /* show the light markers */
KORVID_API void objSetLightSizeFactor(float size);                  /* marker arm length */
KORVID_API void objSetGlobalAmb(const float rgba[4]);               /* GL_LIGHT_MODEL_AMBIENT */

/* ======================================================================== */
/* Extensions: additions beyond the original interface. The functions above */
/* behave exactly as before while none of these is called.                  */
/* ======================================================================== */

/* ---- The simulation: its clock, time and random numbers (every model) --- */
KORVID_API void objPauseSimulation(bool paused);        /* hold every particle; frames still draw */
KORVID_API bool objIsSimulationPaused(void);            /* true while paused */
KORVID_API float objSetSimulationSpeed(float factor);   /* 0.25..4 (clamped, NaN 1); returns the speed set */
KORVID_API float objGetSimulationSpeed(void);           /* the speed factor in use */
KORVID_API bool objStepSimulation(int32_t milliseconds); /* one step at the next frame; false unless paused and ms >= 0 */
KORVID_API void objSetFixedFrameTime(int32_t milliseconds); /* each frame advances the clock by ms; below 0 the real clock */
/* The next frame measures its time from now, so time that passed without
 * frames (a modal dialog) is not simulated. Nothing changes on a fixed frame time. */
KORVID_API void objResumeClock(void);
KORVID_API int32_t objGetFrameDelta(void); /* ms the last objRender advanced the clock; 0 before any frame */

/* Restarts every emitter of every model with the seed in use (the one last
 * given to objSeedRandom, or the one the last model load took) and advances
 * whole steps of the fixed frame time (15 ms when none is set, or 0) up to
 * `milliseconds`, without drawing. Returns the time reached (a multiple of
 * the step; below 0 seeks to 0); 0 before objInitWin. The same seed, step
 * and time always give the same particles, bit for bit. Pause, speed and
 * single steps go on from there; pause first to show the moment itself. */
KORVID_API int32_t objSeekSimulation(int32_t milliseconds);
/* Long calls report to `function` at least every 100 ms while they work
 * (objSeekSimulation, objLoadZOB, objLoadRaw), with the share done (0..1)
 * and `user`. Returning false stops the call: it then refuses with
 * KORVID_FAILURE_CANCELLED and leaves the scene as it was before the call
 * (a stopped seek returns -1). A null function removes the callback. The
 * function must not call the library. */
KORVID_API void objSetProgressCallback(bool (*function)(float done, void* user), void* user);
/* Milliseconds simulated since the last seek, restart or objNew. */
KORVID_API int32_t objGetSimulationTime(void);
/* Memory for the snapshots that make seeks fast (default 256 MiB); 0 keeps
 * none. Returns the budget in use (below 0 counts as 0). */
KORVID_API int64_t objSetSnapshotBudget(int64_t bytes);
/* Seeds the particles' random numbers. Until it is first called, every new
 * model (objLoadZOB, objLoadRaw, objAddMesh) reseeds them from the time of
 * day; after it, loads keep the caller's sequence, so seeding and then
 * loading gives the same particles every run. */
KORVID_API void objSeedRandom(uint32_t seed);
/* Threads that share large emitters' steps and the building of Polygons
 * quads: 0 one a core (the default), 1 none besides the caller's. Births and
 * random numbers stay in one sequence, so every count gives the same
 * particles and pictures. A host with its own job system sets 1. Returns the
 * count in use; 0 (BAD_ARGUMENT, the count unchanged) for a negative count. */
KORVID_API int32_t objSetWorkerThreads(int32_t count);

/* ---- Emitters of the current model: the list, curves, shapes, copying --- */
KORVID_API int32_t objRestartEmitters(void); /* all drop their particles and start as added; their count, 0 no model */
KORVID_API int32_t objRemoveEmitter(void);   /* remove the current emitter; the new count, -1 none to remove */
KORVID_API int32_t objGetLiveParticles(int32_t index); /* live particles of emitter index, -1 all; 0 none or no model */
KORVID_API int64_t objGetBurstsFired(int32_t index);   /* bursts set off by emitter index, -1 all; 0 none or no model */
/* The same over every model loaded, not only the current one; 0 before the library starts. */
KORVID_API int64_t objGetSceneLiveParticles(void);
KORVID_API int64_t objGetSceneBurstsFired(void);
/* Adds an emitter as objAddEmitter does (its burst too) but at position index
 * (0..count; count appends); the current emitter stays. The new count; 0 when
 * there is no model, the record is null, the index is out of range (last
 * error unchanged), the pool is past the particle limit or its memory cannot be
 * allocated (last error "Out of memory: ..."). No emitter is ever left without
 * its pool: objAddEmitter, objSetEmitter and objLoadZOB refuse the same way. */
KORVID_API int32_t objInsertEmitter(const EmitterData* tmpl, int32_t index);

typedef struct CurveKey { float time; float value[4]; } CurveKey;  /* time: 0..1 of the particle's life */
#define KORVID_CURVE_COLOUR 0   /* value: R, G, B, A */
#define KORVID_CURVE_SIZE   1   /* value[0]: size */
#define KORVID_MAX_CURVE_KEYS 16
/* Sets a curve of the current emitter: keys by increasing time in 0..1,
 * linear between keys and flat before the first and after the last; count 0
 * removes it. A particle of the emitter (not of its burst) then takes the
 * curve at its age, plus its own start variation drawn at birth. False, with
 * the last error, and nothing changed for no current emitter, an unknown
 * curve, more than 16 keys, a null array, times outside 0..1 or not
 * increasing, a NaN, or a negative size. */
KORVID_API bool objSetEmitterCurve(int32_t curve, const CurveKey* keys, int32_t count);
/* Copies up to `capacity` keys of a curve of the current emitter; returns how
 * many keys it has (0 none), -1 for no current emitter or an unknown curve. */
KORVID_API int32_t objGetEmitterCurve(int32_t curve, CurveKey* keys, int32_t capacity);
/* The value of the curve of `count` keys (as objSetEmitterCurve takes them)
 * at `time` (0..1 of a particle's life), as particles take it: flat before the
 * first key and after the last, straight between keys. False, out untouched,
 * for no keys, more than KORVID_MAX_CURVE_KEYS or a null pointer. */
KORVID_API bool objEvaluateCurve(const CurveKey* keys, int32_t count, float time, float out[4]);

typedef struct EmitterShape { int32_t kind; float size[3]; int32_t shell; } EmitterShape;
#define KORVID_SHAPE_POINT 0    /* the emitter's position, as today */
#define KORVID_SHAPE_SPHERE 1   /* radius size[0]; shell 1: on the surface only */
#define KORVID_SHAPE_BOX 2      /* edge lengths size[0..2]; shell 1: on the faces only */
#define KORVID_SHAPE_DISC 3     /* radius size[0] in the horizontal plane; shell 1: on the rim only */
#define KORVID_SHAPE_MESH 4     /* on the current model's triangles, by area */
/* Sets the current emitter's shape (around its position; the mesh in the
 * model's place). False, with the last error, and nothing changed for no
 * current emitter, a null shape, an unknown kind, a negative or NaN size, a
 * shell other than 0 or 1, or a mesh shape on a model without triangles.
 * Every mesh-shaped emitter of a model shares the model's one table of
 * triangles; a file holding a mesh shape on a model without triangles loads,
 * and its particles are born at the emitter. */
KORVID_API bool objSetEmitterShape(const EmitterShape* shape);
/* Copies the current emitter's shape; false for no current emitter or a null out. */
KORVID_API bool objGetEmitterShape(EmitterShape* shape);

/* ---- Motion of the current emitter's particles: force fields, colliders, hits ---- */
#define KORVID_MAX_FIELDS 8
enum { KORVID_FIELD_WIND = 0, KORVID_FIELD_DRAG = 1, KORVID_FIELD_ATTRACTOR = 2, KORVID_FIELD_VORTEX = 3, KORVID_FIELD_NOISE = 4 };
typedef struct ForceField {
    int32_t kind;
    float position[3];   /* attractor and vortex centre */
    float axis[3];       /* wind direction, vortex axis (normalised when taken) */
    float strength;      /* per frame, like EmitterData.force: wind and attractor add it (negative repels), drag takes this fraction of the velocity, vortex turns at it, noise pushes by it */
    float radius;        /* reach of attractor and vortex; 0 everywhere */
    float frequency;     /* noise cells per unit */
} ForceField;
/* Sets the current emitter's force fields, applied in order after each step's
 * motion to every particle's velocity (its burst's too); count 0 clears. False,
 * with the last error (KORVID_FAILURE_FIELD_REFUSED), and nothing changed for
 * no current emitter, more than KORVID_MAX_FIELDS, a null array with a count,
 * an unknown kind, a NaN or infinite value, a wind or vortex axis of length 0,
 * a negative radius or frequency. */
KORVID_API bool objSetEmitterFields(const ForceField* fields, int32_t count);
/* The current emitter's field count (0 none), writing min(count, capacity)
 * fields to out; -1 for no current emitter. */
KORVID_API int32_t objGetEmitterFields(ForceField* out, int32_t capacity);

#define KORVID_MAX_COLLIDERS 8
enum { KORVID_COLLIDER_PLANE = 0, KORVID_COLLIDER_SPHERE = 1, KORVID_COLLIDER_BOX = 2, KORVID_COLLIDER_MODEL = 3 };
enum { KORVID_HIT_BOUNCE = 0, KORVID_HIT_STICK = 1, KORVID_HIT_DIE = 2, KORVID_HIT_BURST = 3 };
typedef struct Collider {
    int32_t kind;
    int32_t model;       /* MODEL: the model whose triangles collide (its index in the scene) */
    float position[3];   /* a point of the plane; sphere and box centre */
    float axis[3];       /* the plane's normal (the free side) */
    float size[3];       /* sphere radius in size[0]; box half extents */
    float bounce;        /* 0..1 of the speed along the normal kept */
    float friction;      /* 0..1 of the speed along the surface lost */
    int32_t response;    /* KORVID_HIT_... ; BURST sets off the emitter's burst at the contact */
} Collider;
/* Sets the current emitter's colliders. After every step no particle of the
 * emitter is on the far side of one: a particle whose step crosses a surface
 * (a sphere's or box's from outside, a model's triangles from either side)
 * is put back on it and responds: BOUNCE keeps `bounce` of its speed along
 * the normal, turned round, and loses `friction` of the rest; STICK stays
 * there while the emitter has colliders (colour, size and life go on); DIE
 * ends its life there; BURST ends it there and sets off the emitter's burst
 * at the contact (a burst's own particles only die). Model colliders use the model's triangles where they
 * stand; a collider whose model was removed since takes no part. False, with
 * the last error (KORVID_FAILURE_COLLIDER_REFUSED), and nothing changed for no
 * current emitter, more than KORVID_MAX_COLLIDERS, a null array with a count,
 * an unknown kind or response, a NaN or infinite value, a plane without a
 * normal, a negative size, bounce or friction outside 0..1, or a MODEL
 * collider naming no model. */
KORVID_API bool objSetEmitterColliders(const Collider* colliders, int32_t count);
/* As objGetEmitterFields, for the colliders. */
KORVID_API int32_t objGetEmitterColliders(Collider* out, int32_t capacity);

/* A contact: the index of the emitter's model in the scene and of the emitter
 * in it, where the particle met the surface, the surface's normal there (its
 * free side) and the particle's speed into it, in units a frame. */
typedef struct ParticleHit { int32_t model; int32_t emitter; float position[3]; float normal[3]; float speed; } ParticleHit;
typedef void (*KorvidHitFn)(const ParticleHit* hit, void* user);
/* Calls fn for each contact of frames drawn or stepped (not during seeks),
 * after the step, in the order of the emitters and of their particles; the
 * function must not call the library. Null stops the calls. */
KORVID_API void objSetHitCallback(KorvidHitFn fn, void* user);
/* Contacts of emitter index of the current model since its restart, -1 all;
 * 0 for no model or no such emitter. Seeks count them as playing does. */
KORVID_API int64_t objGetHits(int32_t index);

/* ---- Look of the current emitter's particles: flipbooks, spin and stretch, trails, sorting ---- */
#define KORVID_MAX_FLIPBOOK_CELLS 4096
typedef struct Flipbook {
    int32_t columns, rows;  /* the emitter's image cut into cells, left to right, top to bottom; columns 0 turns it off */
    int32_t frames;         /* cells used, 1..columns*rows */
    float fps;              /* frames a second when overLife is 0 */
    int32_t overLife;       /* 1: the frames spread over each particle's life */
    int32_t randomStart;    /* 1: each particle starts at a random frame */
    int32_t blend;          /* 1: cross-fade between neighbouring frames */
} Flipbook;
/* Plays the emitter's image as a sheet of cells on its Polygons particles (a
 * burst's too). False, with the last error (KORVID_FAILURE_LOOK_REFUSED), and
 * nothing changed for no current emitter, a null record, a negative count,
 * more than KORVID_MAX_FLIPBOOK_CELLS cells, frames outside 1..columns*rows,
 * a negative or NaN rate, or flags other than 0 and 1. */
KORVID_API bool objSetEmitterFlipbook(const Flipbook* flipbook);
/* Copies the current emitter's flipbook; false for no current emitter or a null out. */
KORVID_API bool objGetEmitterFlipbook(Flipbook* out);

typedef struct ParticleSpin {
    float angle, angleVar;  /* rotation at birth, radians, and its spread */
    float spin, spinVar;    /* radians a second, and its spread */
    int32_t align;          /* 0 facing the camera, 1 facing the camera and stretched along the velocity */
    float stretch;          /* align 1: length = size * (1 + stretch * speed in units a second) */
} ParticleSpin;
/* Turns and stretches the current emitter's particles: spin for Polygons,
 * stretch for Polygons (the quad's length along the velocity) and Sparks (the
 * streak). Speeds count a frame as 15 ms. False, with the last error
 * (KORVID_FAILURE_LOOK_REFUSED), and nothing changed for no current emitter, a
 * null record, a NaN or infinite value, a negative spread or stretch, or an
 * align other than 0 and 1. */
KORVID_API bool objSetEmitterSpin(const ParticleSpin* spin);
/* Copies the current emitter's spin; false for no current emitter or a null out. */
KORVID_API bool objGetEmitterSpin(ParticleSpin* out);

#define KORVID_MAX_TRAIL_MS 60000
typedef struct Trail {
    int32_t enabled;
    int32_t length;         /* ms of each particle's path kept */
    float minDistance;      /* a new trail point only after moving this far; 0 every step */
    float widthStart;       /* world units at the particle */
    float widthEnd;         /* world units at the tail */
    float alphaEnd;         /* alpha factor at the tail (the particle's colour at the head) */
} Trail;
/* Gives every particle of the current emitter (its burst's too) a trail of
 * the places it passed, drawn as a camera-facing strip in its colour. A trail
 * keeps at most one point a step and 2 + length / 15 points. Trails are part
 * of the simulation: seeks and snapshots keep them. False, with the last
 * error, and nothing changed for no current emitter, a null record, enabled
 * other than 0 and 1, a length outside 0..KORVID_MAX_TRAIL_MS (1.. when
 * enabled), a negative or NaN distance or width, an alpha outside 0..1
 * (KORVID_FAILURE_LOOK_REFUSED), or points that cannot be allocated for the
 * pool, or would take more than 2 GiB (KORVID_FAILURE_OUT_OF_MEMORY). */
KORVID_API bool objSetEmitterTrail(const Trail* trail);
/* Copies the current emitter's trail; false for no current emitter or a null out. */
KORVID_API bool objGetEmitterTrail(Trail* out);

#define KORVID_SORT_NONE 0          /* newest first, as born */
#define KORVID_SORT_BACK_TO_FRONT 1 /* Polygons by depth from the camera, farthest first; equal depths newest first */
/* Sets the order the current emitter's Polygons are drawn in. False, with
 * the last error (KORVID_FAILURE_LOOK_REFUSED), for no current emitter or an
 * unknown mode. */
KORVID_API bool objSetEmitterSort(int32_t mode);
/* The current emitter's sort mode; -1 for no current emitter. */
KORVID_API int32_t objGetEmitterSort(void);

/* ---- Korvid in a game: its own clock, effects from memory ---- */
#define KORVID_MAX_ADVANCE_MS 3600000
/* Game time: advances every model by `milliseconds` of game time in whole
 * fixed steps (the fixed frame time, 15 ms unless set), keeping the remainder
 * for the next call, so any split of the same total time gives the same
 * particles. Returns the steps taken (0 while the simulation is paused, the
 * time then let go). objRender then draws without advancing while the game
 * clock is in use (until objNew). Contacts go to the hit callback as frames'
 * do. -1, with the last error (KORVID_FAILURE_GAME_REFUSED), for a negative
 * time or more than KORVID_MAX_ADVANCE_MS, or before the library starts. */
KORVID_API int32_t objAdvance(int32_t milliseconds);
/* As objLoadZOB, from `size` bytes of ZOB text in memory (no closing zero
 * needed); a relative image path is looked up as objLoadZOB looks it up, with
 * `imageFolder` (null or "": none) as the folder of the file. False, with the
 * last error, as objLoadZOB refuses, and for a null text, a negative size or
 * an image folder that is not a folder (KORVID_FAILURE_GAME_REFUSED). */
KORVID_API bool objLoadZOBFromMemory(const char* text, int64_t size, const char* imageFolder);
/* Starts the library without OpenGL, instead of objInitWin, for a game that
 * draws with its own renderer or a server that only simulates: load, edit,
 * simulate, seek, save and read vertices as after objInitWin. Images are
 * numbered instead of uploaded (their textureId is a number of the library,
 * not a texture) and keep their pixels (objGetTexture) for the host to
 * upload. objRender and objRenderScene draw nothing (objRenderScene returns
 * false); lights and clear colours are kept but not programmed. Starts again
 * from nothing when called again, as objInitWin does. True. */
KORVID_API bool objStartHeadless(void);

/* Instances: playing copies of a model's emitters, each with particles of its
 * own, simulated with the models in every frame, objAdvance, seek and
 * snapshot. They share the model's mesh and images (a hundred instances
 * hold one copy of them) and take the model's emitters as they are when the
 * instance is created. Removing the model, objNew and loading destroy them.
 * An instance's contacts reach the hit callback with `model` = -(its id). */
typedef int32_t KorvidInstance;  /* 0: none */
#define KORVID_MAX_INSTANCES 4096
/* A new playing copy of model's emitters, started from the beginning (its
 * first emission at its first step), placed at the identity; its id (1 or
 * more, never reused while it lives). 0, with the last error, for no such
 * model, before the library starts, or with KORVID_MAX_INSTANCES playing
 * (KORVID_FAILURE_GAME_REFUSED), or pools that cannot be allocated
 * (KORVID_FAILURE_OUT_OF_MEMORY). */
KORVID_API KorvidInstance objCreateInstance(int32_t model);
/* False, with the last error (KORVID_FAILURE_GAME_REFUSED), for an unknown instance. */
KORVID_API bool objDestroyInstance(KorvidInstance instance);
/* Places the instance: a column-major affine matrix (last row 0 0 0 1).
 * Particles born after it start at the emitters carried by it, moving along
 * their directions turned by it; particles already flying keep going where
 * they are (a burst starts where its particle dies, its directions turned);
 * objRenderScene and objRender draw the model's mesh with it. Gravity, force
 * fields and colliders keep acting in the world as authored. False, with
 * the last error (KORVID_FAILURE_GAME_REFUSED), for an unknown instance, a
 * null matrix, a value that is not finite, or a last row other than 0 0 0 1. */
KORVID_API bool objSetInstanceTransform(KorvidInstance instance, const float matrix[16]);
/* Copies the instance's matrix; false for an unknown instance or a null out. */
KORVID_API bool objGetInstanceTransform(KorvidInstance instance, float out[16]);
/* Drops the instance's particles and starts its emitters again; false for an unknown instance. */
KORVID_API bool objRestartInstance(KorvidInstance instance);
/* Shows or hides the instance (shown when created); a hidden one is
 * simulated all the same. False for an unknown instance. */
KORVID_API bool objSetInstanceVisible(KorvidInstance instance, bool visible);
/* The instances playing; 0 before the library starts. */
KORVID_API int32_t objGetInstanceCount(void);
/* The live particles of the instance's emitters; -1 for an unknown instance. */
KORVID_API int64_t objGetInstanceParticles(KorvidInstance instance);

/* ---- Drawing into a game's frame, or handing the particles over ---- */
#define KORVID_DRAW_CLEAR 1  /* clear colour and depth first, as objRender does */
/* Draws every shown model and instance (meshes and particles; not the grid,
 * the outline or the light markers, which are the editor's) into the current
 * framebuffer and viewport with the caller's view and projection
 * (column-major), without advancing the simulation and without clearing
 * unless flags hold KORVID_DRAW_CLEAR. The library's lights are placed with
 * the view. Every OpenGL state it changes is put back before it returns:
 * matrices, switches, blending, depth, textures, arrays, the bound buffers,
 * vertex array and program. False, with the last error
 * (KORVID_FAILURE_GAME_REFUSED) and nothing drawn, before the library starts,
 * when started headless, in a core-profile context (use
 * objGetParticleVertices there), for a null matrix, a value that is not
 * finite, or unknown flags. */
KORVID_API bool objRenderScene(const float view[16], const float projection[16], uint32_t flags);

/* One corner of a particle's triangles: where it is in the world, its
 * texture coordinates (the emitter's image; for trails 0, 0) and its colour
 * (r, g, b, a, 0..1, as the fixed-function path colours it). */
typedef struct ParticleVertex { float position[3]; float uv[2]; float colour[4]; } ParticleVertex;
/* The particles of emitter `emitter` of the current model (-1: every shown
 * emitter of every shown model and instance, in the order objRender draws
 * them) as a triangle list facing `camera` (a CameraData as objRender takes
 * it): six vertices a quad; a particle is one quad (Polygons with a
 * cross-fading flipbook two, Sparks two: their streak's two segments), in
 * the order objRender draws the particles; an emitter's trails follow its
 * particles, six vertices between neighbouring trail points. Points and
 * Lines become quads as wide in the world as their pixels are at their
 * distance in a window of the size objInitWin/objResizeWin gave (480 pixels
 * high when headless) and its field of view. The same state and camera give
 * the same bytes. Returns the vertices needed and writes them when capacity
 * is enough (out may be null with capacity 0, to ask); -1, with the last
 * error, for no such emitter, a null camera, a negative capacity
 * (KORVID_FAILURE_GAME_REFUSED), or more than 2^31 - 1 vertices. */
KORVID_API int32_t objGetParticleVertices(int32_t emitter, const CameraData* camera, ParticleVertex* out, int32_t capacity);
/* As objGetParticleVertices, for emitter `emitter` of an instance (-1: all its shown emitters). */
KORVID_API int32_t objGetInstanceVertices(KorvidInstance instance, int32_t emitter, const CameraData* camera,
                                          ParticleVertex* out, int32_t capacity);

#define KORVID_BLEND_OVER 0  /* source alpha, one minus source alpha */
#define KORVID_BLEND_ADD 1   /* source alpha, one: added light (the emitter's isAltAlpha) */
/* How to draw one emitter's vertices as objRender draws its particles: with
 * the depth test on and depth writes off, without culling, blended as
 * `blend` says, the colour multiplied by the image at uv when `textured`. */
typedef struct ParticleDrawHint {
    int32_t particleType;                      /* KORVID_PARTICLE_POINTS..POLYGONS */
    int32_t blend;                             /* KORVID_BLEND_OVER or KORVID_BLEND_ADD */
    int32_t textured;                          /* 1: Polygons with an image */
    uint32_t textureId;                        /* the image's texture (its number when headless); 0 none */
    char textureName[KORVID_IMAGE_NAME_SIZE];  /* the image's name for objGetTexture; "" none */
    int32_t lit;                               /* 1: objRender lights them (vertices carry no normal) */
    int32_t vertices;                          /* the emitter's vertices at this moment */
    int32_t trailVertices;                     /* the last of them, its trails: drawn without the image */
} ParticleDrawHint;
/* The draw hint of emitter `emitter` of the current model; false, with the
 * last error (KORVID_FAILURE_GAME_REFUSED), for no such emitter or a null out. */
KORVID_API bool objGetParticleDrawHint(int32_t emitter, ParticleDrawHint* out);

/* ---- Live link: an editor publishes its scene, running games take it at once ---- */
/* Addresses: "unix:PATH" (a socket in a folder only its user may enter, mode
 * 700; created with mode 600; only the same user connects) or
 * "tcp:127.0.0.1:PORT?key=KEY" (loopback only; KEY 16 to 64 characters 0-9
 * a-f, which both ends present before anything else is taken). Every call is
 * non-blocking and may be called every frame. A message is each model's ZOB
 * text with its extension block plus the images' decoded pixels, at most
 * 256 MiB. */
/* The editor's end: serves on `address` (a TCP port of 0 takes a free one; a
 * TCP address without a key gets one made from random bytes). Closes any
 * link open before. False, with the last error (KORVID_FAILURE_LIVE_LINK),
 * for an address of another form, a folder others may enter, a path where
 * another editor serves, or a socket that cannot be served. */
KORVID_API bool objLiveLinkServe(const char* address);
/* The served address as games are to be given it (with the key); copies it
 * with a closing zero when capacity is larger than its length. Its length;
 * -1 when nothing is served. */
KORVID_API int32_t objLiveLinkAddress(char* out, int32_t capacity);
/* Sends the scene as it is now (every model, its emitters and extensions,
 * every image's pixels) to every connected game, and to games that connect
 * later (with none connected, the scene is made when the first one comes,
 * as it is then); a game still taking an older scene gets only the newest
 * after it.
 * False, with the last error, when nothing is served. */
KORVID_API bool objLiveLinkPublish(void);
/* The game's end: connects to an editor serving at `address` and sends its
 * hello. Closes any link open before. False, with the last error
 * (KORVID_FAILURE_LIVE_LINK), for a refused address, no editor there, or a
 * Unix socket of another user. */
KORVID_API bool objLiveLinkConnect(const char* address);
/* Does what has arrived. On a game: applies the newest complete scene as one
 * change, replacing its models and images (each model keeps whether the
 * game shows it; instances of a model that is still there follow its new
 * emitters with their id, place and visibility, and play again to the moment
 * they were at, at most the last 60 s of it); 1 a scene applied, 0 nothing
 * new, -1 with the last error and the scene unchanged for a message that is
 * refused, or with the link closed for an editor that did not present the
 * key, spoke otherwise or has gone. On an editor: takes new games, their
 * hellos (letting go of any that does not present the key) and sends; 0.
 * -1 when no link is open. */
KORVID_API int32_t objLiveLinkPoll(void);
/* On an editor, the games connected that presented the key; on a game, 1
 * once the editor has; 0 otherwise. */
KORVID_API int32_t objLiveLinkPeers(void);
/* Closes the link (an editor's Unix socket is removed); nothing when none is open. */
KORVID_API void objLiveLinkClose(void);

/* The current emitter as text (docs/zob-extensions.md): a first line
 * "//Korvid emitter 1", its block as a ZOB file holds it (with its burst when
 * it bursts), then its curves and shape as the extension block of a
 * one-emitter file; floats are written exactly. Copies it into out (with a
 * closing zero) when capacity is larger than its length. Returns the length;
 * -1 for no current emitter. */
KORVID_API int32_t objCopyEmitter(char* out, int32_t capacity);
/* Adds the emitter that `text` holds at position index (0..count) of the
 * current model, with its burst, curves and shape; its image is looked up by
 * name (textureId 0 when the library has none). The current emitter stays.
 * Returns the new count; 0 when there is no model, the index is out of range,
 * the text is not such an emitter ("Emitter text refused: ..."), or its pool
 * would pass the particle limit. */
KORVID_API int32_t objPasteEmitter(const char* text, int32_t index);

/* ---- What a frame draws ------------------------------------------------------- */
/* The distances of the projection's near and far planes (0.1 and 100 unless
 * set), for scenes larger than they allow; they stay through objResizeWin,
 * objZoomWin and objNew. False (BAD_ARGUMENT) unless 0 < near < far, both finite. */
KORVID_API bool objSetClipPlanes(float nearPlane, float farPlane);
/* Draws the models' surfaces (true at start); false leaves only the lights,
 * grid, outline and particles, for baking an effect alone. The simulation is
 * the same either way. */
KORVID_API void objShowModels(bool show);
/* Draws the shape of the current model's current emitter as a wire outline
 * around its position (false at start): three circles for a sphere, the
 * edges of a box, a circle for a disc; nothing for a point or a mesh, whose
 * model shows where it emits. Its colliders are drawn too (a plane as a
 * square of 2 x 2 units with its normal, a sphere's circles, a box's edges;
 * a model shows itself), and the centres of its attractors and vortices as
 * small crosses (a vortex with its axis, either with a circle of its reach). */
KORVID_API void objShowShapeOutline(bool show);
/* The grid's state without toggling it: 1 drawn, 0 hidden (objOnGrid toggles). */
KORVID_API int32_t objGetGrid(void);

/* ---- The scene: its models, what is shown and where it lies ------------------------ */
/* Models loaded (0 before the library starts). */
KORVID_API int32_t objGetModelCount(void);
/* Removes model index with its emitters; the model after it becomes current,
 * or the one before it. False for no such model. Images stay in the library. */
KORVID_API bool objRemoveModel(int32_t index);
/* Where the library's cursor stands, so that a caller that moves it can put
 * it back: the index of the current model, and of that model's current
 * emitter; -1 when there is none (or before the library starts). */
KORVID_API int32_t objGetCurrentModel(void);
KORVID_API int32_t objGetCurrentEmitter(void);
/* Shows or hides model `model` (emitter -1) or one of its emitters. Hidden
 * things are neither drawn nor counted by objGetSceneLiveParticles and
 * objGetSceneBurstsFired, but simulate on, so showing them again is seamless.
 * Not saved. False for no such model or emitter. */
KORVID_API bool objSetVisible(int32_t model, int32_t emitter, bool visible);
/* 1 shown, 0 hidden, -1 no such model or emitter. */
KORVID_API int32_t objGetVisible(int32_t model, int32_t emitter);
#define KORVID_BOUNDS_SCENE 0     /* every shown model and its shown emitters' live particles */
#define KORVID_BOUNDS_MODEL 1     /* the current model's triangles, where it stands */
#define KORVID_BOUNDS_SURFACE 2   /* surface `index` of the current model */
#define KORVID_BOUNDS_PARTICLES 3 /* the current emitter's live particles, or its position when it has none */
/* The axis-aligned box, in world coordinates, around what `what` names.
 * False, with the outputs unchanged, when there is nothing there (no model,
 * no triangles, no emitter) or an output is null. */
KORVID_API bool objGetBounds(int32_t what, int32_t index, float min[3], float max[3]);


/* ---- Vertex data of the current model's surfaces ------------------------- */
/* The arrays of surface index: vertexFloatCount floats of vertices, polygonCount * 3
 * of face normals and vertexFloatCount of vertex normals. Get copies them out and
 * Set puts copies back (outlines and extents follow, the drawing is rebuilt); a null
 * pointer skips that array. Both return false for no model or a bad index, with
 * the last error "Surface arrays refused: ...". The caller's buffers must be
 * large enough: objGetSurfaceArraysSized checks that for it. */
KORVID_API bool objGetSurfaceArrays(int32_t index, float* vertices, float* faceNormals, float* vertexNormals);
KORVID_API bool objSetSurfaceArrays(int32_t index, const float* vertices, const float* faceNormals,
                                    const float* vertexNormals);
/* As objGetSurfaceArrays, with the capacity of each buffer in floats; false
 * and nothing written when a buffer that is not null is too small (last error
 * "Surface arrays refused: a buffer is smaller than the surface's data"). */
KORVID_API bool objGetSurfaceArraysSized(int32_t index, float* vertices, int64_t vertexCapacity,
                                         float* faceNormals, int64_t faceNormalCapacity, float* vertexNormals,
                                         int64_t vertexNormalCapacity);

/* ---- Files, names and models given in memory ---------------------------- */
/* The memory objLoadZOB may take for a file's surfaces, mesh shapes and
 * particle pools, and objLoadMesh for its triangles (default 4 GiB); a file
 * that needs more is refused with KORVID_FAILURE_OUT_OF_MEMORY before the
 * load passes the limit.
 * Returns the limit in use; 0 or below restores the default. */
KORVID_API int64_t objSetLoadMemoryLimit(int64_t bytes);
/* The folder relative image paths are read from (objAddTexture, objLoadZOB, which
 * then tries the file's own folder) and that objSaveZOB writes them relative to,
 * instead of the process's working directory. Null or "" goes back to the working
 * directory (the default). False (BAD_ARGUMENT), keeping the folder in use, for a
 * folder that is not an existing directory. objNew leaves it as it is. */
KORVID_API bool objSetImageFolder(const char* folder);
/* Writes text into out[size] as a name that survives a save and a load: blanks
 * become '_', a leading '/' (a comment line in the files) becomes '_', and it is
 * cut to size - 1 bytes without splitting a UTF-8 character. Returns its length;
 * -1 (nothing written) for a null out or a size below 1. A null text gives "". */
KORVID_API int32_t objMakeName(const char* text, char* out, int32_t size);

/* One surface: its name and triangleCount triangles of 9 floats (x, y, z of three corners). */
typedef struct MeshSurface {
    const char* name;         /* made safe as objMakeName does, 27 bytes at most */
    const float* triangles;   /* 9 * triangleCount floats */
    int32_t triangleCount;    /* 0 or more */
} MeshSurface;
/* Adds a model built as objLoadRaw builds one (face normals, extents, outline)
 * and makes it current; false with the last error ("Error in mesh data: ...")
 * for more than 10 surfaces, a negative count or missing triangles. Names are
 * made safe as objMakeName does (cut to 27 bytes); a name with nothing in it
 * becomes "Surface" and the surface's number. */
KORVID_API bool objAddMesh(const MeshSurface* surfaces, int32_t surfaceCount);
/* Reads a binary or ASCII STL file (each solid a surface) or a Wavefront OBJ
 * file (each object or group, and each material within it, a surface in
 * the order first used, named after the object, else the material; polygons
 * split into fans; normals, texture coordinates and smoothing left out)
 * into a new current model, as objAddMesh builds one; the file is read whole
 * before the scene changes, and reports progress as objLoadRaw does. False,
 * the scene unchanged, with KORVID_FAILURE_FILE_NOT_FOUND, MESH_PARSE (a
 * damaged file: the path and what), OUT_OF_MEMORY, CANCELLED, or MESH_FORMAT
 * for a file that is neither, or an OBJ of more than 10 such surfaces or with
 * lines, points, curves or surfaces: importers read those instead. */
KORVID_API bool objLoadMesh(const char* path);

/* ---- Failures by code -------------------------------------------------------- */
/* What the latest refusal was, so that callers decide on a code rather than on
 * the text of objGetLastError. Refusals that leave the text alone (no model, no
 * emitter, a bad argument) have codes too. */
typedef enum KorvidFailure {
    KORVID_FAILURE_NONE = 0,
    KORVID_FAILURE_NO_MODEL,            /* no current model, or the library not started */
    KORVID_FAILURE_NO_EMITTER,          /* no current emitter */
    KORVID_FAILURE_BAD_ARGUMENT,        /* a null record or an index out of range */
    KORVID_FAILURE_POOL_BELOW_BATCH,    /* totalParticles below emitterPerCycle */
    KORVID_FAILURE_NO_VERTEX_DATA,      /* smoothing a surface without vertices */
    KORVID_FAILURE_FILE_NOT_FOUND,
    KORVID_FAILURE_VERSION_MISMATCH,
    KORVID_FAILURE_IMAGE_NOT_FOUND,
    KORVID_FAILURE_IMAGE_LIBRARY_FULL,
    KORVID_FAILURE_IMAGE_NOT_24BIT,
    KORVID_FAILURE_IMAGE_DAMAGED,
    KORVID_FAILURE_VERTICES_DATA,
    KORVID_FAILURE_PARTICLE_DATA,
    KORVID_FAILURE_PARTICLE_DATA_LIMIT, /* a file's emitters pass KORVID_MAX_PARTICLES */
    KORVID_FAILURE_PARTICLE_LIMIT,      /* adding or setting an emitter would pass it */
    KORVID_FAILURE_RAW_PARSE,
    KORVID_FAILURE_MESH_DATA,
    KORVID_FAILURE_CREATE_FILE,
    KORVID_FAILURE_CREATE_FILE_DENIED,
    KORVID_FAILURE_NO_MODEL_TO_SAVE,
    KORVID_FAILURE_WRITE_FILE,
    KORVID_FAILURE_GL_ERROR,
    KORVID_FAILURE_OUT_OF_MEMORY,
    KORVID_FAILURE_SURFACE_ARRAYS,
    KORVID_FAILURE_CURVE_REFUSED,       /* objSetEmitterCurve: why, in the text */
    KORVID_FAILURE_SHAPE_REFUSED,       /* objSetEmitterShape: why, in the text */
    KORVID_FAILURE_EXTENSION_DATA,      /* a ZOB file's curves and shapes: the line and why */
    KORVID_FAILURE_EMITTER_TEXT,        /* objPasteEmitter: why, in the text */
    KORVID_FAILURE_INTERNAL,            /* what the call met that it did not expect, in the text */
    KORVID_FAILURE_CANCELLED,           /* the progress function asked a seek or load to stop */
    KORVID_FAILURE_MESH_PARSE,          /* objLoadMesh: a damaged STL or OBJ file; the path and what, in the text */
    KORVID_FAILURE_MESH_FORMAT,         /* objLoadMesh: not STL or OBJ, or OBJ beyond triangles and polygons */
    KORVID_FAILURE_FIELD_REFUSED,       /* objSetEmitterFields: why, in the text */
    KORVID_FAILURE_COLLIDER_REFUSED,    /* objSetEmitterColliders: why, in the text */
    KORVID_FAILURE_LOOK_REFUSED,        /* objSetEmitterFlipbook, Spin, Trail or Sort: why, in the text */
    KORVID_FAILURE_GAME_REFUSED,        /* objAdvance and the other calls of a game: why, in the text */
    KORVID_FAILURE_LIVE_LINK            /* the live link refused an address, a peer or a message, or ended: why */
} KorvidFailure;
/* No exception leaves an export: memory that cannot be had makes a call
 * refuse with KORVID_FAILURE_OUT_OF_MEMORY ("Out of memory: ..."), anything
 * else with KORVID_FAILURE_INTERNAL, each returning its usual refusal. */
/* The code of the latest refusal; KORVID_FAILURE_NONE after objClearLastError
 * or before any refusal. */
KORVID_API int32_t objGetLastFailure(void);

/* Named values of int32_t record fields (the records keep their int32_t fields). */
typedef enum KorvidParticleType {
    KORVID_PARTICLE_POINTS = 0,
    KORVID_PARTICLE_LINES = 1,
    KORVID_PARTICLE_SPARKS = 2,
    KORVID_PARTICLE_POLYGONS = 3
} KorvidParticleType;
typedef enum KorvidFilter {  /* TextureInfo.filter */
    KORVID_FILTER_NONE = 1,
    KORVID_FILTER_LINEAR = 2,
    KORVID_FILTER_BILINEAR = 3,
    KORVID_FILTER_TRILINEAR = 4
} KorvidFilter;
typedef enum KorvidSelection {  /* objSelectSurface's selection */
    KORVID_SELECT_NONE = 0,         /* drawn as it is */
    KORVID_SELECT_GLOW = 1,         /* lit by a glow colour */
    KORVID_SELECT_OUTLINE = 2,      /* drawn as it is, with its outline */
    KORVID_SELECT_GLOW_OUTLINE = 3  /* glow and outline */
} KorvidSelection;

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(ModelInfo) == 36, "ModelInfo layout");
static_assert(offsetof(SurfaceData, texture1Name) == 112, "SurfaceData layout");
static_assert(sizeof(BurstData) == 128, "BurstData layout");
static_assert(offsetof(EmitterData, name) == sizeof(void*), "EmitterData layout");
static_assert(offsetof(TextureInfo, width) == 340, "TextureInfo layout");
static_assert(offsetof(LightData, number) == 4, "LightData layout");
static_assert(sizeof(LightData) == 84, "LightData layout");
#endif

#endif /* KORVID_H */

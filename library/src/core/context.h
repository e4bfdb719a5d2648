// The one process-wide library context.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "failure.h"
#include "images.h"
#include "lights.h"
#include "model.h"
#include "progress.h"
#include "simulation.h"
#include "timeline.h"
#include "workers.h"

// Definitions of the exported functions; korvid.h gives them C linkage and visibility.
#define KORVID_EXPORT extern "C"

namespace korvid {

struct LiveLink;

// What a ZOB load may take for its model, shapes and pools unless a caller
// sets its own limit: enough for the largest pools the library allows.
inline constexpr int64_t kDefaultLoadMemoryLimit = int64_t(4) << 30;

struct FrameClock {
    uint32_t current = 0;
    uint32_t previous = 0;
    int32_t delta = 0;
    int32_t fixedStep = -1;  // when 0 or more, each tick advances exactly this much
    void start();
    void tick();
};

// A game's own clock (objAdvance): once in use, frames draw without
// advancing, and the time not yet given to a whole step waits for the next call.
struct GameClock {
    bool inUse = false;
    int64_t remainder = 0;  // ms, less than one step
};

// The particles' random numbers: one linear congruential generator.
struct RandomState {
    uint32_t generator = 1;
    uint32_t lastSeed = 1;
    bool locked = false;          // seeds are ignored (while a seek replays)
    bool seededByCaller = false;  // objSeedRandom was called: no seed from the time of day
};

// How surfaces are drawn (switches for tests and benchmarks) and the arrays
// frames reuse instead of allocating anew.
struct RenderState {
    bool displayLists = true;
    bool deferCompile = true;  // a changed surface is drawn directly once before its list is built
    bool flatArrays = true;    // flat surfaces drawn from vertex arrays rather than one call a vertex
    std::vector<float> cornerNormals;                          // face normals for each corner
    std::vector<float> quadVertices, quadColours, quadCoords;  // the particle quads of one emitter
    std::vector<float> depths;                                 // the particles' depths, for sorting
    std::vector<uint32_t> order, orderScratch;                 // their drawing order when sorted
    std::vector<float> trailPlaces;                            // each particle's trail places, merged
    std::vector<float> trailVertices;                          // x, y, z of the trail strips
    std::vector<uint8_t> trailColours;                         // r, g, b, a of each strip vertex
    std::vector<int64_t> trailStarts;                          // each particle's strip's vertices
    std::vector<int64_t> trailAt;                              // where each particle's strip begins
};

struct Context {
    std::unique_ptr<ModelStore> store;
    std::unique_ptr<TextureLibrary> textures;
    std::unique_ptr<LightSet> lights;
    Multitexture multitexture;
    char lastError[256] = {};
    Failure lastFailure = Failure::None;
    RandomState random;
    std::function<uint32_t()> clockSource;  // null: the system's monotonic clock
    RenderState render;
    FrameClock clock;
    GameClock game;
    SimulationClock simulation;
    Timeline timeline;
    ProgressHook progress;  // told how long seeks and loads get on
    KorvidHitFn hitFunction = nullptr;  // told of contacts in frames drawn or stepped
    void* hitUser = nullptr;
    Workers workers;        // share large particle steps
    int64_t loadMemoryLimit = kDefaultLoadMemoryLimit;
    std::string imageFolder;  // relative image paths are read from and written against it; empty: the working directory
    int32_t width = 0, height = 0, fieldOfView = 0;
    // The projection's clipping distances (the near one as the float 0.1 it always was).
    double nearPlane = 0.1f, farPlane = 100.0;
    float gridHalfSize = 4.0f, gridStep = 0.4f, gridHeight = 0.0f;
    int32_t gridVisible = 1;
    int32_t outlineVisible = 1;
    bool modelsVisible = true;
    bool shapeOutlineVisible = false;  // the current emitter's shape, for editors
    bool headless = false;  // started without OpenGL (objStartHeadless): nothing is drawn or uploaded
    float cameraRotation[3] = {0, 0, 0};
    std::shared_ptr<LiveLink> live;  // the live link's sockets, once one is served or connected
};

Context& context();

// Something that alters the particle simulation changed (an emitter, a
// burst, a model): snapshots of the timeline no longer hold.
void simulationChanged();

// The current model, or null (also before objInitWin).
Model* currentModel();
// The current model's particle system; null, with the refusal recorded, when
// there is no current model.
ParticleSystem* currentParticleSystem();


// One step of `delta` ms of every model and instance, contacts told to the
// hit function (an instance's as model -id), and the timeline told.
void stepScene(Context& c, int32_t delta);

// Drops every model, image and light and starts with fresh ones (the part of
// starting the library that objNew repeats).
void startFresh(Context& c);
Multitexture probeMultitexture();
// What starting the library sets, with OpenGL or without: the clocks, the
// last error, fresh models, images and lights, and the view's switches.
void startLibrary(Context& c, bool headless);

}  // namespace korvid

// KorvidScene: the editor's one way into the Korvid library for the entity.
// Every call makes the library's GL context current. Models, surfaces and
// emitters are addressed by index; a call that has to move the library's
// current model or emitter to reach one puts both back before it returns, so
// no caller ever sees or restores that cursor. Failures come back as a
// Refusal with the library's code and text.
#pragma once
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "document/entity_snapshot.h"
#include "document/gl_access.h"
#include "document/refusal.h"
#include "korvid.h"

namespace korvid::import {
struct MeshRead;
}

namespace vantor {

class KorvidScene {
public:
    void setGlAccess(GlAccess* gl) { m_gl = gl; }
    void makeCurrent();

    // ---- The models ----------------------------------------------------------------
    void reset();  // no models, images or emitters; lights as at start
    Refusal loadZob(const QString& absolutePath);
    Refusal loadRaw(const QString& absolutePath);
    // Adds a model an importer read; `note` gets what the user should know of it.
    // An STL or OBJ file read by the library; MESH_FORMAT for one it leaves to the importer.
    Refusal loadMesh(const QString& absolutePath);
    Refusal addMesh(const korvid::import::MeshRead& read, QString* note);
    // Writes the edited model.
    Refusal saveZob(const QString& path);

    // ---- The live link: running games take the scene as it is edited ------------------
    Refusal serveLiveLink(const QString& address);
    // The address games are given; empty when nothing is served.
    QString liveLinkAddress();
    Refusal publishLiveLink();
    // Takes new games and sends what waits; the games connected.
    int pollLiveLink();
    void closeLiveLink();
    // The folder relative image paths are read from and written against.
    Refusal setImageFolder(const QString& folder);
    int modelCount();
    // Emitters over every model.
    int emitterTotal();
    // The model the calls below without a model index work on; the pages edit it.
    bool setEditedModel(int index);
    bool removeModel(int index);
    ModelInfo modelInfo(int model = -1);
    QStringList surfaceNames(int model = -1);
    QStringList emitterNames(int model = -1);
    bool setShown(int model, int emitter, bool shown);
    bool shown(int model, int emitter);
    void moveModel(const float position[3]);
    // The latest refusal the library recorded for an OpenGL error, if any.
    Refusal glError();

    // ---- Surfaces and geometry of the edited model ------------------------------------
    SurfaceData surface(int index);
    // Recomputes the vertex normals for `angle` (the record keeps its old angle).
    void smoothSurface(int index, float angle);
    void highlightSurface(int index, int selection);
    void scaleGeometry(const float factors[3]);
    void translateGeometry(const float offset[3]);
    void rotateGeometry(const float radians[3]);

    // ---- Emitters of the edited model ----------------------------------------------------
    // Makes `index` the emitter the library shows the shape of (-1: none).
    void showEmitter(int index);
    EmitterData emitter(int index);
    Refusal setEmitter(int index, const EmitterData& record);
    void moveEmitter(int index, const float position[3]);
    BurstData burst(int index);
    EmitterExtras extras(int index);
    // Sets both curves and the shape; the parts taken stay when one is refused.
    Refusal setExtras(int index, const EmitterExtras& extras);
    // Adds `record` at `index` (the count: at the end), with its burst; texture
    // ids follow the image names.
    Refusal insertEmitter(int index, const EmitterData& record);
    Refusal removeEmitter(int index);
    QString copyEmitter(int index);
    Refusal pasteEmitter(int index, const QString& text);
    // A new emitter's record, as the library fills it.
    static EmitterData defaultEmitter();
    // The value of a curve of these keys at `time` (0..1), as particles take
    // it; zeros for no keys.
    static void curveValue(const std::vector<CurveKey>& keys, float time, float out[4]);
    // `text` made a name that survives a save and a load, at most size - 1 bytes.
    static QString safeName(const QString& text, int size);

    // ---- Lights --------------------------------------------------------------------------
    LightData light(int index);
    void moveLight(int index, const float position[3]);

    // ---- Images --------------------------------------------------------------------------
    // Adds the image; the size the library read is written back into `image`.
    Refusal addImage(TextureInfo& image);
    void removeImage(const QString& name);
    int imageCount();
    bool imageAt(int index, TextureInfo* out);
    bool image(const QString& name, TextureInfo* out);
    uint32_t textureId(const QString& name);

    // ---- Drawing ----------------------------------------------------------------------------
    // Starts the library on the current GL context at this size and angle; the angle taken.
    int startDrawing(int width, int height, int fieldOfView);
    void resize(int width, int height);
    // Advances the simulation a frame (unless paused or on the game clock) and draws.
    void draw(const CameraData& camera);
    bool setClipPlanes(float nearPlane, float farPlane);
    void setFieldOfView(int degrees);
    // The box of `what` (KORVID_BOUNDS_...); false when there is nothing there.
    bool bounds(int what, int index, float lo[3], float hi[3]);
    void setBoundingBox(bool on);
    bool grid();
    void setGrid(bool on);
    void showLights(bool on);
    void showModels(bool on);
    void showShapeOutline(bool on);
    void setAntialias(bool points, bool lines, bool polygons);
    void setClearColour(const float rgba[4]);
    void setAmbient(const float rgba[4]);

    // ---- The simulation's clock -----------------------------------------------------------
    bool paused();
    void setPaused(bool paused);
    float setSpeed(float factor);  // the speed taken
    bool step(int milliseconds);
    void restartEmitters();
    int simulationTime();
    int seek(int milliseconds);  // the moment reached
    void setFixedStep(int milliseconds);
    void seedRandom(uint32_t seed);
    void resumeClock();
    int64_t liveParticles();
    int64_t burstsFired();
    // Contacts of the current emitter with its colliders since its restart;
    // -1 when it has no colliders (or there is no current emitter).
    int64_t currentEmitterHits();

    // ---- Snapshots for undo -----------------------------------------------------------------
    // Reads a part of the edited model; `position` is where the model stands,
    // which the library does not report.
    EntitySnapshot capture(EntityPart part, int index, const float position[3]);
    // Writes a part back. Texture ids follow the image names, since an image
    // added again may have a new id.
    Refusal apply(const EntitySnapshot& snapshot);

private:
    static Refusal fromLibrary();
    GlAccess* m_gl = nullptr;
};

}  // namespace vantor

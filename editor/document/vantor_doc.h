// CVantorDoc: the entity being edited, and the only way to change it. It
// holds the file, the history and the selection, and offers one method per
// user intent: each pushes one command on the history, whose redo makes the
// change through the scene (the editor's adapter of the library) and emits
// `changed`; undo and redo emit the same signal, so pages and the view
// redraw from it alone. It shows no windows: file dialogs, questions and
// messages belong to the main frame (FileCommands).
#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include "document/document_commands.h"
#include "document/entity_snapshot.h"
#include "document/history.h"
#include "document/korvid_scene.h"
#include "document/refusal.h"
#include "document/selection.h"
#include "korvid.h"

namespace korvid::import {
struct MeshRead;
}

class CVantorDoc : public QObject, public vantor::CommandTarget {
    Q_OBJECT
public:
    explicit CVantorDoc(QObject* parent = nullptr);
    ~CVantorDoc() override;
    // The library's GL context; set once the view exists.
    void setGlAccess(GlAccess* gl) { m_scene.setGlAccess(gl); }
    // Makes the library's context current, for code that draws with the library.
    void makeCurrent() { m_scene.makeCurrent(); }
    vantor::KorvidScene& scene() { return m_scene; }
    vantor::History& history() { return m_history; }
    vantor::Selection& selection() { return m_selection; }

    // ---- Files -----------------------------------------------------------------
    // Empties the entity (File New).
    void clear();
    // Reads a RAW or ZOB file as a new model; `note` gets what the user should
    // know of a file that was read.
    vantor::Refusal openFile(const QString& path, QString* note = nullptr);
    // An STL or OBJ file read by the library itself, as an import adds it;
    // KORVID_FAILURE_MESH_FORMAT, nothing changed, for one left to the importer.
    vantor::Refusal loadMesh(const QString& path);
    // Adds a model read from a mesh file of another format (File > Import
    // Model...), shown as an opened file is; not added to the recent files.
    vantor::Refusal addImportedMesh(const QString& path, const korvid::import::MeshRead& read,
                                    QString* note = nullptr);
    // Writes the current model as a ZOB file, which becomes the document's own.
    vantor::Refusal saveFile(const QString& path);
    // The ZOB file the edited model was opened from or last saved to; empty
    // for an untitled model or one read from a RAW or mesh file.
    QString ownZobFile() const;
    // Puts the edited model back as it was last opened or saved (undoing to
    // that point, or reading its file again when the history no longer
    // reaches it) and starts the history anew.
    void discardChanges();
    bool isModified() const { return m_history.isModified(); }
    // Makes the folder of a file the user chose the working directory, where
    // the next file dialog opens.
    static void enterFolderOf(const QString& path);
    // The file the document is ("Untitled" and empty names for none).
    const QString& pathName() const { return m_pathName; }
    const QString& fileTitle() const { return m_fileTitle; }
    QString title() const { return m_title; }

    // ---- Gestures ------------------------------------------------------------------
    // A drag in the view is one command named `name`: the part is read when it
    // starts and when it ends (index -1: the current emitter).
    void beginGesture(const QString& name, vantor::EntityPart part, int index = -1);
    void endGesture();

    // ---- The models loaded -------------------------------------------------------
    // Every model the library holds, in its order, as the outliner names them:
    // the file's name, told apart by a number when two are the same
    // ("fireworks", "fireworks (2)").
    QStringList modelNames() const;
    // The model being edited (the one the pages show and File Save writes).
    int editedModel() const { return m_selection.model(); }
    // Makes model `index` the one being edited: the pages show it, the
    // caption and File Save follow its file, and the history starts anew
    // (ask to save first). False for no such model.
    bool chooseModel(int index);
    // Takes model `index` out of the scene; the history starts anew. With no
    // model left it is as File New. False for no such model.
    bool closeModel(int index);
    // Gives model `index` another name in the outliner (the file keeps its own).
    void renameModel(int index, const QString& name);
    // Shows or hides a model (emitter -1) or an emitter of it in the view;
    // view state, not saved and not undone.
    bool setShown(int model, int emitter, bool shown);
    bool shown(int model, int emitter) { return m_scene.shown(model, emitter); }

    // ---- Reading the entity ------------------------------------------------------
    int modelCount() const { return m_modelCount; }
    const ModelInfo& modelInfo() const { return m_modelInfo; }
    const QStringList& surfaceNames() const { return m_surfaceNames; }  // of the model opened last
    const QStringList& emitterNames() const { return m_emitterNames; }
    const SurfaceData& surface() const { return m_surface; }  // the surface being edited
    int currentSurface() const { return m_selection.surface(); }
    const EmitterData& emitter() const { return m_emitter; }  // the emitter being edited
    const BurstData& burst() const { return m_burst; }        // its burst
    const vantor::EmitterExtras& extras() const { return m_extras; }  // its curves and shape
    int currentEmitter() const { return m_selection.emitter(); }
    int lastEmitter() const { return int(m_emitterNames.size()) - 1; }
    const LightData& light(int index) const { return m_lights[index]; }
    const float* modelPosition() const { return m_modelPosition; }
    // The texture id of the image `name`; 0 when the library has none.
    uint32_t textureId(const QString& name) { return m_scene.textureId(name); }

    // ---- Surfaces ----------------------------------------------------------------
    // Leaves the highlighted surface and makes `index` the one being edited.
    // The choice is announced even when `index` was current already.
    void chooseSurface(int index, int selection);
    // The same, highlighting the surface as the last one was.
    void chooseSurface(int index) { chooseSurface(index, m_highlight); }
    // Highlights the current surface in the given way (KORVID_SELECT_NONE leaves it).
    void highlightSurface(int selection);
    // The current surface takes `record`, as the command `name`.
    void editSurface(const SurfaceData& record, const QString& name, int field = -1);
    // The current surface takes `record` after its vertex normals were
    // recomputed for `angle` (smoothing), as one command.
    void smoothSurface(const SurfaceData& record, float angle, const QString& name);

    // ---- Emitters and bursts -------------------------------------------------------
    // The current emitter takes `record` as the command `name` (empty: sent
    // again without a command, which restarts its timer). A pool past the
    // particle limit is refused as a whole and the emitter shown as the
    // library holds it; other refusals keep the values typed.
    vantor::Refusal editEmitter(const EmitterData& record, const QString& name, int field = -1);
    // Adds `record` after the other emitters and makes it current.
    vantor::Refusal addEmitter(const EmitterData& record);
    // Removes the current emitter; the one after it (or before it) becomes current.
    vantor::Refusal removeEmitter();
    void chooseEmitter(int index);
    // Moves the current emitter (a drag in the view, inside its gesture).
    void moveEmitter(const float position[3]);
    void editBurst(const BurstData& record, const QString& name, int field = -1);
    // The current emitter's curve `which` (KORVID_CURVE_COLOUR or _SIZE) takes
    // `keys` (none: no curve), as the command "Colour Curve" or "Size Curve";
    // commits from the same control `field` in a row merge.
    vantor::Refusal editCurve(int which, const std::vector<CurveKey>& keys, int field = -1);
    // The current emitter's shape, as the command "Emitter Shape".
    vantor::Refusal editShape(const EmitterShape& shape, int field = -1);
    // The current emitter's force fields or colliders, all of them as one change.
    vantor::Refusal editFields(const std::vector<ForceField>& fields, int field = -1);
    vantor::Refusal editColliders(const std::vector<Collider>& colliders, int field = -1);
    // How the current emitter's particles look, one part at a time, as the
    // command "Flipbook", "Spin and Stretch", "Trail" or "Draw Order"; commits
    // from the same control `field` in a row merge.
    vantor::Refusal editFlipbook(const Flipbook& flipbook, int field = -1);
    vantor::Refusal editSpin(const ParticleSpin& spin, int field = -1);
    vantor::Refusal editTrail(const Trail& trail, int field = -1);
    vantor::Refusal editSort(int32_t mode);
    // Adds `image` and makes it the current emitter's, with the emitter's
    // record taking `record` and its flipbook `flipbook`, as the one command
    // "Use Sheet as Flipbook".
    vantor::Refusal useImageAsFlipbook(TextureInfo& image, const EmitterData& record, const Flipbook& flipbook);
    // Adds a copy of the current emitter (its burst, curves and shape) right
    // after it, named "<name>_copy" as names are kept, and makes it current,
    // as the command "Duplicate Emitter".
    vantor::Refusal duplicateEmitter();
    // The current emitter in its clipboard text; empty when there is none.
    QString emitterText();
    // Adds the emitter of a clipboard text after the current one (or after
    // the last), as the command "Paste Emitter". `note` tells when the
    // emitter's image is not in the document (it then has none).
    vantor::Refusal pasteEmitter(const QString& text, QString* note = nullptr);
    // Milliseconds until the edited model's last particle (and its burst's)
    // is gone at the longest; -1 when an emitter never stops, 0 with none.
    int effectLength();
    // Reads the current burst from the library again.
    void reloadBurst();

    // ---- Lights and the model ---------------------------------------------------------
    // Reads the six lights from the library (once it has started).
    void readLights();
    void switchLight(int index, bool on);
    void editLight(int index, const LightData& record);
    // Moves a light (a drag or the Light Swarm; no command of its own).
    void moveLight(int index, const float position[3]);
    void moveModel(const float position[3]);
    void scaleGeometry(const float factors[3]);
    void translateGeometry(const float offset[3]);
    void rotateGeometry(const float radians[3]);
    // Reads the current model's counts and extents again.
    void refreshModelInfo();

    // ---- Images -------------------------------------------------------------------------
    // Adds `image` to the library, as the command "Add Image". The size read
    // is written back into `image`.
    vantor::Refusal addImage(TextureInfo& image);
    // Offers an image the library holds in the pages' image lists.
    void offerImage(const QString& name) { emit imageAdded(name); }

    // ---- For the commands -------------------------------------------------------------------
    // Writes a part and announces it (`restored` by undo or redo).
    vantor::Refusal put(const vantor::EntitySnapshot& snapshot, int field, bool restored) override;
    // Removes emitter `index`, its record and extras copied out.
    vantor::Refusal removeEmitterAt(int index, EmitterData* record, vantor::EmitterExtras* extras) override;
    vantor::Refusal insertEmitterAt(const EmitterData& record, int index, const vantor::EmitterExtras& extras) override;
    // Adds the emitter of clipboard text at `index`; its record and extras copied out.
    vantor::Refusal pasteEmitterAt(int index, const QString& text, EmitterData* record,
                                   vantor::EmitterExtras* extras) override;
    void removeImage(const TextureInfo& info) override;
    // Adds the image again (`restored`: by redo, and announced so).
    vantor::Refusal restoreImage(const TextureInfo& info, bool restored) override;
    // An undo or redo the library refused: the user is told (`refused`).
    void tellRefused(const vantor::Refusal& refusal) override {
        if (refusal && !refusal.text.isEmpty()) emit refused(refusal.text);
    }
    // What a command's first redo (the push) answered.
    void firstRedoAnswered(const vantor::Refusal& refusal) override { m_pushRefusal = refusal; }

signals:
    // The one signal of every change of the entity, made or put back.
    void changed(const vantor::DocumentChange& change);
    void titleChanged(const QString& title);
    // Something the user must be told that happened outside a command of
    // theirs (an undo that the library refused).
    void refused(const QString& message);
    void fileOpened(const QString& path);
    // File New emptied the entity.
    void cleared();
    // A file is about to be read: the lists that will hold its model are enabled
    // (and stay so when the read fails).
    void opening();
    // A model was opened or imported; `zob` when it came with images and emitters.
    void opened(bool zob);
    // A file was read or a model imported (after `opened`).
    void modelLoaded();
    // Models were added, taken out, renamed, shown or hidden, or another is edited.
    void modelsChanged();
    // An image was added to the library, or taken out.
    void imageAdded(const QString& name);
    void imageRemoved(const QString& name);

private:
    vantor::Refusal finishLoad(const vantor::Refusal& refusal, bool zob, bool import);
    void setFile(const QString& path);
    void refreshTitle();
    void startHistory();
    void refreshEmitterNames();
    // The working copies of emitter `index` read from the library.
    void readEmitter(int index);
    QString m_pasteNote;
    void announce(vantor::EntityPart kind, int index = -1, int field = -1, bool restored = false);
    // Pushes a command that sets `part` (index: a surface, emitter or light)
    // from the state read now to `after`; the refusal of its first redo.
    // One part of the current emitter's look changed by `change`, as one command.
    vantor::Refusal editLook(const QString& text, int field, const std::function<void(vantor::EmitterExtras&)>& change);
    vantor::Refusal record(const QString& name, vantor::EntitySnapshot before, vantor::EntitySnapshot after,
                           vantor::Intent intent = vantor::Intent::None, int field = -1);
    void editLight(int index, const LightData& light, const QString& name);
    // Pushes a command that runs `operation` on the geometry (undo puts the vertices back).
    void changeGeometry(const QString& name, std::function<void()> operation);
    vantor::EntitySnapshot capture(vantor::EntityPart part, int index) {
        return m_scene.capture(part, index, m_modelPosition);
    }
    // Pushes `command`; the refusal of its first redo.
    vantor::Refusal push(vantor::DocumentCommand* command);

    vantor::KorvidScene m_scene;
    vantor::History m_history;
    vantor::Selection m_selection;
    int m_highlight = KORVID_SELECT_NONE;  // how the current surface is marked
    vantor::Refusal m_pushRefusal;
    QString m_pathName;
    QString m_fileTitle;
    QString m_title = QStringLiteral("Untitled");
    bool m_shownModified = false;
    // The gesture being recorded.
    QString m_gestureName;
    vantor::EntitySnapshot m_gestureStart;
    bool m_gesture = false;

    // The entity's working state.
    int m_modelCount = 0;
    struct LoadedModel {
        QString name;  // shown in the outliner
        QString path;  // the file it came from
    };
    QList<LoadedModel> m_models;
    // Reads the edited model's counts, names and first emitter from the library.
    void readEditedModel();
    // Keeps the model list as long as the library's, naming models that a
    // failed read left behind.
    void syncModels(const QString& pathOfNew);
    ModelInfo m_modelInfo{};
    QStringList m_surfaceNames;
    QStringList m_emitterNames;
    SurfaceData m_surface{};
    EmitterData m_emitter{};
    vantor::EmitterExtras m_extras;
    BurstData m_burst{};
    LightData m_lights[6]{};
    float m_modelPosition[3] = {0, 0, 0};
};

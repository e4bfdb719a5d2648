// CVantorDoc: the entity being edited, and the only way to change it. Every
// edit is one method here that calls the library (with its GL context
// current), pushes one command on the undo stack and emits `changed`; undo
// and redo emit the same signal, so pages and the view redraw from it alone.
// It shows no windows: file dialogs, questions and messages belong to the
// main frame (FileCommands).
#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUndoStack>

#include "document/entity_snapshot.h"
#include "document/gl_access.h"
#include "korvid.h"
#include "mesh_import.h"

namespace vantor {

// What a change touched. Pages redraw what they show of it.
enum class ChangeKind {
    Surface,        // a surface's record or its vertex data (index: the surface)
    Geometry,       // the vertex data of the whole model (counts and extents)
    Emitter,        // an emitter's record (index: the emitter)
    Burst,          // an emitter's burst (index: the emitter)
    EmitterList,    // emitters were added or removed; the current one may differ
    Light,          // a light (index: the light)
    ModelPosition,  // where the model stands
    Images,         // the image library
};

struct DocumentChange {
    ChangeKind kind;
    int index = -1;
    int field = -1;         // the control the edit came from, or -1
    bool restored = false;  // put back by undo or redo
};

}  // namespace vantor

class CVantorDoc : public QObject {
    Q_OBJECT
public:
    explicit CVantorDoc(QObject* parent = nullptr);
    ~CVantorDoc() override;
    // The library's GL context; set once the view exists.
    void setGlAccess(GlAccess* gl) { m_gl = gl; }
    // Makes the library's context current, for code that reads the library.
    void makeCurrent();

    // ---- Files -----------------------------------------------------------------
    // What reading or writing a file came to: `ok`, and a message for the
    // user (a refusal, or a note on a file that was read).
    struct FileResult {
        bool ok = false;
        QString message;
    };
    // Empties the entity (File New).
    void clear();
    // Reads a RAW or ZOB file as a new model.
    FileResult openFile(const QString& path);
    // Adds a model read from a mesh file of another format (File > Import
    // Model...), shown as an opened file is; not added to the recent files.
    FileResult addImportedMesh(const QString& path, const korvid::import::MeshRead& read);
    // Writes the current model as a ZOB file, which becomes the document's own.
    FileResult saveFile(const QString& path);
    // The ZOB file the edited model was opened from or last saved to; empty
    // for an untitled model or one read from a RAW or mesh file.
    QString ownZobFile() const;
    // Puts the edited model back as it was last opened or saved (undoing to
    // that point, or reading its file again when the history no longer
    // reaches it) and starts the history anew.
    void discardChanges();
    // Makes the folder of a file the user chose the working directory.
    static void enterFolderOf(const QString& path);
    // The file the document is ("Untitled" and empty names for none).
    const QString& pathName() const { return m_pathName; }
    const QString& fileTitle() const { return m_fileTitle; }
    QString title() const { return m_title; }

    // ---- Undo and redo --------------------------------------------------------
    QUndoStack* undoStack() { return &m_stack; }
    void undo() { m_stack.undo(); }
    void redo() { m_stack.redo(); }
    // The entity differs from what was last opened or saved: a command that
    // changes the entity lies between the saved point and the stack's index.
    bool isModified() const;
    // The history keeps at most 1000 commands and about this many bytes; the
    // oldest commands let go of their snapshots first.
    void setHistoryBudget(size_t bytes);
    size_t historyBytes() const;
    // Everything the library does to `part` between begin and end is one
    // command named `name` (nested changes join the outer one; an empty name
    // records nothing). Index -1 means the current surface or emitter.
    // Commands with the same `field` (>= 0) in a row merge. A drag in the
    // view is one such change.
    void beginChange(const QString& name, vantor::EntityPart part, int index = -1, int field = -1);
    void endChange();

    // ---- The models loaded -------------------------------------------------------
    // Every model the library holds, in its order, as the outliner names them:
    // the file's name, told apart by a number when two are the same
    // ("fireworks", "fireworks (2)").
    QStringList modelNames() const;
    // The model being edited (the one the pages show and File Save writes).
    int editedModel() const { return m_editedModel; }
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
    bool shown(int model, int emitter);

    // ---- Reading the entity ------------------------------------------------------
    int modelCount() const { return m_modelCount; }
    const ModelInfo& modelInfo() const { return m_modelInfo; }
    const QStringList& surfaceNames() const { return m_surfaceNames; }  // of the model opened last
    const QStringList& emitterNames() const { return m_emitterNames; }
    const SurfaceData& surface() const { return m_surface; }  // the surface being edited
    int currentSurface() const { return m_currentSurface; }
    const EmitterData& emitter() const { return m_emitter; }  // the emitter being edited
    const BurstData& burst() const { return m_burst; }        // its burst
    const vantor::EmitterExtras& extras() const { return m_extras; }  // its curves and shape
    int currentEmitter() const { return m_currentEmitter; }
    int lastEmitter() const { return m_lastEmitter; }
    const LightData& light(int index) const { return m_lights[index]; }
    const float* modelPosition() const { return m_modelPosition; }
    // The texture id of the image `name`; 0 when the library has none.
    uint32_t textureId(const QString& name);

    // ---- Surfaces ----------------------------------------------------------------
    // Leaves the highlighted surface and makes `index` the one being edited.
    void chooseSurface(int index, int selection);
    // Highlights the current surface in the given way (KORVID_SELECT_NONE leaves it).
    void highlightSurface(int selection);
    // The current surface takes `record`, as the command `name`.
    void editSurface(const SurfaceData& record, const QString& name, int field = -1);
    // The current surface takes `record` after its vertex normals were
    // recomputed for `angle` (smoothing), as one command.
    void smoothSurface(const SurfaceData& record, float angle, const QString& name);

    // ---- Emitters and bursts -------------------------------------------------------
    // The current emitter takes `record`; the failure code when the library
    // refused it (the emitter then stays as the library holds it).
    int editEmitter(const EmitterData& record, const QString& name, int field = -1);
    // Adds `record` after the other emitters and makes it current; false when
    // the library refused it.
    bool addEmitter(const EmitterData& record);
    // Removes the current emitter; the one after it (or before it) becomes
    // current. False when there is none.
    bool removeEmitter();
    void chooseEmitter(int index);
    // Moves the current emitter (a drag in the view, inside its change).
    void moveEmitter(const float position[3]);
    void editBurst(const BurstData& record, const QString& name, int field = -1);
    // The current emitter's curve `which` (KORVID_CURVE_COLOUR or _SIZE) takes
    // `keys` (none: no curve), as the command "Colour Curve" or "Size Curve";
    // commits from the same control `field` in a row merge. False, with the
    // library's message in `refusal`, when the library refused the keys.
    bool editCurve(int which, const std::vector<CurveKey>& keys, int field = -1, QString* refusal = nullptr);
    // The current emitter's shape, as the command "Emitter Shape".
    bool editShape(const EmitterShape& shape, int field = -1, QString* refusal = nullptr);
    // Adds a copy of the current emitter (its burst, curves and shape) right
    // after it, named "<name>_copy" as names are kept, and makes it current,
    // as the command "Duplicate Emitter". False when there is none or the
    // library refused it.
    bool duplicateEmitter();
    // The current emitter in its clipboard text; empty when there is none.
    QString emitterText();
    // Adds the emitter of a clipboard text after the current one (or after
    // the last), as the command "Paste Emitter". `result.message` holds the
    // refusal, or a note when the emitter's image is not in the document
    // (it then has none).
    FileResult pasteEmitter(const QString& text);
    // Ends the merging of commits from one control into the last change (a
    // run of steps or a scrub is over), so that the next is a step of its own.
    void sealLastChange();
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
    // Adds `image` to the library; false when the library refused it. The
    // size read is written back into `image`.
    bool addImage(TextureInfo& image);
    // Offers an image the library holds in the pages' image lists.
    void offerImage(const QString& name) { emit imageAdded(name); }

    // ---- For the undo commands ------------------------------------------------------------
    // Read a part, put a part back and announce it.
    vantor::EntitySnapshot capture(vantor::EntityPart part, int index);
    void restore(const vantor::EntitySnapshot& snapshot);
    // Removes emitter `index`, its record copied to `record`; false when there is none.
    bool removeEmitterAt(int index, EmitterData* record, vantor::EmitterExtras* extras);
    void insertEmitterAt(const EmitterData& record, int index, const vantor::EmitterExtras& extras);
    void removeImage(const TextureInfo& info);
    void restoreImage(const TextureInfo& info);

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
    FileResult finishLoad(bool loaded, bool zob, bool import, const QString& failure, const QString& note);
    void setFile(const QString& path);
    void refreshTitle();
    void startHistory();
    void showModified();
    void historyMoved();
    void refreshEmitterNames();
    void announce(vantor::ChangeKind kind, int index = -1, int field = -1, bool restored = false);

    GlAccess* m_gl = nullptr;
    QString m_pathName;
    QString m_fileTitle;
    QString m_title = QStringLiteral("Untitled");
    QUndoStack m_stack;
    size_t m_historyBudget = size_t(512) << 20;
    bool m_trimming = false;
    bool m_shownModified = false;
    // The change being recorded.
    int m_changeDepth = 0;
    bool m_recording = false;
    QString m_changeName;
    int m_changeField = -1;
    vantor::EntitySnapshot m_before;

    // The entity's working state.
    int m_modelCount = 0;
    struct LoadedModel {
        QString name;  // shown in the outliner
        QString path;  // the file it came from
    };
    QList<LoadedModel> m_models;
    int m_editedModel = -1;
    // Reads the edited model's counts, names and first emitter from the library.
    void readEditedModel();
    // Keeps the model list as long as the library's, naming models that a
    // failed read left behind.
    void syncModels(const QString& pathOfNew);
    ModelInfo m_modelInfo{};
    QStringList m_surfaceNames;
    QStringList m_emitterNames;
    SurfaceData m_surface{};
    int m_currentSurface = 0;
    EmitterData m_emitter{};
    vantor::EmitterExtras m_extras;
    BurstData m_burst{};
    int m_lastEmitter = -1;
    int m_currentEmitter = -1;
    LightData m_lights[6]{};
    float m_modelPosition[3] = {0, 0, 0};
};

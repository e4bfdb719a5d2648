// CVantorDoc: the entity being edited. It owns the working copies of the
// records the pages edit, makes every library call that changes the entity
// (each with the library's GL context current), keeps the undo stack, and
// reads and writes files. It shows no windows: File commands, questions and
// messages are the main frame's (FileCommands). Pages and the view observe it
// through its signals.
#pragma once
#include "picture_export.h"
#include "mesh_import.h"
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include <QUndoStack>

#include "entity_snapshot.h"
#include "gl_access.h"
#include "korvid.h"

class CVantorDoc : public QObject {
    Q_OBJECT
public:
    explicit CVantorDoc(QObject* parent = nullptr);
    ~CVantorDoc() override;
    // The library's GL context; set once the view exists.
    void setGlAccess(GlAccess* gl) { m_gl = gl; }
    // Makes the library's context current, for code that reads the library.
    void makeCurrent();

    QString m_pathName;
    QString m_fileTitle;
    QString m_extension;
    QString title() const { return m_title; }
    // The settings of File > Export Frames, kept with the document.
    FrameExport& frameExportSettings() { return m_frameExport; }

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
    // Writes the current model as a ZOB file.
    FileResult saveFile(const QString& path);
    // Makes the folder of a file the user chose the working directory.
    static void enterFolderOf(const QString& path);

    // ---- Changes, undo and redo ---------------------------------------------
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
    // undoable step named `name` (nested changes join the outer one; an
    // empty name records nothing). Index -1 means the current surface or
    // emitter. Steps with the same `field` (>= 0) in a row merge.
    void beginChange(const QString& name, vantor::EntityPart part, int index = -1, int field = -1);
    void endChange();
    class Change {
    public:
        Change(CVantorDoc& doc, const QString& name, vantor::EntityPart part, int index = -1, int field = -1)
            : m_doc(doc) {
            m_doc.beginChange(name, part, index, field);
        }
        ~Change() { m_doc.endChange(); }
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;

    private:
        CVantorDoc& m_doc;
    };
    // Used by the undo commands: read a part, put a part back and show it.
    vantor::EntitySnapshot capture(vantor::EntityPart part, int index);
    void restore(const vantor::EntitySnapshot& snapshot);
    // Removes emitter `index`, its record copied to `record`; false when there is none.
    bool removeEmitterAt(int index, EmitterData* record);
    void insertEmitterAt(const EmitterData& record, int index);
    void removeImage(const TextureInfo& info);
    void restoreImage(const TextureInfo& info);
    // The file the document is: its path, names and title ("Untitled" for none).
    void setFile(const QString& path);
    // Shows the title, with the unsaved-changes mark when there are changes.
    void refreshTitle();

    // ---- The entity's working state -------------------------------------
    int m_modelCount = 0;
    ModelInfo m_modelInfo{};
    QStringList m_surfaceNames;  // of the model opened last
    QStringList m_emitterNames;
    SurfaceData m_surface{};  // the surface being edited
    int m_currentSurface = 0;
    EmitterData m_emitter{};  // the emitter being edited
    BurstData m_burst{};      // its burst
    int m_lastEmitter = -1;
    int m_currentEmitter = -1;
    LightData m_lights[6]{};
    float m_modelPosition[3] = {0, 0, 0};
    TextureInfo m_texture{};  // the image being added

    // ---- Surfaces ---------------------------------------------------------
    // Leaves the highlighted surface and makes `index` the one being edited.
    void chooseSurface(int index, int selectionMode);
    // Highlights the current surface in the given way (0 leaves it).
    void highlightSurface(int selectionMode);
    // Sends the working surface to the library, as the step `change`.
    void writeSurface(const QString& change, int field = -1);
    // Recomputes the current surface's vertex normals (inside a change of
    // the surface's shape).
    void smoothSurface(float angle);
    uint32_t textureId(const QString& name);

    // ---- Emitters and bursts ---------------------------------------------
    // Sends the working emitter; false when the library refused it.
    bool writeEmitter(const QString& change, int field = -1);
    // Adds the working emitter after the others and makes it current; false
    // when the library refused it.
    bool addEmitter();
    // Removes the current emitter; the one after it (or before it) becomes
    // current and emittersChanged follows. False when there is none.
    bool removeEmitter();
    void chooseEmitter(int index);
    void moveEmitter();
    void writeBurst(const QString& change, int field = -1);
    void reloadBurst();
    // Reads the current emitter back after a refusal.
    void reloadEmitter();

    // ---- Lights and the model ---------------------------------------------
    void switchLight(int index, bool on);
    void writeLight(int index);
    void moveLight(int index);
    void moveModel();
    void scaleGeometry(const float factors[3]);
    void translateGeometry(const float offset[3]);
    void rotateGeometry(const float radians[3]);
    // Reads the current model's counts and extents again.
    void refreshModelInfo();

    // ---- Images ---------------------------------------------------------
    // Adds the working image; false when the library refused it.
    bool addImage();
    // Offers an image the library holds in the pages' image lists.
    void offerImage(const QString& name) { emit imageAdded(name); }

signals:
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
    void imageAdded(const QString& name);
    // Undo and redo put these back; the pages show them again.
    void surfaceRestored(int index);
    void emitterRestored(int index);
    void emittersChanged();  // emitters were removed, or put back by undo or redo
    void lightRestored(int index);
    void geometryRestored();
    void imageRemoved(const QString& name);
    void imagesRestored();
    // The current emitter's position changed in the view.
    void emitterMoved();

private:
    FileResult finishLoad(bool loaded, bool zob, bool import, const QString& failure, const QString& note);
    void startHistory();
    void showModified();
    void historyMoved();
    void refreshEmitterNames();
    GlAccess* m_gl = nullptr;
    QString m_title = QStringLiteral("Untitled");
    FrameExport m_frameExport;
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
};


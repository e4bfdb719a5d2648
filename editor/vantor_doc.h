// CVantorDoc: the entity being edited. It owns the working copies of the
// records the pages edit, makes every library call that changes the entity
// (each with the view's GL context current), and runs File New, Open and
// Save. Pages and the view observe it through its signals.
#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "korvid.h"

class CVantorDoc : public QObject {
    Q_OBJECT
public:
    explicit CVantorDoc(QObject* parent = nullptr);

    QString m_pathName;
    QString m_fileTitle;
    QString m_extension;
    QString title() const { return m_title; }

    void onFileNew();
    void onFileOpen();
    void onFileSave();
    // Opens a file chosen by any means (File Open, the recent-file list).
    bool openFile(const QString& path);
    // File > Import Model...: a mesh file of another format, read through
    // Assimp, shown as an opened file is; not added to the recent files.
    void onFileImport();
    bool importFile(const QString& path);
    bool saveFile(const QString& path);
    // Makes the folder of a file the user chose the working directory.
    static void enterFolderOf(const QString& path);

    // Tests answer the file dialogs through these hooks; an empty answer is Cancel.
    static void setOpenHook(std::function<QString()> hook);
    static void setSaveHook(std::function<QString()> hook);

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
    // Sends the working surface to the library.
    void writeSurface();
    // Recomputes the current surface's vertex normals.
    void smoothSurface(float angle);
    uint32_t textureId(const QString& name);

    // ---- Emitters and bursts ---------------------------------------------
    // Sends the working emitter; false when the library refused it.
    bool writeEmitter();
    // Adds the working emitter after the others and makes it current; false
    // when the library refused it.
    bool addEmitter();
    // Removes the current emitter; the one after it (or before it) becomes
    // current. False when there is none.
    bool removeEmitter();
    void chooseEmitter(int index);
    void moveEmitter();
    void writeBurst();
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
    void fileOpened(const QString& path);
    // File New emptied the entity.
    void cleared();
    // A model was opened or imported; `zob` when it came with images and emitters.
    void opened(bool zob);
    void imageAdded(const QString& name);
    // The current emitter's position changed in the view.
    void emitterMoved();

private:
    bool load(const QString& path, bool import);
    void makeCurrent();
    QString m_title = QStringLiteral("Untitled");
};

extern CVantorDoc* g_pDoc;

#include "vantor_doc.h"

#include <QDir>

#include <cstring>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "controls.h"
#include "document_steps.h"
#include "import_progress.h"
#include "mesh_import.h"
#include "vantor_view.h"

using namespace vantor;

CVantorDoc* g_pDoc = nullptr;

namespace {
std::function<QString()>& openHook() {
    static std::function<QString()> hook;
    return hook;
}
std::function<QString()>& saveHook() {
    static std::function<QString()> hook;
    return hook;
}
std::function<int(const QString&)>& savePromptHook() {
    static std::function<int(const QString&)> hook;
    return hook;
}
QWidget* dialogParent() { return g_pView ? g_pView->window() : nullptr; }
}  // namespace

void CVantorDoc::setOpenHook(std::function<QString()> hook) { openHook() = std::move(hook); }
void CVantorDoc::setSaveHook(std::function<QString()> hook) { saveHook() = std::move(hook); }

void CVantorDoc::setSavePromptHook(std::function<int(const QString&)> hook) { savePromptHook() = std::move(hook); }

CVantorDoc::CVantorDoc(QObject* parent) : QObject(parent), m_history(std::make_unique<vantor::UndoHistory>(*this)) {
    g_pDoc = this;
    connect(m_history.get(), &vantor::UndoHistory::changed, this, &CVantorDoc::showModified);
}

CVantorDoc::~CVantorDoc() {
    if (g_pDoc == this) g_pDoc = nullptr;
}

void CVantorDoc::makeCurrent() {
    if (g_pView) g_pView->makeCurrent();
}

void CVantorDoc::onFileNew() {
    if (!saveModified()) return;
    makeCurrent();
    objNew();
    m_modelPosition[0] = m_modelPosition[1] = m_modelPosition[2] = 0;
    for (int i = 0; i < 6; ++i) objGetLight(&m_lights[i], i);
    m_lastEmitter = -1;
    m_currentEmitter = -1;
    objInitEmitter(&m_emitter);
    emit cleared();
    startHistory();
    setFile({});
    refreshTitle();
}

// The file chosen in an open dialog (or by the tests' hook), its folder made
// the working directory; empty when cancelled.
static QString chooseFileToOpen(const QString& caption, const QString& filter) {
    QString path;
    if (openHook()) {
        path = openHook()();
    } else {
        // The dialog starts in the document's folder, the working directory.
        path = QFileDialog::getOpenFileName(dialogParent(), caption, QDir::currentPath(), filter);
    }
    if (!path.isEmpty()) CVantorDoc::enterFolderOf(path);
    return path;
}

void CVantorDoc::onFileOpen() {
    if (!saveModified()) return;
    const QString path = chooseFileToOpen(QString(), QStringLiteral("RAW Model (*.raw);;ZOB Model (*.zob)"));
    if (!path.isEmpty()) openFile(path);
}

void CVantorDoc::enterFolderOf(const QString& path) {
    // As the file dialogs of the original platform did: image paths in saved
    // entities are written relative to the working directory.
    QDir::setCurrent(QFileInfo(path).absolutePath());
}

bool CVantorDoc::openFile(const QString& path) { return load(path, false); }

bool CVantorDoc::importFile(const QString& path) { return load(path, true); }

void CVantorDoc::onFileImport() {
    if (!saveModified()) return;
    const QString all = QString::fromStdString(korvid::import::supportedPatterns());
    const QString path = chooseFileToOpen(
        QStringLiteral("Import Model"),
        QStringLiteral("All supported (%1);;Wavefront OBJ (*.obj);;STL (*.stl);;PLY (*.ply);;glTF (*.gltf *.glb);;"
                       "FBX (*.fbx);;Collada (*.dae);;All files (*)")
            .arg(all));
    if (!path.isEmpty()) importFile(path);
}

bool CVantorDoc::load(const QString& path, bool import) {
    emit opening();
    makeCurrent();
    objSelectSurface(m_currentSurface, 0);

    const QFileInfo info(path);
    // A file that fails to load leaves the document's name and title as they were.
    const QString previous[4] = {m_pathName, m_fileTitle, m_extension, m_title};
    const auto keepPrevious = [&] {
        m_pathName = previous[0];
        m_fileTitle = previous[1];
        m_extension = previous[2];
        m_title = previous[3];
    };
    setFile(path);

    const QByteArray file = m_pathName.toLocal8Bit();
    bool loaded;
    QString failure, note;
    const bool zob = !import && m_extension.compare(QLatin1String("zob"), Qt::CaseInsensitive) == 0;
    bool cancelled = false;
    if (import) {
        // The file is read on a worker while the window keeps drawing; the
        // model is added here, on the view's thread.
        const korvid::import::MeshRead read = readMeshWithProgress(dialogParent(), m_pathName);
        cancelled = read.code == korvid::import::ImportError::Cancelled;
        makeCurrent();
        const korvid::import::ImportResult result = korvid::import::addMesh(read);
        loaded = result.ok;
        failure = QString::fromLocal8Bit(result.error.c_str());
        note = QString::fromStdString(result.note);
    } else if (m_extension.compare(QLatin1String("raw"), Qt::CaseInsensitive) == 0) {
        loaded = objLoadRaw(file.constData());
    } else if (zob) {
        loaded = objLoadZOB(file.constData());
    } else {
        keepPrevious();
        message(dialogParent(), QStringLiteral("File Extension error"));
        return false;
    }
    if (!loaded) {
        keepPrevious();
        // A cancel is the user's own choice: nothing to tell.
        if (!cancelled) message(dialogParent(), import ? failure : QString::fromLocal8Bit(objGetLastError()));
        return false;
    }
    emit titleChanged(m_title);
    if (!import) emit fileOpened(m_pathName);
    if (!note.isEmpty()) message(dialogParent(), note);

    m_modelCount += 1;
    makeCurrent();
    objSetCurrentModel(m_modelCount - 1);
    objGetModelData(&m_modelInfo);
    m_surfaceNames.clear();
    for (int i = 0; i < m_modelInfo.surfaceCount; ++i) {
        objGetSurfaceData(&m_surface, i);
        m_surfaceNames << QString::fromLocal8Bit(m_surface.name);
    }
    m_emitterNames.clear();
    for (int i = 0; i < m_modelInfo.emitterCount; ++i) {
        objSetEmitterPtr(i);
        objGetEmitter(&m_emitter);
        m_emitterNames << QString::fromLocal8Bit(m_emitter.name);
    }
    m_lastEmitter = m_modelInfo.emitterCount - 1;
    if (m_modelInfo.emitterCount >= 1) {
        m_currentEmitter = 0;
        objSetEmitterPtr(0);
        objGetEmitter(&m_emitter);
        objGetBurst(&m_burst);
    }
    emit opened(zob);
    startHistory();
    return true;
}

void CVantorDoc::onFileSave() { saveWithDialog(); }

bool CVantorDoc::saveWithDialog() {
    QString path;
    if (saveHook()) {
        path = saveHook()();
    } else {
        QFileDialog dialog(dialogParent(), QString(), QDir::currentPath(), QStringLiteral("ZOB Model (*.zob)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("zob"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        path = dialog.selectedFiles().first();
    }
    if (path.isEmpty()) return false;
    // A name typed without an extension gets the default one.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".zob");
    enterFolderOf(path);
    return saveFile(path);
}

bool CVantorDoc::saveFile(const QString& path) {
    if (path.right(3).compare(QLatin1String("zob"), Qt::CaseInsensitive) != 0) {
        message(dialogParent(), QStringLiteral("File Extension error"));
        return false;
    }
    makeCurrent();
    const QByteArray file = path.toLocal8Bit();
    if (!objSaveZOB(file.constData())) {
        message(dialogParent(), QString::fromLocal8Bit(objGetLastError()));
        return false;
    }
    setFile(path);
    m_history->markClean();
    refreshTitle();
    return true;
}

void CVantorDoc::setFile(const QString& path) {
    if (path.isEmpty()) {
        m_pathName.clear();
        m_fileTitle.clear();
        m_extension.clear();
        m_title = QStringLiteral("Untitled");
        return;
    }
    const QFileInfo info(path);
    m_pathName = info.absoluteFilePath();
    m_fileTitle = info.completeBaseName();
    m_extension = info.suffix();
    m_title = m_fileTitle;
}

void CVantorDoc::refreshTitle() {
    m_shownModified = isModified();
    emit titleChanged(m_shownModified ? m_title + QLatin1Char('*') : m_title);
}

// ---- Surfaces ---------------------------------------------------------------

void CVantorDoc::chooseSurface(int index, int selectionMode) {
    makeCurrent();
    objSelectSurface(m_currentSurface, 0);
    objGetSurfaceData(&m_surface, index);
    m_currentSurface = index;
    objSelectSurface(index, selectionMode);
}

void CVantorDoc::highlightSurface(int selectionMode) {
    makeCurrent();
    objSelectSurface(m_currentSurface, selectionMode);
}

void CVantorDoc::writeSurface(const QString& change, int field) {
    Change step(*this, change, vantor::EntityPart::Surface, m_currentSurface, field);
    makeCurrent();
    objSetSurfaceData(&m_surface, m_currentSurface);
}

void CVantorDoc::smoothSurface(float angle) {
    makeCurrent();
    objSetSmoothSurface(m_currentSurface, angle);
}

uint32_t CVantorDoc::textureId(const QString& name) {
    makeCurrent();
    return objGetTextureId(name.toLocal8Bit().constData());
}

// ---- Emitters and bursts ------------------------------------------------------

bool CVantorDoc::writeEmitter(const QString& change, int field) {
    Change step(*this, change, vantor::EntityPart::Emitter, m_currentEmitter, field);
    makeCurrent();
    return objSetEmitter(&m_emitter) != 0;
}

void CVantorDoc::reloadEmitter() {
    makeCurrent();
    objGetEmitter(&m_emitter);
}

bool CVantorDoc::addEmitter() {
    makeCurrent();
    if (objAddEmitter(&m_emitter) == 0) return false;
    m_lastEmitter += 1;
    m_currentEmitter = m_lastEmitter;
    objSetEmitterPtr(m_currentEmitter);
    EmitterData added{};
    objGetEmitter(&added);
    m_history->push(
        std::make_unique<vantor::EmitterStep>(QStringLiteral("Add Emitter"), m_currentEmitter, true, added));
    return true;
}

bool CVantorDoc::removeEmitter() {
    if (m_currentEmitter < 0) return false;
    const int removed = m_currentEmitter;
    EmitterData record{};
    if (!removeEmitterAt(removed, &record)) return false;
    m_history->push(std::make_unique<vantor::EmitterStep>(QStringLiteral("Remove Emitter"), removed, false, record));
    return true;
}

void CVantorDoc::chooseEmitter(int index) {
    m_currentEmitter = index;
    makeCurrent();
    objSetEmitterPtr(index);
    objGetEmitter(&m_emitter);
    objGetBurst(&m_burst);
}

void CVantorDoc::moveEmitter() {
    emit emitterMoved();
    makeCurrent();
    objSetPosEmitter(m_emitter.position);
}

void CVantorDoc::writeBurst(const QString& change, int field) {
    Change step(*this, change, vantor::EntityPart::Burst, m_currentEmitter, field);
    makeCurrent();
    objSetBurst(&m_burst);
}

void CVantorDoc::reloadBurst() {
    makeCurrent();
    objGetBurst(&m_burst);
}

// ---- Lights and the model -------------------------------------------------------

void CVantorDoc::switchLight(int index, bool on) {
    Change step(*this, QStringLiteral("Switch Light %1").arg(index + 1), vantor::EntityPart::Light, index);
    m_lights[index].on = on;
    makeCurrent();
    objActivateLight(on, index);
}

void CVantorDoc::writeLight(int index) {
    Change step(*this, QStringLiteral("Edit Light %1").arg(index + 1), vantor::EntityPart::Light, index);
    makeCurrent();
    objSetLight(&m_lights[index], index);
}

void CVantorDoc::moveLight(int index) {
    makeCurrent();
    objMoveLight(m_lights[index].position, index);
}

void CVantorDoc::moveModel() {
    makeCurrent();
    objSetModelPosition(m_modelPosition);
}

void CVantorDoc::scaleGeometry(const float factors[3]) {
    Change step(*this, QStringLiteral("Scale"), vantor::EntityPart::Geometry);
    makeCurrent();
    objGeoScale(factors);
}

void CVantorDoc::translateGeometry(const float offset[3]) {
    Change step(*this, QStringLiteral("Translate"), vantor::EntityPart::Geometry);
    makeCurrent();
    objGeoTranslate(offset);
}

void CVantorDoc::rotateGeometry(const float radians[3]) {
    Change step(*this, QStringLiteral("Rotate"), vantor::EntityPart::Geometry);
    makeCurrent();
    objGeoRotate(radians);
}

void CVantorDoc::refreshModelInfo() {
    makeCurrent();
    objGetModelData(&m_modelInfo);
}

// ---- Images ---------------------------------------------------------------------

bool CVantorDoc::addImage() {
    makeCurrent();
    if (!objAddTexture(&m_texture)) return false;
    // The working record shows the size the library read.
    TextureInfo read{};
    if (objGetTexture(&read, m_texture.name)) {
        m_texture.width = read.width;
        m_texture.height = read.height;
    }
    // Redo reads the bitmap again, from wherever the working directory is then.
    TextureInfo added = m_texture;
    copyText(added.path, sizeof added.path, QFileInfo(QString::fromLocal8Bit(m_texture.path)).absoluteFilePath());
    m_history->push(std::make_unique<vantor::ImageStep>(QStringLiteral("Add Image"), added));
    emit imageAdded(QString::fromLocal8Bit(m_texture.name));
    return true;
}

// ---- Changes, undo and redo -------------------------------------------------------

void CVantorDoc::startHistory() { m_history->clear(); }

void CVantorDoc::showModified() {
    const bool modified = isModified();
    if (modified == m_shownModified) return;
    m_shownModified = modified;
    emit titleChanged(modified ? m_title + QLatin1Char('*') : m_title);
}

bool CVantorDoc::saveModified() {
    // Typing not yet committed counts as a change, as it would once the field lost the focus.
    vantor::commitFocusedField();
    if (!isModified()) return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(vantor::elideMiddle(m_title));
    int answer;
    if (savePromptHook()) {
        answer = savePromptHook()(question);
    } else {
        answer =
            QMessageBox::question(dialogParent(), QStringLiteral("Vantor"), question,
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    }
    if (answer == QMessageBox::Save) return saveWithDialog();
    return answer == QMessageBox::Discard;
}

void CVantorDoc::beginChange(const QString& name, vantor::EntityPart part, int index, int field) {
    using vantor::EntityPart;
    if (m_changeDepth++ > 0) return;
    const bool surface = part == EntityPart::Surface || part == EntityPart::SurfaceShape;
    const bool emitter = part == EntityPart::Emitter || part == EntityPart::Burst;
    if (index < 0) index = surface ? m_currentSurface : emitter ? m_currentEmitter : 0;
    m_recording = !name.isEmpty() && !(emitter && index < 0) && !(surface && m_modelCount == 0);
    if (!m_recording) return;
    m_changeName = name;
    m_changeField = field;
    makeCurrent();
    m_before = vantor::captureSnapshot(part, index, m_modelPosition);
}

void CVantorDoc::endChange() {
    using vantor::EntityPart;
    if (--m_changeDepth > 0 || !m_recording) return;
    m_recording = false;
    // The whole model's vertex data is not compared: a geometry operation always counts.
    if (m_before.part != EntityPart::Geometry) {
        makeCurrent();
        const vantor::EntitySnapshot after = vantor::captureSnapshot(m_before.part, m_before.index, m_modelPosition);
        if (vantor::sameSnapshot(m_before, after)) return;
    }
    m_history->push(std::make_unique<vantor::RecordStep>(m_changeName, std::move(m_before), m_changeField));
    m_before = vantor::EntitySnapshot();
}

vantor::EntitySnapshot CVantorDoc::capture(vantor::EntityPart part, int index) {
    makeCurrent();
    return vantor::captureSnapshot(part, index, m_modelPosition);
}

void CVantorDoc::restore(const vantor::EntitySnapshot& snapshot) {
    using vantor::EntityPart;
    makeCurrent();
    vantor::applySnapshot(snapshot);
    switch (snapshot.part) {
    case EntityPart::Surface:
    case EntityPart::SurfaceShape:
        emit surfaceRestored(snapshot.index);
        break;
    case EntityPart::Geometry:
        refreshModelInfo();
        emit geometryRestored();
        break;
    case EntityPart::Emitter:
    case EntityPart::Burst:
        chooseEmitter(snapshot.index);
        emit emitterRestored(snapshot.index);
        break;
    case EntityPart::Light:
        m_lights[snapshot.index] = snapshot.light;
        emit lightRestored(snapshot.index);
        break;
    case EntityPart::Position:
        std::copy(snapshot.position, snapshot.position + 3, m_modelPosition);
        break;
    }
}

void CVantorDoc::refreshEmitterNames() {
    m_emitterNames.clear();
    EmitterData e{};
    for (int i = 0; i <= m_lastEmitter; ++i) {
        objSetEmitterPtr(i);
        objGetEmitter(&e);
        m_emitterNames << QString::fromLocal8Bit(e.name);
    }
    if (m_currentEmitter >= 0) objSetEmitterPtr(m_currentEmitter);
}

bool CVantorDoc::removeEmitterAt(int index, EmitterData* record) {
    makeCurrent();
    if (!objSetEmitterPtr(index)) return false;
    objGetEmitter(record);
    if (objRemoveEmitter() < 0) return false;
    m_lastEmitter -= 1;
    // The emitter after the removed one takes its place, or the one before it.
    m_currentEmitter = std::min(index, m_lastEmitter);
    refreshEmitterNames();
    if (m_currentEmitter >= 0)
        chooseEmitter(m_currentEmitter);
    else
        objInitEmitter(&m_emitter);
    emit emittersChanged();
    return true;
}

void CVantorDoc::insertEmitterAt(const EmitterData& record, int index) {
    makeCurrent();
    EmitterData e = record;
    e.textureId = vantor::idOf(e.imageName, e.textureId);
    if (objInsertEmitter(&e, index) == 0) {
        message(dialogParent(), QString::fromLocal8Bit(objGetLastError()));
        return;
    }
    m_lastEmitter += 1;
    m_currentEmitter = index;
    refreshEmitterNames();
    chooseEmitter(index);
    emit emittersChanged();
}

void CVantorDoc::removeImage(const TextureInfo& info) {
    makeCurrent();
    objDelTexture(info.name);
    // The image dialog refuses to add the image its working record holds
    // again; once that image is gone, the record must not stand in the way.
    if (std::strcmp(m_texture.name, info.name) == 0 && std::strcmp(m_texture.path, info.path) == 0) {
        m_texture.path[0] = '\0';
    }
    emit imageRemoved(QString::fromLocal8Bit(info.name));
}

void CVantorDoc::restoreImage(const TextureInfo& info) {
    makeCurrent();
    TextureInfo t = info;
    if (!objAddTexture(&t)) {
        message(dialogParent(), QString::fromLocal8Bit(objGetLastError()));
        return;
    }
    emit imagesRestored();
}

#include "vantor_doc.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "controls.h"
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
QWidget* dialogParent() { return g_pView ? g_pView->window() : nullptr; }
}  // namespace

void CVantorDoc::setOpenHook(std::function<QString()> hook) { openHook() = std::move(hook); }
void CVantorDoc::setSaveHook(std::function<QString()> hook) { saveHook() = std::move(hook); }

CVantorDoc::CVantorDoc(QObject* parent) : QObject(parent) { g_pDoc = this; }

void CVantorDoc::makeCurrent() {
    if (g_pView) g_pView->makeCurrent();
}

void CVantorDoc::onFileNew() {
    makeCurrent();
    objNew();
    m_modelPosition[0] = m_modelPosition[1] = m_modelPosition[2] = 0;
    for (int i = 0; i < 6; ++i) objGetLight(&m_lights[i], i);
    m_lastEmitter = -1;
    m_currentEmitter = -1;
    objInitEmitter(&m_emitter);
    emit cleared();
}

// The file chosen in an open dialog (or by the tests' hook), its folder made
// the working directory; empty when cancelled.
static QString chooseFileToOpen(const QString& caption, const QString& filter) {
    QString path;
    if (openHook()) {
        path = openHook()();
    } else {
        RedrawPause pause;
        path = QFileDialog::getOpenFileName(dialogParent(), caption, QString(), filter);
    }
    if (!path.isEmpty()) CVantorDoc::enterFolderOf(path);
    return path;
}

void CVantorDoc::onFileOpen() {
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
    const QString all = QString::fromStdString(korvid::import::supportedPatterns());
    const QString path = chooseFileToOpen(
        QStringLiteral("Import Model"),
        QStringLiteral("All supported (%1);;Wavefront OBJ (*.obj);;STL (*.stl);;PLY (*.ply);;glTF (*.gltf *.glb);;"
                       "FBX (*.fbx);;Collada (*.dae);;All files (*)")
            .arg(all));
    if (!path.isEmpty()) importFile(path);
}

bool CVantorDoc::load(const QString& path, bool import) {
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
    m_pathName = info.absoluteFilePath();
    m_fileTitle = info.completeBaseName();
    m_extension = info.suffix();
    m_title = m_fileTitle;

    const QByteArray file = m_pathName.toLocal8Bit();
    bool loaded;
    QString failure, note;
    const bool zob = !import && m_extension.compare(QLatin1String("zob"), Qt::CaseInsensitive) == 0;
    if (import) {
        const korvid::import::ImportResult result = korvid::import::importMesh(file.toStdString());
        loaded = result.ok;
        failure = QString::fromStdString(result.error);
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
        message(dialogParent(), import ? failure : QString::fromLocal8Bit(objGetLastError()));
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
    return true;
}

void CVantorDoc::onFileSave() {
    QString path;
    if (saveHook()) {
        path = saveHook()();
    } else {
        RedrawPause pause;
        QFileDialog dialog(dialogParent(), QString(), QString(), QStringLiteral("ZOB Model (*.zob)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("zob"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        path = dialog.selectedFiles().first();
    }
    if (path.isEmpty()) return;
    // A name typed without an extension gets the default one.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".zob");
    enterFolderOf(path);
    saveFile(path);
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
    return true;
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

void CVantorDoc::writeSurface() {
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

bool CVantorDoc::writeEmitter() {
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
    return true;
}

bool CVantorDoc::removeEmitter() {
    if (m_currentEmitter < 0) return false;
    makeCurrent();
    if (!objSetEmitterPtr(m_currentEmitter) || objRemoveEmitter() < 0) return false;
    m_lastEmitter -= 1;
    // The emitter after the removed one takes its place, or the one before it.
    if (m_currentEmitter > m_lastEmitter) m_currentEmitter = m_lastEmitter;
    if (m_currentEmitter < 0) objInitEmitter(&m_emitter);
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

void CVantorDoc::writeBurst() {
    makeCurrent();
    objSetBurst(&m_burst);
}

void CVantorDoc::reloadBurst() {
    makeCurrent();
    objGetBurst(&m_burst);
}

// ---- Lights and the model -------------------------------------------------------

void CVantorDoc::switchLight(int index, bool on) {
    m_lights[index].on = on;
    makeCurrent();
    objActivateLight(on, index);
}

void CVantorDoc::writeLight(int index) {
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
    makeCurrent();
    objGeoScale(factors);
}

void CVantorDoc::translateGeometry(const float offset[3]) {
    makeCurrent();
    objGeoTranslate(offset);
}

void CVantorDoc::rotateGeometry(const float radians[3]) {
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
    emit imageAdded(QString::fromLocal8Bit(m_texture.name));
    return true;
}

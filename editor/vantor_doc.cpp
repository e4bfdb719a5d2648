#include "vantor_doc.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSignalBlocker>

#include "controls.h"
#include "mesh_import.h"
#include "image_dlg.h"
#include "object_page.h"
#include "particle_burst_dialog.h"
#include "particles_page.h"
#include "surface_page.h"
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

void CVantorDoc::onFileNew() {
    CVantorView& v = *g_pView;
    v.makeCurrent();
    objNew();
    g_pObjectPage->objectList()->clear();
    g_pObjectPage->objectList()->setEnabled(false);
    {
        const QSignalBlocker a(g_pSurfacePage->surfaceList());
        const QSignalBlocker b(g_pSurfacePage->imageList());
        g_pSurfacePage->surfaceList()->setEnabled(false);
        g_pSurfacePage->surfaceList()->clear();
        g_pSurfacePage->imageList()->clear();
        // "NONE" stays offered: without it no texture could be taken off again.
        g_pSurfacePage->imageList()->addItem(QStringLiteral("NONE"));
        g_pSurfacePage->imageList()->setEditText(QStringLiteral("NONE"));
    }
    g_pSurfacePage->enableSurfaceControls(false);
    g_pSurfacePage->enableTextureControls(false);
    g_pSurfacePage->imageDialog()->empty();
    v.m_modelPosition[0] = v.m_modelPosition[1] = v.m_modelPosition[2] = 0;
    for (int i = 0; i < 6; ++i) objGetLight(&v.m_lights[i], i);
    g_pObjectPage->showLights();
    v.m_lastEmitter = -1;
    v.m_currentEmitter = -1;
    objInitEmitter(&v.m_emitter);
    {
        const QSignalBlocker a(g_pParticlesPage->emitterList());
        const QSignalBlocker b(g_pParticlesPage->imageList());
        g_pParticlesPage->emitterList()->clear();
        g_pParticlesPage->imageList()->clear();
        g_pParticlesPage->imageList()->addItem(QStringLiteral("NONE"));
        g_pParticlesPage->emitterList()->setEditText(QStringLiteral("<ADD>"));
    }
    g_pParticlesPage->refreshFromEmitter();
    g_pParticlesPage->enableControls(false);
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
    CVantorView& v = *g_pView;
    g_pSurfacePage->surfaceList()->setEnabled(true);
    g_pObjectPage->objectList()->setEnabled(true);
    v.makeCurrent();
    objSelectSurface(v.m_currentSurface, 0);

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

    QComboBox* objects = g_pObjectPage->objectList();
    objects->addItem(m_fileTitle);
    objects->model()->sort(0);
    objects->setCurrentIndex(0);

    v.m_modelCount += 1;
    v.makeCurrent();
    objSetCurrentModel(v.m_modelCount - 1);
    objGetModelData(&v.m_modelInfo);
    if (zob) g_pSurfacePage->imageDialog()->listLibrary();

    {
        QComboBox* surfaces = g_pSurfacePage->surfaceList();
        const QSignalBlocker block(surfaces);
        surfaces->clear();
        for (int i = 0; i < v.m_modelInfo.surfaceCount; ++i) {
            objGetSurfaceData(&v.m_surface, i);
            surfaces->addItem(QString::fromLocal8Bit(v.m_surface.name));
        }
        surfaces->setCurrentIndex(-1);
    }
    const ModelInfo& m = v.m_modelInfo;
    g_pObjectPage->m_polygons = m.polygonCount;
    g_pObjectPage->m_surfaceCount = m.surfaceCount;
    g_pObjectPage->m_height = m.maxY - m.minY;
    g_pObjectPage->m_width = m.maxX - m.minX;
    g_pObjectPage->m_depth = m.maxZ - m.minZ;

    QComboBox* emitters = g_pParticlesPage->emitterList();
    {
        const QSignalBlocker block(emitters);
        emitters->clear();
        for (int i = 0; i < m.emitterCount; ++i) {
            objSetEmitterPtr(i);
            objGetEmitter(&v.m_emitter);
            emitters->addItem(QString::fromLocal8Bit(v.m_emitter.name));
        }
    }
    v.m_lastEmitter = m.emitterCount - 1;
    if (m.emitterCount >= 1) {
        v.m_currentEmitter = 0;
        objSetEmitterPtr(0);
        objGetEmitter(&v.m_emitter);
        {
            const QSignalBlocker block(emitters);
            emitters->setCurrentIndex(0);
        }
        g_pParticlesPage->enableControls(true);
        g_pParticlesPage->refreshFromEmitter();
        objGetBurst(&v.m_burst);
        g_pParticlesPage->burstDialog()->refreshFromBurst();
    } else {
        g_pParticlesPage->enableListOnly();
    }
    g_pObjectPage->redisplay();
    // No surface of the new model is chosen yet: the page must not go on
    // editing a surface of the model shown before.
    g_pSurfacePage->clearSurface();
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
    g_pView->makeCurrent();
    const QByteArray file = path.toLocal8Bit();
    if (!objSaveZOB(file.constData())) {
        message(dialogParent(), QString::fromLocal8Bit(objGetLastError()));
        return false;
    }
    return true;
}

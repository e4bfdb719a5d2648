// The document's file, its models, its history and the writing of parts for
// undo and redo. The intents on surfaces, lights and geometry are in
// entity_edits.cpp, those on emitters in emitter_edits.cpp.
#include "document/vantor_doc.h"

#include <QDir>
#include <QFileInfo>

using namespace vantor;

CVantorDoc::CVantorDoc(QObject* parent) : QObject(parent) {
    connect(&m_history, &History::modifiedChanged, this, [this](bool modified) {
        if (modified == m_shownModified) return;
        m_shownModified = modified;
        emit titleChanged(modified ? m_title + QLatin1Char('*') : m_title);
    });
}

CVantorDoc::~CVantorDoc() = default;

void CVantorDoc::clear() {
    m_scene.reset();
    m_modelPosition[0] = m_modelPosition[1] = m_modelPosition[2] = 0;
    for (int i = 0; i < 6; ++i) m_lights[i] = m_scene.light(i);
    m_emitterNames.clear();
    m_selection.setEmitter(-1);
    m_emitter = KorvidScene::defaultEmitter();
    m_extras = EmitterExtras();
    m_models.clear();
    m_selection.setModel(-1);
    emit cleared();
    emit modelsChanged();
    startHistory();
    setFile({});
    refreshTitle();
}

void CVantorDoc::enterFolderOf(const QString& path) {
    // As the file dialogs of the original platform did: the next dialog opens
    // in the folder of the file last chosen, and images converted for the
    // entity are written there. Image paths in the files themselves are
    // resolved against the file's own folder, which the scene is given.
    QDir::setCurrent(QFileInfo(path).absolutePath());
}

Refusal CVantorDoc::openFile(const QString& path, QString* note) {
    const QString extension = QFileInfo(path).suffix();
    const bool zob = extension.compare(QLatin1String("zob"), Qt::CaseInsensitive) == 0;
    const bool raw = extension.compare(QLatin1String("raw"), Qt::CaseInsensitive) == 0;
    emit opening();
    highlightSurface(KORVID_SELECT_NONE);
    if (!zob && !raw) return Refusal::because(Refusal::WrongExtension, QStringLiteral("File Extension error"));
    if (note) note->clear();
    // A file that fails to load leaves the document's name and title as they were.
    const QString file = QFileInfo(path).absoluteFilePath();
    // Image paths in the file are taken from its folder.
    if (zob) m_scene.setImageFolder(QFileInfo(file).absolutePath());
    const Refusal refusal = zob ? m_scene.loadZob(file) : m_scene.loadRaw(file);
    if (!refusal) setFile(path);
    return finishLoad(refusal, zob, false);
}

Refusal CVantorDoc::loadMesh(const QString& path) {
    emit opening();
    highlightSurface(KORVID_SELECT_NONE);
    const Refusal refusal = m_scene.loadMesh(path);
    // A file the library leaves to the importer changes nothing here.
    if (refusal.code == KORVID_FAILURE_MESH_FORMAT) return refusal;
    if (!refusal) setFile(path);
    return finishLoad(refusal, false, true);
}

Refusal CVantorDoc::addImportedMesh(const QString& path, const korvid::import::MeshRead& read, QString* note) {
    emit opening();
    highlightSurface(KORVID_SELECT_NONE);
    const Refusal refusal = m_scene.addMesh(read, note);
    if (!refusal) setFile(path);
    return finishLoad(refusal, false, true);
}

Refusal CVantorDoc::finishLoad(const Refusal& refusal, bool zob, bool import) {
    if (refusal) {
        // A damaged file may leave part of a model behind, drawn: it is listed too.
        syncModels({});
        if (editedModel() >= 0) m_scene.setEditedModel(editedModel());
        return refusal;
    }
    emit titleChanged(m_title);
    if (!import) emit fileOpened(m_pathName);

    m_modelCount += 1;
    syncModels(m_pathName);
    m_selection.setModel(m_scene.modelCount() - 1);
    m_scene.setEditedModel(editedModel());
    readEditedModel();
    emit opened(zob);
    startHistory();
    emit modelsChanged();
    emit modelLoaded();
    return {};
}

void CVantorDoc::readEditedModel() {
    m_modelInfo = m_scene.modelInfo();
    m_surfaceNames = m_scene.surfaceNames();
    if (!m_surfaceNames.isEmpty()) m_surface = m_scene.surface(m_modelInfo.surfaceCount - 1);
    m_emitterNames = m_scene.emitterNames();
    const int first = m_emitterNames.isEmpty() ? -1 : 0;
    m_scene.showEmitter(first);
    readEmitter(first);
    m_selection.setEmitter(first);
}

void CVantorDoc::syncModels(const QString& pathOfNew) {
    const int count = m_scene.modelCount();
    while (m_models.size() > count) m_models.removeLast();
    while (m_models.size() < count) {
        const bool isNew = m_models.size() == count - 1 && !pathOfNew.isEmpty();
        const QString path = isNew ? pathOfNew : QString();
        const QString name = isNew ? QFileInfo(path).completeBaseName()
                                   : QStringLiteral("Model %1 (incomplete)").arg(m_models.size() + 1);
        m_models.append({name, path});
    }
}

QStringList CVantorDoc::modelNames() const {
    QStringList names;
    for (int i = 0; i < m_models.size(); ++i) {
        int same = 1;
        for (int j = 0; j < i; ++j) same += m_models[j].name == m_models[i].name;
        names << (same == 1 ? m_models[i].name : QStringLiteral("%1 (%2)").arg(m_models[i].name).arg(same));
    }
    return names;
}

bool CVantorDoc::chooseModel(int index) {
    if (index < 0 || index >= m_models.size()) return false;
    highlightSurface(KORVID_SELECT_NONE);
    if (!m_scene.setEditedModel(index)) return false;
    m_selection.setModel(index);
    m_selection.setSurface(0);
    setFile(m_models[index].path);
    readEditedModel();
    emit opened(true);
    startHistory();
    refreshTitle();
    emit modelsChanged();
    return true;
}

bool CVantorDoc::closeModel(int index) {
    if (index < 0 || index >= m_models.size()) return false;
    if (m_models.size() == 1) {
        clear();
        return true;
    }
    highlightSurface(KORVID_SELECT_NONE);
    if (!m_scene.removeModel(index)) return false;
    m_models.removeAt(index);
    m_modelCount = std::max(0, m_modelCount - 1);
    if (index == editedModel()) {
        // The model after it (or the last) is edited now.
        m_selection.setModel(-1);
        return chooseModel(std::min(index, int(m_models.size()) - 1));
    }
    if (index < editedModel()) m_selection.setModel(editedModel() - 1);
    startHistory();
    emit modelsChanged();
    return true;
}

void CVantorDoc::renameModel(int index, const QString& name) {
    if (index < 0 || index >= m_models.size() || name.trimmed().isEmpty()) return;
    m_models[index].name = name.trimmed();
    emit modelsChanged();
}

bool CVantorDoc::setShown(int model, int emitter, bool show) {
    if (!m_scene.setShown(model, emitter, show)) return false;
    emit modelsChanged();
    return true;
}

Refusal CVantorDoc::saveFile(const QString& path) {
    if (path.right(3).compare(QLatin1String("zob"), Qt::CaseInsensitive) != 0)
        return Refusal::because(Refusal::WrongExtension, QStringLiteral("File Extension error"));
    // Image paths are written relative to the file's folder; a folder that is
    // not there leaves the save to report it.
    m_scene.setImageFolder(QFileInfo(path).absolutePath());
    if (const Refusal refusal = m_scene.saveZob(path)) return refusal;
    setFile(path);
    if (editedModel() >= 0 && editedModel() < m_models.size()) m_models[editedModel()].path = m_pathName;
    m_history.markClean();
    refreshTitle();
    return {};
}

QString CVantorDoc::ownZobFile() const {
    if (m_pathName.isEmpty() || QFileInfo(m_pathName).suffix().compare(QLatin1String("zob"), Qt::CaseInsensitive) != 0)
        return {};
    return m_pathName;
}

void CVantorDoc::setFile(const QString& path) {
    if (path.isEmpty()) {
        m_pathName.clear();
        m_fileTitle.clear();
        m_title = QStringLiteral("Untitled");
        return;
    }
    const QFileInfo info(path);
    m_pathName = info.absoluteFilePath();
    m_fileTitle = info.completeBaseName();
    m_title = m_fileTitle;
}

void CVantorDoc::refreshTitle() {
    m_shownModified = isModified();
    emit titleChanged(m_shownModified ? m_title + QLatin1Char('*') : m_title);
}

void CVantorDoc::startHistory() { m_history.clear(); }

void CVantorDoc::discardChanges() {
    if (!isModified()) return;
    if (!m_history.backToClean() && editedModel() >= 0 && !m_pathName.isEmpty()) {
        // The history has let go of the way back: the model is read again
        // from its file, and only once that worked does the changed one go.
        const QString path = m_pathName;
        const int old = editedModel();
        const QString name = m_models.value(old).name;
        const QString suffix = QFileInfo(path).suffix().toLower();
        if ((suffix == QLatin1String("zob") || suffix == QLatin1String("raw")) && !openFile(path)) {
            if (m_scene.removeModel(old)) {
                m_models.removeAt(old);
                m_modelCount = std::max(0, m_modelCount - 1);
                m_selection.setModel(-1);
                chooseModel(int(m_models.size()) - 1);
            }
            renameModel(int(m_models.size()) - 1, name);
        }
    }
    startHistory();
    refreshTitle();
}

// ---- Commands and what they announce ---------------------------------------------------

void CVantorDoc::announce(EntityPart kind, int index, int field, bool restored) {
    emit changed(DocumentChange{kind, index, field, restored});
}

Refusal CVantorDoc::push(DocumentCommand* command) {
    // The push may merge the command into the last one or drop it: what its
    // first redo answered is kept here (firstRedoAnswered) instead.
    m_pushRefusal = Refusal();
    m_history.push(command);
    return m_pushRefusal;
}

Refusal CVantorDoc::record(const QString& name, EntitySnapshot before, EntitySnapshot after, Intent intent,
                           int field) {
    return push(new RecordCommand(*this, name, std::move(before), std::move(after), intent, field,
                                  m_history.generation()));
}

void CVantorDoc::beginGesture(const QString& name, EntityPart part, int index) {
    if (part == EntityPart::Emitter && index < 0) index = currentEmitter();
    m_gesture = !(part == EntityPart::Emitter && index < 0);
    if (!m_gesture) return;
    m_gestureName = name;
    m_gestureStart = capture(part, index);
}

void CVantorDoc::endGesture() {
    if (!m_gesture) return;
    m_gesture = false;
    EntitySnapshot end = capture(m_gestureStart.part, m_gestureStart.index);
    record(m_gestureName, std::move(m_gestureStart), std::move(end));
    m_gestureStart = EntitySnapshot();
}

Refusal CVantorDoc::put(const EntitySnapshot& snapshot, int field, bool restored) {
    const Refusal refusal = m_scene.apply(snapshot);
    switch (snapshot.part) {
    case EntityPart::Surface:
    case EntityPart::SurfaceShape:
        if (snapshot.index >= 0 && snapshot.index < m_surfaceNames.size())
            m_surfaceNames[snapshot.index] = QString::fromLocal8Bit(snapshot.surface.name);
        if (snapshot.index == currentSurface()) m_surface = m_scene.surface(snapshot.index);
        announce(EntityPart::Surface, snapshot.index, field, restored);
        break;
    case EntityPart::Geometry:
        refreshModelInfo();
        announce(EntityPart::Geometry, -1, field, restored);
        break;
    case EntityPart::Emitter:
    case EntityPart::Extras:
    case EntityPart::Burst:
        if (refusal && refusal.code != KORVID_FAILURE_PARTICLE_LIMIT) {
            // A refused record leaves the values typed in the working copy,
            // which the page shows; refused curves and shapes change nothing.
            if (snapshot.part == EntityPart::Emitter && !restored)
                announce(EntityPart::Emitter, snapshot.index, field, restored);
            break;
        }
        if (snapshot.part == EntityPart::Emitter) refreshEmitterNames();
        // The user's own edit keeps the record and burst as typed (the
        // library ignores a pool below the batch size silently); undo and
        // redo show the emitter as the library holds it.
        if (restored) chooseEmitter(snapshot.index);
        else if (refusal) m_emitter = m_scene.emitter(snapshot.index);
        else if (snapshot.part == EntityPart::Extras) m_extras = m_scene.extras(snapshot.index);
        announce(snapshot.part == EntityPart::Burst ? EntityPart::Burst : EntityPart::Emitter, snapshot.index, field,
                 restored);
        break;
    case EntityPart::Light:
        m_lights[snapshot.index] = snapshot.light;
        announce(EntityPart::Light, snapshot.index, field, restored);
        break;
    case EntityPart::Position:
        std::copy(snapshot.position, snapshot.position + 3, m_modelPosition);
        announce(EntityPart::Position, -1, field, restored);
        break;
    case EntityPart::EmitterList:
    case EntityPart::Images:
        break;
    }
    return refusal;
}

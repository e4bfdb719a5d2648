#include "document/vantor_doc.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

#include "widgets/controls.h"
#include "document/document_commands.h"

using namespace vantor;

CVantorDoc::CVantorDoc(QObject* parent) : QObject(parent) {
    m_stack.setUndoLimit(1000);
    connect(&m_stack, &QUndoStack::indexChanged, this, &CVantorDoc::historyMoved);
    connect(&m_stack, &QUndoStack::cleanChanged, this, &CVantorDoc::showModified);
}

CVantorDoc::~CVantorDoc() = default;

void CVantorDoc::makeCurrent() {
    if (m_gl) m_gl->makeCurrent();
}

void CVantorDoc::clear() {
    makeCurrent();
    objNew();
    m_modelPosition[0] = m_modelPosition[1] = m_modelPosition[2] = 0;
    for (int i = 0; i < 6; ++i) objGetLight(&m_lights[i], i);
    m_lastEmitter = -1;
    m_currentEmitter = -1;
    objInitEmitter(&m_emitter);
    m_extras = vantor::EmitterExtras();
    m_models.clear();
    m_editedModel = -1;
    emit cleared();
    emit modelsChanged();
    startHistory();
    setFile({});
    refreshTitle();
}

void CVantorDoc::enterFolderOf(const QString& path) {
    // As the file dialogs of the original platform did: image paths in saved
    // entities are written relative to the working directory.
    QDir::setCurrent(QFileInfo(path).absolutePath());
}

CVantorDoc::FileResult CVantorDoc::openFile(const QString& path) {
    const QString extension = QFileInfo(path).suffix();
    const bool zob = extension.compare(QLatin1String("zob"), Qt::CaseInsensitive) == 0;
    const bool raw = extension.compare(QLatin1String("raw"), Qt::CaseInsensitive) == 0;
    emit opening();
    makeCurrent();
    objSelectSurface(m_currentSurface, KORVID_SELECT_NONE);
    if (!zob && !raw) return {false, QStringLiteral("File Extension error")};
    // A file that fails to load leaves the document's name and title as they were.
    const QByteArray file = QFileInfo(path).absoluteFilePath().toLocal8Bit();
    const bool loaded = zob ? objLoadZOB(file.constData()) : objLoadRaw(file.constData());
    if (loaded) setFile(path);
    return finishLoad(loaded, zob, false, QString::fromLocal8Bit(objGetLastError()), {});
}

CVantorDoc::FileResult CVantorDoc::addImportedMesh(const QString& path, const korvid::import::MeshRead& read) {
    emit opening();
    makeCurrent();
    objSelectSurface(m_currentSurface, KORVID_SELECT_NONE);
    const korvid::import::ImportResult result = korvid::import::addMesh(read);
    if (result.ok) setFile(path);
    // A cancel is the user's own choice: nothing to tell.
    const bool cancelled = read.code == korvid::import::ImportError::Cancelled;
    return finishLoad(result.ok, false, true, cancelled ? QString() : QString::fromLocal8Bit(result.error.c_str()),
                      QString::fromStdString(result.note));
}

CVantorDoc::FileResult CVantorDoc::finishLoad(bool loaded, bool zob, bool import, const QString& failure,
                                              const QString& note) {
    makeCurrent();
    if (!loaded) {
        // A damaged file may leave part of a model behind, drawn: it is listed too.
        syncModels({});
        if (m_editedModel >= 0) objSetCurrentModel(m_editedModel);
        return {false, failure};
    }
    emit titleChanged(m_title);
    if (!import) emit fileOpened(m_pathName);

    m_modelCount += 1;
    syncModels(m_pathName);
    m_editedModel = objGetModelCount() - 1;
    objSetCurrentModel(m_editedModel);
    readEditedModel();
    emit opened(zob);
    startHistory();
    emit modelsChanged();
    emit modelLoaded();
    return {true, note};
}

void CVantorDoc::readEditedModel() {
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
    m_currentEmitter = -1;
    if (m_modelInfo.emitterCount >= 1) {
        m_currentEmitter = 0;
        objSetEmitterPtr(0);
        objGetEmitter(&m_emitter);
        objGetBurst(&m_burst);
        m_extras = vantor::captureExtras();
    } else {
        objInitEmitter(&m_emitter);
        m_extras = vantor::EmitterExtras();
    }
}

void CVantorDoc::syncModels(const QString& pathOfNew) {
    const int count = objGetModelCount();
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
    makeCurrent();
    objSelectSurface(m_currentSurface, KORVID_SELECT_NONE);
    if (!objSetCurrentModel(index)) return false;
    m_editedModel = index;
    m_currentSurface = 0;
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
    makeCurrent();
    objSelectSurface(m_currentSurface, KORVID_SELECT_NONE);
    if (!objRemoveModel(index)) return false;
    m_models.removeAt(index);
    m_modelCount = std::max(0, m_modelCount - 1);
    if (index == m_editedModel) {
        // The model after it (or the last) is edited now.
        m_editedModel = -1;
        return chooseModel(std::min(index, int(m_models.size()) - 1));
    }
    if (index < m_editedModel) m_editedModel -= 1;
    objSetCurrentModel(m_editedModel);
    if (m_currentEmitter >= 0) objSetEmitterPtr(m_currentEmitter);
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
    makeCurrent();
    if (!objSetVisible(model, emitter, show)) return false;
    emit modelsChanged();
    return true;
}

bool CVantorDoc::shown(int model, int emitter) {
    makeCurrent();
    return objGetVisible(model, emitter) == 1;
}

CVantorDoc::FileResult CVantorDoc::saveFile(const QString& path) {
    if (path.right(3).compare(QLatin1String("zob"), Qt::CaseInsensitive) != 0)
        return {false, QStringLiteral("File Extension error")};
    makeCurrent();
    const QByteArray file = path.toLocal8Bit();
    if (!objSaveZOB(file.constData())) return {false, QString::fromLocal8Bit(objGetLastError())};
    setFile(path);
    if (m_editedModel >= 0 && m_editedModel < m_models.size()) m_models[m_editedModel].path = m_pathName;
    m_stack.setClean();
    refreshTitle();
    return {true, {}};
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

// ---- Surfaces ---------------------------------------------------------------

void CVantorDoc::announce(ChangeKind kind, int index, int field, bool restored) {
    emit changed(DocumentChange{kind, index, field, restored});
}

void CVantorDoc::chooseSurface(int index, int selection) {
    makeCurrent();
    objSelectSurface(m_currentSurface, KORVID_SELECT_NONE);
    objGetSurfaceData(&m_surface, index);
    m_currentSurface = index;
    objSelectSurface(index, selection);
}

void CVantorDoc::highlightSurface(int selection) {
    makeCurrent();
    objSelectSurface(m_currentSurface, selection);
}

void CVantorDoc::editSurface(const SurfaceData& record, const QString& name, int field) {
    beginChange(name, EntityPart::Surface, m_currentSurface, field);
    m_surface = record;
    makeCurrent();
    objSetSurfaceData(&m_surface, m_currentSurface);
    endChange();
    if (m_currentSurface >= 0 && m_currentSurface < m_surfaceNames.size())
        m_surfaceNames[m_currentSurface] = QString::fromLocal8Bit(m_surface.name);
    announce(ChangeKind::Surface, m_currentSurface, field);
}

void CVantorDoc::smoothSurface(const SurfaceData& record, float angle, const QString& name) {
    beginChange(name, EntityPart::SurfaceShape, m_currentSurface);
    makeCurrent();
    // The normals are recomputed while the surface still holds its old angle.
    objSetSmoothSurface(m_currentSurface, angle);
    m_surface = record;
    objSetSurfaceData(&m_surface, m_currentSurface);
    endChange();
    announce(ChangeKind::Surface, m_currentSurface);
}

uint32_t CVantorDoc::textureId(const QString& name) {
    makeCurrent();
    return objGetTextureId(name.toLocal8Bit().constData());
}

// ---- Emitters and bursts ------------------------------------------------------

int CVantorDoc::editEmitter(const EmitterData& record, const QString& name, int field) {
    beginChange(name, EntityPart::Emitter, m_currentEmitter, field);
    m_emitter = record;
    makeCurrent();
    const bool taken = objSetEmitter(&m_emitter) != 0;
    const int failure = taken ? KORVID_FAILURE_NONE : objGetLastFailure();
    endChange();
    // A pool past the particle limit is refused as a whole: the emitter is
    // shown as the library still holds it. Other refusals keep the values
    // typed, which go to the library with the next edit.
    if (failure == KORVID_FAILURE_PARTICLE_LIMIT) objGetEmitter(&m_emitter);
    if (m_emitterNames.value(m_currentEmitter) != QString::fromLocal8Bit(m_emitter.name)) refreshEmitterNames();
    announce(ChangeKind::Emitter, m_currentEmitter, field);
    return failure;
}

bool CVantorDoc::addEmitter(const EmitterData& record) {
    m_emitter = record;
    makeCurrent();
    if (objAddEmitter(&m_emitter) == 0) return false;
    m_lastEmitter += 1;
    m_currentEmitter = m_lastEmitter;
    objSetEmitterPtr(m_currentEmitter);
    EmitterData added{};
    objGetEmitter(&added);
    objGetBurst(&m_burst);
    m_extras = vantor::captureExtras();
    refreshEmitterNames();
    m_stack.push(new EmitterCommand(*this, QStringLiteral("Add Emitter"), m_currentEmitter, true, added));
    announce(ChangeKind::EmitterList, m_currentEmitter);
    return true;
}

bool CVantorDoc::removeEmitter() {
    if (m_currentEmitter < 0) return false;
    const int removed = m_currentEmitter;
    EmitterData record{};
    vantor::EmitterExtras extras;
    if (!removeEmitterAt(removed, &record, &extras)) return false;
    m_stack.push(new EmitterCommand(*this, QStringLiteral("Remove Emitter"), removed, false, record, std::move(extras)));
    return true;
}

void CVantorDoc::chooseEmitter(int index) {
    m_currentEmitter = index;
    makeCurrent();
    objSetEmitterPtr(index);
    objGetEmitter(&m_emitter);
    objGetBurst(&m_burst);
    m_extras = vantor::captureExtras();
}

bool CVantorDoc::editCurve(int which, const std::vector<CurveKey>& keys, int field, QString* refusal) {
    if (m_currentEmitter < 0 || (which != KORVID_CURVE_COLOUR && which != KORVID_CURVE_SIZE)) return false;
    beginChange(which == KORVID_CURVE_COLOUR ? QStringLiteral("Colour Curve") : QStringLiteral("Size Curve"),
                EntityPart::Extras, m_currentEmitter, field);
    makeCurrent();
    const bool taken = objSetEmitterCurve(which, keys.data(), static_cast<int32_t>(keys.size()));
    if (!taken && refusal) *refusal = QString::fromLocal8Bit(objGetLastError());
    m_extras = vantor::captureExtras();
    endChange();
    announce(ChangeKind::Emitter, m_currentEmitter, field);
    return taken;
}

bool CVantorDoc::editShape(const EmitterShape& shape, int field, QString* refusal) {
    if (m_currentEmitter < 0) return false;
    beginChange(QStringLiteral("Emitter Shape"), EntityPart::Extras, m_currentEmitter, field);
    makeCurrent();
    const bool taken = objSetEmitterShape(&shape);
    if (!taken && refusal) *refusal = QString::fromLocal8Bit(objGetLastError());
    m_extras = vantor::captureExtras();
    endChange();
    announce(ChangeKind::Emitter, m_currentEmitter, field);
    return taken;
}

void CVantorDoc::moveEmitter(const float position[3]) {
    std::copy(position, position + 3, m_emitter.position);
    makeCurrent();
    objSetPosEmitter(m_emitter.position);
    announce(ChangeKind::Emitter, m_currentEmitter);
}

void CVantorDoc::editBurst(const BurstData& record, const QString& name, int field) {
    beginChange(name, EntityPart::Burst, m_currentEmitter, field);
    m_burst = record;
    makeCurrent();
    objSetBurst(&m_burst);
    endChange();
    announce(ChangeKind::Burst, m_currentEmitter, field);
}

bool CVantorDoc::duplicateEmitter() {
    if (m_currentEmitter < 0) return false;
    makeCurrent();
    EmitterData copy{};
    objSetEmitterPtr(m_currentEmitter);
    objGetEmitter(&copy);
    const vantor::EmitterExtras extras = vantor::captureExtras();
    const QByteArray name = QByteArray(copy.name) + " copy";
    objMakeName(name.constData(), copy.name, sizeof copy.name);
    const int index = m_currentEmitter + 1;
    const int before = m_lastEmitter;
    insertEmitterAt(copy, index, extras);
    if (m_lastEmitter == before) return false;  // refused, and said so
    objGetEmitter(&copy);
    m_stack.push(new EmitterCommand(*this, QStringLiteral("Duplicate Emitter"), index, true, copy, extras));
    return true;
}

QString CVantorDoc::emitterText() {
    if (m_currentEmitter < 0) return {};
    makeCurrent();
    objSetEmitterPtr(m_currentEmitter);
    const int32_t length = objCopyEmitter(nullptr, 0);
    if (length < 0) return {};
    QByteArray text(length + 1, '\0');
    objCopyEmitter(text.data(), length + 1);
    text.chop(1);
    return QString::fromUtf8(text);
}

CVantorDoc::FileResult CVantorDoc::pasteEmitter(const QString& text) {
    FileResult result;
    makeCurrent();
    if (objGetModelCount() == 0) return result;
    const int index = m_currentEmitter + 1 > 0 ? m_currentEmitter + 1 : m_lastEmitter + 1;
    const QByteArray bytes = text.toUtf8();
    if (objPasteEmitter(bytes.constData(), index) == 0) {
        result.message = QString::fromLocal8Bit(objGetLastError());
        return result;
    }
    objSetEmitterPtr(index);
    EmitterData pasted{};
    objGetEmitter(&pasted);
    // An image this document lacks is no image at all, and the user is told.
    if (pasted.imageName[0] && std::strcmp(pasted.imageName, "NONE") != 0 && pasted.textureId == 0) {
        result.message = QStringLiteral("The image \"%1\" is not in this document: the pasted emitter has no image (NONE).")
                             .arg(QString::fromLocal8Bit(pasted.imageName));
        pasted.imageName[0] = '\0';
        objSetEmitter(&pasted);
    }
    const vantor::EmitterExtras extras = vantor::captureExtras();
    m_lastEmitter += 1;
    m_currentEmitter = index;
    refreshEmitterNames();
    chooseEmitter(index);
    m_stack.push(new EmitterCommand(*this, QStringLiteral("Paste Emitter"), index, true, pasted, extras));
    announce(ChangeKind::EmitterList, m_currentEmitter);
    result.ok = true;
    return result;
}

void CVantorDoc::sealLastChange() {
    if (m_stack.index() <= 0) return;
    // The stack gives its commands as const; the last one is the document's own.
    auto* last = dynamic_cast<RecordCommand*>(const_cast<QUndoCommand*>(m_stack.command(m_stack.index() - 1)));
    if (last) last->seal();
}

void CVantorDoc::reloadBurst() {
    makeCurrent();
    objGetBurst(&m_burst);
}

// ---- Lights and the model -------------------------------------------------------

void CVantorDoc::readLights() {
    makeCurrent();
    for (int i = 0; i < 6; ++i) objGetLight(&m_lights[i], i);
    for (int i = 0; i < 6; ++i) announce(ChangeKind::Light, i);
}

void CVantorDoc::switchLight(int index, bool on) {
    beginChange(QStringLiteral("Switch Light %1").arg(index + 1), EntityPart::Light, index);
    m_lights[index].on = on;
    makeCurrent();
    objActivateLight(on, index);
    endChange();
    announce(ChangeKind::Light, index);
}

void CVantorDoc::editLight(int index, const LightData& record) {
    beginChange(QStringLiteral("Edit Light %1").arg(index + 1), EntityPart::Light, index);
    m_lights[index] = record;
    makeCurrent();
    objSetLight(&m_lights[index], index);
    endChange();
    announce(ChangeKind::Light, index);
}

void CVantorDoc::moveLight(int index, const float position[3]) {
    std::copy(position, position + 3, m_lights[index].position);
    makeCurrent();
    objMoveLight(m_lights[index].position, index);
}

void CVantorDoc::moveModel(const float position[3]) {
    std::copy(position, position + 3, m_modelPosition);
    makeCurrent();
    objSetModelPosition(m_modelPosition);
}

void CVantorDoc::scaleGeometry(const float factors[3]) {
    beginChange(QStringLiteral("Scale"), EntityPart::Geometry);
    makeCurrent();
    objGeoScale(factors);
    endChange();
    refreshModelInfo();
    announce(ChangeKind::Geometry);
}

void CVantorDoc::translateGeometry(const float offset[3]) {
    beginChange(QStringLiteral("Translate"), EntityPart::Geometry);
    makeCurrent();
    objGeoTranslate(offset);
    endChange();
    refreshModelInfo();
    announce(ChangeKind::Geometry);
}

void CVantorDoc::rotateGeometry(const float radians[3]) {
    beginChange(QStringLiteral("Rotate"), EntityPart::Geometry);
    makeCurrent();
    objGeoRotate(radians);
    endChange();
    refreshModelInfo();
    announce(ChangeKind::Geometry);
}

void CVantorDoc::refreshModelInfo() {
    makeCurrent();
    objGetModelData(&m_modelInfo);
}

// ---- Images ---------------------------------------------------------------------

bool CVantorDoc::addImage(TextureInfo& image) {
    makeCurrent();
    if (!objAddTexture(&image)) return false;
    // The record shows the size the library read.
    TextureInfo read{};
    if (objGetTexture(&read, image.name)) {
        image.width = read.width;
        image.height = read.height;
    }
    // Redo reads the bitmap again, from wherever the working directory is then.
    TextureInfo added = image;
    copyText(added.path, sizeof added.path, QFileInfo(QString::fromLocal8Bit(image.path)).absoluteFilePath());
    m_stack.push(new ImageCommand(*this, QStringLiteral("Add Image"), added));
    emit imageAdded(QString::fromLocal8Bit(image.name));
    return true;
}

// ---- Changes, undo and redo -------------------------------------------------------

void CVantorDoc::startHistory() { m_stack.clear(); }

namespace {
const DocumentCommand* commandAt(const QUndoStack& stack, int index) {
    return static_cast<const DocumentCommand*>(stack.command(index));
}
}  // namespace

bool CVantorDoc::isModified() const {
    const int clean = m_stack.cleanIndex();
    if (clean < 0) return true;
    const int index = m_stack.index();
    for (int i = std::min(clean, index); i < std::max(clean, index); ++i)
        if (commandAt(m_stack, i)->changesEntity()) return true;
    return false;
}

void CVantorDoc::discardChanges() {
    if (!isModified()) return;
    const int clean = m_stack.cleanIndex();
    bool reachable = clean >= 0;
    for (int i = std::min(clean, m_stack.index()); reachable && i < std::max(clean, m_stack.index()); ++i)
        reachable = !commandAt(m_stack, i)->trimmed();
    if (reachable) {
        m_stack.setIndex(clean);
    } else if (m_editedModel >= 0 && !m_pathName.isEmpty()) {
        // The history has let go of the way back: the model is read again
        // from its file, and only once that worked does the changed one go.
        const QString path = m_pathName;
        const int old = m_editedModel;
        const QString name = m_models.value(old).name;
        const QString suffix = QFileInfo(path).suffix().toLower();
        if ((suffix == QLatin1String("zob") || suffix == QLatin1String("raw")) && openFile(path).ok) {
            makeCurrent();
            if (objRemoveModel(old)) {
                m_models.removeAt(old);
                m_modelCount = std::max(0, m_modelCount - 1);
                m_editedModel = -1;
                chooseModel(int(m_models.size()) - 1);
            }
            renameModel(int(m_models.size()) - 1, name);
        }
    }
    startHistory();
    refreshTitle();
}

void CVantorDoc::showModified() {
    const bool modified = isModified();
    if (modified == m_shownModified) return;
    m_shownModified = modified;
    emit titleChanged(modified ? m_title + QLatin1Char('*') : m_title);
}

size_t CVantorDoc::historyBytes() const {
    size_t total = 0;
    for (int i = 0; i < m_stack.count(); ++i) total += commandAt(m_stack, i)->bytes();
    return total;
}

void CVantorDoc::setHistoryBudget(size_t bytes) {
    m_historyBudget = bytes;
    historyMoved();
}

void CVantorDoc::historyMoved() {
    if (m_trimming) return;
    m_trimming = true;
    // Past the memory bound the oldest commands let go of their snapshots
    // (the newest one always stays whole) ...
    size_t total = historyBytes();
    for (int i = 0; i + 1 < m_stack.count() && total > m_historyBudget; ++i) {
        auto* command = const_cast<DocumentCommand*>(commandAt(m_stack, i));
        if (command->trimmed()) continue;
        total -= command->bytes();
        command->trim();
    }
    // ... and once undo reaches them they leave the stack, changing nothing.
    while (m_stack.index() > 0 && commandAt(m_stack, m_stack.index() - 1)->trimmed()) m_stack.undo();
    m_trimming = false;
    showModified();
}

void CVantorDoc::beginChange(const QString& name, vantor::EntityPart part, int index, int field) {
    using vantor::EntityPart;
    if (m_changeDepth++ > 0) return;
    const bool surface = part == EntityPart::Surface || part == EntityPart::SurfaceShape;
    const bool emitter = part == EntityPart::Emitter || part == EntityPart::Burst || part == EntityPart::Extras;
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
    m_stack.push(new RecordCommand(*this, m_changeName, std::move(m_before), m_changeField));
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
        if (snapshot.index >= 0 && snapshot.index < m_surfaceNames.size())
            m_surfaceNames[snapshot.index] = QString::fromLocal8Bit(snapshot.surface.name);
        announce(ChangeKind::Surface, snapshot.index, -1, true);
        break;
    case EntityPart::Geometry:
        refreshModelInfo();
        announce(ChangeKind::Geometry, -1, -1, true);
        break;
    case EntityPart::Emitter:
    case EntityPart::Extras:
    case EntityPart::Burst:
        if (snapshot.part == EntityPart::Emitter) refreshEmitterNames();
        chooseEmitter(snapshot.index);
        announce(snapshot.part == EntityPart::Burst ? ChangeKind::Burst : ChangeKind::Emitter, snapshot.index, -1,
                 true);
        break;
    case EntityPart::Light:
        m_lights[snapshot.index] = snapshot.light;
        announce(ChangeKind::Light, snapshot.index, -1, true);
        break;
    case EntityPart::Position:
        std::copy(snapshot.position, snapshot.position + 3, m_modelPosition);
        announce(ChangeKind::ModelPosition, -1, -1, true);
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

bool CVantorDoc::removeEmitterAt(int index, EmitterData* record, vantor::EmitterExtras* extras) {
    makeCurrent();
    if (!objSetEmitterPtr(index)) return false;
    objGetEmitter(record);
    *extras = vantor::captureExtras();
    if (objRemoveEmitter() < 0) return false;
    m_lastEmitter -= 1;
    // The emitter after the removed one takes its place, or the one before it.
    m_currentEmitter = std::min(index, m_lastEmitter);
    refreshEmitterNames();
    if (m_currentEmitter >= 0) {
        chooseEmitter(m_currentEmitter);
    } else {
        objInitEmitter(&m_emitter);
        m_extras = vantor::EmitterExtras();
    }
    announce(ChangeKind::EmitterList, m_currentEmitter);
    return true;
}

void CVantorDoc::insertEmitterAt(const EmitterData& record, int index, const vantor::EmitterExtras& extras) {
    makeCurrent();
    EmitterData e = record;
    e.textureId = vantor::idOf(e.imageName, e.textureId);
    if (objInsertEmitter(&e, index) == 0) {
        emit refused(QString::fromLocal8Bit(objGetLastError()));
        return;
    }
    objSetEmitterPtr(index);
    applyExtras(extras);
    m_lastEmitter += 1;
    m_currentEmitter = index;
    refreshEmitterNames();
    chooseEmitter(index);
    announce(ChangeKind::EmitterList, m_currentEmitter);
}

void CVantorDoc::removeImage(const TextureInfo& info) {
    makeCurrent();
    objDelTexture(info.name);
    emit imageRemoved(QString::fromLocal8Bit(info.name));
    announce(ChangeKind::Images, -1, -1, true);
}

void CVantorDoc::restoreImage(const TextureInfo& info) {
    makeCurrent();
    TextureInfo t = info;
    if (!objAddTexture(&t)) {
        emit refused(QString::fromLocal8Bit(objGetLastError()));
        return;
    }
    announce(ChangeKind::Images, -1, -1, true);
}

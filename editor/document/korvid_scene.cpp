#include "document/korvid_scene.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

#include "document/scene_cursor.h"
#include "mesh_import.h"

namespace vantor {
using namespace scene_detail;


Refusal KorvidScene::fromLibrary() {
    const int code = objGetLastFailure();
    return Refusal{code == KORVID_FAILURE_NONE ? int(KORVID_FAILURE_INTERNAL) : code,
                   QString::fromLocal8Bit(objGetLastError())};
}

void KorvidScene::makeCurrent() {
    if (m_gl) m_gl->makeCurrent();
}

// ---- The models ----------------------------------------------------------------------

void KorvidScene::reset() {
    makeCurrent();
    objNew();
}

Refusal KorvidScene::setImageFolder(const QString& folder) {
    return objSetImageFolder(folder.toLocal8Bit().constData()) ? Refusal{} : fromLibrary();
}

Refusal KorvidScene::loadZob(const QString& absolutePath) {
    makeCurrent();
    return objLoadZOB(absolutePath.toLocal8Bit().constData()) ? Refusal{} : fromLibrary();
}

Refusal KorvidScene::loadMesh(const QString& absolutePath) {
    // The library reads STL and OBJ itself, straight into the model.
    return objLoadMesh(absolutePath.toLocal8Bit().constData()) ? Refusal{} : fromLibrary();
}

Refusal KorvidScene::loadRaw(const QString& absolutePath) {
    makeCurrent();
    return objLoadRaw(absolutePath.toLocal8Bit().constData()) ? Refusal{} : fromLibrary();
}

Refusal KorvidScene::addMesh(const korvid::import::MeshRead& read, QString* note) {
    makeCurrent();
    const korvid::import::ImportResult result = korvid::import::addMesh(read);
    if (note) *note = QString::fromStdString(result.note);
    if (result.ok) return {};
    // A cancel is the user's own choice: nothing to tell.
    if (read.code == korvid::import::ImportError::Cancelled) return Refusal::because(Refusal::Cancelled);
    return Refusal::because(Refusal::ImportFailed, QString::fromLocal8Bit(result.error.c_str()));
}

Refusal KorvidScene::saveZob(const QString& path) {
    makeCurrent();
    return objSaveZOB(path.toLocal8Bit().constData()) ? Refusal{} : fromLibrary();
}

Refusal KorvidScene::serveLiveLink(const QString& address) {
    makeCurrent();
    return objLiveLinkServe(address.toLocal8Bit().constData()) ? Refusal{} : fromLibrary();
}

QString KorvidScene::liveLinkAddress() {
    makeCurrent();
    const int32_t length = objLiveLinkAddress(nullptr, 0);
    if (length < 0) return {};
    QByteArray text(length + 1, '\0');
    objLiveLinkAddress(text.data(), length + 1);
    return QString::fromLocal8Bit(text.constData(), length);
}

Refusal KorvidScene::publishLiveLink() {
    makeCurrent();
    return objLiveLinkPublish() ? Refusal{} : fromLibrary();
}

int KorvidScene::pollLiveLink() {
    makeCurrent();
    objLiveLinkPoll();
    return objLiveLinkPeers();
}

void KorvidScene::closeLiveLink() {
    makeCurrent();
    objLiveLinkClose();
}

int KorvidScene::modelCount() {
    makeCurrent();
    return objGetModelCount();
}

bool KorvidScene::setEditedModel(int index) {
    makeCurrent();
    return index >= 0 && index < objGetModelCount() && objSetCurrentModel(index);
}

bool KorvidScene::removeModel(int index) {
    makeCurrent();
    const int current = objGetCurrentModel();
    if (!objRemoveModel(index)) return false;
    // The model that was current stays so, wherever it moved to.
    if (current >= 0 && current != index) objSetCurrentModel(current > index ? current - 1 : current);
    return true;
}

ModelInfo KorvidScene::modelInfo(int model) {
    makeCurrent();
    SceneCursor cursor(model);
    ModelInfo info{};
    objGetModelData(&info);
    return info;
}

QStringList KorvidScene::surfaceNames(int model) {
    makeCurrent();
    SceneCursor cursor(model);
    ModelInfo info{};
    objGetModelData(&info);
    QStringList names;
    for (int s = 0; s < info.surfaceCount; ++s) {
        SurfaceData data{};
        objGetSurfaceData(&data, s);
        names << QString::fromLocal8Bit(data.name);
    }
    return names;
}

int KorvidScene::emitterTotal() {
    makeCurrent();
    const SceneCursor cursor;  // puts the current model back once, at the end
    int total = 0;
    const int models = objGetModelCount();
    for (int m = 0; m < models; ++m) {
        if (!objSetCurrentModel(m)) continue;
        ModelInfo info{};
        objGetModelData(&info);
        total += info.emitterCount;
    }
    return total;
}

QStringList KorvidScene::emitterNames(int model) {
    makeCurrent();
    SceneCursor cursor(model);
    ModelInfo info{};
    objGetModelData(&info);
    QStringList names;
    for (int e = 0; e < info.emitterCount && cursor.emitter(e); ++e) {
        EmitterData data{};
        objGetEmitter(&data);
        names << QString::fromLocal8Bit(data.name);
    }
    return names;
}

bool KorvidScene::setShown(int model, int emitter, bool shown) {
    makeCurrent();
    return objSetVisible(model, emitter, shown);
}

bool KorvidScene::shown(int model, int emitter) {
    makeCurrent();
    return objGetVisible(model, emitter) == 1;
}

void KorvidScene::moveModel(const float position[3]) {
    makeCurrent();
    objSetModelPosition(position);
}

Refusal KorvidScene::glError() {
    makeCurrent();
    return objTestGlError() ? fromLibrary() : Refusal{};
}

// ---- Surfaces and geometry -----------------------------------------------------------------

SurfaceData KorvidScene::surface(int index) {
    makeCurrent();
    SurfaceData s{};
    objGetSurfaceData(&s, index);
    return s;
}

void KorvidScene::smoothSurface(int index, float angle) {
    makeCurrent();
    objSetSmoothSurface(index, angle);
}

void KorvidScene::highlightSurface(int index, int selection) {
    makeCurrent();
    objSelectSurface(index, selection);
}

void KorvidScene::scaleGeometry(const float factors[3]) {
    makeCurrent();
    objGeoScale(factors);
}

void KorvidScene::translateGeometry(const float offset[3]) {
    makeCurrent();
    objGeoTranslate(offset);
}

void KorvidScene::rotateGeometry(const float radians[3]) {
    makeCurrent();
    objGeoRotate(radians);
}

// ---- Emitters -----------------------------------------------------------------------------

void KorvidScene::showEmitter(int index) {
    makeCurrent();
    selectEmitter(index);
}

EmitterData KorvidScene::emitter(int index) {
    makeCurrent();
    SceneCursor cursor;
    EmitterData e{};
    if (cursor.emitter(index)) objGetEmitter(&e);
    else objInitEmitter(&e);
    return e;
}

Refusal KorvidScene::setEmitter(int index, const EmitterData& record) {
    makeCurrent();
    SceneCursor cursor;
    if (!cursor.emitter(index)) return Refusal::because(Refusal::NothingToDo);
    EmitterData e = record;
    e.textureId = idOf(e.imageName, e.textureId);
    return objSetEmitter(&e) != 0 ? Refusal{} : fromLibrary();
}

void KorvidScene::moveEmitter(int index, const float position[3]) {
    makeCurrent();
    SceneCursor cursor;
    if (cursor.emitter(index)) objSetPosEmitter(position);
}

BurstData KorvidScene::burst(int index) {
    makeCurrent();
    SceneCursor cursor;
    BurstData b{};
    if (cursor.emitter(index)) objGetBurst(&b);
    return b;
}

EmitterExtras KorvidScene::extras(int index) {
    makeCurrent();
    SceneCursor cursor;
    return cursor.emitter(index) ? currentExtras() : EmitterExtras();
}

Refusal KorvidScene::setExtras(int index, const EmitterExtras& x) {
    makeCurrent();
    SceneCursor cursor;
    if (!cursor.emitter(index)) return Refusal::because(Refusal::NothingToDo);
    Refusal refusal;
    for (int which = 0; which < 2; ++which)
        if (!objSetEmitterCurve(which, x.curves[which].data(), static_cast<int32_t>(x.curves[which].size())) &&
            !refusal)
            refusal = fromLibrary();
    if (!objSetEmitterShape(&x.shape) && !refusal) refusal = fromLibrary();
    if (!objSetEmitterFields(x.fields.data(), static_cast<int32_t>(x.fields.size())) && !refusal)
        refusal = fromLibrary();
    if (!objSetEmitterColliders(x.colliders.data(), static_cast<int32_t>(x.colliders.size())) && !refusal)
        refusal = fromLibrary();
    const bool look = objSetEmitterFlipbook(&x.flipbook) & objSetEmitterSpin(&x.spin) & objSetEmitterTrail(&x.trail) &
                      objSetEmitterSort(x.sort);
    if (!look && !refusal) refusal = fromLibrary();
    return refusal;
}

Refusal KorvidScene::insertEmitter(int index, const EmitterData& record) {
    makeCurrent();
    SceneCursor cursor;
    EmitterData e = record;
    e.textureId = idOf(e.imageName, e.textureId);
    return objInsertEmitter(&e, index) != 0 ? Refusal{} : fromLibrary();
}

Refusal KorvidScene::removeEmitter(int index) {
    makeCurrent();
    const int current = objGetCurrentEmitter();
    {
        SceneCursor cursor;
        if (!cursor.emitter(index)) return Refusal::because(Refusal::NothingToDo);
        if (objRemoveEmitter() < 0) return fromLibrary();
    }
    // The emitter that was current stays so, wherever it moved to.
    if (current > index) showEmitter(current - 1);
    else if (current == index) showEmitter(-1);
    return {};
}

QString KorvidScene::copyEmitter(int index) {
    makeCurrent();
    SceneCursor cursor;
    if (!cursor.emitter(index)) return {};
    const int32_t length = objCopyEmitter(nullptr, 0);
    if (length < 0) return {};
    QByteArray text(length + 1, '\0');
    objCopyEmitter(text.data(), length + 1);
    text.chop(1);
    return QString::fromUtf8(text);
}

Refusal KorvidScene::pasteEmitter(int index, const QString& text) {
    makeCurrent();
    if (objGetModelCount() == 0) return Refusal::because(Refusal::NothingToDo);
    SceneCursor cursor;
    return objPasteEmitter(text.toUtf8().constData(), index) != 0 ? Refusal{} : fromLibrary();
}

EmitterData KorvidScene::defaultEmitter() {
    EmitterData e{};
    objInitEmitter(&e);
    return e;
}

void KorvidScene::curveValue(const std::vector<CurveKey>& keys, float time, float out[4]) {
    if (!objEvaluateCurve(keys.data(), static_cast<int32_t>(keys.size()), time, out)) std::fill(out, out + 4, 0.0f);
}

QString KorvidScene::safeName(const QString& text, int size) {
    QByteArray out(size, '\0');
    const int length = objMakeName(text.toLocal8Bit().constData(), out.data(), size);
    return QString::fromLocal8Bit(out.constData(), std::max(0, length));
}

// ---- Lights -------------------------------------------------------------------------------

LightData KorvidScene::light(int index) {
    makeCurrent();
    LightData l{};
    objGetLight(&l, index);
    return l;
}

void KorvidScene::moveLight(int index, const float position[3]) {
    makeCurrent();
    objMoveLight(position, index);
}

// ---- Images -------------------------------------------------------------------------------

Refusal KorvidScene::addImage(TextureInfo& image) {
    makeCurrent();
    if (!objAddTexture(&image)) return fromLibrary();
    TextureInfo read{};
    if (objGetTexture(&read, image.name)) {
        image.width = read.width;
        image.height = read.height;
    }
    return {};
}

void KorvidScene::removeImage(const QString& name) {
    makeCurrent();
    objDelTexture(name.toLocal8Bit().constData());
}

int KorvidScene::imageCount() {
    makeCurrent();
    return objGetTextureCnt();
}

bool KorvidScene::imageAt(int index, TextureInfo* out) {
    makeCurrent();
    return objGetTexture2(out, index);
}

bool KorvidScene::image(const QString& name, TextureInfo* out) {
    makeCurrent();
    return objGetTexture(out, name.toLocal8Bit().constData());
}

uint32_t KorvidScene::textureId(const QString& name) {
    makeCurrent();
    return objGetTextureId(name.toLocal8Bit().constData());
}

}  // namespace vantor

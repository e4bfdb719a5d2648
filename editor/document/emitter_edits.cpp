// The document's intents on emitters, their bursts, curves and shapes.
#include <QFileInfo>

#include <algorithm>
#include <cstring>

#include "document/vantor_doc.h"
#include "resource.h"

using namespace vantor;

void CVantorDoc::readEmitter(int index) {
    if (index < 0 || index >= m_emitterNames.size()) {
        m_emitter = KorvidScene::defaultEmitter();
        m_extras = EmitterExtras();
        return;
    }
    m_emitter = m_scene.emitter(index);
    m_burst = m_scene.burst(index);
    m_extras = m_scene.extras(index);
}

void CVantorDoc::refreshEmitterNames() { m_emitterNames = m_scene.emitterNames(); }

void CVantorDoc::chooseEmitter(int index) {
    m_scene.showEmitter(index);
    readEmitter(index);
    m_selection.setEmitter(index);
}

Refusal CVantorDoc::editEmitter(const EmitterData& emitter, const QString& name, int field) {
    const int index = currentEmitter();
    m_emitter = emitter;
    if (index < 0) return Refusal::because(KORVID_FAILURE_NO_EMITTER);
    if (name.isEmpty()) {
        // Sent again without a command: the library restarts the emitter's timer.
        EntitySnapshot again;
        again.part = EntityPart::Emitter;
        again.index = index;
        again.emitter = emitter;
        return put(again, field, false);
    }
    EntitySnapshot before = capture(EntityPart::Emitter, index);
    EntitySnapshot after = before;
    after.emitter = emitter;
    return record(name, std::move(before), std::move(after), Intent::EditEmitter, field);
}

void CVantorDoc::editBurst(const BurstData& burst, const QString& name, int field) {
    const int index = currentEmitter();
    m_burst = burst;
    if (index < 0) return;
    EntitySnapshot before = capture(EntityPart::Burst, index);
    EntitySnapshot after = before;
    after.burst = burst;
    record(name, std::move(before), std::move(after), Intent::EditBurst, field);
}

Refusal CVantorDoc::editCurve(int which, const std::vector<CurveKey>& keys, int field) {
    const int index = currentEmitter();
    if (index < 0 || (which != KORVID_CURVE_COLOUR && which != KORVID_CURVE_SIZE))
        return Refusal::because(Refusal::NothingToDo);
    EntitySnapshot before = capture(EntityPart::Extras, index);
    EntitySnapshot after = before;
    after.extras.curves[which] = keys;
    return record(which == KORVID_CURVE_COLOUR ? QStringLiteral("Colour Curve") : QStringLiteral("Size Curve"),
                  std::move(before), std::move(after), Intent::EditCurve, field);
}

Refusal CVantorDoc::editShape(const EmitterShape& shape, int field) {
    const int index = currentEmitter();
    if (index < 0) return Refusal::because(Refusal::NothingToDo);
    EntitySnapshot before = capture(EntityPart::Extras, index);
    EntitySnapshot after = before;
    after.extras.shape = shape;
    return record(QStringLiteral("Emitter Shape"), std::move(before), std::move(after), Intent::EditShape, field);
}

Refusal CVantorDoc::editFields(const std::vector<ForceField>& fields, int field) {
    const int index = currentEmitter();
    if (index < 0) return Refusal::because(Refusal::NothingToDo);
    EntitySnapshot before = capture(EntityPart::Extras, index);
    EntitySnapshot after = before;
    after.extras.fields = fields;
    return record(QStringLiteral("Force Fields"), std::move(before), std::move(after), Intent::EditFields, field);
}

Refusal CVantorDoc::editColliders(const std::vector<Collider>& colliders, int field) {
    const int index = currentEmitter();
    if (index < 0) return Refusal::because(Refusal::NothingToDo);
    EntitySnapshot before = capture(EntityPart::Extras, index);
    EntitySnapshot after = before;
    after.extras.colliders = colliders;
    return record(QStringLiteral("Colliders"), std::move(before), std::move(after), Intent::EditColliders, field);
}

Refusal CVantorDoc::editFlipbook(const Flipbook& flipbook, int field) {
    return editLook(QStringLiteral("Flipbook"), field, [&](EmitterExtras& x) { x.flipbook = flipbook; });
}

Refusal CVantorDoc::editSpin(const ParticleSpin& spin, int field) {
    return editLook(QStringLiteral("Spin and Stretch"), field, [&](EmitterExtras& x) { x.spin = spin; });
}

Refusal CVantorDoc::editTrail(const Trail& trail, int field) {
    return editLook(QStringLiteral("Trail"), field, [&](EmitterExtras& x) { x.trail = trail; });
}

Refusal CVantorDoc::editSort(int32_t mode) {
    return editLook(QStringLiteral("Draw Order"), IDC_PART_SORT, [&](EmitterExtras& x) { x.sort = mode; });
}

Refusal CVantorDoc::editLook(const QString& text, int field, const std::function<void(EmitterExtras&)>& change) {
    const int index = currentEmitter();
    if (index < 0) return Refusal::because(Refusal::NothingToDo);
    EntitySnapshot before = capture(EntityPart::Extras, index);
    EntitySnapshot after = before;
    change(after.extras);
    return record(text, std::move(before), std::move(after), Intent::EditLook, field);
}

Refusal CVantorDoc::useImageAsFlipbook(TextureInfo& image, const EmitterData& record, const Flipbook& flipbook) {
    const int index = currentEmitter();
    if (index < 0) return Refusal::because(Refusal::NothingToDo);
    auto* command = new CompoundCommand(*this, QStringLiteral("Use Sheet as Flipbook"));
    TextureInfo again = image;
    const QByteArray absolute = QFileInfo(QString::fromLocal8Bit(image.path)).absoluteFilePath().toLocal8Bit();
    qstrncpy(again.path, absolute.constData(), sizeof again.path);
    command->add(new ImageCommand(*this, QString(), image, again));
    EntitySnapshot emitterBefore = capture(EntityPart::Emitter, index);
    EntitySnapshot emitterAfter = emitterBefore;
    emitterAfter.emitter = record;
    command->add(new RecordCommand(*this, QString(), std::move(emitterBefore), std::move(emitterAfter)));
    EntitySnapshot extrasBefore = capture(EntityPart::Extras, index);
    EntitySnapshot extrasAfter = extrasBefore;
    extrasAfter.extras.flipbook = flipbook;
    command->add(new RecordCommand(*this, QString(), std::move(extrasBefore), std::move(extrasAfter)));
    if (const Refusal refusal = push(command)) return refusal;
    emit imageAdded(QString::fromLocal8Bit(image.name));
    return {};
}

void CVantorDoc::moveEmitter(const float position[3]) {
    std::copy(position, position + 3, m_emitter.position);
    m_scene.moveEmitter(currentEmitter(), m_emitter.position);
    announce(EntityPart::Emitter, currentEmitter());
}

void CVantorDoc::reloadBurst() { m_burst = m_scene.burst(currentEmitter()); }

Refusal CVantorDoc::addEmitter(const EmitterData& emitter) {
    m_emitter = emitter;
    return push(new EmitterCommand(*this, QStringLiteral("Add Emitter"), lastEmitter() + 1, true, emitter));
}

Refusal CVantorDoc::removeEmitter() {
    if (currentEmitter() < 0) return Refusal::because(Refusal::NothingToDo);
    return push(new EmitterCommand(*this, QStringLiteral("Remove Emitter"), currentEmitter(), false));
}

Refusal CVantorDoc::duplicateEmitter() {
    const int index = currentEmitter();
    if (index < 0) return Refusal::because(Refusal::NothingToDo);
    EmitterData copy = m_scene.emitter(index);
    const QString name = KorvidScene::safeName(QString::fromLocal8Bit(copy.name) + QStringLiteral(" copy"),
                                               KORVID_NAME_SIZE);
    qstrncpy(copy.name, name.toLocal8Bit().constData(), sizeof copy.name);
    return push(new EmitterCommand(*this, QStringLiteral("Duplicate Emitter"), index + 1, true, copy,
                                   m_scene.extras(index)));
}

QString CVantorDoc::emitterText() {
    return currentEmitter() < 0 ? QString() : m_scene.copyEmitter(currentEmitter());
}

Refusal CVantorDoc::pasteEmitter(const QString& text, QString* note) {
    if (m_scene.modelCount() == 0) return Refusal::because(Refusal::NothingToDo);
    const int index = currentEmitter() + 1 > 0 ? currentEmitter() + 1 : lastEmitter() + 1;
    auto* command = new EmitterCommand(*this, QStringLiteral("Paste Emitter"), index, true);
    command->pasteFrom(text);
    m_pasteNote.clear();
    const Refusal refusal = push(command);
    if (note) *note = m_pasteNote;
    return refusal;
}

Refusal CVantorDoc::pasteEmitterAt(int index, const QString& text, EmitterData* record, EmitterExtras* extras) {
    if (const Refusal refusal = m_scene.pasteEmitter(index, text)) return refusal;
    EmitterData pasted = m_scene.emitter(index);
    // An image this document lacks is no image at all, and the user is told.
    if (pasted.imageName[0] && std::strcmp(pasted.imageName, "NONE") != 0 && pasted.textureId == 0) {
        m_pasteNote = QStringLiteral("The image \"%1\" is not in this document: the pasted emitter has no image (NONE).")
                          .arg(QString::fromLocal8Bit(pasted.imageName));
        pasted.imageName[0] = '\0';
        m_scene.setEmitter(index, pasted);
    }
    *record = m_scene.emitter(index);
    *extras = m_scene.extras(index);
    refreshEmitterNames();
    chooseEmitter(index);
    announce(EntityPart::EmitterList, index);
    return {};
}

Refusal CVantorDoc::insertEmitterAt(const EmitterData& record, int index, const EmitterExtras& extras) {
    if (const Refusal refusal = m_scene.insertEmitter(index, record)) return refusal;
    m_scene.setExtras(index, extras);
    refreshEmitterNames();
    chooseEmitter(index);
    announce(EntityPart::EmitterList, index);
    return {};
}

Refusal CVantorDoc::removeEmitterAt(int index, EmitterData* record, EmitterExtras* extras) {
    if (index < 0 || index > lastEmitter()) return Refusal::because(Refusal::NothingToDo);
    *record = m_scene.emitter(index);
    *extras = m_scene.extras(index);
    if (const Refusal refusal = m_scene.removeEmitter(index)) return refusal;
    refreshEmitterNames();
    // The emitter after the removed one takes its place, or the one before it.
    chooseEmitter(std::min(index, lastEmitter()));
    announce(EntityPart::EmitterList, currentEmitter());
    return {};
}

int CVantorDoc::effectLength() {
    int out = 0;
    for (int i = 0; i <= lastEmitter(); ++i) {
        const EmitterData e = m_scene.emitter(i);
        if (!e.isLifespan) return -1;
        // The emitter's life, then the longest particle life (and its burst's).
        int life = e.life + std::max(0, e.lifeVar);
        if (e.isBurst) life += e.burst.life + std::max(0, e.burst.lifeVar);
        out = std::max(out, e.lifespanTime + life);
    }
    return out;
}

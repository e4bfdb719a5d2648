// The document's intents on surfaces, geometry, lights and images.
#include <QFileInfo>

#include <array>

#include "document/vantor_doc.h"

using namespace vantor;

void CVantorDoc::chooseSurface(int index, int selection) {
    m_scene.highlightSurface(currentSurface(), KORVID_SELECT_NONE);
    m_surface = m_scene.surface(index);
    m_highlight = selection;
    m_scene.highlightSurface(index, selection);
    m_selection.setSurface(index, Selection::Announce::Always);
}

void CVantorDoc::highlightSurface(int selection) {
    m_highlight = selection;
    m_scene.highlightSurface(currentSurface(), selection);
}

void CVantorDoc::editSurface(const SurfaceData& record, const QString& name, int field) {
    const int index = currentSurface();
    m_surface = record;
    if (name.isEmpty() || m_modelCount == 0) {
        put(EntitySnapshot{EntityPart::Surface, index, record}, field, false);
        return;
    }
    EntitySnapshot before = capture(EntityPart::Surface, index);
    EntitySnapshot after = before;
    after.surface = record;
    this->record(name, std::move(before), std::move(after), Intent::EditSurface, field);
}

void CVantorDoc::smoothSurface(const SurfaceData& record, float angle, const QString& name) {
    const int index = currentSurface();
    m_surface = record;
    push(new OperationCommand(*this, name, capture(EntityPart::SurfaceShape, index),
                              [this, index, angle, record](bool restored) {
                                  // The normals are recomputed while the surface still holds its old angle.
                                  m_scene.smoothSurface(index, angle);
                                  put(EntitySnapshot{EntityPart::Surface, index, record}, -1, restored);
                              }));
}

void CVantorDoc::readLights() {
    for (int i = 0; i < 6; ++i) m_lights[i] = m_scene.light(i);
    for (int i = 0; i < 6; ++i) announce(EntityPart::Light, i);
}

void CVantorDoc::switchLight(int index, bool on) {
    LightData light = m_scene.light(index);
    light.on = on;
    editLight(index, light, QStringLiteral("Switch Light %1").arg(index + 1));
}

void CVantorDoc::editLight(int index, const LightData& light) {
    editLight(index, light, QStringLiteral("Edit Light %1").arg(index + 1));
}

void CVantorDoc::editLight(int index, const LightData& light, const QString& name) {
    EntitySnapshot before = capture(EntityPart::Light, index);
    EntitySnapshot after = before;
    after.light = light;
    record(name, std::move(before), std::move(after));
}

void CVantorDoc::moveLight(int index, const float position[3]) {
    std::copy(position, position + 3, m_lights[index].position);
    m_scene.moveLight(index, m_lights[index].position);
}

void CVantorDoc::moveModel(const float position[3]) {
    std::copy(position, position + 3, m_modelPosition);
    m_scene.moveModel(m_modelPosition);
}

void CVantorDoc::changeGeometry(const QString& name, std::function<void()> operation) {
    push(new OperationCommand(*this, name, capture(EntityPart::Geometry, 0), [this, operation](bool restored) {
        operation();
        refreshModelInfo();
        announce(EntityPart::Geometry, -1, -1, restored);
    }));
}

void CVantorDoc::scaleGeometry(const float factors[3]) {
    const std::array<float, 3> f{factors[0], factors[1], factors[2]};
    changeGeometry(QStringLiteral("Scale"), [this, f] { m_scene.scaleGeometry(f.data()); });
}

void CVantorDoc::translateGeometry(const float offset[3]) {
    const std::array<float, 3> f{offset[0], offset[1], offset[2]};
    changeGeometry(QStringLiteral("Translate"), [this, f] { m_scene.translateGeometry(f.data()); });
}

void CVantorDoc::rotateGeometry(const float radians[3]) {
    const std::array<float, 3> f{radians[0], radians[1], radians[2]};
    changeGeometry(QStringLiteral("Rotate"), [this, f] { m_scene.rotateGeometry(f.data()); });
}

void CVantorDoc::refreshModelInfo() { m_modelInfo = m_scene.modelInfo(); }

Refusal CVantorDoc::addImage(TextureInfo& image) {
    // Redo reads the bitmap again, from wherever the working directory is then.
    TextureInfo again = image;
    const QByteArray absolute = QFileInfo(QString::fromLocal8Bit(image.path)).absoluteFilePath().toLocal8Bit();
    qstrncpy(again.path, absolute.constData(), sizeof again.path);
    if (const Refusal refusal = push(new ImageCommand(*this, QStringLiteral("Add Image"), image, again)))
        return refusal;
    // The record shows the size the library read.
    TextureInfo read{};
    if (m_scene.image(QString::fromLocal8Bit(image.name), &read)) {
        image.width = read.width;
        image.height = read.height;
    }
    emit imageAdded(QString::fromLocal8Bit(image.name));
    return {};
}

void CVantorDoc::removeImage(const TextureInfo& info) {
    m_scene.removeImage(QString::fromLocal8Bit(info.name));
    emit imageRemoved(QString::fromLocal8Bit(info.name));
    announce(EntityPart::Images, -1, -1, true);
}

Refusal CVantorDoc::restoreImage(const TextureInfo& info, bool restored) {
    TextureInfo t = info;
    if (const Refusal refusal = m_scene.addImage(t)) return refusal;
    if (restored) announce(EntityPart::Images, -1, -1, true);
    return {};
}

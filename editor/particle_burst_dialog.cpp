#include "particle_burst_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <cstddef>

#include "controls.h"
#include "record_fields.h"
#include "vantor_view.h"

using namespace vantor;

namespace {

const FieldBinding kFields[] = {
    {1128, offsetof(BurstData, count), FieldKind::Integer, "%d"},
    {1168, offsetof(BurstData, yaw), FieldKind::Angle, "%3.1f"},
    {1106, offsetof(BurstData, yawVar), FieldKind::Angle, "%3.1f"},
    {1107, offsetof(BurstData, pitch), FieldKind::Angle, "%3.1f"},
    {1108, offsetof(BurstData, pitchVar), FieldKind::Angle, "%3.1f"},
    {1109, offsetof(BurstData, speed), FieldKind::Real, "%1.4f"},
    {1110, offsetof(BurstData, speedVar), FieldKind::Real, "%1.4f"},
    {1111, offsetof(BurstData, life), FieldKind::Integer, "%d"},
    {1112, offsetof(BurstData, lifeVar), FieldKind::Integer, "%d"},
    {1113, offsetof(BurstData, startColor) + 0, FieldKind::Real, "%1.3f"},
    {1114, offsetof(BurstData, startColor) + 4, FieldKind::Real, "%1.3f"},
    {1115, offsetof(BurstData, startColor) + 8, FieldKind::Real, "%1.3f"},
    {1116, offsetof(BurstData, startColor) + 12, FieldKind::Real, "%1.3f"},
    {1119, offsetof(BurstData, startColorVar) + 0, FieldKind::Real, "%1.3f"},
    {1120, offsetof(BurstData, startColorVar) + 4, FieldKind::Real, "%1.3f"},
    {1121, offsetof(BurstData, startColorVar) + 8, FieldKind::Real, "%1.3f"},
    {1122, offsetof(BurstData, startColorVar) + 12, FieldKind::Real, "%1.3f"},
    {1137, offsetof(BurstData, endColor) + 0, FieldKind::Real, "%1.3f"},
    {1138, offsetof(BurstData, endColor) + 4, FieldKind::Real, "%1.3f"},
    {1139, offsetof(BurstData, endColor) + 8, FieldKind::Real, "%1.3f"},
    {1140, offsetof(BurstData, endColor) + 12, FieldKind::Real, "%1.3f"},
    {1143, offsetof(BurstData, endColorVar) + 0, FieldKind::Real, "%1.3f"},
    {1144, offsetof(BurstData, endColorVar) + 4, FieldKind::Real, "%1.3f"},
    {1145, offsetof(BurstData, endColorVar) + 8, FieldKind::Real, "%1.3f"},
    {1146, offsetof(BurstData, endColorVar) + 12, FieldKind::Real, "%1.3f"},
    {1158, offsetof(BurstData, startSize), FieldKind::Real, "%1.3f"},
    {1159, offsetof(BurstData, startSizeVar), FieldKind::Real, "%1.3f"},
    {1161, offsetof(BurstData, endSize), FieldKind::Real, "%1.3f"},
    {1162, offsetof(BurstData, endSizeVar), FieldKind::Real, "%1.3f"},
};

const FieldBinding& bindingFor(int id) {
    for (const FieldBinding& f : kFields)
        if (f.id == id) return f;
    return kFields[0];
}

}  // namespace

CParticleBurstDialog::CParticleBurstDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Particle Burst Properties"));
    setModal(false);
    for (const FieldBinding& f : kFields) {
        auto* edit = new CommitEdit(this);
        setControlId(edit, f.id);
        edit->setMinimumWidth(44);
        m_edits[f.id] = edit;
        connect(edit, &CommitEdit::committed, this, [this, id = f.id] { commit(id); });
    }
    auto* layout = new QGridLayout(this);
    auto label = [this](const char* text) { return new QLabel(QString::fromLatin1(text), this); };

    auto* emitterBox = new QGroupBox(QStringLiteral("Burst Emitter Properties"), this);
    auto* eg = new QGridLayout(emitterBox);
    eg->addWidget(label("Number of particle in the burst:"), 0, 0, 1, 3);
    eg->addWidget(m_edits[1128], 0, 3);
    eg->addWidget(label("Yaw:"), 1, 0);
    eg->addWidget(m_edits[1168], 1, 1);
    eg->addWidget(label("Var:"), 1, 2);
    eg->addWidget(m_edits[1106], 1, 3);
    eg->addWidget(label("Pitch:"), 1, 4);
    eg->addWidget(m_edits[1107], 1, 5);
    eg->addWidget(label("Var:"), 1, 6);
    eg->addWidget(m_edits[1108], 1, 7);
    eg->addWidget(label("Speed:"), 2, 0);
    eg->addWidget(m_edits[1109], 2, 1);
    eg->addWidget(label("Var:"), 2, 2);
    eg->addWidget(m_edits[1110], 2, 3);
    eg->addWidget(label("Life:"), 2, 4);
    eg->addWidget(m_edits[1111], 2, 5);
    eg->addWidget(label("ms"), 2, 6);
    eg->addWidget(label("Var:"), 2, 7);
    eg->addWidget(m_edits[1112], 2, 8);
    layout->addWidget(emitterBox, 0, 0);

    auto* particleBox = new QGroupBox(QStringLiteral("Burst Particle Properties"), this);
    auto* pg = new QGridLayout(particleBox);
    const char* heads[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) pg->addWidget(label(heads[c]), 0, 2 + c, Qt::AlignCenter);
    m_startSwatch = new Swatch(this);
    m_endSwatch = new Swatch(this);
    setControlId(m_startSwatch, 1169);
    setControlId(m_endSwatch, 1136);
    auto* startSelect = makeButton(this, QStringLiteral("Select"), 1117);
    auto* endSelect = makeButton(this, QStringLiteral("Select"), 1141);
    m_selects[0] = startSelect;
    m_selects[1] = endSelect;
    const int rowIds[4] = {1113, 1119, 1137, 1143};
    const char* rowLabels[4] = {"Start:", "Var:", "End:", "Var:"};
    for (int r = 0; r < 4; ++r) {
        pg->addWidget(label(rowLabels[r]), r + 1, 0);
        for (int c = 0; c < 4; ++c) pg->addWidget(m_edits[rowIds[r] + c], r + 1, 2 + c);
    }
    pg->addWidget(m_startSwatch, 1, 1);
    pg->addWidget(startSelect, 1, 6);
    pg->addWidget(m_endSwatch, 3, 1);
    pg->addWidget(endSelect, 3, 6);
    pg->addWidget(label("Start Size"), 5, 0);
    pg->addWidget(m_edits[1158], 5, 1);
    pg->addWidget(label("Var:"), 5, 2);
    pg->addWidget(m_edits[1159], 5, 3);
    pg->addWidget(label("End:"), 5, 4);
    pg->addWidget(m_edits[1161], 5, 5);
    pg->addWidget(label("Var:"), 5, 6);
    pg->addWidget(m_edits[1162], 5, 7);
    layout->addWidget(particleBox, 1, 0);

    auto* close = makeButton(this, QStringLiteral("Close"), 1);
    close->setDefault(true);
    layout->addWidget(close, 2, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(startSelect, &QPushButton::clicked, this, [this] { selectColour(true); });
    connect(endSelect, &QPushButton::clicked, this, [this] { selectColour(false); });
}

void CParticleBurstDialog::commit(int id) {
    if (!g_pView) return;
    commitField(m_edits[id], bindingFor(id), &g_pView->m_burst);
    if ((id >= 1113 && id <= 1115) || (id >= 1137 && id <= 1139)) rebuildSwatches();
    g_pView->makeCurrent();
    objSetBurst(&g_pView->m_burst);
}

void CParticleBurstDialog::refreshFromBurst() {
    if (!g_pView) return;
    for (const FieldBinding& f : kFields) showField(m_edits[f.id], f, &g_pView->m_burst);
    rebuildSwatches();
}

void CParticleBurstDialog::rebuildSwatches() {
    m_startSwatch->setColor(swatchColor(g_pView->m_burst.startColor));
    m_endSwatch->setColor(swatchColor(g_pView->m_burst.endColor));
}

void CParticleBurstDialog::enableAll(bool on) {
    for (CommitEdit* edit : m_edits) edit->setEnabled(on);
    m_selects[0]->setEnabled(on);
    m_selects[1]->setEnabled(on);
}

void CParticleBurstDialog::enableSizesByType() {
    const bool polygons = g_pView && g_pView->m_emitter.particleType == 3;
    for (int id : {1158, 1159, 1161, 1162}) m_edits[id]->setEnabled(polygons);
}

void CParticleBurstDialog::selectColour(bool start) {
    float* colour = start ? g_pView->m_burst.startColor : g_pView->m_burst.endColor;
    const int first = start ? 1113 : 1137;
    QLineEdit* edits[3] = {m_edits[first], m_edits[first + 1], m_edits[first + 2]};
    if (!vantor::selectColour(this, colour, edits, start ? m_startSwatch : m_endSwatch, ByteScale::MultiplyByInverse))
        return;
    g_pView->makeCurrent();
    objSetBurst(&g_pView->m_burst);
}

void CParticleBurstDialog::reloadFromLibrary() {
    if (!g_pView) return;
    g_pView->makeCurrent();
    objGetBurst(&g_pView->m_burst);
    refreshFromBurst();
}

void CParticleBurstDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    reloadFromLibrary();
}

void CParticleBurstDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    reloadFromLibrary();
}

#include "dialogs/particle_burst_dialog.h"

#include <QGridLayout>
#include <QVBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <cstddef>

#include "resource.h"
#include "widgets/controls.h"
#include "widgets/field_bindings.h"
#include "widgets/page_layout.h"
#include "document/vantor_doc.h"

using namespace vantor;

namespace {

const std::vector<FieldBinding> kFields = [] {
    std::vector<FieldBinding> fields = {
        {IDC_PART_TOTAL, offsetof(BurstData, count), FieldKind::Integer, "%d", "Particles"}};
    for (const FieldBinding& f : particleFields<BurstData>()) fields.push_back(f);
    return fields;
}();

const FieldBinding& bindingFor(int id) { return vantor::bindingFor(kFields, id); }

}  // namespace

CParticleBurstDialog::CParticleBurstDialog(CVantorDoc& document, QWidget* parent) : QDialog(parent), m_doc(document) {
    setWindowTitle(QStringLiteral("Particle Burst Properties"));
    setModal(false);
    for (const FieldBinding& f : kFields) {
        auto* edit = new CommitEdit(this);
        setControlId(edit, f.id);
        edit->setMinimumWidth(44);
        m_edits[f.id] = edit;
        connect(edit, &CommitEdit::committed, this, [this, id = f.id] { commit(id); });
    }
    setStepRanges(kFields, m_edits);
    auto* layout = new QGridLayout(this);
    auto label = [this](const char* text) { return new QLabel(QString::fromLatin1(text), this); };

    auto* emitterBox = new QGroupBox(QStringLiteral("Burst Emitter Properties"), this);
    auto* e = new QVBoxLayout(emitterBox);
    e->addLayout(rowOf({label("Number of particle in the burst:"), m_edits[IDC_PART_TOTAL]}));
    e->addLayout(rowOf({label("Yaw:"), m_edits[IDC_PART_YAW], label("Var:"), m_edits[IDC_PART_YAW_VAR], label("Pitch:"),
                        m_edits[IDC_PART_PITCH], label("Var:"), m_edits[IDC_PART_PITCH_VAR]}));
    e->addLayout(
        rowOf({label("Speed:"), m_edits[IDC_PART_SPEED], label("Var:"), m_edits[IDC_PART_SPEED_VAR], label("Life:"),
               m_edits[IDC_PART_LIFE], label("ms"), label("Var:"), m_edits[IDC_PART_LIFE_VAR]}));
    layout->addWidget(emitterBox, 0, 0);

    m_startSwatch = new Swatch(this);
    m_endSwatch = new Swatch(this);
    setControlId(m_startSwatch, IDC_PART_START_SWATCH);
    setControlId(m_endSwatch, IDC_PART_END_SWATCH);
    auto* startSelect = makeButton(this, QStringLiteral("Select"), IDC_PART_START_SELECT);
    auto* endSelect = makeButton(this, QStringLiteral("Select"), IDC_PART_END_SELECT);
    m_selects[0] = startSelect;
    m_selects[1] = endSelect;
    auto* particleBox = new QGroupBox(QStringLiteral("Burst Particle Properties"), this);
    auto* p = new QVBoxLayout(particleBox);
    p->addLayout(colourTable(this, m_edits, m_startSwatch, m_endSwatch, startSelect, endSelect));
    p->addLayout(
        rowOf({label("Start Size"), m_edits[IDC_PART_START_SIZE], label("Var:"), m_edits[IDC_PART_START_SIZE_VAR],
               label("End:"), m_edits[IDC_PART_END_SIZE], label("Var:"), m_edits[IDC_PART_END_SIZE_VAR]}));
    layout->addWidget(particleBox, 1, 0);

    auto* close = makeButton(this, QStringLiteral("Close"), IDOK);
    close->setDefault(true);
    layout->addWidget(close, 2, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(startSelect, &QPushButton::clicked, this, [this] { selectColour(true); });
    connect(endSelect, &QPushButton::clicked, this, [this] { selectColour(false); });
    // Tab goes through the controls as they are laid out, row by row.
    orderTabsByLayout(this);
}

void CParticleBurstDialog::commit(int id) {
    BurstData b = m_doc.burst();
    commitField(m_edits[id], bindingFor(id), &b);
    m_doc.editBurst(b, QStringLiteral("Burst ") + QString::fromLatin1(bindingFor(id).name), id);
}

void CParticleBurstDialog::refreshFromBurst(bool keepShown) {
    for (const FieldBinding& f : kFields) showField(m_edits[f.id], f, &m_doc.burst(), keepShown);
    rebuildSwatches();
}

void CParticleBurstDialog::rebuildSwatches() {
    m_startSwatch->setColor(swatchColor(m_doc.burst().startColor));
    m_endSwatch->setColor(swatchColor(m_doc.burst().endColor));
}

void CParticleBurstDialog::enableAll(bool on) {
    for (CommitEdit* edit : m_edits) edit->setEnabled(on);
    m_selects[0]->setEnabled(on);
    m_selects[1]->setEnabled(on);
}

void CParticleBurstDialog::enableSizesByType() {
    const bool polygons = m_doc.emitter().particleType == KORVID_PARTICLE_POLYGONS;
    for (int id : {IDC_PART_START_SIZE, IDC_PART_START_SIZE_VAR, IDC_PART_END_SIZE, IDC_PART_END_SIZE_VAR})
        m_edits[id]->setEnabled(polygons);
}

void CParticleBurstDialog::selectColour(bool start) {
    BurstData b = m_doc.burst();
    float* colour = start ? b.startColor : b.endColor;
    const int first = start ? IDC_PART_START_R : IDC_PART_END_R;
    QLineEdit* edits[3] = {m_edits[first], m_edits[first + 1], m_edits[first + 2]};
    if (!vantor::selectColour(this, colour, edits, start ? m_startSwatch : m_endSwatch, ByteScale::MultiplyByInverse))
        return;
    m_doc.editBurst(b, start ? QStringLiteral("Burst Start Colour") : QStringLiteral("Burst End Colour"));
}

void CParticleBurstDialog::reloadFromLibrary() {
    m_doc.reloadBurst();
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

#include "pages/particles_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <cstddef>
#include <cstring>

#include "resource.h"
#include "widgets/controls.h"
#include "dialogs/name_dlg.h"
#include "dialogs/particle_burst_dialog.h"
#include "pages/particle_extras.h"
#include "pages/particle_look.h"
#include "pages/particle_motion.h"
#include "widgets/field_bindings.h"
#include "widgets/page_layout.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

using namespace vantor;


namespace {

constexpr size_t kFloat = sizeof(float);

const std::vector<FieldBinding> kFields = [] {
    std::vector<FieldBinding> fields = {
        {IDC_PART_TOTAL, offsetof(EmitterData, totalParticles), FieldKind::Integer, "%d", "Total Particles"},
        {IDC_PART_LIFESPAN, offsetof(EmitterData, lifespanTime), FieldKind::Integer, "%d", "Emitter Life"},
        {IDC_PART_PER_CYCLE, offsetof(EmitterData, emitterPerCycle), FieldKind::Integer, "%d", "Emitted per Cycle"},
        {IDC_PART_PER_CYCLE_VAR, offsetof(EmitterData, emitterPerCycleVar), FieldKind::Integer, "%d",
         "Emission Variation"},
        {IDC_PART_EMIT_EVERY, offsetof(EmitterData, emitterTime), FieldKind::Integer, "%d", "Emission Time"},
        {IDC_PART_GROUND, offsetof(EmitterData, groundPosition), FieldKind::Real, "%1.3f", "Ground"},
    };
    for (int axis = 0; axis < 3; ++axis) {
        fields.push_back({IDC_PART_POSITION_X + axis, offsetof(EmitterData, position) + axis * kFloat, FieldKind::Real,
                          "%1.3f", "Emitter Position"});
        fields.push_back(
            {IDC_PART_FORCE_X + axis, offsetof(EmitterData, force) + axis * kFloat, FieldKind::Real, "%1.5f", "Force"});
    }
    for (const FieldBinding& f : particleFields<EmitterData>()) fields.push_back(f);
    return fields;
}();

const FieldBinding& bindingFor(int id) { return vantor::bindingFor(kFields, id); }

// The seven check boxes in the order of the remembered states.
struct CheckSpec {
    int id;
    const char* caption;
    int32_t EmitterData::*flag;
};
const CheckSpec kChecks[7] = {
    {IDC_PART_REFLECT, "Reflect particles", &EmitterData::isReflected},
    {IDC_PART_BURST, "Burst", &EmitterData::isBurst},
    {IDC_PART_BURST_ON_GROUND, "Burst on ground", &EmitterData::isBurstOnGround},
    {IDC_PART_LIGHTING, "Use Lights", &EmitterData::isLighting},
    {IDC_PART_ALT_ALPHA, "Alt Alpha", &EmitterData::isAltAlpha},
    {IDC_PART_USE_LIFESPAN, "Emitter Life:", &EmitterData::isLifespan},
    {IDC_PART_USE_OBJECT, "Use Object", &EmitterData::isAttachToModel},
};
enum { kReflect, kBurst, kBurstOnGround, kLighting, kAltAlpha, kLifespan, kUseObject };

}  // namespace

CParticlesPage::CParticlesPage(CVantorDoc& document, CVantorView& view, QWidget* parent)
    : QWidget(parent), m_doc(document), m_view(view) {
    for (const FieldBinding& f : kFields) {
        auto* edit = new CommitEdit(this);
        setControlId(edit, f.id);
        edit->setMinimumWidth(40);
        m_edits[f.id] = edit;
        connect(edit, &CommitEdit::committed, this, [this, id = f.id] { commit(id); });
    }
    setStepRanges(kFields, m_edits);
    for (int i = 0; i < 7; ++i) {
        m_boxes[i] = new QCheckBox(QString::fromLatin1(kChecks[i].caption), this);
        setControlId(m_boxes[i], kChecks[i].id);
        connect(m_boxes[i], &QCheckBox::clicked, this, [this, i] { toggle(i); });
    }
    auto label = [this](const char* text) { return new QLabel(QString::fromLatin1(text), this); };
    auto combo = [this](int id) {
        auto* box = new QComboBox(this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        setControlId(box, id);
        return box;
    };
    m_emitterList = combo(IDC_PART_EMITTER);
    m_modeList = combo(IDC_PART_MODE);
    m_imageList = combo(IDC_PART_IMAGE);
    m_modeList->addItems({QStringLiteral("Points"), QStringLiteral("Lines"), QStringLiteral("Sparks"),
                          QStringLiteral("Polygons")});
    m_add = makeButton(this, QStringLiteral("Add"), IDC_PART_ADD);
    m_remove = makeButton(this, QStringLiteral("Remove"), IDC_PART_REMOVE);
    m_resetTimer = makeButton(this, QStringLiteral("Reset Emitter Timer"), IDC_PART_RESET_TIMER);
    m_properties = makeButton(this, QStringLiteral("Properties"), IDC_PART_PROPERTIES);
    m_startSelect = makeButton(this, QStringLiteral("Select"), IDC_PART_START_SELECT);
    m_endSelect = makeButton(this, QStringLiteral("Select"), IDC_PART_END_SELECT);
    m_startSwatch = new Swatch(this);
    m_endSwatch = new Swatch(this);
    setControlId(m_startSwatch, IDC_PART_START_SWATCH);
    setControlId(m_endSwatch, IDC_PART_END_SWATCH);

    // Rows as on the page, top to bottom; each row lays out its own widgets.
    const auto row = rowOf;
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    m_emitterList->setMinimumWidth(150);
    top->addWidget(label("Emitter"), 0, 0, 2, 1);
    top->addWidget(m_emitterList, 0, 1, 2, 1);
    top->addWidget(m_add, 0, 2);
    top->addWidget(m_remove, 1, 2);
    top->setColumnStretch(3, 1);
    layout->addLayout(top);

    auto* emitterBox = new QGroupBox(QStringLiteral("Emitter Properties"), this);
    auto* e = new QVBoxLayout(emitterBox);
    e->addLayout(row({label("Total Particles:"), m_edits[IDC_PART_TOTAL], m_boxes[kLifespan],
                      m_edits[IDC_PART_LIFESPAN], label("ms")}));
    e->addLayout(row({label("Emitted per Cycle:"), m_edits[IDC_PART_PER_CYCLE], label("Variation:"),
                      m_edits[IDC_PART_PER_CYCLE_VAR]}));
    e->addLayout(row({label("Emitted every:"), m_edits[IDC_PART_EMIT_EVERY], label("ms"), m_resetTimer}));
    e->addLayout(
        row({label("Position:"), label("X"), m_edits[IDC_PART_POSITION_X], label("Y"), m_edits[IDC_PART_POSITION_X + 1],
             label("Z"), m_edits[IDC_PART_POSITION_X + 2], m_boxes[kUseObject]}));
    e->addLayout(row({label("Yaw:"), m_edits[IDC_PART_YAW], label("Var:"), m_edits[IDC_PART_YAW_VAR], label("Pitch:"),
                      m_edits[IDC_PART_PITCH], label("Var:"), m_edits[IDC_PART_PITCH_VAR]}));
    e->addLayout(row({label("Speed:"), m_edits[IDC_PART_SPEED], label("Var:"), m_edits[IDC_PART_SPEED_VAR],
                      label("Life:"), m_edits[IDC_PART_LIFE], label("ms"), label("Var:"), m_edits[IDC_PART_LIFE_VAR]}));
    layout->addWidget(emitterBox);

    auto* particleBox = new QGroupBox(QStringLiteral("Particle Properties"), this);
    auto* p = new QVBoxLayout(particleBox);
    p->addLayout(row({label("Mode:"), m_modeList, label("Image:"), m_imageList}));
    auto* colours = colourTable(this, m_edits, m_startSwatch, m_endSwatch, m_startSelect, m_endSelect);
    p->addLayout(colours);
    p->addLayout(
        row({label("Start Size"), m_edits[IDC_PART_START_SIZE], label("Var:"), m_edits[IDC_PART_START_SIZE_VAR],
             label("End:"), m_edits[IDC_PART_END_SIZE], label("Var:"), m_edits[IDC_PART_END_SIZE_VAR]}));
    p->addLayout(row({label("Force:"), label("X"), m_edits[IDC_PART_FORCE_X], label("Y"), m_edits[IDC_PART_FORCE_X + 1],
                      label("Z"), m_edits[IDC_PART_FORCE_X + 2]}));
    p->addLayout(row({m_boxes[kLighting], m_boxes[kReflect], label("Ground:"), m_edits[IDC_PART_GROUND]}));
    p->addLayout(row({m_boxes[kAltAlpha], m_boxes[kBurst], m_boxes[kBurstOnGround], m_properties}));
    layout->addWidget(particleBox);
    m_lifeCurves = new LifeCurvesBox(m_doc, this);
    layout->addWidget(m_lifeCurves);
    m_shape = new ShapeBox(m_doc, this);
    layout->addWidget(m_shape);
    m_forces = new ForcesBox(m_doc, this);
    layout->addWidget(m_forces);
    m_colliders = new CollidersBox(m_doc, this);
    layout->addWidget(m_colliders);
    m_flipbook = new FlipbookBox(m_doc, this);
    layout->addWidget(m_flipbook);
    m_spin = new SpinStretchBox(m_doc, this);
    layout->addWidget(m_spin);
    m_trail = new TrailBox(m_doc, this);
    layout->addWidget(m_trail);
    layout->addStretch(1);

    m_emitterList->setEditText(m_emitterName);
    m_imageList->setEditText(m_imageName);

    connect(m_add, &QPushButton::clicked, this, &CParticlesPage::addEmitter);
    connect(m_emitterList, &QComboBox::activated, this, &CParticlesPage::selectEmitter);
    connect(m_modeList, &QComboBox::activated, this, [this](int i) {
        EmitterData e = m_doc.emitter();
        if (i >= 0 && i <= KORVID_PARTICLE_POLYGONS) e.particleType = i;
        send(e, QStringLiteral("Particle Mode"));
    });
    connect(m_imageList, &QComboBox::activated, this, &CParticlesPage::chooseImage);
    connect(m_startSelect, &QPushButton::clicked, this, [this] { selectColour(true); });
    connect(m_endSelect, &QPushButton::clicked, this, [this] { selectColour(false); });
    connect(m_properties, &QPushButton::clicked, this, [this] {
        if (m_burstDialog) m_burstDialog->show();
    });
    connect(m_remove, &QPushButton::clicked, this, &CParticlesPage::removeEmitter);
    // The record sent again restarts the emitter's timer; it is no change of the entity.
    connect(m_resetTimer, &QPushButton::clicked, this, [this] { send(m_doc.emitter(), QString()); });
    connect(&m_doc, &CVantorDoc::cleared, this, &CParticlesPage::documentCleared);
    connect(&m_doc, &CVantorDoc::opened, this, &CParticlesPage::documentOpened);
    connect(&m_doc, &CVantorDoc::imageAdded, this, [this](const QString& name) { m_imageList->addItem(name); });
    connect(&m_doc, &CVantorDoc::imageRemoved, this, [this](const QString& name) { removeEntry(m_imageList, name); });
    connect(&m_doc, &CVantorDoc::changed, this, &CParticlesPage::documentChanged);
    connect(&m_doc.selection(), &Selection::currentChanged, this, [this](Selection::What what) {
        if (what == Selection::What::Emitter) followSelection();
    });
}

void CParticlesPage::followSelection() {
    if (m_choosing || m_doc.currentEmitter() == m_emitterList->currentIndex()) return;
    showEmitters();
}

void CParticlesPage::documentChanged(const DocumentChange& change) {
    // A renamed emitter keeps its place in the list under its new name.
    if (change.kind == EntityPart::Emitter && change.index >= 0 && change.index < m_emitterList->count() &&
        change.index < m_doc.emitterNames().size() &&
        m_emitterList->itemText(change.index) != m_doc.emitterNames()[change.index]) {
        const QSignalBlocker block(m_emitterList);
        m_emitterList->setItemText(change.index, m_doc.emitterNames()[change.index]);
    }
    switch (change.kind) {
    case EntityPart::Emitter:
    case EntityPart::Burst:
        if (change.restored) {
            // Undo and redo show the emitter whose change they took back.
            {
                const QSignalBlocker block(m_emitterList);
                m_emitterList->setCurrentIndex(change.index);
            }
            selectEmitter(change.index);
        } else if (change.kind == EntityPart::Emitter) {
            refreshFromEmitter(true);
        } else if (m_burstDialog) {
            m_burstDialog->refreshFromBurst(true);
        }
        break;
    case EntityPart::EmitterList:
        showEmitters();
        break;
    default:
        break;
    }
}

void CParticlesPage::removeEmitter() {
    // The list follows through the document's emittersChanged.
    m_doc.removeEmitter();
}

CParticlesPage::~CParticlesPage() {
    delete m_burstDialog;
}

void CParticlesPage::initialise() {
    {
        const QSignalBlocker block(m_imageList);
        m_imageList->addItem(QStringLiteral("NONE"));
        m_imageList->setEditText(m_imageName);
    }
    m_burstDialog = new CParticleBurstDialog(m_doc, window());
    m_burstDialog->hide();
    enableControls(false);
}

void CParticlesPage::send(const EmitterData& record, const QString& change, int field) {
    // A pool past the library's particle limit is refused as a whole: say so
    // (the document shows the emitter as the library still holds it).
    const Refusal refusal = m_doc.editEmitter(record, change, field);
    if (refusal.code == KORVID_FAILURE_PARTICLE_LIMIT) message(this, refusal.text);
}

void CParticlesPage::enableControls(bool on) {
    for (QWidget* w : findChildren<QWidget*>())
        if (controlId(w) >= 0) w->setEnabled(on);
}

void CParticlesPage::enableListOnly() {
    enableControls(false);
    m_emitterList->setEnabled(true);
    m_add->setEnabled(true);
}

void CParticlesPage::addEmitter() {
    CNameDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    // Names are kept as the library keeps them: one word of at most 27 bytes
    // that reads back from a saved file.
    m_emitterName = KorvidScene::safeName(dialog.name(), KORVID_NAME_SIZE);
    EmitterData e = KorvidScene::defaultEmitter();
    e.isReflected = e.isBurst = e.isBurstOnGround = e.isLighting = e.isAltAlpha = e.isLifespan =
        e.isAttachToModel = 0;
    e.totalParticles = 1000;
    e.lifespanTime = 5000;
    e.emitterPerCycle = 1;
    e.emitterTime = 20;
    e.yawVar = 3.1415927f;
    e.pitch = 1.5707964f;
    e.pitchVar = 0.78539819f;
    e.speed = 0.01f;
    e.life = 2000;
    for (float& c : e.startColor) c = 1.0f;
    e.startSize = 2.0f;
    e.endSize = 2.0f;
    e.force[0] = 0;
    e.force[1] = -0.0001f;
    e.force[2] = 0;
    const QByteArray name = m_emitterName.toLocal8Bit();
    std::memset(e.name, 0, sizeof e.name);
    std::memcpy(e.name, name.constData(), std::min<size_t>(name.size(), sizeof e.name - 1));
    // The list and the fields follow the document's change.
    const Refusal refusal = m_doc.addEmitter(e);
    if (!refusal) return;
    message(this, refusal.text);
    refreshFromEmitter();
    if (m_doc.currentEmitter() >= 0) {
        {
            const QSignalBlocker block(m_emitterList);
            m_emitterList->setCurrentIndex(m_doc.currentEmitter());
        }
        selectEmitter(m_doc.currentEmitter());
    } else {
        enableListOnly();
    }
}

void CParticlesPage::selectEmitter(int index) {
    if (index < 0) return;
    {
        const QScopedValueRollback choosing(m_choosing, true);
        m_doc.chooseEmitter(index);
    }
    m_burstDialog->refreshFromBurst();
    if (m_doc.emitter().isBurst) {
        m_burstDialog->enableAll(true);
        m_burstDialog->enableSizesByType();
    } else {
        m_burstDialog->enableAll(false);
    }
    refreshFromEmitter();
}

void CParticlesPage::showType(int index) {
    if (index >= 0 && index <= KORVID_PARTICLE_POLYGONS) {
        const bool polygons = index == KORVID_PARTICLE_POLYGONS;
        for (int id : {IDC_PART_START_SIZE_VAR, IDC_PART_END_SIZE, IDC_PART_END_SIZE_VAR})
            m_edits[id]->setEnabled(polygons);
        m_imageList->setEnabled(polygons);
    }
    if (m_burstDialog) m_burstDialog->enableSizesByType();
}

void CParticlesPage::chooseImage(int index) {
    if (index < 0) return;
    EmitterData e = m_doc.emitter();
    const QString text = m_imageList->itemText(index);
    if (text != QLatin1String("NONE")) {
        const QByteArray name = text.toLocal8Bit();
        e.textureId = m_doc.textureId(text);
        std::memset(e.imageName, 0, sizeof e.imageName);
        std::memcpy(e.imageName, name.constData(), std::min<size_t>(name.size(), sizeof e.imageName - 1));
    } else {
        e.textureId = 0;
        e.imageName[0] = '\0';
    }
    send(e, QStringLiteral("Particle Image"));
}

void CParticlesPage::commit(int id) {
    EmitterData e = m_doc.emitter();
    commitField(m_edits[id], bindingFor(id), &e);
    send(e, QString::fromLatin1(bindingFor(id).name), id);
}

void CParticlesPage::setDependents() {
    const EmitterData& e = m_doc.emitter();
    m_edits[IDC_PART_GROUND]->setEnabled(e.isReflected != 0);
    m_boxes[kBurstOnGround]->setEnabled(e.isBurst != 0);
    m_properties->setEnabled(e.isBurst != 0);
    if (m_burstDialog) m_burstDialog->enableAll(e.isBurst != 0);
    m_edits[IDC_PART_LIFESPAN]->setEnabled(e.isLifespan != 0);
    for (int id : {IDC_PART_POSITION_X, IDC_PART_POSITION_X + 1, IDC_PART_POSITION_X + 2})
        m_edits[id]->setEnabled(e.isAttachToModel == 0);
}

void CParticlesPage::toggle(int which) {
    EmitterData e = m_doc.emitter();
    int32_t& flag = e.*(kChecks[which].flag);
    flag = !flag;
    send(e, QString::fromLatin1(kChecks[which].caption).remove(QLatin1Char(':')));
}

void CParticlesPage::refreshFromEmitter(bool keepShown) {
    const EmitterData& e = m_doc.emitter();
    for (int i = 0; i < 7; ++i) m_boxes[i]->setChecked(e.*(kChecks[i].flag) != 0);
    setDependents();
    for (const FieldBinding& f : kFields) showField(m_edits[f.id], f, &e, keepShown);
    showType(e.particleType);
    {
        const QSignalBlocker block(m_modeList);
        if (e.particleType >= KORVID_PARTICLE_POINTS && e.particleType <= KORVID_PARTICLE_POLYGONS)
            m_modeList->setCurrentIndex(e.particleType);
    }
    m_imageName = QString::fromLocal8Bit(e.imageName);
    {
        const QSignalBlocker block(m_imageList);
        m_imageList->setEditText(m_imageName);
    }
    rebuildSwatches();
    m_lifeCurves->refresh(keepShown);
    m_shape->refresh(keepShown);
    m_forces->refresh(keepShown);
    m_colliders->refresh(keepShown);
    m_flipbook->refresh(keepShown);
    m_spin->refresh(keepShown);
    m_trail->refresh(keepShown);
    showCurveUse();
}

void CParticlesPage::showCurveUse() {
    // A curve takes the place of the start and end values it replaces; the
    // start variations still apply.
    if (!m_add->isEnabled() || m_doc.currentEmitter() < 0) return;
    const bool colour = m_doc.extras().curves[KORVID_CURVE_COLOUR].empty();
    const bool size = m_doc.extras().curves[KORVID_CURVE_SIZE].empty();
    const bool polygons = m_doc.emitter().particleType == KORVID_PARTICLE_POLYGONS;
    for (int c = 0; c < 4; ++c)
        for (int id : {IDC_PART_START_R, IDC_PART_END_R, IDC_PART_END_VAR_R}) m_edits[id + c]->setEnabled(colour);
    m_startSelect->setEnabled(colour);
    m_endSelect->setEnabled(colour);
    m_edits[IDC_PART_START_SIZE]->setEnabled(size);
    for (int id : {IDC_PART_END_SIZE, IDC_PART_END_SIZE_VAR}) m_edits[id]->setEnabled(size && polygons);
}

void CParticlesPage::rebuildSwatches() {
    m_startSwatch->setColor(swatchColor(m_doc.emitter().startColor));
    m_endSwatch->setColor(swatchColor(m_doc.emitter().endColor));
}

void CParticlesPage::selectColour(bool start) {
    EmitterData e = m_doc.emitter();
    float* colour = start ? e.startColor : e.endColor;
    const int first = start ? IDC_PART_START_R : IDC_PART_END_R;
    QLineEdit* edits[3] = {m_edits[first], m_edits[first + 1], m_edits[first + 2]};
    if (!vantor::selectColour(this, colour, edits, start ? m_startSwatch : m_endSwatch, ByteScale::MultiplyByInverse))
        return;
    send(e, start ? QStringLiteral("Start Colour") : QStringLiteral("End Colour"));
}

void CParticlesPage::documentCleared() {
    {
        const QSignalBlocker a(m_emitterList);
        const QSignalBlocker b(m_imageList);
        m_emitterList->clear();
        m_imageList->clear();
        m_imageList->addItem(QStringLiteral("NONE"));
        m_emitterList->setEditText(QStringLiteral("<ADD>"));
    }
    refreshFromEmitter();
    enableControls(false);
}

void CParticlesPage::documentOpened() {
    {
        const QSignalBlocker block(m_emitterList);
        m_emitterList->clear();
        m_emitterList->addItems(m_doc.emitterNames());
    }
    if (m_doc.emitterNames().isEmpty()) {
        enableListOnly();
        return;
    }
    {
        const QSignalBlocker block(m_emitterList);
        m_emitterList->setCurrentIndex(0);
    }
    enableControls(true);
    refreshFromEmitter();
    m_burstDialog->refreshFromBurst();
}

void CParticlesPage::showEmitters() {
    {
        const QSignalBlocker block(m_emitterList);
        m_emitterList->clear();
        m_emitterList->addItems(m_doc.emitterNames());
    }
    if (m_doc.currentEmitter() < 0) {
        {
            const QSignalBlocker block(m_emitterList);
            m_emitterList->setEditText(QStringLiteral("<ADD>"));
        }
        refreshFromEmitter();
        enableListOnly();
        return;
    }
    {
        const QSignalBlocker block(m_emitterList);
        m_emitterList->setCurrentIndex(m_doc.currentEmitter());
    }
    enableControls(true);
    selectEmitter(m_doc.currentEmitter());
}

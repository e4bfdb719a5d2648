#include "pages/particle_extras.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "widgets/controls.h"
#include "widgets/curve_editors.h"
#include "resource.h"
#include "document/vantor_doc.h"

namespace vantor {

namespace {

// The straight line a particle follows without a curve, as the keys a new curve starts from.
std::vector<CurveKey> startingKeys(int which, const EmitterData& e) {
    if (which == KORVID_CURVE_COLOUR) {
        CurveKey first{0, {}}, last{1, {}};
        std::copy(e.startColor, e.startColor + 4, first.value);
        std::copy(e.endColor, e.endColor + 4, last.value);
        return {first, last};
    }
    // Points, lines and sparks keep one size all their life.
    const float end = e.particleType == KORVID_PARTICLE_POLYGONS ? e.endSize : e.startSize;
    return {CurveKey{0, {std::max(0.0f, e.startSize), 0, 0, 0}}, CurveKey{1, {std::max(0.0f, end), 0, 0, 0}}};
}

QCheckBox* checkBox(QWidget* parent, const QString& caption, int id) {
    return controlWithId<QCheckBox>(id, caption, parent);
}

CommitEdit* numberField(QWidget* parent, int id) { return controlWithId<CommitEdit>(id, parent); }

}  // namespace

// ---- Over life -------------------------------------------------------------------

LifeCurvesBox::LifeCurvesBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Over Life"), parent), m_doc(document) {
    m_colourOn = checkBox(this, QStringLiteral("Colour over life"), IDC_PART_COLOUR_CURVE);
    m_sizeOn = checkBox(this, QStringLiteral("Size over life"), IDC_PART_SIZE_CURVE);
    m_gradient = new GradientBar(this);
    setControlId(m_gradient, IDC_PART_GRADIENT);
    m_graph = new SizeGraph(this);
    setControlId(m_graph, IDC_PART_SIZE_GRAPH);
    m_keyTime = numberField(this, IDC_PART_KEY_TIME);
    m_keySize = numberField(this, IDC_PART_KEY_SIZE);
    m_keyTime->setStepRange(0, 1);
    m_keySize->setStepRange(0, 1e9);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_colourOn);
    layout->addWidget(m_gradient);
    layout->addWidget(m_sizeOn);
    layout->addWidget(m_graph);
    auto* key = new QHBoxLayout;
    key->addWidget(new QLabel(QStringLiteral("Key Time:"), this));
    key->addWidget(m_keyTime);
    key->addWidget(new QLabel(QStringLiteral("Size:"), this));
    key->addWidget(m_keySize);
    key->addStretch(1);
    layout->addLayout(key);

    connect(m_colourOn, &QCheckBox::clicked, this, [this] { toggle(KORVID_CURVE_COLOUR); });
    connect(m_sizeOn, &QCheckBox::clicked, this, [this] { toggle(KORVID_CURVE_SIZE); });
    // Each gesture on a curve is a change of its own.
    connect(m_gradient, &CurveEditor::edited, this,
            [this](const std::vector<CurveKey>& keys) { send(KORVID_CURVE_COLOUR, keys); });
    connect(m_graph, &CurveEditor::edited, this,
            [this](const std::vector<CurveKey>& keys) { send(KORVID_CURVE_SIZE, keys); });
    connect(m_graph, &CurveEditor::selectionChanged, this, [this] { showSelectedKey(false); });
    connect(m_keyTime, &CommitEdit::committed, this, [this] { commitKey(IDC_PART_KEY_TIME); });
    connect(m_keySize, &CommitEdit::committed, this, [this] { commitKey(IDC_PART_KEY_SIZE); });
}

void LifeCurvesBox::send(int which, const std::vector<CurveKey>& keys, int field) {
    if (const Refusal refusal = m_doc.editCurve(which, keys, field); !refusal.text.isEmpty()) {
        message(this, refusal.text);
        refresh();
    }
}

void LifeCurvesBox::toggle(int which) {
    const bool on = m_doc.extras().curves[which].empty();
    send(which, on ? startingKeys(which, m_doc.emitter()) : std::vector<CurveKey>{});
}

void LifeCurvesBox::commitKey(int id) {
    const int index = m_graph->selected();
    std::vector<CurveKey> keys = m_doc.extras().curves[KORVID_CURVE_SIZE];
    if (index < 0 || index >= int(keys.size())) return;
    CurveKeys curve;
    curve.set(keys);
    if (id == IDC_PART_KEY_TIME) {
        curve.moveTo(index, toFloat(m_keyTime->text()));
    } else {
        keys = curve.keys();
        keys[size_t(index)].value[0] = std::max(0.0f, toFloat(m_keySize->text()));
        curve.set(keys);
    }
    send(KORVID_CURVE_SIZE, curve.keys(), id);
    showSelectedKey(false);
}

void LifeCurvesBox::showSelectedKey(bool keepShown) {
    const auto& keys = m_doc.extras().curves[KORVID_CURVE_SIZE];
    const int index = m_graph->selected();
    const bool any = index >= 0 && index < int(keys.size()) && isEnabled() && m_sizeOn->isChecked();
    m_keyTime->setEnabled(any && m_sizeOn->isEnabled());
    m_keySize->setEnabled(any && m_sizeOn->isEnabled());
    if (!any) {
        m_keyTime->clear();
        m_keySize->clear();
        return;
    }
    showNumber(m_keyTime, keys[size_t(index)].time, formatG6(keys[size_t(index)].time), keepShown);
    showNumber(m_keySize, keys[size_t(index)].value[0], formatG6(keys[size_t(index)].value[0]), keepShown);
}

void LifeCurvesBox::refresh(bool keepShown) {
    const EmitterExtras& x = m_doc.extras();
    const bool enabled = m_colourOn->isEnabled();
    const bool colour = !x.curves[KORVID_CURVE_COLOUR].empty(), size = !x.curves[KORVID_CURVE_SIZE].empty();
    m_colourOn->setChecked(colour);
    m_sizeOn->setChecked(size);
    // Without a curve the editors show the straight line from start to end, greyed.
    m_gradient->setKeys(colour ? x.curves[KORVID_CURVE_COLOUR] : startingKeys(KORVID_CURVE_COLOUR, m_doc.emitter()));
    m_graph->setKeys(size ? x.curves[KORVID_CURVE_SIZE] : startingKeys(KORVID_CURVE_SIZE, m_doc.emitter()));
    m_gradient->setEnabled(enabled && colour);
    m_graph->setEnabled(enabled && size);
    if (size && m_graph->selected() < 0) m_graph->select(0);
    showSelectedKey(keepShown);
}

// ---- Shape -------------------------------------------------------------------------

ShapeBox::ShapeBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Shape"), parent), m_doc(document) {
    m_kind = new QComboBox(this);
    setControlId(m_kind, IDC_PART_SHAPE);
    m_kind->addItems({QStringLiteral("Point"), QStringLiteral("Sphere"), QStringLiteral("Box"), QStringLiteral("Disc"),
                      QStringLiteral("Mesh")});
    m_sizeLabel = new QLabel(QStringLiteral("Size:"), this);
    for (int i = 0; i < 3; ++i) {
        m_sizes[i] = numberField(this, IDC_PART_SHAPE_SIZE_X + i);
        m_sizes[i]->setStepRange(0, 1e9);
    }
    m_shell = checkBox(this, QStringLiteral("Surface only"), IDC_PART_SHAPE_SHELL);
    m_shell->setToolTip(QStringLiteral("Particles are born on the sphere's surface, the box's faces or the disc's rim"));

    auto* layout = new QVBoxLayout(this);
    auto* first = new QHBoxLayout;
    first->addWidget(new QLabel(QStringLiteral("Kind:"), this));
    first->addWidget(m_kind);
    first->addWidget(m_shell);
    first->addStretch(1);
    layout->addLayout(first);
    auto* second = new QHBoxLayout;
    second->addWidget(m_sizeLabel);
    for (CommitEdit* edit : m_sizes) second->addWidget(edit);
    second->addStretch(1);
    layout->addLayout(second);

    connect(m_kind, &QComboBox::activated, this, &ShapeBox::chooseKind);
    connect(m_shell, &QCheckBox::clicked, this, [this](bool on) {
        EmitterShape shape = m_doc.extras().shape;
        shape.shell = on ? 1 : 0;
        send(shape);
    });
    for (int i = 0; i < 3; ++i)
        connect(m_sizes[i], &CommitEdit::committed, this, [this, i] {
            EmitterShape shape = m_doc.extras().shape;
            shape.size[i] = std::max(0.0f, toFloat(m_sizes[i]->text()));
            send(shape, IDC_PART_SHAPE_SIZE_X + i);
        });
}

void ShapeBox::chooseKind(int kind) {
    EmitterShape shape = m_doc.extras().shape;
    if (kind == shape.kind) return;
    shape.kind = kind;
    // A shape chosen for the first time starts at a size that shows.
    if (kind == KORVID_SHAPE_SPHERE || kind == KORVID_SHAPE_DISC) {
        if (shape.size[0] <= 0) shape.size[0] = 0.5f;
    } else if (kind == KORVID_SHAPE_BOX) {
        for (float& s : shape.size)
            if (s <= 0) s = 1.0f;
    }
    send(shape);
}

void ShapeBox::send(EmitterShape shape, int field) {
    // The page shows an accepted shape as the document announces it; a
    // refused one is put back here.
    if (const Refusal refusal = m_doc.editShape(shape, field); refusal) {
        if (!refusal.text.isEmpty()) message(this, refusal.text);
        refresh();
    }
}

void ShapeBox::refresh(bool keepShown) {
    const EmitterShape& s = m_doc.extras().shape;
    const bool enabled = m_kind->isEnabled();
    {
        const QSignalBlocker block(m_kind);
        m_kind->setCurrentIndex(std::clamp<int>(s.kind, KORVID_SHAPE_POINT, KORVID_SHAPE_MESH));
    }
    const bool round = s.kind == KORVID_SHAPE_SPHERE || s.kind == KORVID_SHAPE_DISC;
    const int sizes = round ? 1 : s.kind == KORVID_SHAPE_BOX ? 3 : 0;
    m_sizeLabel->setText(round ? QStringLiteral("Radius:") : QStringLiteral("Size:"));
    for (int i = 0; i < 3; ++i) {
        m_sizes[i]->setEnabled(enabled && i < sizes);
        if (i < sizes)
            showNumber(m_sizes[i], s.size[i], formatG6(s.size[i]), keepShown);
        else
            m_sizes[i]->clear();
    }
    m_shell->setChecked(s.shell != 0);
    m_shell->setEnabled(enabled && (round || s.kind == KORVID_SHAPE_BOX));
}

}  // namespace vantor

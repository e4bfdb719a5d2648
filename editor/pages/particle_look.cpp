#include "pages/particle_look.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "document/vantor_doc.h"
#include "resource.h"
#include "widgets/controls.h"

namespace vantor {

namespace {

QHBoxLayout* row(QWidget*, std::initializer_list<QWidget*> widgets) {
    auto* r = new QHBoxLayout;
    for (QWidget* w : widgets) r->addWidget(w);
    r->addStretch(1);
    return r;
}

QLabel* label(QWidget* parent, const char* text) { return new QLabel(QString::fromLatin1(text), parent); }

const std::vector<FieldBinding> kFlipbookFields = {
    {IDC_PART_FLIP_COLUMNS, offsetof(Flipbook, columns), FieldKind::Integer, "%d", "Flipbook Columns"},
    {IDC_PART_FLIP_ROWS, offsetof(Flipbook, rows), FieldKind::Integer, "%d", "Flipbook Rows"},
    {IDC_PART_FLIP_FRAMES, offsetof(Flipbook, frames), FieldKind::Integer, "%d", "Flipbook Frames"},
    {IDC_PART_FLIP_FPS, offsetof(Flipbook, fps), FieldKind::Real, "%1.2f", "Flipbook Rate"},
};
const std::vector<FlagBinding> kFlipbookFlags = {
    {IDC_PART_FLIP_OVER_LIFE, offsetof(Flipbook, overLife), "Over life"},
    {IDC_PART_FLIP_RANDOM_START, offsetof(Flipbook, randomStart), "Random start"},
    {IDC_PART_FLIP_BLEND, offsetof(Flipbook, blend), "Blend"},
};
const std::vector<FieldBinding> kSpinFields = {
    {IDC_PART_SPIN_ANGLE, offsetof(ParticleSpin, angle), FieldKind::Angle, "%3.1f", "Angle"},
    {IDC_PART_SPIN_ANGLE_VAR, offsetof(ParticleSpin, angleVar), FieldKind::Angle, "%3.1f", "Angle Variation"},
    {IDC_PART_SPIN_RATE, offsetof(ParticleSpin, spin), FieldKind::Angle, "%3.1f", "Spin"},
    {IDC_PART_SPIN_RATE_VAR, offsetof(ParticleSpin, spinVar), FieldKind::Angle, "%3.1f", "Spin Variation"},
    {IDC_PART_SPIN_STRETCH, offsetof(ParticleSpin, stretch), FieldKind::Real, "%1.3f", "Stretch"},
};
const std::vector<FlagBinding> kSpinFlags = {
    {IDC_PART_SPIN_ALIGN, offsetof(ParticleSpin, align), "Along the motion"},
};
const std::vector<FieldBinding> kTrailFields = {
    {IDC_PART_TRAIL_LENGTH, offsetof(Trail, length), FieldKind::Integer, "%d", "Trail Length"},
    {IDC_PART_TRAIL_DISTANCE, offsetof(Trail, minDistance), FieldKind::Real, "%1.3f", "Trail Point Distance"},
    {IDC_PART_TRAIL_WIDTH_START, offsetof(Trail, widthStart), FieldKind::Real, "%1.3f", "Trail Width"},
    {IDC_PART_TRAIL_WIDTH_END, offsetof(Trail, widthEnd), FieldKind::Real, "%1.3f", "Trail End Width"},
    {IDC_PART_TRAIL_ALPHA_END, offsetof(Trail, alphaEnd), FieldKind::Real, "%1.2f", "Trail End Alpha"},
};
const std::vector<FlagBinding> kTrailFlags = {
    {IDC_PART_TRAIL_ENABLED, offsetof(Trail, enabled), "Trails"},
};

// Wires every edit's commit and every check box's click of `controls` to `changed(id)`.
template <typename Changed>
void onEveryChange(QWidget* box, const RecordControls& controls, const std::vector<FlagBinding>& flags,
                   Changed changed) {
    for (const FieldBinding& f : controls.fields())
        QObject::connect(controls.edit(f.id), &CommitEdit::committed, box, [changed, id = f.id] { changed(id); });
    for (const FlagBinding& f : flags)
        QObject::connect(controls.check(f.id), &QCheckBox::clicked, box, [changed, id = f.id] { changed(id); });
}

void refuse(QWidget* box, const Refusal& refusal) {
    if (refusal && !refusal.text.isEmpty()) message(box, refusal.text);
}

}  // namespace

// ---- A record's controls -------------------------------------------------------------

RecordControls::RecordControls(QWidget* parent, std::vector<FieldBinding> fields, std::vector<FlagBinding> flags)
    : m_fields(std::move(fields)), m_flags(std::move(flags)) {
    for (const FieldBinding& f : m_fields) {
        auto* edit = controlWithId<CommitEdit>(f.id, parent);
        edit->setMaximumWidth(64);
        m_edits.insert(f.id, edit);
    }
    for (const FlagBinding& f : m_flags)
        m_checks.insert(f.id, controlWithId<QCheckBox>(f.id, QString::fromLatin1(f.caption), parent));
}

void RecordControls::show(const void* record, bool enabled, bool keepShown) {
    for (const FieldBinding& f : m_fields) {
        CommitEdit* edit = m_edits.value(f.id);
        edit->setEnabled(enabled);
        if (enabled) showField(edit, f, record, keepShown);
        else edit->clear();
    }
    for (const FlagBinding& f : m_flags) {
        int32_t value = 0;
        std::memcpy(&value, static_cast<const char*>(record) + f.offset, sizeof value);
        QCheckBox* check = m_checks.value(f.id);
        check->setEnabled(enabled);
        check->setChecked(enabled && value != 0);
    }
}

void RecordControls::commit(int id, void* record) const {
    if (CommitEdit* edit = m_edits.value(id)) commitField(edit, bindingFor(m_fields, id), record);
}

void RecordControls::toggle(int id, void* record) const {
    for (const FlagBinding& f : m_flags)
        if (f.id == id) {
            const int32_t value = m_checks.value(id)->isChecked() ? 1 : 0;
            std::memcpy(static_cast<char*>(record) + f.offset, &value, sizeof value);
        }
}

// ---- Flipbook ----------------------------------------------------------------------

FlipbookPreview::FlipbookPreview(QWidget* parent) : QWidget(parent) {
    setControlId(this, IDC_PART_FLIP_PREVIEW);
    setMinimumSize(72, 72);
}

void FlipbookPreview::show(const QString& imagePath, const Flipbook& flipbook) {
    if (imagePath != m_path) {
        m_path = imagePath;
        m_image = imagePath.isEmpty() ? QImage() : QImage(imagePath);
    }
    m_flipbook = flipbook;
    update();
}

void FlipbookPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(area, Qt::black);
    if (!m_image.isNull()) painter.drawImage(area, m_image);
    const Flipbook& f = m_flipbook;
    if (f.columns <= 0 || f.rows <= 0) {
        painter.setPen(Qt::gray);
        painter.drawRect(area);
        return;
    }
    // Cells left to right, top to bottom; those past the frames used are dimmed.
    const double w = double(area.width()) / f.columns, h = double(area.height()) / f.rows;
    for (int cell = f.frames; cell < f.columns * f.rows; ++cell)
        painter.fillRect(QRectF(area.left() + (cell % f.columns) * w, area.top() + (cell / f.columns) * h, w, h),
                         QColor(0, 0, 0, 170));
    painter.setPen(QColor(255, 210, 0));
    if (f.columns <= 64)
        for (int c = 0; c <= f.columns; ++c) painter.drawLine(QPointF(area.left() + c * w, area.top()),
                                                              QPointF(area.left() + c * w, area.bottom()));
    if (f.rows <= 64)
        for (int r = 0; r <= f.rows; ++r) painter.drawLine(QPointF(area.left(), area.top() + r * h),
                                                           QPointF(area.right(), area.top() + r * h));
}

FlipbookBox::FlipbookBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Flipbook"), parent), m_doc(document),
      m_controls(this, kFlipbookFields, kFlipbookFlags), m_preview(new FlipbookPreview(this)) {
    m_controls.edit(IDC_PART_FLIP_COLUMNS)->setRange(0, KORVID_MAX_FLIPBOOK_CELLS);
    m_controls.edit(IDC_PART_FLIP_ROWS)->setRange(1, KORVID_MAX_FLIPBOOK_CELLS);
    m_controls.edit(IDC_PART_FLIP_FRAMES)->setRange(1, KORVID_MAX_FLIPBOOK_CELLS);
    m_controls.edit(IDC_PART_FLIP_FPS)->setRange(0, 1000);
    m_controls.edit(IDC_PART_FLIP_COLUMNS)->setToolTip(QStringLiteral("Cells across the emitter's image; 0 plays no flipbook"));
    auto* fields = new QVBoxLayout;
    fields->addLayout(row(this, {label(this, "Columns:"), m_controls.edit(IDC_PART_FLIP_COLUMNS), label(this, "Rows:"),
                                 m_controls.edit(IDC_PART_FLIP_ROWS), label(this, "Frames:"),
                                 m_controls.edit(IDC_PART_FLIP_FRAMES)}));
    fields->addLayout(row(this, {label(this, "Frames a second:"), m_controls.edit(IDC_PART_FLIP_FPS),
                                 m_controls.check(IDC_PART_FLIP_OVER_LIFE)}));
    fields->addLayout(row(this, {m_controls.check(IDC_PART_FLIP_RANDOM_START), m_controls.check(IDC_PART_FLIP_BLEND)}));
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addWidget(m_preview);
    onEveryChange(this, m_controls, kFlipbookFlags, [this](int id) {
        Flipbook f = m_doc.extras().flipbook;
        m_controls.commit(id, &f);
        m_controls.toggle(id, &f);
        send(f, id);
    });
}

void FlipbookBox::send(Flipbook f, int field) {
    // A sheet being laid out stays one the library takes: at least a row,
    // and its frames within its cells (all of them when none were chosen).
    if (f.columns > 0) {
        f.rows = std::max(f.rows, 1);
        const int cells = std::min(f.columns * f.rows, KORVID_MAX_FLIPBOOK_CELLS);
        f.frames = f.frames <= 0 ? cells : std::min(f.frames, cells);
        if (f.fps <= 0 && !f.overLife) f.fps = 24;
    }
    const Refusal refusal = m_doc.editFlipbook(f, field);
    refuse(this, refusal);
    refresh();
}

void FlipbookBox::refresh(bool keepShown) {
    const bool on = m_doc.currentEmitter() >= 0;
    const Flipbook& f = m_doc.extras().flipbook;
    m_controls.show(&f, on, keepShown);
    if (on) {
        const bool sheet = f.columns > 0;
        for (int id : {IDC_PART_FLIP_ROWS, IDC_PART_FLIP_FRAMES, IDC_PART_FLIP_OVER_LIFE, IDC_PART_FLIP_RANDOM_START,
                       IDC_PART_FLIP_BLEND})
            if (QWidget* w = m_controls.edit(id) ? static_cast<QWidget*>(m_controls.edit(id)) : m_controls.check(id))
                w->setEnabled(sheet);
        m_controls.edit(IDC_PART_FLIP_FPS)->setEnabled(sheet && !f.overLife);
    }
    TextureInfo image{};
    const EmitterData& e = m_doc.emitter();
    const bool hasImage = on && e.imageName[0] && m_doc.scene().image(QString::fromLocal8Bit(e.imageName), &image);
    m_preview->show(hasImage ? QString::fromLocal8Bit(image.path) : QString(), f);
}

// ---- Spin, stretch and order -------------------------------------------------------

SpinStretchBox::SpinStretchBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Spin and Stretch"), parent), m_doc(document), m_controls(this, kSpinFields, kSpinFlags) {
    m_controls.edit(IDC_PART_SPIN_ANGLE_VAR)->setRange(0, 1e6);
    m_controls.edit(IDC_PART_SPIN_RATE_VAR)->setRange(0, 1e6);
    m_controls.edit(IDC_PART_SPIN_STRETCH)->setRange(0, 1e6);
    m_controls.edit(IDC_PART_SPIN_RATE)->setToolTip(QStringLiteral("Degrees a second"));
    m_controls.edit(IDC_PART_SPIN_STRETCH)->setToolTip(
        QStringLiteral("Along the motion, a particle is this much longer for each unit a second of its speed"));
    m_sort = controlWithId<QComboBox>(IDC_PART_SORT, this);
    m_sort->addItems({QStringLiteral("As born"), QStringLiteral("Back to front")});
    m_sort->setToolTip(QStringLiteral("The order Polygons are drawn in; back to front suits smoke"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row(this, {label(this, "Angle:"), m_controls.edit(IDC_PART_SPIN_ANGLE), label(this, "Var:"),
                                 m_controls.edit(IDC_PART_SPIN_ANGLE_VAR), label(this, "Spin:"),
                                 m_controls.edit(IDC_PART_SPIN_RATE), label(this, "Var:"),
                                 m_controls.edit(IDC_PART_SPIN_RATE_VAR)}));
    layout->addLayout(row(this, {m_controls.check(IDC_PART_SPIN_ALIGN), label(this, "Stretch:"),
                                 m_controls.edit(IDC_PART_SPIN_STRETCH), label(this, "Draw order:"), m_sort}));
    onEveryChange(this, m_controls, kSpinFlags, [this](int id) {
        ParticleSpin s = m_doc.extras().spin;
        m_controls.commit(id, &s);
        m_controls.toggle(id, &s);
        send(s, id);
    });
    connect(m_sort, &QComboBox::activated, this, [this](int mode) {
        if (mode == m_doc.extras().sort) return;
        refuse(this, m_doc.editSort(mode));
        refresh();
    });
}

void SpinStretchBox::send(const ParticleSpin& spin, int field) {
    refuse(this, m_doc.editSpin(spin, field));
    refresh();
}

void SpinStretchBox::refresh(bool keepShown) {
    const bool on = m_doc.currentEmitter() >= 0;
    const ParticleSpin& s = m_doc.extras().spin;
    m_controls.show(&s, on, keepShown);
    if (on) m_controls.edit(IDC_PART_SPIN_STRETCH)->setEnabled(s.align != 0);
    m_sort->setEnabled(on);
    const QSignalBlocker block(m_sort);
    m_sort->setCurrentIndex(on ? std::clamp(m_doc.extras().sort, 0, 1) : -1);
}

// ---- Trails ------------------------------------------------------------------------

TrailBox::TrailBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Trail"), parent), m_doc(document), m_controls(this, kTrailFields, kTrailFlags) {
    m_controls.edit(IDC_PART_TRAIL_LENGTH)->setRange(1, KORVID_MAX_TRAIL_MS);
    for (int id : {IDC_PART_TRAIL_DISTANCE, IDC_PART_TRAIL_WIDTH_START, IDC_PART_TRAIL_WIDTH_END})
        m_controls.edit(id)->setRange(0, 1e6);
    m_controls.edit(IDC_PART_TRAIL_ALPHA_END)->setRange(0, 1);
    m_controls.edit(IDC_PART_TRAIL_DISTANCE)
        ->setToolTip(QStringLiteral("A new point only after moving this far; 0 every step"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row(this, {m_controls.check(IDC_PART_TRAIL_ENABLED), label(this, "Length:"),
                                 m_controls.edit(IDC_PART_TRAIL_LENGTH), label(this, "ms"), label(this, "Every:"),
                                 m_controls.edit(IDC_PART_TRAIL_DISTANCE)}));
    layout->addLayout(row(this, {label(this, "Width:"), m_controls.edit(IDC_PART_TRAIL_WIDTH_START),
                                 label(this, "to"), m_controls.edit(IDC_PART_TRAIL_WIDTH_END),
                                 label(this, "Alpha at the tail:"), m_controls.edit(IDC_PART_TRAIL_ALPHA_END)}));
    onEveryChange(this, m_controls, kTrailFlags, [this](int id) {
        Trail t = m_doc.extras().trail;
        m_controls.commit(id, &t);
        m_controls.toggle(id, &t);
        send(t, id);
    });
}

void TrailBox::send(Trail t, int field) {
    // A trail turned on for the first time starts with a length and a width that show.
    if (t.enabled && t.length < 1) {
        t.length = 300;
        if (t.widthStart <= 0) t.widthStart = 0.05f;
    }
    refuse(this, m_doc.editTrail(t, field));
    refresh();
}

void TrailBox::refresh(bool keepShown) {
    const bool on = m_doc.currentEmitter() >= 0;
    const Trail& t = m_doc.extras().trail;
    m_controls.show(&t, on, keepShown);
    if (on)
        for (const FieldBinding& f : kTrailFields) m_controls.edit(f.id)->setEnabled(t.enabled != 0);
}

}  // namespace vantor

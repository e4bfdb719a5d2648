#include "view/timeline_bar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

#include "widgets/controls.h"
#include "korvid.h"
#include "resource.h"
#include "view/simulation_controls.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

using namespace vantor;

namespace {
// The range shown when an effect never ends: the first whole step from 10 s.
constexpr int kUnboundedMs = (10000 + TimelineBar::kStep - 1) / TimelineBar::kStep * TimelineBar::kStep;

// The in and out points are whole steps, the moments a seek can reach.
void snapToStep(QSpinBox* box) {
    const int step = TimelineBar::kStep;
    const int snapped = (box->value() + step / 2) / step * step;
    if (snapped == box->value()) return;
    const QSignalBlocker block(box);
    box->setValue(snapped);
}

QAction* command(QWidget* owner, const QString& text, int id, const QKeySequence& keys, const QString& tip) {
    auto* a = new QAction(text, owner);
    a->setProperty("commandId", id);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WidgetShortcut);
    a->setStatusTip(tip);
    a->setToolTip(text + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')'));
    return a;
}

QToolButton* button(QWidget* parent, QAction* action) {
    auto* b = new QToolButton(parent);
    b->setDefaultAction(action);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
}  // namespace

TimelineBar::TimelineBar(CVantorDoc& document, CVantorView& view, SimulationControls& simulation, QWidget* parent)
    : QWidget(parent), m_doc(document), m_view(view), m_simulation(simulation) {
    // Home frames the view, as in 3D tools: the timeline's ends are Ctrl+Home and End (or Ctrl+End).
    m_start = command(this, QStringLiteral("Go to Start"), ID_TIME_START, QKeySequence(Qt::CTRL | Qt::Key_Home),
                      QStringLiteral("Show the in point"));
    m_back = command(this, QStringLiteral("Step Back"), ID_TIME_BACK, QKeySequence(Qt::Key_Left),
                     QStringLiteral("Show the moment one step earlier"));
    auto* forward = command(this, QStringLiteral("Step Forward"), ID_TIME_FORWARD, QKeySequence(Qt::Key_Right),
                            QStringLiteral("Show the moment one step later"));
    m_end = command(this, QStringLiteral("Go to End"), ID_TIME_END, QKeySequence(Qt::Key_End),
                    QStringLiteral("Show the out point"));
    m_loop = command(this, QStringLiteral("Loop"), ID_TIME_LOOP, QKeySequence(Qt::Key_L),
                     QStringLiteral("Play the range from the in point to the out point again and again"));
    m_end->setShortcuts({QKeySequence(Qt::Key_End), QKeySequence(Qt::CTRL | Qt::Key_End)});
    m_loop->setCheckable(true);
    const std::pair<QAction*, QStyle::StandardPixmap> icons[] = {{m_start, QStyle::SP_MediaSkipBackward},
                                                                 {m_back, QStyle::SP_MediaSeekBackward},
                                                                 {forward, QStyle::SP_MediaSeekForward},
                                                                 {m_end, QStyle::SP_MediaSkipForward}};
    for (const auto& [action, icon] : icons) action->setIcon(style()->standardIcon(icon));
    // The keys work with the 3D view focused, as the view's own Space does.
    for (QAction* a : {m_start, m_back, forward, m_end, m_loop}) {
        m_view.addAction(a);
        a->setEnabled(false);
    }

    m_now = new QLabel(this);
    setControlId(m_now, IDC_TIME_NOW);
    m_now->setMinimumWidth(m_now->fontMetrics().horizontalAdvance(QStringLiteral("0000.000 s")));
    m_now->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_slider = new QSlider(Qt::Horizontal, this);
    setControlId(m_slider, IDC_TIME_SLIDER);
    m_slider->setSingleStep(kStep);
    m_slider->setPageStep(kStep * 20);
    auto spin = [this](int id, int maximum, const QString& suffix) {
        auto* box = new QSpinBox(this);
        setControlId(box, id);
        box->setRange(0, maximum);
        box->setSuffix(suffix);
        box->setKeyboardTracking(false);
        return box;
    };
    m_in = spin(IDC_TIME_IN, 3600000, QStringLiteral(" ms"));
    m_out = spin(IDC_TIME_OUT, 3600000, QStringLiteral(" ms"));
    m_in->setSingleStep(kStep);
    m_out->setSingleStep(kStep);
    m_seed = spin(IDC_TIME_SEED, 2147483647, QString());
    m_seed->setValue(1);
    m_out->setValue(kUnboundedMs);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(button(this, m_start));
    row->addWidget(button(this, m_back));
    row->addWidget(button(this, m_simulation.playPause()));
    row->addWidget(button(this, forward));
    row->addWidget(button(this, m_end));
    row->addWidget(button(this, m_loop));
    row->addWidget(m_now);
    row->addWidget(m_slider, 1);
    row->addWidget(new QLabel(QStringLiteral("In:"), this));
    row->addWidget(m_in);
    row->addWidget(new QLabel(QStringLiteral("Out:"), this));
    row->addWidget(m_out);
    row->addWidget(new QLabel(QStringLiteral("Seed:"), this));
    row->addWidget(m_seed);
    orderTabsByLayout(this);

    auto pause = [this] { m_simulation.setPaused(true); };
    connect(m_start, &QAction::triggered, this, [this] { seek(inPoint()); });
    connect(m_end, &QAction::triggered, this, [this] { seek(outPoint()); });
    connect(m_back, &QAction::triggered, this, [this, pause] {
        pause();
        seek(time() - kStep);
    });
    connect(forward, &QAction::triggered, this, [this, pause] {
        pause();
        seek(time() + kStep);
    });
    connect(m_slider, &QSlider::sliderPressed, this, [this] {
        m_scrubbing = true;
        m_pausedBeforeScrub = m_view.clock().paused();
        m_simulation.setPaused(true);
    });
    connect(m_slider, &QSlider::sliderReleased, this, [this] {
        m_scrubbing = false;
        m_simulation.setPaused(m_pausedBeforeScrub);
    });
    // Dragging, clicks beside the handle and the keys all land on a moment.
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (m_slider->signalsBlocked()) return;
        scrub(value);
    });
    connect(m_in, &QSpinBox::valueChanged, this, [this] {
        snapToStep(m_in);
        fitRange();
    });
    connect(m_out, &QSpinBox::valueChanged, this, [this] {
        snapToStep(m_out);
        fitRange();
    });
    connect(m_seed, &QSpinBox::valueChanged, this, &TimelineBar::setSeed);
    connect(&m_doc, &CVantorDoc::changed, this, &TimelineBar::documentChanged);
    connect(&m_doc, &CVantorDoc::opened, this, [this] {
        if (!m_active) return;
        setRange(0, defaultOutPoint());
        seek(0);
    });
    connect(&m_doc, &CVantorDoc::cleared, this, [this] {
        if (m_active) seek(0);
    });
    connect(&m_view, &QOpenGLWidget::frameSwapped, this, &TimelineBar::frameShown);
    // Play with Loop on keeps to the range: from outside it, it starts at the in point.
    connect(m_simulation.playPause(), &QAction::toggled, this, [this](bool paused) {
        if (!paused && m_active && looping() && (time() < inPoint() || time() >= outPoint())) seek(inPoint());
    });
    fitRange();
    showTime();
}

void TimelineBar::setActive(bool on) {
    if (on == m_active) return;
    m_active = on;
    for (QAction* a : m_view.actions())
        if (a->parent() == this) a->setEnabled(on);
    SimulationClock& clock = m_view.clock();
    if (on) {
        // Fixed steps from a known seed: the same range plays the same pictures.
        clock.setFixedStep(kStep);
        clock.seed(static_cast<uint32_t>(m_seed->value()));
        setRange(0, defaultOutPoint());
        seek(0);
    } else {
        clock.setFixedStep(-1);
    }
}

void TimelineBar::resume(int milliseconds) {
    if (!m_active) return;
    m_view.clock().setFixedStep(kStep);
    m_view.clock().seed(static_cast<uint32_t>(m_seed->value()));
    seek(milliseconds);
}

int TimelineBar::defaultOutPoint() {
    // The effect's length rounded up to whole steps, or a fixed range when an
    // emitter never stops.
    const int out = m_doc.effectLength();
    if (out <= 0) return kUnboundedMs;
    return (out + kStep - 1) / kStep * kStep;
}

void TimelineBar::setRange(int in, int out) {
    const QSignalBlocker a(m_in), b(m_out);
    m_in->setValue(in);
    m_out->setValue(out);
    fitRange();
}

int TimelineBar::time() const { return m_view.clock().time(); }
int TimelineBar::inPoint() const { return std::min(m_in->value(), m_out->value()); }
int TimelineBar::outPoint() const { return std::max(m_in->value(), m_out->value()); }
bool TimelineBar::looping() const { return m_loop->isChecked(); }

void TimelineBar::fitRange() {
    const QSignalBlocker block(m_slider);
    m_slider->setRange(0, std::max({outPoint(), time(), kStep}));
    m_slider->setValue(time());
}

void TimelineBar::seek(int milliseconds) {
    if (!m_active) return;
    m_view.clock().seek(std::max(0, milliseconds));
    showTime();
    m_view.update();
}

void TimelineBar::scrub(int milliseconds) {
    // The handle snaps to whole steps.
    seek(milliseconds / kStep * kStep);
}

void TimelineBar::setSeed(int seed) {
    if (!m_active) return;
    m_view.clock().seed(static_cast<uint32_t>(seed));
    seek(time());
}

void TimelineBar::documentChanged(const DocumentChange& change) {
    if (!m_active) return;
    switch (change.kind) {
    case EntityPart::Emitter:
    case EntityPart::Burst:
    case EntityPart::EmitterList:
    case EntityPart::Geometry:
    case EntityPart::Position:
        // The edit shows at the same moment at once.
        seek(time());
        break;
    default:
        break;
    }
}

void TimelineBar::frameShown() {
    if (!m_active) return;
    if (looping() && !m_view.clock().paused() && time() >= outPoint()) seek(inPoint());
    showTime();
}

void TimelineBar::showTime() {
    const int t = time();
    m_now->setText(QString::asprintf("%d.%03d s", t / 1000, t % 1000));
    if (!m_scrubbing) fitRange();
    emit timeChanged(t);
}

#include "view/simulation_controls.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <cmath>

#include "korvid.h"
#include "view/vantor_view.h"

namespace {
const float kSpeeds[5] = {0.25f, 0.5f, 1.0f, 2.0f, 4.0f};
const char* const kSpeedNames[5] = {"0.25\u00d7", "0.5\u00d7", "1\u00d7", "2\u00d7", "4\u00d7"};
constexpr int kNormalSpeed = 2;
// The step a paused simulation takes: one tick of the redraw timer.
constexpr int kStepMilliseconds = 15;
}  // namespace

SimulationControls::SimulationControls(QMainWindow* frame, CVantorView* view, QMenu* viewMenu, QToolBar* toolBar)
    : QObject(frame), m_view(view) {
    m_playPause = new QAction(QStringLiteral("Pause"), frame);
    m_playPause->setCheckable(true);  // checked while paused
    m_playPause->setShortcut(QKeySequence(Qt::Key_F5));
    m_playPause->setShortcutContext(Qt::ApplicationShortcut);
    m_playPause->setProperty("commandId", int(kPlayPauseCommand));
    m_playPause->setStatusTip(QStringLiteral("Pause or play the particle simulation"));
    m_step = new QAction(QStringLiteral("Step"), frame);
    m_step->setShortcut(QKeySequence(Qt::Key_F10));
    m_step->setShortcutContext(Qt::ApplicationShortcut);
    m_step->setEnabled(false);
    m_step->setProperty("commandId", int(kStepCommand));
    m_step->setStatusTip(QStringLiteral("Advance the paused simulation by one frame"));
    m_restart = new QAction(QStringLiteral("Restart"), frame);
    m_restart->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_restart->setShortcutContext(Qt::ApplicationShortcut);
    m_restart->setProperty("commandId", int(kRestartCommand));
    m_restart->setStatusTip(QStringLiteral("Start every emitter of the model again"));
    for (QAction* a : {m_playPause, m_step, m_restart}) a->setToolTip(a->text());

    QMenu* simulation = viewMenu->addMenu(QStringLiteral("Si&mulation"));
    simulation->addAction(m_playPause);
    simulation->addAction(m_step);
    simulation->addAction(m_restart);
    QMenu* speedMenu = simulation->addMenu(QStringLiteral("Speed"));
    m_speeds = new QActionGroup(this);
    m_speeds->setExclusive(true);
    m_speedBox = new QComboBox(toolBar);
    m_speedBox->setToolTip(QStringLiteral("Simulation speed"));
    m_speedBox->setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < 5; ++i) {
        QAction* a = speedMenu->addAction(QString::fromUtf8(kSpeedNames[i]));
        a->setCheckable(true);
        a->setChecked(i == kNormalSpeed);
        m_speeds->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { setSpeed(i); });
        m_speedBox->addItem(QString::fromUtf8(kSpeedNames[i]));
    }
    m_speedBox->setCurrentIndex(kNormalSpeed);
    connect(m_speedBox, &QComboBox::activated, this, &SimulationControls::setSpeed);

    toolBar->addSeparator();
    toolBar->addAction(m_playPause);
    toolBar->addAction(m_step);
    toolBar->addAction(m_restart);
    toolBar->addWidget(m_speedBox);

    connect(m_playPause, &QAction::toggled, this, &SimulationControls::setPaused);
    connect(m_step, &QAction::triggered, this, &SimulationControls::stepOnce);
    connect(m_restart, &QAction::triggered, this, &SimulationControls::restartEmitters);

    // Right of the message area, left of the key indicators.
    m_statistics = new QLabel(frame);
    m_statistics->setObjectName(QStringLiteral("SimulationStatistics"));
    frame->statusBar()->insertPermanentWidget(0, m_statistics);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &SimulationControls::updateStatistics);
    timer->start(250);
    m_second.start();
    updateStatistics();
}

void SimulationControls::setPaused(bool paused) {
    if (m_playPause->isChecked() != paused) {
        m_playPause->setChecked(paused);  // comes back here through toggled
        return;
    }
    m_view->clock().setPaused(paused);
    m_playPause->setText(paused ? QStringLiteral("Play") : QStringLiteral("Pause"));
    m_playPause->setToolTip(m_playPause->text());
    m_step->setEnabled(paused);
}

void SimulationControls::setSpeed(int index) {
    if (index < 0 || index > 4) return;
    m_view->clock().setSpeed(kSpeeds[index]);
    m_speedBox->setCurrentIndex(index);
    m_speeds->actions().value(index)->setChecked(true);
}

void SimulationControls::stepOnce() {
    m_view->clock().step(kStepMilliseconds);
}

void SimulationControls::restartEmitters() {
    if (m_restartHandler && m_restartHandler()) return;
    m_view->clock().restart();
}

void SimulationControls::frameDrawn(double milliseconds) {
    // A running mean that follows changes within a second or so.
    m_frameMs = m_frameMs == 0 ? milliseconds : 0.9 * m_frameMs + 0.1 * milliseconds;
    ++m_framesThisSecond;
    if (m_second.elapsed() >= 1000) {
        m_fps = static_cast<int>(std::lround(m_framesThisSecond * 1000.0 / m_second.restart()));
        m_framesThisSecond = 0;
    }
}

void SimulationControls::updateStatistics() {
    // A view at rest draws no frames: its rate falls to 0 rather than keep the last.
    if (m_second.elapsed() >= 2000) {
        m_fps = 0;
        m_framesThisSecond = 0;
        m_second.restart();
    }
    // Every model's particles draw and burst, not only the current model's.
    const int64_t live = m_view->clock().liveParticles();
    const int64_t bursts = m_view->clock().burstsFired();
    // The current emitter's contacts, when it has colliders.
    const int64_t hits = m_view->clock().currentEmitterHits();
    const QString contacts =
        hits < 0 ? QString()
                 : QStringLiteral("%1 %2   ").arg(hits).arg(hits == 1 ? QStringLiteral("hit") : QStringLiteral("hits"));
    m_statistics->setText(QStringLiteral("%1 %2   %3 %4   %5%6 ms (%7 fps)")
                              .arg(live)
                              .arg(live == 1 ? QStringLiteral("particle") : QStringLiteral("particles"))
                              .arg(bursts)
                              .arg(bursts == 1 ? QStringLiteral("burst") : QStringLiteral("bursts"))
                              .arg(contacts)
                              .arg(m_frameMs, 0, 'f', 1)
                              .arg(m_fps));
}

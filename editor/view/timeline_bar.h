// TimelineBar: the timeline under the 3D view. While it is shown the effect
// is a function of time: frames advance by fixed 15 ms steps from a known
// seed, the slider scrubs to any moment exactly, the effect can loop between
// an in and an out point, and every edit that changes the simulation shows
// its effect at the same moment at once. Play/Pause and Step are the
// toolbar's own commands.
#pragma once
#include <QOpenGLWidget>
#include <QWidget>

class CVantorDoc;
class CVantorView;
class QAction;
class QLabel;
class QSlider;
class QSpinBox;
class SimulationControls;

namespace vantor {
struct DocumentChange;
}

class TimelineBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kStep = 15;

    TimelineBar(CVantorDoc& document, CVantorView& view, SimulationControls& simulation, QWidget* parent = nullptr);

    // Shown: the timeline takes the simulation over; hidden: real time again.
    void setActive(bool on);
    bool active() const { return m_active; }
    // Shows the moment `milliseconds` (whole steps), keeping play or pause.
    void seek(int milliseconds);
    // Takes the simulation back after something else drove it (an export):
    // fixed steps, the seed, and the moment `milliseconds`.
    void resume(int milliseconds);
    int time() const;
    int inPoint() const;
    int outPoint() const;
    void setRange(int in, int out);
    bool looping() const;

    QAction* startAction() const { return m_start; }
    QAction* backAction() const { return m_back; }
    QAction* endAction() const { return m_end; }
    QAction* loopAction() const { return m_loop; }

    // After each frame: the time shown follows, and a loop wraps at the out point.
    void frameShown();

signals:
    void timeChanged(int milliseconds);

private:
    void documentChanged(const vantor::DocumentChange& change);
    void fitRange();
    // The default out point of the loaded effect.
    int defaultOutPoint();
    void showTime();
    void scrub(int milliseconds);
    void setSeed(int seed);

    CVantorDoc& m_doc;
    CVantorView& m_view;
    SimulationControls& m_simulation;
    bool m_active = false;
    bool m_scrubbing = false;
    bool m_pausedBeforeScrub = false;
    QLabel* m_now;
    QSlider* m_slider;
    QSpinBox* m_in;
    QSpinBox* m_out;
    QSpinBox* m_seed;
    QAction* m_start;
    QAction* m_back;
    QAction* m_end;
    QAction* m_loop;
};

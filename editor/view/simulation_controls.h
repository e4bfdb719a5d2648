// The "Simulation" commands (Play/Pause, Step, Restart, speed) on the toolbar
// and in the View menu, and the status bar's particle and frame figures.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QToolBar;
class CVantorView;

// Command ids of the additions; the specified commands use lower numbers.
enum SimulationCommand {
    kPlayPauseCommand = 33001,
    kStepCommand = 33002,
    kRestartCommand = 33003,
};

class SimulationControls : public QObject {
    Q_OBJECT
public:
    SimulationControls(QMainWindow* frame, CVantorView* view, QMenu* viewMenu, QToolBar* toolBar);

    QAction* playPause() const { return m_playPause; }
    QAction* step() const { return m_step; }
    QAction* restart() const { return m_restart; }
    QComboBox* speedBox() const { return m_speedBox; }
    QLabel* statistics() const { return m_statistics; }

    void setPaused(bool paused);
    void setSpeed(int index);  // 0..4: 0.25x, 0.5x, 1x, 2x, 4x
    void stepOnce();
    void restartEmitters();
    // Restart asks `handler` first; when it returns true it has done the restart.
    void setRestartHandler(std::function<bool()> handler) { m_restartHandler = std::move(handler); }
    // The figures of the status bar, read from the library and the view.
    void updateStatistics();
    // The view reports each frame's drawing time.
    void frameDrawn(double milliseconds);

private:
    CVantorView* m_view;
    std::function<bool()> m_restartHandler;
    QAction* m_playPause;
    QAction* m_step;
    QAction* m_restart;
    QActionGroup* m_speeds;
    QComboBox* m_speedBox;
    QLabel* m_statistics;
    double m_frameMs = 0;
    int m_framesThisSecond = 0;
    int m_fps = 0;
    QElapsedTimer m_second;
};

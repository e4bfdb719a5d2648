// CVantorView: the 3D view, its redraw timer and mouse interaction. The
// entity's working state is the document's (CVantorDoc).
#pragma once
#include <QOpenGLWidget>
#include <QPoint>
#include <QElapsedTimer>
#include <QTimer>

#include "korvid.h"

class CVantorView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CVantorView(QWidget* parent = nullptr);
    ~CVantorView() override;

    void startRedrawTimer(int milliseconds);
    void stopRedrawTimer();
    bool redrawTimerRunning() const { return m_timer.isActive(); }
    // Frames the loaded model at the given vertical view angle (Reset uses 45).
    void fitCamera(float angle);
    void updateSwarm();
    // One timer tick: spins, Light Swarm, redraw request.
    void tick();

    // View state: the camera, spins, how the view drags and what.
    CameraData m_camera{0, -1, -3, 0, 0, 0};
    int m_selectionMode = 1;
    int m_spinY = 0;
    int m_spinX = 0;
    int m_axisFree[3] = {1, 1, 1};
    QTimer m_timer;  // the redraw timer
    QElapsedTimer m_frameTimer;  // from the start of a paint to its swap
    int m_dragLight = 0;
    int m_swarmOn = 0;
    float m_swarmPhase = 0;
    QPoint m_rightLast;
    QPoint m_leftLast;
    int m_rightDown = 0, m_leftDown = 0;
    int m_target = 0;
    int m_dragMode = 0;

    bool libraryReady() const { return m_ready; }

signals:
    void libraryStarted();
    // Each frame's drawing time, for the status bar.
    void frameDrawn(double milliseconds);
    // Space pressed in the view.
    void playPauseRequested();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void drag(const QPoint& position);
    void beginDragChange();
    void endDragChange();
    bool m_dragChange = false;
    bool m_capture = false;
    bool m_ready = false;
};

extern CVantorView* g_pView;

// Stops the redraw timer for the life of a modal dialog and restarts it at
// 15 ms afterwards, whatever the dialog's result.
class RedrawPause {
public:
    RedrawPause();
    ~RedrawPause();
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;
};

// CVantorView: the 3D view, its redraw timer and mouse interaction. The
// entity's working state is the document's (CVantorDoc).
#pragma once
#include <array>
#include <QOpenGLWidget>
#include <QPoint>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

#include "document/gl_access.h"
#include "korvid.h"
#include "view/simulation_clock.h"
#include "view/view_navigation.h"
#include "view/view_settings.h"

class CVantorDoc;

class CVantorView : public QOpenGLWidget, public GlAccess {
    Q_OBJECT
public:
    CVantorView(CVantorDoc& document, QWidget* parent = nullptr);
    ~CVantorView() override;
    void makeCurrent() override { QOpenGLWidget::makeCurrent(); }
    void doneCurrent() override { QOpenGLWidget::doneCurrent(); }

    void startRedrawTimer(int milliseconds);
    // The current emitter's shape, colliders and field centres as wire
    // outlines: shown while the PARTICLES page is.
    void showEditOutlines(bool on);
    void stopRedrawTimer();
    bool redrawTimerRunning() const { return m_timer.isActive(); }
    int redrawInterval() const { return m_timer.interval(); }
    // Holds the redraw timer while work or a dialog runs; when the last hold
    // is released the timer restarts at 15 ms and the library's clock resumes
    // from then, so that the held time is not simulated in one frame.
    void holdRedraw();
    void releaseRedraw();
    // Frames the loaded model at the given vertical view angle (Reset uses 45).
    void fitCamera(float angle);
    // The library's field of view (the OBJECT page's zoom), in degrees.
    void setFieldOfView(int degrees);
    int fieldOfView() const { return m_fieldOfView; }
    vantor::ViewShape viewShape() const;
    // Fits the box the library gives for `what` (KORVID_BOUNDS_...) into the
    // view, keeping the direction of view; false when there is nothing there.
    bool frame(int what, int index = 0);
    // Looks at the scene from a side (rotations in degrees) and frames it all.
    void lookFrom(float rx, float ry);
    // The sides the view looks from, on the keypad's digits (Ctrl: the
    // opposite side), as View > Look From lists them.
    struct LookSide {
        int id;            // the command id
        const char* text;  // the menu text
        float rx, ry;      // the camera's rotations, degrees
        Qt::Key digit;     // the keypad digit
        bool opposite;     // with Ctrl
    };
    static const std::array<LookSide, 6>& lookSides();
    void updateSwarm();
    // One timer tick: spins, Light Swarm, redraw request; the timer stops
    // after it when nothing moves.
    void tick();
    // Particles move (the simulation runs and some model has an emitter), or
    // the camera spins, or the Light Swarm runs.
    bool somethingMoves();

    // Where the camera stands and how it turns; setting it redraws.
    const CameraData& camera() const { return m_camera; }
    void setCamera(const CameraData& camera);

    bool libraryReady() const { return m_ready; }
    // The scene the view draws (the document's).
    vantor::KorvidScene& scene();
    // The simulation's clock, which alone sets pause, speed, frame time and seed.
    vantor::SimulationClock& clock() { return m_clock; }

    // How the view draws and which light it moves; setting them hands what
    // differs to the library and announces `settingsChanged`.
    const vantor::ViewSettings& settings() const { return m_settings; }
    void setSettings(const vantor::ViewSettings& settings);
    // Changes a copy of the settings and sets it: changeSettings([](auto& s) { s.grid = false; }).
    template <typename Change>
    void changeSettings(Change&& change) {
        vantor::ViewSettings next = m_settings;
        change(next);
        setSettings(next);
    }

public slots:
    // Draws again, and starts the 15 ms rhythm again if the view was resting
    // (unless a dialog holds it).
    void wake();

signals:
    void libraryStarted();
    void settingsChanged();
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
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The keypad's view keys reach the view whatever NumLock says.
    bool event(QEvent* event) override;
    // Watches the program's windows: while any modal dialog (other than a
    // progress window) is up the redraw
    // timer stands still; when the last one closes the timer restarts at 15 ms
    // and the library's clock resumes from then.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CameraData m_camera{0, -1, -3, 0, 0, 0};
    QTimer m_timer;  // the redraw timer
    QElapsedTimer m_frameTimer;  // from the start of a paint to its swap
    float m_swarmPhase = 0;
    QPoint m_rightLast;
    QPoint m_leftLast;
    int m_rightDown = 0, m_leftDown = 0;
    // Near and far planes that hold the current model as the camera sees it:
    // the usual 0.1 and 100 unless the model reaches farther.
    void fitClipPlanes();
    float m_farPlane = 100.0f;
    vantor::ViewSettings m_settings;
    vantor::SimulationClock m_clock;
    void drag(const QPoint& position);
    // The point moves turn about and the depth they are scaled by: the
    // current model's centre, else the scene's, else the origin.
    bool navigationCentre(float centre[3]) const;
    float centreDepth() const;
    // Middle-button pan and Alt+left orbit, which leave the specified drags alone.
    enum class Navigation { None, Pan, Orbit };
    Navigation m_navigation = Navigation::None;
    QPoint m_navigationLast;
    int m_fieldOfView = 45;
    CVantorDoc& m_doc;
    void beginDragChange();
    void endDragChange();
    void modalClosed(QObject* dialog);
    QList<QObject*> m_modals;  // modal dialogs shown and not yet hidden
    int m_holds = 0;
    bool m_dragChange = false;
    bool m_capture = false;
    bool m_editOutlines = false;
    bool m_ready = false;
};

// Holds the redraw timer for the life of a piece of work that draws no frames
// (modal dialogs hold it by themselves).
class RedrawPause {
public:
    explicit RedrawPause(CVantorView* view);
    ~RedrawPause();
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    CVantorView* m_view;
};

#include "vantor_view.h"

#include <QApplication>
#include <QProgressDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>

#include <array>
#include <cmath>

#include "vantor_doc.h"

CVantorView::CVantorView(CVantorDoc& document, QWidget* parent) : QOpenGLWidget(parent), m_doc(document) {
    setMinimumSize(10, 10);
    setFocusPolicy(Qt::ClickFocus);
    connect(&m_timer, &QTimer::timeout, this, &CVantorView::tick);
    qApp->installEventFilter(this);
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (m_frameTimer.isValid()) emit frameDrawn(static_cast<double>(m_frameTimer.nsecsElapsed()) / 1e6);
    });
}

CVantorView::~CVantorView() {
    qApp->removeEventFilter(this);
    stopRedrawTimer();
}

void CVantorView::startRedrawTimer(int milliseconds) { m_timer.start(milliseconds); }

void CVantorView::stopRedrawTimer() { m_timer.stop(); }

bool CVantorView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        auto* window = qobject_cast<QWidget*>(watched);
        // A progress window leaves the view drawing: the effect runs on while a
        // file is read in the background.
        if (window && window->isWindow() && window->isModal() && !qobject_cast<QProgressDialog*>(window) &&
            !m_modals.contains(watched)) {
            m_modals.append(watched);
            holdRedraw();
            connect(watched, &QObject::destroyed, this, &CVantorView::modalClosed, Qt::UniqueConnection);
        }
    } else if (event->type() == QEvent::Hide && m_modals.contains(watched)) {
        modalClosed(watched);
    }
    return QOpenGLWidget::eventFilter(watched, event);
}

void CVantorView::modalClosed(QObject* dialog) {
    if (m_modals.removeOne(dialog)) releaseRedraw();
}

void CVantorView::holdRedraw() {
    ++m_holds;
    stopRedrawTimer();
}

void CVantorView::releaseRedraw() {
    if (m_holds > 0) --m_holds;
    if (m_holds > 0 || !m_ready) return;
    objResumeClock();
    startRedrawTimer(15);
}

void CVantorView::initializeGL() {
    const WindowData window{width(), height(), 45};
    objInitWin(&window);
    // The current emitter's shape shows as a wire outline while it is edited.
    objShowShapeOutline(true);
    m_doc.readLights();
    m_dragLight = 0;
    m_ready = true;
    if (m_holds == 0) startRedrawTimer(15);
    emit libraryStarted();
}

void CVantorView::resizeGL(int width, int height) { objResizeWin(width, height); }

void CVantorView::paintGL() {
    // A frame's time runs from here until the picture is on the window, so
    // that it includes the rasterization the driver does at the swap.
    m_frameTimer.start();
    objRender(&m_camera);
}

void CVantorView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        emit playPauseRequested();
        return;
    }
    QOpenGLWidget::keyPressEvent(event);
}

void CVantorView::tick() {
    if (m_spinY) m_camera.ry += 0.3f;
    if (m_spinX) m_camera.rx += 0.3f;
    if (m_swarmOn) {
        m_swarmPhase += 0.01f;
        updateSwarm();
    }
    update();
}

void CVantorView::updateSwarm() {
    if (m_swarmPhase > 6.283185307179586) m_swarmPhase = 0;
    for (int i = 0; i < 6; ++i) {
        if (!m_doc.light(i).on) continue;
        const float t = m_swarmPhase;
        const float position[3] = {4 * std::cos(2 * t + i), 4 * std::sin(i + t), 4 * std::cos(i * t)};
        m_doc.moveLight(i, position);
    }
}

void CVantorView::fitCamera(float angle) {
    if (angle >= 180 || m_doc.modelCount() == 0) return;
    const ModelInfo& m = m_doc.modelInfo();
    m_camera.rx = m_camera.ry = m_camera.rz = 0;
    m_camera.tx = 0;
    m_camera.ty = -(m.minY + (m.maxY - m.minY) * 0.5f);
    const float big = std::max(m.maxX, m.maxY);
    m_camera.tz = -(big / (2.0f * std::tan(angle * 0.5f * 3.14159265358979f / 180.0f)) + (m.maxZ - m.minZ));
}

void CVantorView::beginDragChange() {
    // A drag of a light, the model or an emitter is one step of the document's history.
    if (m_dragChange) return;
    using vantor::EntityPart;
    using vantor::DragTarget;
    switch (m_target) {
    case DragTarget::Light:
        m_doc.beginChange(QStringLiteral("Move Light"), EntityPart::Light, m_dragLight);
        break;
    case DragTarget::Model:
        m_doc.beginChange(QStringLiteral("Move Object"), EntityPart::Position);
        break;
    case DragTarget::Emitter:
        m_doc.beginChange(QStringLiteral("Move Emitter"), EntityPart::Emitter);
        break;
    default:
        return;
    }
    m_dragChange = true;
}

void CVantorView::endDragChange() {
    if (!m_dragChange) return;
    m_dragChange = false;
    m_doc.endChange();
}

void CVantorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) beginDragChange();
    if (event->button() == Qt::LeftButton) {
        m_capture = true;
        m_leftLast = event->position().toPoint();
        m_leftDown = 1;
    } else if (event->button() == Qt::RightButton) {
        m_capture = true;
        m_rightLast = event->position().toPoint();
        m_rightDown = 1;
    }
}

void CVantorView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_capture) return;
    if (event->button() == Qt::LeftButton) {
        m_leftDown = 0;
        m_capture = false;
    } else if (event->button() == Qt::RightButton) {
        m_rightDown = 0;
        m_capture = false;
    }
    if (!m_capture) endDragChange();
}

void CVantorView::mouseMoveEvent(QMouseEvent* event) {
    if (m_capture) drag(event->position().toPoint());
}

void CVantorView::drag(const QPoint& position) {
    bool left;
    int dx, dy;
    if (m_leftDown) {
        dx = m_leftLast.x() - position.x();
        dy = m_leftLast.y() - position.y();
        m_leftLast = position;
        left = true;
    } else if (m_rightDown) {
        dx = m_rightLast.x() - position.x();
        dy = m_rightLast.y() - position.y();
        m_rightLast = position;
        left = false;
    } else {
        return;
    }
    const bool freeX = m_axisFree[0], freeY = m_axisFree[1], freeZ = m_axisFree[2];
    const float step = 0.01f;
    // A position moved in the x-z plane with the left button, up and down with the right one.
    auto moved = [&](const float* from) {
        std::array<float, 3> p = {from[0], from[1], from[2]};
        if (left) {
            if (freeX) p[0] -= step * dx;
            if (freeZ) p[2] -= step * dy;
        } else if (freeY) {
            p[1] += step * dy;
        }
        return p;
    };
    using vantor::DragMode;
    using vantor::DragTarget;
    switch (m_target) {
    case DragTarget::Camera:
        if (m_dragMode == DragMode::Move) {
            if (left) {
                if (freeX) m_camera.tx -= step * dx;
                if (freeZ) m_camera.tz -= step * dy;
            } else if (freeY) {
                m_camera.ty += step * dy;
            }
        } else if (m_dragMode == DragMode::Rotate) {
            if (left) {
                if (freeY) m_camera.ry -= dx;
                if (freeX) m_camera.rx -= dy;
            } else if (freeZ) {
                m_camera.rz -= dx;
            }
        }
        break;
    case DragTarget::Light:
        m_doc.moveLight(m_dragLight, moved(m_doc.light(m_dragLight).position).data());
        break;
    case DragTarget::Model:
        m_doc.moveModel(moved(m_doc.modelPosition()).data());
        break;
    case DragTarget::Emitter:
        m_doc.moveEmitter(moved(m_doc.emitter().position).data());
        break;
    default:
        break;
    }
}

RedrawPause::RedrawPause(CVantorView* view) : m_view(view) {
    if (m_view) m_view->holdRedraw();
}

RedrawPause::~RedrawPause() {
    if (m_view) m_view->releaseRedraw();
}

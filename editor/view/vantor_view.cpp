#include "view/vantor_view.h"

#include <QWheelEvent>

#include <QApplication>
#include <QProgressDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>

#include <array>
#include <cmath>

#include "framing.h"
#include "resource.h"
#include "document/korvid_scene.h"
#include "document/vantor_doc.h"

CVantorView::CVantorView(CVantorDoc& document, QWidget* parent)
    : QOpenGLWidget(parent), m_clock(document.scene()), m_doc(document) {
    setMinimumSize(10, 10);
    setFocusPolicy(Qt::ClickFocus);
    connect(&m_timer, &QTimer::timeout, this, &CVantorView::tick);
    qApp->installEventFilter(this);
    // The window is composed again whenever any of its widgets repaints; only
    // a composition that follows a paint of the view is a frame drawn.
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (!m_frameTimer.isValid()) return;
        emit frameDrawn(static_cast<double>(m_frameTimer.nsecsElapsed()) / 1e6);
        m_frameTimer.invalidate();
    });
    // The view rests while nothing moves; whatever the document, the choice,
    // the settings or the clock announce may change the picture or set it moving.
    const QMetaObject* doc = document.metaObject();
    const QMetaMethod wakeSlot = metaObject()->method(metaObject()->indexOfSlot("wake()"));
    for (int i = doc->methodOffset(); i < doc->methodCount(); ++i)
        if (doc->method(i).methodType() == QMetaMethod::Signal) connect(&document, doc->method(i), this, wakeSlot);
    connect(&document.selection(), &vantor::Selection::currentChanged, this, &CVantorView::wake);
    connect(this, &CVantorView::settingsChanged, this, &CVantorView::wake);
    m_clock.setChanged([this] { wake(); });
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
    m_clock.resume();
    startRedrawTimer(15);
}

void CVantorView::showEditOutlines(bool on) {
    if (on == m_editOutlines) return;
    m_editOutlines = on;
    if (!m_ready) return;
    scene().showShapeOutline(on);
    update();
}

void CVantorView::initializeGL() {
    vantor::KorvidScene& library = scene();
    m_fieldOfView = library.startDrawing(width(), height(), 45);
    // The current emitter's outlines show while the PARTICLES page does.
    library.showShapeOutline(m_editOutlines);
    m_doc.readLights();
    m_settings.dragLight = 0;
    library.setBoundingBox(m_settings.boundingBox);
    m_ready = true;
    if (m_holds == 0) startRedrawTimer(15);
    emit libraryStarted();
}

void CVantorView::setSettings(const vantor::ViewSettings& next) {
    const vantor::ViewSettings was = m_settings;
    m_settings = next;
    if (m_ready) {
        vantor::KorvidScene& library = scene();
        if (next.boundingBox != was.boundingBox) library.setBoundingBox(next.boundingBox);
        library.setGrid(next.grid);
        if (next.showLights != was.showLights) library.showLights(next.showLights);
        if (next.antialiasPoints != was.antialiasPoints || next.antialiasLines != was.antialiasLines ||
            next.antialiasPolys != was.antialiasPolys)
            library.setAntialias(next.antialiasPoints, next.antialiasLines, next.antialiasPolys);
        if (!std::equal(next.clearColour, next.clearColour + 4, was.clearColour)) library.setClearColour(next.clearColour);
        if (!std::equal(next.ambient, next.ambient + 4, was.ambient)) library.setAmbient(next.ambient);
    }
    emit settingsChanged();
}

void CVantorView::setCamera(const CameraData& camera) {
    m_camera = camera;
    update();
}

vantor::KorvidScene& CVantorView::scene() { return m_doc.scene(); }

void CVantorView::resizeGL(int width, int height) { scene().resize(width, height); }

void CVantorView::paintGL() {
    // A frame's time runs from here until the picture is on the window, so
    // that it includes the rasterization the driver does at the swap.
    m_frameTimer.start();
    fitClipPlanes();
    scene().draw(m_camera);
}

void CVantorView::fitClipPlanes() {
    // The model's box from its extents (24 outline corners, cheap every
    // frame); a model without finite extents keeps the usual planes.
    const ModelInfo& m = m_doc.modelInfo();
    float farPlane = 100.0f, nearPlane = 0.1f;
    const auto real = [](float v) { return std::fabs(v) < 99999.0f; };  // not the extents' starting values
    if (m.polygonCount > 0 && real(m.minX) && real(m.maxX) && real(m.minY) && real(m.maxY) && real(m.minZ) &&
        real(m.maxZ)) {
        float corner = 0;
        for (const auto& [lo, hi] : {std::pair{m.minX, m.maxX}, std::pair{m.minY, m.maxY}, std::pair{m.minZ, m.maxZ}}) {
            const float a = std::max(std::fabs(lo), std::fabs(hi));
            corner += a * a;
        }
        const float farthest = std::hypot(m_camera.tx, m_camera.ty, m_camera.tz) + std::sqrt(corner);
        if (std::isfinite(farthest) && farthest * 1.25f > 100.0f) {
            farPlane = farthest * 1.25f;
            nearPlane = std::max(0.1f, farPlane / 20000.0f);
        }
    }
    if (farPlane == m_farPlane) return;
    if (scene().setClipPlanes(nearPlane, farPlane)) m_farPlane = farPlane;
}

const std::array<CVantorView::LookSide, 6>& CVantorView::lookSides() {
    static const std::array<LookSide, 6> sides = {{
        {ID_VIEW_FRONT, "&Front", 0, 0, Qt::Key_1, false},
        {ID_VIEW_BACK, "&Back", 0, 180, Qt::Key_1, true},
        {ID_VIEW_RIGHT, "&Right", 0, -90, Qt::Key_3, false},
        {ID_VIEW_LEFT, "&Left", 0, 90, Qt::Key_3, true},
        {ID_VIEW_TOP, "&Top", 90, 0, Qt::Key_7, false},
        {ID_VIEW_BOTTOM, "B&ottom", -90, 0, Qt::Key_7, true},
    }};
    return sides;
}

namespace {
// The side a keypad key asks for, or null. With NumLock off the keypad's 1,
// 3 and 7 arrive as End, Page Down and Home; they choose the side all the same.
const CVantorView::LookSide* keypadSide(const QKeyEvent* key) {
    if (!(key->modifiers() & Qt::KeypadModifier)) return nullptr;
    const Qt::KeyboardModifiers others = key->modifiers() & ~(Qt::KeypadModifier | Qt::ControlModifier);
    if (others != Qt::NoModifier) return nullptr;
    Qt::Key digit = Qt::Key(key->key());
    if (digit == Qt::Key_End) digit = Qt::Key_1;
    if (digit == Qt::Key_PageDown) digit = Qt::Key_3;
    if (digit == Qt::Key_Home) digit = Qt::Key_7;
    const bool opposite = key->modifiers() & Qt::ControlModifier;
    for (const CVantorView::LookSide& side : CVantorView::lookSides())
        if (side.digit == digit && side.opposite == opposite) return &side;
    return nullptr;
}
}  // namespace

bool CVantorView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        if (const LookSide* side = keypadSide(static_cast<QKeyEvent*>(event))) {
            // Taken before any shortcut (Home frames all on the main keys).
            event->accept();
            if (event->type() == QEvent::KeyPress) lookFrom(side->rx, side->ry);
            return true;
        }
    }
    return QOpenGLWidget::event(event);
}

void CVantorView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        emit playPauseRequested();
        return;
    }
    QOpenGLWidget::keyPressEvent(event);
}

void CVantorView::tick() {
    if (m_settings.spinY) m_camera.ry += 0.3f;
    if (m_settings.spinX) m_camera.rx += 0.3f;
    if (m_settings.swarm) {
        m_swarmPhase += 0.01f;
        updateSwarm();
    }
    update();
    // A still picture is drawn this once more (a step asked for while paused
    // is taken in it), then the view rests until something changes it.
    if (!somethingMoves()) stopRedrawTimer();
}

bool CVantorView::somethingMoves() {
    if (m_settings.spinX || m_settings.spinY || m_settings.swarm) return true;
    return !m_clock.paused() && scene().emitterTotal() > 0;
}

void CVantorView::wake() {
    // While held the view draws nothing of its own: work that holds it (an
    // export stepping the clock frame by frame) draws what it needs, and the
    // release starts the rhythm again.
    if (!m_ready || m_holds > 0) return;
    if (!m_timer.isActive()) {
        // The time spent at rest is not simulated in one frame.
        m_clock.resume();
        startRedrawTimer(15);
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
    m_camera = resetFraming(m_doc.modelInfo(), angle);
    update();
}

void CVantorView::setFieldOfView(int degrees) {
    m_fieldOfView = degrees;
    scene().setFieldOfView(degrees);
}

vantor::ViewShape CVantorView::viewShape() const {
    return {std::max(1, width()), std::max(1, height()), float(m_fieldOfView)};
}

bool CVantorView::frame(int what, int index) {
    float lo[3], hi[3];
    if (!scene().bounds(what, index, lo, hi)) return false;
    vantor::frameBox(m_camera, viewShape(), lo, hi);
    update();
    return true;
}

void CVantorView::lookFrom(float rx, float ry) {
    changeSettings([](vantor::ViewSettings& s) { s.spinX = s.spinY = false; });
    m_camera.rx = rx;
    m_camera.ry = ry;
    m_camera.rz = 0;
    frame(KORVID_BOUNDS_SCENE);
    update();
}

bool CVantorView::navigationCentre(float centre[3]) const {
    float lo[3], hi[3];
    vantor::KorvidScene& library = m_doc.scene();
    if (!library.bounds(KORVID_BOUNDS_MODEL, 0, lo, hi) && !library.bounds(KORVID_BOUNDS_SCENE, 0, lo, hi)) {
        centre[0] = centre[1] = centre[2] = 0;
        return false;
    }
    for (int i = 0; i < 3; ++i) centre[i] = (lo[i] + hi[i]) / 2;
    return true;
}

float CVantorView::centreDepth() const {
    float centre[3];
    navigationCentre(centre);
    // A centre behind or at the camera still gives moves of a useful size.
    return std::max(0.2f, -vantor::toEye(m_camera, centre)[2]);
}

void CVantorView::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta();
    if (steps.y() == 0) {
        event->ignore();
        return;
    }
    // One notch moves an eighth of the way to the model, so the zoom slows as it nears it.
    const float notches = float(steps.y()) / 120.0f;
    vantor::zoomToward(m_camera, viewShape(), event->position(), notches * 0.125f * centreDepth());
    event->accept();
    update();
}

void CVantorView::beginDragChange() {
    // A drag of a light, the model or an emitter is one step of the document's history.
    if (m_dragChange) return;
    using vantor::EntityPart;
    using vantor::DragTarget;
    switch (m_settings.dragTarget) {
    case DragTarget::Light:
        m_doc.beginGesture(QStringLiteral("Move Light"), EntityPart::Light, m_settings.dragLight);
        break;
    case DragTarget::Model:
        m_doc.beginGesture(QStringLiteral("Move Object"), EntityPart::Position);
        break;
    case DragTarget::Emitter:
        m_doc.beginGesture(QStringLiteral("Move Emitter"), EntityPart::Emitter);
        break;
    default:
        return;
    }
    m_dragChange = true;
}

void CVantorView::endDragChange() {
    if (!m_dragChange) return;
    m_dragChange = false;
    m_doc.endGesture();
}

void CVantorView::mousePressEvent(QMouseEvent* event) {
    // Middle-button pan and Alt+left orbit move the camera whatever drags are chosen.
    if (!m_capture && (event->button() == Qt::MiddleButton ||
                       (event->button() == Qt::LeftButton && (event->modifiers() & Qt::AltModifier)))) {
        m_navigation = event->button() == Qt::MiddleButton ? Navigation::Pan : Navigation::Orbit;
        m_navigationLast = event->position().toPoint();
        return;
    }
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
    if (m_navigation != Navigation::None) {
        const bool ends = m_navigation == Navigation::Pan ? event->button() == Qt::MiddleButton
                                                           : event->button() == Qt::LeftButton;
        if (ends) m_navigation = Navigation::None;
        return;
    }
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
    if (m_navigation != Navigation::None) {
        const QPoint at = event->position().toPoint();
        const QPoint delta = at - m_navigationLast;
        m_navigationLast = at;
        if (m_navigation == Navigation::Pan) {
            vantor::pan(m_camera, viewShape(), delta, centreDepth());
        } else {
            float centre[3];
            navigationCentre(centre);
            vantor::orbit(m_camera, centre, 0.4f * float(delta.x()), 0.4f * float(delta.y()));
        }
        update();
        return;
    }
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
    const bool freeX = m_settings.axisFree[0], freeY = m_settings.axisFree[1], freeZ = m_settings.axisFree[2];
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
    switch (m_settings.dragTarget) {
    case DragTarget::Camera:
        if (m_settings.dragMode == DragMode::Move) {
            if (left) {
                if (freeX) m_camera.tx -= step * dx;
                if (freeZ) m_camera.tz -= step * dy;
            } else if (freeY) {
                m_camera.ty += step * dy;
            }
        } else if (m_settings.dragMode == DragMode::Rotate) {
            if (left) {
                if (freeY) m_camera.ry -= dx;
                if (freeX) m_camera.rx -= dy;
            } else if (freeZ) {
                m_camera.rz -= dx;
            }
        }
        break;
    case DragTarget::Light:
        m_doc.moveLight(m_settings.dragLight, moved(m_doc.light(m_settings.dragLight).position).data());
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
    update();
}

RedrawPause::RedrawPause(CVantorView* view) : m_view(view) {
    if (m_view) m_view->holdRedraw();
}

RedrawPause::~RedrawPause() {
    if (m_view) m_view->releaseRedraw();
}

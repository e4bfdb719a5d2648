// View navigation: wheel zoom toward the cursor, middle-button pan, Alt+left
// orbit, Frame All and Frame Selected, the views from each side. None of it
// touches the entity.
#include <QTabBar>
#include <QWheelEvent>

#include "editor_test.h"
#include "resource.h"
#include "view_navigation.h"

namespace vantor::testing {
namespace {

class NavigationTest : public EditorTest {
protected:
    QPointF where(const float world[3]) {
        QPointF p;
        EXPECT_TRUE(project(view().m_camera, view().viewShape(), world, &p));
        return p;
    }
    // The eight corners of what the library bounds as `what`, all inside the view.
    bool allInView(int what, int index = 0) {
        float lo[3], hi[3];
        view().makeCurrent();
        if (!objGetBounds(what, index, lo, hi)) return false;
        for (int i = 0; i < 8; ++i) {
            const float corner[3] = {i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]};
            QPointF p;
            if (!project(view().m_camera, view().viewShape(), corner, &p)) return false;
            if (p.x() < 0 || p.y() < 0 || p.x() > view().width() || p.y() > view().height()) return false;
        }
        return true;
    }
    void wheel(const QPointF& at, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(at, view().mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view(), &event);
    }
    void drag(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint from, QPoint to) {
        QTest::mousePress(&view(), button, modifiers, from);
        QMouseEvent move(QEvent::MouseMove, to, view().mapToGlobal(to), Qt::NoButton, button, modifiers);
        QApplication::sendEvent(&view(), &move);
        QTest::mouseRelease(&view(), button, modifiers, to);
    }
    // Nothing of the entity changed and no step was left.
    void expectEntityUntouched() {
        EXPECT_FALSE(doc().isModified());
        EXPECT_FALSE(frame().action(ID_EDIT_UNDO)->isEnabled());
    }
};

TEST_F(NavigationTest, AnEntityOpensFramedWhole) {
    open(sample("fireworks.zob"));
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    expectEntityUntouched();
}

TEST_F(NavigationTest, TheWheelZoomsTowardThePointUnderTheCursor) {
    open(sample("showcase.zob"));
    float lo[3], hi[3];
    view().makeCurrent();
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
    const float corner[3] = {hi[0], hi[1], lo[2]};
    const QPointF before = where(corner);
    const float depth = -toEye(view().m_camera, corner)[2];
    wheel(before, 2);
    const QPointF after = where(corner);
    EXPECT_LT(std::abs(after.x() - before.x()), 1.0);
    EXPECT_LT(std::abs(after.y() - before.y()), 1.0) << "the point under the cursor stays there";
    EXPECT_LT(-toEye(view().m_camera, corner)[2], depth * 0.9f) << "and comes nearer";
    wheel(before, -4);
    EXPECT_GT(-toEye(view().m_camera, corner)[2], depth) << "backward moves away";
    EXPECT_LT(std::abs(where(corner).x() - before.x()), 1.0);
    expectEntityUntouched();
}

TEST_F(NavigationTest, MiddleDragPansAndAltDragOrbitsAroundTheModel) {
    open(sample("showcase.zob"));
    float lo[3], hi[3];
    view().makeCurrent();
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
    const float centre[3] = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    const QPointF start = where(centre);
    drag(Qt::MiddleButton, Qt::NoModifier, start.toPoint(), start.toPoint() + QPoint(40, -25));
    const QPointF panned = where(centre);
    EXPECT_NEAR(panned.x() - start.x(), 40, 1.5) << "the model's centre follows the cursor";
    EXPECT_NEAR(panned.y() - start.y(), -25, 1.5);

    const float ry = view().m_camera.ry, rx = view().m_camera.rx;
    drag(Qt::LeftButton, Qt::AltModifier, QPoint(100, 100), QPoint(150, 120));
    EXPECT_GT(view().m_camera.ry, ry + 5) << "a drag to the right turns the view";
    EXPECT_GT(view().m_camera.rx, rx + 2);
    const QPointF orbited = where(centre);
    EXPECT_NEAR(orbited.x(), panned.x(), 1.0) << "about the model's centre, which stays put";
    EXPECT_NEAR(orbited.y(), panned.y(), 1.0);
    // The specified drags still have the left button without Alt.
    EXPECT_EQ(view().m_target, DragTarget::None);
    expectEntityUntouched();
}

TEST_F(NavigationTest, FrameSelectedFitsWhatThePageShows) {
    open(sample("fireworks.zob"));
    // Far off, turned and panned away.
    view().m_camera = CameraData{5, -3, -40, 30, 75, 0};
    frame().controlView()->tabs()->setCurrentIndex(0);
    frame().action(ID_VIEW_FRAME_SELECTED)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_MODEL)) << "OBJECT: the model";
    EXPECT_FLOAT_EQ(view().m_camera.ry, 75) << "the direction of view is kept";

    frame().controlView()->tabs()->setCurrentIndex(1);
    view().m_camera = CameraData{5, -3, -40, 30, 75, 0};
    frame().action(ID_VIEW_FRAME_SELECTED)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SURFACE, doc().currentSurface()));
    float lo[3], hi[3];
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_SURFACE, doc().currentSurface(), lo, hi));

    frame().controlView()->tabs()->setCurrentIndex(3);
    pump(400);  // rockets in the air
    view().m_camera = CameraData{5, -3, -40, 30, 75, 0};
    frame().action(ID_VIEW_FRAME_SELECTED)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_PARTICLES)) << "PARTICLES: the emitter's particles";

    view().m_camera = CameraData{5, -3, -90, 30, 75, 0};
    frame().action(ID_VIEW_FRAME_ALL)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    expectEntityUntouched();
}

TEST_F(NavigationTest, TheKeypadLooksFromEachSide) {
    open(sample("showcase.zob"));
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_7, Qt::KeypadModifier);
    EXPECT_FLOAT_EQ(view().m_camera.rx, 90) << "from the top";
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    QTest::keyClick(&view(), Qt::Key_3, Qt::KeypadModifier | Qt::ControlModifier);
    EXPECT_FLOAT_EQ(view().m_camera.rx, 0);
    EXPECT_FLOAT_EQ(view().m_camera.ry, 90) << "from the left";
    QTest::keyClick(&view(), Qt::Key_Home);
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    expectEntityUntouched();
}

}  // namespace
}  // namespace vantor::testing

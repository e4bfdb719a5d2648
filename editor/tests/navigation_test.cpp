// View navigation: wheel zoom toward the cursor, middle-button pan, Alt+left
// orbit, Frame All and Frame Selected, the views from each side. None of it
// touches the entity.
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QStringList>
#include <QTabBar>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <vector>

#include "editor_test.h"
#include "resource.h"
#include "view/view_navigation.h"

namespace vantor::testing {
namespace {

// A world point in the camera's frame, worked out here from the library's
// documented camera (translate, then turn about x, y and z, in degrees),
// apart from the editor's own navigation code.
std::array<double, 3> eyeByHand(const CameraData& c, const float w[3]) {
    double x = w[0], y = w[1], z = w[2];
    auto turn = [](double& a, double& b, double degrees) {
        const double r = degrees * M_PI / 180.0, ca = std::cos(r), sa = std::sin(r);
        const double a2 = ca * a - sa * b, b2 = sa * a + ca * b;
        a = a2;
        b = b2;
    };
    turn(x, y, c.rz);  // about z: x, y
    turn(z, x, c.ry);  // about y: z, x
    turn(y, z, c.rx);  // about x: y, z
    return {x + c.tx, y + c.ty, z + c.tz};
}

class NavigationTest : public EditorTest {
protected:
    // Where a world point lands on the view, by the perspective of the
    // view's field of view and shape.
    QPointF where(const float world[3]) {
        const std::array<double, 3> e = eyeByHand(view().camera(), world);
        EXPECT_LT(e[2], 0) << "in front of the camera";
        const ViewShape shape = view().viewShape();
        const double f = 1.0 / std::tan(shape.fieldOfView * M_PI / 360.0);
        const double aspect = double(shape.width) / double(shape.height);
        const double nx = f / aspect * e[0] / -e[2], ny = f * e[1] / -e[2];
        return QPointF((nx + 1) / 2 * shape.width, (1 - ny) / 2 * shape.height);
    }
    double depthOf(const float world[3]) { return -eyeByHand(view().camera(), world)[2]; }
    // The eight corners of what the library bounds as `what`, all inside the view.
    bool allInView(int what, int index = 0) {
        float lo[3], hi[3];
        view().makeCurrent();
        if (!objGetBounds(what, index, lo, hi)) return false;
        for (int i = 0; i < 8; ++i) {
            const float corner[3] = {i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]};
            if (depthOf(corner) <= 0) return false;
            const QPointF p = where(corner);
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
    const double depth = depthOf(corner);
    wheel(before, 2);
    const QPointF after = where(corner);
    EXPECT_LT(std::abs(after.x() - before.x()), 1.0);
    EXPECT_LT(std::abs(after.y() - before.y()), 1.0) << "the point under the cursor stays there";
    EXPECT_LT(depthOf(corner), depth * 0.9) << "and comes nearer";
    wheel(before, -4);
    EXPECT_GT(depthOf(corner), depth) << "backward moves away";
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

    const float ry = view().camera().ry, rx = view().camera().rx;
    drag(Qt::LeftButton, Qt::AltModifier, QPoint(100, 100), QPoint(150, 120));
    EXPECT_GT(view().camera().ry, ry + 5) << "a drag to the right turns the view";
    EXPECT_GT(view().camera().rx, rx + 2);
    const QPointF orbited = where(centre);
    EXPECT_NEAR(orbited.x(), panned.x(), 1.0) << "about the model's centre, which stays put";
    EXPECT_NEAR(orbited.y(), panned.y(), 1.0);
    // The specified drags still have the left button without Alt.
    EXPECT_EQ(view().settings().dragTarget, DragTarget::None);
    expectEntityUntouched();
}

// The projection the tests here reckon by hand is the one the view draws:
// a cube's drawn silhouette spans the box of its projected corners, as it
// opens, turned, nearer and panned.
TEST_F(NavigationTest, TheHandProjectionIsWhatTheViewDraws) {
    const auto path = scratch() / "cube.raw";
    {
        // Two triangles for each face of the cube from -0.5 to 0.5.
        std::ofstream out(path);
        out << "Cube\n";
        for (int axis = 0; axis < 3; ++axis)
            for (int side = 0; side < 2; ++side) {
                const float c = side ? 0.5f : -0.5f;
                auto corner = [&](float u, float v) {
                    float p[3];
                    p[axis] = c;
                    p[(axis + 1) % 3] = u;
                    p[(axis + 2) % 3] = v;
                    out << p[0] << ' ' << p[1] << ' ' << p[2] << ' ';
                };
                corner(-0.5f, -0.5f), corner(0.5f, -0.5f), corner(0.5f, 0.5f), out << '\n';
                corner(-0.5f, -0.5f), corner(0.5f, 0.5f), corner(-0.5f, 0.5f), out << '\n';
            }
    }
    open(path.string());
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    // Only the cube on a background of its own colour: no grid, no lights
    // drawn. These are the view's settings, which outlive the entity: they
    // are put back at the end.
    frame().controlView()->tabs()->setCurrentIndex(0);
    std::vector<int> switchedOff;
    for (int id : {IDC_OBJ_GRID, IDC_OBJ_SHOW_LIGHTS, IDC_OBJ_BOUNDING_BOX})
        if (control<QCheckBox>(objectPage(), id)->isChecked()) {
            click(objectPage(), id);
            switchedOff.push_back(id);
        }
    QStringList clear;
    for (int i = 0; i < 3; ++i) {
        clear << control<QLineEdit>(objectPage(), IDC_OBJ_CLEAR_R + i)->text();
        commit(objectPage(), IDC_OBJ_CLEAR_R + i, i == 2 ? QStringLiteral("1") : QStringLiteral("0"));
    }

    const auto compare = [this](const char* when) {
        SCOPED_TRACE(when);
        float lo[3], hi[3];
        view().makeCurrent();
        ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_MODEL, 0, lo, hi));
        double eLeft = 1e9, eRight = -1e9, eTop = 1e9, eBottom = -1e9;
        for (int i = 0; i < 8; ++i) {
            const float corner[3] = {i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]};
            const QPointF p = where(corner);
            eLeft = std::min(eLeft, p.x()), eRight = std::max(eRight, p.x());
            eTop = std::min(eTop, p.y()), eBottom = std::max(eBottom, p.y());
        }
        const QImage picture = view().grabFramebuffer();
        ASSERT_EQ(picture.width(), view().viewShape().width);
        int left = picture.width(), right = -1, top = picture.height(), bottom = -1;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb c = picture.pixel(x, y);
                if (qBlue(c) > 200 && qRed(c) < 40 && qGreen(c) < 40) continue;  // the background
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        ASSERT_GE(right, 0) << "the cube is drawn";
        EXPECT_NEAR(left, eLeft, 1.5);
        EXPECT_NEAR(right + 1, eRight, 1.5);
        EXPECT_NEAR(top, eTop, 1.5);
        EXPECT_NEAR(bottom + 1, eBottom, 1.5);
    };
    compare("as opened");
    view().setCamera(CameraData{0.3f, -0.2f, -4, 25, 40, 10});
    compare("turned");
    const float centre[3] = {0, 0, 0};
    wheel(where(centre) + QPointF(30, 10), 2);
    compare("nearer");
    drag(Qt::MiddleButton, Qt::NoModifier, QPoint(200, 200), QPoint(160, 230));
    compare("panned");

    for (int i = 0; i < 3; ++i) commit(objectPage(), IDC_OBJ_CLEAR_R + i, clear[i]);
    for (int id : switchedOff) click(objectPage(), id);
}

TEST_F(NavigationTest, FrameSelectedFitsWhatThePageShows) {
    open(sample("fireworks.zob"));
    // Far off, turned and panned away.
    view().setCamera(CameraData{5, -3, -40, 30, 75, 0});
    frame().controlView()->tabs()->setCurrentIndex(0);
    frame().action(ID_VIEW_FRAME_SELECTED)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_MODEL)) << "OBJECT: the model";
    EXPECT_FLOAT_EQ(view().camera().ry, 75) << "the direction of view is kept";

    frame().controlView()->tabs()->setCurrentIndex(1);
    view().setCamera(CameraData{5, -3, -40, 30, 75, 0});
    frame().action(ID_VIEW_FRAME_SELECTED)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SURFACE, doc().currentSurface()));
    float lo[3], hi[3];
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_SURFACE, doc().currentSurface(), lo, hi));

    frame().controlView()->tabs()->setCurrentIndex(3);
    // Rockets in the air, however slowly this machine draws.
    ASSERT_TRUE(QTest::qWaitFor([this] {
        view().makeCurrent();
        return objGetLiveParticles(-1) > 0;
    }, 10000));
    view().setCamera(CameraData{5, -3, -40, 30, 75, 0});
    frame().action(ID_VIEW_FRAME_SELECTED)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_PARTICLES)) << "PARTICLES: the emitter's particles";

    view().setCamera(CameraData{5, -3, -90, 30, 75, 0});
    frame().action(ID_VIEW_FRAME_ALL)->trigger();
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    expectEntityUntouched();
}

TEST_F(NavigationTest, TheKeypadLooksFromEachSide) {
    open(sample("showcase.zob"));
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_7, Qt::KeypadModifier);
    EXPECT_FLOAT_EQ(view().camera().rx, 90) << "from the top";
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    QTest::keyClick(&view(), Qt::Key_3, Qt::KeypadModifier | Qt::ControlModifier);
    EXPECT_FLOAT_EQ(view().camera().rx, 0);
    EXPECT_FLOAT_EQ(view().camera().ry, 90) << "from the left";
    QTest::keyClick(&view(), Qt::Key_Home);
    EXPECT_TRUE(allInView(KORVID_BOUNDS_SCENE));
    expectEntityUntouched();
}

}  // namespace
}  // namespace vantor::testing

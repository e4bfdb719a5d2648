// Curves over life and the emitter's shape on the PARTICLES page: the
// gradient bar, the size graph and the Shape group, each gesture one undo
// step, through remove and undo.
#include <QCheckBox>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>

#include "widgets/curve_editors.h"
#include "editor_test.h"
#include "resource.h"

namespace vantor::testing {
namespace {

class CurvesPageTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        frame().controlView()->tabs()->setCurrentIndex(3);
        frame().resize(1200, 1000);
        frame().show();
    }
    QWidget* page() { return particlesPage(); }
    GradientBar* gradient() { return control<GradientBar>(page(), IDC_PART_GRADIENT); }
    SizeGraph* graph() { return control<SizeGraph>(page(), IDC_PART_SIZE_GRAPH); }
    QAction* undo() { return frame().action(ID_EDIT_UNDO); }
    // The current emitter's curve as the library holds it.
    std::vector<CurveKey> curve(int which) {
        view().makeCurrent();
        std::vector<CurveKey> keys(KORVID_MAX_CURVE_KEYS);
        keys.resize(size_t(std::max(0, objGetEmitterCurve(which, keys.data(), KORVID_MAX_CURVE_KEYS))));
        return keys;
    }
    EmitterShape shape() {
        view().makeCurrent();
        EmitterShape s{};
        objGetEmitterShape(&s);
        return s;
    }
    // The point of a curve editor at time `t` (and, in the graph, height share `h` from the bottom).
    static QPoint at(CurveEditor* editor, double t, double h = 0.5) {
        const QRectF area = QRectF(editor->rect()).adjusted(6, 3, -6, -12);
        return QPointF(area.left() + t * area.width(), area.bottom() - h * area.height()).toPoint();
    }
    // Mouse events go to whatever the window shows at their place: the
    // editor is scrolled into view first.
    void reveal(QWidget* w) {
        frame().controlView()->scrollArea()->ensureWidgetVisible(w, 0, 0);
        pump(20);
    }
    // The sparks sample's emitter has neither curves nor a shape.
    void openSparks() {
        open(sample("sparks.zob"));
        pump(50);
    }
};

TEST_F(CurvesPageTest, AColourCurveIsTurnedOnEditedByGesturesAndUndone) {
    openSparks();
    EXPECT_FALSE(gradient()->isEnabled()) << "no curve: the bar shows start to end, greyed";
    click(page(), IDC_PART_COLOUR_CURVE);
    ASSERT_EQ(curve(KORVID_CURVE_COLOUR).size(), 2u) << "the curve starts as the straight line";
    const EmitterData e = doc().emitter();
    EXPECT_EQ(std::memcmp(curve(KORVID_CURVE_COLOUR)[0].value, e.startColor, sizeof e.startColor), 0);
    EXPECT_EQ(std::memcmp(curve(KORVID_CURVE_COLOUR)[1].value, e.endColor, sizeof e.endColor), 0);
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Colour Curve"));
    ASSERT_TRUE(gradient()->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_END_R)->isEnabled()) << "the curve replaces start and end";
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_START_VAR_R)->isEnabled()) << "the start variation stays";
    ASSERT_GT(gradient()->width(), 100) << "laid out on the page shown";
    reveal(gradient());

    // A click adds a key holding the colour there.
    QTest::mouseClick(gradient(), Qt::LeftButton, {}, at(gradient(), 0.5));
    std::vector<CurveKey> keys = curve(KORVID_CURVE_COLOUR);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_NEAR(keys[1].time, 0.5f, 0.02f);
    EXPECT_NEAR(keys[1].value[1], (e.startColor[1] + e.endColor[1]) / 2, 0.02f);

    // A drag moves it: one change at the release.
    QTest::mousePress(gradient(), Qt::LeftButton, {}, at(gradient(), 0.5));
    QMouseEvent move(QEvent::MouseMove, at(gradient(), 0.25), gradient()->mapToGlobal(at(gradient(), 0.25)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(gradient(), &move);
    EXPECT_NEAR(curve(KORVID_CURVE_COLOUR)[1].time, 0.5f, 0.02f) << "nothing changes before the release";
    QTest::mouseRelease(gradient(), Qt::LeftButton, {}, at(gradient(), 0.25));
    EXPECT_NEAR(curve(KORVID_CURVE_COLOUR)[1].time, 0.25f, 0.02f);

    // A double-click opens the colour dialog, with alpha, for that key.
    nextColour = QColor(0, 255, 0, 51);
    QTest::mouseDClick(gradient(), Qt::LeftButton, {}, at(gradient(), 0.25));
    keys = curve(KORVID_CURVE_COLOUR);
    EXPECT_FLOAT_EQ(keys[1].value[0], 0.0f);
    EXPECT_FLOAT_EQ(keys[1].value[1], 1.0f);
    EXPECT_NEAR(keys[1].value[3], 0.2f, 0.001f);

    // Delete takes the selected key out.
    gradient()->setFocus();
    QTest::keyClick(gradient(), Qt::Key_Delete);
    EXPECT_EQ(curve(KORVID_CURVE_COLOUR).size(), 2u);

    // Each gesture was one step: delete, colour, drag, add, turn on.
    for (int expected : {3, 3, 3, 2, 0}) {
        ASSERT_EQ(undo()->text(), QStringLiteral("&Undo Colour Curve"));
        undo()->trigger();
        EXPECT_EQ(curve(KORVID_CURVE_COLOUR).size(), size_t(expected));
    }
    EXPECT_FALSE(control<QCheckBox>(page(), IDC_PART_COLOUR_CURVE)->isChecked());
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_END_R)->isEnabled());
    EXPECT_FALSE(doc().isModified());
}

TEST_F(CurvesPageTest, TheSizeGraphTakesDragsAndExactValues) {
    openSparks();
    click(page(), IDC_PART_SIZE_CURVE);
    ASSERT_EQ(curve(KORVID_CURVE_SIZE).size(), 2u);
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Size Curve"));
    // The first key is selected; its values are in the fields for exact input.
    EXPECT_EQ(graph()->selected(), 0);
    commit(page(), IDC_PART_KEY_SIZE, QStringLiteral("6,5"));
    EXPECT_FLOAT_EQ(curve(KORVID_CURVE_SIZE)[0].value[0], 6.5f) << "a decimal comma is taken";
    commit(page(), IDC_PART_KEY_TIME, QStringLiteral("0.2"));
    EXPECT_FLOAT_EQ(curve(KORVID_CURVE_SIZE)[0].time, 0.2f);
    commit(page(), IDC_PART_KEY_TIME, QStringLiteral("3"));
    EXPECT_LT(curve(KORVID_CURVE_SIZE)[0].time, curve(KORVID_CURVE_SIZE)[1].time) << "keys keep their order";
    EXPECT_EQ(control<QLineEdit>(page(), IDC_PART_KEY_TIME)->text(), QStringLiteral("0.999"));

    // A click adds a key; the graph draws it with the others.
    reveal(graph());
    QTest::mouseClick(graph(), Qt::LeftButton, {}, at(graph(), 0.5, 0.9));
    ASSERT_EQ(curve(KORVID_CURVE_SIZE).size(), 3u);
    EXPECT_EQ(graph()->selected(), 0) << "before the key moved to 0.999";
    ASSERT_TRUE(graph()->hasFocus());
    const QImage drawn = graph()->grab().toImage();
    EXPECT_LT(qGray(drawn.pixel(graph()->width() / 3, graph()->height() / 2)), 100) << "the graph's dark ground, with the focus too";
    undo()->trigger();
    ASSERT_EQ(curve(KORVID_CURVE_SIZE).size(), 2u);
    QTest::qWait(QApplication::doubleClickInterval() + 50);

    // A drag of the last key down to the bottom makes it 0.
    const float top = graph()->top();
    EXPECT_GE(top, 6.5f);
    const QPoint from = at(graph(), 1.0, curve(KORVID_CURVE_SIZE)[1].value[0] / top);
    QTest::mousePress(graph(), Qt::LeftButton, {}, from);
    const QPoint to = at(graph(), 1.0, 0.0);
    QMouseEvent move(QEvent::MouseMove, to, graph()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph(), &move);
    QTest::mouseRelease(graph(), Qt::LeftButton, {}, to);
    EXPECT_EQ(graph()->selected(), 1);
    EXPECT_NEAR(curve(KORVID_CURVE_SIZE)[1].value[0], 0.0f, 0.01f);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_PART_KEY_SIZE)->text(), QStringLiteral("0"));

    undo()->trigger();
    EXPECT_GT(curve(KORVID_CURVE_SIZE)[1].value[0], 0.5f) << "the drag is one step";
    // Turned off, the curve is gone; the check box is the one step back.
    click(page(), IDC_PART_SIZE_CURVE);
    EXPECT_TRUE(curve(KORVID_CURVE_SIZE).empty());
    undo()->trigger();
    EXPECT_EQ(curve(KORVID_CURVE_SIZE).size(), 2u);
}

// A click on the size graph adds a key where it was clicked, in time and
// size; while a key is dragged past the top the scale holds still.
TEST_F(CurvesPageTest, TheSizeGraphAddsKeysAtTheCursorAndHoldsItsScale) {
    openSparks();
    click(page(), IDC_PART_SIZE_CURVE);
    ASSERT_EQ(curve(KORVID_CURVE_SIZE).size(), 2u);
    reveal(graph());
    const float top = graph()->top();
    QTest::mouseClick(graph(), Qt::LeftButton, {}, at(graph(), 0.5, 0.25));
    const std::vector<CurveKey> keys = curve(KORVID_CURVE_SIZE);
    ASSERT_EQ(keys.size(), 3u);
    const double pixel = 1.0 / graph()->height();  // the click lands on a whole pixel
    EXPECT_NEAR(keys[1].time, 0.5f, 0.02f);
    EXPECT_NEAR(keys[1].value[0], 0.25f * top, (0.02 + 2 * pixel) * top) << "the size under the cursor";
    QTest::qWait(QApplication::doubleClickInterval() + 50);

    // Dragged up beyond the graph, the key grows but the scale stays as it was.
    const QPoint from = at(graph(), keys[1].time, keys[1].value[0] / top);
    QTest::mousePress(graph(), Qt::LeftButton, {}, from);
    for (double h : {0.6, 0.9, 1.2}) {
        const QPoint to = at(graph(), keys[1].time, h);
        QMouseEvent move(QEvent::MouseMove, to, graph()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(graph(), &move);
        graph()->repaint();
        EXPECT_FLOAT_EQ(graph()->top(), top) << "while dragging, at " << h;
    }
    QTest::mouseRelease(graph(), Qt::LeftButton, {}, at(graph(), keys[1].time, 1.2));
    EXPECT_GT(curve(KORVID_CURVE_SIZE)[1].value[0], top) << "the key went past the old top";
}

TEST_F(CurvesPageTest, TheShapeGroupSetsKindSizesAndShell) {
    openSparks();
    auto* kind = control<QComboBox>(page(), IDC_PART_SHAPE);
    EXPECT_EQ(kind->currentIndex(), KORVID_SHAPE_POINT);
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_SHAPE_SIZE_X)->isEnabled());
    choose(page(), IDC_PART_SHAPE, QStringLiteral("Sphere"));
    EXPECT_EQ(shape().kind, KORVID_SHAPE_SPHERE);
    EXPECT_FLOAT_EQ(shape().size[0], 0.5f) << "a new shape starts at a size that shows";
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Emitter Shape"));
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_SHAPE_SIZE_X)->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_SHAPE_SIZE_X + 1)->isEnabled()) << "a sphere has a radius only";
    commit(page(), IDC_PART_SHAPE_SIZE_X, QStringLiteral("0.25"));
    EXPECT_FLOAT_EQ(shape().size[0], 0.25f);
    commit(page(), IDC_PART_SHAPE_SIZE_X, QStringLiteral("-3"));
    EXPECT_FLOAT_EQ(shape().size[0], 0.0f) << "sizes are 0 or more";
    click(page(), IDC_PART_SHAPE_SHELL);
    EXPECT_EQ(shape().shell, 1);
    choose(page(), IDC_PART_SHAPE, QStringLiteral("Box"));
    EXPECT_EQ(shape().kind, KORVID_SHAPE_BOX);
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_SHAPE_SIZE_X + 2)->isEnabled());
    choose(page(), IDC_PART_SHAPE, QStringLiteral("Mesh"));
    EXPECT_EQ(shape().kind, KORVID_SHAPE_MESH) << "the anvil has triangles to emit from";
    EXPECT_TRUE(messages.isEmpty());
    // Back step by step: box, shell, the two sizes typed in a row (one step), sphere, point.
    for (int expected : {KORVID_SHAPE_BOX, KORVID_SHAPE_SPHERE, KORVID_SHAPE_SPHERE, KORVID_SHAPE_SPHERE}) {
        ASSERT_EQ(undo()->text(), QStringLiteral("&Undo Emitter Shape"));
        undo()->trigger();
        EXPECT_EQ(shape().kind, expected);
        EXPECT_EQ(kind->currentIndex(), expected);
    }
    EXPECT_FLOAT_EQ(shape().size[0], 0.5f);
    undo()->trigger();
    EXPECT_EQ(shape().kind, KORVID_SHAPE_POINT);
}

TEST_F(CurvesPageTest, CurvesAndShapeComeBackWithAnEmitterRemovedAndUndone) {
    open(sample("campfire.zob"));
    ASSERT_EQ(doc().currentEmitter(), 0);
    const std::vector<CurveKey> keys = curve(KORVID_CURVE_COLOUR);
    const EmitterShape disc = shape();
    ASSERT_EQ(keys.size(), 5u);
    ASSERT_EQ(disc.kind, KORVID_SHAPE_DISC);
    EXPECT_TRUE(control<QCheckBox>(page(), IDC_PART_COLOUR_CURVE)->isChecked());
    EXPECT_EQ(gradient()->keys().size(), 5u);
    EXPECT_EQ(control<QComboBox>(page(), IDC_PART_SHAPE)->currentText(), QStringLiteral("Disc"));

    click(page(), IDC_PART_REMOVE);
    ASSERT_EQ(doc().lastEmitter(), 1);
    EXPECT_TRUE(control<QCheckBox>(page(), IDC_PART_SIZE_CURVE)->isChecked()) << "the smoke is shown now";
    EXPECT_EQ(control<QComboBox>(page(), IDC_PART_SHAPE)->currentText(), QStringLiteral("Sphere"));
    undo()->trigger();
    ASSERT_EQ(doc().lastEmitter(), 2);
    ASSERT_EQ(doc().currentEmitter(), 0);
    const std::vector<CurveKey> back = curve(KORVID_CURVE_COLOUR);
    ASSERT_EQ(back.size(), keys.size());
    EXPECT_EQ(std::memcmp(back.data(), keys.data(), keys.size() * sizeof(CurveKey)), 0);
    const EmitterShape shapeBack = shape();
    EXPECT_EQ(std::memcmp(&disc, &shapeBack, sizeof disc), 0);
    EXPECT_EQ(gradient()->keys().size(), 5u);

    // And they are saved with the entity.
    const std::string path = (scratch() / "fire.zob").string();
    answers.setSave([path] { return QString::fromStdString(path); });
    frame().action(ID_FILE_SAVE_AS)->trigger();
    open(path);
    EXPECT_EQ(curve(KORVID_CURVE_COLOUR).size(), 5u);
    EXPECT_EQ(shape().kind, KORVID_SHAPE_DISC);
}

TEST_F(CurvesPageTest, ATallPageScrollsToTheControlWithTheFocus) {
    openSparks();
    frame().resize(1000, 500);
    pump(50);
    QScrollArea* scroll = frame().controlView()->scrollArea();
    ASSERT_TRUE(scroll->verticalScrollBar()->isVisible()) << "the page is taller than the window";
    scroll->verticalScrollBar()->setValue(0);
    control<QComboBox>(page(), IDC_PART_SHAPE)->setFocus(Qt::TabFocusReason);
    pump(20);
    const QRect seen = scroll->viewport()->rect();
    const QRect kind(control<QWidget>(page(), IDC_PART_SHAPE)->mapTo(scroll->viewport(), QPoint(0, 0)),
                     control<QWidget>(page(), IDC_PART_SHAPE)->size());
    EXPECT_TRUE(seen.contains(kind)) << "the focused control is scrolled into view";
}

}  // namespace
}  // namespace vantor::testing

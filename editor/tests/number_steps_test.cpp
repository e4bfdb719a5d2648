// Number fields that step: arrows, the wheel and label scrubbing, each run
// one undo step, within the field's range.
#include <QLabel>
#include <QTabBar>
#include <QWheelEvent>

#include "editor_test.h"
#include "widgets/number_steps.h"
#include "resource.h"

namespace vantor::testing {
namespace {

TEST(StepNumber, StepsTheLastShownDigit) {
    const double inf = 1e30;
    EXPECT_EQ(stepNumber(QStringLiteral("0.500"), 1, Qt::NoModifier, -inf, inf), QStringLiteral("0.501"));
    EXPECT_EQ(stepNumber(QStringLiteral("12"), -1, Qt::NoModifier, -inf, inf), QStringLiteral("11"));
    EXPECT_EQ(stepNumber(QStringLiteral("1.5"), 1, Qt::ShiftModifier, -inf, inf), QStringLiteral("2.5"));
    EXPECT_EQ(stepNumber(QStringLiteral("1.5"), 1, Qt::ControlModifier, -inf, inf), QStringLiteral("1.51"));
    EXPECT_EQ(stepNumber(QStringLiteral("0,25"), 1, Qt::NoModifier, -inf, inf), QStringLiteral("0.26")) << "comma";
    EXPECT_EQ(stepNumber(QStringLiteral("0.999"), 3, Qt::NoModifier, 0, 1), QStringLiteral("1.000")) << "clamped";
    EXPECT_EQ(stepNumber(QStringLiteral("0"), -1, Qt::NoModifier, 0, 1e9), QStringLiteral("0"));
    EXPECT_EQ(stepNumber(QStringLiteral(""), 1, Qt::NoModifier, -inf, inf), QStringLiteral("1"));
    EXPECT_TRUE(stepNumber(QStringLiteral("lots"), 1, Qt::NoModifier, -inf, inf).isEmpty());
    // Many small steps gather no rounding.
    QString text = QStringLiteral("0.1");
    for (int i = 0; i < 30; ++i) text = stepNumber(text, 1, Qt::NoModifier, -inf, inf);
    EXPECT_EQ(text, QStringLiteral("3.1"));
}

class NumberFieldTest : public EditorTest {
protected:
    QAction* undo() { return frame().action(ID_EDIT_UNDO); }
    CommitEdit* field(int id) { return control<CommitEdit>(particlesPage(), id); }
    void openSparks() {
        frame().controlView()->tabs()->setCurrentIndex(3);
        open(sample("sparks.zob"));
        pump(30);
    }
};

TEST_F(NumberFieldTest, ArrowsStepAndCommitOneChangeARun) {
    openSparks();
    const float speed = doc().emitter().speed;
    CommitEdit* edit = field(IDC_PART_SPEED);
    edit->setFocus();
    // Held down: the key repeats, then is let go.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(edit, &press);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(edit, &repeat);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(edit, &release);
    EXPECT_NEAR(doc().emitter().speed, speed + 0.0004f, 1e-6f) << "four steps of the last digit of 0.0500";
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Speed"));
    // A second run is a change of its own.
    QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_NEAR(doc().emitter().speed, speed - 0.0006f, 1e-6f);
    undo()->trigger();
    EXPECT_NEAR(doc().emitter().speed, speed + 0.0004f, 1e-6f);
    undo()->trigger();
    EXPECT_FLOAT_EQ(doc().emitter().speed, speed);
    EXPECT_FALSE(doc().isModified());

    // Colours stay within 0..1; counts stay 0 or more.
    CommitEdit* red = field(IDC_PART_END_R + 1);
    red->setText(QStringLiteral("0.995"));
    red->setFocus();
    for (int i = 0; i < 10; ++i) QTest::keyClick(red, Qt::Key_Up);
    EXPECT_FLOAT_EQ(doc().emitter().endColor[1], 1.0f);
    CommitEdit* perCycle = field(IDC_PART_PER_CYCLE_VAR);
    perCycle->setFocus();
    for (int i = 0; i < 9; ++i) QTest::keyClick(perCycle, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(doc().emitter().emitterPerCycleVar, 0);
}

TEST_F(NumberFieldTest, TheWheelStepsAFocusedFieldOnly) {
    openSparks();
    CommitEdit* life = field(IDC_PART_LIFE);
    const int before = doc().emitter().life;
    QWheelEvent notch(QPointF(5, 5), life->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(life, &notch);
    EXPECT_EQ(doc().emitter().life, before) << "not focused: the page scrolls instead";
    life->setFocus();
    QWheelEvent again(QPointF(5, 5), life->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(life, &again);
    EXPECT_EQ(doc().emitter().life, before + 2);
}

TEST_F(NumberFieldTest, DraggingALabelScrubsItsFieldAsOneChange) {
    openSparks();
    // The label just before the Life field.
    QLabel* label = nullptr;
    for (QLabel* l : particlesPage()->findChildren<QLabel*>())
        if (l->text() == QStringLiteral("Life:")) label = l;
    ASSERT_NE(label, nullptr);
    const int before = doc().emitter().life;
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 5));
    for (int x : {10, 22, 42}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 5), label->mapToGlobal(QPointF(x, 5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(label, &move);
        EXPECT_EQ(doc().emitter().life, before + (x - 2) / 4) << "live, as the drag goes";
    }
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(42, 5));
    EXPECT_EQ(doc().emitter().life, before + 10);
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Life"));
    undo()->trigger();
    EXPECT_EQ(doc().emitter().life, before) << "the whole drag is one step";
}

}  // namespace
}  // namespace vantor::testing

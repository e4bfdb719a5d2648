// Flipbooks, spin and stretch, draw order and trails on the PARTICLES page:
// each field edits its part of the current emitter as one undo step, the
// fields that do not apply are disabled, and the look is kept with the entity.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <cmath>

#include "editor_test.h"
#include "resource.h"

namespace vantor::testing {
namespace {

class LookPageTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        frame().controlView()->tabs()->setCurrentIndex(3);
        frame().resize(1200, 1000);
        frame().show();
        open(sample("smoke.zob"));
        pump(50);
    }
    QWidget* page() { return particlesPage(); }
    QAction* undo() { return frame().action(ID_EDIT_UNDO); }
    bool enabled(int id) { return control<QWidget>(page(), id)->isEnabled(); }
    Flipbook flipbook() {
        view().makeCurrent();
        Flipbook f{};
        objGetEmitterFlipbook(&f);
        return f;
    }
    ParticleSpin spin() {
        view().makeCurrent();
        ParticleSpin s{};
        objGetEmitterSpin(&s);
        return s;
    }
    Trail trail() {
        view().makeCurrent();
        Trail t{};
        objGetEmitterTrail(&t);
        return t;
    }
    int32_t sort() {
        view().makeCurrent();
        return objGetEmitterSort();
    }
};

TEST_F(LookPageTest, EachPartIsEditedAndUndoneStepByStep) {
    EXPECT_TRUE(enabled(IDC_PART_FLIP_COLUMNS));
    EXPECT_FALSE(enabled(IDC_PART_FLIP_ROWS)) << "no sheet yet";
    EXPECT_FALSE(enabled(IDC_PART_SPIN_STRETCH)) << "only along the motion";
    EXPECT_FALSE(enabled(IDC_PART_TRAIL_LENGTH)) << "no trail yet";

    // A sheet laid out from its columns: one row and all its cells at first.
    commit(page(), IDC_PART_FLIP_COLUMNS, QStringLiteral("4"));
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Flipbook"));
    EXPECT_EQ(flipbook().columns, 4);
    EXPECT_EQ(flipbook().rows, 1);
    EXPECT_EQ(flipbook().frames, 4);
    EXPECT_FLOAT_EQ(flipbook().fps, 24.0f);
    EXPECT_TRUE(enabled(IDC_PART_FLIP_ROWS));
    commit(page(), IDC_PART_FLIP_ROWS, QStringLiteral("2"));
    commit(page(), IDC_PART_FLIP_FRAMES, QStringLiteral("9"));
    EXPECT_EQ(flipbook().frames, 8) << "frames stay within the cells";
    click(page(), IDC_PART_FLIP_OVER_LIFE);
    EXPECT_EQ(flipbook().overLife, 1);
    EXPECT_FALSE(enabled(IDC_PART_FLIP_FPS)) << "over life has no rate";

    commit(page(), IDC_PART_SPIN_RATE, QStringLiteral("90"));
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Spin and Stretch"));
    EXPECT_NEAR(spin().spin, 1.5707964f, 1e-6f) << "typed in degrees, kept in radians";
    click(page(), IDC_PART_SPIN_ALIGN);
    EXPECT_TRUE(enabled(IDC_PART_SPIN_STRETCH));
    commit(page(), IDC_PART_SPIN_STRETCH, QStringLiteral("-1"));
    EXPECT_FLOAT_EQ(spin().stretch, 0.0f) << "a stretch is 0 or more";
    commit(page(), IDC_PART_SPIN_STRETCH, QStringLiteral("0.5"));
    EXPECT_FLOAT_EQ(spin().stretch, 0.5f);

    choose(page(), IDC_PART_SORT, QStringLiteral("Back to front"));
    EXPECT_EQ(sort(), KORVID_SORT_BACK_TO_FRONT);
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Draw Order"));

    click(page(), IDC_PART_TRAIL_ENABLED);
    EXPECT_EQ(trail().enabled, 1);
    EXPECT_EQ(trail().length, 300) << "a trail that shows";
    EXPECT_GT(trail().widthStart, 0.0f);
    commit(page(), IDC_PART_TRAIL_LENGTH, QStringLiteral("500"));
    EXPECT_EQ(trail().length, 500);
    commit(page(), IDC_PART_TRAIL_ALPHA_END, QStringLiteral("3"));
    EXPECT_FLOAT_EQ(trail().alphaEnd, 1.0f) << "typed past the end: the nearest end";
    EXPECT_TRUE(messages.isEmpty());

    // Back step by step: every change was one (the stretch typed below 0 changed nothing).
    const char* steps[] = {"Trail",    "Trail",    "Trail",    "Draw Order", "Spin and Stretch", "Spin and Stretch",
                           "Spin and Stretch", "Flipbook", "Flipbook", "Flipbook", "Flipbook"};
    for (const char* step : steps) {
        ASSERT_EQ(undo()->text().toStdString(), std::string("&Undo ") + step);
        undo()->trigger();
        pump(5);
    }
    EXPECT_EQ(flipbook().columns, 0);
    EXPECT_EQ(spin().align, 0);
    EXPECT_EQ(sort(), KORVID_SORT_NONE);
    EXPECT_EQ(trail().enabled, 0);
    EXPECT_FALSE(enabled(IDC_PART_FLIP_ROWS)) << "the page redraws from the document";
    for (size_t i = 0; i < std::size(steps); ++i) frame().action(ID_EDIT_REDO)->trigger();
    EXPECT_EQ(flipbook().frames, 8);
    EXPECT_EQ(trail().alphaEnd, 1.0f);

    // Saved with the entity and read back.
    const std::string path = (scratch() / "smoke-look.zob").string();
    answers.setSave([path] { return QString::fromStdString(path); });
    frame().action(ID_FILE_SAVE_AS)->trigger();
    open(path);
    pump(50);
    EXPECT_EQ(flipbook().rows, 2);
    EXPECT_EQ(sort(), KORVID_SORT_BACK_TO_FRONT);
    EXPECT_EQ(trail().length, 500);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_PART_TRAIL_LENGTH)->text(), QStringLiteral("500"));
    EXPECT_TRUE(control<QCheckBox>(page(), IDC_PART_FLIP_OVER_LIFE)->isChecked());
}

}  // namespace
}  // namespace vantor::testing

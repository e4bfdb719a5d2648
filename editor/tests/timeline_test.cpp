// The timeline: exact moments by slider and keys, edits shown at the same
// moment, the loop, and Export Frames over the loop range.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <filesystem>

#include "editor_test.h"
#include "resource.h"
#include "view/simulation_controls.h"
#include "view/timeline_bar.h"
#include "export/effect_export.h"
#include "export/picture_export.h"
#include <fstream>
#include <iterator>

namespace vantor::testing {
namespace {

class TimelineTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        open(sample("fireworks.zob"));
        frame().action(ID_VIEW_TIMELINE)->trigger();
        pump(30);
        ASSERT_TRUE(bar().active());
        frame().simulation()->setPaused(true);
    }
    void TearDown() override {
        frame().simulation()->setPaused(false);
        if (bar().active()) frame().action(ID_VIEW_TIMELINE)->trigger();
        EditorTest::TearDown();
    }
    TimelineBar& bar() { return *frame().timeline(); }
    QImage shown() {
        pump(40);  // a frame or two drawn at the moment
        return view().grabFramebuffer();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        view().setFocus();
        QTest::keyClick(&view(), k, modifiers);
    }
};

// The slider and the keys land on exact moments: stepping forward and back
// shows the very same picture again, and the label shows seconds.
TEST_F(TimelineTest, ScrubAndStepGiveTheSameMomentAgain) {
    control<QSlider>(&bar(), IDC_TIME_SLIDER)->setValue(1507);
    EXPECT_EQ(objGetSimulationTime(), 1500) << "whole 15 ms steps";
    EXPECT_EQ(control<QLabel>(&bar(), IDC_TIME_NOW)->text(), QStringLiteral("1.500 s"));
    const QImage at1500 = shown();
    EXPECT_EQ(objGetSimulationTime(), 1500) << "paused: frames draw the moment itself";
    key(Qt::Key_Right);
    EXPECT_EQ(objGetSimulationTime(), 1515);
    EXPECT_NE(shown(), at1500);
    key(Qt::Key_Left);
    EXPECT_EQ(objGetSimulationTime(), 1500);
    EXPECT_EQ(shown(), at1500) << "the same moment, the same picture";
    key(Qt::Key_End);
    EXPECT_EQ(objGetSimulationTime(), bar().outPoint() / TimelineBar::kStep * TimelineBar::kStep) << "whole steps";
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(objGetSimulationTime(), bar().inPoint()) << "Home alone frames the view";
    key(Qt::Key_L);
    EXPECT_TRUE(bar().looping());
}

// An edit of the effect shows at the moment on screen; its undo brings the
// picture of that moment back exactly.
TEST_F(TimelineTest, AnEditShowsAtTheSameMoment) {
    bar().seek(2400);
    const QImage before = shown();
    frame().controlView()->tabs()->setCurrentIndex(3);
    commit(particlesPage(), IDC_PART_SPEED, QStringLiteral("0.09"));
    EXPECT_EQ(objGetSimulationTime(), 2400);
    EXPECT_NE(shown(), before);
    doc().history().undo();
    EXPECT_EQ(objGetSimulationTime(), 2400);
    EXPECT_EQ(shown(), before);
}

// With the loop on, play wraps from the out point to the in point; the
// toolbar's Play is the timeline's too.
TEST_F(TimelineTest, PlayLoopsBetweenInAndOut) {
    bar().setRange(300, 600);
    bar().loopAction()->setChecked(true);
    bar().seek(300);
    int latest = 0, wraps = 0;
    QObject scope;
    QObject::connect(&bar(), &TimelineBar::timeChanged, &scope, [&](int t) {
        if (t < latest) ++wraps;
        latest = t;
        EXPECT_LE(t, 600 + TimelineBar::kStep);
        EXPECT_GE(t, 300);
    });
    frame().simulation()->playPause()->trigger();  // play
    EXPECT_FALSE(objIsSimulationPaused());
    for (int i = 0; i < 200 && wraps < 2; ++i) pump(25);  // until it wrapped twice, however slow the machine
    frame().simulation()->setPaused(true);
    EXPECT_GE(wraps, 2);
}

// Export Frames offers the loop range: one picture for every step from the
// in point to the out point.
TEST_F(TimelineTest, ExportFramesCoversTheLoopRange) {
    bar().setRange(150, 450);
    const int shownBefore = objGetSimulationTime();
    whenModal<CExportFramesDlg>([](CExportFramesDlg* dialog) {
        auto* loop = control<QCheckBox>(dialog, IDC_EXPORT_LOOP);
        ASSERT_NE(loop, nullptr);
        loop->setChecked(true);
        // The step of an earlier export is offered again: this one uses the timeline's.
        const auto boxes = dialog->findChildren<QSpinBox*>();
        ASSERT_EQ(boxes.size(), 3);
        boxes[1]->setValue(15);
        dialog->accept();
    });
    const auto base = scratch() / "range.png";
    setPictureFileHook([&] { return QString::fromStdString(base.string()); });
    for (QAction* a : frame().findChildren<QAction*>())
        if (a->text() == QStringLiteral("Export &Frames...")) a->trigger();
    setPictureFileHook({});
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch()))
        if (entry.path().filename().string().rfind("range_", 0) == 0) ++files;
    EXPECT_EQ(files, 21) << "150 to 450 ms in 15 ms steps";
    EXPECT_EQ(objGetSimulationTime(), shownBefore) << "the timeline shows its moment again";
}

// File > Export > Sprite Sheet... and Animation...: the timeline's range by
// default, a picture with alpha and its description, and an animated GIF;
// the view and the timeline are as before afterwards.
TEST_F(TimelineTest, ExportsASpriteSheetAndAnAnimation) {
    bar().setRange(300, 900);
    bar().seek(450);
    const QImage before = shown();
    const auto sheetPath = scratch() / "burst.png";
    const auto gifPath = scratch() / "burst.gif";
    auto run = [&](const char* command, const std::filesystem::path& path, int cols) {
        whenModal<CExportEffectDlg>([cols](CExportEffectDlg* dialog) {
            const auto spins = dialog->findChildren<QSpinBox*>();
            ASSERT_GE(spins.size(), 5);
            EXPECT_EQ(spins[0]->value(), 300) << "From: the in point";
            EXPECT_EQ(spins[1]->value(), 900) << "To: the out point";
            spins[3]->setValue(64);  // frame width
            spins[4]->setValue(48);  // frame height
            if (cols > 0) {
                spins[5]->setValue(cols);
                spins[6]->setValue(2);
            }
            dialog->accept();
        });
        setPictureFileHook([&path] { return QString::fromStdString(path.string()); });
        for (QAction* a : frame().findChildren<QAction*>())
            if (a->text() == QString::fromLatin1(command)) a->trigger();
        setPictureFileHook({});
    };
    run("&Sprite Sheet...", sheetPath, 3);
    const QImage sheet(QString::fromStdString(sheetPath.string()));
    ASSERT_FALSE(sheet.isNull());
    EXPECT_TRUE(sheet.hasAlphaChannel());
    EXPECT_EQ(sheet.width() % 3, 0);
    EXPECT_EQ(sheet.height() % 2, 0);
    std::ifstream json(scratch() / "burst.json");
    const std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"frameCount\": 6"), std::string::npos) << text;
    EXPECT_NE(text.find("\"timeMs\": 300"), std::string::npos) << "the first moment is the in point";

    run("&Animation...", gifPath, 0);
    std::ifstream gif(gifPath, std::ios::binary);
    char magic[6] = {};
    gif.read(magic, 6);
    EXPECT_EQ(std::string(magic, 6), "GIF89a");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(objGetSimulationTime(), 450) << "the timeline shows its moment again";
    EXPECT_EQ(shown(), before) << "the view looks as before";
}

// A sheet exported for the current emitter becomes its image, drawn over
// black, and plays as its flipbook at the rate it was taken; the description
// spreads the moments evenly and tells engines each frame's box, duration and
// the pivot; the change is one undo step.
TEST_F(TimelineTest, ASpriteSheetBecomesTheEmittersFlipbook) {
    bar().setRange(0, 1000);
    const auto sheetPath = scratch() / "rocket.png";
    whenModal<CExportEffectDlg>([](CExportEffectDlg* dialog) {
        const auto spins = dialog->findChildren<QSpinBox*>();
        ASSERT_GE(spins.size(), 7);
        spins[3]->setValue(48);
        spins[4]->setValue(48);
        spins[5]->setValue(4);
        spins[6]->setValue(2);
        auto* use = control<QCheckBox>(dialog, IDC_EXPORT_USE_AS_FLIPBOOK);
        ASSERT_TRUE(use->isEnabled()) << "an emitter is current";
        use->setChecked(true);
        dialog->accept();
    });
    setPictureFileHook([&sheetPath] { return QString::fromStdString(sheetPath.string()); });
    for (QAction* a : frame().findChildren<QAction*>())
        if (a->text() == QStringLiteral("&Sprite Sheet...")) a->trigger();
    setPictureFileHook({});
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();

    std::ifstream json(scratch() / "rocket.json");
    const std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    // 1000 ms over 8 frames is 125 ms: 120, eight whole 15 ms steps, apart.
    for (int k = 0; k < 8; ++k)
        EXPECT_NE(text.find("\"timeMs\": " + std::to_string(120 * k) + ","), std::string::npos) << k;
    EXPECT_NE(text.find("\"durationMs\": 120}"), std::string::npos) << text;
    EXPECT_NE(text.find("\"loop\": true"), std::string::npos);
    EXPECT_NE(text.find("\"pivot\": ["), std::string::npos);
    EXPECT_NE(text.find("\"w\": "), std::string::npos);

    view().makeCurrent();
    Flipbook f{};
    ASSERT_TRUE(objGetEmitterFlipbook(&f));
    EXPECT_EQ(f.columns, 4);
    EXPECT_EQ(f.rows, 2);
    EXPECT_EQ(f.frames, 8);
    EXPECT_NEAR(f.fps, 1000.0f / 120.0f, 1e-3f);
    EmitterData e{};
    objGetEmitter(&e);
    EXPECT_STREQ(e.imageName, "rocket");
    EXPECT_EQ(e.particleType, KORVID_PARTICLE_POLYGONS);
    EXPECT_NE(e.textureId, 0u);
    EXPECT_TRUE(std::filesystem::exists(scratch() / "rocket.bmp"));
    QAction* undo = frame().action(ID_EDIT_UNDO);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Use Sheet as Flipbook"));
    undo->trigger();
    view().makeCurrent();
    ASSERT_TRUE(objGetEmitterFlipbook(&f));
    EXPECT_EQ(f.columns, 0);
    objGetEmitter(&e);
    EXPECT_STRNE(e.imageName, "rocket");
    EXPECT_EQ(objGetTextureId("rocket"), 0u) << "the image went with it";
    frame().action(ID_EDIT_REDO)->trigger();
    view().makeCurrent();
    ASSERT_TRUE(objGetEmitterFlipbook(&f));
    EXPECT_EQ(f.frames, 8);
    objGetEmitter(&e);
    EXPECT_STREQ(e.imageName, "rocket");
    EXPECT_NE(objGetTextureId("rocket"), 0u);
}

}  // namespace
}  // namespace vantor::testing

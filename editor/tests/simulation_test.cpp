// The Simulation commands, the status bar's figures, removing emitters, and
// opening files from the command line or by dropping them.
#include <QAction>
#include <QImage>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <array>
#include <cstdio>
#include <fstream>

#include "resource.h"
#include "editor_test.h"
#include "dialogs/name_dlg.h"
#include "pages/particles_page.h"
#include "export/picture_export.h"
#include "view/simulation_controls.h"

namespace vantor::testing {
namespace {

class SimulationTest : public EditorTest {
protected:
    SimulationControls& controls() { return *frame().simulation(); }
    void TearDown() override {
        controls().setPaused(false);
        controls().setSpeed(2);
        EditorTest::TearDown();
    }
    std::string readFile(const std::filesystem::path& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

TEST_F(SimulationTest, PauseStepAndRestartFromKeysAndToolbar) {
    open(sample("fountain.zob"));
    ASSERT_TRUE(QTest::qWaitFor([] { return objGetLiveParticles(-1) > 0; }, 10000)) << "the fountain plays";
    QAction* play = controls().playPause();
    EXPECT_EQ(play->text(), QStringLiteral("Pause"));
    EXPECT_FALSE(controls().step()->isEnabled());
    frame().activateWindow();
    QTest::keyClick(&frame(), Qt::Key_F5);
    EXPECT_TRUE(objIsSimulationPaused());
    EXPECT_EQ(play->text(), QStringLiteral("Play"));
    EXPECT_TRUE(controls().step()->isEnabled());
    const int32_t held = objGetLiveParticles(-1);
    ASSERT_GT(held, 0);
    pump(300);
    EXPECT_EQ(objGetLiveParticles(-1), held) << "paused: nothing moves";
    EXPECT_FALSE(view().redrawTimerRunning()) << "and the view rests";

    const int32_t before = objGetSimulationTime();
    QTest::keyClick(&frame(), Qt::Key_F10);
    EXPECT_TRUE(QTest::qWaitFor([before] { return objGetSimulationTime() > before; }, 10000))
        << "a step is drawn although the view rested";
    pump(100);
    EXPECT_TRUE(objIsSimulationPaused()) << "a step keeps the simulation paused";
    EXPECT_FALSE(view().redrawTimerRunning()) << "and the view rests again after it";

    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_Space);
    EXPECT_FALSE(objIsSimulationPaused()) << "Space in the view plays again";
    EXPECT_EQ(play->text(), QStringLiteral("Pause"));
    EXPECT_TRUE(view().redrawTimerRunning()) << "at the 15 ms rhythm";
    EXPECT_EQ(view().redrawInterval(), 15);

    QTest::keyClick(&frame(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(objGetLiveParticles(-1), 0) << "restart drops every live particle";
    EXPECT_TRUE(QTest::qWaitFor([] { return objGetLiveParticles(-1) > 0; }, 10000)) << "and plays again";
}

// A model without emitters is drawn when something changes it and not
// otherwise; spins and edits wake the view.
TEST_F(SimulationTest, AStillSceneRestsUntilSomethingChanges) {
    open(sample("torus.raw"));
    const auto rests = [this] { return QTest::qWaitFor([this] { return !view().redrawTimerRunning(); }, 10000); };
    EXPECT_TRUE(rests()) << "nothing moves";
    pump(50);  // the last frame, asked for as the view came to rest
    int frames = 0;
    QObject scope;
    QObject::connect(&view(), &CVantorView::frameDrawn, &scope, [&frames] { ++frames; });
    pump(200);
    EXPECT_EQ(frames, 0) << "a still scene is not drawn again";

    CameraData turned = view().camera();
    turned.ry += 10;
    view().setCamera(turned);
    EXPECT_TRUE(QTest::qWaitFor([&frames] { return frames > 0; }, 10000)) << "a camera move is drawn";
    EXPECT_FALSE(view().redrawTimerRunning()) << "without starting the rhythm";

    frame().action(ID_ROTATE_Y)->trigger();
    EXPECT_TRUE(view().redrawTimerRunning()) << "a spin keeps the view drawing";
    frame().action(ID_ROTATE_Y)->trigger();
    EXPECT_TRUE(rests()) << "and rests when it stops";

    frames = 0;
    doc().scaleGeometry(std::array<float, 3>{2, 2, 2}.data());
    EXPECT_TRUE(QTest::qWaitFor([&frames] { return frames > 0; }, 10000)) << "an edit is drawn";
}

TEST_F(SimulationTest, SpeedChoiceAndStatusBarFigures) {
    auto* figures = frame().findChild<QLabel*>(QStringLiteral("SimulationStatistics"));
    ASSERT_NE(figures, nullptr);
    controls().updateStatistics();
    EXPECT_TRUE(figures->text().startsWith(QStringLiteral("0 particles"))) << figures->text().toStdString();

    open(sample("fireworks.zob"));
    controls().speedBox()->setCurrentIndex(3);
    emit controls().speedBox()->activated(3);
    EXPECT_FLOAT_EQ(objGetSimulationSpeed(), 2.0f);
    pump(1500);
    controls().updateStatistics();
    const QString text = figures->text();
    EXPECT_TRUE(text.startsWith(QString::number(objGetLiveParticles(-1)) + QStringLiteral(" particles")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" ms (")) && text.endsWith(QStringLiteral(" fps)"))) << text.toStdString();
    controls().setSpeed(0);
    EXPECT_FLOAT_EQ(objGetSimulationSpeed(), 0.25f);
    EXPECT_EQ(controls().speedBox()->currentIndex(), 0);
}

TEST_F(SimulationTest, RemoveTakesTheEmitterFromListLibraryAndFile) {
    open(sample("fireworks.zob"));
    QTimer::singleShot(30, [this] {
        auto* dialog = qobject_cast<CNameDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        control<QLineEdit>(dialog, IDC_NAME_EDIT)->setText(QStringLiteral("Second"));
        click(dialog, IDOK);
    });
    click(particlesPage(), IDC_PART_ADD);
    QComboBox* list = particlesPage()->emitterList();
    ASSERT_EQ(list->count(), 2);
    choose(particlesPage(), list->property("controlId").toInt(), 0);
    click(particlesPage(), IDC_PART_REMOVE);  // Remove
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), QStringLiteral("Second"));
    EXPECT_STREQ(doc().emitter().name, "Second");
    ModelInfo info{};
    view().makeCurrent();
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 1);
    const auto saved = scratch() / "one.zob";
    answers.setSave([&] { return QString::fromStdString(saved.string()); });
    files().onFileSaveAs();
    const std::string text = readFile(saved);
    EXPECT_NE(text.find("1 //Emitter Count"), std::string::npos);
    EXPECT_NE(text.find("Second \n"), std::string::npos);
    click(particlesPage(), IDC_PART_REMOVE);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(doc().currentEmitter(), -1);
    EXPECT_FALSE(control<QPushButton>(particlesPage(), IDC_PART_REMOVE)->isEnabled());
}

TEST_F(SimulationTest, DroppedAndNamedFilesOpenAsFileOpenDoes) {
    frame().openDropped(QString::fromStdString(sample("sparks.zob")));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("sparks - Vantor"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(sample("smoke.zob")))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("smoke - Vantor"));

    const auto text = scratch() / "notes.txt";
    std::ofstream(text) << "hello";
    frame().openDropped(QString::fromStdString(text.string()));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Vantor opens RAW and ZOB models only: notes.txt"));
    frame().openDropped(QString::fromStdString((scratch() / "missing.zob").string()));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], aboutFile(QStringLiteral("File not found"), scratch() / "missing.zob"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("smoke - Vantor"));
}

TEST_F(SimulationTest, PicturesAndRepeatableFrameExports) {
    open(sample("sparks.zob"));
    pump(200);
    const auto picture = scratch() / "view.png";
    ASSERT_TRUE(savePicture(&frame(), &view(), QString::fromStdString(picture.string())));
    QImage shot(QString::fromStdString(picture.string()));
    EXPECT_EQ(shot.size(), view().size() * view().devicePixelRatio()) << "the view at its current size";

    const FrameExport settings{4, 15, 9};
    ASSERT_EQ(exportFrames(&frame(), &view(), QString::fromStdString((scratch() / "a.png").string()), settings), 4);
    pump(300);  // the effect runs on in real time in between
    ASSERT_EQ(exportFrames(&frame(), &view(), QString::fromStdString((scratch() / "b.png").string()), settings), 4);
    for (int i = 1; i <= 4; ++i) {
        char a[32], b[32];
        std::snprintf(a, sizeof a, "a_%04d.png", i);
        std::snprintf(b, sizeof b, "b_%04d.png", i);
        ASSERT_TRUE(std::filesystem::exists(scratch() / a));
        EXPECT_EQ(readFile(scratch() / a), readFile(scratch() / b)) << "same settings, same picture " << i;
    }
    EXPECT_NE(readFile(scratch() / "a_0001.png"), readFile(scratch() / "a_0004.png")) << "the effect moves";
    EXPECT_TRUE(view().redrawTimerRunning());
    EXPECT_FALSE(objIsSimulationPaused());
}

}  // namespace
}  // namespace vantor::testing

// The editor shell: documents, the toolbar, the 3D view's drags, keys, layout.
#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <fstream>
#include <sstream>

#include "resource.h"
#include "editor_test.h"
#include "app/recent_files.h"
#include "pages/entity_control_view.h"
#include "dialogs/name_dlg.h"
#include "pages/object_page.h"
#include "dialogs/image_dlg.h"
#include "app/keyboard_state.h"
#include "view/simulation_controls.h"
#include "dialogs/particle_burst_dialog.h"
#include "pages/particles_page.h"
#include "pages/surface_page.h"

namespace vantor::testing {
using vantor::DragMode;
using vantor::DragTarget;
namespace {

class ShellTest : public EditorTest {
protected:
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        QMouseEvent event(type, QPointF(at), view().mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&view(), &event);
    }
    // Presses `button` at `from`, moves to `to` and releases.
    void drag(Qt::MouseButton button, QPoint from, QPoint to) {
        mouse(QEvent::MouseButtonPress, button, button, from);
        mouse(QEvent::MouseMove, Qt::NoButton, button, to);
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, to);
    }
    void trigger(int id) {
        QAction* a = frame().action(id);
        ASSERT_NE(a, nullptr) << id;
        frame().updateCommands();
        ASSERT_TRUE(a->isEnabled()) << id;
        a->trigger();
    }
    std::string readAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(ShellTest, OpeningRawAndZobFilesFillsThePages) {
    const int before = doc().modelCount();
    open(sample("torus.raw"));
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(doc().modelCount(), before + 1);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("torus - Vantor"));
    EXPECT_EQ(doc().modelInfo().surfaceCount, 2);
    EXPECT_EQ(surfacePage()->surfaceList()->count(), 2);
    EXPECT_EQ(surfacePage()->surfaceList()->itemText(0), QStringLiteral("Torus"));
    EXPECT_TRUE(objectPage()->objectList()->isEnabled());
    EXPECT_EQ(control<QLineEdit>(objectPage(), IDC_OBJ_POLYGONS)->text(),
              QString::number(doc().modelInfo().polygonCount));
    EXPECT_EQ(doc().lastEmitter(), -1);
    EXPECT_FALSE(control<QLineEdit>(particlesPage(), IDC_PART_TOTAL)->isEnabled());
    EXPECT_TRUE(particlesPage()->emitterList()->isEnabled()) << "a model without emitters offers Add";

    open(sample("fireworks.zob"));
    ASSERT_TRUE(messages.isEmpty());
    EXPECT_EQ(doc().modelCount(), before + 2);
    QComboBox* objects = objectPage()->objectList();
    ASSERT_EQ(objects->count(), 2);
    EXPECT_EQ(objects->itemText(0), QStringLiteral("fireworks")) << "the object list is sorted";
    EXPECT_EQ(doc().currentEmitter(), 0);
    EXPECT_EQ(doc().lastEmitter(), 0);
    EXPECT_STREQ(doc().emitter().name, "Rockets");
    EXPECT_EQ(particlesPage()->emitterList()->itemText(0), QStringLiteral("Rockets"));
    EXPECT_EQ(doc().burst().count, 120);
    // The new model is the current one in the library.
    ModelInfo info{};
    view().makeCurrent();
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 1);
}

TEST_F(ShellTest, FailingOpensShowTheLibrarysMessage) {
    open((scratch() / "missing.zob").string());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], aboutFile(QStringLiteral("File not found"), scratch() / "missing.zob"));
    open((scratch() / "model.obj").string());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], aboutFile(QStringLiteral("File Extension error"), scratch() / "model.obj"));
    const auto bad = scratch() / "bad.raw";
    std::ofstream(bad) << "Group\n1 2 3\n";
    open(bad.string());
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[2], QString::fromStdString("Error Parsing file " + bad.string() + "\n vertex line 1"));
    // Capital letters in the extension are fine.
    const auto capital = scratch() / "BOX.RAW";
    std::filesystem::copy_file(sample("launcher.raw"), capital);
    open(capital.string());
    EXPECT_EQ(messages.size(), 3);
}

TEST_F(ShellTest, SaveRoundTripAndItsRefusals) {
    open(sample("smoke.zob"));
    // A name typed without an extension gets ".zob".
    const auto typed = scratch() / "copy";
    answers.setSave([&] { return QString::fromStdString(typed.string()); });
    files().onFileSaveAs();
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    const auto saved = scratch() / "copy.zob";
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_NE(readAll(saved).find("Smoke"), std::string::npos);

    answers.setSave([&] { return QString::fromStdString((scratch() / "copy.txt").string()); });
    files().onFileSaveAs();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], aboutFile(QStringLiteral("File Extension error"), scratch() / "copy.txt"));
    EXPECT_FALSE(std::filesystem::exists(scratch() / "copy.txt"));

    std::filesystem::create_directories(scratch() / "folder.zob");
    answers.setSave([&] { return QString::fromStdString((scratch() / "folder.zob").string()); });
    files().onFileSaveAs();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], aboutFile(QStringLiteral("Unable to create file"), scratch() / "folder.zob"));

    files().onFileNew();
    open(saved.string());
    EXPECT_EQ(messages.size(), 2);
    EXPECT_STREQ(doc().emitter().name, "Smoke");
    EXPECT_EQ(doc().emitter().particleType, 3);
}

TEST_F(ShellTest, FailedOpenKeepsTheTitle) {
    open(sample("fountain.zob"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fountain - Vantor"));
    const auto bad = scratch() / "broken.zob";
    std::ofstream(bad) << "#ZOBv0.6.4\n";
    open(bad.string());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fountain - Vantor"));
    EXPECT_EQ(doc().fileTitle(), QStringLiteral("fountain"));
    open(sample("sparks.zob"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("sparks - Vantor"));
}

// An entity saved with its bitmap beside it can be moved as a folder and
// opened from the new place, whatever folder the editor started in.
TEST_F(ShellTest, ChosenFilesFolderBecomesTheWorkingDirectory) {
    const auto folder = scratch() / "entity";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(sample("smoke.zob"), folder / "smoke.zob");
    std::filesystem::copy_file(sample("haze.bmp"), folder / "haze.bmp");
    open((folder / "smoke.zob").string());
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(std::filesystem::current_path(), folder);
    const auto saved = folder / "again.zob";
    answers.setSave([&] { return QString::fromStdString(saved.string()); });
    files().onFileSaveAs();
    EXPECT_NE(readAll(saved).find("\nhaze.bmp //Path\n"), std::string::npos) << "relative to its own folder";

    const auto moved = scratch() / "moved";
    std::filesystem::rename(folder, moved);
    std::filesystem::current_path(scratch());
    files().onFileNew();
    open((moved / "again.zob").string());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    view().makeCurrent();
    EXPECT_EQ(objGetTextureCnt(), 1);
    EXPECT_NE(objGetTextureId("Puff"), 0u);
}

TEST_F(ShellTest, MenusAndDropDownsKeepEnterAndEscape) {
    frame().activateWindow();
    QMenu* file = frame().menuBar()->actions().value(0)->menu();
    ASSERT_NE(file, nullptr);
    bool newRan = false;
    auto connection = QObject::connect(frame().action(ID_FILE_NEW), &QAction::triggered, [&] { newRan = true; });
    file->popup(frame().mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    QTest::keyClick(file, Qt::Key_Down);
    QTest::keyClick(file, Qt::Key_Return);
    EXPECT_TRUE(newRan) << "Enter runs the highlighted command";
    EXPECT_FALSE(file->isVisible());
    QObject::disconnect(connection);

    file->popup(frame().mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    QTest::keyClick(file, Qt::Key_Escape);
    EXPECT_FALSE(file->isVisible()) << "Escape closes the menu";

    open(sample("showcase.zob"));
    frame().controlView()->tabs()->setCurrentIndex(1);
    auto* surfaces = control<QComboBox>(surfacePage(), IDC_SURF_LIST);
    surfaces->setFocus();
    surfaces->showPopup();
    QAbstractItemView* popup = surfaces->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(surfaces->currentIndex(), 1) << "Enter in a drop-down chooses the highlighted entry";
    EXPECT_EQ(doc().currentSurface(), 1);
}

TEST_F(ShellTest, AlternateEditKeysIndicatorsAndTheEmptyRecentList) {
    const auto shortcuts = [this](int id) { return frame().action(id)->shortcuts(); };
    EXPECT_TRUE(shortcuts(ID_EDIT_UNDO).contains(QKeySequence(Qt::ALT | Qt::Key_Backspace)));
    EXPECT_TRUE(shortcuts(ID_EDIT_CUT).contains(QKeySequence(Qt::SHIFT | Qt::Key_Delete)));
    EXPECT_TRUE(shortcuts(ID_EDIT_COPY).contains(QKeySequence(Qt::CTRL | Qt::Key_Insert)));
    EXPECT_TRUE(shortcuts(ID_EDIT_PASTE).contains(QKeySequence(Qt::SHIFT | Qt::Key_Insert)));
    EXPECT_TRUE(shortcuts(ID_EDIT_UNDO).contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));

    auto* caps = frame().findChild<QLabel*>(QStringLiteral("CAP"));
    auto* num = frame().findChild<QLabel*>(QStringLiteral("NUM"));
    auto* scroll = frame().findChild<QLabel*>(QStringLiteral("SCRL"));
    ASSERT_TRUE(caps && num && scroll);
    setLockKeysSource([] { return LockKeys{true, false, true}; });
    frame().updateIndicators();
    EXPECT_EQ(caps->text(), QStringLiteral("CAP"));
    EXPECT_EQ(num->text(), QString());
    EXPECT_EQ(scroll->text(), QStringLiteral("SCRL"));
    setLockKeysSource([] { return LockKeys{false, true, false}; });
    frame().updateIndicators();
    EXPECT_EQ(caps->text(), QString());
    EXPECT_EQ(num->text(), QStringLiteral("NUM"));
    setLockKeysSource(nullptr);

    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Vantor"))
        .remove(QStringLiteral("Recent File List"));
    frame().updateRecentFiles();
    QMenu* file = frame().menuBar()->actions().value(0)->menu();
    QAction* placeholder = nullptr;
    for (QAction* a : file->actions())
        if (a->text() == QStringLiteral("Recent File")) placeholder = a;
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->isEnabled());
    open(sample("fountain.zob"));
    for (QAction* a : file->actions()) EXPECT_NE(a->text(), QStringLiteral("Recent File"));
}

TEST_F(ShellTest, ImportModelReadsOtherFormatsThroughAssimp) {
    std::string obj;
    for (int part = 0; part < 2; ++part) {
        obj += "o Part" + std::to_string(part + 1) + "\n";
        obj += "v " + std::to_string(part) + " 0 0\nv " + std::to_string(part + 1) + " 0 0\nv " + std::to_string(part) +
               " 1 0\n";
        obj += "f " + std::to_string(3 * part + 1) + " " + std::to_string(3 * part + 2) + " " +
               std::to_string(3 * part + 3) + "\n";
    }
    const auto parts = scratch() / "parts.obj";
    std::ofstream(parts) << obj;
    answers.setOpen([&] { return QString::fromStdString(parts.string()); });
    files().onFileImport();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("parts - Vantor"));
    EXPECT_EQ(doc().modelInfo().surfaceCount, 2);
    EXPECT_EQ(doc().modelInfo().polygonCount, 2);
    EXPECT_EQ(surfacePage()->surfaceList()->count(), 2);
    EXPECT_FALSE(RecentFiles::list().contains(QString::fromStdString(parts.string())))
        << "File Open could not read it again";

    // Twelve meshes of one material become one surface, and the user is told.
    std::string many;
    for (int part = 0; part < 12; ++part) {
        many += "o Piece" + std::to_string(part) + "\n";
        many += "v " + std::to_string(part) + " 0 0\nv " + std::to_string(part + 1) + " 0 0\nv " + std::to_string(part) +
                " 1 0\n";
        many += "f -3 -2 -1\n";
    }
    const auto pieces = scratch() / "pieces.obj";
    std::ofstream(pieces) << many;
    files().onFileNew();
    ASSERT_TRUE(files().importFile(QString::fromStdString(pieces.string())));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("12 meshes were merged into 1 surfaces by material")))
        << messages[0].toStdString();
    EXPECT_EQ(doc().modelInfo().surfaceCount, 1);
    EXPECT_EQ(doc().modelInfo().polygonCount, 12);

    const auto broken = scratch() / "broken.ply";
    std::ofstream(broken) << "ply\nthis is not right\n";
    EXPECT_FALSE(files().importFile(QString::fromStdString(broken.string())));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_FALSE(messages[1].isEmpty()) << "Assimp's message";
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("pieces - Vantor"));
}

TEST_F(ShellTest, NewEmptiesThePagesButKeepsTheCamera) {
    open(sample("fireworks.zob"));
    CameraData moved = view().camera();
    moved.tx = 1.5f;
    view().setCamera(moved);
    files().onFileNew();
    EXPECT_EQ(objectPage()->objectList()->count(), 0);
    EXPECT_FALSE(objectPage()->objectList()->isEnabled());
    EXPECT_EQ(surfacePage()->surfaceList()->count(), 0);
    EXPECT_FALSE(surfacePage()->surfaceList()->isEnabled());
    EXPECT_EQ(particlesPage()->emitterList()->count(), 0);
    EXPECT_EQ(particlesPage()->emitterList()->currentText(), QStringLiteral("<ADD>"));
    EXPECT_FALSE(particlesPage()->emitterList()->isEnabled());
    EXPECT_EQ(doc().currentEmitter(), -1);
    EXPECT_EQ(doc().emitter().totalParticles, 1000) << "the library's emitter defaults";
    EXPECT_FLOAT_EQ(view().camera().tx, 1.5f);
    view().makeCurrent();
    EXPECT_EQ(objGetTextureCnt(), 0);
}

TEST_F(ShellTest, ToolbarEnablingAndChecks) {
    view().changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::None; });
    frame().updateCommands();
    EXPECT_FALSE(frame().action(ID_ROTATE)->isEnabled()) << "Rotate only for the camera";
    EXPECT_FALSE(frame().action(ID_POS_EMITTER)->isEnabled()) << "no emitter chosen";
    trigger(ID_POS_CAMERA);
    EXPECT_EQ(view().settings().dragTarget, DragTarget::Camera);
    frame().updateCommands();
    EXPECT_TRUE(frame().action(ID_ROTATE)->isEnabled());
    trigger(ID_ROTATE);
    EXPECT_EQ(view().settings().dragMode, DragMode::Rotate);
    trigger(ID_POS_OBJECT);
    EXPECT_EQ(view().settings().dragTarget, DragTarget::Model);
    EXPECT_TRUE(frame().action(ID_POS_OBJECT)->isChecked());
    EXPECT_FALSE(frame().action(ID_POS_CAMERA)->isChecked()) << "one button of a group at a time";
    frame().updateCommands();
    EXPECT_FALSE(frame().action(ID_ROTATE)->isEnabled());
    EXPECT_EQ(view().settings().dragMode, DragMode::Rotate) << "the drag mode stays";

    open(sample("sparks.zob"));
    frame().updateCommands();
    EXPECT_TRUE(frame().action(ID_POS_EMITTER)->isEnabled());

    trigger(ID_ROTATE_Y);
    EXPECT_TRUE(view().settings().spinY);
    EXPECT_TRUE(frame().action(ID_ROTATE_Y)->isChecked());
    const float ry = view().camera().ry;
    view().tick();
    EXPECT_NEAR(view().camera().ry, ry + 0.3f, 1e-4);
    trigger(ID_RESET);  // Reset
    EXPECT_FALSE(view().settings().spinY);
    EXPECT_FALSE(frame().action(ID_ROTATE_Y)->isChecked());
    const ModelInfo& m = doc().modelInfo();
    EXPECT_FLOAT_EQ(view().camera().ty, -(m.minY + (m.maxY - m.minY) * 0.5f));
    EXPECT_NEAR(view().camera().tz, -(std::max(m.maxX, m.maxY) / (2 * std::tan(22.5 * M_PI / 180)) + (m.maxZ - m.minZ)),
                1e-4);

    trigger(ID_LOCK_X);
    EXPECT_FALSE(view().settings().axisFree[0]);
    EXPECT_TRUE(frame().action(ID_LOCK_X)->isChecked()) << "a pressed lock button means locked";
    trigger(ID_LOCK_X);
    EXPECT_TRUE(view().settings().axisFree[0]);
}

TEST_F(ShellTest, DragsFollowTheTable) {
    CVantorView& v = view();
    v.setCamera({0, 0, -5, 0, 0, 0});
    v.changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::None; });
    drag(Qt::LeftButton, {100, 100}, {200, 50});
    EXPECT_FLOAT_EQ(v.camera().tx, 0) << "no target: nothing moves";

    v.changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::Camera; });
    v.changeSettings([](vantor::ViewSettings& s) { s.dragMode = DragMode::Move; });
    drag(Qt::LeftButton, {100, 100}, {200, 100});
    EXPECT_NEAR(v.camera().tx, 1.0f, 1e-5) << "100 pixels right";
    drag(Qt::LeftButton, {100, 100}, {100, 0});
    EXPECT_NEAR(v.camera().tz, -6.0f, 1e-5) << "100 pixels up";
    v.changeSettings([](vantor::ViewSettings& s) { s.axisFree[0] = false; });
    drag(Qt::LeftButton, {100, 100}, {200, 0});
    EXPECT_NEAR(v.camera().tx, 1.0f, 1e-5) << "X locked";
    EXPECT_NEAR(v.camera().tz, -7.0f, 1e-5);
    v.changeSettings([](vantor::ViewSettings& s) { s.axisFree[0] = true; });
    drag(Qt::RightButton, {100, 100}, {100, 50});
    EXPECT_NEAR(v.camera().ty, 0.5f, 1e-5);

    v.changeSettings([](vantor::ViewSettings& s) { s.dragMode = DragMode::Rotate; });
    drag(Qt::LeftButton, {100, 100}, {70, 100});
    EXPECT_NEAR(v.camera().ry, -30.0f, 1e-5) << "30 pixels left";
    drag(Qt::RightButton, {100, 100}, {70, 100});
    EXPECT_NEAR(v.camera().rz, -30.0f, 1e-5);

    // Both buttons held: only the left one counts.
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {100, 100});
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton, {100, 100});
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::RightButton, {90, 100});
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::RightButton, {90, 100});
    EXPECT_NEAR(v.camera().ry, -40.0f, 1e-5);
    EXPECT_NEAR(v.camera().rz, -30.0f, 1e-5);
    // The capture went with the release: moves are ignored until the next press.
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {50, 100});
    EXPECT_NEAR(v.camera().rz, -30.0f, 1e-5);
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, {50, 100});

    // A light moves even while it is off, and the library receives the move.
    v.changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::Light; });
    {
        vantor::ViewSettings settings = v.settings();
        settings.dragLight = 3;
        v.setSettings(settings);
    }
    drag(Qt::LeftButton, {100, 100}, {50, 100});
    LightData light{};
    v.makeCurrent();
    objGetLight(&light, 3);
    EXPECT_FALSE(light.on);
    EXPECT_NEAR(light.position[0], -0.5f, 1e-5) << "50 pixels left";

    // With all axes locked an object drag still calls the library.
    open(sample("launcher.raw"));
    v.changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::Model; });
    v.changeSettings([](vantor::ViewSettings& s) { s.axisFree[0] = s.axisFree[1] = s.axisFree[2] = false; });
    drag(Qt::LeftButton, {100, 100}, {0, 0});
    EXPECT_FLOAT_EQ(doc().modelPosition()[0], 0);
    v.changeSettings([](vantor::ViewSettings& s) { s.axisFree[0] = s.axisFree[1] = s.axisFree[2] = true; });
    drag(Qt::RightButton, {100, 100}, {100, 80});
    EXPECT_NEAR(doc().modelPosition()[1], 0.2f, 1e-5);

    // An emitter drag shows the position on the Particles page.
    open(sample("fountain.zob"));
    v.changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::Emitter; });
    drag(Qt::LeftButton, {100, 100}, {150, 100});
    EXPECT_EQ(control<QLineEdit>(particlesPage(), IDC_PART_POSITION_X)->text(), QStringLiteral("0.500"))
        << "50 pixels right";
    EmitterData e{};
    v.makeCurrent();
    objGetEmitter(&e);
    EXPECT_FLOAT_EQ(e.position[0], 0.5f);
    v.changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::None; });
    v.changeSettings([](vantor::ViewSettings& s) { s.dragMode = DragMode::None; });
}

TEST_F(ShellTest, ModalDialogsStopTheRedrawTimer) {
    ASSERT_TRUE(view().redrawTimerRunning());
    bool runningInside = true;
    QTimer::singleShot(50, [&] {
        runningInside = view().redrawTimerRunning();
        if (QWidget* modal = QApplication::activeModalWidget()) static_cast<QDialog*>(modal)->done(0);
    });
    frame().about();
    EXPECT_FALSE(runningInside);
    EXPECT_TRUE(view().redrawTimerRunning());
    EXPECT_EQ(view().redrawInterval(), 15);
}

TEST_F(ShellTest, EscapeIsDiscardedAndEnterBecomesTab) {
    frame().activateWindow();
    auto* tabs = frame().controlView()->tabs();
    tabs->setCurrentIndex(0);
    auto* red = control<QLineEdit>(objectPage(), IDC_OBJ_CLEAR_R);
    red->setFocus();
    red->selectAll();
    QTest::keyClicks(red, QStringLiteral("0.25"));
    QTest::keyClick(red, Qt::Key_Return);
    EXPECT_FALSE(red->hasFocus()) << "Enter moved the focus on";
    EXPECT_FLOAT_EQ(view().settings().clearColour[0], 0.25f) << "and the edit committed";

    // Escape does not close a dialog.
    bool stillOpen = false;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::keyClick(dialog, Qt::Key_Escape);
        stillOpen = dialog->isVisible();
        dialog->done(0);
    });
    CNameDlg names(&frame());
    names.exec();
    EXPECT_TRUE(stillOpen);
    commit(objectPage(), IDC_OBJ_CLEAR_R, QStringLiteral("0"));
}

TEST_F(ShellTest, ControlColumnKeepsItsWidthAndEveryPageFitsIt) {
    const QSize start = frame().size();
    const int column = frame().columnWidth();
    // 350 pixels at the 8-point dialog font, scaled by the font in use.
    EXPECT_GE(column, 350);
    EXPECT_GE(column, frame().controlView()->requiredWidth());
    frame().resize(start.width() + 150, start.height());
    pump(50);
    QList<int> sizes = frame().splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_NEAR(sizes[1], column, 8) << "the column keeps its width when the frame grows";
    frame().resize(start);
    pump(50);
    sizes = frame().splitter()->sizes();
    EXPECT_NEAR(sizes[1], column, 8);

    // At the first size no page needs a horizontal scroll bar, and number
    // fields show six-digit values whole.
    open(sample("showcase.zob"));
    QTabBar* tabs = frame().controlView()->tabs();
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        pump(30);
        SCOPED_TRACE(i);
        EXPECT_FALSE(frame().controlView()->scrollArea()->horizontalScrollBar()->isVisible());
        QWidget* page = frame().controlView()->page(i);
        for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
            if (qobject_cast<QComboBox*>(edit->parentWidget()) || !edit->isVisible()) continue;
            EXPECT_GE(edit->contentsRect().width() - 6, edit->fontMetrics().horizontalAdvance(QStringLiteral("0.333333")))
                << controlId(edit);
            EXPECT_LE(edit->geometry().right(), page->width()) << "inside the page " << controlId(edit);
        }
        for (QComboBox* box : page->findChildren<QComboBox*>()) {
            EXPECT_GE(box->maxVisibleItems(), 20);
            for (int r = 0; r < box->count(); ++r)
                EXPECT_GE(box->view()->minimumWidth(), box->view()->fontMetrics().horizontalAdvance(box->itemText(r)));
        }
    }
    tabs->setCurrentIndex(0);
}

TEST_F(ShellTest, WindowSizeAndPositionAreRemembered) {
    const QRect start = frame().geometry();
    frame().setGeometry(start.adjusted(10, 10, 90, 60));
    const QSize wanted = frame().size();
    frame().saveWindowGeometry();
    frame().setGeometry(start);
    ASSERT_TRUE(frame().restoreWindowGeometry());
    EXPECT_EQ(frame().size(), wanted);
    frame().setGeometry(start);
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Vantor"));
    settings.remove(QStringLiteral("Settings/WindowGeometry"));
    settings.remove(QStringLiteral("Settings/WindowState"));
}

TEST_F(ShellTest, TabsShowOnePageAndGiveItTheFocus) {
    frame().activateWindow();
    QTabBar* tabs = frame().controlView()->tabs();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("OBJECT"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("SURFACE"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("ANIMATE"));
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("PARTICLES"));
    tabs->setCurrentIndex(2);
    EXPECT_TRUE(frame().controlView()->page(2)->isVisible());
    for (int i : {0, 1, 3}) EXPECT_FALSE(frame().controlView()->page(i)->isVisible()) << i;
    EXPECT_FALSE(frame().controlView()->page(2)->findChildren<QLabel*>().isEmpty());
    EXPECT_EQ(frame().controlView()->page(2)->findChildren<QLabel*>().first()->text(),
              QStringLiteral("Maybe in a future date."));
    // Chosen from elsewhere (not by arrowing along the tab bar), a page takes the focus.
    view().setFocus();
    tabs->setCurrentIndex(0);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus && frame().controlView()->page(0)->isAncestorOf(focus));
}

TEST_F(ShellTest, RecentFilesReopenAndReportMissingOnes) {
    const auto copy = scratch() / "recent.raw";
    std::filesystem::copy_file(sample("launcher.raw"), copy);
    open(copy.string());
    const QStringList recent = RecentFiles::list();
    ASSERT_FALSE(recent.isEmpty());
    EXPECT_EQ(recent.first(), QString::fromStdString(copy.string()));
    EXPECT_LE(recent.size(), 4);
    std::filesystem::remove(copy);
    files().openFile(recent.first());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], aboutFile(QStringLiteral("File not found"), copy));
}

TEST_F(ShellTest, ScreenshotWithASampleLoaded) {
    const QSize defaultSize = frame().size();
    open(sample("showcase.zob"));
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    frame().resize(1000, 700);
    pump(600);
    const QImage shot = frame().grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size() / shot.devicePixelRatio(), QSize(1000, 700));
    // The picture holds the drawn scene where the view lies: a good share of
    // its pixels are lit (the model, the grid), not the clear colour alone.
    const QRect area(view().mapTo(&frame(), QPoint(0, 0)), view().size());
    int lit = 0, all = 0;
    for (int y = area.top(); y < area.bottom(); y += 3)
        for (int x = area.left(); x < area.right(); x += 3, ++all) lit += qGray(shot.pixel(x, y)) > 40;
    EXPECT_GT(lit, all / 50) << lit << " of " << all << " pixels of the view are lit";
    if (const char* out = std::getenv("VANTOR_SCREENSHOT")) shot.save(QString::fromLocal8Bit(out));

    // With VANTOR_SCREENSHOT_DIR set, every page and dialog is photographed
    // too, at the window's first size.
    if (const char* dir = std::getenv("VANTOR_SCREENSHOT_DIR")) {
        const QString folder = QString::fromLocal8Bit(dir);
        frame().resize(defaultSize);
        QTabBar* tabs = frame().controlView()->tabs();
        surfacePage()->surfaceList()->setCurrentIndex(0);
        emit surfacePage()->surfaceList()->activated(0);
        for (int i = 0; i < 4; ++i) {
            tabs->setCurrentIndex(i);
            pump(200);
            frame().grab().save(folder + QStringLiteral("/page%1.png").arg(i));
        }
        open(sample("fireworks.zob"));
        view().setCamera({0, -1.2f, -7, 10, 0, 0});
        tabs->setCurrentIndex(3);
        pump(2500);
        frame().grab().save(folder + QStringLiteral("/fireworks.png"));
        particlesPage()->burstDialog()->show();
        pump(200);
        particlesPage()->burstDialog()->grab().save(folder + QStringLiteral("/burst.png"));
        particlesPage()->burstDialog()->hide();
        surfacePage()->showImages();
        pump(200);
        surfacePage()->imageDialog()->grab().save(folder + QStringLiteral("/images.png"));
        surfacePage()->imageDialog()->hide();
        // The Simulation commands with the figures in the status bar, paused.
        open(sample("fireworks.zob"));
        tabs->setCurrentIndex(3);
        pump(2500);
        frame().simulation()->setPaused(true);
        frame().simulation()->updateStatistics();
        pump(300);
        frame().grab().save(folder + QStringLiteral("/simulation.png"));
        frame().simulation()->setPaused(false);
        // Each sample's frame time at the first window size, as the status bar shows it.
        for (const char* name : {"showcase.zob", "fountain.zob", "sparks.zob", "fireworks.zob", "smoke.zob"}) {
            files().onFileNew();
            open(sample(name));
            pump(3000);
            frame().simulation()->updateStatistics();
            std::fprintf(stderr, "%s: %s\n", name,
                         frame().findChild<QLabel*>(QStringLiteral("SimulationStatistics"))->text().toLocal8Bit().constData());
        }
        tabs->setCurrentIndex(0);
    }
    frame().resize(defaultSize);
}

}  // namespace
}  // namespace vantor::testing

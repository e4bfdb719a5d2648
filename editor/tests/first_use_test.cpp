// What a first-time user met: a page that emptied when its own tab was
// clicked, Save that always asked for a name, Discard that kept the changes,
// relative paths that failed, exports that drew other models, fields beyond
// their range, timeline ends, docks that floated off.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QImage>
#include <QRadioButton>
#include <QSpinBox>
#include <QSettings>
#include <QTabBar>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor_test.h"
#include "export/effect_export.h"
#include "export/picture_export.h"
#include "resource.h"
#include "view/simulation_controls.h"
#include "view/timeline_bar.h"

namespace vantor::testing {
namespace {

class FirstUseTest : public EditorTest {
protected:
    static std::string readAll(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    QString speedShown() { return control<QLineEdit>(particlesPage(), IDC_PART_SPEED)->text(); }
    float speedHeld() {
        view().makeCurrent();
        EmitterData e{};
        objGetEmitter(&e);
        return e.speed;
    }
    // The speed of the current emitter once `path` is opened on its own: what
    // a user gets back from the file. The document must hold no unsaved change.
    float speedOnReopening(const std::string& path) {
        files().onFileNew();
        open(path);
        return speedHeld();
    }
};

// A click on the tab of the page shown leaves that page shown, also after
// typing in one of its fields; another tab still switches.
TEST_F(FirstUseTest, ClickingTheShownTabKeepsItsPage) {
    open(sample("fireworks.zob"));
    frame().activateWindow();
    QTabBar* tabs = frame().controlView()->tabs();
    tabs->setCurrentIndex(0);
    QWidget* object = frame().controlView()->page(0);
    ASSERT_TRUE(object->isVisible());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(object->isVisible()) << "the page of the tab clicked again";
    EXPECT_GT(object->width(), 0);

    auto* red = control<QLineEdit>(object, IDC_OBJ_CLEAR_R);
    red->setFocus();
    QTest::keyClicks(red, QStringLiteral("0"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(object->isVisible()) << "after typing in a field";

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
    EXPECT_FALSE(object->isVisible());
    EXPECT_TRUE(frame().controlView()->page(3)->isVisible());
}

// File Save writes the entity's own ZOB file without a dialog; Save As always
// asks and offers the current name; a RAW model or an untitled one asks.
TEST_F(FirstUseTest, SaveWritesTheOwnFileInPlace) {
    const std::string own = copyOfSample("fireworks.zob");
    open(own);
    int asked = 0;
    answers.setSave([&asked] {
        ++asked;
        return QString();
    });
    commit(particlesPage(), IDC_PART_SPEED, QStringLiteral("0.09"));
    ASSERT_TRUE(frame().windowTitle().startsWith(QStringLiteral("fireworks*")));
    QTest::keyClick(&frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, 0) << "Ctrl+S on a file of its own asks nothing";
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fireworks - Vantor"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_FLOAT_EQ(speedOnReopening(own), 0.09f) << "the file holds the change";
    const std::string savedOwn = readAll(own);

    // Save As asks every time, proposing the file's own name.
    files().onFileSaveAs();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(QFileInfo(answers.proposedSaveName).canonicalFilePath(), QFileInfo(QString::fromStdString(own)).canonicalFilePath());

    // Saved under another name, that file is the one Save writes next.
    const std::string other = (scratch() / "other.zob").string();
    answers.setSave([&] {
        ++asked;
        return QString::fromStdString(other);
    });
    files().onFileSaveAs();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(doc().pathName(), QString::fromStdString(other));
    EXPECT_FLOAT_EQ(speedOnReopening(other), 0.09f) << "Save As wrote the entity as it was";
    commit(particlesPage(), IDC_PART_SPEED, QStringLiteral("0.07"));
    files().onFileSave();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(readAll(own), savedOwn) << "the first file is left as saved";
    EXPECT_FLOAT_EQ(speedOnReopening(other), 0.07f);

    // A RAW model has no ZOB file of its own: Save asks, proposing its name as ZOB.
    files().onFileNew();
    const auto raw = scratch() / "launcher.raw";
    std::filesystem::copy_file(sample("launcher.raw"), raw);
    open(raw.string());
    answers.setSave([&asked] {
        ++asked;
        return QString();
    });
    files().onFileSave();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(answers.proposedSaveName, QString::fromStdString((scratch() / "launcher.zob").string()));
    // The save question's Save asks too, and a cancelled dialog stops File New.
    frame().controlView()->tabs()->setCurrentIndex(1);
    choose(surfacePage(), IDC_SURF_LIST, 0);
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("33"));
    ASSERT_TRUE(doc().isModified());
    promptAnswer = QMessageBox::Save;
    files().onFileNew();
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(doc().fileTitle(), QStringLiteral("launcher")) << "no save, no File New";
    promptAnswer = QMessageBox::Discard;
}

// Discard puts the edited model back as it was opened, through undo or,
// when the history no longer reaches that far, by reading its file again;
// the history keeps nothing discarded.
TEST_F(FirstUseTest, DiscardPutsTheModelBack) {
    const std::string own = copyOfSample("fireworks.zob");
    const std::string onDisk = readAll(own);
    open(own);
    const QString opened = speedShown();
    const float openedSpeed = speedHeld();
    commit(particlesPage(), IDC_PART_SPEED, QStringLiteral("0.09"));
    ASSERT_FLOAT_EQ(speedHeld(), 0.09f);
    promptAnswer = QMessageBox::Discard;
    answers.setOpen([this] { return QString::fromStdString(sample("smoke.zob")); });
    QTest::keyClick(&frame(), Qt::Key_O, Qt::ControlModifier);
    answers.setOpen(nullptr);
    ASSERT_EQ(prompts.size(), 1);
    ASSERT_EQ(doc().modelNames().size(), 2);
    EXPECT_EQ(doc().history().stack()->count(), 0) << "no discarded edit stays in the history";
    ASSERT_TRUE(doc().chooseModel(0));
    EXPECT_EQ(speedShown(), opened);
    EXPECT_FLOAT_EQ(speedHeld(), openedSpeed);
    EXPECT_FALSE(doc().isModified());
    EXPECT_FALSE(frame().windowTitle().contains(QLatin1Char('*')));
    EXPECT_EQ(readAll(own), onDisk) << "Discard writes nothing";

    // The history let go of the first edit's way back: the file is read again.
    doc().history().setBudget(1);
    commit(particlesPage(), IDC_PART_SPEED, QStringLiteral("0.05"));
    commit(particlesPage(), IDC_PART_SPEED_VAR, QStringLiteral("0.04"));
    ASSERT_TRUE(doc().isModified());
    prompts.clear();
    ASSERT_TRUE(files().saveModified());
    EXPECT_EQ(prompts.size(), 1);
    EXPECT_EQ(doc().modelNames().size(), 2) << "the model was replaced, not added";
    EXPECT_EQ(doc().modelNames().value(doc().editedModel()), QStringLiteral("fireworks"));
    EXPECT_FLOAT_EQ(speedHeld(), openedSpeed);
    EXPECT_EQ(speedShown(), opened);
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(readAll(own), onDisk) << "Discard writes nothing";
    doc().history().setBudget(size_t(512) << 20);
}

// A relative path is taken from the folder it was given in, even though
// opening moves the working directory; failures name their file.
TEST_F(FirstUseTest, RelativePathsAndMessagesThatNameTheFile) {
    std::filesystem::create_directories(scratch() / "sub");
    const std::string smoke = copyOfSample("smoke.zob", "sub");
    std::filesystem::current_path(scratch());
    ASSERT_TRUE(files().openFile(QStringLiteral("sub/smoke.zob"))) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(doc().pathName(), QFileInfo(QString::fromStdString(smoke)).absoluteFilePath());
    std::filesystem::current_path(scratch());
    frame().openDropped(QStringLiteral("sub/smoke.zob"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();

    const auto broken = scratch() / "broken.zob";
    std::ofstream(broken) << "#ZOBv0.6.5\n[OBJECT]\nnot a number\n";
    open(broken.string());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("broken.zob"))) << messages[0].toStdString();
}

// Exports draw the edited model only unless all shown models are asked
// for; MP4 cannot be transparent; the file name is proposed.
TEST_F(FirstUseTest, ExportsDrawTheCurrentModelUnlessAskedAndProposeAName) {
    const std::string fireworks = copyOfSample("fireworks.zob");
    open(fireworks);
    open(sample("smoke.zob"));
    ASSERT_EQ(doc().modelNames().size(), 2) << messages.join(QStringLiteral("; ")).toStdString();
    ASSERT_TRUE(doc().chooseModel(0));
    ASSERT_TRUE(doc().shown(1, -1));
    const auto run = [this](bool all, const std::string& to) {
        QString offered;
        whenModal<CExportEffectDlg>([all](CExportEffectDlg* dialog) {
            // Moments when both effects are well under way, whatever an earlier export chose.
            const auto spins = dialog->findChildren<QSpinBox*>();
            ASSERT_GE(spins.size(), 2);
            spins[0]->setValue(1000);
            spins[1]->setValue(3000);
            // With one model shown there is nothing to choose.
            const auto radios = dialog->findChildren<QRadioButton*>();
            if (radios.size() != 2) {
                EXPECT_TRUE(radios.isEmpty());
                dialog->accept();
                return;
            }
            EXPECT_TRUE(radios[0]->isChecked() || all) << "current model only is the default";
            EXPECT_TRUE(radios[0]->text().contains(QStringLiteral("fireworks")));
            radios[all ? 1 : 0]->setChecked(true);
            dialog->accept();
        });
        setProposingFileHook([&offered, to](const QString& proposed) {
            offered = proposed;
            return QString::fromStdString(to);
        });
        QAction* sheet = nullptr;
        for (QAction* a : frame().findChildren<QAction*>())
            if (a->text() == QStringLiteral("&Sprite Sheet...")) sheet = a;
        EXPECT_NE(sheet, nullptr);
        if (sheet) sheet->trigger();
        setPictureFileHook(std::function<QString()>());
        return offered;
    };
    const std::string alone = (scratch() / "alone.png").string(), both = (scratch() / "both.png").string();
    const QString offered = run(false, alone);
    EXPECT_EQ(offered, QFileInfo(QString::fromStdString(fireworks)).absolutePath() + QStringLiteral("/fireworks.png"));
    run(true, both);
    const QImage a(QString::fromStdString(alone)), b(QString::fromStdString(both));
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    EXPECT_NE(a, b) << "all shown models add the smoke";
    // With the smoke hidden by the user, all shown models is the fireworks alone.
    ASSERT_TRUE(doc().setShown(1, -1, false));
    const std::string hidden = (scratch() / "hidden.png").string();
    run(true, hidden);
    EXPECT_EQ(QImage(QString::fromStdString(hidden)), a);
    EXPECT_TRUE(doc().shown(0, -1)) << "the export shows what it hid again";
    doc().setShown(1, -1, true);
    EXPECT_TRUE(doc().shown(1, -1));

    // Animation: MP4 has no alpha, so Transparent is off and says why.
    EffectExport initial;
    initial.sheet = false;
    initial.transparent = true;
    CExportEffectDlg dialog(&frame(), initial);
    auto* format = dialog.findChild<QComboBox*>();
    ASSERT_NE(format, nullptr);
    QCheckBox* transparent = nullptr;
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
        if (box->text().startsWith(QStringLiteral("Transparent"))) transparent = box;
    ASSERT_NE(transparent, nullptr);
    EXPECT_TRUE(transparent->isEnabled());
    format->setCurrentIndex(format->findData(QStringLiteral("mp4")));
    EXPECT_FALSE(transparent->isEnabled());
    EXPECT_TRUE(transparent->toolTip().contains(QStringLiteral("alpha")));
    EXPECT_FALSE(dialog.settings().transparent);
    format->setCurrentIndex(format->findData(QStringLiteral("webm")));
    EXPECT_TRUE(transparent->isEnabled());
    EXPECT_TRUE(dialog.settings().transparent);
}

// Export Frames draws the edited model only unless asked, the same way,
// and proposes the entity's name in its folder.
TEST_F(FirstUseTest, ExportFramesDrawsTheCurrentModelUnlessAsked) {
    const std::string fireworks = copyOfSample("fireworks.zob");
    open(fireworks);
    open(sample("smoke.zob"));
    ASSERT_TRUE(doc().chooseModel(0));
    const auto run = [this](bool all, const char* name) {
        QString offered;
        whenModal<CExportFramesDlg>([all](CExportFramesDlg* dialog) {
            const auto radios = dialog->findChildren<QRadioButton*>();
            if (radios.size() != 2) {
                ADD_FAILURE() << "no choice of models";
                dialog->reject();
                return;
            }
            EXPECT_TRUE(radios[0]->isChecked() || all) << "current model only is the default";
            radios[all ? 1 : 0]->setChecked(true);
            auto* frames = dialog->findChildren<QSpinBox*>().value(0);
            if (frames) frames->setValue(1);
            dialog->accept();
        });
        const std::string to = (scratch() / name).string();
        setProposingFileHook([&offered, to](const QString& proposed) {
            offered = proposed;
            return QString::fromStdString(to);
        });
        QAction* command = nullptr;
        for (QAction* a : frame().findChildren<QAction*>())
            if (a->text() == QStringLiteral("Export &Frames...")) command = a;
        EXPECT_NE(command, nullptr);
        if (command) command->trigger();
        setPictureFileHook(std::function<QString()>());
        return offered;
    };
    const QString offered = run(false, "alone.png");
    EXPECT_EQ(offered, QFileInfo(QString::fromStdString(fireworks)).absolutePath() + QStringLiteral("/fireworks.png"));
    run(true, "both.png");
    const QImage alone(QString::fromStdString((scratch() / "alone_0001.png").string()));
    const QImage both(QString::fromStdString((scratch() / "both_0001.png").string()));
    ASSERT_FALSE(alone.isNull());
    ASSERT_FALSE(both.isNull());
    EXPECT_NE(alone, both) << "the chimney and its smoke come in with all shown models";
    EXPECT_TRUE(doc().shown(1, -1)) << "shown again after the export";
}

// A colour channel takes 0..1 and shows what it took; Escape gives the
// field back the value it had and commits nothing.
TEST_F(FirstUseTest, FieldsKeepToTheirRangeAndEscapeTakesTypingBack) {
    open(sample("fireworks.zob"));
    frame().activateWindow();
    frame().controlView()->tabs()->setCurrentIndex(0);
    commit(objectPage(), IDC_OBJ_CLEAR_R + 3, QStringLiteral("17"));
    EXPECT_EQ(control<QLineEdit>(objectPage(), IDC_OBJ_CLEAR_R + 3)->text(), QStringLiteral("1"));
    EXPECT_FLOAT_EQ(view().settings().clearColour[3], 1.0f);
    commit(objectPage(), IDC_OBJ_CLEAR_R, QStringLiteral("-3"));
    EXPECT_EQ(control<QLineEdit>(objectPage(), IDC_OBJ_CLEAR_R)->text(), QStringLiteral("0"));

    frame().controlView()->tabs()->setCurrentIndex(3);
    auto* speed = control<QLineEdit>(particlesPage(), IDC_PART_SPEED);
    const QString before = speed->text();
    const int commands = doc().history().stack()->count();
    speed->setFocus();
    speed->selectAll();
    QTest::keyClicks(speed, QStringLiteral("0.7"));
    ASSERT_EQ(speed->text(), QStringLiteral("0.7"));
    QTest::keyClick(speed, Qt::Key_Escape);
    EXPECT_EQ(speed->text(), before);
    control<QLineEdit>(particlesPage(), IDC_PART_SPEED_VAR)->setFocus();
    EXPECT_EQ(doc().history().stack()->count(), commands) << "nothing was committed";
    EXPECT_EQ(speedShown(), before);
}

// End shows the out point itself; Play with Loop on from before the in
// point starts there; typed in and out points keep to whole steps.
TEST_F(FirstUseTest, TimelineEndsAndLoopStart) {
    open(sample("fountain.zob"));
    frame().action(ID_VIEW_TIMELINE)->trigger();
    pump(30);
    TimelineBar& bar = *frame().timeline();
    ASSERT_TRUE(bar.active());
    frame().simulation()->setPaused(true);
    auto* out = control<QSpinBox>(&bar, IDC_TIME_OUT);
    out->setValue(10000);
    EXPECT_EQ(bar.outPoint() % TimelineBar::kStep, 0);
    QAction* end = nullptr;
    for (QAction* a : view().actions())
        if (a->property("commandId").toInt() == ID_TIME_END) end = a;
    ASSERT_NE(end, nullptr);
    end->trigger();
    EXPECT_EQ(bar.time(), bar.outPoint()) << "End shows the out point";

    bar.setRange(300, 600);
    bar.seek(0);
    QAction* loop = nullptr;
    for (QAction* a : view().actions())
        if (a->property("commandId").toInt() == ID_TIME_LOOP) loop = a;
    ASSERT_NE(loop, nullptr);
    loop->setChecked(true);
    frame().simulation()->setPaused(false);
    EXPECT_GE(bar.time(), 300) << "play starts at the in point";
    EXPECT_LE(bar.time(), 600);
    frame().simulation()->setPaused(true);
    loop->setChecked(false);
    frame().action(ID_VIEW_TIMELINE)->trigger();
    frame().simulation()->setPaused(false);
}

// The outliner and the history open docked right of the pages, and go back
// where the user put them.
TEST_F(FirstUseTest, DocksOpenDockedAndAreRemembered) {
    auto* outliner = frame().findChild<QDockWidget*>(QStringLiteral("Outliner"));
    auto* history = frame().findChild<QDockWidget*>(QStringLiteral("History"));
    ASSERT_NE(outliner, nullptr);
    ASSERT_NE(history, nullptr);
    frame().action(ID_VIEW_OUTLINER)->trigger();
    frame().action(ID_VIEW_HISTORY)->trigger();
    pump(20);
    for (QDockWidget* dock : {outliner, history}) {
        EXPECT_TRUE(dock->isVisible());
        EXPECT_FALSE(dock->isFloating());
        EXPECT_EQ(frame().dockWidgetArea(dock), Qt::RightDockWidgetArea);
        EXPECT_GT(dock->mapTo(&frame(), QPoint(0, 0)).x(), view().mapTo(&frame(), QPoint(0, 0)).x());
    }
    frame().addDockWidget(Qt::LeftDockWidgetArea, outliner);
    frame().saveWindowGeometry();
    frame().addDockWidget(Qt::RightDockWidgetArea, outliner);
    frame().restoreWindowGeometry();
    EXPECT_EQ(frame().dockWidgetArea(outliner), Qt::LeftDockWidgetArea) << "where the user put it";
    frame().addDockWidget(Qt::RightDockWidgetArea, outliner);
    frame().action(ID_VIEW_OUTLINER)->trigger();
    frame().action(ID_VIEW_HISTORY)->trigger();
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Vantor"));
    settings.remove(QStringLiteral("Settings/WindowGeometry"));
    settings.remove(QStringLiteral("Settings/WindowState"));
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

// vantor --timeline (what ./run starts with): the timeline is shown once
// the library has started, over the effect opened.
TEST_F(FirstUseTest, TheTimelineCanBeShownFromTheStart) {
    open(sample("fireworks.zob"));
    ASSERT_FALSE(frame().timeline()->active());
    app().showTimelineWhenReady();
    EXPECT_TRUE(frame().timeline()->active());
    EXPECT_TRUE(frame().action(ID_VIEW_TIMELINE)->isChecked());
    app().showTimelineWhenReady();
    EXPECT_TRUE(frame().timeline()->active()) << "asking again leaves it shown";
    frame().action(ID_VIEW_TIMELINE)->trigger();
    EXPECT_FALSE(frame().timeline()->active());
}

// With the view focused, the keypad's 1, 3 and 7 (Ctrl: the opposite side)
// look from the sides View > Look From shows, with NumLock on or off.
TEST_F(FirstUseTest, KeypadKeysLookFromTheSides) {
    open(sample("fireworks.zob"));
    frame().activateWindow();
    view().setFocus();
    const auto press = [this](Qt::Key key, Qt::KeyboardModifiers mods) {
        CameraData turned = view().camera();
        turned.rx = turned.ry = 33;
        view().setCamera(turned);
        QTest::keyClick(&view(), key, mods | Qt::KeypadModifier);
        return std::make_pair(view().camera().rx, view().camera().ry);
    };
    EXPECT_EQ(press(Qt::Key_7, {}), std::make_pair(90.0f, 0.0f)) << "top, NumLock on";
    EXPECT_EQ(press(Qt::Key_Home, {}), std::make_pair(90.0f, 0.0f)) << "top, NumLock off";
    EXPECT_EQ(press(Qt::Key_1, Qt::ControlModifier), std::make_pair(0.0f, 180.0f)) << "back";
    EXPECT_EQ(press(Qt::Key_PageDown, {}), std::make_pair(0.0f, -90.0f)) << "right, NumLock off";
    EXPECT_EQ(press(Qt::Key_3, Qt::ControlModifier), std::make_pair(0.0f, 90.0f)) << "left";
    // The main Home key still frames all, keeping the direction of view.
    CameraData turned = view().camera();
    turned.rx = 33;
    view().setCamera(turned);
    QTest::keyClick(&view(), Qt::Key_Home);
    EXPECT_FLOAT_EQ(view().camera().rx, 33.0f);
    // The menu shows the keys that work.
    EXPECT_EQ(frame().action(ID_VIEW_TOP)->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_7));
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {

// A wall 150 units in front of the camera lies past the usual far plane;
// the view widens its planes, so the wall shows.
TEST_F(FirstUseTest, AModelLargerThanTheFarPlaneShows) {
    const std::filesystem::path raw = scratch() / "big-model.raw";
    {
        std::ofstream out(raw);
        out << "Wall\n";
        const float s = 150;
        // Facing the camera, 150 units in front of it.
        out << -s << " " << -s << " " << -s << " " << s << " " << -s << " " << -s << " " << s << " " << s << " " << -s << "\n";
        out << -s << " " << -s << " " << -s << " " << s << " " << s << " " << -s << " " << -s << " " << s << " " << -s << "\n";
    }
    open(raw.string());
    view().setCamera(CameraData{0, -1, -3, 0, 0, 0});  // looking down -z, as a fresh view does
    auto litPixels = [this] {
        pump(60);
        const QImage picture = view().grabFramebuffer();
        int n = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2) n += qGray(picture.pixel(x, y)) > 40;
        return n;
    };
    ASSERT_GT(doc().modelInfo().maxX, 100.0f);
    EXPECT_GT(litPixels(), 200) << "the wall facing the camera";
}

}  // namespace vantor::testing

// Faults a new user met: file dialogs that opened in a stale folder, and a
// caption and save question that did not follow the file.
#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QFileDialog>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <QImage>

#include "editor_test.h"
#include "pages/entity_control_view.h"
#include <QTabBar>
#include <QTest>
#include "dialogs/image_dlg.h"
#include "pages/object_page.h"
#include <QAbstractButton>
#include <functional>
#include <vector>
#include "dialogs/particle_burst_dialog.h"
#include "pages/particles_page.h"
#include "pages/surface_page.h"
#include <QTreeWidget>
#include "export/picture_export.h"
#include "resource.h"
#include "view/simulation_controls.h"
#include <QLabel>

namespace vantor::testing {
namespace {

class NewUserTest : public EditorTest {
protected:
    // Copies a sample into `folder` under the scratch folder and returns its path.
    std::string copySample(const char* name, const char* folder) {
        const auto dir = scratch() / folder;
        std::filesystem::create_directories(dir);
        const auto to = dir / name;
        std::filesystem::copy_file(sample(name), to, std::filesystem::copy_options::overwrite_existing);
        return to.string();
    }
    // Runs `command` with the real file dialog and returns the folder it opened in.
    template <typename Command>
    QString dialogFolder(Command command) {
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&shown] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                if (!dialog || !dialog->isVisible()) continue;
                shown = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
                dialog->reject();
            }
        });
        poll.start(30);
        command();
        return shown;
    }
};

// Open a file in one folder, then one in another: every file dialog starts
// in the folder of the document, not where the last dialog was.
TEST_F(NewUserTest, FileDialogsStartInTheDocumentsFolder) {
    // A first file in "out", and a look around there in the real Open dialog,
    // which Qt remembers as the folder last visited.
    open(copySample("fireworks.zob", "out"));
    answers.setOpen(nullptr);
    answers.setSave(nullptr);
    const QString out = QString::fromStdString((scratch() / "out").string());
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                dialog->setDirectory(out);
                dialog->reject();
            }
    });
    look.start(30);
    files().onFileOpen();
    look.stop();
    // The second comes as a recent file does, without a dialog.
    const QString second = QString::fromStdString(copySample("fireworks.zob", "work"));
    CVantorDoc::enterFolderOf(second);
    ASSERT_TRUE(files().openFile(second));
    const QString work = QFileInfo(QString::fromStdString((scratch() / "work").string())).canonicalFilePath();
    EXPECT_EQ(dialogFolder([&] { files().onFileSaveAs(); }), work) << "File Save";
    EXPECT_EQ(dialogFolder([&] { files().onFileOpen(); }), work) << "File Open";
    EXPECT_EQ(dialogFolder([&] { files().onFileImport(); }), work) << "Import Model";
    EXPECT_EQ(dialogFolder([&] { onSavePicture(&frame(), &view()); }), work) << "Save Picture";
}

// After a save the caption and the save question name the saved file; after
// File New they say "Untitled".
TEST_F(NewUserTest, TheCaptionFollowsTheFile) {
    open(copySample("fireworks.zob", "here"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fireworks - Vantor"));
    const auto saved = scratch() / "here" / "work1.zob";
    answers.setSave([&] { return QString::fromStdString(saved.string()); });
    files().onFileSaveAs();
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("work1 - Vantor"));
    commit(particlesPage(), IDC_PART_LIFE, QStringLiteral("1234"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("work1* - Vantor"));
    files().onFileNew();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0], QStringLiteral("Save changes to work1?"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - Vantor"));
}


// With fireworks running and another model imported (and so current), the
// status bar still counts the rockets; one particle or burst is singular.
TEST_F(NewUserTest, TheStatusBarCountsEveryModel) {
    open(sample("fireworks.zob"));
    ASSERT_TRUE(files().importFile(QString::fromStdString(sample("lantern.obj"))));
    // The figures are refreshed four times a second once rockets fly.
    QLabel* figures = frame().simulation()->statistics();
    EXPECT_TRUE(QTest::qWaitFor([figures] { return figures->text().section(QLatin1Char(' '), 0, 0).toLongLong() > 0; },
                                10000));
    const QString text = figures->text();
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_GE(words.size(), 4) << text.toStdString();
    EXPECT_GT(words[0].toLongLong(), 0) << text.toStdString();
    EXPECT_EQ(words[1], words[0] == QLatin1String("1") ? QStringLiteral("particle") : QStringLiteral("particles"));
    EXPECT_EQ(words[3], words[2] == QLatin1String("1") ? QStringLiteral("burst") : QStringLiteral("bursts"));
}


// Ctrl+Tab and Ctrl+PgDn go on a page, Ctrl+Shift+Tab and Ctrl+PgUp back,
// round the ends, with real key presses wherever the focus is.
TEST_F(NewUserTest, KeysSwitchThePages) {
    open(sample("fireworks.zob"));
    auto* tabs = frame().findChild<CEntityControlView*>()->tabs();
    tabs->setCurrentIndex(0);
    QWidget* focus = &view();
    focus->setFocus();
    pump(20);
    auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : focus;
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        return tabs->currentIndex();
    };
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), 1);
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), 2);
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), 3);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), 0) << "round the end";
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), 3);
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), 2);
    EXPECT_TRUE(frame().findChild<CEntityControlView*>()->page(2)->isVisible());
    EXPECT_FALSE(frame().findChild<CEntityControlView*>()->page(3)->isVisible());
}

// Tab reaches the tab bar after the last control of a page, the arrows
// choose the page there, and Tab goes on into the page chosen.
TEST_F(NewUserTest, TheTabBarIsReachedWithTab) {
    open(sample("fireworks.zob"));
    auto* controls = frame().findChild<CEntityControlView*>();
    QApplication::setActiveWindow(&frame());
    controls->tabs()->setCurrentIndex(2);
    pump(20);
    bool reached = false;
    for (int i = 0; i < 200 && !reached; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached = QApplication::focusWidget() == controls->tabs();
    }
    ASSERT_TRUE(reached) << "Tab never reached the tab bar";
    QTest::keyClick(controls->tabs(), Qt::Key_Right);
    EXPECT_EQ(controls->tabs()->currentIndex(), 3);
    EXPECT_EQ(QApplication::focusWidget(), controls->tabs()) << "the focus stays on the tab bar";
    EXPECT_TRUE(controls->page(3)->isVisible());
    QTest::keyClick(controls->tabs(), Qt::Key_Tab);
    EXPECT_TRUE(controls->page(3)->isAncestorOf(QApplication::focusWidget()))
        << "Tab goes into the page chosen";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), controls->tabs()) << "Shift+Tab from the first control";
    QTest::keyClick(controls->tabs(), Qt::Key_Backtab, Qt::ShiftModifier);
    QWidget* last = QApplication::focusWidget();
    EXPECT_TRUE(controls->page(3)->isAncestorOf(last)) << "Shift+Tab from the tab bar goes to the last control";
    QTest::keyClick(last, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controls->tabs()) << "Tab from the last control";
}

// Typing that has not been committed yet (no Tab, no click elsewhere) counts
// as a change before the save question: File New and closing ask first.
TEST_F(NewUserTest, TypingNotYetCommittedIsNotLost) {
    open(copySample("fireworks.zob", "typed"));
    ASSERT_FALSE(doc().isModified());
    auto type = [this](int id, const QString& text) {
        auto* edit = control<QLineEdit>(particlesPage(), id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    type(IDC_PART_LIFE, QStringLiteral("777"));
    files().onFileNew();
    ASSERT_EQ(prompts.size(), 1) << "File New asks";
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - Vantor"));

    open(copySample("fireworks.zob", "typed"));
    type(IDC_PART_LIFE, QStringLiteral("778"));
    promptAnswer = QMessageBox::Cancel;
    EXPECT_FALSE(frame().close()) << "closing asks, and Cancel keeps the window";
    EXPECT_EQ(prompts.size(), 2);
    EXPECT_TRUE(doc().isModified());
    promptAnswer = QMessageBox::Discard;
}

// An image added and taken out again by Undo can be added once more.
TEST_F(NewUserTest, AnImageUndoneCanBeAddedAgain) {
    open(sample("showcase.zob"));
    CImageDlg& images = *surfacePage()->imageDialog();
    auto add = [&] {
        control<QLineEdit>(&images, IDC_IMAGE_PATH)->setText(QString::fromStdString(sample("puff.bmp")));
        control<QLineEdit>(&images, IDC_IMAGE_NAME)->setText(QStringLiteral("marble2"));
        click(&images, IDC_IMAGE_ADD);
    };
    add();
    frame().updateCommands();
    frame().action(ID_EDIT_UNDO)->trigger();
    view().makeCurrent();
    ASSERT_EQ(objGetTextureId("marble2"), 0u);
    add();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    view().makeCurrent();
    EXPECT_NE(objGetTextureId("marble2"), 0u);
    TextureInfo added{};
    ASSERT_TRUE(objGetTexture(&added, "marble2"));
    EXPECT_EQ(control<QLineEdit>(&images, IDC_IMAGE_SIZE_X)->text(), QString::number(added.width)) << "Size follows the Add";
    EXPECT_EQ(control<QLineEdit>(&images, IDC_IMAGE_SIZE_Y)->text(), QString::number(added.height));
    EXPECT_EQ(images.list()->findItems(QStringLiteral("marble2"), Qt::MatchExactly, 0).size(), 1);
}

// A decimal comma reads as a dot in every number field, whatever the
// locale; text that is not a number keeps its rule (0).
TEST_F(NewUserTest, ADecimalCommaIsReadAsADot) {
    open(sample("showcase.zob"));
    frame().controlView()->tabs()->setCurrentIndex(1);
    choose(surfacePage(), IDC_SURF_LIST, 0);
    commit(surfacePage(), IDC_SURF_DIFFUSE_R, QStringLiteral("0,7"));
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("12,5"));
    SurfaceData s{};
    view().makeCurrent();
    objGetSurfaceData(&s, 0);
    EXPECT_FLOAT_EQ(s.diffuse[0], 0.7f);
    EXPECT_FLOAT_EQ(s.shininess, 12.5f);
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("much"));
    objGetSurfaceData(&s, 0);
    EXPECT_FLOAT_EQ(s.shininess, 0.0f);
    // Each field then shows the value committed, as the page formats it.
    const auto shown = [](QWidget* page, int id) { return control<QLineEdit>(page, id)->text(); };
    EXPECT_EQ(shown(surfacePage(), IDC_SURF_DIFFUSE_R), QStringLiteral("0.7"));
    EXPECT_EQ(shown(surfacePage(), IDC_SURF_SHININESS), QStringLiteral("0"));
    commit(surfacePage(), IDC_SURF_SPECULAR_R + 1, QStringLiteral("0.5x"));
    EXPECT_EQ(shown(surfacePage(), IDC_SURF_SPECULAR_R + 1), QStringLiteral("0.5"));
    frame().controlView()->tabs()->setCurrentIndex(0);
    commit(objectPage(), IDC_OBJ_AMBIENT_R, QStringLiteral("0,25"));
    EXPECT_EQ(shown(objectPage(), IDC_OBJ_AMBIENT_R), QStringLiteral("0.25"));
    commit(objectPage(), IDC_OBJ_ZOOM, QStringLiteral("60 degrees"));
    EXPECT_EQ(shown(objectPage(), IDC_OBJ_ZOOM), QStringLiteral("60"));

    open(sample("fireworks.zob"));
    frame().controlView()->tabs()->setCurrentIndex(3);
    commit(particlesPage(), IDC_PART_FORCE_X + 1, QStringLiteral("-0,001"));
    EmitterData e{};
    view().makeCurrent();
    objGetEmitter(&e);
    EXPECT_FLOAT_EQ(e.force[1], -0.001f);
    EXPECT_EQ(shown(particlesPage(), IDC_PART_FORCE_X + 1), QStringLiteral("-0.00100"));
    commit(particlesPage(), IDC_PART_YAW, QStringLiteral("12,25"));
    EXPECT_EQ(shown(particlesPage(), IDC_PART_YAW), QStringLiteral("12.25")) << "angles keep their digits";
    commit(particlesPage(), IDC_PART_PITCH, QStringLiteral("up"));
    EXPECT_EQ(shown(particlesPage(), IDC_PART_PITCH), QStringLiteral("0"));
}

// Save Picture keeps the frame on screen when the command is chosen: a change
// made while its dialog is open (here the background turned red) is not in
// it. A .jpg name gives a JPEG file.
TEST_F(NewUserTest, SavePictureKeepsTheFrameOfTheCommand) {
    open(sample("fireworks.zob"));
    pump(50);
    const auto path = scratch() / "moment.jpg";
    setPictureFileHook([&] {
        view().makeCurrent();
        const float red[4] = {1, 0, 0, 1};
        objSetClearColor(red);
        pump(100);
        return QString::fromStdString(path.string());
    });
    onSavePicture(&frame(), &view());
    setPictureFileHook({});
    const float black[4] = {0, 0, 0, 1};
    view().makeCurrent();
    objSetClearColor(black);
    QImage saved(QString::fromStdString(path.string()));
    ASSERT_FALSE(saved.isNull());
    EXPECT_LT(qRed(saved.pixel(2, 2)), 64) << "the corner was black when the command was chosen";
    std::ifstream in(path, std::ios::binary);
    unsigned char magic[2] = {0, 0};
    in.read(reinterpret_cast<char*>(magic), 2);
    EXPECT_EQ(magic[0], 0xFF);
    EXPECT_EQ(magic[1], 0xD8) << "a JPEG file";
}

// A very long file name is shortened in the middle in the caption, the save
// question and the recent-file entry, which shows the full path as its tip.
TEST_F(NewUserTest, LongNamesAreShortenedInTheMiddle) {
    const std::string name = std::string(230, 'w') + "_end.zob";  // 238 characters
    const auto path = scratch() / name;
    std::filesystem::copy_file(sample("fireworks.zob"), path);
    open(path.string());
    EXPECT_LT(frame().windowTitle().size(), 80) << frame().windowTitle().toStdString();
    EXPECT_TRUE(frame().windowTitle().contains(QChar(0x2026)));
    EXPECT_TRUE(frame().windowTitle().endsWith(QStringLiteral("_end - Vantor")));
    commit(particlesPage(), IDC_PART_LIFE, QStringLiteral("1234"));
    files().onFileNew();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_LT(prompts[0].size(), 90) << prompts[0].toStdString();
    EXPECT_TRUE(prompts[0].endsWith(QStringLiteral("_end?"))) << "the question keeps its end";
    QAction* recent = nullptr;
    for (QAction* a : frame().findChildren<QAction*>())
        if (a->property("recentFile").toString() == QString::fromStdString(path.string())) recent = a;
    ASSERT_NE(recent, nullptr);
    EXPECT_LT(recent->text().size(), 70) << recent->text().toStdString();
    EXPECT_EQ(recent->toolTip(), QString::fromStdString(path.string()));
}

// Export Frames offers the settings of its last use.
TEST_F(NewUserTest, ExportFramesRemembersItsSettings) {
    open(sample("fireworks.zob"));
    const auto base = scratch() / "frames.png";
    setPictureFileHook([&] { return QString::fromStdString(base.string()); });
    auto setSpins = [](QDialog* dialog, std::initializer_list<int> values) {
        const auto spins = dialog->findChildren<QSpinBox*>();
        int k = 0;
        for (int v : values) spins[k++]->setValue(v);
    };
    whenModal<CExportFramesDlg>([&](CExportFramesDlg* dialog) {
        setSpins(dialog, {2, 20, 9});
        dialog->accept();
    });
    onExportFrames(&frame(), &view(), frame().frameExportSettings());
    FrameExport shown;
    whenModal<CExportFramesDlg>([&](CExportFramesDlg* dialog) {
        shown = dialog->settings();
        dialog->reject();
    });
    onExportFrames(&frame(), &view(), frame().frameExportSettings());
    setPictureFileHook({});
    EXPECT_EQ(shown.frames, 2);
    EXPECT_EQ(shown.stepMs, 20);
    EXPECT_EQ(shown.seed, 9);
}

// Every drop-down list of the pages opens showing all its entries (up to
// 20), each row whole, without a scroll bar.
TEST_F(NewUserTest, DropDownListsShowAllTheirEntries) {
    open(sample("fireworks.zob"));
    int checked = 0;
    for (int page = 0; page < 4; ++page) {
        frame().controlView()->tabs()->setCurrentIndex(page);
        pump(20);
        for (QComboBox* box : frame().controlView()->page(page)->findChildren<QComboBox*>()) {
            if (!box->isVisible() || !box->isEnabled() || box->count() < 2) continue;
            SCOPED_TRACE(box->objectName().toStdString() + " with " + std::to_string(box->count()) + " entries");
            box->showPopup();
            pump(50);
            QAbstractItemView* list = box->view();
            const int rows = std::min(box->count(), 20);
            int needed = 0;
            for (int r = 0; r < rows; ++r) needed += list->sizeHintForRow(r);
            EXPECT_GE(list->viewport()->height(), needed);
            box->hidePopup();
            ++checked;
        }
    }
    EXPECT_GE(checked, 2);
}

// Ctrl+Z and Ctrl+Y pressed in the Particle Burst dialog reach Edit > Undo
// and Redo, unless the field has typing of its own to take back.
TEST_F(NewUserTest, UndoKeysWorkInTheBurstDialog) {
    open(sample("fireworks.zob"));
    frame().controlView()->tabs()->setCurrentIndex(3);
    click(particlesPage(), IDC_PART_PROPERTIES);
    QWidget* dialog = particlesPage()->burstDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    BurstData before{};
    view().makeCurrent();
    objGetBurst(&before);
    commit(dialog, IDC_PART_TOTAL, QStringLiteral("77"));
    BurstData b{};
    objGetBurst(&b);
    ASSERT_EQ(b.count, 77);
    auto* total = control<QLineEdit>(dialog, IDC_PART_TOTAL);
    // The dialog is the active window, as after a click into it.
    QApplication::setActiveWindow(dialog);
    total->setFocus();
    QTest::keyClick(total, Qt::Key_Z, Qt::ControlModifier);
    view().makeCurrent();
    objGetBurst(&b);
    EXPECT_EQ(b.count, before.count) << "undone from the dialog";
    QTest::keyClick(total, Qt::Key_Y, Qt::ControlModifier);
    view().makeCurrent();
    objGetBurst(&b);
    EXPECT_EQ(b.count, 77) << "redone from the dialog";
    // Typing of the field's own is taken back first, in the field.
    QTest::keyClicks(total, QStringLiteral("5"));
    QTest::keyClick(total, Qt::Key_Z, Qt::ControlModifier);
    view().makeCurrent();
    objGetBurst(&b);
    EXPECT_EQ(b.count, 77);
    dialog->hide();
    QApplication::setActiveWindow(&frame());
}

// Tab, and Enter, which acts as Tab, go along a row of the PARTICLES page
// before the next row: Position X, Y, Z; Force X, Y, Z.
TEST_F(NewUserTest, TabGoesAlongTheRow) {
    open(sample("fireworks.zob"));
    frame().controlView()->tabs()->setCurrentIndex(3);
    pump(20);
    QWidget* window = particlesPage();
    auto after = [&window](int id, int key) {
        auto* edit = control<QLineEdit>(window, id);
        edit->setFocus();
        QTest::keyClick(edit, static_cast<Qt::Key>(key));
        return QApplication::focusWidget();
    };
    EXPECT_EQ(after(IDC_PART_POSITION_X, Qt::Key_Tab), control<QLineEdit>(particlesPage(), IDC_PART_POSITION_X + 1));
    EXPECT_EQ(after(IDC_PART_POSITION_X + 1, Qt::Key_Return), control<QLineEdit>(particlesPage(), IDC_PART_POSITION_X + 2));
    EXPECT_EQ(after(IDC_PART_FORCE_X, Qt::Key_Return), control<QLineEdit>(particlesPage(), IDC_PART_FORCE_X + 1));
    EXPECT_EQ(after(IDC_PART_FORCE_X + 1, Qt::Key_Tab), control<QLineEdit>(particlesPage(), IDC_PART_FORCE_X + 2));
    EXPECT_EQ(after(IDC_PART_YAW, Qt::Key_Tab), control<QLineEdit>(particlesPage(), IDC_PART_YAW_VAR));
    EXPECT_EQ(after(IDC_PART_EMIT_EVERY, Qt::Key_Tab), control<QWidget>(particlesPage(), IDC_PART_RESET_TIMER));
    // The Particle Burst dialog the same way.
    click(particlesPage(), IDC_PART_PROPERTIES);
    window = particlesPage()->burstDialog();
    QApplication::setActiveWindow(window);
    EXPECT_EQ(after(IDC_PART_YAW, Qt::Key_Tab), control<QLineEdit>(window, IDC_PART_YAW_VAR));
    EXPECT_EQ(after(IDC_PART_PITCH, Qt::Key_Return), control<QLineEdit>(window, IDC_PART_PITCH_VAR));
    window->hide();
    QApplication::setActiveWindow(&frame());
}

// Every dialog holds the view's redraw timer while it is up, and no frame
// after it carries the time spent in it: the effect resumes where it stood.
TEST_F(NewUserTest, NoFrameCarriesTheTimeOfADialog) {
    open(sample("fireworks.zob"));
    pump(100);
    setMessageHook(nullptr);
    setColorHook(nullptr);
    answers.setOpen(nullptr);
    answers.setRealPrompts();
    struct Case {
        const char* name;
        std::function<void()> command;
    };
    const std::vector<Case> cases = {
        {"About", [&] { frame().action(ID_APP_ABOUT)->trigger(); }},
        {"Light Properties", [&] { click(objectPage(), IDC_OBJ_LIGHT_EDIT[0]); }},
        {"Calculate Geometry", [&] { click(objectPage(), IDC_OBJ_MODIFY_GEOMETRY); }},
        {"Name", [&] { click(particlesPage(), IDC_PART_ADD); }},
        {"colour dialog", [&] { click(objectPage(), IDC_OBJ_CLEAR_SELECT); }},
        {"message box", [&] { message(&frame(), QStringLiteral("A message")); }},
        {"file dialog", [&] { files().onFileOpen(); }},
        {"save question",
         [&] {
             commit(particlesPage(), IDC_PART_LIFE, QStringLiteral("1234"));
             files().onFileNew();
         }},
    };
    // The simulated time tells what the frames advanced: held while a dialog
    // is up, and the first frame after it carries no more than its own step.
    for (const Case& c : cases) {
        bool heldWhileUp = false;
        int32_t atOpening = 0, whileUp = 0;
        whenModal<QDialog>([&](QDialog* dialog) {
            atOpening = objGetSimulationTime();
            QTest::qWait(600);
            heldWhileUp = !view().redrawTimerRunning();
            whileUp = objGetSimulationTime() - atOpening;
            if (auto* box = qobject_cast<QMessageBox*>(dialog); box && box->escapeButton())
                box->escapeButton()->click();
            else
                dialog->reject();
        });
        c.command();
        EXPECT_TRUE(heldWhileUp) << c.name;
        EXPECT_EQ(whileUp, 0) << c.name << ": the effect went on behind the dialog";
        EXPECT_TRUE(view().redrawTimerRunning()) << c.name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return objGetSimulationTime() != atOpening; }, 10000))
            << c.name << ": frames are drawn again";
        EXPECT_LT(objGetSimulationTime() - atOpening, 600) << c.name << ": a frame carried the dialog's time";
    }
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace vantor::testing

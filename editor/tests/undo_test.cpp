// Undo and redo of changes to the entity, the unsaved-changes mark in the
// title, and the question before unsaved changes would be lost.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QTabBar>
#include <QTreeWidget>

#include <cstdio>
#include <cstring>
#include <vector>

#include "editor_test.h"
#include <QUndoView>
#include "pages/entity_control_view.h"
#include "dialogs/geometry_dlg.h"
#include "dialogs/image_dlg.h"
#include "dialogs/light_properties_dlg.h"
#include "dialogs/name_dlg.h"
#include "pages/object_page.h"
#include "dialogs/particle_burst_dialog.h"
#include "pages/particles_page.h"
#include "resource.h"
#include "pages/surface_page.h"

namespace vantor::testing {
using vantor::DragMode;
using vantor::DragTarget;
namespace {

class UndoTest : public EditorTest {
protected:
    QAction* undoAction() { return frame().action(ID_EDIT_UNDO); }
    QAction* redoAction() { return frame().action(ID_EDIT_REDO); }
    SurfaceData surface(int index) {
        SurfaceData s{};
        view().makeCurrent();
        objGetSurfaceData(&s, index);
        return s;
    }
    static bool same(const SurfaceData& a, const SurfaceData& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    // Every vertex, face normal and vertex normal of the current model.
    std::vector<float> vertexData() {
        view().makeCurrent();
        ModelInfo m{};
        objGetModelData(&m);
        std::vector<float> all;
        for (int i = 0; i < m.surfaceCount; ++i) {
            const SurfaceData s = surface(i);
            std::vector<float> v(size_t(s.vertexFloatCount)), f(size_t(s.polygonCount) * 3), n(v.size());
            objGetSurfaceArrays(i, v.data(), f.data(), n.data());
            all.insert(all.end(), v.begin(), v.end());
            all.insert(all.end(), f.begin(), f.end());
            all.insert(all.end(), n.begin(), n.end());
        }
        return all;
    }
    static bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
    }
    // The emitter as the user sees it: what the simulation changes is left out.
    EmitterData emitter(int index) {
        EmitterData e{};
        view().makeCurrent();
        objSetEmitterPtr(index);
        objGetEmitter(&e);
        objSetEmitterPtr(doc().currentEmitter());
        e.next = nullptr;
        e.freeList = e.liveList = nullptr;
        e.liveCount = e.emitCountdown = 0;
        std::memset(e.burst.origin, 0, sizeof e.burst.origin);
        return e;
    }
    QString title() const { return app().mainFrame()->windowTitle(); }
    void chooseSurface(int index) { choose(surfacePage(), IDC_SURF_LIST, index); }
};

TEST_F(UndoTest, EditUndoRedoSaveAndUndoAgain) {
    EXPECT_FALSE(undoAction()->isEnabled()) << "nothing to undo after File New";
    EXPECT_FALSE(redoAction()->isEnabled());
    open(sample("showcase.zob"));
    EXPECT_EQ(title(), QStringLiteral("showcase - Vantor"));
    click(objectPage(), IDC_OBJ_LIGHT_ON[2]);  // a light: undoable, but not a change to save
    EXPECT_TRUE(undoAction()->isEnabled());
    EXPECT_FALSE(doc().isModified());
    undoAction()->trigger();
    chooseSurface(0);
    const SurfaceData original = surface(0);

    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("12"));
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("13"));  // a second commit of the same field
    commit(surfacePage(), IDC_SURF_DIFFUSE_R, QStringLiteral("0.25"));
    EXPECT_EQ(title(), QStringLiteral("showcase* - Vantor"));
    EXPECT_EQ(static_cast<size_t>(doc().history().stack()->count()), 2u) << "the two Shininess commits are one step";
    ASSERT_TRUE(undoAction()->isEnabled());
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Diffuse"));

    undoAction()->trigger();
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Shininess"));
    EXPECT_EQ(redoAction()->text(), QStringLiteral("&Redo Diffuse"));
    undoAction()->trigger();
    EXPECT_TRUE(same(surface(0), original)) << "the record is back bit for bit";
    EXPECT_EQ(control<QLineEdit>(surfacePage(), IDC_SURF_SHININESS)->text(), QStringLiteral("40"));
    EXPECT_FALSE(undoAction()->isEnabled());
    EXPECT_EQ(title(), QStringLiteral("showcase - Vantor")) << "undone back to the opened state: clean";

    redoAction()->trigger();
    redoAction()->trigger();
    EXPECT_FLOAT_EQ(surface(0).shininess, 13);
    EXPECT_FLOAT_EQ(surface(0).diffuse[0], 0.25f);
    EXPECT_EQ(control<QLineEdit>(surfacePage(), IDC_SURF_DIFFUSE_R)->text(), QStringLiteral("0.25"));
    EXPECT_FALSE(redoAction()->isEnabled());

    ASSERT_TRUE(files().saveFile(QString::fromStdString((scratch() / "saved.zob").string())));
    EXPECT_FALSE(doc().isModified());
    EXPECT_EQ(title(), QStringLiteral("saved - Vantor")) << "the caption names the saved file";
    undoAction()->trigger();
    EXPECT_TRUE(doc().isModified()) << "undo past the save makes it modified again";
    EXPECT_EQ(title(), QStringLiteral("saved* - Vantor"));
    redoAction()->trigger();
    EXPECT_FALSE(doc().isModified());

    // A new change after an undo ends the redo steps; File New ends the history.
    undoAction()->trigger();
    click(surfacePage(), IDC_SURF_CULLING);
    EXPECT_FALSE(redoAction()->isEnabled());
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Culling"));
    files().onFileNew();
    EXPECT_EQ(prompts.value(0), QStringLiteral("Save changes to saved?"));
    EXPECT_FALSE(undoAction()->isEnabled());
    EXPECT_EQ(static_cast<size_t>(doc().history().stack()->count()), 0u);
}

TEST_F(UndoTest, GeometryAndSmoothingComeBackBitForBit) {
    open(sample("showcase.zob"));
    const std::vector<float> original = vertexData();
    const ModelInfo size = doc().modelInfo();
    ASSERT_FALSE(original.empty());

    // Scaling by zero has no inverse: only the kept vertex data can undo it.
    const float zero[3] = {0, 0, 0};
    doc().scaleGeometry(zero);
    EXPECT_FALSE(sameBits(vertexData(), original));
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Scale"));
    undoAction()->trigger();
    EXPECT_TRUE(sameBits(vertexData(), original));
    EXPECT_EQ(std::memcmp(&doc().modelInfo(), &size, sizeof size), 0);
    EXPECT_EQ(control<QLineEdit>(objectPage(), IDC_OBJ_HEIGHT)->text(), formatG6(size.maxY - size.minY))
        << "the OBJECT page shows the size again";

    // The same through the dialog, with a scale that underflows and a rotation.
    whenModal<CGeometryDlg>([this](CGeometryDlg* dialog) {
        for (int axis = 0; axis < 3; ++axis)
            control<QLineEdit>(dialog, IDC_GEO_SCALE_X + axis)->setText(QStringLiteral("1e-30"));
        click(dialog, IDC_GEO_SCALE);
        control<QLineEdit>(dialog, IDC_GEO_ROTATE_X)->setText(QStringLiteral("33"));
        click(dialog, IDC_GEO_ROTATE);
        click(dialog, IDOK);
    });
    click(objectPage(), IDC_OBJ_MODIFY_GEOMETRY);
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Rotate"));
    undoAction()->trigger();
    undoAction()->trigger();
    EXPECT_TRUE(sameBits(vertexData(), original));

    // Smoothing recomputes the normals; undo puts the old ones back.
    chooseSurface(1);
    const SurfaceData record = surface(1);
    commit(surfacePage(), IDC_SURF_ANGLE, QStringLiteral("75"));
    ASSERT_EQ(undoAction()->text(), QStringLiteral("&Undo Smoothing Angle"));
    EXPECT_FALSE(sameBits(vertexData(), original));
    undoAction()->trigger();
    EXPECT_TRUE(sameBits(vertexData(), original));
    EXPECT_TRUE(same(surface(1), record));
    redoAction()->trigger();
    EXPECT_FLOAT_EQ(surface(1).angle, 75);
    EXPECT_EQ(control<QLineEdit>(surfacePage(), IDC_SURF_ANGLE)->text(), QStringLiteral("75"));
}

TEST_F(UndoTest, EmittersBurstsLightsAndImages) {
    open(sample("fireworks.zob"));
    objPauseSimulation(true);
    const int count = doc().lastEmitter() + 1;
    ASSERT_GE(count, 1);
    const EmitterData first = emitter(0);

    // A field of the emitter, then its removal, both undone.
    commit(particlesPage(), IDC_PART_SPEED, QStringLiteral("0.5"));
    click(particlesPage(), IDC_PART_REMOVE);
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Remove Emitter"));
    EXPECT_EQ(doc().lastEmitter(), count - 2);
    undoAction()->trigger();
    EXPECT_EQ(doc().lastEmitter(), count - 1);
    EXPECT_EQ(control<QComboBox>(particlesPage(), IDC_PART_EMITTER)->count(), count);
    EXPECT_EQ(control<QLineEdit>(particlesPage(), IDC_PART_SPEED)->text(), QStringLiteral("0.5000"));
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Speed"));
    undoAction()->trigger();
    const EmitterData back = emitter(0);
    EXPECT_EQ(std::memcmp(&back, &first, sizeof first), 0) << "the emitter record and its burst, bit for bit";
    EXPECT_EQ(doc().currentEmitter(), 0);

    // The burst dialog's fields.
    click(particlesPage(), IDC_PART_PROPERTIES);
    commit(particlesPage()->burstDialog(), IDC_PART_TOTAL, QStringLiteral("7"));
    particlesPage()->burstDialog()->hide();
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Burst Particles"));
    undoAction()->trigger();
    EXPECT_EQ(emitter(0).burst.count, first.burst.count);

    // An added emitter goes again on undo and comes back on redo.
    whenModal<CNameDlg>([this](CNameDlg* dialog) {
        control<QLineEdit>(dialog, IDC_NAME_EDIT)->setText(QStringLiteral("Extra"));
        click(dialog, IDOK);
    });
    click(particlesPage(), IDC_PART_ADD);
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Add Emitter"));
    undoAction()->trigger();
    EXPECT_EQ(doc().lastEmitter(), count - 1);
    EXPECT_EQ(control<QComboBox>(particlesPage(), IDC_PART_EMITTER)->findText(QStringLiteral("Extra")), -1);
    redoAction()->trigger();
    EXPECT_EQ(doc().lastEmitter(), count);
    EXPECT_STREQ(doc().emitter().name, "Extra");
    EXPECT_EQ(control<QComboBox>(particlesPage(), IDC_PART_EMITTER)->currentText(), QStringLiteral("Extra"));

    // A drag of the emitter in the view is one step.
    const float x = emitter(doc().currentEmitter()).position[0];
    view().changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::Emitter; });
    QTest::mousePress(&view(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(&view(), QPoint(125, 100));
    QTest::mouseMove(&view(), QPoint(150, 100));
    QTest::mouseRelease(&view(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 100));
    view().changeSettings([](vantor::ViewSettings& s) { s.dragTarget = DragTarget::None; });
    EXPECT_NEAR(emitter(doc().currentEmitter()).position[0], x + 0.5f, 1e-5);
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Move Emitter"));
    undoAction()->trigger();
    EXPECT_EQ(emitter(doc().currentEmitter()).position[0], x);
    EXPECT_EQ(control<QLineEdit>(particlesPage(), IDC_PART_POSITION_X)->text(), format("%1.3f", x));

    // A light switched on, undone.
    LightData light{};
    const bool modified = doc().isModified();
    click(objectPage(), IDC_OBJ_LIGHT_ON[1]);
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Switch Light 2"));
    EXPECT_EQ(doc().isModified(), modified) << "lights are not saved with the entity";
    undoAction()->trigger();
    view().makeCurrent();
    objGetLight(&light, 1);
    EXPECT_FALSE(light.on);
    EXPECT_FALSE(control<QCheckBox>(objectPage(), IDC_OBJ_LIGHT_ON[1])->isChecked());

    // The Light Properties dialog's Update, undone field by field.
    LightData before{};
    view().makeCurrent();
    objGetLight(&before, 3);
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        commit(dialog, IDC_LIGHT_DIFFUSE_R, QStringLiteral("0.125"));
        commit(dialog, IDC_LIGHT_LINEAR, QStringLiteral("0.5"));
        click(dialog, IDOK);
    });
    click(objectPage(), IDC_OBJ_LIGHT_EDIT[3]);
    EXPECT_EQ(undoAction()->text(), QStringLiteral("&Undo Edit Light 4"));
    undoAction()->trigger();
    LightData after{};
    view().makeCurrent();
    objGetLight(&after, 3);
    EXPECT_EQ(std::memcmp(after.diffuse, before.diffuse, sizeof before.diffuse), 0);
    EXPECT_EQ(after.linearAttenuation, before.linearAttenuation);
    EXPECT_EQ(std::memcmp(after.position, before.position, sizeof before.position), 0);
    EXPECT_EQ(control<Swatch>(objectPage(), IDC_OBJ_LIGHT_SWATCH[3])->color(), swatchColor(before.diffuse));

    // An image added through the dialog leaves the library and the lists on undo.
    CImageDlg& images = *surfacePage()->imageDialog();
    control<QLineEdit>(&images, IDC_IMAGE_PATH)->setText(QString::fromStdString(sample("puff.bmp")));
    control<QLineEdit>(&images, IDC_IMAGE_NAME)->setText(QStringLiteral("Again"));
    click(&images, IDC_IMAGE_ADD);
    ASSERT_EQ(undoAction()->text(), QStringLiteral("&Undo Add Image"));
    auto* surfaceImages = control<QComboBox>(surfacePage(), IDC_SURF_IMAGE);
    EXPECT_GE(surfaceImages->findText(QStringLiteral("Again")), 0);
    undoAction()->trigger();
    view().makeCurrent();
    EXPECT_EQ(objGetTextureId("Again"), 0u);
    EXPECT_EQ(surfaceImages->findText(QStringLiteral("Again")), -1);
    EXPECT_EQ(control<QComboBox>(particlesPage(), IDC_PART_IMAGE)->findText(QStringLiteral("Again")), -1);
    EXPECT_TRUE(images.list()->findItems(QStringLiteral("Again"), Qt::MatchExactly, 0).isEmpty());
    redoAction()->trigger();
    view().makeCurrent();
    EXPECT_NE(objGetTextureId("Again"), 0u);
    EXPECT_EQ(surfaceImages->findText(QStringLiteral("Again"), Qt::MatchExactly), surfaceImages->count() - 1);
    EXPECT_EQ(images.list()->findItems(QStringLiteral("Again"), Qt::MatchExactly, 0).size(), 1);
    objPauseSimulation(false);
}

TEST_F(UndoTest, KeysReachTheHistoryWhenTheFieldHasNothingToUndo) {
    open(sample("showcase.zob"));
    frame().controlView()->tabs()->setCurrentIndex(1);  // the SURFACE page
    chooseSurface(0);
    const SurfaceData original = surface(0);
    auto* red = control<QLineEdit>(surfacePage(), IDC_SURF_DIFFUSE_R);
    auto* green = control<QLineEdit>(surfacePage(), IDC_SURF_DIFFUSE_R + 1);
    red->setFocus();
    red->selectAll();
    QTest::keyClicks(red, QStringLiteral("0.5"));
    QTest::keyClick(red, Qt::Key_Tab);  // commits, and the focus moves on to green
    ASSERT_FLOAT_EQ(surface(0).diffuse[0], 0.5f);
    ASSERT_EQ(QApplication::focusWidget(), green) << "the focus sits in the next text field";

    QTest::keyClick(green, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(same(surface(0), original)) << "Ctrl+Z in a field with nothing typed undoes the change";
    EXPECT_EQ(red->text(), QStringLiteral("0.9"));
    QTest::keyClick(green, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(surface(0).diffuse[0], 0.5f);
    QTest::keyClick(green, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_FLOAT_EQ(surface(0).diffuse[0], 0.9f);
    QTest::keyClick(green, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(surface(0).diffuse[0], 0.5f);
    EXPECT_EQ(QApplication::focusWidget(), green);

    // Typing of its own is the field's to take back first.
    const QString before = green->text();
    green->end(false);
    QTest::keyClicks(green, QStringLiteral("9"));
    QTest::keyClick(green, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(green->text(), before);
    EXPECT_FLOAT_EQ(surface(0).diffuse[0], 0.5f) << "the document's history was left alone";
    EXPECT_EQ(static_cast<size_t>(doc().history().stack()->count()), 1u);
}

TEST_F(UndoTest, UnsavedChangesAreNotLostWithoutAsking) {
    const std::string own = copyOfSample("showcase.zob");
    open(own);
    chooseSurface(0);
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("20"));

    // Closing the window: Cancel keeps the editor open with the changes.
    promptAnswer = QMessageBox::Cancel;
    EXPECT_FALSE(frame().close());
    EXPECT_TRUE(frame().isVisible());
    EXPECT_EQ(prompts.value(0), QStringLiteral("Save changes to showcase?"));
    EXPECT_TRUE(doc().isModified());

    // Opening another file: Cancel stops before the file dialog.
    bool asked = false;
    answers.setOpen([&asked, this] {
        asked = true;
        return QString::fromStdString(sample("fountain.zob"));
    });
    files().onFileOpen();
    EXPECT_FALSE(asked);
    EXPECT_EQ(doc().fileTitle(), QStringLiteral("showcase"));
    frame().openDropped(QString::fromStdString(sample("fountain.zob")));
    EXPECT_EQ(doc().fileTitle(), QStringLiteral("showcase")) << "a dropped file asks too";
    prompts.clear();
    for (QAction* a : frame().findChildren<QAction*>()) {
        if (!a->property("recentFile").toString().isEmpty()) {
            a->trigger();  // an entry of the recent-file list
            break;
        }
    }
    EXPECT_EQ(prompts.size(), 1) << "a recent file asks too";
    EXPECT_EQ(doc().fileTitle(), QStringLiteral("showcase"));

    // Save runs File Save, which writes the entity's own file, and goes on.
    promptAnswer = QMessageBox::Save;
    const std::string saved = own;
    answers.setSave([] {
        ADD_FAILURE() << "a file of its own is saved without a dialog";
        return QString();
    });
    files().onFileOpen();
    EXPECT_TRUE(asked);
    EXPECT_EQ(doc().fileTitle(), QStringLiteral("fountain"));
    EXPECT_FALSE(doc().isModified());
    ASSERT_TRUE(files().openFile(QString::fromStdString(saved)));
    chooseSurface(0);
    EXPECT_FLOAT_EQ(surface(0).shininess, 20) << "the change was saved before the other file opened";

    // Discard goes on without saving: the library holds no model, and the
    // file opens as it was saved. A clean document asks nothing.
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("30"));
    promptAnswer = QMessageBox::Discard;
    prompts.clear();
    files().onFileNew();
    EXPECT_EQ(prompts.size(), 1);
    EXPECT_FALSE(title().contains(QLatin1Char('*')));
    view().makeCurrent();
    EXPECT_EQ(objGetModelCount(), 0);
    files().onFileNew();
    EXPECT_EQ(prompts.size(), 1);
    ASSERT_TRUE(files().openFile(QString::fromStdString(saved)));
    chooseSurface(0);
    EXPECT_FLOAT_EQ(surface(0).shininess, 20) << "the discarded change never reached the file";
}

TEST_F(UndoTest, AFailedOpenLeavesTheHistoryAndEnablesTheLists) {
    open(sample("showcase.zob"));
    chooseSurface(0);
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("21"));
    promptAnswer = QMessageBox::Discard;
    files().onFileNew();
    EXPECT_FALSE(control<QComboBox>(surfacePage(), IDC_SURF_LIST)->isEnabled());
    const std::string broken = (scratch() / "broken.zob").string();
    FILE* f = std::fopen(broken.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("#ZOBv0.6.5\n[OBJECT]\nnot a number\n", f);
    std::fclose(f);
    open(broken);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(control<QComboBox>(surfacePage(), IDC_SURF_LIST)->isEnabled()) << "enabled before the read";
    EXPECT_TRUE(control<QComboBox>(objectPage(), IDC_OBJ_LIST)->isEnabled());
    EXPECT_FALSE(doc().isModified());
    EXPECT_FALSE(undoAction()->isEnabled());
}

// The history keeps 1000 commands at most; past its memory bound the oldest
// commands let go of their snapshots and leave the stack when undo reaches
// them, while the newer ones still undo exactly.
TEST_F(UndoTest, TheHistoryKeepsItsBounds) {
    open(sample("showcase.zob"));
    for (int i = 0; i < 1005; ++i) doc().switchLight(0, i % 2 == 0);
    EXPECT_EQ(doc().history().stack()->count(), 1000);
    EXPECT_TRUE(doc().isModified()) << "the opened state is no longer reachable";

    open(sample("showcase.zob"));
    const float twice[3] = {2, 2, 2};
    doc().scaleGeometry(twice);
    const size_t one = doc().history().bytes();
    ASSERT_GT(one, 0u);
    doc().history().setBudget(one * 5 / 2);
    for (int i = 0; i < 4; ++i) doc().scaleGeometry(twice);
    EXPECT_LE(doc().history().bytes(), one * 5 / 2);
    EXPECT_EQ(doc().history().stack()->count(), 5);
    doc().history().undo();
    doc().history().undo();
    doc().refreshModelInfo();
    const ModelInfo afterTwo = doc().modelInfo();
    EXPECT_FALSE(doc().history().stack()->canUndo()) << "the trimmed commands left the stack";
    EXPECT_EQ(doc().history().stack()->count(), 2) << "the two undone commands stay for redo";
    doc().history().redo();
    doc().history().undo();
    doc().refreshModelInfo();
    EXPECT_FLOAT_EQ(doc().modelInfo().maxY, afterTwo.maxY);
    doc().history().setBudget(size_t(512) << 20);
}

// Every edit is one command and one announcement of what it touched; undo
// and redo announce the same part as put back, and the pages redraw from
// that alone. View > History lists the commands and moves through them.
TEST_F(UndoTest, EveryEditIsOneCommandAndOneAnnouncement) {
    open(sample("showcase.zob"));
    chooseSurface(0);
    const float before = doc().surface().shininess;
    std::vector<DocumentChange> seen;
    QObject scope;
    QObject::connect(&doc(), &CVantorDoc::changed, &scope, [&seen](const DocumentChange& c) { seen.push_back(c); });
    commit(surfacePage(), IDC_SURF_SHININESS, QStringLiteral("33"));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, EntityPart::Surface);
    EXPECT_EQ(seen[0].index, 0);
    EXPECT_EQ(seen[0].field, IDC_SURF_SHININESS);
    EXPECT_FALSE(seen[0].restored);
    ASSERT_EQ(doc().history().stack()->count(), 1);
    EXPECT_EQ(doc().history().stack()->text(0), QStringLiteral("Shininess"));

    seen.clear();
    undoAction()->trigger();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].restored);
    EXPECT_FLOAT_EQ(surface(0).shininess, before);
    EXPECT_EQ(control<QLineEdit>(surfacePage(), IDC_SURF_SHININESS)->text(), formatG6(before)) << "the page followed";

    auto* history = frame().findChild<QUndoView*>();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->stack(), doc().history().stack());
    EXPECT_FALSE(frame().action(ID_VIEW_HISTORY)->isChecked()) << "hidden until asked for";
    history->setCurrentIndex(history->model()->index(1, 0));  // the row "Shininess"
    EXPECT_FLOAT_EQ(surface(0).shininess, 33.0f) << "choosing a row redoes up to it";
    EXPECT_EQ(control<QLineEdit>(surfacePage(), IDC_SURF_SHININESS)->text(), QStringLiteral("33"));
}

}  // namespace
}  // namespace vantor::testing

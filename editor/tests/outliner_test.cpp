// The outliner: every model with its surfaces and emitters, choosing,
// renaming with undo, hiding, and Delete.
#include <QDockWidget>
#include <QHeaderView>
#include <QTabBar>

#include "editor_test.h"
#include "pages/outliner.h"
#include "resource.h"

namespace vantor::testing {
namespace {

class OutlinerTest : public EditorTest {
protected:
    COutliner* tree() { return frame().outliner(); }
    QAction* undo() { return frame().action(ID_EDIT_UNDO); }
    void clickItem(QTreeWidgetItem* item, int column = 0) {
        ASSERT_NE(item, nullptr);
        tree()->scrollToItem(item);
        const QRect r = tree()->visualItemRect(item);
        const int x = column == 0 ? r.left() + 30 : tree()->header()->sectionPosition(column) + 8;
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
    }
    // The outliner floats in a window of its own, which takes the keys.
    void focusTree() {
        tree()->window()->activateWindow();
        QApplication::setActiveWindow(tree()->window());
        tree()->setFocus();
        pump(10);
    }
    void rename(QTreeWidgetItem* item, const QString& text) {
        tree()->setCurrentItem(item);
        focusTree();
        QTest::keyClick(tree(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "F2 edits the name";
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        pump(10);
    }
    void SetUp() override {
        EditorTest::SetUp();
        frame().action(ID_VIEW_OUTLINER)->trigger();
        tree()->window()->resize(300, 500);
        pump(20);
    }
};

TEST_F(OutlinerTest, ListsEveryModelWithItsSurfacesAndEmitters) {
    ASSERT_TRUE(tree()->isVisible());
    open(sample("fireworks.zob"));
    open(sample("campfire.zob"));
    open(sample("fireworks.zob"));
    ASSERT_EQ(tree()->topLevelItemCount(), 3) << "a model opened before keeps drawing, and is listed";
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), QStringLiteral("fireworks"));
    EXPECT_EQ(tree()->topLevelItem(1)->text(0), QStringLiteral("campfire"));
    EXPECT_EQ(tree()->topLevelItem(2)->text(0), QStringLiteral("fireworks (2)"));
    EXPECT_TRUE(tree()->topLevelItem(2)->font(0).bold()) << "the model edited";
    EXPECT_EQ(tree()->entry(1, COutliner::Kind::Emitter, 2)->text(0), QStringLiteral("Sparks"));
    EXPECT_EQ(tree()->entry(1, COutliner::Kind::Surface, 0)->text(0), QStringLiteral("LogA"));

    // A click on an emitter of another model edits that model and shows the emitter.
    clickItem(tree()->entry(1, COutliner::Kind::Emitter, 1));
    EXPECT_EQ(doc().editedModel(), 1);
    EXPECT_EQ(doc().title(), QStringLiteral("campfire"));
    EXPECT_EQ(frame().controlView()->tabs()->currentIndex(), 3);
    EXPECT_EQ(doc().currentEmitter(), 1);
    EXPECT_EQ(particlesPage()->emitterList()->currentText(), QStringLiteral("Smoke"));
    clickItem(tree()->entry(1, COutliner::Kind::Surface, 2));
    EXPECT_EQ(frame().controlView()->tabs()->currentIndex(), 1);
    EXPECT_EQ(doc().currentSurface(), 2);
    EXPECT_FALSE(undo()->isEnabled()) << "choosing changes nothing";
}

TEST_F(OutlinerTest, RenamesAreUndoableAndKeepTheLibrarysRules) {
    open(sample("campfire.zob"));
    rename(tree()->entry(0, COutliner::Kind::Emitter, 2), QStringLiteral("Hot embers"));
    EXPECT_EQ(doc().emitterNames()[2], QStringLiteral("Hot_embers")) << "one word, as names are kept";
    EXPECT_EQ(tree()->entry(0, COutliner::Kind::Emitter, 2)->text(0), QStringLiteral("Hot_embers"));
    EXPECT_EQ(particlesPage()->emitterList()->itemText(2), QStringLiteral("Hot_embers"));
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Rename Emitter"));
    rename(tree()->entry(0, COutliner::Kind::Surface, 1), QStringLiteral("Log2"));
    EXPECT_EQ(doc().surfaceNames()[1], QStringLiteral("Log2"));
    EXPECT_EQ(surfacePage()->surfaceList()->itemText(1), QStringLiteral("Log2"));
    undo()->trigger();
    EXPECT_EQ(tree()->entry(0, COutliner::Kind::Surface, 1)->text(0), QStringLiteral("LogB"));
    EXPECT_EQ(surfacePage()->surfaceList()->itemText(1), QStringLiteral("LogB"));
    undo()->trigger();
    EXPECT_EQ(tree()->entry(0, COutliner::Kind::Emitter, 2)->text(0), QStringLiteral("Sparks"));
    EXPECT_EQ(particlesPage()->emitterList()->itemText(2), QStringLiteral("Sparks"));
    EXPECT_FALSE(doc().isModified());
}

TEST_F(OutlinerTest, TheEyeHidesAnEmittersPixelsAndCount) {
    open(sample("sparks.zob"));
    view().setCamera(CameraData{0, -0.6f, -2.2f, 0, 0, 0});
    ASSERT_TRUE(QTest::qWaitFor([this] {
        view().makeCurrent();
        return objGetSceneLiveParticles() > 20;
    }, 10000));
    view().makeCurrent();
    objPauseSimulation(true);
    pump(30);
    const int64_t live = objGetSceneLiveParticles();
    ASSERT_GT(live, 0);
    auto sparkPixels = [this] {
        const QImage frame = view().grabFramebuffer();
        int bright = 0;
        for (int y = 0; y < frame.height(); y += 2)
            for (int x = 0; x < frame.width(); x += 2) {
                const QRgb p = frame.pixel(x, y);
                bright += qRed(p) > 200 && qGreen(p) > 60 && qBlue(p) < 120;
            }
        return bright;
    };
    const int before = sparkPixels();
    ASSERT_GT(before, 0);
    clickItem(tree()->entry(0, COutliner::Kind::Emitter, 0), COutliner::kEyeColumn);
    EXPECT_FALSE(doc().shown(0, 0));
    view().makeCurrent();
    EXPECT_EQ(objGetSceneLiveParticles(), 0) << "not counted";
    EXPECT_EQ(sparkPixels(), 0) << "not drawn";
    EXPECT_FALSE(doc().isModified()) << "view state, no change of the entity";
    EXPECT_FALSE(undo()->isEnabled());
    clickItem(tree()->entry(0, COutliner::Kind::Emitter, 0), COutliner::kEyeColumn);
    view().makeCurrent();
    EXPECT_EQ(objGetSceneLiveParticles(), live) << "paused, the same particles come back";
    objPauseSimulation(false);
}

TEST_F(OutlinerTest, DeleteRemovesAnEmitterOrClosesAModel) {
    open(sample("fireworks.zob"));
    open(sample("campfire.zob"));
    tree()->setCurrentItem(tree()->entry(1, COutliner::Kind::Emitter, 0));
    focusTree();
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(doc().lastEmitter(), 1);
    EXPECT_EQ(tree()->entry(1, COutliner::Kind::Emitter, 0)->text(0), QStringLiteral("Smoke"));
    undo()->trigger();
    EXPECT_EQ(tree()->entry(1, COutliner::Kind::Emitter, 0)->text(0), QStringLiteral("Fire"));

    // The edited model has a change: closing it asks first; Cancel keeps it.
    commit(particlesPage(), IDC_PART_LIFE, QStringLiteral("900"));
    ASSERT_TRUE(doc().isModified());
    promptAnswer = QMessageBox::Cancel;
    tree()->setCurrentItem(tree()->entry(1));
    focusTree();
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(prompts.size(), 1);
    EXPECT_EQ(tree()->topLevelItemCount(), 2);
    promptAnswer = QMessageBox::Discard;
    QTest::keyClick(tree(), Qt::Key_Delete);
    ASSERT_EQ(tree()->topLevelItemCount(), 1);
    EXPECT_EQ(doc().editedModel(), 0);
    EXPECT_EQ(doc().title(), QStringLiteral("fireworks")) << "the model left is edited";
    view().makeCurrent();
    EXPECT_EQ(objGetModelCount(), 1);
    tree()->setCurrentItem(tree()->entry(0));
    focusTree();
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(doc().title(), QStringLiteral("Untitled"));
}

// The window and its docks outlive a test: this one shows the outliner only
// when it is hidden, and puts it back as it found it.
class OutlinerFollowTest : public OutlinerTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        m_wasShown = frame().action(ID_VIEW_OUTLINER)->isChecked();
        if (!m_wasShown) frame().action(ID_VIEW_OUTLINER)->trigger();
        tree()->window()->resize(300, 500);
        pump(20);
    }
    void TearDown() override {
        if (!m_wasShown) frame().action(ID_VIEW_OUTLINER)->trigger();
        pump(20);  // the window lays itself out again before the next test
        EditorTest::TearDown();
    }
    bool m_wasShown = false;
};

// The pages and the tree follow the document's choice, whoever made it; the
// SURFACE page shows a surface chosen again after Unselect let go of it.
TEST_F(OutlinerFollowTest, PagesAndTreeFollowTheDocumentsChoice) {
    open(sample("campfire.zob"));
    frame().controlView()->tabs()->setCurrentIndex(CEntityControlView::ParticlesPage);
    int rebuilds = 0;
    QObject scope;
    QObject::connect(&doc(), &CVantorDoc::modelsChanged, &scope, [&rebuilds] { ++rebuilds; });
    doc().chooseEmitter(1);
    pump(10);
    EXPECT_EQ(control<QComboBox>(particlesPage(), IDC_PART_EMITTER)->currentIndex(), 1);
    EXPECT_EQ(tree()->currentItem(), tree()->entry(0, COutliner::Kind::Emitter, 1));
    EXPECT_EQ(rebuilds, 0) << "marking the current entry is not a rename";

    frame().controlView()->tabs()->setCurrentIndex(CEntityControlView::SurfacePage);
    auto* surfaces = control<QComboBox>(surfacePage(), IDC_SURF_LIST);
    clickItem(tree()->entry(0, COutliner::Kind::Surface, 0));
    EXPECT_EQ(surfaces->currentIndex(), 0);
    EXPECT_TRUE(control<QWidget>(surfacePage(), IDC_SURF_UNSELECT)->isEnabled());
    click(surfacePage(), IDC_SURF_UNSELECT);
    EXPECT_FALSE(control<QWidget>(surfacePage(), IDC_SURF_UNSELECT)->isEnabled());
    clickItem(tree()->entry(0, COutliner::Kind::Surface, 0));
    EXPECT_EQ(surfaces->currentIndex(), 0);
    EXPECT_TRUE(control<QWidget>(surfacePage(), IDC_SURF_UNSELECT)->isEnabled()) << "shown again";
    EXPECT_EQ(tree()->currentItem(), tree()->entry(0, COutliner::Kind::Surface, 0));
}

}  // namespace
}  // namespace vantor::testing

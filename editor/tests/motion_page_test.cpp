// Force fields and colliders on the PARTICLES page: added, edited and removed
// through their groups, each change one undo step, shown in the status bar
// (contacts) and kept with the entity.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>

#include "editor_test.h"
#include "resource.h"
#include "view/simulation_controls.h"

namespace vantor::testing {
namespace {

class MotionPageTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        frame().controlView()->tabs()->setCurrentIndex(3);
        frame().resize(1200, 1000);
        frame().show();
        open(sample("sparks.zob"));
        pump(50);
    }
    QWidget* page() { return particlesPage(); }
    QAction* undo() { return frame().action(ID_EDIT_UNDO); }
    std::vector<ForceField> fields() {
        view().makeCurrent();
        std::vector<ForceField> out(KORVID_MAX_FIELDS);
        out.resize(size_t(std::max(0, objGetEmitterFields(out.data(), KORVID_MAX_FIELDS))));
        return out;
    }
    std::vector<Collider> colliders() {
        view().makeCurrent();
        std::vector<Collider> out(KORVID_MAX_COLLIDERS);
        out.resize(size_t(std::max(0, objGetEmitterColliders(out.data(), KORVID_MAX_COLLIDERS))));
        return out;
    }
};

TEST_F(MotionPageTest, FieldsAreAddedEditedAndUndoneStepByStep) {
    auto* list = control<QListWidget>(page(), IDC_PART_FIELD_LIST);
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(control<QPushButton>(page(), IDC_PART_FIELD_REMOVE)->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_FIELD_STRENGTH)->isEnabled()) << "nothing chosen";
    click(page(), IDC_PART_FIELD_ADD);
    ASSERT_EQ(fields().size(), 1u);
    EXPECT_EQ(fields()[0].kind, KORVID_FIELD_NOISE);
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Force Fields"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_FIELD_FREQUENCY)->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_FIELD_POS_X)->isEnabled()) << "a noise has no centre";

    choose(page(), IDC_PART_FIELD_KIND, QStringLiteral("Attractor"));
    EXPECT_EQ(fields()[0].kind, KORVID_FIELD_ATTRACTOR);
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_FIELD_POS_X)->isEnabled());
    commit(page(), IDC_PART_FIELD_POS_X + 1, QStringLiteral("1.5"));
    commit(page(), IDC_PART_FIELD_STRENGTH, QStringLiteral("0.01"));
    EXPECT_FLOAT_EQ(fields()[0].position[1], 1.5f);
    EXPECT_FLOAT_EQ(fields()[0].strength, 0.01f);
    commit(page(), IDC_PART_FIELD_RADIUS, QStringLiteral("-2"));
    EXPECT_FLOAT_EQ(fields()[0].radius, 0.0f) << "a radius is 0 or more";
    // A wind with no axis is refused by the library, with a message, and nothing changes.
    choose(page(), IDC_PART_FIELD_KIND, QStringLiteral("Wind"));
    for (int a = 0; a < 3; ++a) commit(page(), IDC_PART_FIELD_AXIS_X + a, QStringLiteral("0"));
    EXPECT_FALSE(messages.isEmpty()) << "the refusal is shown";
    EXPECT_EQ(fields()[0].kind, KORVID_FIELD_WIND);
    EXPECT_FLOAT_EQ(fields()[0].axis[1], 1.0f) << "the axis it had";
    messages.clear();

    // Back: the kind, the strength, the centre, the kind, the field itself (the
    // radius typed stayed 0, and the refused axis changed nothing).
    const int expectedKinds[] = {KORVID_FIELD_ATTRACTOR, KORVID_FIELD_ATTRACTOR, KORVID_FIELD_ATTRACTOR,
                                 KORVID_FIELD_NOISE};
    for (int kind : expectedKinds) {
        ASSERT_EQ(undo()->text(), QStringLiteral("&Undo Force Fields"));
        undo()->trigger();
        ASSERT_EQ(fields().size(), 1u);
        EXPECT_EQ(fields()[0].kind, kind);
    }
    undo()->trigger();
    EXPECT_TRUE(fields().empty());
    EXPECT_EQ(list->count(), 0);
    frame().action(ID_EDIT_REDO)->trigger();
    EXPECT_EQ(fields().size(), 1u);
    EXPECT_EQ(list->count(), 1);
    click(page(), IDC_PART_FIELD_REMOVE);
    EXPECT_TRUE(fields().empty());
}

TEST_F(MotionPageTest, CollidersCountTheirContactsAndStayWithTheEntity) {
    auto* list = control<QListWidget>(page(), IDC_PART_COLLIDER_LIST);
    click(page(), IDC_PART_COLLIDER_ADD);
    ASSERT_EQ(colliders().size(), 1u);
    EXPECT_EQ(colliders()[0].kind, KORVID_COLLIDER_PLANE);
    EXPECT_EQ(undo()->text(), QStringLiteral("&Undo Colliders"));
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_COLLIDER_AXIS_X)->isEnabled()) << "a plane has a normal";
    EXPECT_FALSE(control<QComboBox>(page(), IDC_PART_COLLIDER_MODEL)->isEnabled());
    commit(page(), IDC_PART_COLLIDER_POS_X + 1, QStringLiteral("0.3"));
    commit(page(), IDC_PART_COLLIDER_BOUNCE, QStringLiteral("0.8"));
    EXPECT_FLOAT_EQ(colliders()[0].position[1], 0.3f);
    EXPECT_FLOAT_EQ(colliders()[0].bounce, 0.8f);
    commit(page(), IDC_PART_COLLIDER_FRICTION, QStringLiteral("3"));
    EXPECT_FLOAT_EQ(colliders()[0].friction, 1.0f) << "friction lies from 0 to 1";

    // The model collider picks the anvil, the scene's one model.
    click(page(), IDC_PART_COLLIDER_ADD);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    choose(page(), IDC_PART_COLLIDER_KIND, QStringLiteral("Model"));
    auto* model = control<QComboBox>(page(), IDC_PART_COLLIDER_MODEL);
    EXPECT_TRUE(model->isEnabled());
    EXPECT_EQ(model->count(), 1);
    EXPECT_EQ(colliders()[1].kind, KORVID_COLLIDER_MODEL);
    EXPECT_EQ(colliders()[1].model, 0);
    choose(page(), IDC_PART_COLLIDER_RESPONSE, QStringLiteral("Burst"));
    EXPECT_EQ(colliders()[1].response, KORVID_HIT_BURST);
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_COLLIDER_BOUNCE)->isEnabled()) << "only a bounce has one";
    EXPECT_TRUE(messages.isEmpty());

    // Sparks meet the plane at 0.3: the status bar counts the current emitter's contacts.
    QLabel* figures = frame().simulation()->statistics();
    EXPECT_TRUE(QTest::qWaitFor([figures] { return figures->text().contains(QStringLiteral(" hits")); }, 10000))
        << figures->text().toStdString();

    // Saved with the entity and read back.
    const std::string path = (scratch() / "sparks-colliders.zob").string();
    answers.setSave([path] { return QString::fromStdString(path); });
    frame().action(ID_FILE_SAVE_AS)->trigger();
    open(path);
    pump(50);
    ASSERT_EQ(colliders().size(), 2u);
    EXPECT_FLOAT_EQ(colliders()[0].position[1], 0.3f);
    EXPECT_EQ(colliders()[1].model, doc().editedModel()) << "its own model: the one read from the file";
    EXPECT_EQ(control<QListWidget>(page(), IDC_PART_COLLIDER_LIST)->count(), 2);
}

}  // namespace
}  // namespace vantor::testing

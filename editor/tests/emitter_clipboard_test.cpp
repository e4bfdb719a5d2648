// Duplicate, Copy and Paste of emitters: bit for bit with burst, curves and
// shape, between entities, undoable; text fields keep their own Copy.
#include <QClipboard>
#include <QComboBox>
#include <QMimeData>
#include <QTabBar>

#include "editor_test.h"
#include "app/emitter_clipboard.h"
#include "resource.h"

namespace vantor::testing {
namespace {

struct Whole {
    EmitterData record;
    EmitterExtras extras;
};

class EmitterClipboardTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        frame().controlView()->tabs()->setCurrentIndex(3);
    }
    Whole emitter(int index) {
        Whole w{};
        w.record = doc().scene().emitter(index);
        w.extras = doc().scene().extras(index);
        // What the simulation changes on its own is no part of the emitter.
        w.record.next = nullptr;
        w.record.freeList = w.record.liveList = nullptr;
        w.record.liveCount = 0;
        w.record.emitCountdown = 0;
        std::memset(w.record.burst.origin, 0, sizeof w.record.burst.origin);
        return w;
    }
    static bool sameButName(Whole a, Whole b) {
        std::memset(a.record.name, 0, sizeof a.record.name);
        std::memset(b.record.name, 0, sizeof b.record.name);
        return std::memcmp(&a.record, &b.record, sizeof a.record) == 0 && a.extras == b.extras;
    }
    QComboBox* list() { return particlesPage()->emitterList(); }
    // Ctrl+C and Ctrl+V in the emitter list, as a user types them.
    void keys(Qt::Key key) {
        list()->lineEdit()->setFocus();
        QTest::keyClick(list()->lineEdit(), key, Qt::ControlModifier);
    }
};

TEST_F(EmitterClipboardTest, DuplicateAddsAnExactCopyRightAfter) {
    open(sample("campfire.zob"));
    const Whole fire = emitter(0);
    ASSERT_FALSE(fire.extras.curves[KORVID_CURVE_COLOUR].empty());
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(doc().lastEmitter(), 3);
    EXPECT_EQ(doc().currentEmitter(), 1) << "the copy, right after the original, is current";
    const Whole copy = emitter(1);
    EXPECT_STREQ(copy.record.name, "Fire_copy");
    EXPECT_TRUE(sameButName(copy, fire)) << "record, burst, curves and shape";
    EXPECT_EQ(list()->itemText(1), QStringLiteral("Fire_copy"));
    EXPECT_EQ(list()->itemText(2), QStringLiteral("Smoke"));
    EXPECT_EQ(frame().action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo Duplicate Emitter"));
    frame().action(ID_EDIT_UNDO)->trigger();
    EXPECT_EQ(doc().lastEmitter(), 2);
    frame().action(ID_EDIT_REDO)->trigger();
    ASSERT_EQ(doc().lastEmitter(), 3);
    EXPECT_TRUE(sameButName(emitter(1), fire));
}

TEST_F(EmitterClipboardTest, CopyAndPasteCarryAnEmitterBetweenEntities) {
    open(sample("fireworks.zob"));
    const Whole rockets = emitter(0);
    ASSERT_TRUE(rockets.record.isBurst);
    keys(Qt::Key_C);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data->hasFormat(kEmitterMimeType));
    EXPECT_TRUE(data->text().startsWith(QStringLiteral("//Korvid emitter 1\n[EMITTER]\nRockets")));

    open(sample("campfire.zob"));
    choose(particlesPage(), IDC_PART_EMITTER, 1);
    keys(Qt::Key_V);
    ASSERT_EQ(doc().lastEmitter(), 3);
    EXPECT_EQ(doc().currentEmitter(), 2) << "after the current emitter";
    EXPECT_TRUE(sameButName(emitter(2), rockets));
    EXPECT_STREQ(emitter(2).record.name, "Rockets");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(frame().action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo Paste Emitter"));
    frame().action(ID_EDIT_UNDO)->trigger();
    EXPECT_EQ(doc().lastEmitter(), 2);

    // The flames carry curves, a shape and an image.
    choose(particlesPage(), IDC_PART_EMITTER, 0);
    const Whole fire = emitter(0);
    frame().action(ID_EDIT_COPY)->trigger();
    open(sample("smoke.zob"));
    frame().action(ID_EDIT_PASTE)->trigger();
    ASSERT_EQ(doc().lastEmitter(), 1);
    Whole pasted = emitter(1);
    EXPECT_NE(pasted.record.textureId, 0u) << "smoke has the Puff image";
    pasted.record.textureId = fire.record.textureId;
    EXPECT_TRUE(sameButName(pasted, fire));
    // Into an entity without the image (File New empties the image library): no image, and a note.
    frame().action(ID_FILE_NEW)->trigger();
    open(sample("sparks.zob"));
    frame().action(ID_EDIT_PASTE)->trigger();
    ASSERT_EQ(doc().lastEmitter(), 1);
    EXPECT_EQ(emitter(1).record.imageName[0], '\0');
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("\"Puff\""))) << messages[0].toStdString();
}

TEST_F(EmitterClipboardTest, TextFieldsKeepTheirOwnCopyAndPaste) {
    open(sample("sparks.zob"));
    QLineEdit* speed = control<QLineEdit>(particlesPage(), IDC_PART_SPEED);
    speed->setFocus();
    speed->selectAll();
    QApplication::clipboard()->clear();
    frame().action(ID_EDIT_COPY)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), speed->text());
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat(kEmitterMimeType));
    // Text that is no emitter pastes nothing into the entity.
    QApplication::clipboard()->setText(QStringLiteral("hello"));
    view().setFocus();
    frame().action(ID_EDIT_PASTE)->trigger();
    EXPECT_EQ(doc().lastEmitter(), 0);
    EXPECT_FALSE(frame().action(ID_EDIT_PASTE)->isEnabled());
}

}  // namespace
}  // namespace vantor::testing

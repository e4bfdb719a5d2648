// The document's parts seen from outside: the scene never leaves the
// library's cursor moved, the history records only changes that happened,
// and the selection announces each choice once.
#include <cstring>
#include <vector>

#include "editor_test.h"

namespace vantor::testing {
namespace {

class DocumentPartsTest : public EditorTest {};

TEST_F(DocumentPartsTest, ReadsAndWritesByIndexLeaveTheCursorWhereItWas) {
    open(sample("campfire.zob"));
    open(sample("fountain.zob"));
    ASSERT_EQ(doc().scene().modelCount(), 2);
    ASSERT_TRUE(doc().chooseModel(0));
    ASSERT_GE(doc().lastEmitter(), 1) << "the campfire has several emitters";
    doc().chooseEmitter(1);
    KorvidScene& scene = doc().scene();
    const auto cursor = [this] {
        view().makeCurrent();
        return std::make_pair(objGetCurrentModel(), objGetCurrentEmitter());
    };
    ASSERT_EQ(cursor(), std::make_pair(0, 1));

    // Reads of the other model and of other emitters.
    EXPECT_FALSE(scene.emitterNames(1).isEmpty());
    EXPECT_FALSE(scene.surfaceNames(1).isEmpty());
    EXPECT_GT(scene.modelInfo(1).polygonCount, 0);
    const EmitterData first = scene.emitter(0);
    EXPECT_STRNE(first.name, scene.emitter(1).name);
    scene.extras(0);
    scene.burst(0);
    EXPECT_EQ(cursor(), std::make_pair(0, 1)) << "reads put the cursor back";

    // A write to another emitter, and a refused one.
    EmitterData moved = first;
    moved.position[0] += 1;
    EXPECT_FALSE(scene.setEmitter(0, moved));
    EXPECT_FLOAT_EQ(scene.emitter(0).position[0], first.position[0] + 1);
    const Refusal refusal = scene.setEmitter(99, moved);
    EXPECT_EQ(refusal.code, Refusal::NothingToDo);
    EXPECT_EQ(cursor(), std::make_pair(0, 1)) << "writes put the cursor back";

    // Removing an emitter before the current one keeps the same emitter current.
    EmitterData current = scene.emitter(1);
    EXPECT_FALSE(scene.removeEmitter(0));
    EXPECT_EQ(cursor(), std::make_pair(0, 0));
    EXPECT_STREQ(scene.emitter(0).name, current.name);
}

TEST_F(DocumentPartsTest, TheHistoryKeepsOnlyChangesThatHappened) {
    open(sample("fountain.zob"));
    History& history = doc().history();
    ASSERT_EQ(history.stack()->count(), 0);
    doc().chooseEmitter(0);

    // The same record again changes nothing: no command, nothing announced.
    int announced = 0;
    QObject scope;
    QObject::connect(&doc(), &CVantorDoc::changed, &scope, [&announced](const DocumentChange&) { ++announced; });
    EXPECT_FALSE(doc().editEmitter(doc().emitter(), QStringLiteral("Speed")));
    EXPECT_EQ(history.stack()->count(), 0);
    EXPECT_EQ(announced, 0);

    // A shape the library refuses is no command and no announcement.
    EmitterShape shape{KORVID_SHAPE_SPHERE, {-1, 0, 0}, 0};
    const Refusal refused = doc().editShape(shape);
    EXPECT_EQ(refused.code, KORVID_FAILURE_SHAPE_REFUSED);
    EXPECT_FALSE(refused.text.isEmpty());
    EXPECT_EQ(history.stack()->count(), 0);
    EXPECT_EQ(announced, 0);

    // Commits of one control merge until the history is sealed.
    EmitterData e = doc().emitter();
    for (float speed : {0.02f, 0.03f}) {
        e.speed = speed;
        EXPECT_FALSE(doc().editEmitter(e, QStringLiteral("Speed"), 7));
    }
    EXPECT_EQ(history.stack()->count(), 1) << "two commits of one field are one step";
    history.seal();
    e.speed = 0.04f;
    doc().editEmitter(e, QStringLiteral("Speed"), 7);
    EXPECT_EQ(history.stack()->count(), 2) << "a sealed history starts a new step";
    EXPECT_TRUE(doc().isModified());

    // Undo takes both steps back to the file's speed; the command made the change in redo.
    const float opened = [this] {
        KorvidScene& scene = doc().scene();
        return scene.emitter(0).speed;
    }();
    EXPECT_FLOAT_EQ(opened, 0.04f);
    history.undo();
    history.undo();
    EXPECT_FALSE(doc().isModified());
    history.redo();
    EXPECT_FLOAT_EQ(doc().scene().emitter(0).speed, 0.03f) << "redo makes the merged change again";
}

TEST_F(DocumentPartsTest, TheSelectionAnnouncesChoicesOnceAndSurfacesAlways) {
    open(sample("campfire.zob"));
    std::vector<Selection::What> seen;
    QObject scope;
    QObject::connect(&doc().selection(), &Selection::currentChanged, &scope,
                     [&seen](Selection::What what) { seen.push_back(what); });
    doc().chooseEmitter(1);
    doc().chooseEmitter(1);
    doc().chooseSurface(0, KORVID_SELECT_NONE);
    // The same emitter twice announces once; a surface chosen again is
    // announced, so that a page that had let go of it shows it again.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Selection::What::Emitter);
    EXPECT_EQ(seen[1], Selection::What::Surface);
    EXPECT_EQ(doc().emitter().speed, doc().scene().emitter(1).speed) << "the working copy follows before the signal";
}

}  // namespace
}  // namespace vantor::testing

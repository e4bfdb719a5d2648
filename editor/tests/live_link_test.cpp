// File > Live Link: a game started beside the editor takes the scene, every
// edit and its undo as they happen; the status bar shows the address and the
// games; turning the link off tells the game.
#include <QAction>
#include <QLabel>

#include <chrono>
#include <cstring>

#include "app/live_link.h"
#include "child_lines.h"
#include "editor_test.h"
#include "resource.h"

namespace vantor::testing {
namespace {

class LiveLinkEditorTest : public EditorTest {
protected:
    // The game's next report starting with `prefix`, the editor's event loop
    // running meanwhile; "" after ten seconds.
    std::string waitFor(korvid::support::ChildLines& game, const std::string& prefix) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            std::string line;
            while (game.nextLine(line))
                if (line.rfind(prefix, 0) == 0) return line;
            pump(5);
        }
        return "";
    }
};

TEST_F(LiveLinkEditorTest, AGameTakesEveryEditAndUndoWhileTheLinkIsOn) {
    open(sample("sparks.zob"));
    pump(50);
    QAction* live = frame().action(ID_FILE_LIVE_LINK);
    ASSERT_NE(live, nullptr);
    ASSERT_TRUE(live->isCheckable());
    auto* status = frame().findChild<QLabel*>(QStringLiteral("liveLinkStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(status->isVisible());
    live->trigger();
    LiveLinkControl& link = frame().liveLink();
    ASSERT_TRUE(link.serving()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(link.address().startsWith(QStringLiteral("unix:/")));
    EXPECT_TRUE(status->isVisible());
    EXPECT_TRUE(status->text().contains(link.address()));
    EXPECT_TRUE(status->text().endsWith(QStringLiteral("0 games")));

    korvid::support::ChildLines game(KORVID_LIVE_GAME, {link.address().toStdString(), sample("fireworks.zob")});
    const std::string first = waitFor(game, "applied");
    ASSERT_FALSE(first.empty());
    const std::string name = doc().emitter().name;
    EXPECT_NE(first.find("emitters=" + name), std::string::npos) << first;
    pump(60);
    EXPECT_TRUE(status->text().endsWith(QStringLiteral("1 game"))) << status->text().toStdString();

    // An edit, then its undo and redo: each reaches the game.
    // The time from the edit to the game's report is printed, not judged.
    EmitterData e = doc().emitter();
    std::strcpy(e.name, "LiveEdit");
    const auto edited = std::chrono::steady_clock::now();
    ASSERT_FALSE(doc().editEmitter(e, QStringLiteral("Name")).refused());
    EXPECT_NE(waitFor(game, "applied").find("emitters=LiveEdit"), std::string::npos);
    std::printf("live link: an edit in the editor to the game's report in %.1f ms\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - edited).count());
    frame().action(ID_EDIT_UNDO)->trigger();
    EXPECT_NE(waitFor(game, "applied").find("emitters=" + name), std::string::npos);
    frame().action(ID_EDIT_REDO)->trigger();
    EXPECT_NE(waitFor(game, "applied").find("emitters=LiveEdit"), std::string::npos);

    // Off: the game is told the editor has gone.
    live->trigger();
    EXPECT_FALSE(link.serving());
    EXPECT_FALSE(status->isVisible());
    EXPECT_NE(waitFor(game, "refused").find("the editor closed the link"), std::string::npos);
}

}  // namespace
}  // namespace vantor::testing

// The live link between two processes: this test is the editor, a child
// process the game. The game takes the scene, its edits and new images as
// they are published, keeping its instance's place and moment; hostile
// messages, strangers and a vanished peer are refused or noticed, never hung on.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "child_lines.h"
#include "library_test.h"
#include "live_message.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

using Clock = std::chrono::steady_clock;

std::string sample(const char* name) { return std::string(KORVID_SAMPLES) + "/" + name; }

// The game, started with the address and an effect of its own; its report
// lines are read while the editor's end keeps polling.
class Game {
public:
    Game(const std::string& address, const std::string& effect) : child_(KORVID_LIVE_GAME, {address, effect}) {}
    // The next line starting with `prefix`, polling the editor's end
    // meanwhile; "" when none comes within ten seconds (a hang, not a speed).
    std::string waitFor(const std::string& prefix) {
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end) {
            objLiveLinkPoll();
            std::string line;
            while (child_.nextLine(line))
                if (line.rfind(prefix, 0) == 0) return line;
            child_.wait(1);
        }
        return "";
    }
    void kill9() { child_.kill(); }

private:
    support::ChildLines child_;
};

class LiveLinkTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        objSetFixedFrameTime(15);
        // A short path: a socket's path has room for 107 bytes.
        char folder[] = "/tmp/kvl-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);  // made with mode 700
        folder_ = folder;
    }
    void TearDown() override {
        objLiveLinkClose();
        std::filesystem::remove_all(folder_);
        objSetFixedFrameTime(-1);
        LibraryTest::TearDown();
    }
    std::string unixAddress() const { return "unix:" + (folder_ / "editor.sock").string(); }
    std::filesystem::path folder_;
};

std::string field(const std::string& line, const std::string& name) {
    const size_t at = line.find(" " + name + "=");
    if (at == std::string::npos) return "";
    const size_t from = at + name.size() + 2;
    return line.substr(from, line.find(' ', from) - from);
}

TEST_F(LiveLinkTest, AGameTakesTheSceneItsEditsAndNewImagesKeepingItsInstance) {
    ASSERT_TRUE(objLoadZOB(sample("sparks.zob").c_str())) << objGetLastError();
    ASSERT_TRUE(objLiveLinkServe(unixAddress().c_str())) << objGetLastError();
    struct stat info{};
    ASSERT_EQ(stat((folder_ / "editor.sock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "only its user may connect";
    ASSERT_TRUE(objLiveLinkPublish());

    Game game(unixAddress(), sample("fireworks.zob"));
    ASSERT_EQ(game.waitFor("connected"), "connected");
    // The scene published before the game came is its first.
    const std::string first = game.waitFor("applied");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(objLiveLinkPeers(), 1);
    EXPECT_EQ(field(first, "models"), "1");
    EXPECT_EQ(field(first, "hidden"), "1") << "the game's own choice stays";
    EmitterData e;
    objSetEmitterPtr(0);
    objGetEmitter(&e);
    EXPECT_EQ(field(first, "emitters"), std::string(e.name) + ",");
    EXPECT_EQ(field(first, "x"), "5") << "the instance keeps its place";
    EXPECT_EQ(field(first, "moment"), "900") << "and its moment";

    // An edit: the game's next poll shows it. The time from the change to
    // the game's report is printed (it is measured, not judged: machines differ).
    std::strcpy(e.name, "EditedLive");
    ASSERT_EQ(objSetEmitter(&e), 1);
    const auto changed = Clock::now();
    ASSERT_TRUE(objLiveLinkPublish());
    const std::string edited = game.waitFor("applied");
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - changed).count();
    std::printf("live link: edit to the game's report in %.2f ms\n", ms);
    EXPECT_EQ(field(edited, "emitters"), "EditedLive,");
    EXPECT_EQ(field(edited, "moment"), "900");

    // An image added in the editor arrives with its pixels.
    TextureInfo haze{};
    std::snprintf(haze.path, sizeof haze.path, "%s", sample("haze.bmp").c_str());
    std::snprintf(haze.name, sizeof haze.name, "Haze");
    haze.filter = 0;  // no filter of its own: sent as it is
    haze.alpha = 7;   // read as no alpha
    ASSERT_TRUE(objAddTexture(&haze)) << objGetLastError();
    e.particleType = KORVID_PARTICLE_POLYGONS;
    std::snprintf(e.imageName, sizeof e.imageName, "Haze");
    e.textureId = objGetTextureId("Haze");
    ASSERT_EQ(objSetEmitter(&e), 1);
    ASSERT_TRUE(objLiveLinkPublish());
    const std::string imaged = game.waitFor("applied");
    EXPECT_NE(field(imaged, "images").find("Haze,"), std::string::npos) << imaged;

    // The editor goes: the game is told, and does not hang.
    objLiveLinkClose();
    EXPECT_NE(game.waitFor("refused").find("the editor closed the link"), std::string::npos);
    EXPECT_EQ(game.waitFor("closed"), "closed");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "editor.sock")) << "the socket is removed";
}

TEST_F(LiveLinkTest, AVanishedGameAndStrangersAreLetGo) {
    ASSERT_TRUE(objLoadZOB(sample("sparks.zob").c_str()));
    ASSERT_TRUE(objLiveLinkServe("tcp:127.0.0.1:0")) << objGetLastError();
    char address[128];
    const int32_t length = objLiveLinkAddress(address, sizeof address);
    ASSERT_GT(length, 0);
    const std::string shown = address;
    ASSERT_NE(shown.find("?key="), std::string::npos);
    EXPECT_EQ(shown.size() - shown.find("?key=") - 5, 32u) << "a key of 128 random bits";
    ASSERT_TRUE(objLiveLinkPublish());
    {
        // Two games at once; one vanishes, the other plays on.
        Game game(shown, sample("fireworks.zob"));
        Game other(shown, sample("fountain.zob"));
        ASSERT_FALSE(game.waitFor("applied").empty());
        ASSERT_FALSE(other.waitFor("applied").empty());
        EXPECT_EQ(objLiveLinkPeers(), 2);
        game.kill9();
        for (int k = 0; k < 200 && objLiveLinkPeers() > 1; ++k) {
            objLiveLinkPoll();
            usleep(2000);
        }
        EXPECT_EQ(objLiveLinkPeers(), 1) << "a vanished game is let go";
        ASSERT_TRUE(objLiveLinkPublish());
        EXPECT_FALSE(other.waitFor("applied").empty()) << "the other still takes the scene";
    }
    // A game with the wrong key is let go before it is sent anything.
    std::string wrong = shown.substr(0, shown.find("?key=") + 5) + std::string(32, '0');
    Game stranger(wrong, sample("fireworks.zob"));
    EXPECT_NE(stranger.waitFor("refused").find("the editor closed the link"), std::string::npos);
    EXPECT_EQ(objLiveLinkPeers(), 0);
    // A connection that speaks otherwise is let go too.
    const int raw = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(std::stoi(shown.substr(14, shown.find('?') - 14))));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(raw, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    const char junk[] = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_GT(send(raw, junk, sizeof junk, 0), 0);
    char reply[64];
    ssize_t got = 1;
    for (int k = 0; k < 200 && got != 0; ++k) {
        objLiveLinkPoll();
        got = recv(raw, reply, sizeof reply, MSG_DONTWAIT);
        if (got < 0) usleep(2000);
    }
    EXPECT_EQ(got, 0) << "closed without a word";
    close(raw);
}

// The game's end in this process, against an editor's end written by hand
// that sends what an attacker would.
class FakeEditor {
public:
    explicit FakeEditor(const std::string& path) {
        listening_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un at{};
        at.sun_family = AF_UNIX;
        std::snprintf(at.sun_path, sizeof at.sun_path, "%s", path.c_str());
        bind(listening_, reinterpret_cast<sockaddr*>(&at), sizeof at);
        listen(listening_, 1);
    }
    ~FakeEditor() {
        if (peer_ >= 0) close(peer_);
        close(listening_);
    }
    void accept() { peer_ = ::accept(listening_, nullptr, nullptr); }
    void send(const std::string& bytes) { ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }

private:
    int listening_ = -1, peer_ = -1;
};

// Polls until something other than "nothing new" comes, or a second passes.
int32_t pollResult() {
    for (int k = 0; k < 500; ++k) {
        const int32_t r = objLiveLinkPoll();
        if (r != 0) return r;
        usleep(2000);
    }
    return 0;
}

TEST_F(LiveLinkTest, HostileMessagesAreRefusedAndTheSceneIsKept) {
    const std::string path = (folder_ / "fake.sock").string();
    FakeEditor editor(path);
    objNew();
    ASSERT_TRUE(objLoadZOB(sample("fountain.zob").c_str()));
    const KorvidInstance instance = objCreateInstance(0);
    ASSERT_GT(instance, 0);
    ASSERT_TRUE(objLiveLinkConnect(("unix:" + path).c_str())) << objGetLastError();
    editor.accept();
    editor.send(liveFrame(LiveKind::Hello, ""));
    for (int k = 0; k < 100 && objLiveLinkPeers() == 0; ++k) {
        EXPECT_EQ(objLiveLinkPoll(), 0);
        usleep(1000);
    }
    EXPECT_EQ(objLiveLinkPeers(), 1);
    EmitterData before;
    objSetEmitterPtr(0);
    objGetEmitter(&before);

    auto sceneWith = [](const std::string& zob, bool withImage) {
        LiveScene s;
        s.entities.push_back(zob);
        if (withImage) {
            LiveImage image;
            std::snprintf(image.info.name, sizeof image.info.name, "Puff");
            image.info.width = image.info.height = 2;
            image.info.filter = 2;
            image.pixels.assign(12, 200);
            s.images.push_back(image);
        }
        return liveFrame(LiveKind::Scene, encodeScene(s));
    };
    const std::string smoke = readAll(sample("smoke.zob"));
    const std::vector<std::pair<const char*, std::string>> hostile = {
        {"not a scene", liveFrame(LiveKind::Scene, "\x01\x00\x00\x00garbage")},
        {"a cut entity", sceneWith(smoke.substr(0, smoke.size() / 2), true)},
        {"an image never sent", sceneWith(smoke, false)},
        {"no models", liveFrame(LiveKind::Scene, std::string(8, '\0'))},
    };
    for (const auto& [what, bytes] : hostile) {
        editor.send(bytes);
        EXPECT_EQ(pollResult(), -1) << what;
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_LIVE_LINK) << what << ": " << objGetLastError();
        EmitterData now;
        objSetEmitterPtr(0);
        objGetEmitter(&now);
        EXPECT_STREQ(now.name, before.name) << what << ": the scene is as it was";
        EXPECT_EQ(objGetInstanceCount(), 1) << what;
        EXPECT_EQ(objLiveLinkPeers(), 1) << what << ": a refused message leaves the link open";
    }
    // A well-formed scene still applies after them, the instance kept.
    editor.send(sceneWith(smoke, true));
    EXPECT_EQ(pollResult(), 1) << objGetLastError();
    EXPECT_NE(objGetTextureId("Puff"), 0u);
    EXPECT_GT(objGetInstanceParticles(instance), -1);
    // A frame that is not the link's ends it, as an editor with a key where none belongs does.
    editor.send("HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(pollResult(), -1);
    EXPECT_EQ(objLiveLinkPeers(), 0);
    EXPECT_EQ(objLiveLinkPoll(), -1) << "closed";

    FakeEditor stranger((folder_ / "stranger.sock").string());
    ASSERT_TRUE(objLiveLinkConnect(("unix:" + (folder_ / "stranger.sock").string()).c_str()));
    stranger.accept();
    stranger.send(liveFrame(LiveKind::Hello, "0123456789abcdef0123456789abcdef"));
    stranger.send(sceneWith(smoke, true));
    EXPECT_EQ(pollResult(), -1);
    EXPECT_NE(std::string(objGetLastError()).find("did not present the link's key"), std::string::npos)
        << objGetLastError();
    EXPECT_EQ(objLiveLinkPeers(), 0);
}

TEST_F(LiveLinkTest, AddressesOtherThanLocalOnesAndOpenFoldersAreRefused) {
    ASSERT_TRUE(objAddMesh(nullptr, 0));
    for (const char* bad : {"tcp:0.0.0.0:7000", "tcp:192.168.1.2:7000?key=0123456789abcdef", "udp:127.0.0.1:7000",
                            "unix:relative.sock", "tcp:127.0.0.1:99999", "tcp:127.0.0.1:7000?key=XYZ",
                            "tcp:127.0.0.1:7000?other=1", ""}) {
        EXPECT_FALSE(objLiveLinkServe(bad)) << bad;
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_LIVE_LINK) << bad;
    }
    EXPECT_FALSE(objLiveLinkServe(nullptr));
    EXPECT_FALSE(objLiveLinkConnect("tcp:127.0.0.1:7000")) << "a game must present the key";
    const std::filesystem::path open = scratch() / "open";
    std::filesystem::create_directory(open);
    chmod(open.c_str(), 0755);
    EXPECT_FALSE(objLiveLinkServe(("unix:" + (open / "e.sock").string()).c_str()));
    EXPECT_NE(std::string(objGetLastError()).find("mode 700"), std::string::npos) << objGetLastError();
    EXPECT_FALSE(objLiveLinkPublish()) << "nothing is served";
    EXPECT_EQ(objLiveLinkPoll(), -1);
    EXPECT_EQ(objLiveLinkAddress(nullptr, 0), -1);
    // A second editor on the same socket is refused; the first keeps it.
    ASSERT_TRUE(objLiveLinkServe(unixAddress().c_str()));
    const int other = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un to{};
    to.sun_family = AF_UNIX;
    std::snprintf(to.sun_path, sizeof to.sun_path, "%s", (folder_ / "editor.sock").c_str());
    EXPECT_EQ(connect(other, reinterpret_cast<sockaddr*>(&to), sizeof to), 0) << "it is being served";
    close(other);
}

}  // namespace

// korvid-render under a caller's control and on scenes it used to lose:
// signals stop a run cleanly, a budget draws what it reached, the effect's
// framing keeps the particles in the picture, big models stay visible and an
// empty picture is reported.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "png_io.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("korvid-render-tool-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;

    static std::string sample(const char* name) { return std::string(KORVID_SAMPLES) + "/" + name; }
    // The exit status with these arguments; standard error in `err`.
    int run(const std::string& arguments, std::string* err = nullptr) const {
        const fs::path errPath = dir_ / "stderr.txt";
        const std::string command = std::string(KORVID_RENDER) + " " + arguments + " 2>" + errPath.string();
        const int status = std::system(command.c_str());
        if (err) {
            std::ifstream in(errPath);
            err->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    static korvid::support::Image picture(const fs::path& path) {
        korvid::support::Image image;
        EXPECT_TRUE(korvid::support::readPng(path.string(), image)) << path;
        return image;
    }
};

// Whether the process has its handler for `signal` installed (SigCgt in /proc).
bool catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

// Starts korvid-render, sends `signal` once it catches it, and returns its
// exit status (-1 when it is still running a minute later: it is then killed).
int statusAfterSignal(const std::vector<std::string>& arguments, int signal) {
    std::vector<char*> argv{const_cast<char*>(KORVID_RENDER)};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, KORVID_RENDER, nullptr, nullptr, argv.data(), environ) != 0) return -2;
    int status = 0;
    while (!catches(pid, signal))
        if (waitpid(pid, &status, WNOHANG) == pid) return -3;  // ended before it could be stopped
    // Some work first, so the signal meets a seek or a frame under way.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

TEST_F(RenderTool, SignalsEndARunWithoutAHalfWrittenFile) {
    const std::string fireworks = sample("fireworks.zob");
    const fs::path still = dir_ / "still.png", movie = dir_ / "movie.gif";
    // A seek that would run for hours, then an animation of many frames.
    EXPECT_EQ(statusAfterSignal({fireworks, "-o", still.string(), "--time", "2147483647"}, SIGINT), 130);
    EXPECT_FALSE(fs::exists(still));
    EXPECT_EQ(statusAfterSignal({fireworks, "-o", movie.string(), "--frames", "100000", "--size", "64x48"}, SIGTERM),
              143);
    EXPECT_FALSE(fs::exists(movie));
}

// A budget ends the seek where it got to and draws that moment.
TEST_F(RenderTool, ABudgetDrawsTheMomentItReached) {
    const fs::path out = dir_ / "budget.png";
    std::string err;
    ASSERT_EQ(run(sample("fireworks.zob") + " -o " + out.string() + " --size 80x60 --time 2147483647 --budget 300", &err),
              0)
        << err;
    EXPECT_NE(err.find("budget of 300 ms ended the seek at"), std::string::npos) << err;
    EXPECT_EQ(picture(out).width, 80);
    EXPECT_EQ(run(sample("fireworks.zob") + " -o " + out.string() + " --frames 10 --budget 300"), 2)
        << "a budget bounds --time only";
}

// Smoke at 4 s rises out of the model's framing; the effect's framing keeps
// it off the picture's top edge.
TEST_F(RenderTool, TheEffectsFramingHoldsItsParticles) {
    auto smokeAtTheTop = [](const korvid::support::Image& image) {
        int grey = 0;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < image.width; ++x) {
                const uint8_t* p = &image.rgba[size_t(y * image.width + x) * 4];
                if (p[0] > 60 && std::abs(p[0] - p[1]) < 20 && std::abs(p[1] - p[2]) < 20) ++grey;
            }
        return grey;
    };
    const fs::path model = dir_ / "model.png", effect = dir_ / "effect.png";
    ASSERT_EQ(run(sample("smoke.zob") + " -o " + model.string() + " --size 160x120 --time 4000"), 0);
    ASSERT_EQ(run(sample("smoke.zob") + " -o " + effect.string() + " --size 160x120 --time 4000 --camera effect"), 0);
    EXPECT_GT(smokeAtTheTop(picture(model)), 10) << "the model's framing cuts the smoke";
    EXPECT_EQ(smokeAtTheTop(picture(effect)), 0);
    EXPECT_EQ(run(sample("smoke.zob") + " -o " + effect.string() + " --camera effect --camera 0,0,-5,0,0,0"), 2);
}

// A cube of 300 units lies past the usual far plane; it is drawn with planes
// that hold it, or scaled on import. An empty picture is written with a warning.
TEST_F(RenderTool, BigModelsShowAndEmptyPicturesAreReported) {
    const fs::path raw = dir_ / "big.raw";
    {
        std::ofstream out(raw);
        out << "Cube\n";
        const float s = 150;
        const float quads[6][4][3] = {{{-s, -s, s}, {s, -s, s}, {s, s, s}, {-s, s, s}},
                                      {{-s, -s, -s}, {-s, s, -s}, {s, s, -s}, {s, -s, -s}},
                                      {{-s, s, -s}, {-s, s, s}, {s, s, s}, {s, s, -s}},
                                      {{-s, -s, -s}, {s, -s, -s}, {s, -s, s}, {-s, -s, s}},
                                      {{s, -s, -s}, {s, s, -s}, {s, s, s}, {s, -s, s}},
                                      {{-s, -s, -s}, {-s, -s, s}, {-s, s, s}, {-s, s, -s}}};
        for (const auto& q : quads) {
            const int order[6] = {0, 1, 2, 0, 2, 3};
            for (int t = 0; t < 2; ++t) {
                for (int k = 0; k < 3; ++k)
                    out << q[order[3 * t + k]][0] << " " << q[order[3 * t + k]][1] << " " << q[order[3 * t + k]][2] << " ";
                out << "\n";
            }
        }
    }
    auto lit = [](const korvid::support::Image& image) {
        int n = 0;
        for (size_t i = 0; i < image.rgba.size(); i += 4) n += image.rgba[i] + image.rgba[i + 1] + image.rgba[i + 2] > 30;
        return n;
    };
    const fs::path out = dir_ / "big.png";
    std::string err;
    ASSERT_EQ(run(raw.string() + " -o " + out.string() + " --size 80x60 --no-grid", &err), 0) << err;
    EXPECT_GT(lit(picture(out)), 80 * 60 / 10) << "the cube fills much of the picture";
    EXPECT_EQ(err.find("empty"), std::string::npos) << err;
    ASSERT_EQ(run(raw.string() + " -o " + out.string() + " --size 80x60 --no-grid --scale-to 2", &err), 0) << err;
    EXPECT_GT(lit(picture(out)), 80 * 60 / 10);

    // The camera past the model, looking away from it.
    ASSERT_EQ(run(raw.string() + " -o " + out.string() + " --size 80x60 --no-grid --camera 0,0,500,0,0,0", &err), 0);
    EXPECT_EQ(lit(picture(out)), 0);
    EXPECT_NE(err.find("warning: the picture is empty"), std::string::npos) << err;

    // No corner finite on every axis: nothing to frame, refused.
    const fs::path slab = dir_ / "slab.obj";
    std::ofstream(slab) << "v inf 0 0\nv -inf 1 0\nv inf 0 1\nf 1 2 3\n";
    EXPECT_EQ(run(slab.string() + " -o " + out.string() + " --size 80x60", &err), 1);
    EXPECT_NE(err.find("nothing to frame"), std::string::npos) << err;
}

// A thumbnailer's memory bound refuses a file whose pools need more.
TEST_F(RenderTool, AMemoryBoundRefusesABigPool) {
    std::ifstream in(sample("fireworks.zob"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = text.find("4000 //Total Particles");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 4, "100000");  // about 18 MB of pool
    const fs::path zob = dir_ / "pool.zob", out = dir_ / "p.png";
    std::ofstream(zob) << text;
    std::string err;
    EXPECT_EQ(run(zob.string() + " -o " + out.string() + " --size 40x30 --time 100 --memory 8", &err), 1);
    EXPECT_NE(err.find("8 MiB a load may take"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(run(zob.string() + " -o " + out.string() + " --size 40x30 --time 100 --memory 64", &err), 0) << err;
}

}  // namespace

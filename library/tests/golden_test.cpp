// Golden pictures: every sample rendered by korvid-render must match its
// baseline within a small per-pixel tolerance. A missing or differing
// baseline leaves the actual picture in the build folder; scripts/update-golden
// writes new baselines on purpose.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <iterator>
#include <filesystem>
#include <string>
#include <vector>

#include "png_io.h"

namespace {

constexpr const char* kArguments = " --size 240x180 --frames 90 --frame-ms 15 --seed 7";
constexpr int kChannelTolerance = 16;
constexpr double kPixelShare = 0.01;  // of the pixels may differ by more (other CPUs round a little differently)

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, MatchesItsBaseline) {
    const std::string name = GetParam();
    std::filesystem::create_directories(KORVID_GOLDEN_ACTUAL);
    const std::string actual = std::string(KORVID_GOLDEN_ACTUAL) + "/" + name + ".png";
    const std::string command = std::string(KORVID_RENDER) + " " + KORVID_SAMPLES + "/" + name + ".zob -o " +
                                actual + kArguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    korvid::support::Image want, got;
    std::string error;
    ASSERT_TRUE(korvid::support::readPng(actual, got, &error)) << error;
    const std::string baseline = std::string(KORVID_GOLDEN) + "/" + name + ".png";
    ASSERT_TRUE(korvid::support::readPng(baseline, want, &error))
        << "no baseline " << baseline << " (" << error << "); the actual picture is " << actual;
    ASSERT_EQ(want.width, got.width);
    ASSERT_EQ(want.height, got.height);
    size_t differing = 0;
    int worst = 0;
    for (size_t i = 0; i < want.rgba.size(); i += 4) {
        int largest = 0;
        for (int c = 0; c < 4; ++c) largest = std::max(largest, std::abs(int(want.rgba[i + c]) - int(got.rgba[i + c])));
        worst = std::max(worst, largest);
        if (largest > kChannelTolerance) ++differing;
    }
    const size_t pixels = want.rgba.size() / 4;
    EXPECT_LE(double(differing), kPixelShare * double(pixels))
        << differing << " of " << pixels << " pixels differ (largest channel difference " << worst
        << "); compare " << actual << " with " << baseline;
}

// A mesh read through Assimp draws exactly as the same triangles in a RAW file.
TEST(Import, ObjDrawsAsTheSameTrianglesFromRaw) {
    const auto dir = std::filesystem::temp_directory_path() / ("korvid-import-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const char* quads[2][4] = {{"-1.5 0 0", "-0.5 0 0", "-0.5 1 0", "-1.5 1 0.5"},
                               {"0.5 0 0", "1.5 0 0", "1.5 1 -0.5", "0.5 1 0"}};
    std::string obj, raw;
    int base = 1;
    for (int q = 0; q < 2; ++q) {
        obj += std::string("o Part") + char('A' + q) + "\n";
        raw += std::string("Part") + char('A' + q) + "\n";
        for (const char* v : quads[q]) obj += std::string("v ") + v + "\n";
        obj += "f " + std::to_string(base) + " " + std::to_string(base + 1) + " " + std::to_string(base + 2) + "\n";
        obj += "f " + std::to_string(base) + " " + std::to_string(base + 2) + " " + std::to_string(base + 3) + "\n";
        raw += std::string(quads[q][0]) + " " + quads[q][1] + " " + quads[q][2] + "\n";
        raw += std::string(quads[q][0]) + " " + quads[q][2] + " " + quads[q][3] + "\n";
        base += 4;
    }
    std::ofstream(dir / "parts.obj") << obj;
    std::ofstream(dir / "parts.raw") << raw;
    std::ofstream(dir / "broken.obj") << "this is not a model\n";
    const auto render = [&](const char* in, const char* out) {
        const std::string command = std::string(KORVID_RENDER) + " " + (dir / in).string() + " -o " +
                                    (dir / out).string() + " --size 160x120 --frames 1 2>" + (dir / "err.txt").string();
        return std::system(command.c_str());
    };
    ASSERT_EQ(render("parts.raw", "raw.png"), 0);
    ASSERT_EQ(render("parts.obj", "obj.png"), 0);
    korvid::support::Image fromRaw, fromObj;
    std::string error;
    ASSERT_TRUE(korvid::support::readPng((dir / "raw.png").string(), fromRaw, &error)) << error;
    ASSERT_TRUE(korvid::support::readPng((dir / "obj.png").string(), fromObj, &error)) << error;
    EXPECT_EQ(fromRaw.rgba, fromObj.rgba);
    EXPECT_NE(render("broken.obj", "broken.png"), 0) << "a file Assimp cannot read fails with its message";
    const std::string lantern = std::string(KORVID_RENDER) + " " + KORVID_SAMPLES + "/lantern.obj -o " +
                                (dir / "lantern.png").string() + " --size 160x120 --frames 1";
    EXPECT_EQ(std::system(lantern.c_str()), 0) << "the OBJ sample imports";
    std::ifstream err(dir / "err.txt");
    const std::string message((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    EXPECT_NE(message.find("broken.obj"), std::string::npos) << message;
    std::filesystem::remove_all(dir);
}

// The exit status of korvid-render with these arguments (stderr to `err` when given).
int renderStatus(const std::string& arguments, const std::filesystem::path& err = {}) {
    std::string command = std::string(KORVID_RENDER) + " " + arguments;
    command += err.empty() ? " 2>/dev/null" : " 2>" + err.string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Command lines whose sizes overflow or pass the limits are refused with
// status 2 before anything is allocated; files with nothing to draw, and
// folders, with status 1 and a message.
TEST(CommandLine, SizesAreCheckedAndNothingToDrawIsAnError) {
    const auto dir = std::filesystem::temp_directory_path() / ("korvid-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string sample = std::string(KORVID_SAMPLES) + "/fireworks.zob -o " + (dir / "out.png").string();
    for (const char* wrong : {" --sheet 65536x65536", " --sheet 4x1073741825 --size 8x8",
                              " --sheet 2x2 --frames 1500000000", " --sheet 20x20 --size 8192x8192",
                              " --size 8193x10", " --size 0x10", " --size 10x", " --frames 12abc",
                              " --frames 99999999999999999999", " --seed -1", " --frame-ms 4294967296",
                              " --camera 1,2,3,4,5", " --camera 1,2,3,4,5,inf", " --time -1",
                              " --time 2147483648", " --time 500 --sheet 2x2", " --time 500 --stats"})
        EXPECT_EQ(renderStatus(sample + wrong), 2) << wrong;
    // Flipbooks keep to a sheet's limits, frame times to the longest effect
    // time, and --warmup goes with flipbooks only.
    const std::string frames = std::string(KORVID_SAMPLES) + "/fireworks.zob -o " + (dir / "f_{frame}.png").string();
    const std::string movie = std::string(KORVID_SAMPLES) + "/fireworks.zob -o " + (dir / "m.gif").string();
    for (const std::string& wrong :
         {sample + " --flipbook 20x20 --size 1024x1024", sample + " --flipbook 2x2 --range 2147483000-2147483647 --warmup 1000",
 frames + " --frames 2147483-2147484 --frame-ms 1000",
          frames + " --frames 1-2 --warmup 100", movie + " --frames 3 --warmup 100"})
        EXPECT_EQ(renderStatus(wrong), 2) << wrong;
    EXPECT_FALSE(std::filesystem::exists(dir / "f_2147484.png"));
    // The writer follows the name: one format is never written under another's name.
    const std::string fireworks = std::string(KORVID_SAMPLES) + "/fireworks.zob -o ";
    for (const std::string& wrong :
         {fireworks + (dir / "x.bmp").string(), fireworks + (dir / "sheet.json").string() + " --flipbook 2x2",
          fireworks + (dir / "fb.mp4").string() + " --flipbook 2x2", fireworks + (dir / "y_{frame}.gif").string(),
          fireworks + (dir / "z.webp").string() + " --time 500"}) {
        const auto said = dir / "said.txt";
        EXPECT_EQ(renderStatus(wrong, said), 2) << wrong;
        std::ifstream in(said);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("-o OUT.png"), std::string::npos) << "the message says which outputs go with what: " << text;
    }
    for (const char* never : {"x.bmp", "sheet.json", "fb.mp4", "z.webp"}) EXPECT_FALSE(std::filesystem::exists(dir / never));
    EXPECT_EQ(renderStatus(fireworks + (dir / "thumbnail").string() + " --time 100 --size 16x16"), 0) << "no extension: PNG";
    EXPECT_EQ(renderStatus(sample + " --sheet 2x2 --size 16x16 --frames 8"), 0);
    EXPECT_EQ(renderStatus(sample + " --time 1000 --size 16x16"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "never.png"));

    std::ofstream(dir / "empty.raw").close();
    std::filesystem::create_directories(dir / "x.obj");
    const auto err = dir / "err.txt";
    EXPECT_EQ(renderStatus((dir / "empty.raw").string() + " -o " + (dir / "e.png").string(), err), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "e.png")) << "no blank picture";
    EXPECT_EQ(renderStatus((dir / "x.obj").string() + " -o " + (dir / "x.png").string(), err), 1);
    std::ifstream in(err);
    const std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(message.find("x.obj: this is a folder"), std::string::npos) << message;
    std::filesystem::remove_all(dir);
}

// A file whose content says ZOB is read as a ZOB file whatever its name:
// without an extension (a thumbnailer's copy) or under a mesh format's.
TEST(CommandLine, ContentThatSaysZobIsReadAsZob) {
    const auto dir = std::filesystem::temp_directory_path() / ("korvid-zob-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* name : {"fountain", "fountain.obj", "fountain.stl"}) {
        std::filesystem::copy_file(std::string(KORVID_SAMPLES) + "/fountain.zob", dir / name,
                                   std::filesystem::copy_options::overwrite_existing);
        const auto out = dir / "out.png";
        std::filesystem::remove(out);
        const auto said = dir / "said.txt";
        EXPECT_EQ(renderStatus((dir / name).string() + " -o " + out.string() + " --size 32x24 --time 500", said), 0)
            << name;
        EXPECT_TRUE(std::filesystem::exists(out)) << name;
    }
    std::filesystem::remove_all(dir);
}

// A single picture with --transparent has alpha: the background is clear
// and the particles cover, for a moment (--time) and after frames (--frames).
TEST(CommandLine, ASinglePictureCanBeTransparent) {
    const auto dir = std::filesystem::temp_directory_path() / ("korvid-alpha-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* when : {" --time 1500", " --frames 100"}) {
        const auto out = dir / "alpha.png";
        const std::string command = std::string(KORVID_RENDER) + " " + KORVID_SAMPLES + "/fountain.zob -o " +
                                    out.string() + " --size 96x72 --no-grid --no-model --transparent" + when;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        korvid::support::Image got;
        std::string error;
        ASSERT_TRUE(korvid::support::readPng(out.string(), got, &error)) << error;
        size_t clear = 0, covered = 0;
        for (size_t i = 3; i < got.rgba.size(); i += 4) {
            clear += got.rgba[i] == 0;
            covered += got.rgba[i] > 128;
        }
        const size_t pixels = got.rgba.size() / 4;
        EXPECT_GT(clear, pixels / 2) << when << ": the background is transparent";
        EXPECT_GT(covered, 0u) << when << ": the particles cover";
        EXPECT_EQ(got.rgba[3], 0) << when << ": the corner";
    }
    std::filesystem::remove_all(dir);
}

// A model with an infinite coordinate is framed by its finite ones: the
// picture shows the model, not a black frame.
TEST(CommandLine, AnInfiniteVertexStillDrawsTheModel) {
    const auto dir = std::filesystem::temp_directory_path() / ("korvid-inf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "inf.obj") << "v 1e39 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nf 1 2 3\nf 2 3 4\n";
    ASSERT_EQ(renderStatus((dir / "inf.obj").string() + " -o " + (dir / "inf.png").string() + " --size 80x60 --frames 1"), 0);
    korvid::support::Image picture;
    std::string error;
    ASSERT_TRUE(korvid::support::readPng((dir / "inf.png").string(), picture, &error)) << error;
    size_t grey = 0;  // lit model pixels: red, green and blue alike and bright
    for (size_t i = 0; i < picture.rgba.size(); i += 4)
        if (picture.rgba[i] > 60 && picture.rgba[i] == picture.rgba[i + 1] && picture.rgba[i] == picture.rgba[i + 2]) ++grey;
    EXPECT_GT(grey, 200u);
    std::filesystem::remove_all(dir);
}

// The samples with baselines, from the list scripts/update-golden reads too.
std::vector<std::string> goldenSamples() {
    std::vector<std::string> names;
    std::ifstream list(std::string(KORVID_GOLDEN) + "/samples.txt");
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line[0] != '#') names.push_back(line);
    return names;
}

TEST(GoldenList, NamesEverySampleOnce) {
    const std::vector<std::string> names = goldenSamples();
    EXPECT_GE(names.size(), 7u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (const std::string& name : names)
        EXPECT_TRUE(std::filesystem::exists(std::string(KORVID_SAMPLES) + "/" + name + ".zob")) << name;
}

INSTANTIATE_TEST_SUITE_P(Samples, Golden, ::testing::ValuesIn(goldenSamples()));

// A frame is computed by seeking to its time, so it is byte-identical whether
// it was rendered in one long run or in chunks by separate processes, as a
// render farm runs them. The flipbook is written with its description.
TEST(CommandLine, ChunksOfAFrameListGiveTheSameFrames) {
    const auto dir = std::filesystem::temp_directory_path() / ("korvid-chunks-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "whole");
    std::filesystem::create_directories(dir / "chunks");
    const std::string sample = std::string(KORVID_SAMPLES) + "/fireworks.zob --size 96x72 --seed 3 ";
    ASSERT_EQ(renderStatus(sample + "--frames 1-20 -o " + (dir / "whole" / "f_{frame:03}.png").string()), 0);
    ASSERT_EQ(renderStatus(sample + "--frames 11-20 -o " + (dir / "chunks" / "f_{frame:03}.png").string()), 0);
    ASSERT_EQ(renderStatus(sample + "--frames 1-10 -o " + (dir / "chunks" / "f_{frame:03}.png").string()), 0);
    auto bytes = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    std::set<std::string> distinct;
    for (int f = 1; f <= 20; ++f) {
        char name[16];
        std::snprintf(name, sizeof name, "f_%03d.png", f);
        const std::string whole = bytes(dir / "whole" / name);
        ASSERT_FALSE(whole.empty()) << name;
        EXPECT_EQ(whole, bytes(dir / "chunks" / name)) << name;
        distinct.insert(whole);
    }
    EXPECT_GT(distinct.size(), 10u) << "the frames show different moments";

    ASSERT_EQ(renderStatus(sample + "--flipbook 4x2 --range 0-1200 --no-grid -o " + (dir / "sheet.png").string()), 0);
    korvid::support::Image sheet;
    ASSERT_TRUE(korvid::support::readPng((dir / "sheet.png").string(), sheet));
    EXPECT_EQ(sheet.width, 96 * 4);
    EXPECT_EQ(sheet.height, 72 * 2);
    const std::string json = bytes(dir / "sheet.json");
    EXPECT_NE(json.find("\"frameCount\": 8"), std::string::npos) << json;
    EXPECT_NE(json.find("\"timeMs\": 1050"), std::string::npos) << "the last of eight moments over 1.2 s";
    EXPECT_NE(json.find("\"w\": 96, \"h\": 72, \"timeMs\": 150, \"durationMs\": 150}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"loop\": true"), std::string::npos);
    EXPECT_NE(json.find("\"pivot\": ["), std::string::npos) << "where the emitter sits in a frame";
    bool transparent = false;
    for (size_t i = 3; i < sheet.rgba.size(); i += 4) transparent = transparent || sheet.rgba[i] == 0;
    EXPECT_TRUE(transparent) << "a flipbook has alpha";
    std::filesystem::remove_all(dir);
}

// Smoke baked with a transparent background stays light to its edges: its
// straight colour is never dark where it covers anything, so over a game's
// background it reads as smoke, not soot.
TEST(SampleLook, TransparentSmokeHasNoDarkRims) {
    for (const char* name : {"smoke", "campfire"}) {
        std::filesystem::create_directories(KORVID_GOLDEN_ACTUAL);
        const std::string actual = std::string(KORVID_GOLDEN_ACTUAL) + "/" + name + "-transparent.png";
        const std::string command = std::string(KORVID_RENDER) + " " + KORVID_SAMPLES + "/" + name + ".zob -o " +
                                    actual + " --size 160x160 --flipbook 3x1 --range 1500-4500 --no-grid --no-model" +
                                    " --transparent --camera 0,-2,-8,0,0,0 --seed 7";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        korvid::support::Image got;
        std::string error;
        ASSERT_TRUE(korvid::support::readPng(actual, got, &error)) << error;
        size_t covered = 0, dark = 0;
        for (size_t i = 0; i + 3 < got.rgba.size(); i += 4) {
            const uint8_t* p = &got.rgba[i];
            if (p[3] < 8) continue;
            ++covered;
            // Soot is a dark grey; dying flames may be dark, but they are red.
            const int high = std::max({p[0], p[1], p[2]}), low = std::min({p[0], p[1], p[2]});
            if (high < 90 && high - low < 30) ++dark;
        }
        EXPECT_GT(covered, 500u) << name << ": the effect is in the picture";
        EXPECT_LE(double(dark), 0.01 * double(covered)) << name << ": dark rims in " << actual;
    }
}

}  // namespace

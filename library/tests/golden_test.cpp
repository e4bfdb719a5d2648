// Golden pictures: every sample rendered by korvid-render must match its
// baseline within a small per-pixel tolerance. A missing or differing
// baseline leaves the actual picture in the build folder; scripts/update-golden
// writes new baselines on purpose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "png_io.h"

namespace {

constexpr const char* kArguments = " --size 240x180 --frames 90 --frame-ms 15 --seed 7";
constexpr int kChannelTolerance = 16;
constexpr double kPixelShare = 0.01;  // of the pixels may differ by more (other CPUs round a little differently)

class Golden : public ::testing::TestWithParam<const char*> {};

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
        for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(int(want.rgba[i + c]) - int(got.rgba[i + c])));
        worst = std::max(worst, largest);
        if (largest > kChannelTolerance) ++differing;
    }
    const size_t pixels = want.rgba.size() / 4;
    EXPECT_LE(double(differing), kPixelShare * double(pixels))
        << differing << " of " << pixels << " pixels differ (largest channel difference " << worst
        << "); compare " << actual << " with " << baseline;
}

INSTANTIATE_TEST_SUITE_P(Samples, Golden,
                         ::testing::Values("showcase", "fountain", "sparks", "fireworks", "smoke"));

}  // namespace

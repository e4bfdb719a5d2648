// Shared fixture: one headless context per test process, and a freshly
// started library for every test.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "gl_context.h"
#include "korvid.h"

namespace korvid::testing {

using namespace korvid::support;

constexpr int kWidth = 200;
constexpr int kHeight = 150;

HeadlessContext& sharedContext();

// The whole content of a file ("" when it cannot be read).
std::string readAll(const std::string& path);

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A scratch folder for this test's files.
    std::filesystem::path scratch() const { return dir_; }
    std::string writeFile(const std::string& name, const std::string& content) const;

    // Puts the image `name` on the first texture unit of surface `index`.
    static void textureSurface(int32_t index, const char* name);
    // Renders a frame with the camera pulled back along z.
    void render(float tz = -5.0f, float rx = 0, float ry = 0, float rz = 0);

private:
    std::filesystem::path dir_;
};

}  // namespace korvid::testing

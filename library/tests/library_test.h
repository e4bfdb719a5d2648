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

// A model of its own with one emitter that gives a single still, long-lived
// particle of `type` at the origin, made current; `configure` adjusts the
// record before it is added.
template <typename Fn>
void addStillEmitter(int32_t type, Fn configure) {
    ASSERT_TRUE(objAddMesh(nullptr, 0)) << objGetLastError();
    EmitterData e;
    objInitEmitter(&e);
    e.particleType = type;
    e.totalParticles = 1;
    e.emitterPerCycle = 1;
    e.emitterTime = 100000;
    e.lifespanTime = 1;
    e.life = 100000;
    e.speed = 0;
    e.speedVar = e.yawVar = e.pitchVar = 0;
    e.force[0] = e.force[1] = e.force[2] = 0;
    e.isReflected = 0;
    configure(e);
    ASSERT_EQ(objAddEmitter(&e), 1);
    ASSERT_EQ(objSetEmitterPtr(0), 1);
}

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

// Korvid started without OpenGL, in a process that never makes a context:
// effects load, play, seek, save and hand over their vertices and their
// images' pixels; drawing refuses instead of touching OpenGL.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "korvid.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const CameraData kCamera{0, -1, -8, 15, 20, 0};

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(objStartHeadless());
        objSetFixedFrameTime(15);
    }
};

TEST_F(HeadlessTest, EffectsPlayAndHandOverVerticesAndPixels) {
    const std::string text = readFile(std::string(KORVID_SAMPLES) + "/flipbook_fire.zob");
    ASSERT_FALSE(text.empty());
    ASSERT_TRUE(objLoadZOBFromMemory(text.data(), int64_t(text.size()), KORVID_SAMPLES)) << objGetLastError();
    // Images are numbered, not uploaded, and keep their pixels for the host.
    ASSERT_GT(objGetTextureCnt(), 0);
    std::vector<uint32_t> ids;
    for (int32_t k = 0; k < objGetTextureCnt(); ++k) {
        TextureInfo info;
        ASSERT_TRUE(objGetTexture2(&info, k));
        EXPECT_NE(info.textureId, 0u);
        for (uint32_t id : ids) EXPECT_NE(id, info.textureId);
        ids.push_back(info.textureId);
        ASSERT_NE(info.pixels, nullptr);
        EXPECT_GT(info.width, 0);
    }
    const KorvidInstance instance = objCreateInstance(0);
    ASSERT_GT(instance, 0) << objGetLastError();
    EXPECT_EQ(objAdvance(1500), 100);
    EXPECT_GT(objGetInstanceParticles(instance), 0);
    const int32_t count = objGetParticleVertices(-1, &kCamera, nullptr, 0);
    ASSERT_GT(count, 0);
    std::vector<ParticleVertex> vertices(static_cast<size_t>(count));
    EXPECT_EQ(objGetParticleVertices(-1, &kCamera, vertices.data(), count), count);
    ParticleDrawHint hint;
    ASSERT_TRUE(objGetParticleDrawHint(0, &hint));
    EXPECT_TRUE(hint.textured);
    EXPECT_EQ(objGetTextureId(hint.textureName), hint.textureId);

    // Drawing refuses, or does nothing, without touching OpenGL.
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_FALSE(objRenderScene(identity, identity, 0));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_GAME_REFUSED);
    objRender(&kCamera);
    objResizeWin(320, 200);
    objZoomWin(60);
    EXPECT_TRUE(objSetClipPlanes(0.5f, 50));
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    objSetClearColor(grey);
    objSetGlobalAmb(grey);
    objActivateLight(true, 2);
    objSetAntiAliasPolys(true);
    EXPECT_FALSE(objTestGlError());

    // Seeks replay it, and a save writes it.
    objSeedRandom(7);
    ASSERT_EQ(objSeekSimulation(900), 900);
    const int64_t live = objGetSceneLiveParticles();
    objSeedRandom(7);
    ASSERT_EQ(objSeekSimulation(900), 900);
    EXPECT_EQ(objGetSceneLiveParticles(), live);
    const std::string saved = (std::filesystem::temp_directory_path() / "korvid-headless-save.zob").string();
    EXPECT_TRUE(objSaveZOB(saved.c_str())) << objGetLastError();
    EXPECT_FALSE(readFile(saved).empty());
    std::filesystem::remove(saved);
    // objNew and images deleted let go of nothing OpenGL holds.
    objNew();
    EXPECT_EQ(objGetTextureCnt(), 0);
}

}  // namespace

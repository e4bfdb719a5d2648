// The library context, the model store and the small switches.
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "library_test.h"
#include "model.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class ModelStoreTest : public LibraryTest {
protected:
    std::string triangle(const char* name, float x) {
        char text[200];
        std::snprintf(text, sizeof text, "%s\n%g 0 0  %g 0 0  %g 2 0\n", name, x, x + 1, x);
        return writeFile(std::string(name) + ".raw", text);
    }
};

TEST_F(ModelStoreTest, StartsWithNoErrorsAndNoModel) {
    EXPECT_STREQ(objGetLastError(), "No Errors");
    ModelInfo info;
    std::memset(&info, 0x5a, sizeof info);
    ModelInfo before = info;
    objGetModelData(&info);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0) << "untouched without a current model";
    EXPECT_FALSE(objSetCurrentModel(0));
}

TEST_F(ModelStoreTest, SelectingModelsClampsToTheList) {
    ASSERT_TRUE(objLoadRaw(triangle("A1", 0).c_str()));
    ASSERT_TRUE(objLoadRaw(triangle("B2", 10).c_str()));
    ASSERT_TRUE(objLoadRaw(triangle("C3", 20).c_str()));
    ModelInfo info{};
    EXPECT_TRUE(objSetCurrentModel(5));
    objGetModelData(&info);
    EXPECT_FLOAT_EQ(info.minX, 20);
    EXPECT_TRUE(objSetCurrentModel(-1));
    objGetModelData(&info);
    EXPECT_FLOAT_EQ(info.minX, 0);
    EXPECT_TRUE(objSetCurrentModel(1));
    objGetModelData(&info);
    EXPECT_FLOAT_EQ(info.minX, 10);
}

TEST_F(ModelStoreTest, ModelDataReportsOutlineExtents) {
    ASSERT_TRUE(objLoadRaw(writeFile("t.raw", "Tri\n0 0 0 1 0 0 0 2 0\n").c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.polygonCount, 1);
    EXPECT_EQ(info.surfaceCount, 1);
    EXPECT_EQ(info.emitterCount, 0);
    EXPECT_FLOAT_EQ(info.maxX, 1);
    EXPECT_FLOAT_EQ(info.maxY, 2);
    EXPECT_FLOAT_EQ(info.maxZ, 0);
    EXPECT_FLOAT_EQ(info.minX, 0);
    EXPECT_FLOAT_EQ(info.minY, 0);
    EXPECT_FLOAT_EQ(info.minZ, 0);
}

TEST_F(ModelStoreTest, FirstVertexHoldingTheMinimumStillCounts) {
    ASSERT_TRUE(objLoadRaw(writeFile("t.raw", "Tri\n-3 -1 -2 1 0 0 0 2 0\n").c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_FLOAT_EQ(info.minX, -3);
    EXPECT_FLOAT_EQ(info.minY, -1);
    EXPECT_FLOAT_EQ(info.minZ, -2);
}

TEST(BoxOutline, PointsFollowTheFaceOrder) {
    const float v[6] = {-1, -2, -3, 4, 5, 6};
    BoxOutline o;
    buildOutline(v, 6, o);
    auto at = [&](int p) { return std::array<float, 3>{o[3 * p], o[3 * p + 1], o[3 * p + 2]}; };
    using P = std::array<float, 3>;
    EXPECT_EQ(at(0), (P{-1, 5, 6}));
    EXPECT_EQ(at(1), (P{-1, -2, 6}));
    EXPECT_EQ(at(2), (P{4, -2, 6}));
    EXPECT_EQ(at(4), (P{4, 5, 6}));
    EXPECT_EQ(at(6), (P{4, -2, -3}));
    EXPECT_EQ(at(8), (P{4, 5, -3}));
    EXPECT_EQ(at(12), (P{-1, 5, -3}));
    EXPECT_EQ(at(14), (P{-1, -2, 6}));
    EXPECT_EQ(at(16), (P{-1, 5, 6}));
    EXPECT_EQ(at(18), (P{4, 5, -3}));
    EXPECT_EQ(at(20), (P{-1, -2, -3}));
    EXPECT_EQ(at(22), (P{4, -2, 6}));
    // With no vertices the box is inverted.
    buildOutline(nullptr, 0, o);
    EXPECT_EQ(at(0), (P{99999.0f, -99999.0f, -99999.0f}));
}

TEST_F(ModelStoreTest, SwitchesAndErrors) {
    EXPECT_EQ(objOnGrid(), 0);
    EXPECT_EQ(objOnGrid(), 1);
    EXPECT_FALSE(objTestGlError());
    EXPECT_STREQ(objGetLastError(), "No Errors");
    glEnable(0xFFFF);  // an invalid enumerant
    EXPECT_TRUE(objTestGlError());
    EXPECT_STREQ(objGetLastError(), "OpenGL Error: invalid enumerant");
    objClearLastError();
    EXPECT_STREQ(objGetLastError(), "No Errors");

    objSetAntiAliasPolys(true);
    EXPECT_TRUE(glIsEnabled(GL_POLYGON_SMOOTH));
    objSetAntiAliasPolys(false);
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_SMOOTH));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    objSetAntiAliasLines(false);
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    objSetAntiAliasPoints(false);
    EXPECT_FALSE(glIsEnabled(GL_POINT_SMOOTH));
}

TEST_F(ModelStoreTest, NewKeepsSwitchesAndDropsModelsImagesEmitters) {
    ASSERT_TRUE(objLoadRaw(triangle("A1", 0).c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    EmitterData e;
    objInitEmitter(&e);
    EXPECT_EQ(objAddEmitter(&e), 1);
    objOnGrid();
    objSetBBox(0);
    const float clear[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    objSetClearColor(clear);
    LightData light;
    objGetLight(&light, 0);
    light.on = false;
    objSetLight(&light, 0);
    objActivateLight(true, 4);

    objNew();
    EXPECT_FALSE(objSetCurrentModel(0));
    EXPECT_EQ(objGetTextureCnt(), 0);
    float color[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, color);
    EXPECT_FLOAT_EQ(color[1], 0.5f);
    EXPECT_EQ(objOnGrid(), 1) << "the grid was off before objNew";
    objGetLight(&light, 0);
    EXPECT_TRUE(light.on);
    objGetLight(&light, 4);
    EXPECT_FALSE(light.on);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT5));
}

TEST_F(ModelStoreTest, ModelPositionMovesOnlyTheCurrentModel) {
    const float where[3] = {1, 2, 3};
    objSetModelPosition(where);  // no model: nothing happens
    ASSERT_TRUE(objLoadRaw(triangle("A1", 0).c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    objSetModelPosition(where);
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_FLOAT_EQ(info.minX, 0) << "extents are raw vertex coordinates";
}

TEST(Exports, OnlyObjFunctionsLeaveTheSharedLibrary) {
    const std::string command = std::string("nm -D --defined-only ") + KORVID_SO;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512];
    std::set<std::string> names;
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) names.insert(name);
    }
    pclose(pipe);
    EXPECT_EQ(names.size(), 50u + 84u) << "every export of korvid.h (50 and 84 extensions), nothing else";
    for (const std::string& name : names) EXPECT_EQ(name.rfind("obj", 0), 0u) << name;
    for (const char* expected : {"objNew", "objRender", "objLoadZOB", "objSaveZOB", "objLoadRaw", "objSetBurst",
                                 "objAddTexture", "objSetGlobalAmb", "objGeoRotate", "objSetSmoothSurface",
                                 "objPauseSimulation", "objIsSimulationPaused", "objSetSimulationSpeed",
                                 "objGetSimulationSpeed", "objStepSimulation", "objRestartEmitters",
                                 "objRemoveEmitter", "objGetLiveParticles", "objGetBurstsFired",
                                 "objSetFixedFrameTime", "objSeedRandom", "objAddMesh", "objInsertEmitter",
                                 "objGetSurfaceArrays", "objSetSurfaceArrays", "objGetSurfaceArraysSized", "objMakeName",
                                 "objGetSceneLiveParticles", "objGetSceneBurstsFired", "objResumeClock",
                                 "objGetFrameDelta", "objGetLastFailure", "objSeekSimulation",
                                 "objGetSimulationTime", "objSetSnapshotBudget", "objShowModels",
                                 "objSetEmitterCurve", "objGetEmitterCurve",
                                 "objSetEmitterShape", "objGetEmitterShape"})
        EXPECT_EQ(names.count(expected), 1u) << expected;
}

}  // namespace

extern "C" int korvidHeaderFromC(void);

TEST(Header, IsUsableFromC) { EXPECT_EQ(korvidHeaderFromC(), static_cast<int>(sizeof(BurstData)) + 1); }

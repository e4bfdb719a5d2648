// Putting state back exactly: a surface's vertex data after geometry
// operations and smoothing, and an emitter inserted where it was removed.
#include <cstring>
#include <vector>

#include "failure.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class RestoreTest : public LibraryTest {};

struct Arrays {
    std::vector<float> vertices, faceNormals, vertexNormals;
    bool operator==(const Arrays& o) const {
        auto same = [](const std::vector<float>& a, const std::vector<float>& b) {
            return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
        };
        return same(vertices, o.vertices) && same(faceNormals, o.faceNormals) && same(vertexNormals, o.vertexNormals);
    }
};

Arrays arraysOf(int32_t index) {
    SurfaceData s{};
    objGetSurfaceData(&s, index);
    Arrays a{std::vector<float>(static_cast<size_t>(s.vertexFloatCount)),
             std::vector<float>(static_cast<size_t>(s.polygonCount) * 3),
             std::vector<float>(static_cast<size_t>(s.vertexFloatCount))};
    EXPECT_TRUE(objGetSurfaceArrays(index, a.vertices.data(), a.faceNormals.data(), a.vertexNormals.data()));
    return a;
}

TEST_F(RestoreTest, SurfaceArraysPutBackEveryBitAfterDestructiveOperations) {
    ASSERT_TRUE(objLoadZOB(KORVID_SAMPLES "/showcase.zob")) << objGetLastError();
    ModelInfo before{};
    objGetModelData(&before);
    std::vector<Arrays> saved;
    for (int i = 0; i < before.surfaceCount; ++i) saved.push_back(arraysOf(i));
    ASSERT_FALSE(saved.front().vertices.empty());

    // Scaling by zero cannot be inverted; smoothing rewrites the normals.
    const float zero[3] = {0, 0, 0};
    objGeoScale(zero);
    ASSERT_TRUE(objSetSmoothSurface(0, 80.0f));
    EXPECT_FALSE(arraysOf(0) == saved[0]);

    for (int i = 0; i < before.surfaceCount; ++i) {
        const Arrays& a = saved[static_cast<size_t>(i)];
        ASSERT_TRUE(objSetSurfaceArrays(i, a.vertices.data(), a.faceNormals.data(), a.vertexNormals.data()));
    }
    for (int i = 0; i < before.surfaceCount; ++i) EXPECT_TRUE(arraysOf(i) == saved[static_cast<size_t>(i)]) << i;
    ModelInfo after{};
    objGetModelData(&after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "the extents follow the vertices";

    // Null arrays are skipped; a bad index or no model is refused.
    EXPECT_TRUE(objSetSurfaceArrays(0, nullptr, nullptr, nullptr));
    EXPECT_FALSE(objGetSurfaceArrays(before.surfaceCount, nullptr, nullptr, nullptr));
    EXPECT_FALSE(objSetSurfaceArrays(-1, nullptr, nullptr, nullptr));
    objNew();
    EXPECT_FALSE(objGetSurfaceArrays(0, nullptr, nullptr, nullptr));
}

TEST_F(RestoreTest, InsertedEmitterTakesItsPlaceWithItsBurst) {
    ASSERT_TRUE(objLoadZOB(KORVID_SAMPLES "/fireworks.zob")) << objGetLastError();
    objPauseSimulation(true);
    ModelInfo info{};
    objGetModelData(&info);
    ASSERT_GE(info.emitterCount, 1);
    const int32_t count = info.emitterCount;

    EmitterData first{};
    objSetEmitterPtr(0);
    objGetEmitter(&first);
    ASSERT_EQ(objRemoveEmitter(), count - 1);
    ASSERT_EQ(objInsertEmitter(&first, 0), count);

    EmitterData back{};
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    objGetEmitter(&back);
    EXPECT_STREQ(back.name, first.name);
    EXPECT_EQ(std::memcmp(&back.burst, &first.burst, sizeof first.burst), 0) << "the burst comes with the record";
    EXPECT_EQ(back.totalParticles, first.totalParticles);
    EXPECT_EQ(std::memcmp(back.startColor, first.startColor, sizeof first.startColor), 0);

    // In the middle, and refused out of range or past the particle limit.
    EmitterData middle = first;
    std::strcpy(middle.name, "Middle");
    if (count >= 2) {
        ASSERT_EQ(objInsertEmitter(&middle, 1), count + 1);
        objSetEmitterPtr(1);
        objGetEmitter(&back);
        EXPECT_STREQ(back.name, "Middle");
        objRemoveEmitter();
    }
    objClearLastError();
    EXPECT_EQ(objInsertEmitter(&middle, count + 1), 0);
    EXPECT_EQ(objInsertEmitter(&middle, -1), 0);
    EXPECT_STREQ(objGetLastError(), "No Errors") << "a bad index is a silent refusal";
    middle.totalParticles = KORVID_MAX_PARTICLES;
    EXPECT_EQ(objInsertEmitter(&middle, 0), 0);
    EXPECT_EQ(lastFailure(), Failure::ParticleLimit);
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, count);
}

}  // namespace

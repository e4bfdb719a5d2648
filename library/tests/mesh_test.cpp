// Models given in memory come out exactly as the same triangles read from a RAW file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "context.h"
#include "failure.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class MeshTest : public LibraryTest {};

TEST_F(MeshTest, EqualsTheSameTrianglesReadFromRaw) {
    const std::vector<float> body = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1.5f,
                                     2, 2, 2, 2, 2, 2, 2, 2, 2};  // the last one degenerate
    const std::vector<float> fin = {-1, 0.25f, 3, -2, 0.5f, 3, -1.5f, 2, -0.75f};
    std::string raw = "Body\n";
    for (size_t k = 0; k < body.size(); k += 9) {
        for (int i = 0; i < 9; ++i) raw += std::to_string(body[k + i]) + (i < 8 ? " " : "\n");
    }
    raw += "Fin\n";
    for (int i = 0; i < 9; ++i) raw += std::to_string(fin[i]) + (i < 8 ? " " : "\n");
    raw += "Empty\n";
    ASSERT_TRUE(objLoadRaw(writeFile("same.raw", raw).c_str())) << objGetLastError();

    const MeshSurface surfaces[3] = {{"Body", body.data(), 3}, {"Fin", fin.data(), 1}, {"Empty", nullptr, 0}};
    ASSERT_TRUE(objAddMesh(surfaces, 3)) << objGetLastError();
    const Model& fromMemory = *context().store->current;
    EXPECT_EQ(&fromMemory, context().store->models.back().get()) << "the new model is current";
    const Model& fromRaw = *context().store->models.front();

    EXPECT_EQ(fromMemory.surfaceCount, fromRaw.surfaceCount);
    EXPECT_EQ(fromMemory.polygonCount, fromRaw.polygonCount);
    EXPECT_EQ(std::memcmp(fromMemory.outline.data(), fromRaw.outline.data(), sizeof fromRaw.outline), 0);
    for (int i = 0; i < fromRaw.surfaceCount; ++i) {
        SCOPED_TRACE(i);
        const Surface& a = fromMemory.surfaces[i];
        const Surface& b = fromRaw.surfaces[i];
        EXPECT_EQ(std::memcmp(static_cast<const SurfaceData*>(&a), static_cast<const SurfaceData*>(&b),
                              sizeof(SurfaceData)),
                  0)
            << "record for record";
        const size_t floats = static_cast<size_t>(b.vertexFloatCount);
        if (floats == 0) continue;
        EXPECT_EQ(std::memcmp(a.vertices.get(), b.vertices.get(), floats * sizeof(float)), 0) << "vertex for vertex";
        EXPECT_EQ(std::memcmp(a.faceNormals.get(), b.faceNormals.get(), floats / 3 * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(a.outline->data(), b.outline->data(), sizeof *b.outline), 0);
    }
}

TEST_F(MeshTest, RefusalsAddNothing) {
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::vector<MeshSurface> eleven(11, MeshSurface{"S", triangle, 1});
    EXPECT_FALSE(objAddMesh(eleven.data(), 11));
    EXPECT_STREQ(objGetLastError(), "Error in mesh data: more than 10 surfaces; a model holds at most 10");
    const MeshSurface missing{"Hole", nullptr, 4};
    EXPECT_FALSE(objAddMesh(&missing, 1));
    EXPECT_EQ(lastFailure(), Failure::MeshData);
    EXPECT_FALSE(objAddMesh(nullptr, 2));
    EXPECT_TRUE(context().store->models.empty());

    const MeshSurface named{"Left wing with a very long name indeed", triangle, 1};
    ASSERT_TRUE(objAddMesh(&named, 1));
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    EXPECT_STREQ(s.name, "Left_wing_with_a_very_long_") << "one word, cut to 27 characters";
}

}  // namespace

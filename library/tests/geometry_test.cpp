// Operations that change the model's vertices, and what they rebuild.
#include <cmath>

#include "context.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class GeometryTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        ASSERT_TRUE(objLoadRaw(writeFile("m.raw",
                                         "Flat\n0 0 0  1 0 0  1 1 0\nSmooth\n0 0 0  1 0 0  0 0 -1\n"
                                         "0 0 0  0 0 -1  0 1 0\n")
                                   .c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
        SurfaceData s{};
        objGetSurfaceData(&s, 1);
        s.smooth = 1;
        objSetSurfaceData(&s, 1);
        ASSERT_TRUE(objSetSmoothSurface(1, 180));
    }
    Surface& surface(int i) { return context().store->current->surfaces[i]; }
    ModelInfo info() {
        ModelInfo m{};
        objGetModelData(&m);
        return m;
    }
};

TEST_F(GeometryTest, TranslateMovesVerticesAndOutlines) {
    const float by[3] = {1, 0, 0};
    objGeoTranslate(by);
    EXPECT_FLOAT_EQ(info().minX, 1);
    EXPECT_FLOAT_EQ(info().maxX, 2);
    EXPECT_FLOAT_EQ((*surface(0).outline)[0], 1) << "surface outline rebuilt";
}

TEST_F(GeometryTest, RotateSkipsAxesWithoutPositiveAngles) {
    const float quarter[3] = {0, static_cast<float>(M_PI / 2), 0};
    objGeoRotate(quarter);
    const float* v = surface(0).vertices.get();
    EXPECT_NEAR(v[3], 0, 1e-6);   // (1, 0, 0) ...
    EXPECT_NEAR(v[5], -1, 1e-6);  // ... becomes (0, 0, -1)
    const float* n = surface(0).faceNormals.get();
    EXPECT_NEAR(n[0], 1, 1e-6) << "the +z face now faces +x";

    const float before = surface(0).vertices[4];
    const float negative[3] = {-0.5f, 0.5f, 0};
    objGeoRotate(negative);  // about y only
    EXPECT_FLOAT_EQ(surface(0).vertices[4], before) << "y is unchanged by a rotation about y";
}

TEST_F(GeometryTest, ScaleKeepsUnitNormalsAndRefreshesOnlySmoothVertexNormals) {
    surface(0).vertexNormals[0] = 42;  // stale on the flat surface
    const float twice[3] = {2, 2, 2};
    objGeoScale(twice);
    EXPECT_FLOAT_EQ(surface(0).vertices[3], 2);
    const float* n = surface(0).faceNormals.get();
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1, 1e-6);
    EXPECT_FLOAT_EQ(surface(0).vertexNormals[0], 42);

    // The smooth surface's shared corner gets the averaged normal again.
    const float squash[3] = {1, 1, 0.5f};
    objGeoScale(squash);
    const float* vn = surface(1).vertexNormals.get();
    const float length = std::sqrt(vn[0] * vn[0] + vn[1] * vn[1] + vn[2] * vn[2]);
    EXPECT_NEAR(length, 1, 1e-6);
    EXPECT_GT(vn[1], 0.1f);
    EXPECT_GT(vn[0], 0.1f);
}

TEST_F(GeometryTest, NothingHappensWithoutAModel) {
    objNew();
    const float by[3] = {1, 1, 1};
    objGeoTranslate(by);
    objGeoScale(by);
    objGeoRotate(by);
    EXPECT_EQ(objGetModelCount(), 0);
    // A model added afterwards is as its triangles say, untouched by the calls before.
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface s{"Body", triangle, 1};
    ASSERT_TRUE(objAddMesh(&s, 1));
    EXPECT_FLOAT_EQ(info().minX, 0);
    EXPECT_FLOAT_EQ(info().maxX, 1);
    EXPECT_FLOAT_EQ(info().maxY, 1);
}

}  // namespace

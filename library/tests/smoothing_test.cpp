// Angle-limited smoothing: the hashed version must match the direct one bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "normals.h"

using namespace korvid;

namespace {

struct Mesh {
    std::vector<float> vertices, faces;
    void add(std::initializer_list<float> triangle) { vertices.insert(vertices.end(), triangle); }
    void finish() {
        faces.assign(vertices.size() / 3, 0.0f);
        computeFaceNormals(vertices.data(), static_cast<int64_t>(vertices.size()), faces.data());
    }
};

void expectSameBits(const Mesh& m, float angle) {
    std::vector<float> fast(m.vertices.size(), -1), reference(m.vertices.size(), -2);
    ASSERT_TRUE(smoothNormals(m.vertices.data(), int64_t(m.vertices.size()), m.faces.data(), fast.data(), angle));
    ASSERT_TRUE(smoothNormalsReference(m.vertices.data(), int64_t(m.vertices.size()), m.faces.data(),
                                       reference.data(), angle));
    ASSERT_EQ(std::memcmp(fast.data(), reference.data(), fast.size() * sizeof(float)), 0) << "angle " << angle;
}

TEST(FaceNormal, FollowsCounterClockwiseCorners) {
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {1, 1, 0};
    float n[3];
    faceNormal(a, b, c, n);
    EXPECT_FLOAT_EQ(n[0], 0);
    EXPECT_FLOAT_EQ(n[1], 0);
    EXPECT_FLOAT_EQ(n[2], 1);
    faceNormal(a, a, a, n);
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_FALSE(std::isnan(n[2]));
}

TEST(Smoothing, FlatSquareAndRightAngle) {
    Mesh square;
    square.add({0, 0, 0, 1, 0, 0, 1, 1, 0});
    square.add({0, 0, 0, 1, 1, 0, 0, 1, 0});
    square.finish();
    std::vector<float> out(18);
    ASSERT_TRUE(smoothNormals(square.vertices.data(), 18, square.faces.data(), out.data(), 1.0f));
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(out[3 * i + 2], 1.0f);

    // Two faces meeting at 90 degrees along the edge x = 0.
    Mesh corner;
    corner.add({0, 0, 0, 1, 0, 0, 0, 1, 0});   // normal +z
    corner.add({0, 0, 0, 0, 1, 0, 0, 0, 1});   // normal +x
    corner.finish();
    ASSERT_TRUE(smoothNormals(corner.vertices.data(), 18, corner.faces.data(), out.data(), 89.0f));
    EXPECT_FLOAT_EQ(out[2], 1.0f);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    ASSERT_TRUE(smoothNormals(corner.vertices.data(), 18, corner.faces.data(), out.data(), 91.0f));
    EXPECT_NEAR(out[0], std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(out[2], std::sqrt(0.5f), 1e-6);
    // Vertex (1,0,0) belongs to the first face only.
    EXPECT_FLOAT_EQ(out[5], 1.0f);
}

TEST(Smoothing, MissingArraysFail) {
    float v[9] = {}, n[3] = {};
    EXPECT_FALSE(smoothNormals(nullptr, 9, n, v, 10));
    EXPECT_FALSE(smoothNormals(v, 9, nullptr, v, 10));
    EXPECT_FALSE(smoothNormals(v, 9, n, nullptr, 10));
}

TEST(Smoothing, HashedMatchesReferenceBitForBit) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grid(-3, 3);
    Mesh m;
    // Positions on a small grid so that many vertices coincide.
    for (int t = 0; t < 600; ++t) {
        float tri[9];
        for (float& f : tri) f = grid(random) * 0.5f;
        m.add({tri[0], tri[1], tri[2], tri[3], tri[4], tri[5], tri[6], tri[7], tri[8]});
    }
    // Signed zeros, NaN and infinity among the positions.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    m.add({0.0f, 0.0f, 0.0f, 1, 0, 0, 0, 1, 0});
    m.add({-0.0f, 0.0f, -0.0f, 0, 0, 1, 0, 1, 0});
    m.add({nan, 0, 0, 1, 0, 0, 0, 1, 0});
    m.add({nan, 0, 0, 1, 0, 0, 0, 1, 0});
    m.add({std::numeric_limits<float>::infinity(), 0, 0, 1, 0, 0, 0, 1, 0});
    m.finish();
    for (float angle : {0.0f, 1.0f, 30.0f, 89.9f, 90.0f, 91.0f, 179.0f, 180.0f, 360.0f})
        expectSameBits(m, angle);
}

// A fan of `triangles` triangles around one centre raised by `height` above
// its unit rim (0: flat), the centre a corner of every triangle.
Mesh fan(int triangles, float height, bool reversedEvery = false) {
    Mesh m;
    for (int k = 0; k < triangles; ++k) {
        const float a0 = 6.2831853f * k / triangles, a1 = 6.2831853f * (k + 1) / triangles;
        if (reversedEvery && k % 7 == 3)
            m.add({0, height, 0, std::cos(a1), 0, std::sin(a1), std::cos(a0), 0, std::sin(a0)});
        else
            m.add({0, height, 0, std::cos(a0), 0, std::sin(a0), std::cos(a1), 0, std::sin(a1)});
    }
    m.finish();
    return m;
}

// Large groups of vertices at one position take the group path: flat fans
// (one normal), shallow cones (every face within the angle), steep cones
// (each vertex sees part of the fan), faces turned over and degenerate ones.
TEST(Smoothing, LargeGroupsMatchReferenceBitForBit) {
    for (float height : {0.0f, 0.05f, 0.3f, 1.0f, 5.0f})
        for (bool reversed : {false, true}) {
            const Mesh m = fan(400, height, reversed);
            for (float angle : {0.0f, 10.0f, 30.0f, 60.0f, 89.0f, 90.0f, 120.0f, 179.9f, 180.0f})
                expectSameBits(m, angle);
        }
    // Many triangles on a few positions with random normals, and a group
    // with zero-area triangles in it.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> corner(0, 5);
    const float points[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0.5f, 0.5f, 0.5f}};
    Mesh m;
    for (int t = 0; t < 900; ++t) {
        const float* a = points[corner(random)];
        const float* b = points[corner(random)];
        const float* c = points[corner(random)];
        m.add({a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]});
    }
    m.finish();
    for (float angle : {0.0f, 30.0f, 45.0f, 90.0f, 135.0f, 180.0f}) expectSameBits(m, angle);
}

TEST(Smoothing, OnlyVerticesOfTheSameArrayMerge) {
    // Two separate arrays sharing positions smooth independently.
    Mesh a, b;
    a.add({0, 0, 0, 1, 0, 0, 0, 1, 0});
    b.add({0, 0, 0, 0, 1, 0, 0, 0, 1});
    a.finish();
    b.finish();
    std::vector<float> out(9);
    ASSERT_TRUE(smoothNormals(a.vertices.data(), 9, a.faces.data(), out.data(), 180.0f));
    EXPECT_FLOAT_EQ(out[2], 1.0f);
    expectSameBits(a, 180.0f);
    expectSameBits(b, 180.0f);
}

}  // namespace

// STL and OBJ read by the library itself: the same triangles from every
// form, surfaces by solid and by material, and damaged files refused with
// the scene left as it was.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "library_test.h"

using namespace korvid::testing;

namespace {

class MeshReaderTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
    }
    std::string binaryStl(const std::vector<float>& triangles, const char* header = "binary") {
        std::string bytes(80, '\0');
        std::memcpy(bytes.data(), header, std::strlen(header));
        const uint32_t count = uint32_t(triangles.size() / 9);
        bytes.append(reinterpret_cast<const char*>(&count), 4);
        for (uint32_t k = 0; k < count; ++k) {
            bytes.append(12, '\0');
            bytes.append(reinterpret_cast<const char*>(&triangles[9 * k]), 36);
            bytes.append(2, '\0');
        }
        return bytes;
    }
    // The current model's surfaces: names and vertices.
    static std::vector<std::pair<std::string, std::vector<float>>> surfaces() {
        std::vector<std::pair<std::string, std::vector<float>>> out;
        ModelInfo info{};
        objGetModelData(&info);
        for (int32_t i = 0; i < info.surfaceCount; ++i) {
            SurfaceData d{};
            objGetSurfaceData(&d, i);
            std::vector<float> v(size_t(d.vertexFloatCount));
            objGetSurfaceArrays(i, v.data(), nullptr, nullptr);
            out.emplace_back(d.name, v);
        }
        return out;
    }
};

const std::vector<float> kTwo = {0, 0, 0, 1, 0, 0, 0, 1, 0, /**/ 1, 0, 0, 1, 1, 0, 0, 1, 0};

TEST_F(MeshReaderTest, EveryFormGivesTheSameTrianglesAndSurfaces) {
    const std::string ascii = "solid Plate\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n"
                              "   vertex 0 1 0\n  endloop\n endfacet\n facet normal 0 0 1\n  outer loop\n"
                              "   vertex 1 0 0\n   vertex 1 1 0\n   vertex 0 1 0\n  endloop\n endfacet\nendsolid Plate\n";
    // A quad as a fan, negative indices, and slashes for coordinates and normals.
    const std::string obj = "# plate\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\ng plate\n"
                            "f 1//1 2//1 4//1\nf -3/1/1 -2/1/1 -1/1/1\n";
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"plate.stl", binaryStl(kTwo, "solid but binary")}, {"ascii.stl", ascii}, {"plate.obj", obj}}) {
        SCOPED_TRACE(name);
        objNew();
        ASSERT_TRUE(objLoadMesh(writeFile(name, content).c_str())) << objGetLastError();
        const auto got = surfaces();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].second, kTwo);
        EXPECT_EQ(got[0].first, name == "ascii.stl" ? "Plate" : "plate") << "the solid's name, else the file's";
    }
    // Each object and each material in it a surface, in the order first used;
    // a material without faces makes none.
    objNew();
    ASSERT_TRUE(objLoadMesh(writeFile("two.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nusemtl red\nf 1 2 3\n"
                                                 "usemtl blue\nf 2 4 3\nusemtl red\nf 1 3 2\nusemtl unused\n"
                                                 "o Lid\nf 1 2 4\nusemtl blue\nf 4 2 1\n")
                                .c_str()))
        << objGetLastError();
    const auto got = surfaces();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].first, "red");
    EXPECT_EQ(got[0].second.size(), 18u);
    EXPECT_EQ(got[1].first, "blue");
    EXPECT_EQ(got[2].first, "Lid");
    EXPECT_EQ(got[3].first, "Lid");
}

TEST_F(MeshReaderTest, DamagedFilesAreRefusedAndTheSceneStays) {
    ASSERT_TRUE(objLoadMesh(writeFile("good.stl", binaryStl(kTwo)).c_str()));
    std::string shortBinary = binaryStl(kTwo);
    shortBinary.resize(shortBinary.size() - 10);
    struct Case {
        const char* file;
        std::string content;
        int32_t failure;
    };
    const Case cases[] = {
        {"short.stl", shortBinary, KORVID_FAILURE_MESH_PARSE},
        {"header.stl", "binar", KORVID_FAILURE_MESH_PARSE},
        {"loop.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\nendfacet\nendsolid\n",
         KORVID_FAILURE_MESH_PARSE},
        {"open.stl", "solid a\nfacet normal 0 0 1\n", KORVID_FAILURE_MESH_PARSE},
        {"word.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvortex 0 0 0\n", KORVID_FAILURE_MESH_PARSE},
        {"index.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\n", KORVID_FAILURE_MESH_PARSE},
        {"zero.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", KORVID_FAILURE_MESH_PARSE},
        {"huge.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 99999999999\n", KORVID_FAILURE_MESH_PARSE},
        {"pair.obj", "v 0 0 0\nv 1 0 0\nf 1 2\n", KORVID_FAILURE_MESH_PARSE},
        {"empty.obj", "# nothing\n", KORVID_FAILURE_MESH_PARSE},
        {"lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n", KORVID_FAILURE_MESH_FORMAT},
        {"model.ply", "ply\n", KORVID_FAILURE_MESH_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        objClearLastError();
        EXPECT_FALSE(objLoadMesh(writeFile(c.file, c.content).c_str()));
        EXPECT_EQ(objGetLastFailure(), c.failure) << objGetLastError();
        EXPECT_EQ(objGetModelCount(), 1) << "nothing was added";
    }
    std::string materials = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 11; ++i) materials += "o Piece" + std::to_string(i) + "\nf 1 2 3\n";
    EXPECT_FALSE(objLoadMesh(writeFile("many.obj", materials).c_str()));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_MESH_FORMAT) << "left to the importer";
    EXPECT_FALSE(objLoadMesh((scratch() / "missing.stl").c_str()));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_FILE_NOT_FOUND);
    EXPECT_FALSE(objLoadMesh(nullptr));
    EXPECT_EQ(objGetModelCount(), 1);

    // A few bytes a corner make a triangle each: the load limit holds.
    std::string fan = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int line = 0; line < 200; ++line) {
        fan += "f";
        for (int corner = 0; corner < 4000; ++corner) fan += corner % 2 ? " 2" : " 3";
        fan += "\n";
    }
    objSetLoadMemoryLimit(int64_t(64) << 20);
    EXPECT_FALSE(objLoadMesh(writeFile("fan.obj", fan).c_str()));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_OUT_OF_MEMORY) << objGetLastError();
    objSetLoadMemoryLimit(0);
    EXPECT_TRUE(objLoadMesh(writeFile("fan.obj", fan).c_str())) << "within the default limit";
    EXPECT_EQ(objGetModelCount(), 2);
}

}  // namespace

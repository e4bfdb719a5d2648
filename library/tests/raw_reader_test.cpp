// RAW import and the number scanning shared by the text formats.
#include <cmath>
#include <cstring>
#include <string>

#include "library_test.h"
#include "textscan.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class RawReaderTest : public LibraryTest {
protected:
    bool load(const std::string& text) {
        if (!objLoadRaw(writeFile("model.raw", text).c_str())) return false;
        return objSetCurrentModel(1000);
    }
    SurfaceData surface(int index) {
        SurfaceData s{};
        objGetSurfaceData(&s, index);
        return s;
    }
};

TEST_F(RawReaderTest, ReadsNamedGroupsWithFaceNormals) {
    ASSERT_TRUE(load("Box\n0 0 0  1 0 0  1 1 0\n0 0 0  1 1 0  0 1 0\nRoof\n0 1 0  1 1 0  0.5 1.5 0\n"));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.surfaceCount, 2);
    EXPECT_EQ(info.polygonCount, 3);
    EXPECT_STREQ(surface(0).name, "Box");
    EXPECT_EQ(surface(0).polygonCount, 2);
    EXPECT_EQ(surface(0).vertexFloatCount, 18);
    EXPECT_STREQ(surface(1).name, "Roof");
    EXPECT_EQ(surface(1).polygonCount, 1);
    EXPECT_EQ(surface(1).smooth, 0);
    EXPECT_STREQ(surface(1).texture1Name, "NONE");
    EXPECT_FLOAT_EQ(surface(1).shininess, 10.0f);
}

TEST_F(RawReaderTest, SkipsCommentsBlankLinesAndStrayTriangles) {
    ASSERT_TRUE(load("0 0 0 1 0 0 0 1 0\n// a comment\n\nAlpha extra words\n0 0 0 1 0 0 0 1 0 trailing text\n"
                     "// between\n\n0 0 0 1 0 0 0 1 0\n"));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.surfaceCount, 1);
    EXPECT_EQ(info.polygonCount, 2);
    EXPECT_STREQ(surface(0).name, "Alpha");
}

TEST_F(RawReaderTest, EmptyGroupHasAnInvertedOutline) {
    ASSERT_TRUE(load("Empty\nFull\n0 0 0 1 0 0 0 1 0\n"));
    EXPECT_EQ(surface(0).polygonCount, 0);
    EXPECT_EQ(surface(1).polygonCount, 1);
    // A smoothing request on an empty surface succeeds.
    EXPECT_TRUE(objSetSmoothSurface(0, 30));
}

TEST_F(RawReaderTest, ShortTriangleLineFailsWithItsNumberInTheGroup) {
    const std::string path = writeFile("bad.raw", "First\n0 0 0 1 0 0 0 1 0\nSecond\n0 0 0 1 0 0 0 1 0\n0 0 0 1 0 0 0 1\n");
    EXPECT_FALSE(objLoadRaw(path.c_str()));
    EXPECT_EQ(std::string(objGetLastError()), "Error Parsing file " + path + "\n vertex line 2");
    EXPECT_FALSE(objSetCurrentModel(0)) << "nothing was added";
}

TEST_F(RawReaderTest, MissingFilesAndDirectoriesAreNotFound) {
    EXPECT_FALSE(objLoadRaw((scratch() / "none.raw").c_str()));
    EXPECT_STREQ(objGetLastError(), "File not found");
    objClearLastError();
    EXPECT_FALSE(objLoadRaw(scratch().c_str()));
    EXPECT_STREQ(objGetLastError(), "File not found");
}

TEST_F(RawReaderTest, LoadingDoesNotChangeTheCurrentModel) {
    ASSERT_TRUE(load("One\n0 0 0 1 0 0 0 1 0\n"));
    ASSERT_TRUE(objLoadRaw(writeFile("two.raw", "Two\n5 5 5 6 5 5 5 6 5\n0 0 0 1 0 0 0 1 0\n").c_str()));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.polygonCount, 1);
}

TEST_F(RawReaderTest, ElevenGroupsAreRefused) {
    std::string text;
    for (int i = 0; i < 11; ++i) text += "G" + std::to_string(i) + "\n0 0 0 1 0 0 0 1 0\n";
    const std::string path = writeFile("many.raw", text);
    EXPECT_FALSE(objLoadRaw(path.c_str()));
    EXPECT_NE(std::string(objGetLastError()).find("at most 10"), std::string::npos) << objGetLastError();
    EXPECT_FALSE(objSetCurrentModel(0));
}

TEST_F(RawReaderTest, LongNamesAreCutAndLongLinesSplit) {
    const std::string longName(40, 'N');
    ASSERT_TRUE(load(longName + "\n0 0 0 1 0 0 0 1 0\n"));
    EXPECT_EQ(std::string(surface(0).name), std::string(27, 'N'));

    // A line longer than 255 characters is read in pieces; the second piece
    // starts with a letter and so opens a group of its own.
    objNew();
    ASSERT_TRUE(load("Abc" + std::string(252, ' ') + "Tail\n0 0 0 1 0 0 0 1 0\n"));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.surfaceCount, 2);
    EXPECT_STREQ(surface(1).name, "Tail");
}

TEST_F(RawReaderTest, DegenerateTrianglesGetZeroNormalsAndBinaryInputFailsCleanly) {
    ASSERT_TRUE(load("Flat\n1 1 1 1 1 1 1 1 1\n"));
    ASSERT_TRUE(objSetSmoothSurface(0, 10));
    std::string binary = "Bin\n";
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131) & 0xff));
    EXPECT_FALSE(objLoadRaw(writeFile("bin.raw", binary).c_str()));
}

TEST(NumberScanning, AcceptsWhatAFloatScanAccepts) {
    const char* cases[] = {"1.5", "  -2.25", "+3", "1e3", "-1.5E-2", ".5", "5.", "0x1p3", "-0x1.8p1", "inf",
                           "-Infinity", "1e50", "1e-45", "3.4028235e38"};
    for (const char* text : cases) {
        float ours = 0, theirs = 0;
        const char* p = text;
        ASSERT_TRUE(scanFloat(p, text + std::strlen(text), ours)) << text;
        ASSERT_EQ(std::sscanf(text, "%f", &theirs), 1) << text;
        EXPECT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0) << text;
    }
    float nan = 0;
    const char* n = "nan";
    ASSERT_TRUE(scanFloat(n, n + 3, nan));
    EXPECT_TRUE(std::isnan(nan));
    for (const char* bad : {"", "   ", "abc", "-", "."}) {
        float value = 7;
        const char* p = bad;
        EXPECT_FALSE(scanFloat(p, bad + std::strlen(bad), value)) << bad;
        EXPECT_EQ(value, 7);
    }
    float nine[9];
    EXPECT_EQ(scanFloats("1 2 3  4 5 6  7 8", nine, 9), 8);
    EXPECT_EQ(scanFloats("1,2", nine, 9), 1);
}

TEST(LineReading, SkipsCommentsAndEmptyLinesAndSplitsLongOnes) {
    const std::string text = "/comment\n\nfirst\r\n\r\n" + std::string(300, 'x') + "\nlast";
    LineReader reader(text);
    std::string_view line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "first");
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.size(), 255u);
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.size(), 45u);
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(reader.next(line));
}

}  // namespace

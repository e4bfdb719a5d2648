// ZOB entity files: the exact layout written, reading back, and damaged files.
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "bitmap_writer.h"
#include "context.h"
#include "model.h"
#include "particles.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

const char* kExample =
    "#ZOBv0.6.5\n"
    "//Korvid entity: images, model and particle systems\n"
    "\n"
    "[OBJECT]\n1 //Polygon Count\n1 //Surface Count\n\n"
    "[SURFACE]\nTri\n0.000000 0.000000 0.000000 //Position\n0 //Blending\n1 //Culling\n0 //Anim 1\n0 //Anim 2\n"
    "0.000000 0.000000 0.000000 //Anim translate 1\n0.000000 0.000000 0.000000 //Anim Rotate 1\n"
    "0.000000 0.000000 0.000000 //Anim translate 2\n0.000000 0.000000 0.000000 //Anim Rotate 2\n"
    "9217 //GenMode1\n9217 //GenMode2\n9473 //PlaneMode1\n9473 //PlaneMode2\n0 //Texture Count\nNONE\n"
    "1.000000 0.000000 0.000000 0.000000 //sPlane1\n0.000000 1.000000 0.000000 0.000000 //tPlane1\n"
    "8448 //TexEnv1\nNONE\n1.000000 0.000000 0.000000 0.000000 //sPlane2\n"
    "0.000000 1.000000 0.000000 0.000000 //tPlane2\n8448 //TexEnv2\n0 //Smooth\n1.000000 //Angle\n"
    "1.000000 1.000000 1.000000 1.000000 //MatDif\n0.000000 0.000000 0.000000 0.000000 //MatAmb\n"
    "1.000000 1.000000 1.000000 1.000000 //MatSpec\n0.000000 0.000000 0.000000 0.000000 //MatEmission\n"
    "10.000000 //MatShininess\n\n1 //Polygon Count\n[V]\n9\n0.000000 0.000000 0.000000\n"
    "1.000000 0.000000 0.000000\n0.000000 1.000000 0.000000\n\n"
    "[PARTICLE_SYSTEMS]\n0 //Emitter Count\n\n";

class ZobTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(scratch());
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        LibraryTest::TearDown();
    }
    void loadTriangle() {
        ASSERT_TRUE(objLoadRaw(writeFile("tri.raw", "Tri\n0 0 0 1 0 0 0 1 0\n").c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
    }
    std::string save(const char* name = "out.zob") {
        const std::string path = (scratch() / name).string();
        EXPECT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
        return path;
    }
    std::string addImage(const char* file, const char* name) {
        writeFile(file, bitmap24(2, 2, std::vector<Rgb>(4, {9, 8, 7})));
        TextureInfo t{};
        std::strcpy(t.path, (scratch() / file).c_str());
        std::strcpy(t.name, name);
        t.filter = 3;
        t.alpha = 1;
        t.low = 5;
        t.high = 200;
        EXPECT_TRUE(objAddTexture(&t));
        return file;
    }
    // A full entity: textured smooth surface, plain surface, two emitters (one bursting).
    void buildEntity() {
        ASSERT_TRUE(objLoadRaw(writeFile("two.raw",
                                         "Body\n0 0 0 1 0 0 0 1 0\n0 0 0 0 1 0 0 0 1\nPlain\n2 2 2 3 2 2 2 3 2\n")
                                   .c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
        addImage("stone.bmp", "Stone");
        SurfaceData s{};
        objGetSurfaceData(&s, 0);
        s.smooth = 1;
        s.blending = 1;
        s.anim2 = 1;
        s.animRotate2[1] = 33.5f;
        s.textureCount = 2;
        std::strcpy(s.texture1Name, "Stone");
        s.texture1Id = objGetTextureId("Stone");
        std::strcpy(s.texture2Name, "Stone");
        s.texture2Id = objGetTextureId("Stone");
        s.genMode2 = 9218;
        s.planeMode1 = 9474;
        s.texEnv2 = 8449;
        s.tPlane2[3] = -0.25f;
        s.diffuse[1] = 0.5f;
        s.shininess = 64;
        objSetSurfaceData(&s, 0);
        ASSERT_TRUE(objSetSmoothSurface(0, 120));

        EmitterData e;
        objInitEmitter(&e);
        std::strcpy(e.name, "Fountain");
        e.particleType = 1;
        e.isReflected = 1;
        e.groundPosition = -0.5f;
        e.lifespanTime = 4000;
        e.isLifespan = 1;
        e.position[0] = 0.25f;
        e.yawVar = 1.5f;
        e.speed = 0.05f;
        e.totalParticles = 300;
        e.emitterTime = 20;
        e.force[1] = -0.001f;
        e.startColorVar[2] = 0.3f;
        objAddEmitter(&e);
        std::strcpy(e.name, "Smoke");
        e.particleType = 3;
        e.isBurst = 1;
        e.isAttachToModel = 1;
        std::strcpy(e.imageName, "Stone");
        e.textureId = objGetTextureId("Stone");
        e.endSize = 4;
        objAddEmitter(&e);
        ASSERT_EQ(objSetEmitterPtr(1), 1);
        BurstData b{};
        objGetBurst(&b);
        b.count = 17;
        b.life = 777;
        b.endColorVar[3] = 0.125f;
        b.speedVar = 0.5f;
        objSetBurst(&b);
    }

private:
    std::filesystem::path previous_;
};

TEST_F(ZobTest, WritesTheExampleByteForByte) {
    loadTriangle();
    EXPECT_EQ(readAll(save()), kExample);
}

// Switches the process to a locale whose decimal mark is a comma, as Qt does
// from LANG; the previous locale comes back at the end of the scope.
class CommaLocale {
public:
    CommaLocale() : previous_(setlocale(LC_ALL, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
            if (setlocale(LC_ALL, name) && std::string(localeconv()->decimal_point) == ",") return;
        setlocale(LC_ALL, previous_.c_str());
        available_ = false;
    }
    ~CommaLocale() { setlocale(LC_ALL, previous_.c_str()); }
    bool available() const { return available_; }

private:
    std::string previous_;
    bool available_ = true;
};

TEST_F(ZobTest, FilesIgnoreTheProcessLocale) {
    buildEntity();
    const std::string plain = readAll(save("plain.zob"));
    CommaLocale comma;
    if (!comma.available()) GTEST_SKIP() << "no locale with a decimal comma is installed (Debian package locales-all)";
    ASSERT_EQ(std::string(localeconv()->decimal_point), ",");

    EXPECT_EQ(readAll(save("comma.zob")), plain) << "numbers keep the dot";
    objNew();
    ASSERT_TRUE(objLoadZOB((scratch() / "plain.zob").c_str())) << objGetLastError();
    EXPECT_EQ(readAll(save("again.zob")), plain);

    // The forms only the C library converts: a leading '+', infinity.
    std::string text = kExample;
    text.replace(text.find("10.000000 //MatShininess"), 9, "+12.5");
    text.replace(text.find("1.000000 //Angle"), 8, "+inf");
    ASSERT_TRUE(objLoadZOB(writeFile("plus.zob", text).c_str())) << objGetLastError();
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    EXPECT_FLOAT_EQ(s.shininess, 12.5f);
    EXPECT_TRUE(std::isinf(s.angle));
    ASSERT_TRUE(objLoadRaw(writeFile("plus.raw", "Tri\n+1.5 0 0 +2.25 0 0 0 1 0\n").c_str()));
    ASSERT_TRUE(objSetCurrentModel(2));
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_FLOAT_EQ(info.maxX, 2.25f);
    EXPECT_FLOAT_EQ(info.minX, 0.0f);

    // Every sample comes back byte for byte.
    std::filesystem::current_path(KORVID_SAMPLES);
    for (const char* sample : {"showcase.zob", "fountain.zob", "sparks.zob", "fireworks.zob", "smoke.zob"}) {
        SCOPED_TRACE(sample);
        objNew();
        ASSERT_TRUE(objLoadZOB(sample)) << objGetLastError();
        EXPECT_EQ(readAll(save("sample.zob")), readAll(sample));
    }
}

TEST_F(ZobTest, RoundTripsEveryFieldOfSurfacesEmittersAndBursts) {
    buildEntity();
    const std::string first = save("first.zob");
    SurfaceData s0{}, s1{};
    objGetSurfaceData(&s0, 0);
    objGetSurfaceData(&s1, 1);
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    EmitterData e0{}, e1{};
    objGetEmitter(&e0);
    objSetEmitterPtr(1);
    objGetEmitter(&e1);
    std::vector<float> normals(context().store->current->surfaces[0].vertexNormals.get(),
                               context().store->current->surfaces[0].vertexNormals.get() + 18);

    objNew();
    ASSERT_TRUE(objLoadZOB(first.c_str())) << objGetLastError();
    EXPECT_EQ(objGetTextureCnt(), 1);
    TextureInfo image{};
    ASSERT_TRUE(objGetTexture(&image, "Stone"));
    EXPECT_EQ(image.filter, 3);
    EXPECT_EQ(image.alpha, 1);
    EXPECT_EQ(image.low, 5);
    EXPECT_EQ(image.high, 200);

    SurfaceData r0{}, r1{};
    objGetSurfaceData(&r0, 0);
    objGetSurfaceData(&r1, 1);
    EXPECT_EQ(r0.texture1Id, image.textureId) << "resolved by name";
    r0.texture1Id = s0.texture1Id;
    r0.texture2Id = s0.texture2Id;
    EXPECT_EQ(std::memcmp(&r0, &s0, sizeof r0), 0);
    EXPECT_EQ(std::memcmp(&r1, &s1, sizeof r1), 0);
    const float* loaded = context().store->current->surfaces[0].vertexNormals.get();
    for (int i = 0; i < 18; ++i) EXPECT_NEAR(loaded[i], normals[i], 1e-6) << i;

    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.emitterCount, 2);
    EmitterData r{};
    objGetEmitter(&r);
    EXPECT_STREQ(r.name, "Smoke") << "the reader leaves the last emitter current";
    EXPECT_EQ(r.textureId, image.textureId);
    EXPECT_EQ(r.burst.count, 17);
    EXPECT_EQ(r.burst.life, 777);
    EXPECT_FLOAT_EQ(r.burst.endColorVar[3], 0.125f);
    EXPECT_EQ(r.isAttachToModel, 1);
    EXPECT_FLOAT_EQ(r.endSize, 4);
    objSetEmitterPtr(0);
    objGetEmitter(&r);
    EXPECT_STREQ(r.name, "Fountain");
    EXPECT_EQ(r.particleType, 1);
    EXPECT_FLOAT_EQ(r.groundPosition, -0.5f);
    EXPECT_EQ(r.lifespanTime, 4000);
    EXPECT_FLOAT_EQ(r.force[1], -0.001f);
    EXPECT_FLOAT_EQ(r.startColorVar[2], 0.3f);
    EXPECT_EQ(r.emitterTime, 20);
    EXPECT_EQ(r.burst.count, 10) << "no burst lines for this emitter";

    // Saving the loaded entity gives the same file.
    EXPECT_EQ(readAll(save("second.zob")), readAll(first));
}

TEST_F(ZobTest, BurstPartHasSeventeenLinesAndEmptyNamesReuseTheWorkingRecord) {
    loadTriangle();
    EmitterData e;
    objInitEmitter(&e);
    e.isBurst = 1;
    objAddEmitter(&e);  // empty name
    std::strcpy(e.name, "Named");
    e.isBurst = 0;
    objAddEmitter(&e);
    e.name[0] = '\0';
    objAddEmitter(&e);
    const std::string text = readAll(save());
    const size_t force = text.find("//Force\n");
    const size_t blank = text.find("\n\n", force);
    int lines = 0;
    for (size_t i = force + 8; i <= blank; ++i) lines += text[i] == '\n';
    EXPECT_EQ(lines, 17);
    EXPECT_NE(text.find("[EMITTER]\n \n"), std::string::npos);

    objNew();
    ASSERT_TRUE(objLoadZOB((scratch() / "out.zob").c_str()));
    EmitterData r{};
    objSetEmitterPtr(0);
    objGetEmitter(&r);
    EXPECT_STREQ(r.name, "");
    objSetEmitterPtr(2);
    objGetEmitter(&r);
    EXPECT_STREQ(r.name, "Named") << "the previous emitter's name carries over";
}

TEST_F(ZobTest, CommentsAndBlankLinesAnywhere) {
    std::string text;
    std::istringstream in(kExample);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        text += line + "\n";
        if (!first) text += "// inserted comment\n\n";
        first = false;
    }
    ASSERT_TRUE(objLoadZOB(writeFile("commented.zob", text).c_str())) << objGetLastError();
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    EXPECT_STREQ(s.name, "Tri");
    EXPECT_EQ(s.polygonCount, 1);
    EXPECT_STREQ(s.texture1Name, "NONE");
    EXPECT_EQ(s.texture1Id, 0u);
}

TEST_F(ZobTest, VersionMismatchNamesBothHeaders) {
    std::string text = kExample;
    text[9] = '6';
    EXPECT_FALSE(objLoadZOB(writeFile("v.zob", text).c_str()));
    EXPECT_STREQ(objGetLastError(), "Unsuported File Version. Header = #ZOBv0.6.6 Current version = #ZOBv0.6.5");
    EXPECT_FALSE(objLoadZOB((scratch() / "missing.zob").c_str()));
    EXPECT_STREQ(objGetLastError(), "File not found");
    EXPECT_FALSE(objSetCurrentModel(0));
}

TEST_F(ZobTest, FailuresLeaveWhatTheStageReached) {
    std::string text = kExample;
    // A damaged particle section: the model stays loaded and current.
    std::string particles = text;
    particles.replace(particles.find("[PARTICLE_SYSTEMS]"), 18, "[PARTICLES]");
    EXPECT_FALSE(objLoadZOB(writeFile("p.zob", particles).c_str()));
    EXPECT_STREQ(objGetLastError(), "Error Loading particle system data");
    ModelInfo info{};
    objGetModelData(&info);
    EXPECT_EQ(info.surfaceCount, 1);

    objNew();
    std::string surface = text;
    surface.replace(surface.find("[SURFACE]"), 9, "[SURFACES]");
    EXPECT_FALSE(objLoadZOB(writeFile("s.zob", surface).c_str()));
    EXPECT_STREQ(objGetLastError(), "Error Loading vertices data");
    EXPECT_FALSE(objSetCurrentModel(0));

    // An image that cannot be loaded stops the load; earlier images stay.
    addImage("ok.bmp", "Ok");
    const std::string images = std::string("#ZOBv0.6.5\n[IMAGE]\nok.bmp\nOk2\n1\n0\n0\n0\n0\n\n") +
                               "[IMAGE]\nnothere.bmp\nGone\n1\n0\n0\n0\n0\n\n" + (text.c_str() + 11);
    EXPECT_FALSE(objLoadZOB(writeFile("i.zob", images).c_str()));
    EXPECT_STREQ(objGetLastError(), "Image file not found.");
    EXPECT_EQ(objGetTextureCnt(), 2);
    EXPECT_FALSE(objSetCurrentModel(0));
}

TEST_F(ZobTest, EveryTruncationFailsCleanly) {
    buildEntity();
    const std::string full = readAll(save());
    size_t cut = 0;
    int failures = 0;
    while ((cut = full.find('\n', cut + 1)) != std::string::npos && cut + 1 < full.size()) {
        objNew();
        const std::string path = writeFile("cut.zob", full.substr(0, cut + 1));
        if (!objLoadZOB(path.c_str())) ++failures;
    }
    EXPECT_GT(failures, 100);
    objNew();
    ASSERT_TRUE(objLoadZOB(writeFile("whole.zob", full).c_str()));
}

TEST_F(ZobTest, DamagedCountsAreRefused) {
    std::string text = kExample;
    std::string wrongFloats = text;
    wrongFloats.replace(wrongFloats.find("[V]\n9\n"), 6, "[V]\n900000000\n");
    EXPECT_FALSE(objLoadZOB(writeFile("a.zob", wrongFloats).c_str()));
    std::string tooMany = text;
    tooMany.replace(tooMany.find("1 //Surface Count"), 1, "11");
    EXPECT_FALSE(objLoadZOB(writeFile("b.zob", tooMany).c_str()));
    std::string negative = text;
    negative.replace(negative.find("1 //Polygon Count\n[V]"), 1, "-1");
    EXPECT_FALSE(objLoadZOB(writeFile("c.zob", negative).c_str()));
    EXPECT_FALSE(objSetCurrentModel(0));
    std::string longName = text;
    longName.replace(longName.find("Tri\n"), 3, std::string(300, 'x'));
    EXPECT_FALSE(objLoadZOB(writeFile("d.zob", longName).c_str()));
}

TEST_F(ZobTest, SmoothSurfaceWithoutNormalsGetsThemComputed) {
    std::string text = kExample;
    text.replace(text.find("0 //Smooth"), 1, "1");
    ASSERT_TRUE(objLoadZOB(writeFile("s.zob", text).c_str()));
    const float* n = context().store->current->surfaces[0].vertexNormals.get();
    EXPECT_FLOAT_EQ(n[2], 1.0f);
}

TEST_F(ZobTest, ImagesAreMarkedForGoodAndPathsWrittenRelative) {
    loadTriangle();
    std::filesystem::create_directories(scratch() / "textures");
    addImage("textures/wood.bmp", "Wood");
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    s.textureCount = 1;
    std::strcpy(s.texture1Name, "Wood");
    s.texture1Id = objGetTextureId("Wood");
    objSetSurfaceData(&s, 0);
    EXPECT_NE(readAll(save()).find("[IMAGE]\ntextures/wood.bmp //Path\nWood //Name\n3 //Filter\n"),
              std::string::npos);
    s.textureCount = 0;
    std::strcpy(s.texture1Name, "");
    objSetSurfaceData(&s, 0);
    EXPECT_NE(readAll(save()).find("[IMAGE]"), std::string::npos) << "once marked, always written";

    // An entity opened from another working directory finds its images beside it.
    std::filesystem::create_directories(scratch() / "elsewhere");
    std::filesystem::current_path(scratch() / "elsewhere");
    s.textureCount = 1;
    std::strcpy(s.texture1Name, "Wood");
    objSetSurfaceData(&s, 0);
    const std::string path = (scratch() / "entity.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    EXPECT_NE(readAll(path).find("../textures/wood.bmp //Path"), std::string::npos);
    std::filesystem::current_path(scratch() / "textures");
    objNew();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    EXPECT_EQ(objGetTextureCnt(), 1);
}

TEST_F(ZobTest, ImagePathsFollowTheWorkingDirectoryTheyWereLoadedFrom) {
    loadTriangle();
    std::filesystem::create_directories(scratch() / "art");
    std::filesystem::create_directories(scratch() / "scenes");
    std::filesystem::current_path(scratch() / "art");
    writeFile("art/wood.bmp", bitmap24(2, 2, std::vector<Rgb>(4, {9, 8, 7})));
    TextureInfo t{};
    std::strcpy(t.path, "wood.bmp");  // relative to the working directory of the moment
    std::strcpy(t.name, "Wood");
    ASSERT_TRUE(objAddTexture(&t));
    textureSurface(0, "Wood");
    std::filesystem::current_path(scratch() / "scenes");
    const std::string path = (scratch() / "scenes" / "scene.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    EXPECT_NE(readAll(path).find("\n../art/wood.bmp //Path\n"), std::string::npos);
    TextureInfo out{};
    ASSERT_TRUE(objGetTexture(&out, "Wood"));
    EXPECT_STREQ(out.path, "wood.bmp") << "callers still see the path they gave";
    objNew();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
}

// A folder given explicitly takes the working directory's place for image
// paths: they are read from it and written relative to it, wherever the
// process stands.
TEST_F(ZobTest, ImagePathsFollowTheImageFolderGiven) {
    loadTriangle();
    std::filesystem::create_directories(scratch() / "art");
    std::filesystem::create_directories(scratch() / "scenes");
    std::filesystem::create_directories(scratch() / "elsewhere");
    std::filesystem::current_path(scratch() / "elsewhere");
    writeFile("art/wood.bmp", bitmap24(2, 2, std::vector<Rgb>(4, {9, 8, 7})));

    EXPECT_FALSE(objSetImageFolder((scratch() / "missing").c_str()));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_BAD_ARGUMENT);
    ASSERT_TRUE(objSetImageFolder((scratch() / "art").c_str()));
    EXPECT_FALSE(objSetImageFolder(writeFile("plain.txt", "x").c_str())) << "a file is not a folder";
    TextureInfo t{};
    std::strcpy(t.path, "wood.bmp");
    std::strcpy(t.name, "Wood");
    ASSERT_TRUE(objAddTexture(&t)) << "read from the folder kept, not from the working directory";
    textureSurface(0, "Wood");

    ASSERT_TRUE(objSetImageFolder((scratch() / "scenes").c_str()));
    const std::string path = (scratch() / "scenes" / "scene.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    EXPECT_NE(readAll(path).find("\n../art/wood.bmp //Path\n"), std::string::npos);

    objNew();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    EXPECT_EQ(objGetTextureCnt(), 1);

    // Back to the working directory: the same relative path is not found from there.
    ASSERT_TRUE(objSetImageFolder(nullptr));
    objNew();
    loadTriangle();
    EXPECT_FALSE(objAddTexture(&t));
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_IMAGE_NOT_FOUND);
}

TEST_F(ZobTest, FailedSavesKeepThePreviousFile) {
    EXPECT_FALSE(objSaveZOB((scratch() / "none.zob").c_str()));
    EXPECT_NE(std::string(objGetLastError()).find("Unable to create file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(scratch() / "none.zob")) << "no model: nothing written";

    loadTriangle();
    EXPECT_FALSE(objSaveZOB(scratch().c_str()));
    EXPECT_STREQ(objGetLastError(), "Unable to create file");
    EXPECT_FALSE(objSaveZOB((scratch() / "no" / "such" / "dir.zob").c_str()));
    EXPECT_STREQ(objGetLastError(), "Unable to create file");

    const std::string path = writeFile("keep.zob", "previous contents");
    // A full device: the write error is reported, and the device is not replaced by a file.
    struct stat device{};
    if (::stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode) && ::access("/dev/full", W_OK) == 0) {
        EXPECT_FALSE(objSaveZOB("/dev/full"));
        EXPECT_STREQ(objGetLastError(), "Unable to write file: No space left on device");
        ASSERT_EQ(::stat("/dev/full", &device), 0);
        EXPECT_TRUE(S_ISCHR(device.st_mode));
    }
    // A folder that cannot take the file (here: a path through a regular file) fails the same way.
    EXPECT_FALSE(objSaveZOB((scratch() / "keep.zob" / "inner.zob").c_str()));
    EXPECT_STREQ(objGetLastError(), "Unable to create file");
    EXPECT_EQ(readAll(path), "previous contents");
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    EXPECT_EQ(readAll(path), kExample) << "a successful save replaces the file completely";
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch()))
        if (entry.path().filename().string().find(".XXXXXX") != std::string::npos ||
            entry.path().filename().string().rfind("keep.zob.", 0) == 0)
            ++leftovers;
    EXPECT_EQ(leftovers, 0);
}

}  // namespace

namespace {

// Every name the library takes survives a save and a load: a leading '/'
// (a comment line in the file) or a blank would otherwise end the reload.
TEST_F(ZobTest, NamesTakenSurviveASaveAndALoad) {
    loadTriangle();
    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    std::strcpy(s.name, "/renamed surface");
    objSetSurfaceData(&s, 0);
    EmitterData e;
    objInitEmitter(&e);
    std::strcpy(e.name, "/first one");
    ASSERT_EQ(objAddEmitter(&e), 1);
    std::strcpy(e.name, "second\tone");
    ASSERT_EQ(objInsertEmitter(&e, 1), 2);
    ASSERT_EQ(objSetEmitterPtr(1), 1);
    std::strcpy(e.name, "/set later");
    ASSERT_EQ(objSetEmitter(&e), 1);
    objGetSurfaceData(&s, 0);
    EXPECT_STREQ(s.name, "_renamed_surface") << "made safe where it entered";
    const std::string saved = save();
    objNew();
    ASSERT_TRUE(objLoadZOB(saved.c_str())) << objGetLastError();
    ASSERT_TRUE(objSetCurrentModel(0));
    objGetSurfaceData(&s, 0);
    EXPECT_STREQ(s.name, "_renamed_surface");
    const char* names[2] = {"_first_one", "_set_later"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(objSetEmitterPtr(i), 1);
        objGetEmitter(&e);
        EXPECT_STREQ(e.name, names[i]) << i;
    }
}

}  // namespace

namespace {

// Emitters read from a file are chained in file order, each with its pool,
// however many there are (the reader appends each in constant time; see
// bench/load_bench for the cost per emitter).
TEST_F(ZobTest, ManyEmittersLoadChainedInOrder) {
    loadTriangle();
    EmitterData e;
    objInitEmitter(&e);
    e.totalParticles = 2;
    e.emitterPerCycle = 1;
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(e.name, sizeof e.name, "E%d", i);
        ASSERT_EQ(objAddEmitter(&e), i + 1);
    }
    const std::string saved = save();
    objNew();
    ASSERT_TRUE(objLoadZOB(saved.c_str())) << objGetLastError();
    ModelInfo info{};
    objGetModelData(&info);
    ASSERT_EQ(info.emitterCount, 3000);
    const korvid::ParticleSystem& ps = korvid::context().store->current->particles;
    for (size_t i = 0; i < ps.emitters.size(); ++i) {
        const EmitterData& d = ps.emitters[i]->data;
        ASSERT_EQ(d.next, i + 1 < ps.emitters.size() ? &ps.emitters[i + 1]->data : nullptr) << i;
        ASSERT_EQ(std::string(d.name), "E" + std::to_string(i));
        ASSERT_NE(d.freeList, nullptr) << "a pool";
    }
}

}  // namespace

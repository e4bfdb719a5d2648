// The block of curves and shapes in ZOB files: written only when needed, read
// back exactly, invisible to a reader that stops at the last emitter, and
// refused with the line named when it is damaged.
#include <algorithm>
#include <cstring>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "context.h"
#include "emitter_shape.h"
#include "library_test.h"
#include "model.h"
#include "particles.h"

using namespace korvid::testing;

namespace {

struct EmitterRecord {
    EmitterData record;
    BurstData burst;
    std::vector<CurveKey> curves[2];
    EmitterShape shape;
};

// Every emitter of the current model, with the library's own lists cleared.
std::vector<EmitterRecord> emitters() {
    std::vector<EmitterRecord> out;
    // Selecting the index past the last emitter succeeds and leaves none current.
    for (int32_t i = 0; objSetEmitterPtr(i) && objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0) >= 0; ++i) {
        EmitterRecord e{};
        objGetEmitter(&e.record);
        e.record.next = nullptr;
        e.record.freeList = e.record.liveList = nullptr;
        e.record.textureId = 0;  // the OpenGL name of the image, new for every load; imageName stays
        objGetBurst(&e.burst);
        for (int which = 0; which < 2; ++which) {
            e.curves[which].resize(KORVID_MAX_CURVE_KEYS);
            e.curves[which].resize(size_t(objGetEmitterCurve(which, e.curves[which].data(), KORVID_MAX_CURVE_KEYS)));
        }
        objGetEmitterShape(&e.shape);
        out.push_back(e);
    }
    return out;
}

std::vector<SurfaceData> surfaces() {
    ModelInfo info{};
    objGetModelData(&info);
    std::vector<SurfaceData> out(size_t(info.surfaceCount));
    for (int32_t i = 0; i < info.surfaceCount; ++i) objGetSurfaceData(&out[size_t(i)], i);
    return out;
}

bool addTriangle() {
    static const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface surface{"Tri", triangle, 1};
    return objAddMesh(&surface, 1);
}

bool sameKeys(const std::vector<CurveKey>& a, const std::vector<CurveKey>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(CurveKey)) == 0);
}

class ZobExtensionsTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
        // The samples' images, so that copies of the samples read from the scratch folder.
        for (const auto& entry : std::filesystem::directory_iterator(KORVID_SAMPLES))
            if (entry.path().extension() == ".bmp")
                std::filesystem::copy_file(entry.path(), scratch() / entry.path().filename());
    }

    // A one-triangle model with one emitter, saved: the text a block is appended to.
    std::string baseFile() {
        EXPECT_TRUE(addTriangle()) << objGetLastError();
        EmitterData e;
        objInitEmitter(&e);
        EXPECT_EQ(objAddEmitter(&e), 1);
        const std::string path = (scratch() / "base.zob").string();
        EXPECT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
        objNew();
        return readAll(path);
    }
};

TEST_F(ZobExtensionsTest, CurvesAndShapesReadBackBitForBit) {
    ASSERT_TRUE(addTriangle());
    EmitterData e;
    objInitEmitter(&e);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(objAddEmitter(&e), i + 1);
    // Times closer than six decimals and values no short text holds.
    const CurveKey colour[3] = {{0.1000001f, {1.0f / 3, 0.2f, 1e-7f, 1}},
                                {0.1000004f, {0.7f, 2.0f / 3, 0.5f, 0.25f}},
                                {1, {0, 0, 0, 0}}};
    const CurveKey size[2] = {{0, {0.5f, 0, 0, 0}}, {0.75f, {123456.79f, 0, 0, 0}}};
    const EmitterShape box{KORVID_SHAPE_BOX, {0.1f, 2.5f, 1e-3f}, 1};
    const EmitterShape mesh{KORVID_SHAPE_MESH, {0, 0, 0}, 0};
    ASSERT_TRUE(objSetEmitterPtr(0));
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, colour, 3));
    ASSERT_TRUE(objSetEmitterShape(&box));
    ASSERT_TRUE(objSetEmitterPtr(2));
    ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_SIZE, size, 2));
    ASSERT_TRUE(objSetEmitterShape(&mesh));
    const std::vector<EmitterRecord> before = emitters();

    const std::string path = (scratch() / "curves.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    objNew();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    const std::vector<EmitterRecord> after = emitters();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(sameKeys(after[i].curves[0], before[i].curves[0]));
        EXPECT_TRUE(sameKeys(after[i].curves[1], before[i].curves[1]));
        EXPECT_EQ(std::memcmp(&after[i].shape, &before[i].shape, sizeof(EmitterShape)), 0);
    }
    EXPECT_EQ(after[1].shape.kind, KORVID_SHAPE_POINT);
    EXPECT_TRUE(after[1].curves[0].empty());

    // Saving again gives the same bytes.
    const std::string again = (scratch() / "again.zob").string();
    ASSERT_TRUE(objSaveZOB(again.c_str()));
    EXPECT_EQ(readAll(again), readAll(path));
}

// Fields and colliders of every kind read back bit for bit; a MODEL collider
// naming the file's own model names the loaded model, one naming another
// model of the scene names the model at that place when the file is read.
TEST_F(ZobExtensionsTest, FieldsAndCollidersReadBackBitForBit) {
    ASSERT_TRUE(addTriangle());  // model 0: stays in the scene
    ASSERT_TRUE(addTriangle());  // model 1: saved
    EmitterData e;
    objInitEmitter(&e);
    ASSERT_EQ(objAddEmitter(&e), 1);
    ASSERT_EQ(objAddEmitter(&e), 2);
    ForceField fields[5]{};
    for (int k = 0; k < 5; ++k) {
        fields[k].kind = k;
        fields[k].position[0] = 0.1f * float(k) + 1e-7f;
        fields[k].axis[0] = 1.0f / 3, fields[k].axis[1] = 2;
        fields[k].strength = 1.0f / 7 - float(k);
        fields[k].radius = 0.3f * float(k);
        fields[k].frequency = 2.5f;
    }
    Collider colliders[5]{};
    for (int k = 0; k < 5; ++k) {
        colliders[k].kind = k % 4;
        colliders[k].axis[2] = -1;
        colliders[k].position[1] = 1.0f / 3;
        colliders[k].size[0] = 0.25f, colliders[k].size[1] = 1e-3f, colliders[k].size[2] = 7;
        colliders[k].bounce = 0.1f * float(k), colliders[k].friction = 1.0f / 9;
        colliders[k].response = k % 4;
    }
    colliders[3].model = 1;  // its own model
    colliders[4].kind = KORVID_COLLIDER_MODEL;
    colliders[4].model = 0;  // the other model
    ASSERT_TRUE(objSetEmitterPtr(1));
    ASSERT_TRUE(objSetEmitterFields(fields, 5)) << objGetLastError();
    ASSERT_TRUE(objSetEmitterColliders(colliders, 5)) << objGetLastError();
    ForceField fieldsBefore[8];
    Collider collidersBefore[8];
    ASSERT_EQ(objGetEmitterFields(fieldsBefore, 8), 5);
    ASSERT_EQ(objGetEmitterColliders(collidersBefore, 8), 5);

    const std::string path = (scratch() / "forces.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    ASSERT_TRUE(objRemoveModel(1));
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();  // model 1 again, beside model 0
    ASSERT_EQ(objGetModelCount(), 2);
    ASSERT_TRUE(objSetEmitterPtr(1));
    ForceField fieldsAfter[8];
    Collider collidersAfter[8];
    ASSERT_EQ(objGetEmitterFields(fieldsAfter, 8), 5);
    ASSERT_EQ(objGetEmitterColliders(collidersAfter, 8), 5);
    EXPECT_EQ(std::memcmp(fieldsAfter, fieldsBefore, 5 * sizeof(ForceField)), 0);
    EXPECT_EQ(std::memcmp(collidersAfter, collidersBefore, 5 * sizeof(Collider)), 0);
    ASSERT_TRUE(objSetEmitterPtr(0));
    EXPECT_EQ(objGetEmitterFields(nullptr, 0), 0);
    EXPECT_EQ(objGetEmitterColliders(nullptr, 0), 0);
    // Saving again gives the same bytes.
    const std::string again = (scratch() / "forces-again.zob").string();
    ASSERT_TRUE(objSaveZOB(again.c_str()));
    EXPECT_EQ(readAll(again), readAll(path));

    // The same emitter pasted into model 0: its own-model collider names model 0 now.
    ASSERT_TRUE(objSetEmitterPtr(1));
    std::vector<char> text(size_t(objCopyEmitter(nullptr, 0)) + 1);
    ASSERT_GT(objCopyEmitter(text.data(), int32_t(text.size())), 0);
    objSetCurrentModel(0);
    ASSERT_EQ(objPasteEmitter(text.data(), 0), 1) << objGetLastError();
    ASSERT_TRUE(objSetEmitterPtr(0));
    ASSERT_EQ(objGetEmitterFields(fieldsAfter, 8), 5);
    ASSERT_EQ(objGetEmitterColliders(collidersAfter, 8), 5);
    EXPECT_EQ(std::memcmp(fieldsAfter, fieldsBefore, 5 * sizeof(ForceField)), 0);
    EXPECT_EQ(collidersAfter[3].model, 0) << "its own model: the one pasted into";
    EXPECT_EQ(collidersAfter[4].model, 0) << "model 0 of the scene";
}

// Flipbooks, spin, trails and sorting of two emitters read back as they were
// set, in the file and in the clipboard text; a part left as it was is not written.
TEST_F(ZobExtensionsTest, TheLookReadsBackBitForBit) {
    ASSERT_TRUE(addTriangle());
    EmitterData e;
    objInitEmitter(&e);
    ASSERT_EQ(objAddEmitter(&e), 1);
    ASSERT_EQ(objAddEmitter(&e), 2);
    const Flipbook flipbook{8, 4, 30, 1.0f / 3, 0, 1, 1};
    const ParticleSpin spin{0.1f, 1e-7f, -2.5f, 1.0f / 7, 1, 0.3f};
    const Trail trail{1, 1234, 0.05f, 0.2f, 1.0f / 9, 0.25f};
    ASSERT_TRUE(objSetEmitterPtr(0));
    ASSERT_TRUE(objSetEmitterFlipbook(&flipbook) && objSetEmitterSpin(&spin)) << objGetLastError();
    ASSERT_TRUE(objSetEmitterPtr(1));
    ASSERT_TRUE(objSetEmitterTrail(&trail) && objSetEmitterSort(KORVID_SORT_BACK_TO_FRONT)) << objGetLastError();
    const std::string path = (scratch() / "look.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    const std::string text = readAll(path);
    EXPECT_EQ(text.find("[TRAIL]\n0"), std::string::npos) << "the first emitter's trail is not written";
    objNew();
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    auto check = [&](int32_t first) {
        Flipbook f{};
        ParticleSpin s{};
        Trail t{};
        ASSERT_TRUE(objSetEmitterPtr(first));
        ASSERT_TRUE(objGetEmitterFlipbook(&f) && objGetEmitterSpin(&s) && objGetEmitterTrail(&t));
        EXPECT_EQ(std::memcmp(&f, &flipbook, sizeof f), 0);
        EXPECT_EQ(std::memcmp(&s, &spin, sizeof s), 0);
        EXPECT_EQ(t.enabled, 0);
        EXPECT_EQ(objGetEmitterSort(), KORVID_SORT_NONE);
        ASSERT_TRUE(objSetEmitterPtr(first + 1));
        ASSERT_TRUE(objGetEmitterFlipbook(&f) && objGetEmitterTrail(&t));
        EXPECT_EQ(f.columns, 0);
        EXPECT_EQ(std::memcmp(&t, &trail, sizeof t), 0);
        EXPECT_EQ(objGetEmitterSort(), KORVID_SORT_BACK_TO_FRONT);
    };
    check(0);
    const std::string again = (scratch() / "look-again.zob").string();
    ASSERT_TRUE(objSaveZOB(again.c_str()));
    EXPECT_EQ(readAll(again), text);
    // Copied and pasted after themselves, in order.
    for (int32_t k = 0; k < 2; ++k) {
        ASSERT_TRUE(objSetEmitterPtr(k));
        std::vector<char> copied(size_t(objCopyEmitter(nullptr, 0)) + 1);
        ASSERT_GT(objCopyEmitter(copied.data(), int32_t(copied.size())), 0);
        ASSERT_EQ(objPasteEmitter(copied.data(), 2 + k), 3 + k) << objGetLastError();
    }
    check(2);
}

TEST_F(ZobExtensionsTest, FilesWithoutCurvesOrShapesKeepTheirBytes) {
    // Image paths are written relative to the working directory.
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(scratch());
    for (const char* name : {"fireworks", "fountain", "smoke", "sparks"}) {
        SCOPED_TRACE(name);
        const std::string sample = std::string(KORVID_SAMPLES) + "/" + name + ".zob";
        const std::string copy = (scratch() / (std::string(name) + ".zob")).string();
        std::filesystem::copy_file(sample, copy);
        objNew();
        ASSERT_TRUE(objLoadZOB(copy.c_str())) << objGetLastError();
        ASSERT_TRUE(objSaveZOB(copy.c_str())) << objGetLastError();
        const std::string text = readAll(copy);
        EXPECT_EQ(text, readAll(sample));
        EXPECT_EQ(text.find("[EXTENSIONS]"), std::string::npos);
    }
    std::filesystem::current_path(home);
}

// A reader that stops after the last emitter, as the original one does, must
// see each extended sample exactly as the same file without the block.
TEST_F(ZobExtensionsTest, AReaderStoppingAtTheLastEmitterSeesTheSameEntity) {
    for (const char* name : {"campfire", "magic"}) {
        SCOPED_TRACE(name);
        const std::string text = readAll(std::string(KORVID_SAMPLES) + "/" + name + ".zob");
        const size_t block = text.find("[EXTENSIONS]");
        ASSERT_NE(block, std::string::npos);
        const std::string full = writeFile(std::string(name) + ".zob", text);
        const std::string cut = writeFile(std::string(name) + "-cut.zob", text.substr(0, block));

        objNew();
        ASSERT_TRUE(objLoadZOB(full.c_str())) << objGetLastError();
        const std::vector<SurfaceData> fullSurfaces = surfaces();
        const std::vector<EmitterRecord> fullEmitters = emitters();
        objNew();
        ASSERT_TRUE(objLoadZOB(cut.c_str())) << objGetLastError();
        const std::vector<SurfaceData> cutSurfaces = surfaces();
        const std::vector<EmitterRecord> cutEmitters = emitters();

        ASSERT_EQ(fullSurfaces.size(), cutSurfaces.size());
        ASSERT_GT(fullSurfaces.size(), 0u);
        EXPECT_EQ(std::memcmp(fullSurfaces.data(), cutSurfaces.data(), fullSurfaces.size() * sizeof(SurfaceData)), 0);
        ASSERT_EQ(fullEmitters.size(), cutEmitters.size());
        bool anyExtended = false;
        for (size_t i = 0; i < fullEmitters.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(std::memcmp(&fullEmitters[i].record, &cutEmitters[i].record, sizeof(EmitterData)), 0);
            EXPECT_EQ(std::memcmp(&fullEmitters[i].burst, &cutEmitters[i].burst, sizeof(BurstData)), 0);
            EXPECT_TRUE(cutEmitters[i].curves[0].empty() && cutEmitters[i].curves[1].empty());
            EXPECT_EQ(cutEmitters[i].shape.kind, KORVID_SHAPE_POINT);
            anyExtended |= !fullEmitters[i].curves[0].empty() || fullEmitters[i].shape.kind != KORVID_SHAPE_POINT;
        }
        EXPECT_TRUE(anyExtended);
    }
}

TEST_F(ZobExtensionsTest, ADamagedBlockFailsTheLoadNamingItsLine) {
    const std::string base = baseFile();
    const int baseLines = int(std::count(base.begin(), base.end(), '\n'));
    const std::string curve = "[CURVE]\n0 //Emitter\n0 //Curve\n2 //Keys\n0 1 1 1 1\n1 0 0 0 0\n";
    struct Case {
        const char* what;
        std::string block;
        int line;  // within the block, 1 = "[EXTENSIONS]"
    };
    const Case cases[] = {
        {"unknown version", "[EXTENSIONS]\n2\n[END_EXTENSIONS]\n", 2},
        {"no version", "[EXTENSIONS]\nnext\n[END_EXTENSIONS]\n", 2},
        {"unknown part", "[EXTENSIONS]\n1\n[GLOW]\n[END_EXTENSIONS]\n", 3},
        {"no end", "[EXTENSIONS]\n1\n" + curve, 9},
        {"emitter out of range", "[EXTENSIONS]\n1\n[CURVE]\n1\n0\n1\n0 1 1 1 1\n[END_EXTENSIONS]\n", 4},
        {"unknown curve", "[EXTENSIONS]\n1\n[CURVE]\n0\n2\n1\n0 1 1 1 1\n[END_EXTENSIONS]\n", 5},
        {"too many keys", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n17\n[END_EXTENSIONS]\n", 6},
        {"times not increasing", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n2\n0.5 1 1 1 1\n0.5 0 0 0 0\n[END_EXTENSIONS]\n", 8},
        {"time beyond 1", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1\n1.5 1 1 1 1\n[END_EXTENSIONS]\n", 7},
        {"short key", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1\n0 1 1 1\n[END_EXTENSIONS]\n", 7},
        {"not a number", "[EXTENSIONS]\n1\n[CURVE]\n0\n1\n1\n0 nan 0 0 0\n[END_EXTENSIONS]\n", 7},
        {"negative size", "[EXTENSIONS]\n1\n[CURVE]\n0\n1\n1\n0 -1 0 0 0\n[END_EXTENSIONS]\n", 7},
        {"curve twice", "[EXTENSIONS]\n1\n" + curve + curve + "[END_EXTENSIONS]\n", 11},
        {"keys cut short", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n3\n0 1 1 1 1\n[END_EXTENSIONS]\n", 8},
        {"unknown shape", "[EXTENSIONS]\n1\n[SHAPE]\n0\n5\n1 1 1\n0\n[END_EXTENSIONS]\n", 5},
        {"negative shape size", "[EXTENSIONS]\n1\n[SHAPE]\n0\n1\n1 -1 1\n0\n[END_EXTENSIONS]\n", 6},
        {"infinite shape size", "[EXTENSIONS]\n1\n[SHAPE]\n0\n1\ninf 1 1\n0\n[END_EXTENSIONS]\n", 6},
        {"shell 2", "[EXTENSIONS]\n1\n[SHAPE]\n0\n1\n1 1 1\n2\n[END_EXTENSIONS]\n", 7},
        {"shape twice", "[EXTENSIONS]\n1\n[SHAPE]\n0\n1\n1 1 1\n0\n[SHAPE]\n0\n2\n1 1 1\n0\n[END_EXTENSIONS]\n", 9},
        // Numbers are read whole: no wrapping past 32 bits, no infinities, nothing after them.
        {"emitter 2^32", "[EXTENSIONS]\n1\n[CURVE]\n4294967296\n0\n1\n0 1 1 1 1\n[END_EXTENSIONS]\n", 4},
        {"key count 2^32 + 1", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n4294967297\n0 1 1 1 1\n[END_EXTENSIONS]\n", 6},
        {"infinite key", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1\n0 inf 1 1 1\n[END_EXTENSIONS]\n", 7},
        {"minus infinite key", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1\n0 1 -inf 1 1\n[END_EXTENSIONS]\n", 7},
        {"text after a number", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1 and more\n0 1 1 1 1\n[END_EXTENSIONS]\n", 6},
        {"a sixth value", "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1\n0 1 1 1 1 7\n[END_EXTENSIONS]\n", 7},
        {"unknown field", "[EXTENSIONS]\n1\n[FIELD]\n0\n5\n0 0 0\n0 1 0\n1 0 0\n[END_EXTENSIONS]\n", 5},
        {"wind without axis", "[EXTENSIONS]\n1\n[FIELD]\n0\n0\n0 0 0\n0 0 0\n1 0 0\n[END_EXTENSIONS]\n", 8},
        {"field radius -1", "[EXTENSIONS]\n1\n[FIELD]\n0\n2\n0 0 0\n0 1 0\n1 -1 0\n[END_EXTENSIONS]\n", 8},
        {"field NaN", "[EXTENSIONS]\n1\n[FIELD]\n0\n4\nnan 0 0\n0 1 0\n1 0 1\n[END_EXTENSIONS]\n", 6},
        {"field cut short", "[EXTENSIONS]\n1\n[FIELD]\n0\n4\n0 0 0\n0 1 0\n[END_EXTENSIONS]\n", 8},
        {"unknown collider", "[EXTENSIONS]\n1\n[COLLIDER]\n0\n4\n-1\n0 0 0\n0 1 0\n0 0 0\n0 0\n0\n[END_EXTENSIONS]\n", 5},
        {"collider model -3", "[EXTENSIONS]\n1\n[COLLIDER]\n0\n3\n-3\n0 0 0\n0 1 0\n0 0 0\n0 0\n0\n[END_EXTENSIONS]\n", 6},
        {"plane without normal", "[EXTENSIONS]\n1\n[COLLIDER]\n0\n0\n-1\n0 0 0\n0 0 0\n0 0 0\n0 0\n0\n[END_EXTENSIONS]\n", 11},
        {"bounce 2", "[EXTENSIONS]\n1\n[COLLIDER]\n0\n1\n-1\n0 0 0\n0 1 0\n1 0 0\n2 0\n0\n[END_EXTENSIONS]\n", 11},
        {"unknown response", "[EXTENSIONS]\n1\n[COLLIDER]\n0\n1\n-1\n0 0 0\n0 1 0\n1 0 0\n0 0\n4\n[END_EXTENSIONS]\n", 11},
        {"negative collider size", "[EXTENSIONS]\n1\n[COLLIDER]\n0\n2\n-1\n0 0 0\n0 1 0\n1 -1 1\n0 0\n0\n[END_EXTENSIONS]\n", 11},
        {"frames past the sheet", "[EXTENSIONS]\n1\n[FLIPBOOK]\n0\n2\n2\n5\n10\n0\n0\n0\n[END_EXTENSIONS]\n", 11},
        {"flipbook rate NaN", "[EXTENSIONS]\n1\n[FLIPBOOK]\n0\n2\n2\n4\nnan\n0\n0\n0\n[END_EXTENSIONS]\n", 8},
        {"flipbook blend 2", "[EXTENSIONS]\n1\n[FLIPBOOK]\n0\n2\n2\n4\n1\n0\n0\n2\n[END_EXTENSIONS]\n", 11},
        {"flipbook of 2^32 columns", "[EXTENSIONS]\n1\n[FLIPBOOK]\n0\n4294967296\n1\n1\n1\n0\n0\n0\n[END_EXTENSIONS]\n", 5},
        {"flipbook twice", "[EXTENSIONS]\n1\n[FLIPBOOK]\n0\n0\n0\n0\n0\n0\n0\n0\n[FLIPBOOK]\n0\n[END_EXTENSIONS]\n", 13},
        {"negative spread", "[EXTENSIONS]\n1\n[SPIN]\n0\n0 -1\n0 0\n0\n0\n[END_EXTENSIONS]\n", 8},
        {"align 2", "[EXTENSIONS]\n1\n[SPIN]\n0\n0 0\n0 0\n2\n0\n[END_EXTENSIONS]\n", 7},
        {"spin cut short", "[EXTENSIONS]\n1\n[SPIN]\n0\n0 0\n[END_EXTENSIONS]\n", 6},
        {"trail of 0 ms", "[EXTENSIONS]\n1\n[TRAIL]\n0\n1\n0\n0 0.1 0 0\n[END_EXTENSIONS]\n", 7},
        {"trail longer than a minute", "[EXTENSIONS]\n1\n[TRAIL]\n0\n1\n60001\n0 0.1 0 0\n[END_EXTENSIONS]\n", 6},
        {"trail alpha 2", "[EXTENSIONS]\n1\n[TRAIL]\n0\n1\n100\n0 0.1 0 2\n[END_EXTENSIONS]\n", 7},
        {"unknown sort", "[EXTENSIONS]\n1\n[SORT]\n0\n2\n[END_EXTENSIONS]\n", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A sound curve first: it must not be applied when a later part is damaged.
        const std::string path = writeFile("damaged.zob", base + c.block);
        objNew();
        objClearLastError();
        EXPECT_FALSE(objLoadZOB(path.c_str()));
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_EXTENSION_DATA);
        const std::string expected = "Error Loading curves and shapes at line " + std::to_string(baseLines + c.line) + ":";
        EXPECT_EQ(std::string(objGetLastError()).rfind(expected, 0), 0u) << objGetLastError();
        // The records themselves were read; nothing of the block was applied.
        ASSERT_TRUE(objSetEmitterPtr(0));
        EXPECT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0), 0);
        EmitterShape shape{};
        objGetEmitterShape(&shape);
        EXPECT_EQ(shape.kind, KORVID_SHAPE_POINT);
    }
}

// A mesh shape on a model without triangles is read as it was written: the
// shape is kept (a later model with triangles emits from them) and, with
// nothing to emit from, particles are born at the emitter as from a point.
TEST_F(ZobExtensionsTest, AMeshShapeOnAModelWithoutTrianglesIsKept) {
    ASSERT_TRUE(objAddMesh(nullptr, 0));
    EmitterData e;
    objInitEmitter(&e);
    e.position[0] = 2;
    e.speed = 0;
    e.lifespanTime = 100000;
    ASSERT_EQ(objAddEmitter(&e), 1);
    const std::string path = (scratch() / "empty.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    const std::string base = readAll(path);
    writeFile("empty.zob", base + "[EXTENSIONS]\n1\n[CURVE]\n0\n0\n1\n0 1 0 0 1\n[SHAPE]\n0\n4\n0 0 0\n0\n[END_EXTENSIONS]\n");
    objNew();
    const WindowData window{kWidth, kHeight, 45};
    objInitWin(&window);
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    ASSERT_TRUE(objSetEmitterPtr(0));
    EXPECT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0), 1);
    EmitterShape shape{};
    objGetEmitterShape(&shape);
    EXPECT_EQ(shape.kind, KORVID_SHAPE_MESH);
    objSetFixedFrameTime(15);
    EXPECT_EQ(objSeekSimulation(300), 300);
    EXPECT_GT(objGetLiveParticles(0), 0);
    float low[3] = {}, high[3] = {};
    ASSERT_TRUE(objGetBounds(KORVID_BOUNDS_PARTICLES, 0, low, high));
    EXPECT_FLOAT_EQ(low[0], 2.0f) << "born at the emitter";
    EXPECT_FLOAT_EQ(high[0], 2.0f);
    // Saved again, it loads again.
    const std::string again = (scratch() / "again.zob").string();
    ASSERT_TRUE(objSaveZOB(again.c_str())) << objGetLastError();
    objNew();
    EXPECT_TRUE(objLoadZOB(again.c_str())) << objGetLastError();
    // objSetEmitterShape still refuses a mesh with nothing to emit from.
    ASSERT_TRUE(objSetEmitterPtr(0));
    EXPECT_FALSE(objSetEmitterShape(&shape));
}

// Whatever objSaveZOB writes, objLoadZOB reads back: magic, saved and loaded
// after each kind of edit, degenerate geometry included.
TEST_F(ZobExtensionsTest, ASavedEntityLoadsAgainAfterEveryKindOfEdit) {
    const std::string path = (scratch() / "magic.zob").string();
    std::filesystem::copy_file(std::string(KORVID_SAMPLES) + "/magic.zob", path);
    std::filesystem::current_path(scratch());
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    const WindowData window{kWidth, kHeight, 45};
    const float zero[3] = {0, 0, 0}, half[3] = {0.5f, 0.5f, 0.5f}, turn[3] = {0.3f, 1.2f, 0}, move[3] = {1, -2, 3};
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"scale by a half", [&] { objGeoScale(half); }},
        {"turn", [&] { objGeoRotate(turn); }},
        {"move", [&] { objGeoTranslate(move); }},
        {"scale by zero", [&] { objGeoScale(zero); }},
        {"rename a surface", [] {
             SurfaceData s{};
             objGetSurfaceData(&s, 0);
             std::strcpy(s.name, "/odd name");
             objSetSurfaceData(&s, 0);
         }},
        {"rename an emitter", [] {
             EmitterData e{};
             ASSERT_TRUE(objSetEmitterPtr(0));
             objGetEmitter(&e);
             std::strcpy(e.name, "/odd emitter");
             ASSERT_EQ(objSetEmitter(&e), 1);
         }},
        {"remove an emitter", [] {
             ASSERT_TRUE(objSetEmitterPtr(0));
             ASSERT_GE(objRemoveEmitter(), 0);
         }},
        {"a curve", [] {
             ASSERT_TRUE(objSetEmitterPtr(0));
             const CurveKey keys[2] = {{0, {1, 0, 0, 1}}, {1, {0, 0, 1, 0}}};
             ASSERT_TRUE(objSetEmitterCurve(KORVID_CURVE_COLOUR, keys, 2)) << objGetLastError();
         }},
        {"a box shape", [] {
             ASSERT_TRUE(objSetEmitterPtr(0));
             const EmitterShape box{KORVID_SHAPE_BOX, {1, 2, 3}, 1};
             ASSERT_TRUE(objSetEmitterShape(&box)) << objGetLastError();
         }},
    };
    for (const auto& [what, edit] : edits) {
        ASSERT_TRUE(objSetCurrentModel(0));
        edit();
        const std::vector<EmitterRecord> before = emitters();
        const std::string saved = (scratch() / "saved.zob").string();
        ASSERT_TRUE(objSaveZOB(saved.c_str())) << what << ": " << objGetLastError();
        objNew();
        objInitWin(&window);
        ASSERT_TRUE(objLoadZOB(saved.c_str())) << what << ": " << objGetLastError();
        ASSERT_TRUE(objSetCurrentModel(0));
        const std::vector<EmitterRecord> after = emitters();
        ASSERT_EQ(after.size(), before.size()) << what;
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_STREQ(after[i].record.name, before[i].record.name) << what;
            EXPECT_EQ(after[i].shape.kind, before[i].shape.kind) << what;
            for (int which = 0; which < 2; ++which)
                EXPECT_TRUE(sameKeys(after[i].curves[which], before[i].curves[which])) << what;
        }
    }
}

// Every mesh-shaped emitter of a model shares the model's one table of
// triangles, so memory grows with the triangles, not with the emitters too.
TEST_F(ZobExtensionsTest, MeshShapesShareTheModelsTriangles) {
    std::vector<float> triangles;
    for (int t = 0; t < 2000; ++t) {
        const float x = float(t % 50), y = float(t / 50);
        const float tri[9] = {x, y, 0, x + 1, y, 0, x, y + 1, 0};
        triangles.insert(triangles.end(), tri, tri + 9);
    }
    const MeshSurface surface{"Grid", triangles.data(), 2000};
    ASSERT_TRUE(objAddMesh(&surface, 1));
    EmitterData e;
    objInitEmitter(&e);
    e.totalParticles = 16;
    const EmitterShape mesh{KORVID_SHAPE_MESH, {0, 0, 0}, 0};
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(objAddEmitter(&e), i + 1);
        ASSERT_TRUE(objSetEmitterPtr(i));
        ASSERT_TRUE(objSetEmitterShape(&mesh)) << objGetLastError();
    }
    const std::string path = (scratch() / "shared.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    for (int load = 0; load < 2; ++load) {
        const korvid::Model* model = korvid::context().store->current;
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(model->particles.emitters.size(), 300u);
        const void* table = model->particles.emitters[0]->shape.mesh.get();
        ASSERT_NE(table, nullptr);
        for (const auto& emitter : model->particles.emitters) EXPECT_EQ(emitter->shape.mesh.get(), table);
        objNew();
        ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    }
    // Moved, the triangles are taken again, once, for all of them.
    const float move[3] = {0, 0, 1};
    objGeoTranslate(move);
    const korvid::Model* model = korvid::context().store->current;
    const void* table = model->particles.emitters[0]->shape.mesh.get();
    for (const auto& emitter : model->particles.emitters) EXPECT_EQ(emitter->shape.mesh.get(), table);
}

TEST_F(ZobExtensionsTest, OtherTextAfterTheLastEmitterIsStillIgnored) {
    const std::string base = baseFile();
    const std::string path = writeFile("trailing.zob", base + "whatever follows\n[CURVE]\n");
    ASSERT_TRUE(objLoadZOB(path.c_str())) << objGetLastError();
    ASSERT_TRUE(objSetEmitterPtr(0));
    EXPECT_EQ(objGetEmitterCurve(KORVID_CURVE_COLOUR, nullptr, 0), 0);
}

}  // namespace

// Emitters as text: a copy pastes back bit for bit, with burst, curves and
// shape; damaged text is refused with nothing added.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "library_test.h"

using namespace korvid::testing;

namespace {

struct Whole {
    EmitterData record;
    std::vector<CurveKey> curves[2];
    EmitterShape shape;
};

Whole current() {
    Whole w{};
    objGetEmitter(&w.record);
    w.record.next = nullptr;
    w.record.freeList = w.record.liveList = nullptr;
    w.record.liveCount = 0;
    w.record.emitCountdown = 0;
    std::memset(w.record.burst.origin, 0, sizeof w.record.burst.origin);
    for (int which = 0; which < 2; ++which) {
        w.curves[which].resize(KORVID_MAX_CURVE_KEYS);
        w.curves[which].resize(size_t(objGetEmitterCurve(which, w.curves[which].data(), KORVID_MAX_CURVE_KEYS)));
    }
    objGetEmitterShape(&w.shape);
    return w;
}

bool same(const Whole& a, const Whole& b) {
    if (std::memcmp(&a.record, &b.record, sizeof a.record) != 0) return false;
    for (int which = 0; which < 2; ++which)
        if (a.curves[which].size() != b.curves[which].size() ||
            (!a.curves[which].empty() &&
             std::memcmp(a.curves[which].data(), b.curves[which].data(), a.curves[which].size() * sizeof(CurveKey))))
            return false;
    return std::memcmp(&a.shape, &b.shape, sizeof a.shape) == 0;
}

std::string copyText() {
    const int32_t n = objCopyEmitter(nullptr, 0);
    std::string text(size_t(std::max(n, 0)) + 1, '\0');
    EXPECT_EQ(objCopyEmitter(text.data(), int32_t(text.size())), n);
    text.resize(size_t(n));
    return text;
}

class EmitterTextTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const WindowData window{kWidth, kHeight, 45};
        objInitWin(&window);
    }
};

TEST_F(EmitterTextTest, ACopyPastesBackBitForBit) {
    EXPECT_EQ(objCopyEmitter(nullptr, 0), -1) << "no model, no emitter";
    for (const char* name : {"fireworks", "campfire", "magic"}) {
        SCOPED_TRACE(name);
        objNew();
        ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + name + ".zob").c_str())) << objGetLastError();
        ASSERT_TRUE(objSetEmitterPtr(0));
        // Values no six-decimal text holds.
        EmitterData e;
        objGetEmitter(&e);
        e.speed = 1.0f / 3;
        e.burst.speedVar = 2.0f / 7;
        objSetEmitter(&e);
        const Whole original = current();
        const std::string text = copyText();
        EXPECT_EQ(text.rfind("//Korvid emitter 1\n[EMITTER]\n", 0), 0u) << text.substr(0, 40);
        // A short buffer gets nothing but the length.
        std::string small(10, 'x');
        EXPECT_EQ(objCopyEmitter(small.data(), 10), int32_t(text.size()));
        EXPECT_EQ(small, std::string(10, 'x'));

        // Into another entity, after its emitters.
        objNew();
        ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/magic.zob").c_str()));
        ASSERT_EQ(objPasteEmitter(text.c_str(), 2), 3) << objGetLastError();
        ASSERT_TRUE(objSetEmitterPtr(2));
        Whole pasted = current();
        if (original.record.textureId) EXPECT_EQ(pasted.record.textureId, 0u) << "magic has no Puff image";
        pasted.record.textureId = original.record.textureId;
        EXPECT_TRUE(same(pasted, original));
        EXPECT_EQ(copyText(), text) << "and copies as the same text";
    }
}

TEST_F(EmitterTextTest, DamagedTextIsRefusedWithNothingAdded) {
    ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/campfire.zob").c_str()));
    ASSERT_TRUE(objSetEmitterPtr(0));
    const std::string text = copyText();
    const size_t block = text.find("[EXTENSIONS]");
    ASSERT_NE(block, std::string::npos);
    const std::string cases[] = {
        "",
        "[EMITTER]\nFire\n",                          // no header line
        text.substr(0, text.find("//Is Alt Alpha")),  // cut inside the record
        text.substr(0, block) + "[EXTENSIONS]\n1\n[CURVE]\n1\n0\n1\n0 1 1 1 1\n[END_EXTENSIONS]\n",  // emitter 1
        text.substr(0, block) + "[EXTENSIONS]\n1\n[SHAPE]\n0\n9\n0 0 0\n0\n[END_EXTENSIONS]\n",
    };
    for (const std::string& damaged : cases) {
        objClearLastError();
        EXPECT_EQ(objPasteEmitter(damaged.c_str(), 0), 0) << damaged.substr(0, 60);
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_EMITTER_TEXT);
    }
    EXPECT_EQ(objPasteEmitter(text.c_str(), 4), 0) << "index past the end";
    EXPECT_EQ(objPasteEmitter(nullptr, 0), 0);
    ASSERT_TRUE(objSetEmitterPtr(3) && objGetEmitterCurve(0, nullptr, 0) < 0) << "still three emitters";
    // A mesh shape needs triangles where it is pasted.
    const std::string mesh = text.substr(0, block) + "[EXTENSIONS]\n1\n[SHAPE]\n0\n4\n0 0 0\n0\n[END_EXTENSIONS]\n";
    objNew();
    ASSERT_TRUE(objAddMesh(nullptr, 0));
    EXPECT_EQ(objPasteEmitter(mesh.c_str(), 0), 0);
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_EMITTER_TEXT);
    EXPECT_FALSE(objSetEmitterPtr(0) && objGetEmitterCurve(0, nullptr, 0) >= 0);

    // Seeds for the fuzzing of this form (written when asked for).
    if (const char* seeds = std::getenv("KORVID_WRITE_EMITTER_SEEDS")) {
        std::ofstream(std::string(seeds) + "/fire.txt") << text;
        std::ofstream(std::string(seeds) + "/damaged.txt") << cases[3];
    }
}

// The text form is read strictly: a line that is not the number it must be
// refuses the paste, naming the line; an infinite curve value is refused
// by objSetEmitterCurve as by the text.
TEST_F(EmitterTextTest, EveryNumberIsReadWholeAndFinite) {
    ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/sparks.zob").c_str()));
    ASSERT_TRUE(objSetEmitterPtr(0));
    const std::string text = copyText();
    const auto emitterCount = [] {
        ModelInfo info{};
        objGetModelData(&info);
        return info.emitterCount;
    };
    const int32_t count = emitterCount();
    std::string words = "//Korvid emitter 1\n[EMITTER]\nName\n";
    for (int i = 0; i < 80; ++i) words += "this is not a number\n";
    objClearLastError();
    EXPECT_EQ(objPasteEmitter(words.c_str(), 0), 0);
    EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_EMITTER_TEXT);
    EXPECT_NE(std::string(objGetLastError()).find("line 4"), std::string::npos) << objGetLastError();
    EXPECT_EQ(emitterCount(), count) << "nothing added";
    // A number with something after it, or past 32 bits.
    const size_t firstNumber = text.find('\n', text.find("[EMITTER]") + 10) + 1;  // after the name line
    const size_t end = text.find('\n', firstNumber);
    for (const char* wrong : {"4294967298", "3 apples", "1e99999"}) {
        const std::string damaged = text.substr(0, firstNumber) + wrong + text.substr(end);
        objClearLastError();
        EXPECT_EQ(objPasteEmitter(damaged.c_str(), 0), 0) << wrong;
        EXPECT_EQ(objGetLastFailure(), KORVID_FAILURE_EMITTER_TEXT) << wrong;
    }
    EXPECT_EQ(objPasteEmitter(text.c_str(), 0), count + 1) << objGetLastError();

    const CurveKey infinite[1] = {{0, {1, 1, INFINITY, 1}}};
    EXPECT_FALSE(objSetEmitterCurve(KORVID_CURVE_COLOUR, infinite, 1));
    const CurveKey huge[1] = {{0, {-INFINITY, 0, 0, 0}}};
    EXPECT_FALSE(objSetEmitterCurve(KORVID_CURVE_SIZE, huge, 1));
}

}  // namespace

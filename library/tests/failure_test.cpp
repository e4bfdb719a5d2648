// The one error path: every refusal has a code; silent ones keep the
// last-error text as it was, reported ones write their text.
#include <cstring>
#include <set>
#include <string>

#include "failure.h"
#include "library_test.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

class FailureTest : public LibraryTest {};

TEST_F(FailureTest, EveryCodeHasOneDistinctText) {
    std::set<std::string> texts;
    int reported = 0;
    for (int i = static_cast<int>(Failure::None); i <= static_cast<int>(Failure::GlError); ++i) {
        const auto code = static_cast<Failure>(i);
        if (isSilent(code)) {
            EXPECT_STREQ(failureFormat(code), "");
            continue;
        }
        ++reported;
        EXPECT_TRUE(texts.insert(failureFormat(code)).second) << failureFormat(code);
    }
    EXPECT_EQ(reported, 18);
    objClearLastError();
    fail(Failure::VersionMismatch, "#ZOBv0.6.4", "#ZOBv0.6.5");
    EXPECT_STREQ(objGetLastError(), "Unsuported File Version. Header = #ZOBv0.6.4 Current version = #ZOBv0.6.5");
    fail(Failure::WriteFile, std::string(400, 'x').c_str());
    EXPECT_EQ(std::strlen(objGetLastError()), 255u) << "cut to the 256-byte field";
}

TEST_F(FailureTest, SilentRefusalsSayWhyWithoutTouchingTheText) {
    objClearLastError();
    clearLastFailure();
    EmitterData e;
    objInitEmitter(&e);
    EXPECT_EQ(objAddEmitter(&e), 0);
    EXPECT_EQ(lastFailure(), Failure::NoModel);

    ASSERT_TRUE(objLoadRaw(writeFile("t.raw", "T\n0 0 0 1 0 0 0 1 0\n").c_str()));
    ASSERT_TRUE(objSetCurrentModel(0));
    BurstData b{};
    EXPECT_EQ(objGetBurst(&b), 0);
    EXPECT_EQ(lastFailure(), Failure::NoEmitter);
    EXPECT_EQ(objAddEmitter(&e), 1);
    EXPECT_EQ(objSetEmitterPtr(5), 0);
    EXPECT_EQ(lastFailure(), Failure::BadArgument);
    ASSERT_EQ(objSetEmitterPtr(0), 1);
    e.totalParticles = 5;
    e.emitterPerCycle = 6;
    std::strcpy(e.name, "Changed");
    EXPECT_EQ(objSetEmitter(&e), 1) << "the call still counts as made";
    EXPECT_EQ(lastFailure(), Failure::PoolBelowBatch);
    EmitterData kept{};
    objGetEmitter(&kept);
    EXPECT_STREQ(kept.name, "");
    SurfaceData s{};
    objGetSurfaceData(&s, 3);
    EXPECT_EQ(lastFailure(), Failure::BadArgument);
    EXPECT_STREQ(objGetLastError(), "No Errors") << "none of these touches the text";

    EXPECT_FALSE(objLoadZOB((scratch() / "missing.zob").c_str()));
    EXPECT_EQ(lastFailure(), Failure::FileNotFound);
}

}  // namespace

// How saves treat the file they replace: permissions, owners, hard links,
// folders the user may not write, and what a failed save leaves behind.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "bitmap_writer.h"
#include "library_test.h"
#include "safe_file.h"

using namespace korvid;
using namespace korvid::testing;

namespace {

TEST(SaveMethod, ReplacesOnlyWhatItMayAndKeepsLinks) {
    TargetFacts none;
    EXPECT_EQ(chooseSaveMethod(none), SaveMethod::Replace) << "a new file";
    TargetFacts file{true, true, false, true, 1};
    EXPECT_EQ(chooseSaveMethod(file), SaveMethod::Replace);
    TargetFacts readOnly = file;
    readOnly.writable = false;
    EXPECT_EQ(chooseSaveMethod(readOnly), SaveMethod::Refuse);
    TargetFacts linked = file;
    linked.links = 2;
    EXPECT_EQ(chooseSaveMethod(linked), SaveMethod::InPlace);
    TargetFacts device{true, false, false, true, 1};
    EXPECT_EQ(chooseSaveMethod(device), SaveMethod::InPlace);
    TargetFacts folder{true, false, true, true, 2};
    EXPECT_EQ(chooseSaveMethod(folder), SaveMethod::Refuse);
}

class SaveTest : public LibraryTest {
protected:
    void loadTriangle() {
        ASSERT_TRUE(objLoadRaw(writeFile("tri.raw", "Tri\n0 0 0 1 0 0 0 1 0\n").c_str()));
        ASSERT_TRUE(objSetCurrentModel(0));
    }
    static bool isEntity(const std::filesystem::path& path) { return readAll(path.string()).rfind("#ZOBv0.6.5\n", 0) == 0; }
    static int leftovers(const std::filesystem::path& folder) {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename().string().find(".zob.") != std::string::npos) ++n;
        return n;
    }
};

TEST_F(SaveTest, FailedSaveMarksNoImages) {
    loadTriangle();
    const std::string bitmap = writeFile("wood.bmp", bitmap24(2, 2, std::vector<Rgb>(4, {1, 2, 3})));
    TextureInfo t{};
    std::strcpy(t.path, bitmap.c_str());
    std::strcpy(t.name, "Wood");
    ASSERT_TRUE(objAddTexture(&t));
    textureSurface(0, "Wood");
    EXPECT_FALSE(objSaveZOB((scratch() / "no" / "such" / "folder.zob").c_str()));
    EXPECT_FALSE(objSaveZOB(scratch().c_str()));

    SurfaceData s{};
    objGetSurfaceData(&s, 0);
    s.textureCount = 0;
    s.texture1Name[0] = '\0';
    objSetSurfaceData(&s, 0);
    const std::string path = (scratch() / "out.zob").string();
    ASSERT_TRUE(objSaveZOB(path.c_str()));
    EXPECT_EQ(readAll(path).find("[IMAGE]"), std::string::npos) << "the failed saves marked nothing";
}

TEST_F(SaveTest, ReplacedFilesKeepOwnerGroupModeAndHardLinks) {
    loadTriangle();
    const std::string path = writeFile("owned.zob", "previous");
    ::chmod(path.c_str(), 0640);
    const passwd* nobody = ::getpwnam("nobody");
    const bool root = ::geteuid() == 0 && nobody;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    struct stat before{};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    struct stat after{};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_TRUE(isEntity(path));
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0640u);

    const std::string second = (scratch() / "second-name.zob").string();
    ASSERT_EQ(::link(path.c_str(), second.c_str()), 0);
    writeFile("owned.zob", "previous");
    ASSERT_TRUE(objSaveZOB(path.c_str())) << objGetLastError();
    EXPECT_TRUE(isEntity(second)) << "both names still name one file";
    struct stat linked{};
    ASSERT_EQ(::stat(second.c_str(), &linked), 0);
    EXPECT_EQ(linked.st_ino, after.st_ino);
    EXPECT_EQ(linked.st_nlink, 2u);
    EXPECT_EQ(leftovers(scratch()), 0);
}

// The permission rules as an ordinary user sees them. Run as root, the checks
// go to a child that drops its privileges to "nobody"; otherwise they run here.
TEST_F(SaveTest, OrdinaryUserMayWriteExactlyWhatAPlainSaveMay) {
    loadTriangle();
    const passwd* nobody = ::getpwnam("nobody");
    const bool root = ::geteuid() == 0;
    if (root && !nobody) GTEST_SKIP() << "no user 'nobody' to drop privileges to";
    const uid_t uid = root ? nobody->pw_uid : ::geteuid();
    const gid_t gid = root ? nobody->pw_gid : ::getegid();
    const std::filesystem::path home = scratch() / "user";
    std::filesystem::create_directories(home / "locked");
    const std::string readOnly = writeFile("user/read-only.zob", "previous");
    const std::string inLocked = writeFile("user/locked/keep.zob", "previous");
    const std::string rootOwned = writeFile("user/root-owned.zob", "previous");
    for (const auto& p : {home, home / "locked", std::filesystem::path(readOnly), std::filesystem::path(inLocked)})
        if (root) {
            ASSERT_EQ(::chown(p.c_str(), uid, gid), 0);
        }
    ::chmod(scratch().c_str(), 0755);
    ::chmod(readOnly.c_str(), 0444);
    ::chmod(inLocked.c_str(), 0644);
    ::chmod(rootOwned.c_str(), 0666);
    ::chmod((home / "locked").c_str(), 0555);

    // Each check is one bit of the result.
    const auto checks = [&]() -> int {
        int failed = 0;
        if (objSaveZOB(readOnly.c_str()) || std::strcmp(objGetLastError(), "Unable to create file: Permission denied") != 0 ||
            readAll(readOnly) != "previous")
            failed |= 1;
        if (!objSaveZOB(inLocked.c_str()) || !isEntity(inLocked) || leftovers(home / "locked") != 0) failed |= 2;
        struct stat info{};
        if (!objSaveZOB(rootOwned.c_str()) || !isEntity(rootOwned) || ::stat(rootOwned.c_str(), &info) != 0 ||
            (root && info.st_uid != 0))
            failed |= 4;
        if (objSaveZOB((home / "locked" / "new.zob").c_str()) ||
            std::strcmp(objGetLastError(), "Unable to create file: Permission denied") != 0)
            failed |= 8;
        return failed;
    };
    int failed = 0;
    if (root) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(64);
            ::_exit(checks());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        failed = WEXITSTATUS(status);
        ASSERT_NE(failed, 64) << "could not become 'nobody'";
    } else {
        failed = checks();
    }
    ::chmod((home / "locked").c_str(), 0755);
    EXPECT_FALSE(failed & 1) << "a read-only file is refused with the reason and kept";
    EXPECT_FALSE(failed & 2) << "a writable file in a read-only folder is written in place";
    EXPECT_FALSE(failed & 4) << "a file owned by another user, writable by all, keeps its owner";
    EXPECT_FALSE(failed & 8) << "no new file in a read-only folder";
}

}  // namespace

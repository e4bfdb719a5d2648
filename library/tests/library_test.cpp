#include "library_test.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform.h"

namespace korvid::testing {

HeadlessContext& sharedContext() {
    // Never destroyed: unloading the GL driver at exit would hide the origin of
    // its own allocations from the leak checker.
    static HeadlessContext* context = new HeadlessContext(kWidth, kHeight);
    return *context;
}

void LibraryTest::SetUp() {
    ASSERT_TRUE(sharedContext().ok()) << sharedContext().error();
    platform::setClockSource(nullptr);
    platform::lockRandomSeed(false);
    const WindowData window{kWidth, kHeight, 45};
    objInitWin(&window);
    while (glGetError() != GL_NO_ERROR) {
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // One folder per process, so that builds testing side by side never share one.
    dir_ = std::filesystem::temp_directory_path() / ("korvid-tests-" + std::to_string(::getpid())) /
           (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

void LibraryTest::TearDown() {
    objNew();
    platform::setClockSource(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    std::filesystem::remove(dir_.parent_path(), ec);  // the process's folder, once empty
}

std::string LibraryTest::writeFile(const std::string& name, const std::string& content) const {
    const std::filesystem::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path.string();
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void LibraryTest::textureSurface(int32_t index, const char* name) {
    SurfaceData s{};
    objGetSurfaceData(&s, index);
    s.textureCount = 1;
    std::strncpy(s.texture1Name, name, sizeof s.texture1Name - 1);
    s.texture1Id = objGetTextureId(name);
    objSetSurfaceData(&s, index);
}

void LibraryTest::render(float tz, float rx, float ry, float rz) {
    const CameraData camera{0, 0, tz, rx, ry, rz};
    objRender(&camera);
    glFinish();
}

}  // namespace korvid::testing

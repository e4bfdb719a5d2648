// Finds and loads the video module the first time a video is written. It is
// looked for where KORVID_VIDEO_MODULE names it, else in the installed tree
// (found from the running program's folder), else in the build tree this
// code was built in. Once loaded it stays: its writers' code lives there.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "animation_writers.h"
#include "video_module.h"

namespace korvid::media {
namespace {

namespace fs = std::filesystem;

struct LoadedModule {
    KorvidOpenVideo open = nullptr;
    std::string why;  // when `open` is null
};

std::vector<std::string> placesToLook() {
    std::vector<std::string> places;
    if (const char* named = std::getenv("KORVID_VIDEO_MODULE"); named && *named) places.emplace_back(named);
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) places.push_back((self.parent_path() / KORVID_VIDEO_FROM_BINDIR).lexically_normal().string());
#ifdef KORVID_VIDEO_IN_BUILD_TREE
    places.emplace_back(KORVID_VIDEO_IN_BUILD_TREE);
#endif
    return places;
}

LoadedModule load() {
    LoadedModule loaded;
    for (const std::string& place : placesToLook()) {
        if (::access(place.c_str(), R_OK) != 0) continue;
        void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            loaded.why = why ? why : place;
            continue;
        }
        if (auto open = reinterpret_cast<KorvidOpenVideo>(::dlsym(handle, KORVID_VIDEO_ENTRY))) {
            loaded.open = open;
            return loaded;
        }
        loaded.why = place + " is not the video module";
        ::dlclose(handle);
    }
    if (loaded.why.empty()) loaded.why = "korvid-video.so was not found";
    return loaded;
}

}  // namespace

std::unique_ptr<AnimationWriter> openVideo(const std::string& path, AnimationFormat format, int width, int height,
                                           const AnimationOptions& options, std::string* error) {
    static std::once_flag once;
    static LoadedModule module;
    std::call_once(once, [] { module = load(); });
    if (!module.open) {
        if (error) *error = "the video encoders could not be loaded (" + module.why + "); reinstalling may help";
        return nullptr;
    }
    return std::unique_ptr<AnimationWriter>(module.open(path, format, width, height, options, error));
}

}  // namespace korvid::media

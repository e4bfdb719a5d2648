// A headless OpenGL context (Mesa EGL, surfaceless platform, pbuffer) for
// tests and tools that need one without an X server.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvid::support {

class HeadlessContext {
public:
    enum class Profile { Compatibility, Core33 };
    // Creates and makes current a context of `profile` (a compatibility
    // context, or a core-profile OpenGL 3.3 one as games use) with a pbuffer
    // of the given size.
    HeadlessContext(int width, int height, Profile profile = Profile::Compatibility);
    ~HeadlessContext();
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Makes the context current on the calling thread; false when another
    // thread holds it.
    bool makeCurrent();
    // Lets go of the context on the calling thread, so another may take it.
    void release();

private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    bool ok_ = false;
    std::string error_;
    int width_, height_;
};

struct Rgba {
    uint8_t r, g, b, a;
};

// Reads the colour buffer (bottom row first).
std::vector<Rgba> readPixels(int width, int height);
Rgba pixelAt(int x, int y);

}  // namespace korvid::support

// korvid-player: plays a Vantor entity in a window of its own.
//
//   korvid-player FILE.zob|FILE.raw                      play it in a window
//   korvid-player FILE.zob --frames N --output OUT.png   render N frames at a
//                                                       fixed step and seed and
//                                                       write the last as PNG
//
// Keys: arrows orbit, + and - (or the mouse wheel) zoom, R restarts the
// effect, Space pauses, Escape quits.
#include <GLFW/glfw3.h>
#include <korvid.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Player {
    CameraData camera{};
    float distance = 5.0f;
};

Player player;

// The camera looks at the model from far enough to see all of it; the scene
// turns about its origin, where emitters are placed too.
void frameModel() {
    ModelInfo info{};
    objGetModelData(&info);
    const float cx = (info.maxX + info.minX) / 2, cy = (info.maxY + info.minY) / 2, cz = (info.maxZ + info.minZ) / 2;
    const float dx = info.maxX - info.minX, dy = info.maxY - info.minY, dz = info.maxZ - info.minZ;
    const float radius = std::sqrt(dx * dx + dy * dy + dz * dz) / 2;
    player.distance = radius > 0 && radius < 1e6f ? radius / std::tan(22.5f * 3.14159265f / 180) * 1.3f : 5.0f;
    (void)cx;
    (void)cz;
    player.camera = {0, -cy, -player.distance, 20, 30, 0};
}

void key(GLFWwindow* window, int key, int, int action, int) {
    if (action == GLFW_RELEASE) return;
    switch (key) {
    case GLFW_KEY_ESCAPE: glfwSetWindowShouldClose(window, GLFW_TRUE); break;
    case GLFW_KEY_LEFT: player.camera.ry -= 5; break;
    case GLFW_KEY_RIGHT: player.camera.ry += 5; break;
    case GLFW_KEY_UP: player.camera.rx -= 5; break;
    case GLFW_KEY_DOWN: player.camera.rx += 5; break;
    case GLFW_KEY_EQUAL:
    case GLFW_KEY_KP_ADD: player.camera.tz *= 0.9f; break;
    case GLFW_KEY_MINUS:
    case GLFW_KEY_KP_SUBTRACT: player.camera.tz *= 1.1f; break;
    case GLFW_KEY_R: objRestartEmitters(); break;
    case GLFW_KEY_SPACE: objPauseSimulation(!objIsSimulationPaused()); break;
    default: break;
    }
}

void scroll(GLFWwindow*, double, double y) { player.camera.tz *= y > 0 ? 0.9f : 1.1f; }

void resized(GLFWwindow*, int width, int height) { objResizeWin(width, height); }

bool writePng(const char* path, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = height - 1; y >= 0; --y) png_write_row(png, pixels.data() + static_cast<size_t>(y) * width * 4);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input, output;
    int frames = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc) frames = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--output") && i + 1 < argc) output = argv[++i];
        else if (argv[i][0] != '-') input = argv[i];
        else {
            std::fprintf(stderr, "usage: korvid-player FILE.zob|FILE.raw [--frames N --output OUT.png]\n");
            return 2;
        }
    }
    if (input.empty() || (!output.empty() && frames < 1)) {
        std::fprintf(stderr, "usage: korvid-player FILE.zob|FILE.raw [--frames N --output OUT.png]\n");
        return 2;
    }
    const bool headless = !output.empty();
    if (!glfwInit()) {
        std::fprintf(stderr, "korvid-player: no display to open a window on\n");
        return 1;
    }
    if (headless) glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    const int width = 640, height = 480;
    GLFWwindow* window = glfwCreateWindow(width, height, ("Korvid player - " + input).c_str(), nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "korvid-player: the OpenGL window could not be made\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    int fbWidth = width, fbHeight = height;
    glfwGetFramebufferSize(window, &fbWidth, &fbHeight);
    const WindowData view{fbWidth, fbHeight, 45};
    objInitWin(&view);

    const bool zob = input.size() > 4 && input.compare(input.size() - 4, 4, ".zob") == 0;
    const bool loaded = zob ? objLoadZOB(input.c_str()) : objLoadRaw(input.c_str()) && objSetCurrentModel(0);
    if (!loaded) {
        std::fprintf(stderr, "korvid-player: %s: %s\n", input.c_str(), objGetLastError());
        glfwDestroyWindow(window);
        glfwTerminate();
        return 1;
    }
    frameModel();
    // A game shows the entity alone: no grid, outline or light markers.
    objOnGrid();
    objSetBBox(0);
    objShowLights(false);

    int status = 0;
    if (headless) {
        // A fixed step and seed: the same command always gives the same picture.
        objSetFixedFrameTime(15);
        objSeedRandom(1);
        objRestartEmitters();
        for (int f = 0; f < frames; ++f) objRender(&player.camera);
        glFinish();
        if (!writePng(output.c_str(), fbWidth, fbHeight)) {
            std::fprintf(stderr, "korvid-player: cannot write %s\n", output.c_str());
            status = 1;
        }
        std::printf("%s: %d frames, %d particles alive\n", output.c_str(), frames, objGetLiveParticles(-1));
    } else {
        glfwSetKeyCallback(window, key);
        glfwSetScrollCallback(window, scroll);
        glfwSetFramebufferSizeCallback(window, resized);
        while (!glfwWindowShouldClose(window)) {
            objRender(&player.camera);
            glfwSwapBuffers(window);
            glfwPollEvents();
        }
    }
    objNew();
    glfwDestroyWindow(window);
    glfwTerminate();
    return status;
}

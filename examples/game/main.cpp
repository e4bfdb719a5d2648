// korvid-game: how a game hosts Korvid. It loads an effect once, plays three
// instances of it at places of its own on its own clock, and draws them
// either with its own core-profile OpenGL 3.3 shaders from the particles'
// vertices (the library started without OpenGL), or with objRenderScene over
// a floor of its own in a compatibility context.
//
//   korvid-game EFFECT.zob [--scene] [--live ADDRESS] [--frame-ms MS] [--time MS --output OUT.png]
//
//   --scene        draw with objRenderScene instead of the vertices
//   --live ADDRESS take every edit from Vantor's File > Live Link at once
//                  (the address its status bar shows)
//   --frame-ms MS  give the game clock MS a frame instead of the real time
//                  (a game at 60 frames a second gives about 16.7)
//   --time MS      play MS of game time in frames of --frame-ms, write the
//   --output FILE  last frame as a PNG and quit: any frame length gives
//                  the same picture
//
// Keys: left and right turn the camera, R restarts the instances, Escape quits.
#define GL_GLEXT_PROTOTYPES 1  // Mesa's libGL exports the core functions; elsewhere use a loader
#include <GLFW/glfw3.h>
#include <GL/glext.h>
#include <korvid.h>
#include <png.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr float kNear = 0.1f, kFar = 100.0f;  // the library's own planes, for objRender's picture

// Column-major 4x4 matrices.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Matrix operator*(const Matrix& b) const {
        Matrix r;
        for (int c = 0; c < 4; ++c)
            for (int row = 0; row < 4; ++row) {
                float sum = 0;
                for (int k = 0; k < 4; ++k) sum += m[k * 4 + row] * b.m[c * 4 + k];
                r.m[c * 4 + row] = sum;
            }
        return r;
    }
};

Matrix perspective(float fovDegrees, float aspect) {
    const float t = 1.0f / std::tan(fovDegrees * 3.14159265f / 360.0f);
    Matrix p;
    p.m[0] = t / aspect;
    p.m[5] = t;
    p.m[10] = (kFar + kNear) / (kNear - kFar);
    p.m[11] = -1;
    p.m[14] = 2 * kFar * kNear / (kNear - kFar);
    p.m[15] = 0;
    return p;
}

Matrix translate(float x, float y, float z) {
    Matrix t;
    t.m[12] = x, t.m[13] = y, t.m[14] = z;
    return t;
}

Matrix rotate(float degrees, int axis) {
    const float a = degrees * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    Matrix r;
    r.m[i * 4 + i] = c, r.m[j * 4 + i] = -s, r.m[i * 4 + j] = s, r.m[j * 4 + j] = c;
    return r;
}

// The camera as Korvid takes it, and the same camera as a view matrix:
// translated, then turned about x, y and z.
Matrix viewOf(const CameraData& c) {
    return translate(c.tx, c.ty, c.tz) * rotate(c.rx, 0) * rotate(c.ry, 1) * rotate(c.rz, 2);
}

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "korvid-game: a shader does not compile: %s\n", log);
    }
    return shader;
}

// The game's own particle renderer: one program, one buffer, the effect's
// images uploaded once from the pixels Korvid keeps.
class ParticleRenderer {
public:
    ParticleRenderer() {
        program_ = glCreateProgram();
        glAttachShader(program_, compile(GL_VERTEX_SHADER, R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 colour;
uniform mat4 viewProjection;
out vec2 fragUv;
out vec4 fragColour;
void main() { fragUv = uv; fragColour = colour; gl_Position = viewProjection * vec4(position, 1.0); })"));
        glAttachShader(program_, compile(GL_FRAGMENT_SHADER, R"(#version 330 core
in vec2 fragUv;
in vec4 fragColour;
uniform sampler2D image;
uniform bool textured;
out vec4 result;
void main() { result = textured ? fragColour * texture(image, fragUv) : fragColour; })"));
        glLinkProgram(program_);
        glGenVertexArrays(1, &array_);
        glBindVertexArray(array_);
        glGenBuffers(1, &buffer_);
        glBindBuffer(GL_ARRAY_BUFFER, buffer_);
        const GLsizei stride = sizeof(ParticleVertex);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ParticleVertex, position)));
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ParticleVertex, uv)));
        glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ParticleVertex, colour)));
        for (GLuint k = 0; k < 3; ++k) glEnableVertexAttribArray(k);
    }

    // A new scene came: images of the same name may hold other pixels now.
    void forgetImages() {
        for (auto& [name, id] : textures_) glDeleteTextures(1, &id);
        textures_.clear();
    }

    // Every emitter of every instance, drawn as its hint says.
    void draw(const std::vector<KorvidInstance>& instances, const CameraData& camera, const Matrix& viewProjection) {
        glUseProgram(program_);
        glBindVertexArray(array_);
        glBindBuffer(GL_ARRAY_BUFFER, buffer_);
        glUniformMatrix4fv(glGetUniformLocation(program_, "viewProjection"), 1, GL_FALSE, viewProjection.m);
        glEnable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);  // particles are tested against the scene but never hide each other
        ParticleDrawHint hint;
        for (KorvidInstance instance : instances) {
            for (int32_t e = 0; objGetParticleDrawHint(e, &hint); ++e) {
                const int32_t count = objGetInstanceVertices(instance, e, &camera, nullptr, 0);
                if (count <= 0) continue;
                vertices_.resize(size_t(count));
                objGetInstanceVertices(instance, e, &camera, vertices_.data(), count);
                glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices_.size() * sizeof(ParticleVertex)), vertices_.data(),
                             GL_STREAM_DRAW);
                glBlendFunc(GL_SRC_ALPHA, hint.blend == KORVID_BLEND_ADD ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
                // An emitter's trails are its last vertices, drawn first and without its image.
                const GLsizei trails = hint.trailVertices, particles = count - trails;
                glUniform1i(glGetUniformLocation(program_, "textured"), 0);
                if (trails > 0) glDrawArrays(GL_TRIANGLES, particles, trails);
                glUniform1i(glGetUniformLocation(program_, "textured"), hint.textured);
                if (hint.textured) glBindTexture(GL_TEXTURE_2D, texture(hint.textureName));
                glDrawArrays(GL_TRIANGLES, 0, particles);
            }
        }
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
    }

private:
    GLuint texture(const char* name) {
        auto found = textures_.find(name);
        if (found != textures_.end()) return found->second;
        TextureInfo info{};
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        if (objGetTexture(&info, name) && info.pixels) {
            const GLenum format = info.alpha == 1 ? GL_RGBA : GL_RGB;
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), info.width, info.height, 0, format, GL_UNSIGNED_BYTE,
                         info.pixels);
            glGenerateMipmap(GL_TEXTURE_2D);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        }
        textures_[name] = id;
        return id;
    }

    GLuint program_ = 0, array_ = 0, buffer_ = 0;
    std::map<std::string, GLuint> textures_;
    std::vector<ParticleVertex> vertices_;
};

// The game's own scene under the effects, for the --scene mode: a floor.
void drawFloor(const Matrix& view, const Matrix& projection) {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(view.m);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    for (int x = -6; x < 6; ++x)
        for (int z = -6; z < 6; ++z) {
            const float shade = (x + z) % 2 == 0 ? 0.22f : 0.16f;
            glColor3f(shade, shade, shade * 1.2f);
            glVertex3f(float(x), 0, float(z));
            glVertex3f(float(x), 0, float(z + 1));
            glVertex3f(float(x + 1), 0, float(z + 1));
            glVertex3f(float(x + 1), 0, float(z));
        }
    glEnd();
}

bool writePng(const char* path, int width, int height) {
    std::vector<unsigned char> pixels(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
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
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = height - 1; y >= 0; --y) png_write_row(png, pixels.data() + size_t(y) * width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: korvid-game EFFECT.zob [--scene] [--live ADDRESS] [--frame-ms MS] [--time MS --output OUT.png]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string effect, output, live;
    bool scene = false;
    double frameMs = 0;  // 0: the real time between frames
    int totalMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--scene")) scene = true;
        else if (!std::strcmp(argv[i], "--live") && i + 1 < argc) live = argv[++i];
        else if (!std::strcmp(argv[i], "--frame-ms") && i + 1 < argc) frameMs = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--time") && i + 1 < argc) totalMs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--output") && i + 1 < argc) output = argv[++i];
        else if (argv[i][0] != '-' && effect.empty()) effect = argv[i];
        else return usage();
    }
    if (effect.empty() || (!output.empty() && (totalMs <= 0 || frameMs <= 0))) return usage();
    if (!glfwInit()) {
        std::fprintf(stderr, "korvid-game: no display to open a window on\n");
        return 1;
    }
    if (!output.empty()) glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    if (!scene) {
        // The game's renderer: core-profile OpenGL 3.3, no fixed function at all.
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    }
    GLFWwindow* window = glfwCreateWindow(kWidth, kHeight, ("Korvid in a game - " + effect).c_str(), nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "korvid-game: the OpenGL window could not be made\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    int width = kWidth, height = kHeight;
    glfwGetFramebufferSize(window, &width, &height);

    // Korvid: headless when the game draws the vertices itself; on the
    // game's context when it draws with objRenderScene. Either way the
    // window's size gives points and lines their width in pixels.
    const WindowData windowData{width, height, 45};
    if (scene) objInitWin(&windowData);
    else objStartHeadless();
    objResizeWin(width, height);
    // The effect, loaded once; the model itself is hidden: only its instances play on screen.
    if (!objLoadZOB(effect.c_str())) {
        std::fprintf(stderr, "korvid-game: %s: %s\n", effect.c_str(), objGetLastError());
        glfwTerminate();
        return 1;
    }
    objSetVisible(0, -1, false);
    objSeedRandom(1);
    objRestartEmitters();
    std::vector<KorvidInstance> instances;
    for (float x : {-3.0f, 0.0f, 3.0f}) {
        const KorvidInstance instance = objCreateInstance(0);
        if (!instance) {
            std::fprintf(stderr, "korvid-game: %s\n", objGetLastError());
            glfwTerminate();
            return 1;
        }
        const float place[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, 0, -std::fabs(x) * 0.5f, 1};
        objSetInstanceTransform(instance, place);
        instances.push_back(instance);
    }

    // The live link: the editor's scene replaces the effect as it is edited;
    // the instances keep their places and moments.
    bool linked = !live.empty() && objLiveLinkConnect(live.c_str());
    if (!live.empty() && !linked) std::fprintf(stderr, "korvid-game: %s\n", objGetLastError());

    CameraData camera{0, -1.5f, -10, 18, 0, 0};
    ParticleRenderer* renderer = scene ? nullptr : new ParticleRenderer();
    glfwSetKeyCallback(window, [](GLFWwindow* w, int key, int, int action, int) {
        if (action != GLFW_RELEASE && key == GLFW_KEY_ESCAPE) glfwSetWindowShouldClose(w, GLFW_TRUE);
    });
    double last = glfwGetTime(), playedMs = 0;
    int64_t advancedMs = 0;  // whole milliseconds given to Korvid so far
    int status = 0;
    while (!glfwWindowShouldClose(window)) {
        // The game's clock: whatever a frame took (vsync on or off), Korvid
        // advances in whole fixed steps and keeps the rest for the next frame.
        const double now = glfwGetTime();
        double ms = frameMs > 0 ? frameMs : (now - last) * 1000.0;
        last = now;
        if (totalMs > 0 && playedMs + ms > totalMs) ms = totalMs - playedMs;
        playedMs += ms;
        const int64_t reached = int64_t(std::floor(playedMs + 1e-6));
        objAdvance(int32_t(reached - advancedMs));
        advancedMs = reached;

        if (linked) {
            const int32_t result = objLiveLinkPoll();
            if (result == 1 && renderer) renderer->forgetImages();
            if (result < 0) {
                std::fprintf(stderr, "korvid-game: %s\n", objGetLastError());
                linked = objLiveLinkPeers() > 0;  // a refused scene keeps the link; an ended link is let go
            }
        }
        if (glfwGetKey(window, GLFW_KEY_LEFT) == GLFW_PRESS) camera.ry -= 1;
        if (glfwGetKey(window, GLFW_KEY_RIGHT) == GLFW_PRESS) camera.ry += 1;
        if (glfwGetKey(window, GLFW_KEY_R) == GLFW_PRESS)
            for (KorvidInstance i : instances) objRestartInstance(i);

        const Matrix projection = perspective(45, float(width) / float(height));
        const Matrix view = viewOf(camera);
        glViewport(0, 0, width, height);
        glClearColor(0.05f, 0.05f, 0.08f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (scene) {
            drawFloor(view, projection);
            if (!objRenderScene(view.m, projection.m, 0)) {
                std::fprintf(stderr, "korvid-game: %s\n", objGetLastError());
                status = 1;
                break;
            }
        } else {
            renderer->draw(instances, camera, projection * view);
        }
        if (totalMs > 0 && playedMs >= totalMs) {
            glFinish();
            if (!output.empty() && !writePng(output.c_str(), width, height)) {
                std::fprintf(stderr, "korvid-game: cannot write %s\n", output.c_str());
                status = 1;
            }
            break;
        }
        glfwSwapBuffers(window);
        glfwPollEvents();
    }
    delete renderer;
    objNew();
    glfwDestroyWindow(window);
    glfwTerminate();
    return status;
}

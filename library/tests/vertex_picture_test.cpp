// The particles as vertices, drawn by a core-profile OpenGL 3.3 renderer of
// a game's own (shaders, buffers, the images uploaded from their pixels),
// against the fixed-function picture objRender draws of every sample with
// particles.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "library_test.h"
#include "platform.h"

using namespace korvid::testing;

namespace {

const CameraData kCamera{0, -1.5f, -11, 15, 20, 0};
constexpr int32_t kMoment = 1500;

// How close the two pictures must be, in levels of 0..255 over the colour
// channels: the mean difference over the picture, and the share of pixels
// within kNear levels. Points and lines differ at their edges (the fixed
// function draws them round and smoothed, the vertices as square quads);
// everything else is the same triangles.
constexpr double kMeanTolerance = 1.5;
constexpr int kNear = 24;
constexpr double kNearShare = 0.97;

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 colour;
uniform mat4 viewProjection;
out vec2 fragUv;
out vec4 fragColour;
void main() {
    fragUv = uv;
    fragColour = colour;
    gl_Position = viewProjection * vec4(position, 1.0);
})";

const char* kFragmentShader = R"(#version 330 core
in vec2 fragUv;
in vec4 fragColour;
uniform sampler2D image;
uniform bool textured;
out vec4 result;
void main() {
    result = textured ? fragColour * texture(image, fragUv) : fragColour;
})";

struct Draw {
    ParticleDrawHint hint;
    std::vector<ParticleVertex> vertices;
};

// Every shown emitter's vertices and hint, model by model, as objRender draws them.
std::vector<Draw> gatherDraws() {
    std::vector<Draw> draws;
    for (int32_t m = 0; m < objGetModelCount(); ++m) {
        if (objGetVisible(m, -1) == 0) continue;
        objSetCurrentModel(m);
        for (int32_t e = 0; objGetParticleDrawHint(e, &draws.emplace_back().hint); ++e) {
            Draw& d = draws.back();
            const int32_t n = objGetParticleVertices(e, &kCamera, nullptr, 0);
            d.vertices.resize(size_t(n));
            EXPECT_EQ(objGetParticleVertices(e, &kCamera, d.vertices.data(), n), n);
            if (objGetVisible(m, e) == 0) d.vertices.clear();
        }
        draws.pop_back();
    }
    return draws;
}

// The column-major projection and view objRender uses for kCamera.
void matrices(float out[16]) {
    const double fov = 45.0 * M_PI / 180.0, aspect = double(kWidth) / kHeight, n = 0.1f, f = 100.0;
    const double t = 1.0 / std::tan(fov / 2);
    double projection[16] = {t / aspect, 0, 0, 0, 0, t, 0, 0, 0, 0, (f + n) / (n - f), -1, 0, 0, 2 * f * n / (n - f), 0};
    // view = translate * rotate x * rotate y * rotate z
    auto rotate = [](double degrees, int axis, double m[16]) {
        const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
        for (int k = 0; k < 16; ++k) m[k] = k % 5 == 0 ? 1 : 0;
        const int i = (axis + 1) % 3, j = (axis + 2) % 3;
        m[i * 4 + i] = c, m[j * 4 + i] = -s, m[i * 4 + j] = s, m[j * 4 + j] = c;
    };
    auto multiply = [](const double a[16], const double b[16], double out[16]) {
        double r[16];
        for (int c = 0; c < 4; ++c)
            for (int row = 0; row < 4; ++row) {
                r[c * 4 + row] = 0;
                for (int k = 0; k < 4; ++k) r[c * 4 + row] += a[k * 4 + row] * b[c * 4 + k];
            }
        std::memcpy(out, r, sizeof r);
    };
    double view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, kCamera.tx, kCamera.ty, kCamera.tz, 1}, turn[16];
    rotate(kCamera.rx, 0, turn);
    multiply(view, turn, view);
    rotate(kCamera.ry, 1, turn);
    multiply(view, turn, view);
    rotate(kCamera.rz, 2, turn);
    multiply(view, turn, view);
    double all[16];
    multiply(projection, view, all);
    for (int k = 0; k < 16; ++k) out[k] = float(all[k]);
}

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    EXPECT_TRUE(ok);
    return shader;
}

// Draws the vertices as a game's core-profile renderer would.
std::vector<Rgba> drawWithShaders(const std::vector<Draw>& draws) {
    const GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, kVertexShader));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, kFragmentShader));
    glLinkProgram(program);
    glUseProgram(program);
    float viewProjection[16];
    matrices(viewProjection);
    glUniformMatrix4fv(glGetUniformLocation(program, "viewProjection"), 1, GL_FALSE, viewProjection);
    glUniform1i(glGetUniformLocation(program, "image"), 0);
    GLuint array = 0, buffer = 0;
    glGenVertexArrays(1, &array);
    glBindVertexArray(array);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLsizei stride = sizeof(ParticleVertex);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ParticleVertex, position)));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ParticleVertex, uv)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ParticleVertex, colour)));
    for (GLuint k = 0; k < 3; ++k) glEnableVertexAttribArray(k);
    // The images, uploaded from the pixels the library keeps.
    std::map<std::string, GLuint> textures;
    for (const Draw& d : draws) {
        if (!d.hint.textured || textures.count(d.hint.textureName)) continue;
        TextureInfo info;
        EXPECT_TRUE(objGetTexture(&info, d.hint.textureName));
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        const GLenum format = info.alpha == 1 ? GL_RGBA : GL_RGB;
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), info.width, info.height, 0, format, GL_UNSIGNED_BYTE, info.pixels);
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        textures[d.hint.textureName] = texture;
    }
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);  // the samples' meshes are left out of both pictures
    for (const Draw& d : draws) {
        if (d.vertices.empty()) continue;
        glBlendFunc(GL_SRC_ALPHA, d.hint.blend == KORVID_BLEND_ADD ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(d.vertices.size() * sizeof(ParticleVertex)), d.vertices.data(),
                     GL_STREAM_DRAW);
        const GLsizei particles = GLsizei(d.vertices.size()) - d.hint.trailVertices;
        const GLint textured = d.hint.textured ? 1 : 0;
        glUniform1i(glGetUniformLocation(program, "textured"), 0);
        // Trails are drawn first, as objRender draws them.
        if (d.hint.trailVertices > 0) glDrawArrays(GL_TRIANGLES, particles, d.hint.trailVertices);
        glUniform1i(glGetUniformLocation(program, "textured"), textured);
        if (textured) glBindTexture(GL_TEXTURE_2D, textures[d.hint.textureName]);
        glDrawArrays(GL_TRIANGLES, 0, particles);
    }
    glFinish();
    auto pixels = readPixels(kWidth, kHeight);
    for (auto& [name, texture] : textures) glDeleteTextures(1, &texture);
    glDeleteBuffers(1, &buffer);
    glDeleteVertexArrays(1, &array);
    glDeleteProgram(program);
    return pixels;
}

class VertexPictureTest : public LibraryTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(VertexPictureTest, DrawnWithShadersTheyMatchTheFixedFunctionPicture) {
    const WindowData window{kWidth, kHeight, 45};
    objInitWin(&window);
    glDisable(GL_CULL_FACE);
    ASSERT_TRUE(objLoadZOB((std::string(KORVID_SAMPLES) + "/" + GetParam() + ".zob").c_str())) << objGetLastError();
    objShowModels(false);
    objSetBBox(0);
    objOnGrid();
    objShowLights(false);
    objSetFixedFrameTime(15);
    objSeedRandom(21);
    objRestartEmitters();
    objAdvance(kMoment);
    objRender(&kCamera);
    glFinish();
    const auto fixed = readPixels(kWidth, kHeight);
    const std::vector<Draw> draws = gatherDraws();

    std::vector<Rgba> shaded;
    {
        HeadlessContext core(kWidth, kHeight, HeadlessContext::Profile::Core33);
        ASSERT_TRUE(core.ok()) << core.error();
        // Where the fixed function draws nothing, objRenderScene says so.
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        EXPECT_FALSE(objRenderScene(identity, identity, 0));
        EXPECT_NE(std::string(objGetLastError()).find("core-profile"), std::string::npos);
        shaded = drawWithShaders(draws);
    }
    ASSERT_TRUE(sharedContext().makeCurrent());

    double sum = 0;
    int near = 0, lit = 0;
    for (size_t k = 0; k < fixed.size(); ++k) {
        const int d[3] = {std::abs(fixed[k].r - shaded[k].r), std::abs(fixed[k].g - shaded[k].g),
                          std::abs(fixed[k].b - shaded[k].b)};
        sum += d[0] + d[1] + d[2];
        near += std::max({d[0], d[1], d[2]}) <= kNear;
        lit += fixed[k].r + fixed[k].g + fixed[k].b > 30;
    }
    const double mean = sum / (3.0 * double(fixed.size()));
    const double share = double(near) / double(fixed.size());
    EXPECT_GT(lit, 20) << "the sample shows particles from this camera";
    EXPECT_LE(mean, kMeanTolerance);
    EXPECT_GE(share, kNearShare);
    std::printf("%s: mean difference %.2f levels, %.2f%% of pixels within %d\n", GetParam().c_str(), mean,
                100.0 * share, kNear);
}

INSTANTIATE_TEST_SUITE_P(EverySample, VertexPictureTest,
                         ::testing::Values("fountain", "sparks", "fireworks", "smoke", "campfire", "magic",
                                           "sparks_on_steps", "flipbook_fire", "spark_trails"));

}  // namespace

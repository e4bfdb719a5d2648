// Frame lists and output names, and coverage from renders over black and white.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "alpha_bake.h"
#include "frame_list.h"
#include "library_test.h"

using namespace korvid::media;

namespace {

TEST(FrameList, RangesSinglesAndStepsAsRenderFarmsWriteThem) {
    std::string error;
    EXPECT_EQ(parseFrameList("1-5,47,60-70:5", &error), (std::vector<int32_t>{1, 2, 3, 4, 5, 47, 60, 65, 70}));
    EXPECT_EQ(parseFrameList("9,3-4,4", &error), (std::vector<int32_t>{3, 4, 9})) << "sorted, each once";
    EXPECT_EQ(parseFrameList("10000000", &error), (std::vector<int32_t>{10000000}));
    EXPECT_EQ(parseFrameList("1-100000", &error).size(), 100000u) << "a run takes up to 100000 frames";
    EXPECT_TRUE(parseFrameList("1-100000,100001", &error).empty());
    for (const char* wrong : {"", "0", "5-3", "1-", "-4", "1,,2", "1-9:0", "1-9:", "a", "1 2", "10000001",
                              "99999999999999999999", "1-9:2x", "1-2000000"}) {
        error.clear();
        EXPECT_TRUE(parseFrameList(wrong, &error).empty()) << wrong;
        EXPECT_FALSE(error.empty()) << wrong;
    }
}

TEST(FrameList, OutputNamesTakeTheFrameNumber) {
    std::string out, error;
    ASSERT_TRUE(expandFramePattern("shot_{frame:04}.png", 47, &out, &error));
    EXPECT_EQ(out, "shot_0047.png");
    ASSERT_TRUE(expandFramePattern("{frame}/{frame:02}", 123, &out, &error));
    EXPECT_EQ(out, "123/123");
    EXPECT_TRUE(hasFramePlaceholder("a{frame}"));
    EXPECT_FALSE(hasFramePlaceholder("a.png"));
    for (const char* wrong : {"a{frame", "a{frames}.png", "{frame:4}", "{frame:00}", "{frame:0x}", "{}"})
        EXPECT_FALSE(expandFramePattern(wrong, 1, &out, &error)) << wrong;
}

korvid::support::Image solid(int r, int g, int b) {
    korvid::support::Image image;
    image.width = 2;
    image.height = 1;
    image.rgba = {uint8_t(r), uint8_t(g), uint8_t(b), 255, 0, 0, 0, 255};
    return image;
}

// Red at half coverage shows as (128, 0, 0) over black and (255, 127, 127)
// over white; an empty pixel shows each background as it is.
TEST(AlphaBake, CoverageAndColourFromBlackAndWhite) {
    korvid::support::Image black = solid(128, 0, 0), white = solid(255, 127, 127);
    white.rgba[4] = white.rgba[5] = white.rgba[6] = 255;  // the second pixel: nothing there
    const auto straight = bakeAlpha(black, white, AlphaMode::Straight);
    EXPECT_NEAR(straight.rgba[3], 128, 1);
    EXPECT_NEAR(straight.rgba[0], 255, 1);
    EXPECT_EQ(straight.rgba[1], 0);
    EXPECT_EQ(std::vector<uint8_t>(straight.rgba.begin() + 4, straight.rgba.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
    const auto premultiplied = bakeAlpha(black, white, AlphaMode::Premultiplied);
    EXPECT_EQ(premultiplied.rgba[0], 128);
    EXPECT_NEAR(premultiplied.rgba[3], 128, 1);
    const auto opaque = bakeAlpha(solid(10, 20, 30), solid(10, 20, 30), AlphaMode::Straight);
    EXPECT_EQ(opaque.rgba[3], 255);
    EXPECT_EQ(opaque.rgba[2], 30);
}

}  // namespace

namespace {

using korvid::testing::kHeight;
using korvid::testing::kWidth;

class BakedEffectTest : public korvid::testing::LibraryTest {};

// A generated effect with known pixels: one polygon particle, red at half
// opacity, in the middle of the view. Baked over black and white, the middle
// reads red with alpha one half, the corners nothing at all.
TEST_F(BakedEffectTest, OneHalfRedParticleBakesToRedAtHalfAlpha) {
    const WindowData window{kWidth, kHeight, 45};
    objInitWin(&window);
    ASSERT_TRUE(objAddMesh(nullptr, 0)) << objGetLastError();
    objOnGrid();
    objSetBBox(0);
    objShowLights(false);
    objShowModels(false);
    EmitterData e;
    objInitEmitter(&e);
    e.particleType = KORVID_PARTICLE_POLYGONS;
    e.totalParticles = 1;
    e.emitterPerCycle = 1;
    e.emitterTime = 100000;
    e.lifespanTime = 1;
    e.life = 100000;
    e.speed = 0;
    e.yawVar = e.pitchVar = 0;
    e.startSize = e.endSize = 3;
    for (float* c : {e.startColor, e.endColor}) {
        c[0] = 1;
        c[1] = c[2] = 0;
        c[3] = 0.5f;
    }
    ASSERT_EQ(objAddEmitter(&e), 1);
    objSetFixedFrameTime(15);
    objSeekSimulation(30);
    // A model without surfaces leaves face culling as the library starts it,
    // which would cull the quad; the effect is generated to be seen.
    glDisable(GL_CULL_FACE);
    objPauseSimulation(true);
    const CameraData camera{0, 0, -5, 0, 0, 0};
    auto grab = [] {
        korvid::support::Image image;
        image.width = kWidth;
        image.height = kHeight;
        for (const auto& p : korvid::support::readPixels(kWidth, kHeight)) image.rgba.insert(image.rgba.end(), {p.r, p.g, p.b, 255});
        return image;
    };
    const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    objSetClearColor(black);
    objRender(&camera);
    const auto overBlack = grab();
    objSetClearColor(white);
    objRender(&camera);
    const auto overWhite = grab();
    objSetClearColor(black);
    objPauseSimulation(false);
    objSetFixedFrameTime(-1);
    objShowModels(true);
    objShowLights(true);
    const auto baked = bakeAlpha(overBlack, overWhite, AlphaMode::Straight);
    const uint8_t* middle = &baked.rgba[(size_t(kHeight / 2) * kWidth + kWidth / 2) * 4];
    EXPECT_NEAR(middle[3], 128, 2) << "half coverage";
    EXPECT_NEAR(middle[0], 255, 2);
    EXPECT_LE(middle[1], 2);
    EXPECT_LE(middle[2], 2);
    EXPECT_EQ(baked.rgba[3], 0) << "a corner has nothing";
}

}  // namespace

// ---- Animated pictures and video, read back with each format's own library ----

#include <gif_lib.h>
#include <webp/demux.h>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <filesystem>

#include <unistd.h>
#include <fstream>
#include <iterator>

#include "animation_writer.h"

namespace {

constexpr int kW = 64, kH = 48, kFrames = 5;

// Frame k: the left half one colour that changes with k, the right half empty.
korvid::support::Image frameOf(int k) {
    korvid::support::Image image;
    image.width = kW;
    image.height = kH;
    image.rgba.assign(size_t(kW) * kH * 4, 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW / 2; ++x) {
            uint8_t* p = &image.rgba[(size_t(y) * kW + x) * 4];
            p[0] = uint8_t(40 + 40 * k);
            p[1] = 100;
            p[2] = 200;
            p[3] = 255;
        }
    return image;
}

// A path in this process's own temporary folder, so runs side by side never
// share a file.
std::string ownTempPath(const std::string& name) {
    // Made once and removed, with what is left in it, when the process ends.
    static const struct OwnFolder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("korvid-media-test-" + std::to_string(::getpid()));
        OwnFolder() { std::filesystem::create_directories(path); }
        ~OwnFolder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return (folder.path / name).string();
}

std::string writeAnimation(const std::string& name, bool lossless = true) {
    const std::string path = ownTempPath(name);
    korvid::media::AnimationOptions options;
    options.frameMs = 40;
    options.lossless = lossless;
    options.quality = 90;
    std::string error;
    auto writer = korvid::media::openAnimation(path, kW, kH, options, &error);
    EXPECT_NE(writer, nullptr) << error;
    if (!writer) return path;
    for (int k = 0; k < kFrames; ++k) EXPECT_TRUE(writer->add(frameOf(k), &error)) << error;
    EXPECT_TRUE(writer->finish(&error)) << error;
    return path;
}

TEST(Animation, LosslessWebPKeepsEveryPixelAndItsAlpha) {
    const std::string path = writeAnimation("korvid-anim.webp");
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    ASSERT_TRUE(WebPAnimDecoderOptionsInit(&options));
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    ASSERT_NE(decoder, nullptr);
    WebPAnimInfo info;
    ASSERT_TRUE(WebPAnimDecoderGetInfo(decoder, &info));
    EXPECT_EQ(info.canvas_width, uint32_t(kW));
    EXPECT_EQ(info.canvas_height, uint32_t(kH));
    EXPECT_EQ(info.frame_count, uint32_t(kFrames));
    int k = 0, timestamp = 0;
    uint8_t* pixels = nullptr;
    while (WebPAnimDecoderGetNext(decoder, &pixels, &timestamp)) {
        const auto expected = frameOf(k++);
        EXPECT_EQ(0, std::memcmp(pixels, expected.rgba.data(), expected.rgba.size())) << "frame " << k << " exact";
    }
    EXPECT_EQ(k, kFrames);
    EXPECT_EQ(timestamp, kFrames * 40);
    WebPAnimDecoderDelete(decoder);
    std::filesystem::remove(path);
}

TEST(Animation, GifHasEveryFrameItsColoursAndTransparency) {
    const std::string path = writeAnimation("korvid-anim.gif");
    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, kW);
    EXPECT_EQ(gif->SHeight, kH);
    ASSERT_EQ(gif->ImageCount, kFrames);
    for (int k = 0; k < kFrames; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 4) << "40 ms";
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const GifColorType left = map->Colors[image.RasterBits[size_t(kH / 2) * kW + 2]];
        EXPECT_NEAR(left.Red, 40 + 40 * k, 4) << "frame " << k;
        EXPECT_NEAR(left.Green, 100, 4);
        EXPECT_NEAR(left.Blue, 200, 4);
        EXPECT_EQ(image.RasterBits[size_t(kH / 2) * kW + kW - 2], control.TransparentColor) << "the right half is empty";
        EXPECT_NE(control.TransparentColor, NO_TRANSPARENT_COLOR);
    }
    DGifCloseFile(gif, &code);
    std::filesystem::remove(path);
}

// Pictures round-trip through PNG to the byte; an opaque one is stored
// without its alpha channel (colour type 2), one with any see-through pixel
// keeps it (colour type 6).
TEST(Png, OpaquePicturesDropTheirAlphaAndEveryPixelComesBack) {
    for (const bool seeThrough : {false, true}) {
        korvid::support::Image picture = frameOf(2);
        for (size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
        if (seeThrough) picture.rgba[7] = 128;
        const std::string path = ownTempPath(seeThrough ? "see-through.png" : "opaque.png");
        std::string error;
        ASSERT_TRUE(korvid::support::writePng(path, picture, &error)) << error;
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 26u);
        EXPECT_EQ(int(bytes[25]), seeThrough ? 6 : 2) << "the IHDR colour type";
        korvid::support::Image back;
        ASSERT_TRUE(korvid::support::readPng(path, back, &error)) << error;
        EXPECT_EQ(back.width, picture.width);
        EXPECT_EQ(back.height, picture.height);
        EXPECT_EQ(back.rgba, picture.rgba);
    }
}

// The quick palette still follows smooth shading: a frame of two crossing
// gradients (thousands of colours, as lit surfaces give) comes back from the
// GIF within a few levels on average, and never far off anywhere.
TEST(Animation, GifKeepsSmoothShadingClose) {
    constexpr int w = 160, h = 120;
    korvid::support::Image frame;
    frame.width = w;
    frame.height = h;
    frame.rgba.resize(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &frame.rgba[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t((x + y) * 255 / (w + h - 2));
            p[3] = 255;
        }
    const std::string path = ownTempPath("korvid-gradient.gif");
    std::string error;
    auto writer = korvid::media::openAnimation(path, w, h, {}, &error);
    ASSERT_NE(writer, nullptr) << error;
    ASSERT_TRUE(writer->add(frame, &error)) << error;
    ASSERT_TRUE(writer->finish(&error)) << error;
    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 1);
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    double total = 0;
    int worst = 0;
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        const GifColorType c = map->Colors[image.RasterBits[i]];
        const int d[3] = {std::abs(c.Red - frame.rgba[i * 4]), std::abs(c.Green - frame.rgba[i * 4 + 1]),
                          std::abs(c.Blue - frame.rgba[i * 4 + 2])};
        for (int e : d) {
            total += e;
            worst = std::max(worst, e);
        }
    }
    EXPECT_LT(total / (3.0 * w * h), 4.5);
    EXPECT_LT(worst, 30);
    DGifCloseFile(gif, &code);
}

// Frames are quantised side by side: the same frames always give the same
// file, in their order, however the workers finish.
TEST(Animation, GifQuantisedOnWorkersIsTheSameFileEveryTime) {
    std::string files[2];
    for (int run = 0; run < 2; ++run) {
        const std::string path = ownTempPath(run == 0 ? "korvid-same-a.gif" : "korvid-same-b.gif");
        korvid::media::AnimationOptions options;
        options.frameMs = 15;
        std::string error;
        auto writer = korvid::media::openAnimation(path, kW, kH, options, &error);
        ASSERT_NE(writer, nullptr) << error;
        for (int k = 0; k < 24; ++k) ASSERT_TRUE(writer->add(frameOf(k % kFrames), &error)) << error;
        ASSERT_TRUE(writer->finish(&error)) << error;
        std::ifstream in(path, std::ios::binary);
        files[run].assign(std::istreambuf_iterator<char>(in), {});
        std::filesystem::remove(path);
    }
    ASSERT_FALSE(files[0].empty());
    EXPECT_EQ(files[0], files[1]);
}

// A GIF plays as long as its frames: 15 ms frames take 1 and 2 hundredths of
// a second by turns, so 60 frames last 0.9 s, not 1.2 s.
TEST(Animation, GifDelaysAddUpToTheEffectsLength) {
    const std::string path = ownTempPath("korvid-timing.gif");
    korvid::media::AnimationOptions options;
    options.frameMs = 15;
    std::string error;
    auto writer = korvid::media::openAnimation(path, kW, kH, options, &error);
    ASSERT_NE(writer, nullptr) << error;
    for (int k = 0; k < 60; ++k) ASSERT_TRUE(writer->add(frameOf(k % 4), &error)) << error;
    ASSERT_TRUE(writer->finish(&error)) << error;
    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 60);
    int total = 0;
    for (int k = 0; k < gif->ImageCount; ++k) {
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK);
        EXPECT_TRUE(control.DelayTime == 1 || control.DelayTime == 2) << k;
        total += control.DelayTime;
        // Every frame ends within half a hundredth of its own time.
        EXPECT_LE(std::abs(total * 10 - (k + 1) * 15), 5) << k;
    }
    EXPECT_EQ(total, 90) << "0.9 s";
    DGifCloseFile(gif, &code);
    std::filesystem::remove(path);
}

// The frames of a video decoded as RGBA.
std::vector<korvid::support::Image> decodeVideo(const std::string& path) {
    std::vector<korvid::support::Image> frames;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return frames;
    avformat_find_stream_info(format, nullptr);
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
    codec->thread_count = 1;
    avcodec_open2(codec, decoder, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto take = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            korvid::support::Image image;
            image.width = frame->width;
            image.height = frame->height;
            image.rgba.resize(size_t(frame->width) * frame->height * 4);
            SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                             frame->height, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr);
            uint8_t* out[1] = {image.rgba.data()};
            const int stride[1] = {frame->width * 4};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, stride);
            sws_freeContext(sws);
            frames.push_back(std::move(image));
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream) {
            while (avcodec_send_packet(codec, packet) == AVERROR(EAGAIN)) take();
            take();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    take();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return frames;
}

TEST(Animation, Mp4AndWebMHoldEveryFrame) {
    for (const char* name : {"korvid-anim.mp4", "korvid-anim.webm"}) {
        SCOPED_TRACE(name);
        const std::string path = writeAnimation(name);
        const auto frames = decodeVideo(path);
        ASSERT_EQ(frames.size(), size_t(kFrames));
        for (int k = 0; k < kFrames; ++k) {
            ASSERT_EQ(frames[size_t(k)].width, kW);
            ASSERT_EQ(frames[size_t(k)].height, kH);
            const uint8_t* p = &frames[size_t(k)].rgba[(size_t(kH / 2) * kW + 8) * 4];
            EXPECT_NEAR(p[0], 40 + 40 * k, 12) << "frame " << k << " within the codec's tolerance";
            EXPECT_NEAR(p[1], 100, 12);
            EXPECT_NEAR(p[2], 200, 12);
        }
        std::filesystem::remove(path);
    }
    std::string error;
    EXPECT_EQ(korvid::media::openAnimation(ownTempPath("odd.mp4"), 63, 48, {}, &error), nullptr);
    EXPECT_FALSE(error.empty()) << "an odd width is refused with a message";
    EXPECT_EQ(korvid::media::openAnimation(ownTempPath("a.avi"), 64, 48, {}, &error), nullptr);
}

}  // namespace

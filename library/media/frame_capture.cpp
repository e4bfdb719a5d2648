#include "frame_capture.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

namespace korvid::media {

support::Image grabFrame(int width, int height) {
    support::Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(static_cast<size_t>(width) * height * 4);
    std::vector<uint8_t> bottomUp(image.rgba.size());
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(&image.rgba[static_cast<size_t>(y) * width * 4],
                    &bottomUp[static_cast<size_t>(height - 1 - y) * width * 4], static_cast<size_t>(width) * 4);
    for (size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
    return image;
}

support::Image captureFrame(const CameraData& camera, const CaptureLook& look) {
    if (!look.transparent) {
        if (look.background) objSetClearColor(look.background);
        objRender(&camera);
        return grabFrame(look.width, look.height);
    }
    const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    objSetClearColor(black);
    objRender(&camera);
    const support::Image overBlack = grabFrame(look.width, look.height);
    objSetClearColor(white);
    objRender(&camera);
    const support::Image overWhite = grabFrame(look.width, look.height);
    objSetClearColor(black);
    return bakeAlpha(overBlack, overWhite, look.alpha);
}

support::Image captureMoment(const CameraData& camera, int ms, const CaptureLook& look) {
    objSeekSimulation(ms);
    objPauseSimulation(true);
    return captureFrame(camera, look);
}

}  // namespace korvid::media

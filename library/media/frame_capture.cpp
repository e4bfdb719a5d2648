#include "frame_capture.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

namespace korvid::media {

support::Image grabFrame(int width, int height) {
    support::Image image;
    image.width = width;
    image.height = height;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    image.rgba.resize(rowBytes * height);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    // GL reads bottom row first: turn the rows over in place, so a frame
    // touches one buffer of fresh memory, not two.
    std::vector<uint8_t> row(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = &image.rgba[static_cast<size_t>(top) * rowBytes];
        uint8_t* b = &image.rgba[static_cast<size_t>(bottom) * rowBytes];
        std::memcpy(row.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, row.data(), rowBytes);
    }
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

bool pictureSpot(const float world[3], int width, int height, float out[2]) {
    float model[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    float eye[4], clip[4];
    for (int r = 0; r < 4; ++r)
        eye[r] = model[r] * world[0] + model[4 + r] * world[1] + model[8 + r] * world[2] + model[12 + r];
    for (int r = 0; r < 4; ++r)
        clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] +
                  projection[12 + r] * eye[3];
    if (!(clip[3] > 0)) return false;
    out[0] = (clip[0] / clip[3] * 0.5f + 0.5f) * float(width);
    out[1] = (0.5f - clip[1] / clip[3] * 0.5f) * float(height);  // pictures run top down
    return true;
}

}  // namespace korvid::media

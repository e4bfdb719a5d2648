// korvid-render's output of moments: each picture is one moment of the
// effect reached by a seek, so a frame is the same whether it is rendered
// alone, in a chunk or in a long run. Frame lists to numbered files,
// sprite sheets with a JSON description, and animated pictures and video.
#pragma once
#include <string>
#include <vector>

#include "alpha_bake.h"
#include "korvid.h"

struct MomentOptions {
    int width = 640, height = 480;
    int stepMs = 15;                  // the time between frames
    std::vector<int> frames;          // frame k shows the moment k * stepMs
    std::string output;               // a name with {frame} or {frame:0N}, or a sheet or animation file
    bool transparent = false;
    korvid::media::AlphaMode alpha = korvid::media::AlphaMode::Straight;
    // Sprite sheet: columns and rows (0: none), the range of moments it covers
    // (ms) and whether the frames are cut to the effect's bounds.
    int cols = 0, rows = 0;
    int from = 0, to = 0;
    bool fit = false;
    // Animated pictures and video: lossless WebP, and the quality of the others.
    bool lossless = true;
    int quality = 80;
};


// Whether `path` names an animated picture or video (.webp, .gif, .mp4, .webm).
bool isAnimationName(const std::string& path);

// Renders what `o` asks for with the model loaded and the camera given;
// the exit status (0, or 1 after a message).
int renderMoments(const MomentOptions& o, const CameraData& camera);

#include "sprite_sheet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace korvid::media {

SpriteSheet layOutSheet(const std::vector<support::Image>& frames, int cols, int rows, bool fit) {
    SpriteSheet sheet;
    if (frames.empty() || cols <= 0 || rows <= 0) return sheet;
    const int width = frames.front().width, height = frames.front().height;
    int x0 = 0, y0 = 0, x1 = width, y1 = height;
    if (fit) {
        x0 = width, y0 = height, x1 = 0, y1 = 0;
        for (const auto& f : frames)
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (f.rgba[(size_t(y) * width + x) * 4 + 3] != 0) {
                        x0 = std::min(x0, x);
                        y0 = std::min(y0, y);
                        x1 = std::max(x1, x + 1);
                        y1 = std::max(y1, y + 1);
                    }
        if (x1 <= x0 || y1 <= y0) x0 = 0, y0 = 0, x1 = width, y1 = height;  // nothing covered: whole frames
    }
    sheet.frameWidth = x1 - x0;
    sheet.frameHeight = y1 - y0;
    sheet.offsetX = x0;
    sheet.offsetY = y0;
    sheet.image.width = sheet.frameWidth * cols;
    sheet.image.height = sheet.frameHeight * rows;
    sheet.image.rgba.assign(size_t(sheet.image.width) * sheet.image.height * 4, 0);
    const int count = std::min<int>(cols * rows, static_cast<int>(frames.size()));
    for (int i = 0; i < count; ++i) {
        const int cx = (i % cols) * sheet.frameWidth, cy = (i / cols) * sheet.frameHeight;
        for (int y = 0; y < sheet.frameHeight; ++y)
            std::memcpy(&sheet.image.rgba[(size_t(cy + y) * sheet.image.width + cx) * 4],
                        &frames[size_t(i)].rgba[(size_t(y0 + y) * width + x0) * 4], size_t(sheet.frameWidth) * 4);
    }
    return sheet;
}

namespace {
std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    return out + "\"";
}
}  // namespace

std::string describeSheet(const SpriteSheet& sheet, const std::string& imageName, int cols, int rows,
                          const std::vector<int>& timesMs, double framesPerSecond, const char* alpha) {
    char line[256];
    std::string json = "{\n  \"image\": " + jsonString(imageName) + ",\n";
    std::snprintf(line, sizeof line, "  \"frameWidth\": %d,\n  \"frameHeight\": %d,\n", sheet.frameWidth,
                  sheet.frameHeight);
    json += line;
    std::snprintf(line, sizeof line, "  \"columns\": %d,\n  \"rows\": %d,\n  \"frameCount\": %d,\n", cols, rows,
                  static_cast<int>(timesMs.size()));
    json += line;
    std::snprintf(line, sizeof line, "  \"framesPerSecond\": %.6g,\n  \"alpha\": \"%s\",\n", framesPerSecond, alpha);
    json += line;
    std::snprintf(line, sizeof line, "  \"sourceOffset\": [%d, %d],\n  \"frames\": [\n", sheet.offsetX, sheet.offsetY);
    json += line;
    for (size_t i = 0; i < timesMs.size(); ++i) {
        std::snprintf(line, sizeof line, "    {\"index\": %zu, \"x\": %d, \"y\": %d, \"timeMs\": %d}%s\n", i,
                      int(i % size_t(cols)) * sheet.frameWidth, int(i / size_t(cols)) * sheet.frameHeight, timesMs[i],
                      i + 1 < timesMs.size() ? "," : "");
        json += line;
    }
    return json + "  ]\n}\n";
}

std::string descriptionPathFor(const std::string& path) {
    std::string json = path;
    const size_t dot = json.rfind('.');
    const size_t slash = json.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) json.erase(dot);
    return json + ".json";
}

}  // namespace korvid::media

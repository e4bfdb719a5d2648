#include "sprite_sheet.h"

#include <algorithm>
#include <cstdint>
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

std::vector<int> sheetMoments(int from, int to, int count, int stepMs) {
    std::vector<int> times;
    const int step = std::max(1, stepMs);
    if (count <= 0) return times;
    const int64_t span = std::max<int64_t>(0, int64_t(to) - from);
    const int64_t apart = std::max<int64_t>(1, span / count / step) * step;
    const int64_t first = int64_t(from) / step * step;
    for (int i = 0; i < count; ++i) times.push_back(int(std::min<int64_t>(first + apart * i, INT32_MAX)));
    return times;
}

std::string describeSheet(const SpriteSheet& sheet, const std::string& imageName, int cols, int rows,
                          const std::vector<int>& timesMs, const char* alpha, const float* pivot) {
    // Every frame lasts until the next; the last as long as the others, back to the first.
    const int duration = timesMs.size() > 1 ? timesMs[1] - timesMs[0] : 0;
    const double framesPerSecond = duration > 0 ? 1000.0 / duration : 0.0;
    char line[320];
    std::string json = "{\n  \"image\": " + jsonString(imageName) + ",\n";
    std::snprintf(line, sizeof line, "  \"frameWidth\": %d,\n  \"frameHeight\": %d,\n", sheet.frameWidth,
                  sheet.frameHeight);
    json += line;
    std::snprintf(line, sizeof line, "  \"columns\": %d,\n  \"rows\": %d,\n  \"frameCount\": %d,\n", cols, rows,
                  static_cast<int>(timesMs.size()));
    json += line;
    std::snprintf(line, sizeof line, "  \"framesPerSecond\": %.6g,\n  \"loop\": true,\n  \"alpha\": \"%s\",\n",
                  framesPerSecond, alpha);
    json += line;
    if (pivot) {
        const double px = pivot[0] - sheet.offsetX, py = pivot[1] - sheet.offsetY;
        std::snprintf(line, sizeof line, "  \"pivot\": [%.6g, %.6g],\n  \"pivotNormalized\": [%.6g, %.6g],\n", px, py,
                      sheet.frameWidth > 0 ? px / sheet.frameWidth : 0.0,
                      sheet.frameHeight > 0 ? py / sheet.frameHeight : 0.0);
        json += line;
    }
    std::snprintf(line, sizeof line, "  \"sourceOffset\": [%d, %d],\n  \"frames\": [\n", sheet.offsetX, sheet.offsetY);
    json += line;
    for (size_t i = 0; i < timesMs.size(); ++i) {
        std::snprintf(line, sizeof line,
                      "    {\"index\": %zu, \"x\": %d, \"y\": %d, \"w\": %d, \"h\": %d, \"timeMs\": %d, "
                      "\"durationMs\": %d}%s\n",
                      i, int(i % size_t(cols)) * sheet.frameWidth, int(i / size_t(cols)) * sheet.frameHeight,
                      sheet.frameWidth, sheet.frameHeight, timesMs[i], duration, i + 1 < timesMs.size() ? "," : "");
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

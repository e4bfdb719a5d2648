#include "declared_counts.h"

#include <cctype>
#include <string>
#include <vector>

namespace korvid::import {
namespace {

// Splits off the next line (without its '\r\n' or '\n'); false at the end.
bool nextLine(std::string_view& text, std::string_view& line, size_t& consumed) {
    if (text.empty()) return false;
    size_t end = text.find('\n');
    const size_t take = end == std::string_view::npos ? text.size() : end + 1;
    line = text.substr(0, end == std::string_view::npos ? text.size() : end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    text.remove_prefix(take);
    consumed += take;
    return true;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// The decimal count at the start of `text`, read as the readers read it (up
// to the first character that is not a digit); anything past 2^63 counts as
// 2^63 (no file holds that). False when it starts with no digit.
bool parseCount(std::string_view text, uint64_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value > (uint64_t(1) << 59)) {
            value = uint64_t(1) << 63;
            continue;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

uint64_t plyTypeSize(std::string_view type) {
    if (type == "char" || type == "uchar" || type == "int8" || type == "uint8") return 1;
    if (type == "short" || type == "ushort" || type == "int16" || type == "uint16") return 2;
    if (type == "double" || type == "float64") return 8;
    return 4;  // int, uint, float and their sized names
}

// count * each, saturating far beyond any file size.
uint64_t times(uint64_t count, uint64_t each) {
    if (each != 0 && count > (uint64_t(1) << 62) / each) return uint64_t(1) << 62;
    return count * each;
}

std::string claim(uint64_t count, std::string_view name, uint64_t need, uint64_t have) {
    return "the header declares " + std::to_string(count) + " " + std::string(name) + " elements, at least " +
           std::to_string(need) + " bytes, but the file holds only " + std::to_string(have) +
           " bytes after its header";
}

bool isPlyType(std::string_view type) {
    for (std::string_view known : {"char", "uchar", "short", "ushort", "int", "uint", "float", "double", "int8",
                                   "uint8", "int16", "uint16", "int32", "uint32", "float32", "float64"})
        if (type == known) return true;
    return false;
}

// Whether a header line is one a PLY header may hold, word for word. Readers
// have been seen to loop or crash on damaged headers, so those are refused
// before any reader sees them.
bool plyHeaderLine(const std::vector<std::string_view>& w) {
    if (w.empty()) return true;
    // Lines of any other kind (comments, obj_info, free text some exporters
    // write) are skipped by the reader, as they are here.
    if (w[0] != "format" && w[0] != "element" && w[0] != "property") return true;
    uint64_t count = 0;
    if (w[0] == "format")
        return w.size() == 3 && (w[1] == "ascii" || w[1] == "binary_little_endian" || w[1] == "binary_big_endian");
    if (w[0] == "element") return w.size() == 3 && parseCount(w[2], count) && w[2].find_first_not_of("0123456789") == std::string_view::npos;
    if (w[0] == "property" && w.size() == 3) return isPlyType(w[1]);
    if (w[0] == "property" && w.size() == 5) return w[1] == "list" && isPlyType(w[2]) && isPlyType(w[3]);
    return false;
}

CountCheck checkPly(std::string_view head, uint64_t fileSize) {
    std::string_view text = head, line;
    size_t consumed = 0;
    nextLine(text, line, consumed);
    if (line != "ply") return {false, "the PLY header is damaged: its first line is not \"ply\""};
    bool ascii = true, format = false, ended = false;
    int number = 1;
    struct Element {
        std::string_view name;
        uint64_t count = 0;
        uint64_t minBytes = 0;
    };
    std::vector<Element> elements;
    while (nextLine(text, line, consumed)) {
        ++number;
        const auto w = words(line);
        if (!w.empty() && w[0] == "end_header") {
            ended = true;
            break;
        }
        if (!plyHeaderLine(w) || (!w.empty() && w[0] == "property" && elements.empty()))
            return {false, "the PLY header is damaged at line " + std::to_string(number)};
        if (w.empty()) continue;
        if (w[0] == "format") {
            format = true;
            ascii = w[1] == "ascii";
        } else if (w[0] == "element") {
            Element e;
            e.name = w[1];
            parseCount(w[2], e.count);
            elements.push_back(e);
        } else if (w[0] == "property") {
            // ASCII: a value and a separator at the least; a list adds its count.
            // Binary: the scalar's bytes, or the list's count bytes.
            Element& e = elements.back();
            if (ascii) e.minBytes += 2;
            else e.minBytes += plyTypeSize(w[1] == "list" ? w[2] : w[1]);
        }
    }
    if (!ended) return {false, "the PLY header has no end_header line in its first 64 KiB"};
    if (!format) return {false, "the PLY header has no format line"};
    const uint64_t body = fileSize > consumed ? fileSize - consumed : 0;
    uint64_t need = 0;
    for (const Element& e : elements) {
        // An element of no properties still takes a line (ASCII) or is useless: one byte.
        const uint64_t each = e.minBytes > 0 ? e.minBytes : 1;
        const uint64_t bytes = times(e.count, each);
        need = need + bytes < need ? uint64_t(1) << 62 : need + bytes;
        if (need > body) return {false, claim(e.count, e.name, need, body)};
    }
    return {};
}

CountCheck checkOff(std::string_view head, size_t keyword, uint64_t fileSize) {
    std::string_view text = head, line;
    size_t consumed = 0;
    nextLine(text, line, consumed);
    // The counts may follow the keyword on its line (even without a blank
    // between, as readers take them) or stand on the next line that is not a comment.
    std::vector<std::string_view> counts = words(line.substr(std::min(keyword, line.size())));
    while (counts.empty() && nextLine(text, line, consumed)) {
        const auto w = words(line);
        if (!w.empty() && w[0][0] != '#') counts = w;
    }
    uint64_t vertices = 0, faces = 0;
    if (counts.size() < 2 || !parseCount(counts[0], vertices) || !parseCount(counts[1], faces)) return {};
    const uint64_t body = fileSize > consumed ? fileSize - consumed : 0;
    // "x y z\n" is six bytes at the least; a face "n ...\n" two.
    const uint64_t vertexBytes = times(vertices, 6), faceBytes = times(faces, 2);
    if (vertexBytes > body) return {false, claim(vertices, "vertex", vertexBytes, body)};
    if (vertexBytes + faceBytes > body) return {false, claim(faces, "face", vertexBytes + faceBytes, body)};
    return {};
}

}  // namespace

CountCheck checkDeclaredCounts(std::string_view head, uint64_t fileSize) {
    if (head.substr(0, 3) == "ply") return checkPly(head, fileSize);
    for (std::string_view off : {"OFF", "COFF", "NOFF", "CNOFF"})
        if (head.substr(0, off.size()) == off) return checkOff(head, off.size(), fileSize);
    return {};
}

}  // namespace korvid::import

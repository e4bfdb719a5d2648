#include "textscan.h"

#include <cmath>
#include <climits>

#include <stdlib.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform.h"

namespace korvid {
namespace {

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

inline void skipBlanks(const char*& p, const char* end) {
    while (p < end && isBlank(*p)) ++p;
}

// Conversion through the C library for the forms the fast parser does not
// take (a leading '+', inf, nan, hexadecimal); always with the "C" locale's
// dot. The text is copied so that it ends with a NUL.
bool slowFloat(const char*& p, const char* end, float& out) {
    char buffer[260];
    const size_t n = std::min<size_t>(static_cast<size_t>(end - p), sizeof buffer - 1);
    std::memcpy(buffer, p, n);
    buffer[n] = '\0';
    char* stop = nullptr;
    const float value = strtof_l(buffer, &stop, platform::cLocale());
    if (stop == buffer) return false;
    out = value;
    p += stop - buffer;
    return true;
}

}  // namespace

FileText::FileText(const char* path) {
    if (!path) return;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    size_ = static_cast<size_t>(info.st_size);
    if (size_ > 0) {
        // Populated at once: one call instead of a fault for every page read.
        void* map = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map == MAP_FAILED) {
            ::close(fd);
            size_ = 0;
            return;
        }
        ::madvise(map, size_, MADV_WILLNEED);
        data_ = static_cast<const char*>(map);
        mapped_ = true;
    }
    ::close(fd);
    ok_ = true;
}

FileText::~FileText() {
    if (mapped_) ::munmap(const_cast<char*>(data_), size_);
}

bool LineReader::next(std::string_view& line) {
    for (;;) {
        if (pos_ >= text_.size()) return false;
        const size_t limit = std::min<size_t>(255, text_.size() - pos_);
        const char* start = text_.data() + pos_;
        const void* newline = std::memchr(start, '\n', limit);
        const bool hasNewline = newline != nullptr;
        size_t length = limit, consumed = limit;
        if (hasNewline) {
            length = static_cast<size_t>(static_cast<const char*>(newline) - start);
            consumed = length + 1;
        }
        pos_ += consumed;
        if (hasNewline && length > 0 && start[length - 1] == '\r') --length;  // lines written on Windows
        if (hasNewline && length == 0) continue;                               // empty line
        if (start[0] == '/') continue;                                          // comment line
        // A NUL ends the line's text, as it does for a C string.
        if (const void* nul = std::memchr(start, '\0', length))
            length = static_cast<size_t>(static_cast<const char*>(nul) - start);
        line = std::string_view(start, length);
        return true;
    }
}

bool scanFloat(const char*& p, const char* end, float& out) {
    skipBlanks(p, end);
    if (p >= end) return false;
    const char c = *p;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
        float value;
        const auto result = std::from_chars(p, end, value, std::chars_format::general);
        if (result.ec == std::errc() && !(result.ptr < end && (*result.ptr == 'x' || *result.ptr == 'X'))) {
            out = value;
            p = result.ptr;
            return true;
        }
    }
    return slowFloat(p, end, out);
}

bool scanInt(const char*& p, const char* end, int32_t& out) {
    skipBlanks(p, end);
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q >= end || *q < '0' || *q > '9') return false;
    uint64_t value = 0;
    while (q < end && *q >= '0' && *q <= '9') {
        if (value < (1ull << 40)) value = value * 10 + static_cast<uint64_t>(*q - '0');
        ++q;
    }
    // Out-of-range values wrap to 32 bits the way the C library's conversion leaves them.
    const uint32_t low = static_cast<uint32_t>(value);
    out = static_cast<int32_t>(negative ? 0u - low : low);
    p = q;
    return true;
}

bool scanWord(const char*& p, const char* end, char* out, size_t capacity) {
    skipBlanks(p, end);
    if (p >= end) return false;
    size_t n = 0;
    while (p < end && !isBlank(*p)) {
        if (n + 1 < capacity) out[n++] = *p;
        ++p;
    }
    out[n] = '\0';
    return true;
}

namespace {
// Only blanks, or a "//" comment, from p to the end.
bool restIsBlank(const char* p, const char* end) {
    skipBlanks(p, end);
    return p >= end || (end - p >= 2 && p[0] == '/' && p[1] == '/');
}
}  // namespace

bool scanWholeInt(std::string_view line, int32_t& out) {
    const char* p = line.data();
    const char* end = p + line.size();
    skipBlanks(p, end);
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (q < end && (*q == '+' || *q == '-')) ++q;
    if (q >= end || *q < '0' || *q > '9') return false;
    int64_t value = 0;
    while (q < end && *q >= '0' && *q <= '9') {
        value = value * 10 + (*q - '0');
        if (value > int64_t(INT32_MAX) + 1) return false;
        ++q;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX || !restIsBlank(q, end)) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool scanWholeFloats(std::string_view line, float* out, int count) {
    const char* p = line.data();
    const char* end = p + line.size();
    for (int n = 0; n < count; ++n)
        if (!scanFloat(p, end, out[n]) || !std::isfinite(out[n])) return false;
    return restIsBlank(p, end);
}

int scanFloats(std::string_view line, float* out, int count) {
    const char* p = line.data();
    const char* end = p + line.size();
    int n = 0;
    while (n < count && scanFloat(p, end, out[n])) ++n;
    return n;
}

}  // namespace korvid

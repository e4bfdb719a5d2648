// Line-oriented reading of the text formats: lines in pieces of at most 255
// characters (comment and empty lines skipped) and the scanf-style
// conversions of their values.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace korvid {

// The contents of a regular file, mapped into memory. Empty and not ok() when
// the file is missing, not a regular file or unreadable.
class FileText {
public:
    explicit FileText(const char* path);
    ~FileText();
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    bool ok() const { return ok_; }
    std::string_view text() const { return {data_, size_}; }

private:
    const char* data_ = "";
    size_t size_ = 0;
    bool mapped_ = false;
    bool ok_ = false;
};

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    // The next line that is neither empty nor a comment ("/..."), or false at
    // the end of the text. The view ends before the newline.
    bool next(std::string_view& line);
    size_t position() const { return pos_; }
    void seek(size_t position) { pos_ = position; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

// Each returns false when no value could be converted, like a failed scanf
// conversion; on success `p` moves past the value.
bool scanFloat(const char*& p, const char* end, float& out);
bool scanInt(const char*& p, const char* end, int32_t& out);
// Strict forms for the formats of our own (the curves and shapes block, the
// clipboard text): the line holds exactly `count` values and trailing blanks
// (a comment after "//" aside); an integer beyond 32 bits or a float that is
// infinite or not a number is refused rather than wrapped or taken.
bool scanWholeInt(std::string_view line, int32_t& out);
bool scanWholeFloats(std::string_view line, float* out, int count);
// The first blank-delimited word, at most `capacity` - 1 characters kept.
bool scanWord(const char*& p, const char* end, char* out, size_t capacity);

// Number of floats converted from the start of `line`, at most `count`.
int scanFloats(std::string_view line, float* out, int count);

}  // namespace korvid

// Writing a file so that a failed write never damages the previous one where
// that can be done without surprising the user, and otherwise exactly like a
// plain create-or-truncate.
#pragma once
#include <sys/types.h>

#include <string>

namespace korvid {

// What is known about the target before anything is written.
struct TargetFacts {
    bool exists = false;
    bool regular = false;    // a regular file (devices and pipes are written in place)
    bool directory = false;
    bool writable = false;   // the caller may open it for writing
    nlink_t links = 0;       // hard links of an existing file
};

enum class SaveMethod {
    Refuse,   // a directory, or a file the caller may not write
    InPlace,  // truncate and write the file itself
    Replace,  // write a temporary file beside it and rename it over the target
};

// Replacing is used for new files and for writable regular files with one
// link; a file with other hard links is written in place so that every name
// keeps seeing it.
SaveMethod chooseSaveMethod(const TargetFacts& facts);

// One file being written. open() resolves symbolic links, picks the method
// and falls back to writing in place when no temporary file can be made
// beside the target, or when the temporary file could not be given the
// target's owner and group. The temporary file gets the target's mode.
class SafeOutput {
public:
    SafeOutput() = default;
    ~SafeOutput();  // abandons an uncommitted temporary file
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // 0, or the errno that refused the target.
    int open(const char* path);
    int fd() const { return fd_; }
    // Hands the descriptor to a caller that will close it (fdopen).
    int release();
    bool inPlace() const { return temporary_.empty(); }
    // After the caller has flushed and closed the descriptor: moves the
    // temporary file over the target. 0 or errno.
    int commit();
    // Removes the temporary file, if any.
    void abandon();

private:
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
};

}  // namespace korvid

#include "safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace korvid {

SaveMethod chooseSaveMethod(const TargetFacts& facts) {
    if (!facts.exists) return SaveMethod::Replace;
    if (facts.directory || !facts.writable) return SaveMethod::Refuse;
    if (!facts.regular || facts.links > 1) return SaveMethod::InPlace;
    return SaveMethod::Replace;
}

SafeOutput::~SafeOutput() { abandon(); }

int SafeOutput::open(const char* path) {
    abandon();
    if (!path || !path[0]) return ENOENT;
    // A symbolic link is followed so that the file it names is written, not the link.
    target_ = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec) target_ = resolved.string();
    }

    struct stat info{};
    TargetFacts facts;
    int refusal = EACCES;
    facts.exists = ::stat(target_.c_str(), &info) == 0;
    if (facts.exists) {
        facts.regular = S_ISREG(info.st_mode);
        facts.directory = S_ISDIR(info.st_mode);
        facts.links = info.st_nlink;
        facts.writable = ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) == 0;
        if (!facts.writable) refusal = errno;
        if (facts.directory) refusal = EISDIR;
    }

    const auto openInPlace = [&] {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return fd_ < 0 ? errno : 0;
    };
    switch (chooseSaveMethod(facts)) {
    case SaveMethod::Refuse: return refusal;
    case SaveMethod::InPlace: return openInPlace();
    case SaveMethod::Replace: break;
    }

    temporary_ = target_ + ".XXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        // No temporary file beside the target (a folder the user may not
        // write, for example): write the file itself as a plain save would.
        temporary_.clear();
        return openInPlace();
    }
    mode_t mode = 0666;
    if (facts.exists) {
        struct stat made{};
        const bool sameOwner = ::fstat(fd_, &made) == 0 && made.st_uid == info.st_uid && made.st_gid == info.st_gid;
        if (!sameOwner && ::fchown(fd_, info.st_uid, info.st_gid) != 0) {
            // The replacement would change hands: keep the file itself instead.
            abandon();
            return openInPlace();
        }
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd_, mode);
    return 0;
}

int SafeOutput::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int SafeOutput::commit() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (temporary_.empty()) return 0;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        abandon();
        return error;
    }
    temporary_.clear();
    return 0;
}

void SafeOutput::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace korvid

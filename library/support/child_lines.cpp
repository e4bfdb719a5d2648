#include "child_lines.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvid::support {

ChildLines::ChildLines(const std::string& program, const std::vector<std::string>& arguments) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    fd_ = out[0];
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
}

ChildLines::~ChildLines() {
    kill();
    if (fd_ >= 0) ::close(fd_);
}

bool ChildLines::nextLine(std::string& line) {
    char buffer[4096];
    ssize_t n;
    while (fd_ >= 0 && (n = ::read(fd_, buffer, sizeof buffer)) > 0) pending_.append(buffer, size_t(n));
    const size_t end = pending_.find('\n');
    if (end == std::string::npos) return false;
    line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return true;
}

void ChildLines::wait(int ms) {
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, ms);
}

void ChildLines::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace korvid::support

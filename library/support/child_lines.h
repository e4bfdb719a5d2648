// A child process whose standard output is read line by line without
// blocking, for tests that drive a second program (a game on the live link).
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace korvid::support {

class ChildLines {
public:
    // Starts `program` with `arguments`; its standard output comes to this end.
    ChildLines(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildLines();
    ChildLines(const ChildLines&) = delete;
    ChildLines& operator=(const ChildLines&) = delete;

    bool started() const { return pid_ > 0; }
    // The next whole line written so far, without waiting.
    bool nextLine(std::string& line);
    // Waits up to `ms` for more output.
    void wait(int ms);
    // Ends the child at once and reaps it.
    void kill();

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string pending_;
};

}  // namespace korvid::support

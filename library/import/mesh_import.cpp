#include "mesh_import.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "declared_counts.h"
#include "mesh_wire.h"
#include "korvid.h"

namespace korvid::import {
namespace fs = std::filesystem;
namespace {

uint64_t residentBytesOf(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/statm";
    unsigned long pages = 0, resident = 0;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(f, "%lu %lu", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// The reader program: named by KORVID_MESH_READER, else in the installed
// tree (found from the running program's folder), else the one of the build
// tree this code was built in.
std::string readerProgram() {
    if (const char* named = std::getenv("KORVID_MESH_READER"); named && *named) return named;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path installed = self.parent_path() / KORVID_READER_FROM_BINDIR;
        if (::access(installed.c_str(), X_OK) == 0) return installed.string();
    }
#ifdef KORVID_READER_IN_BUILD_TREE
    if (::access(KORVID_READER_IN_BUILD_TREE, X_OK) == 0) return KORVID_READER_IN_BUILD_TREE;
#endif
    return {};
}

// A file descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// Starts the reader program with `arguments`, `input` on its standard input
// (an in-memory file, so no write can block) and a pipe on its standard
// output. The program is started afresh rather than forked, so nothing it
// does depends on the locks the caller's other threads held at that moment.
pid_t startReader(const std::vector<std::string>& arguments, std::string_view input, int& output) {
    const std::string program = readerProgram();
    if (program.empty()) return -1;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
    Fd readEnd(fds[0]), writeEnd(fds[1]);
    Fd in(static_cast<int>(::memfd_create("korvid-mesh-input", MFD_CLOEXEC)));
    if (in.fd < 0) return -1;
    for (size_t done = 0; done < input.size();) {
        const ssize_t n = ::write(in.fd, input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += static_cast<size_t>(n);
    }
    if (::lseek(in.fd, 0, SEEK_SET) != 0) return -1;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, in.fd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, STDOUT_FILENO);
    // Every signal as the system sets it and none blocked, whatever the caller changed.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    const int failed = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) return -1;
    output = readEnd.fd;
    readEnd.fd = -1;
    return child;
}

// Runs the reader program on `arguments` and takes its answer back through a
// pipe. The reader is stopped when the caller cancels, when it runs past the
// time budget or holds more than the memory budget; a reader that dies is a
// refusal of the file, not a crash of the caller.
MeshRead readIsolated(const std::string& name, const ImportLimits& limits, const std::vector<std::string>& arguments,
                      std::string_view input = {}) {
    int output = -1;
    const pid_t child = startReader(arguments, input, output);
    if (child < 0)
        return refused(ImportError::NoReader, name,
                       "the mesh reader program (korvid-mesh-reader) could not be started; reinstalling may help.");
    Fd pipeEnd(output);
    const auto start = std::chrono::steady_clock::now();
    std::string bytes;
    ImportError stopped = ImportError::None;
    char buffer[65536];
    for (;;) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (limits.cancel && limits.cancel->load()) stopped = ImportError::Cancelled;
        else if (std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() > limits.timeBudgetMs)
            stopped = ImportError::TimeBudget;
        else if (residentBytesOf(child) > limits.memoryBudget)
            stopped = ImportError::OutOfMemory;
        if (stopped != ImportError::None) {
            ::kill(child, SIGKILL);
            break;
        }
        pollfd p{pipeEnd.fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = ::read(pipeEnd.fd, buffer, sizeof buffer);
        if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || (errno != EINTR && errno != EAGAIN)) break;  // the reader is done
    }
    pipeEnd.reset();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    switch (stopped) {
    case ImportError::Cancelled: return refused(stopped, name, "the import was cancelled.");
    case ImportError::TimeBudget:
        return refused(stopped, name,
                       "reading took longer than " + std::to_string(limits.timeBudgetMs / 1000) +
                           " seconds and was stopped.");
    case ImportError::OutOfMemory:
        return refused(stopped, name,
                       "reading needed more than " + std::to_string(limits.memoryBudget >> 20) +
                           " MiB of memory and was stopped.");
    default: break;
    }
    MeshRead result;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && decodeMeshRead(bytes, result)) return result;
    const std::string how = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                                : "status " + std::to_string(WEXITSTATUS(status));
    result = refused(ImportError::ReaderFailed, name,
                     "the reader failed on this file (" + how + "); it is damaged or not a model that can be read.");
    result.readerExit = WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
    return result;
}

}  // namespace

MeshRead readMesh(const std::string& path, const ImportLimits& limits) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return refused(ImportError::NotFound, path, "no such file.");
    if (fs::is_directory(status)) return refused(ImportError::NotAFile, path, "this is a folder, not a model file.");
    if (!fs::is_regular_file(status)) return refused(ImportError::NotAFile, path, "this is not a regular file.");
    const uint64_t size = fs::file_size(path, ec);
    std::string head(static_cast<size_t>(std::min<uint64_t>(size, 65536)), '\0');
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return refused(ImportError::Unreadable, path, "the file could not be opened.");
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(in.gcount()));
    }
    if (const CountCheck counts = checkDeclaredCounts(head, size); !counts.ok)
        return refused(ImportError::CountsPastSize, path, counts.why + ".");

    return readIsolated(path, limits, {"--file", fs::absolute(path, ec).string(), path});
}

MeshRead readMeshFromMemory(const void* data, size_t size, const std::string& hint, const ImportLimits& limits) {
    const std::string name = "the " + (hint.empty() ? std::string("model") : hint) + " data";
    if (!data || size == 0) return refused(ImportError::Unreadable, name, "there is nothing to read.");
    const std::string_view head(static_cast<const char*>(data), std::min<size_t>(size, 65536));
    if (const CountCheck counts = checkDeclaredCounts(head, size); !counts.ok)
        return refused(ImportError::CountsPastSize, name, counts.why + ".");
    return readIsolated(name, limits, {"--memory", hint, name},
                        std::string_view(static_cast<const char*>(data), size));
}

std::string supportedPatterns() {
    // Asked of the reader program once: Assimp's list does not change while
    // we run, and the program that imports does not load Assimp itself.
    static const std::string patterns = [] {
        int output = -1;
        const pid_t child = startReader({"--patterns"}, {}, output);
        if (child < 0) return std::string();
        Fd pipeEnd(output);
        std::string text;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(pipeEnd.fd, buffer, sizeof buffer);
            if (n > 0) text.append(buffer, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR) break;
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::string();
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    }();
    return patterns;
}

ImportResult addMesh(const MeshRead& read) {
    ImportResult result;
    result.note = read.note;
    if (!read.ok()) {
        result.code = read.code;
        result.error = read.error;
        return result;
    }
    std::vector<MeshSurface> surfaces;
    for (const MeshGroup& g : read.groups)
        surfaces.push_back({g.name.c_str(), g.triangles.data(), static_cast<int32_t>(g.triangles.size() / 9)});
    if (!objAddMesh(surfaces.data(), static_cast<int32_t>(surfaces.size()))) {
        result.code = ImportError::Library;
        result.error = objGetLastError();
        return result;
    }
    result.ok = true;
    return result;
}

bool readByLibrary(const std::string& path) {
    // Folders and missing files get the reader's own answers.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".stl" || extension == ".obj";
}

ImportResult importMesh(const std::string& path, const ImportLimits& limits) {
    if (readByLibrary(path)) {
        // Read in the library itself, straight into the model's arrays.
        ImportResult result;
        if (objLoadMesh(path.c_str())) {
            result.ok = true;
            return result;
        }
        if (objGetLastFailure() != KORVID_FAILURE_MESH_FORMAT) {
            result.code = objGetLastFailure() == KORVID_FAILURE_FILE_NOT_FOUND ? ImportError::NotFound
                          : objGetLastFailure() == KORVID_FAILURE_CANCELLED     ? ImportError::Cancelled
                          : objGetLastFailure() == KORVID_FAILURE_OUT_OF_MEMORY ? ImportError::OutOfMemory
                                                                                : ImportError::Unreadable;
            result.error = objGetLastError();
            return result;
        }
        // What the library leaves to importers goes to the reader.
    }
    return addMesh(readMesh(path, limits));
}

}  // namespace korvid::import

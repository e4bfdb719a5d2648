// korvid-mesh-reader: reads one mesh file with Assimp for a program that
// imports it, and writes the answer (see mesh_wire.h) to standard output.
// Whatever Assimp does on a hostile file happens in this process only; the
// importing program stops it past its time or memory budget.
//
//   korvid-mesh-reader --file PATH NAME     the file at PATH
//   korvid-mesh-reader --memory HINT NAME   the bytes on standard input, in
//                                           the format of extension HINT
//   korvid-mesh-reader --patterns           the file patterns Assimp reads,
//                                           blank-separated, on one line
// NAME is how messages call the file. The exit status is 0 when an answer
// (a read model or a refusal) was written, 2 for wrong arguments, 3 when the
// answer could not be written.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

#include "mesh_read.h"
#include "mesh_wire.h"

namespace {

using korvid::import::ImportError;
using korvid::import::MeshRead;

bool readAllInput(std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        into.append(buffer, static_cast<size_t>(n));
    }
}

bool writeAll(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

MeshRead outOfMemory(const std::string& name) {
    return korvid::import::refused(ImportError::OutOfMemory, name, "not enough memory to read the file.");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--patterns") == 0) return writeAll(korvid::import::patternsHere() + "\n") ? 0 : 3;
    if (argc != 4 || (std::strcmp(argv[1], "--file") != 0 && std::strcmp(argv[1], "--memory") != 0)) {
        static const char usage[] = "usage: korvid-mesh-reader --file PATH NAME | --memory HINT NAME | --patterns\n";
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, usage, sizeof usage - 1);
        return 2;
    }
    const std::string name = argv[3];
    MeshRead read;
    try {
        if (std::strcmp(argv[1], "--file") == 0) {
            read = korvid::import::readFileHere(argv[2], name);
        } else {
            std::string bytes;
            if (!readAllInput(bytes)) return 3;
            read = korvid::import::readMemoryHere(bytes.data(), bytes.size(), argv[2], name);
        }
    } catch (const std::bad_alloc&) {
        read = outOfMemory(name);
    }
    std::string answer;
    try {
        answer = korvid::import::encodeMeshRead(read);
    } catch (const std::bad_alloc&) {
        answer = korvid::import::encodeMeshRead(outOfMemory(name));
    }
    return writeAll(answer) ? 0 : 3;
}

// The mesh import with hostile files: every file written by
// scripts/make-hostile-meshes gets the answer its name starts with, and the
// counts a header declares are checked against the file's size.
#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "declared_counts.h"
#include "library_test.h"
#include "mesh_import.h"
#include "mesh_wire.h"

using namespace korvid::import;
using namespace korvid::testing;
namespace fs = std::filesystem;

namespace {

class ImportTest : public LibraryTest {};

// The refusal a file's name announces ("ok" for none).
ImportError announced(const std::string& name) {
    static const std::map<std::string, ImportError> byPrefix = {
        {"ok", ImportError::None},
        {"index", ImportError::IndexOutOfRange},
        {"counts", ImportError::CountsPastSize},
        {"polygon", ImportError::FaceTooLarge},
        {"outside", ImportError::OutsideFolder},
    };
    return byPrefix.at(name.substr(0, name.find('-')));
}

TEST_F(ImportTest, EveryHostileFileGetsItsAnswer) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(KORVID_HOSTILE_MESHES)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".bin") continue;  // the buffer of a glTF beside it
        SCOPED_TRACE(name);
        ++files;
        const MeshRead read = readMesh(entry.path().string());
        // An absolute reference is refused by the reader itself, or by the
        // folder check where the reader hands it on as it stands.
        if (name.rfind("refused-", 0) == 0) EXPECT_FALSE(read.ok());
        else EXPECT_EQ(static_cast<int>(read.code), static_cast<int>(announced(name))) << read.error;
        if (!read.ok()) {
            EXPECT_NE(read.error.find(entry.path().string()), std::string::npos) << "the message names the file";
            continue;
        }
        const ImportResult added = addMesh(read);
        ASSERT_TRUE(added.ok) << added.error;
        ModelInfo info{};
        objGetModelData(&info);
        EXPECT_GT(info.polygonCount, 0);
        for (float v : {info.maxX, info.maxY, info.maxZ, info.minX, info.minY, info.minZ}) EXPECT_TRUE(std::isfinite(v));
        // Whatever was imported is saved and reads back.
        const std::string saved = (scratch() / "saved.zob").string();
        ASSERT_TRUE(objSaveZOB(saved.c_str())) << objGetLastError();
        EXPECT_TRUE(objLoadZOB(saved.c_str())) << objGetLastError();
    }
    EXPECT_GE(files, 19);
}

TEST_F(ImportTest, FoldersMissingFilesAndMemoryReads) {
    const fs::path folder = scratch() / "x.obj";
    fs::create_directories(folder);
    MeshRead read = readMesh(folder.string());
    EXPECT_EQ(read.code, ImportError::NotAFile);
    EXPECT_EQ(readMesh((scratch() / "none.obj").string()).code, ImportError::NotFound);

    // In memory no file at all may be opened, not even one beside the model.
    const std::string beside = readAll(KORVID_HOSTILE_MESHES "/ok-gltf-beside.gltf");
    ASSERT_FALSE(beside.empty());
    EXPECT_EQ(readMeshFromMemory(beside.data(), beside.size(), "gltf").code, ImportError::OutsideFolder);
    const std::string embedded = readAll(KORVID_HOSTILE_MESHES "/ok-gltf-embedded.gltf");
    read = readMeshFromMemory(embedded.data(), embedded.size(), "gltf");
    ASSERT_TRUE(read.ok()) << read.error;
    ASSERT_EQ(read.groups.size(), 1u);
    EXPECT_EQ(read.groups[0].triangles.size(), 9u);
    EXPECT_EQ(readMeshFromMemory(nullptr, 0, "obj").code, ImportError::Unreadable);
}

TEST_F(ImportTest, ACancelledReadStops) {
    std::atomic<bool> cancel{true};
    ImportLimits limits;
    limits.cancel = &cancel;
    const MeshRead read = readMesh(KORVID_HOSTILE_MESHES "/ok-slash-name.obj", limits);
    EXPECT_EQ(read.code, ImportError::Cancelled);
}

// Each budget of the reader stops a read of a sound model that takes its
// reader a good while (200,000 triangles): only the budget can stop it.
TEST_F(ImportTest, EachBudgetStopsASoundRead) {
    std::string obj;
    obj.reserve(12 << 20);
    for (int i = 0; i < 200000; ++i) {
        const std::string y = std::to_string(i % 1000) + "." + std::to_string(i / 1000);
        obj += "v 0 " + y + " 0\nv 1 " + y + " 0\nv 0 " + y + " 1\n";
        obj += "f " + std::to_string(3 * i + 1) + " " + std::to_string(3 * i + 2) + " " + std::to_string(3 * i + 3) + "\n";
    }
    const std::string path = (scratch() / "sound.obj").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << obj;
    }
    const MeshRead whole = readMesh(path);
    ASSERT_TRUE(whole.ok()) << whole.error;
    ImportLimits quick;
    quick.timeBudgetMs = 0;
    const MeshRead timed = readMesh(path, quick);
    EXPECT_EQ(timed.code, ImportError::TimeBudget) << timed.error;
    ImportLimits small;
    small.memoryBudget = 1;
    const MeshRead held = readMesh(path, small);
    EXPECT_EQ(held.code, ImportError::OutOfMemory) << held.error;
}

// The reader program named in KORVID_MESH_READER for one test, then the usual one.
class ReaderNamed {
public:
    explicit ReaderNamed(const std::string& program) { ::setenv("KORVID_MESH_READER", program.c_str(), 1); }
    ~ReaderNamed() { ::unsetenv("KORVID_MESH_READER"); }
};

// A reader that cannot be started, one that dies and one that answers
// nonsense each refuse the file with their own code; none takes the caller
// with it.
TEST_F(ImportTest, AReaderThatIsMissingOrDiesRefusesTheFile) {
    const std::string model = KORVID_HOSTILE_MESHES "/ok-slash-name.obj";
    {
        ReaderNamed missing((scratch() / "no-such-reader").string());
        const MeshRead read = readMesh(model);
        EXPECT_EQ(read.code, ImportError::NoReader) << read.error;
        EXPECT_NE(read.error.find("korvid-mesh-reader"), std::string::npos) << read.error;
    }
    const auto script = [this](const char* name, const char* body) {
        const fs::path path = scratch() / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    };
    {
        // A reader's faults end it even while the caller ignores them.
        ReaderNamed dies(script("dies", "kill -SEGV $$"));
        struct sigaction ignore {}, before{};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGSEGV, &ignore, &before);
        const MeshRead read = readMesh(model);
        sigaction(SIGSEGV, &before, nullptr);
        EXPECT_EQ(read.code, ImportError::ReaderFailed) << read.error;
        EXPECT_EQ(read.readerExit, -SIGSEGV);
    }
    {
        ReaderNamed babbles(script("babbles", "echo this is no answer"));
        const MeshRead read = readMeshFromMemory("v 0 0 0\n", 8, "obj");
        EXPECT_EQ(read.code, ImportError::ReaderFailed) << read.error;
        EXPECT_EQ(read.readerExit, 0);
    }
}

// The importing programs do not load Assimp: the file dialog's patterns
// come from the reader program, and list what only Assimp reads.
TEST_F(ImportTest, TheReaderNamesTheFormatsItReads) {
    const std::string patterns = " " + korvid::import::supportedPatterns() + " ";
    for (const char* pattern : {" *.ply ", " *.fbx ", " *.gltf ", " *.obj ", " *.stl "})
        EXPECT_NE(patterns.find(pattern), std::string::npos) << pattern << " in" << patterns;
    EXPECT_EQ(patterns.find('\n'), std::string::npos);
}

TEST(DeclaredCounts, PlyAndOffAgainstTheFileSize) {
    const std::string ascii =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 1\nproperty list uchar int vertex_indices\nend_header\n";
    const std::string body = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_TRUE(checkDeclaredCounts(ascii + body, ascii.size() + body.size()).ok);
    EXPECT_FALSE(checkDeclaredCounts(ascii, ascii.size() + 10).ok) << "3 vertices need 18 bytes at least";

    std::string binary = ascii;
    binary.replace(binary.find("ascii"), 5, "binary_little_endian");
    EXPECT_TRUE(checkDeclaredCounts(binary, binary.size() + 36 + 13).ok);
    EXPECT_FALSE(checkDeclaredCounts(binary, binary.size() + 36).ok) << "the face needs its count byte";

    std::string huge = ascii;
    huge.replace(huge.find("vertex 3"), 8, "vertex 99999999999999999999999");
    EXPECT_FALSE(checkDeclaredCounts(huge, 1u << 30).ok) << "a count past 64 bits";
    EXPECT_FALSE(checkDeclaredCounts("ply\nformat ascii 1.0\nelement vertex 200000\x02solid x\n", 60).ok)
        << "a header without its end";
    // Damaged headers, of the kinds that have made readers loop or crash.
    for (const char* damaged : {"ply\nformat ascii 2.0\nelement vetGL_EXT_point_parameters1\nend_header\n",
                                "ply\nformat ascii 1.0\nelement vertex 3\nproperty floa x\nend_header\n",
                                "ply\nformat ascii 1.0\nproperty float x\nelement vertex 0\nend_header\n",
                                "ply\nelement vertex 0\nend_header\n", "plyx\nformat ascii 1.0\nend_header\n",
                                "ply\nformat ascii 1.0\nelement face 1\nproperty list uchar vertex_indices\nend_header\n"})
        EXPECT_FALSE(checkDeclaredCounts(damaged, 4096).ok) << damaged;
    EXPECT_TRUE(checkDeclaredCounts("ply\r\nformat ascii 1.0\r\ncomment made by hand\r\nelement vertex 0\r\n"
                                    "end_header\r\n", 80).ok)
        << "Windows line ends and comments";
    EXPECT_TRUE(checkDeclaredCounts("ply\nformat ascii 1.0\nCreated by Blender3D 247 - www.blender.org, source file: \n"
                                    "element vertex 0\nend_header\n", 120).ok)
        << "a free-text line, which the reader skips as Blender's exporter wrote it";

    EXPECT_TRUE(checkDeclaredCounts("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 36).ok);
    EXPECT_FALSE(checkDeclaredCounts("OFF 3000 1 0\n", 200).ok);
    EXPECT_FALSE(checkDeclaredCounts("OFF210000002100000000 1 0\n0 1\n", 200).ok) << "counts right after the keyword";
    EXPECT_FALSE(checkDeclaredCounts("OFF\n# comment\n3 100000 0\n", 300).ok);
    EXPECT_TRUE(checkDeclaredCounts("v 0 0 0\nf 1 1 1\n", 16).ok) << "formats without counts pass";
    EXPECT_TRUE(checkDeclaredCounts("", 0).ok);
}

}  // namespace

namespace {

// The reader process's answer survives the pipe whole, and damaged or cut
// bytes are refused rather than read past their end.
TEST(MeshWire, RoundTripAndDamage) {
    MeshRead read;
    read.code = ImportError::None;
    read.note = "2 meshes were merged";
    read.groups.push_back({"Body", {0, 0, 0, 1, 0, 0, 0, 1, 0}});
    read.groups.push_back({"", {}});
    const std::string bytes = encodeMeshRead(read);
    MeshRead back;
    ASSERT_TRUE(decodeMeshRead(bytes, back));
    EXPECT_EQ(back.note, read.note);
    ASSERT_EQ(back.groups.size(), 2u);
    EXPECT_EQ(back.groups[0].name, "Body");
    EXPECT_EQ(back.groups[0].triangles, read.groups[0].triangles);
    for (size_t cut = 0; cut < bytes.size(); ++cut) EXPECT_FALSE(decodeMeshRead(bytes.substr(0, cut), back)) << cut;
    EXPECT_FALSE(decodeMeshRead(bytes + "x", back)) << "trailing bytes";
    std::string badCount = bytes;
    badCount[bytes.size() - 8] = '\x7f';  // the last group's float count, now past the end
    EXPECT_FALSE(decodeMeshRead(badCount, back));
    std::string badCode = bytes;
    badCode[4] = '\x55';
    EXPECT_FALSE(decodeMeshRead(badCode, back));
}

}  // namespace

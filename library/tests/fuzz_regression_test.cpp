// Hostile inputs and every input that ever failed under the fuzzers: each must
// be refused or read cleanly, never crash, hang or ask for absurd memory.
#include <cstring>
#include <filesystem>

#include "library_test.h"
#include "mesh_import.h"
#include "frame_list.h"
#include "mesh_wire.h"

using namespace korvid::testing;

namespace {

class FuzzRegressions : public LibraryTest {
protected:
    std::vector<std::filesystem::path> inputs(const char* target) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(std::string(KORVID_FUZZ_REGRESSIONS) + "/" + target))
            files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        EXPECT_FALSE(files.empty()) << "no regression inputs for " << target;
        return files;
    }
};

TEST_F(FuzzRegressions, RawInputs) {
    for (const auto& file : inputs("raw")) {
        SCOPED_TRACE(file.filename().string());
        if (objLoadRaw(file.c_str())) {
            ASSERT_TRUE(objSetCurrentModel(0));
            ModelInfo info{};
            objGetModelData(&info);
            for (int i = 0; i < info.surfaceCount; ++i) objSetSmoothSurface(i, 30);
            render();
        }
        objNew();
    }
}

TEST_F(FuzzRegressions, ZobInputs) {
    for (const auto& file : inputs("zob")) {
        SCOPED_TRACE(file.filename().string());
        const bool loaded = objLoadZOB(file.c_str());
        if (file.filename().string().rfind("huge-", 0) == 0 || file.filename() == "eleven-surfaces.zob") {
            EXPECT_FALSE(loaded) << "refused before allocating";
        }
        render();
        const std::string out = (scratch() / "out.zob").string();
        objSaveZOB(out.c_str());
        objNew();
    }
}

TEST_F(FuzzRegressions, BmpInputs) {
    for (const auto& file : inputs("bmp")) {
        SCOPED_TRACE(file.filename().string());
        TextureInfo info{};
        std::strncpy(info.path, file.c_str(), sizeof info.path - 1);
        std::strcpy(info.name, "Fuzz");
        info.alpha = 1;
        info.filter = 4;
        EXPECT_FALSE(objAddTexture(&info));
        EXPECT_EQ(objGetTextureCnt(), 0);
    }
}

// The mesh target's inputs: a format byte, then the file (see fuzz_mesh.cpp).
TEST_F(FuzzRegressions, MeshInputs) {
    const char* const hints[] = {"ply", "obj", "stl", "off", "gltf", "glb", "dae", "fbx"};
    for (const auto& file : inputs("mesh")) {
        SCOPED_TRACE(file.filename().string());
        const std::string data = readAll(file.string());
        ASSERT_FALSE(data.empty());
        const auto read = korvid::import::readMeshFromMemory(data.data() + 1, data.size() - 1,
                                                             hints[static_cast<uint8_t>(data[0]) % 8]);
        if (korvid::import::addMesh(read).ok) render();
        objNew();
    }
}

// The mesh reader process's answers: each decodes whole, and encodes back the same.
TEST_F(FuzzRegressions, MeshWireInputs) {
    for (const auto& file : inputs("mesh_wire")) {
        SCOPED_TRACE(file.filename().string());
        const std::string data = readAll(file.string());
        korvid::import::MeshRead read;
        if (korvid::import::decodeMeshRead(data, read)) {
            EXPECT_EQ(korvid::import::encodeMeshRead(read), data);
        }
    }
}

// Frame lists: each is a list of frames in range, or refused with a reason.
TEST_F(FuzzRegressions, FrameListInputs) {
    for (const auto& file : inputs("frame_list")) {
        SCOPED_TRACE(file.filename().string());
        std::string error;
        const std::vector<int32_t> frames = korvid::media::parseFrameList(readAll(file.string()), &error);
        if (frames.empty()) {
            EXPECT_FALSE(error.empty());
        }
        for (const int32_t f : frames) EXPECT_GE(f, 0);
    }
}

// Emitter texts pasted on a model: each adds one emitter or is refused with
// the library's message, and leaves the count right either way.
TEST_F(FuzzRegressions, EmitterTextInputs) {
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const MeshSurface s{"Body", triangle, 1};
    for (const auto& file : inputs("emitter_text")) {
        SCOPED_TRACE(file.filename().string());
        objNew();
        ASSERT_TRUE(objAddMesh(&s, 1));
        const int32_t added = objPasteEmitter(readAll(file.string()).c_str(), 0);
        ModelInfo info{};
        objGetModelData(&info);
        if (added > 0) {
            EXPECT_EQ(info.emitterCount, 1);
        } else {
            EXPECT_EQ(info.emitterCount, 0);
            EXPECT_NE(objGetLastFailure(), KORVID_FAILURE_NONE) << "a refusal has its code";
        }
        render();
    }
}

}  // namespace

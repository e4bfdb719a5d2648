// Fuzz target: the RAW triangle-list reader.
#include "fuzz_target.h"
#include "korvid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvid::fuzz::startLibrary();
    const std::string path = korvid::fuzz::writeInput(data, size, ".raw");
    if (objLoadRaw(path.c_str())) {
        objSetCurrentModel(0);
        ModelInfo info;
        objGetModelData(&info);
        for (int i = 0; i < info.surfaceCount; ++i) objSetSmoothSurface(i, 30.0f);
    }
    objNew();
    return 0;
}

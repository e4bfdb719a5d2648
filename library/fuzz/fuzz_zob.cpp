// Fuzz target: the ZOB entity reader, images and particle systems included.
#include "fuzz_target.h"
#include "korvid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvid::fuzz::startLibrary();
    const std::string path = korvid::fuzz::writeInput(data, size, ".zob");
    objLoadZOB(path.c_str());
    // Whatever was loaded must also draw and save without harm.
    const CameraData camera{0, 0, -5, 10, 20, 0};
    objRender(&camera);
    objSaveZOB((path + ".out.zob").c_str());
    objNew();
    return 0;
}

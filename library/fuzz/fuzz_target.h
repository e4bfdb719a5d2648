// Shared set-up of the fuzz targets: one headless OpenGL context and a
// started library, and a scratch file that receives each input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvid::fuzz {

// Starts the library on a headless context the first time it is called.
void startLibrary();
// Writes the input to this process's scratch file with the given extension
// and returns its path.
std::string writeInput(const uint8_t* data, size_t size, const char* extension);

}  // namespace korvid::fuzz

// Arrays of model data large enough to be worth whole huge pages: a million
// triangles fault in 2 MiB at a time instead of 4 KiB, which on a virtual
// machine is most of a load's time.
#pragma once
#include <cstddef>
#include <memory>

namespace korvid {

// A new float[count] as unique_ptr<float[]> owns it, advised to huge pages
// before it is touched; zeroed when `zero`. Throws std::bad_alloc.
std::unique_ptr<float[]> newBigArray(size_t count, bool zero = false);

// Advises [p, p + bytes) to huge pages (the whole pages inside it) when it
// is large enough; nothing otherwise.
void adviseHugePages(void* p, size_t bytes);

}  // namespace korvid

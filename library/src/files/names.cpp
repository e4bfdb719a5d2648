// Names that survive a save and a load, as the ZOB files keep them.
#include <cstdint>
#include <cstring>
#include <string>

#include "context.h"

using namespace korvid;

KORVID_EXPORT int32_t objMakeName(const char* text, char* out, int32_t size) try {
    if (!out || size <= 0) return -1;
    return static_cast<int32_t>(safeName(text, out, static_cast<size_t>(size)));
} catch (...) {
    return refusedByException<int32_t>(-1);
}

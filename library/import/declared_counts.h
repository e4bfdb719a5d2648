// The element counts that a mesh file's header declares, checked against the
// bytes the file really has, before any reader allocates for them. A 200-byte
// PLY may claim 200 million vertices; a reader that believes it reserves
// gigabytes before it finds the file too short.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace korvid::import {

struct CountCheck {
    bool ok = true;
    std::string why;  // what the header claims and what the file holds, when not ok
};

// `head` is the start of the file (its first 64 KiB, or all of it when
// shorter) and `fileSize` its whole size. Formats with declared counts (PLY
// and OFF) are checked, and a PLY header must be whole and well formed;
// every other file passes.
CountCheck checkDeclaredCounts(std::string_view head, uint64_t fileSize);

}  // namespace korvid::import

// One table per record: each field once, with its kind, size and the line it
// has in a ZOB file. The ZOB reader and writer and the record copies of the
// exports all walk these tables, so a field is added or changed in one place.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "images.h"
#include "korvid.h"
#include "model.h"

namespace korvid {

enum class FieldKind {
    Int,    // int32_t values, written with %d
    Float,  // float values, written with %f, blank-separated
    Text,   // a NUL-terminated char array, read as one word
};

enum FieldFlag : unsigned {
    kInFile = 1u << 0,            // stored in ZOB files, in table order
    kNoneWhenEmpty = 1u << 1,     // an empty text is written as "NONE"
    kBlankBeforeNewline = 1u << 2,  // the text line ends with " \n"
    kNumberedWhenEmpty = 1u << 3, // an empty surface name is written as "Surface<slot>"
    kRelativePath = 1u << 4,      // a path written relative to the working directory
    kInput = 1u << 5,             // taken from the caller's record by the set/add export
};

template <class Record>
struct Field {
    const char* name;
    FieldKind kind;
    int count;               // values for numbers, bytes for texts
    void* (*at)(Record&);    // the field inside a record
    const char* comment;     // the "//" comment of its ZOB line, or nullptr
    unsigned flags;

    template <class T>
    T* in(Record& r) const { return static_cast<T*>(at(r)); }
    template <class T>
    const T* in(const Record& r) const { return static_cast<const T*>(at(const_cast<Record&>(r))); }
};

std::span<const Field<Surface>> surfaceFields();
std::span<const Field<EmitterData>> emitterFields();
std::span<const Field<BurstData>> burstFields();
std::span<const Field<TextureInfo>> imageFields();

// Copies every field that has all of `flags` from one record to another;
// texts as strings, cut to their field.
template <class Record>
void copyFields(Record& to, const Record& from, std::span<const Field<Record>> fields, unsigned flags);

// Copies a string into a text field of `size` bytes, cutting it to fit.
void copyText(char* field, size_t size, const char* text);

}  // namespace korvid

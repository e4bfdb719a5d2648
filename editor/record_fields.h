// Edit fields bound to one field of a library record (an EmitterData or a
// BurstData held in the working state): parsing, storing and formatting.
#pragma once
#include <cstddef>

class QWidget;

namespace vantor {

class CommitEdit;

enum class FieldKind { Integer, Real, Angle };

struct FieldBinding {
    int id;            // control id
    size_t offset;     // offset of the field in its record
    FieldKind kind;
    const char* format;
};

// Angles are typed in degrees and stored in radians, with 32-bit constants.
float degreesToRadians(float degrees);
float radiansToDegrees(float radians);

// Reads the edit with atoi/atof into the record's field and rewrites the edit
// from the stored value (angles keep the text as typed).
void commitField(CommitEdit* edit, const FieldBinding& binding, void* record);
// Writes the record's field into the edit with the field's format.
void showField(CommitEdit* edit, const FieldBinding& binding, const void* record);

}  // namespace vantor

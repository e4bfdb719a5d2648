// Edit fields bound to one field of a library record (an EmitterData or a
// BurstData held in the working state): parsing, storing and formatting.
#pragma once
#include <QMap>

#include <cstddef>
#include <initializer_list>

class QGridLayout;
class QHBoxLayout;
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

class Swatch;

// One row of widgets laid out left to right, independent of the other rows.
QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets);

// The colour table of the particle windows: column heads R, G, B, A, then the
// rows Start (swatch, four edits, Select), Var, End (swatch, edits, Select)
// and Var, with the edits 1113.., 1119.., 1137.. and 1143...
QGridLayout* colourTable(QWidget* parent, const QMap<int, CommitEdit*>& edits, Swatch* startSwatch,
                         Swatch* endSwatch, QWidget* startSelect, QWidget* endSelect);

}  // namespace vantor

// Edit fields bound to one field of a library record (an EmitterData or a
// BurstData held in the working state): parsing, storing and formatting.
#pragma once
#include "resource.h"

#include <QMap>

#include <cstddef>
#include <initializer_list>
#include <vector>


namespace vantor {

class CommitEdit;

enum class FieldKind { Integer, Real, Angle };

struct FieldBinding {
    int id;            // control id
    size_t offset;     // offset of the field in its record
    FieldKind kind;
    const char* format;
    const char* name;  // what the field is called in Undo and Redo
};

// The fields an emitter and its burst share, with the same control ids and
// formats in both windows: direction, speed, life, the four colours and the
// four sizes. `Record` is EmitterData or BurstData.
template <typename Record>
std::vector<FieldBinding> particleFields() {
    const size_t f = sizeof(float);
    std::vector<FieldBinding> fields = {
        {IDC_PART_YAW, offsetof(Record, yaw), FieldKind::Angle, "%3.1f", "Yaw"},
        {IDC_PART_YAW_VAR, offsetof(Record, yawVar), FieldKind::Angle, "%3.1f", "Yaw Variation"},
        {IDC_PART_PITCH, offsetof(Record, pitch), FieldKind::Angle, "%3.1f", "Pitch"},
        {IDC_PART_PITCH_VAR, offsetof(Record, pitchVar), FieldKind::Angle, "%3.1f", "Pitch Variation"},
        {IDC_PART_SPEED, offsetof(Record, speed), FieldKind::Real, "%1.4f", "Speed"},
        {IDC_PART_SPEED_VAR, offsetof(Record, speedVar), FieldKind::Real, "%1.4f", "Speed Variation"},
        {IDC_PART_LIFE, offsetof(Record, life), FieldKind::Integer, "%d", "Life"},
        {IDC_PART_LIFE_VAR, offsetof(Record, lifeVar), FieldKind::Integer, "%d", "Life Variation"},
        {IDC_PART_START_SIZE, offsetof(Record, startSize), FieldKind::Real, "%1.3f", "Start Size"},
        {IDC_PART_START_SIZE_VAR, offsetof(Record, startSizeVar), FieldKind::Real, "%1.3f", "Start Size Variation"},
        {IDC_PART_END_SIZE, offsetof(Record, endSize), FieldKind::Real, "%1.3f", "End Size"},
        {IDC_PART_END_SIZE_VAR, offsetof(Record, endSizeVar), FieldKind::Real, "%1.3f", "End Size Variation"},
    };
    const size_t colours[4] = {offsetof(Record, startColor), offsetof(Record, startColorVar),
                               offsetof(Record, endColor), offsetof(Record, endColorVar)};
    const int firstIds[4] = {IDC_PART_START_R, IDC_PART_START_VAR_R, IDC_PART_END_R, IDC_PART_END_VAR_R};
    const char* rowNames[4] = {"Start Colour", "Start Colour Variation", "End Colour", "End Colour Variation"};
    for (int row = 0; row < 4; ++row)
        for (int c = 0; c < 4; ++c)
            fields.push_back({firstIds[row] + c, colours[row] + c * f, FieldKind::Real, "%1.3f", rowNames[row]});
    return fields;
}

// Gives each field the range steps keep to: counts and times 0 or more,
// colours 0 to 1; the rest unlimited.
void setStepRanges(const std::vector<FieldBinding>& fields, const QMap<int, CommitEdit*>& edits);

// The binding with the given control id (the first one when there is none).
const FieldBinding& bindingFor(const std::vector<FieldBinding>& fields, int id);

// Angles are typed in degrees and stored in radians, with 32-bit constants.
float degreesToRadians(float degrees);
float radiansToDegrees(float radians);

// Reads the edit with atoi/atof into the record's field and rewrites the edit
// with the value stored (angles with the degrees read, in full).
void commitField(CommitEdit* edit, const FieldBinding& binding, void* record);
// Writes the record's field into the edit with the field's format; with
// `keepShown`, not when the edit's text already shows the value.
void showField(CommitEdit* edit, const FieldBinding& binding, const void* record, bool keepShown = false);

}  // namespace vantor

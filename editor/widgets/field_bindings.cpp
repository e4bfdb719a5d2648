#include "widgets/field_bindings.h"

#include <QMap>

#include <algorithm>
#include <iterator>

#include <cstdint>
#include <cstring>


#include "resource.h"
#include "widgets/controls.h"

namespace vantor {

const FieldBinding& bindingFor(const std::vector<FieldBinding>& fields, int id) {
    for (const FieldBinding& f : fields)
        if (f.id == id) return f;
    return fields.front();
}

float degreesToRadians(float degrees) { return degrees * 3.1415927f * 0.0055555557f; }

float radiansToDegrees(float radians) { return radians * 180.0f * 0.31830987f; }

namespace {
// The value the edit's text stands for, as commitField would store it.
void readField(const QString& text, const FieldBinding& binding, char* out) {
    switch (binding.kind) {
    case FieldKind::Integer: {
        const int32_t value = toInt(text);
        std::memcpy(out, &value, sizeof value);
        break;
    }
    case FieldKind::Real: {
        const float value = toFloat(text);
        std::memcpy(out, &value, sizeof value);
        break;
    }
    case FieldKind::Angle: {
        const float value = degreesToRadians(toFloat(text));
        std::memcpy(out, &value, sizeof value);
        break;
    }
    }
}
}  // namespace

void commitField(CommitEdit* edit, const FieldBinding& binding, void* record) {
    char* field = static_cast<char*>(record) + binding.offset;
    const QString text = edit->text();
    readField(text, binding, field);
    switch (binding.kind) {
    case FieldKind::Integer: {
        int32_t value;
        std::memcpy(&value, field, sizeof value);
        edit->setText(formatInt(value));
        break;
    }
    case FieldKind::Real: {
        float value;
        std::memcpy(&value, field, sizeof value);
        edit->setText(format(binding.format, value));
        break;
    }
    case FieldKind::Angle:
        // Degrees as read, in full: the page's one-decimal format would hide
        // digits that were stored.
        edit->setText(formatG6(toFloat(text)));
        break;
    }
}

void showField(CommitEdit* edit, const FieldBinding& binding, const void* record, bool keepShown) {
    const char* field = static_cast<const char*>(record) + binding.offset;
    switch (binding.kind) {
    case FieldKind::Integer: {
        int32_t value;
        std::memcpy(&value, field, sizeof value);
        if (!keepShown || edit->text().isEmpty() || toInt(edit->text()) != value || !isNumber(edit->text()))
            edit->setText(formatInt(value));
        break;
    }
    case FieldKind::Real: {
        float value;
        std::memcpy(&value, field, sizeof value);
        showNumber(edit, value, format(binding.format, value), keepShown);
        break;
    }
    case FieldKind::Angle: {
        float value;
        std::memcpy(&value, field, sizeof value);
        showNumber(edit, radiansToDegrees(value), format(binding.format, radiansToDegrees(value)), keepShown);
        break;
    }
    }
}

}  // namespace vantor

namespace vantor {

void setStepRanges(const std::vector<FieldBinding>& fields, const QMap<int, CommitEdit*>& edits) {
    const int colourRows[4] = {IDC_PART_START_R, IDC_PART_START_VAR_R, IDC_PART_END_R, IDC_PART_END_VAR_R};
    for (const FieldBinding& f : fields) {
        CommitEdit* edit = edits.value(f.id);
        if (!edit) continue;
        const bool colour = std::any_of(std::begin(colourRows), std::end(colourRows),
                                        [&f](int first) { return f.id >= first && f.id < first + 4; });
        if (colour) edit->setRange(0, 1);
        else if (f.kind == FieldKind::Integer) edit->setStepRange(0, 2147483647.0);
    }
}

}  // namespace vantor

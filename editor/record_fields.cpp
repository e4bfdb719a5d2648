#include "record_fields.h"

#include <cstdint>
#include <cstring>

#include "controls.h"

namespace vantor {

float degreesToRadians(float degrees) { return degrees * 3.1415927f * 0.0055555557f; }

float radiansToDegrees(float radians) { return radians * 180.0f * 0.31830987f; }

void commitField(CommitEdit* edit, const FieldBinding& binding, void* record) {
    char* field = static_cast<char*>(record) + binding.offset;
    const QString text = edit->text();
    switch (binding.kind) {
    case FieldKind::Integer: {
        const int32_t value = toInt(text);
        std::memcpy(field, &value, sizeof value);
        edit->setText(formatInt(value));
        break;
    }
    case FieldKind::Real: {
        const float value = toFloat(text);
        std::memcpy(field, &value, sizeof value);
        edit->setText(format(binding.format, value));
        break;
    }
    case FieldKind::Angle: {
        const float value = degreesToRadians(toFloat(text));
        std::memcpy(field, &value, sizeof value);
        break;
    }
    }
}

void showField(CommitEdit* edit, const FieldBinding& binding, const void* record) {
    const char* field = static_cast<const char*>(record) + binding.offset;
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
    case FieldKind::Angle: {
        float value;
        std::memcpy(&value, field, sizeof value);
        edit->setText(format(binding.format, radiansToDegrees(value)));
        break;
    }
    }
}

}  // namespace vantor

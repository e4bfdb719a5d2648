#include "record_fields.h"

#include <cstdint>
#include <cstring>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "resource.h"
#include "controls.h"

namespace vantor {

const FieldBinding& bindingFor(const std::vector<FieldBinding>& fields, int id) {
    for (const FieldBinding& f : fields)
        if (f.id == id) return f;
    return fields.front();
}

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
        // Degrees as read, in full: the page's one-decimal format would hide
        // digits that were stored.
        const float degrees = toFloat(text);
        const float value = degreesToRadians(degrees);
        std::memcpy(field, &value, sizeof value);
        edit->setText(formatG6(degrees));
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

QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets) {
    auto* line = new QHBoxLayout;
    for (QWidget* w : widgets) line->addWidget(w);
    line->addStretch(1);
    return line;
}

QGridLayout* colourTable(QWidget* parent, const QMap<int, CommitEdit*>& edits, Swatch* startSwatch,
                         Swatch* endSwatch, QWidget* startSelect, QWidget* endSelect) {
    auto* grid = new QGridLayout;
    const char* heads[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(QString::fromLatin1(heads[c]), parent), 0, 2 + c, Qt::AlignCenter);
    const int rowIds[4] = {IDC_PART_START_R, IDC_PART_START_VAR_R, IDC_PART_END_R, IDC_PART_END_VAR_R};
    const char* rowLabels[4] = {"Start:", "Var:", "End:", "Var:"};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(new QLabel(QString::fromLatin1(rowLabels[r]), parent), r + 1, 0);
        for (int c = 0; c < 4; ++c) grid->addWidget(edits.value(rowIds[r] + c), r + 1, 2 + c);
    }
    grid->addWidget(startSwatch, 1, 1);
    grid->addWidget(startSelect, 1, 6);
    grid->addWidget(endSwatch, 3, 1);
    grid->addWidget(endSelect, 3, 6);
    grid->setColumnStretch(7, 1);
    return grid;
}

}  // namespace vantor

#include "widgets/page_layout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "widgets/controls.h"
#include "resource.h"

namespace vantor {

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

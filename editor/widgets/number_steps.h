// Number fields that step as in 3D and compositing tools: Up and Down (and
// the wheel over a focused field) change the value by one unit of its last
// shown digit, and a horizontal drag on a field's label scrubs it.
#pragma once
#include "widgets/number_text.h"
#include <QString>
#include <Qt>

class QWidget;

namespace vantor {


// Lets every label of `page` that stands just before a number field scrub
// that field: a drag to the right raises it a unit per four pixels.
void attachLabelScrubbing(QWidget* page);

}  // namespace vantor

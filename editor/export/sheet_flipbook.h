// A sprite sheet just exported, played by the current emitter: the sheet
// drawn over black becomes an image of the entity, the emitter shows it as
// Polygons with added light (so the black adds nothing) and plays it as a
// flipbook at the rate it was taken, all as one undo step.
#pragma once
#include <QString>

#include "export/effect_export.h"

class CVantorDoc;
class QWidget;

namespace vantor {

// False after a message when the bitmap cannot be written or the document
// refuses a step.
bool useSheetAsFlipbook(QWidget* parent, CVantorDoc& document, const QString& sheetPath, const EffectExport& settings);

}  // namespace vantor

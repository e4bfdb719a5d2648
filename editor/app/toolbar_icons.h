// The toolbar's images, drawn in code: one 16 x 15 picture per command id.
#pragma once
#include <QIcon>

namespace vantor {

// The image of the toolbar command `id`; an empty picture for other ids.
QIcon toolIcon(int id);

}  // namespace vantor

#include "pages/animate_page.h"

#include <QLabel>

CAnimatePage::CAnimatePage(QWidget* parent) : QWidget(parent) {
    auto* text = new QLabel(QStringLiteral("Maybe in a future date."), this);
    text->move(93, 48);  // (62, 30) dialog units
    text->adjustSize();
}

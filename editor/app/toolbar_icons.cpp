#include "app/toolbar_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include "resource.h"

namespace vantor {

QIcon toolIcon(int id) {
    QPixmap pixmap(16, 15);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink(30, 30, 30), blue(40, 80, 190), red(190, 40, 40), green(30, 140, 60);
    p.setPen(ink);
    auto letter = [&](const QString& text, const QColor& colour) {
        QFont font = p.font();
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, text);
    };
    switch (id) {
    case ID_FILE_NEW:  // New: a sheet with a folded corner
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
        p.drawLine(10, 1, 10, 4);
        p.drawLine(10, 4, 13, 4);
        break;
    case ID_FILE_OPEN:  // Open: a folder
        p.setBrush(QColor(230, 200, 90));
        p.drawRect(1, 4, 13, 9);
        p.drawRect(1, 2, 5, 2);
        break;
    case ID_FILE_SAVE:  // Save: a disk
        p.setBrush(blue);
        p.drawRect(1, 1, 13, 13);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        break;
    case ID_APP_ABOUT: letter(QStringLiteral("?"), blue); break;
    case ID_IMAGES:  // Images: a small picture
        p.setBrush(QColor(150, 200, 240));
        p.drawRect(1, 2, 13, 11);
        p.setBrush(green);
        p.drawPolygon(QPolygon({QPoint(2, 12), QPoint(7, 6), QPoint(13, 12)}));
        break;
    case ID_ROTATE_Y: letter(QStringLiteral("↻Y"), ink); break;
    case ID_ROTATE_X: letter(QStringLiteral("↻X"), ink); break;
    case ID_RESET: letter(QStringLiteral("R"), red); break;
    case ID_LOCK_X: letter(QStringLiteral("X"), red); break;
    case ID_LOCK_Y: letter(QStringLiteral("Y"), green); break;
    case ID_LOCK_Z: letter(QStringLiteral("Z"), blue); break;
    case ID_MOVE:  // Move: a cross of arrows
        p.drawLine(8, 1, 8, 13);
        p.drawLine(2, 7, 14, 7);
        p.drawLine(8, 1, 6, 3);
        p.drawLine(8, 1, 10, 3);
        p.drawLine(2, 7, 4, 5);
        p.drawLine(14, 7, 12, 5);
        break;
    case ID_ROTATE:  // Rotate: an arc
        p.drawArc(2, 2, 12, 11, 30 * 16, 300 * 16);
        p.drawLine(13, 4, 14, 1);
        break;
    case ID_POS_CAMERA: letter(QStringLiteral("C"), ink); break;
    case ID_POS_LIGHT:  // Light: a bulb
        p.setBrush(QColor(250, 230, 80));
        p.drawEllipse(4, 1, 8, 8);
        p.drawRect(6, 10, 4, 3);
        break;
    case ID_POS_OBJECT:  // Object: a cube
        p.setBrush(QColor(200, 200, 220));
        p.drawRect(2, 5, 8, 8);
        p.drawLine(2, 5, 6, 1);
        p.drawLine(10, 5, 14, 1);
        p.drawLine(6, 1, 14, 1);
        p.drawLine(14, 1, 14, 9);
        p.drawLine(10, 13, 14, 9);
        break;
    case ID_POS_EMITTER:  // Particle emitter: sparks
        p.setPen(red);
        for (QPoint d : {QPoint(8, 1), QPoint(2, 4), QPoint(14, 4), QPoint(4, 10), QPoint(12, 10)})
            p.drawLine(8, 13, d.x(), d.y());
        break;
    default: break;
    }
    return QIcon(pixmap);
}

}  // namespace vantor

// Drawing the page editor's cursors.
#include "compose/qt/EditorCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSide = 32;

// Strokes `path` white and wide, then black and thin, on a clear pixmap.
QCursor drawnCursor(const QPainterPath& path, int hotX, int hotY, bool filled = false)
{
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.strokePath(path, QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    if (filled)
        painter.fillPath(path, Qt::white);
    painter.strokePath(path, QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.end();
    return QCursor(pixmap, hotX, hotY);
}

} // namespace

QCursor CropCursor()
{
    QPainterPath path;
    // The cross hair, hot spot at its middle.
    path.moveTo(15, 2);
    path.lineTo(15, 12);
    path.moveTo(15, 18);
    path.lineTo(15, 28);
    path.moveTo(2, 15);
    path.lineTo(12, 15);
    path.moveTo(18, 15);
    path.lineTo(28, 15);
    // Two crop marks: an upper-left and a lower-right corner.
    path.moveTo(6, 22);
    path.lineTo(6, 6);
    path.lineTo(22, 6);
    path.moveTo(9, 24);
    path.lineTo(24, 24);
    path.lineTo(24, 9);
    return drawnCursor(path, 15, 15);
}

QCursor HandCursor()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);  // the parts overlap; their union is the hand
    // Four fingers, the thumb and the palm.
    for (int finger = 0; finger < 4; ++finger)
        path.addRoundedRect(8 + finger * 4, 4 + (finger == 0 || finger == 3 ? 3 : 0), 4, 12, 2, 2);
    path.addRoundedRect(3, 14, 5, 8, 2, 2);
    path.addRoundedRect(7, 13, 17, 14, 4, 4);
    return drawnCursor(path.simplified(), 16, 16, true);
}

QCursor TextCursor()
{
    QPainterPath path;
    path.moveTo(11, 4);
    path.lineTo(15, 6);
    path.lineTo(19, 4);
    path.moveTo(15, 6);
    path.lineTo(15, 26);
    path.moveTo(11, 28);
    path.lineTo(15, 26);
    path.lineTo(19, 28);
    path.moveTo(12, 16);
    path.lineTo(18, 16);
    return drawnCursor(path, 15, 16);
}

// The folder tree's icons, drawn with QPainter: an account as a head and
// shoulders, each folder as a folder of its own colour.

#include "faxbox/qt/FolderTreeIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

#include "faxbox/FolderTree.h"

namespace {

constexpr int kSize = 16;

// Folders 1 to 8.
constexpr std::array<QRgb, 8> kFolderColours = {0xe8b63a, 0x4caf50, 0xe57373, 0x5a9bd5,
                                                 0x9575cd, 0x8d6e63, 0x90a4ae, 0xff8a65};

QPixmap accountPixmap()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x1f4f8f);
    QPainterPath person;
    person.addEllipse(QRectF(5, 1.5, 6, 6));
    person.moveTo(1.5, 15);
    person.cubicTo(1.5, 9, 14.5, 9, 14.5, 15);
    person.closeSubpath();
    // A light rim keeps the figure apart from a blue selection.
    painter.strokePath(person, QPen(QColor(255, 255, 255, 200), 2));
    painter.setPen(QPen(blue.darker(130), 1));
    painter.setBrush(blue);
    painter.drawPath(person);
    return pixmap;
}

QPixmap folderPixmap(QColor colour)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(160), 1));
    painter.setBrush(colour.darker(115));
    painter.drawRoundedRect(QRectF(1.5, 2.5, 6, 3), 1, 1);  // the tab
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(1.5, 4.5, 13, 9.5), 1.5, 1.5);
    painter.setPen(QPen(colour.lighter(140), 1));
    painter.drawLine(QPointF(3, 6.5), QPointF(13, 6.5));
    return pixmap;
}

} // namespace

QIcon FolderTreeIcon(int index)
{
    const int folder = std::min(index, kFolderTreeIconCount - 1) - 1;
    const QPixmap pixmap =
        index <= 0 ? accountPixmap() : folderPixmap(QColor(kFolderColours[static_cast<std::size_t>(folder)]));
    // The same picture on a selected row (the style's selected tint blurs a 16-pixel icon).
    QIcon icon(pixmap);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

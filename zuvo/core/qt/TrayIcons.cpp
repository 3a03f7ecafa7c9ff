#include "core/qt/TrayIcons.h"

#include "core/frame/StatusTexts.h"

#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace {

constexpr int kSize = 32;

// A round badge with the letter "Z" in the given colour.
QPixmap badge(const QColor& colour)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(150), 2));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2, 2, kSize - 4, kSize - 4));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(18);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

QIcon failedIcon()
{
    QPixmap pixmap = badge(QColor(200, 40, 40));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::yellow, 3));
    painter.drawLine(20, 20, 29, 29);
    painter.drawLine(29, 20, 20, 29);
    return QIcon(pixmap);
}

// Animation frame n of kAnimationFrameCount: a dot that circles the badge.
QIcon animationIcon(int n)
{
    QPixmap pixmap = badge(QColor(60, 110, 190));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    double angle = 2.0 * M_PI * n / kAnimationFrameCount - M_PI / 2.0;
    QPointF centre(kSize / 2.0 + 11.0 * qCos(angle), kSize / 2.0 + 11.0 * qSin(angle));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 210, 0));
    painter.drawEllipse(centre, 4.0, 4.0);
    return QIcon(pixmap);
}

// The sizes a tray or a window list asks for, from a small panel's to a
// task switcher's.
constexpr int kOverlaidSizes[] = {16, 22, 24, 32, 48, 64};

// `application` at each of kOverlaidSizes with `state` over its lower right
// corner, at a little more than half its width so that the colour reads
// on a panel of 16 pixels, on a white disc that parts it from the icon.
QIcon overlaid(const QIcon& application, const QIcon& state)
{
    QIcon icon;
    for (const int size : kOverlaidSizes) {
        QPixmap pixmap = application.pixmap(size).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const int mark = (size * 9 + 15) / 16;
        const QRect corner(size - mark, size - mark, mark, mark);
        QPainter painter(&pixmap);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(corner));
        painter.drawPixmap(corner, state.pixmap(kSize));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon ApplicationIcon()
{
    return QIcon::fromTheme(QLatin1String(kApplicationIconName), QIcon(badge(QColor(28, 86, 176))));
}

QList<QIcon> DrawStateIcons()
{
    QList<QIcon> icons;
    icons << QIcon(badge(QColor(128, 128, 128)))  // offline
          << QIcon(badge(QColor(40, 160, 60)))    // online
          << failedIcon();
    for (int n = 0; n < kAnimationFrameCount; ++n) icons << animationIcon(n);
    if (!QIcon::hasThemeIcon(QLatin1String(kApplicationIconName)))
        return icons;
    const QIcon application = QIcon::fromTheme(QLatin1String(kApplicationIconName));
    for (QIcon& icon : icons) icon = overlaid(application, icon);
    return icons;
}

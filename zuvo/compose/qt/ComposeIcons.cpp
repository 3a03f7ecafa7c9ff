// Icons of the compose window's and the page editor's commands: a theme icon
// by its freedesktop name, else a standard icon of the style or a drawing.
#include "compose/qt/ComposeIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QTransform>

#include <cmath>
#include <functional>

#include "compose/ComposeCommands.h"
#include "compose/FaxViewCommands.h"

namespace {

constexpr int kSize = 32;

QIcon standard(QStyle::StandardPixmap pixmap)
{
    return QApplication::style()->standardIcon(pixmap);
}

// A drawing on a transparent square, in the palette's text colour.
QIcon drawn(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QApplication::palette().color(QPalette::WindowText), 2.5, Qt::SolidLine, Qt::RoundCap));
    draw(painter);
    return QIcon(pixmap);
}

// A magnifying glass with a sign in its lens.
QIcon lens(const QString& sign)
{
    return drawn([&sign](QPainter& p) {
        p.drawEllipse(QRectF(4, 4, 17, 17));
        p.drawLine(QPointF(19, 19), QPointF(28, 28));
        QFont font = p.font();
        font.setPixelSize(13);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(4, 4, 17, 17), Qt::AlignCenter, sign);
    });
}

QIcon crop()
{
    return drawn([](QPainter& p) {
        p.drawPolyline(QPolygonF({QPointF(8, 2), QPointF(8, 24), QPointF(30, 24)}));
        p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(24, 8), QPointF(24, 30)}));
    });
}

// A round seal in red ink.
QIcon seal()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(200, 30, 40), 2.5));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(QColor(200, 30, 40));
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double radius = i % 2 == 0 ? 9.0 : 3.8;
            const double angle = -M_PI / 2 + i * M_PI / 5;
            const QPointF point(16 + radius * std::cos(angle), 16 + radius * std::sin(angle));
            i == 0 ? star.moveTo(point) : star.lineTo(point);
        }
        star.closeSubpath();
        p.setPen(Qt::NoPen);
        p.drawPath(star);
    });
}

QIcon textNote()
{
    return drawn([](QPainter& p) {
        QFont font = p.font();
        font.setPixelSize(24);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("文"));
    });
}

// The style's turning arrow, mirrored for a turn to the left.
QIcon turn(bool left)
{
    const QIcon right = standard(QStyle::SP_BrowserReload);
    if (!left)
        return right;
    return QIcon(right.pixmap(kSize, kSize).transformed(QTransform().scale(-1, 1)));
}

QIcon themed(const char* name, const QIcon& otherwise)
{
    return QIcon::fromTheme(QString::fromLatin1(name), otherwise);
}

} // namespace

QIcon ComposeCommandIcon(int id)
{
    namespace C = ComposeCommand;
    namespace V = FaxViewCommand;
    switch (id) {
    case C::SendNow: return themed("mail-send", standard(QStyle::SP_ArrowUp));
    case C::Express: return themed("mail-forward", standard(QStyle::SP_MediaSeekForward));
    case C::Save: return themed("document-save", standard(QStyle::SP_DialogSaveButton));
    case C::SaveDraft: return themed("document-save-as", standard(QStyle::SP_DirIcon));
    case C::Close: return themed("window-close", standard(QStyle::SP_DialogCloseButton));
    case C::AddAttachment: return themed("mail-attachment", standard(QStyle::SP_FileIcon));
    case V::PreviousPage: return themed("go-previous", standard(QStyle::SP_ArrowLeft));
    case V::NextPage: return themed("go-next", standard(QStyle::SP_ArrowRight));
    case V::ZoomIn: return themed("zoom-in", lens(QStringLiteral("+")));
    case V::ZoomOut: return themed("zoom-out", lens(QStringLiteral("−")));
    case V::ActualSize: return themed("zoom-original", lens(QStringLiteral("1")));
    case V::RotateLeft: return themed("object-rotate-left", turn(true));
    case V::RotateRight: return themed("object-rotate-right", turn(false));
    case V::Crop: return themed("transform-crop", crop());
    case V::Undo: return themed("edit-undo", standard(QStyle::SP_ArrowBack));
    case V::Seal: return seal();
    case V::TextNote: return themed("insert-text", textNote());
    case V::Save: return themed("document-save", standard(QStyle::SP_DialogSaveButton));
    default: return {};
    }
}

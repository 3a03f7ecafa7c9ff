#include "core/qt/FrameThemes.h"

#include "core/FrameCommands.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace {

QPalette paletteOf(QColor window, QColor button, QColor highlight)
{
    QPalette palette(button, window);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    return palette;
}

} // namespace

FrameLook FrameLookOf(int theme)
{
    switch (ClampTheme(theme)) {
    case 1: return {QStringLiteral("Windows"), paletteOf(QColor(212, 208, 200), QColor(212, 208, 200), QColor(10, 36, 106))};
    case 2: return {QStringLiteral("Fusion"), paletteOf(QColor(196, 218, 250), QColor(221, 236, 254), QColor(59, 97, 156))};
    case 3: return {QStringLiteral("Fusion"), paletteOf(QColor(236, 233, 216), QColor(244, 243, 238), QColor(49, 106, 197))};
    case 4: return {QStringLiteral("Fusion"), paletteOf(QColor(229, 229, 215), QColor(240, 240, 234), QColor(51, 153, 255))};
    default: return {QStringLiteral("Fusion"), paletteOf(QColor(219, 216, 209), QColor(239, 237, 232), QColor(182, 189, 210))};
    }
}

void ApplyFrameTheme(int theme)
{
    FrameLook look = FrameLookOf(theme);
    if (QApplication::style()->name().compare(look.style, Qt::CaseInsensitive) != 0)
        if (QStyle* style = QStyleFactory::create(look.style)) QApplication::setStyle(style);
    QApplication::setPalette(look.palette);
}

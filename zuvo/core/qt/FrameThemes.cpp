#include "core/qt/FrameThemes.h"

#include "core/frame/FrameCommands.h"

#include <QApplication>
#include <QColor>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

namespace {

// The text colour of a disabled entry in every look: grey, at a distance
// from both the black of enabled text and the light backgrounds.
const QColor kDisabledText(128, 128, 128);

// The WCAG relative luminance of a colour (sRGB, 0 to 1).
double luminance(const QColor& colour)
{
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

QPalette paletteOf(QColor window, QColor button, QColor highlight)
{
    QPalette palette(button, window);
    palette.setColor(QPalette::Highlight, highlight);
    // White on a dark highlight, black on a light one (the caption bar is drawn so).
    palette.setColor(QPalette::HighlightedText, ReadableTextOn(highlight));
    palette.setColor(QPalette::Base, Qt::white);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Active, role, Qt::black);
        palette.setColor(QPalette::Inactive, role, Qt::black);
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    }
    return palette;
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableTextOn(const QColor& background)
{
    const QColor white(Qt::white), black(Qt::black);
    return ContrastRatio(background, white) >= ContrastRatio(background, black) ? white : black;
}

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

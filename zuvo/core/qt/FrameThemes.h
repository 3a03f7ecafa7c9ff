#pragma once

#include <QPalette>
#include <QString>

// The main window's five looks, numbered as the theme commands and the
// stored "Theme" value: 0 OfficeXp, 1 Office2000, 2 Office2003, 3 WindowXP,
// 4 Visual Studio 2005. Each is a Qt style with a palette of its own.
struct FrameLook {
    QString style;
    QPalette palette;
};

// The look of theme n (0 for a number outside 0 to 4).
FrameLook FrameLookOf(int theme);
// Applies the look to the whole application.
void ApplyFrameTheme(int theme);

// The contrast ratio of two colours as WCAG defines it (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);
// Black or white, whichever stands out more on background.
QColor ReadableTextOn(const QColor& background);

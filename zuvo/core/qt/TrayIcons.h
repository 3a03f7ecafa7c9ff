#pragma once

#include <QIcon>
#include <QList>

// The program's name in the icon theme, which its desktop entry names too.
inline constexpr char kApplicationIconName[] = "zuvo";

// The program's icon: the icon theme's "zuvo" (installed with the program
// into the hicolor theme), else a painted badge.
QIcon ApplicationIcon();

// The connection-state icons of the tray and the main window: 0 offline,
// 1 online, 2 registration failed, 3 to 7 the frames of the connecting
// animation. Each is a round badge in the state's colour that the program
// paints itself; with the theme's "zuvo" icon installed, the state icon is
// that icon with the badge small in its lower right corner.
QList<QIcon> DrawStateIcons();

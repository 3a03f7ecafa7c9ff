#pragma once

// The icons of the compose window's toolbars, shown above their captions:
// the desktop theme's icon where it has one, else the style's standard icon
// or a small drawing of our own, as the main window's toolbar has them.

#include <QIcon>

// The icon of a command of the compose window (ComposeCommand) or of its
// page editor (FaxViewCommand); an empty icon for another id.
QIcon ComposeCommandIcon(int id);

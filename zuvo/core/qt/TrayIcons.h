#pragma once

#include <QIcon>
#include <QList>

// The connection-state icons of the tray and the main window, drawn by the
// program itself: 0 offline, 1 online, 2 registration failed, 3 to 7 the
// frames of the connecting animation.
QList<QIcon> DrawStateIcons();

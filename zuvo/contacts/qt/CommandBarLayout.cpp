// Saving and restoring a window's command bars under its profile name.

#include "contacts/qt/CommandBarLayout.h"

#include <QMainWindow>
#include <QSettings>

namespace {

QSettings programSettings()
{
    return QSettings(QStringLiteral("Zuvo"), QStringLiteral("Zuvo"));
}

} // namespace

void RestoreCommandBars(QMainWindow& window, const char* profile)
{
    const QByteArray layout = programSettings().value(QString::fromUtf8(profile)).toByteArray();
    if (!layout.isEmpty())
        window.restoreState(layout);
}

void SaveCommandBars(QMainWindow& window, const char* profile)
{
    programSettings().setValue(QString::fromUtf8(profile), window.saveState());
}

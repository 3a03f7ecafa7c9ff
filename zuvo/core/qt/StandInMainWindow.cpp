#include "core/qt/StandInMainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QStatusBar>
#include <QTimer>

#include "core/SysConfig.h"
#include "jotter/Jotter.h"

StandInMainWindow::StandInMainWindow(unsigned interInstanceMessage)
    : interInstanceMessage_(interInstanceMessage), popup_(this), registration_(this)
{
    setWindowTitle(QStringLiteral("ZUVO"));
    resize(800, 600);
    statusBar();
    // Runs once start-up has hidden the window and returned to the event loop.
    QTimer::singleShot(0, this, [this] {
        cpLog(6, "no tray icon: showing the main window");
        show();
    });
}

void StandInMainWindow::SetStatusText(const QString& text)
{
    statusBar()->showMessage(text);
}

void StandInMainWindow::ShowPopup(const QString& text)
{
    popup_.ShowNotice(QString::fromStdString(SysConfig::Instance().GetLogoName()), text);
}

bool StandInMainWindow::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::EventType()) {
        return QMainWindow::event(event);
    }
    const auto& message = static_cast<const WindowMessageEvent&>(*event);
    if (interInstanceMessage_ != 0 && message.Message() == interInstanceMessage_) {
        OnHandOver(message);
        return true;
    }
    switch (message.Message()) {
    case WM_FAX_POPUP:
        ShowPopup(message.Text());
        return true;
    case WM_FAX_SHOW_MAIN:
        showMaximized();
        raise();
        activateWindow();
        return true;
    case WM_FAX_HIDE_MAIN:
        showMinimized();
        hide();
        return true;
    default:
        // The stand-in has no panes, so refreshes and commands find nothing to do.
        return true;
    }
}

void StandInMainWindow::OnHandOver(const WindowMessageEvent& message)
{
    cpLog(6, "m_hBroadCastHandle Proc");
    cpLog(6, "hand-over wParam[%lu] lParam[%ld] files[%lld]", static_cast<unsigned long>(message.WParam()),
          static_cast<long>(message.LParam()), static_cast<long long>(message.Files().size()));
    for (const QString& file : message.Files()) {
        cpLog(6, "hand-over file[%s]", file.toUtf8().constData());
    }
    if (message.WParam() == HANDOVER_TO_COMPOSE) {
        WindowRegistry::Post(message.LParam(), WM_FAX_ADD_FILE, 0, 0, {}, message.Files());
    }
}

void StandInMainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    QCoreApplication::quit();
}

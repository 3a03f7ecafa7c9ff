#pragma once

// Stands in for the main window of the transfer dialogs' tests: a
// registered window that keeps what is posted to it (a widget, shown by
// tests that look at where the dialogs appear).

#include <QWidget>
#include <QStringList>

#include <vector>

#include "core/qt/WindowMessage.h"

class MainWindowSink : public QWidget {
public:
    QStringList notices;                             // WM_FAX_POPUP texts
    std::vector<std::pair<unsigned, WPARAM>> posted; // every message, in order

    WindowId Handle() const { return registered_.Id(); }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != WindowMessageEvent::EventType())
            return QWidget::event(event);
        auto* message = static_cast<WindowMessageEvent*>(event);
        posted.emplace_back(message->Message(), message->WParam());
        if (message->Message() == WM_FAX_POPUP)
            notices << message->Text();
        return true;
    }

private:
    RegisteredWindow registered_{this};
};

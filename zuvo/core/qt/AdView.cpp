#include "core/qt/AdView.h"

#include "core/WindowMessages.h"
#include "core/qt/WindowMessage.h"

CAdView::CAdView(AddressSource adUrl, QWidget* parent)
    : CHtmlView(false, parent), adUrl_(std::move(adUrl))
{
    setObjectName(QStringLiteral("CAdView"));
    // The control's errors are swallowed: a page that fails shows nothing.
    SetQuietErrors(true);
}

int CAdView::OnAdNavigate()
{
    QString address = adUrl_ ? adUrl_() : QString();
    if (!address.isEmpty()) Navigate(address);
    return 1;
}

bool CAdView::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType() &&
        static_cast<WindowMessageEvent*>(event)->Message() == WM_AD_NAVIGATE) {
        OnAdNavigate();
        return true;
    }
    return CHtmlView::event(event);
}

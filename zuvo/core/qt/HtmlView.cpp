#include "core/qt/HtmlView.h"

#include "jotter/Jotter.h"

#include <QDesktopServices>
#include <QVBoxLayout>

#ifdef ZUVO_WITH_WEBENGINE
#include <QWebEngineSettings>
#include <QWebEngineView>
#endif

CHtmlView::CHtmlView(bool externalFallback, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);  // owned by the widget
    layout->setContentsMargins(0, 0, 0, 0);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
#ifdef ZUVO_WITH_WEBENGINE
    Q_UNUSED(externalFallback);
#else
    externalFallback_ = externalFallback;
    address_ = new QLabel(this);
    address_->setAlignment(Qt::AlignCenter);
    address_->setWordWrap(true);
    address_->setOpenExternalLinks(true);
    address_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout->addWidget(address_);
#endif
}

CHtmlView::~CHtmlView() = default;

#ifdef ZUVO_WITH_WEBENGINE
QWebEngineView& CHtmlView::browser()
{
    if (browser_)
        return *browser_;
    browser_ = new QWebEngineView(this);
    layout()->addWidget(browser_);
    browser_->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, !quietErrors_);
    connect(browser_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        // A failed page is not shown where errors are to stay quiet.
        if (quietErrors_)
            browser_->setVisible(ok);
        OnDocumentComplete(browser_->url().toString(QUrl::FullyEncoded));
    });
    return *browser_;
}
#endif

bool CHtmlView::HasBrowser() const
{
#ifdef ZUVO_WITH_WEBENGINE
    return browser_ != nullptr;
#else
    return false;
#endif
}

bool CHtmlView::HasEmbeddedBrowser()
{
#ifdef ZUVO_WITH_WEBENGINE
    return true;
#else
    return false;
#endif
}

void CHtmlView::Navigate(const QString& address)
{
    requested_ = address;
    QUrl url = QUrl::fromUserInput(address);
#ifdef ZUVO_WITH_WEBENGINE
    browser().setUrl(url);
#else
    address_->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                          .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), address.toHtmlEscaped()));
    if (externalFallback_ && !QDesktopServices::openUrl(url))
        cpLog(4, "CHtmlView: the desktop browser did not open <%s>", address.toUtf8().constData());
#endif
}

QString CHtmlView::LocationURL() const
{
#ifdef ZUVO_WITH_WEBENGINE
    if (browser_ && !browser_->url().isEmpty()) return browser_->url().toString(QUrl::FullyEncoded);
#endif
    return requested_;
}

void CHtmlView::OnDocumentComplete(const QString& address)
{
    emit documentComplete(address);
}

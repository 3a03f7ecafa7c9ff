#include "core/qt/HtmlView.h"

#include "core/qt/WebViews.h"
#include "jotter/Jotter.h"

#include <QDesktopServices>
#include <QVBoxLayout>

CHtmlView::CHtmlView(bool externalFallback, QWidget* parent) : QWidget(parent), externalFallback_(externalFallback)
{
    auto* layout = new QVBoxLayout(this);  // owned by the widget
    layout->setContentsMargins(0, 0, 0, 0);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

CHtmlView::~CHtmlView() = default;

WebView* CHtmlView::makeView(WebViewOptions options)
{
    WebViewMaker* maker = WebViewModule();
    if (!maker)
        return nullptr;
    WebView* view = maker->MakeView(this, std::move(options));
    layout()->addWidget(&view->Widget());
    return view;
}

WebView* CHtmlView::browser()
{
    if (!browser_) {
        browser_ = makeView({.lockedDown = false, .errorPages = !quietErrors_, .loadFinished = [this](bool ok) {
                                 // A failed page is not shown where errors are to stay quiet.
                                 if (quietErrors_)
                                     browser_->Widget().setVisible(ok);
                                 OnDocumentComplete(browser_->Url().toString(QUrl::FullyEncoded));
                             }});
    }
    return browser_;
}

WebView* CHtmlView::untrustedView()
{
    if (!untrusted_) {
        untrusted_ = makeView({.lockedDown = true, .errorPages = false,
                               .loadFinished = [this](bool) { emit untrustedHtmlShown(); }});
    }
    return untrusted_;
}

QLabel& CHtmlView::addressLabel()
{
    if (address_)
        return *address_;
    address_ = new QLabel(this);
    address_->setAlignment(Qt::AlignCenter);
    address_->setWordWrap(true);
    address_->setOpenExternalLinks(true);
    address_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout()->addWidget(address_);
    return *address_;
}

bool CHtmlView::HasBrowser() const
{
    return browser_ != nullptr;
}

bool CHtmlView::HasEmbeddedBrowser()
{
    return WebViewModule() != nullptr;
}

void CHtmlView::ShowUntrustedHtml(const QByteArray& html)
{
    showingUntrusted_ = true;
    if (WebView* view = untrustedView()) {
        showBrowser(view);
        view->ShowHtml(html);
        return;
    }
    addressLabel().setText(QStringLiteral("(HTML)"));
    emit untrustedHtmlShown();
}

QString CHtmlView::UntrustedTitle() const
{
    return untrusted_ ? untrusted_->Title() : QString();
}

void CHtmlView::showBrowser(WebView* shown)
{
    if (browser_)
        browser_->Widget().setVisible(shown == browser_);
    if (untrusted_)
        untrusted_->Widget().setVisible(shown == untrusted_);
}

void CHtmlView::Navigate(const QString& address)
{
    requested_ = address;
    showingUntrusted_ = false;
    QUrl url = QUrl::fromUserInput(address);
    if (WebView* view = browser()) {
        showBrowser(view);
        view->Load(url);
        return;
    }
    addressLabel().setText(QStringLiteral("<a href=\"%1\">%2</a>")
                               .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), address.toHtmlEscaped()));
    if (externalFallback_ && !QDesktopServices::openUrl(url))
        cpLog(kLogTrace, "CHtmlView: the desktop browser did not open <%s>", address.toUtf8().constData());
}

QString CHtmlView::LocationURL() const
{
    if (browser_ && !browser_->Url().isEmpty())
        return browser_->Url().toString(QUrl::FullyEncoded);
    return requested_;
}

void CHtmlView::OnDocumentComplete(const QString& address)
{
    emit documentComplete(address);
}

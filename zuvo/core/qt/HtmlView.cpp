#include "core/qt/HtmlView.h"

#include "jotter/Jotter.h"

#include <QDesktopServices>
#include <QVBoxLayout>

#ifdef ZUVO_WITH_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace {

// Every request but the text's own data: addresses is refused.
class DataOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.requestUrl().scheme() != QLatin1String("data"))
            info.block(true);
    }
};

// A view whose page runs no script and reaches no file and no network.
QWebEngineView* makeLockedDownView(QWidget* parent)
{
    // The view and then the profile are children of parent, so they go in
    // that order, and the page (a child of the view) is gone before its profile.
    auto* view = new QWebEngineView(parent);
    auto* profile = new QWebEngineProfile(parent);  // off the record
    profile->setUrlRequestInterceptor(new DataOnlyInterceptor(profile));
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
    auto* page = new QWebEnginePage(profile, view);  // a child of the view
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    view->setPage(page);
    return view;
}

} // namespace
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

void CHtmlView::ShowUntrustedHtml(const QByteArray& html)
{
    showingUntrusted_ = true;
#ifdef ZUVO_WITH_WEBENGINE
    if (!untrusted_) {
        untrusted_ = makeLockedDownView(this);
        layout()->addWidget(untrusted_);
        connect(untrusted_, &QWebEngineView::loadFinished, this, [this](bool) { emit untrustedHtmlShown(); });
    }
    showBrowser(untrusted_);
    untrusted_->page()->setContent(html, QStringLiteral("text/html"), QUrl(QStringLiteral("about:blank")));
#else
    Q_UNUSED(html);
    address_->setText(QStringLiteral("(HTML)"));
    emit untrustedHtmlShown();
#endif
}

QString CHtmlView::UntrustedTitle() const
{
#ifdef ZUVO_WITH_WEBENGINE
    if (untrusted_)
        return untrusted_->title();
#endif
    return {};
}

#ifdef ZUVO_WITH_WEBENGINE
void CHtmlView::showBrowser(QWebEngineView* shown)
{
    if (browser_)
        browser_->setVisible(shown == browser_);
    if (untrusted_)
        untrusted_->setVisible(shown == untrusted_);
}
#endif

void CHtmlView::Navigate(const QString& address)
{
    requested_ = address;
    showingUntrusted_ = false;
    QUrl url = QUrl::fromUserInput(address);
#ifdef ZUVO_WITH_WEBENGINE
    QWebEngineView& view = browser();
    showBrowser(&view);
    view.setUrl(url);
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

// The module of the embedded browser's views: Qt WebEngine views behind the
// WebView interface of core/qt/WebViews.h. Only this module links the browser
// engine; the program loads it when it first shows a page.

#include "core/qt/WebViews.h"

#include <QObject>
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

class EngineView : public QWebEngineView, public WebView {
public:
    EngineView(QWidget* parent, const WebViewOptions& options) : QWebEngineView(parent)
    {
        if (options.lockedDown)
            LockDown(parent);
        settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, options.errorPages);
        if (options.loadFinished)
            QObject::connect(this, &QWebEngineView::loadFinished, this, options.loadFinished);
    }

    QWidget& Widget() override { return *this; }
    void Load(const QUrl& address) override { setUrl(address); }
    void ShowHtml(const QByteArray& html) override
    {
        page()->setContent(html, QStringLiteral("text/html"), QUrl(QStringLiteral("about:blank")));
    }
    QUrl Url() const override { return url(); }
    QString Title() const override { return title(); }

private:
    // A page on a profile of its own (off the record, no cache, the
    // interceptor above) that runs no script and reaches no file.
    void LockDown(QWidget* parent)
    {
        // The profile is a child of the view's parent, made after the view,
        // so that the view and its page (a child of the view) are deleted
        // before it.
        auto* profile = new QWebEngineProfile(parent);
        profile->setUrlRequestInterceptor(new DataOnlyInterceptor(profile));
        profile->setHttpCacheType(QWebEngineProfile::NoCache);
        auto* page = new QWebEnginePage(profile, this);
        QWebEngineSettings* settings = page->settings();
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        setPage(page);
    }
};

} // namespace

class WebViewsModule : public QObject, public WebViewMaker {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZUVO_WEB_VIEW_MAKER_IID)
    Q_INTERFACES(WebViewMaker)
public:
    WebView* MakeView(QWidget* parent, WebViewOptions options) override
    {
        return new EngineView(parent, options);  // a child of parent
    }
};

#include "WebViewsModule.moc"

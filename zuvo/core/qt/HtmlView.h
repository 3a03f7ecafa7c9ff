#pragma once

#include <QLabel>
#include <QString>
#include <QUrl>
#include <QWidget>

class WebView;
struct WebViewOptions;

// A pane that shows web pages. With the embedded browser (the web views'
// module, core/qt/WebViews.h) it reports every finished document; without
// it the pane shows the address and hands the page to the desktop browser.
// The browser (and with it the module and the engine's processes) is made
// on the first Navigate: until then the pane is its empty background.
class CHtmlView : public QWidget {
    Q_OBJECT
public:
    // externalFallback: without the embedded browser, Navigate opens the page
    // in the desktop browser (otherwise the address is only shown as a link).
    explicit CHtmlView(bool externalFallback, QWidget* parent = nullptr);
    ~CHtmlView() override;

    void Navigate(const QString& address);
    // Shows an HTML text from outside (a fax's body from the server) as a
    // page of its own, until the next Navigate: no script runs, and nothing
    // is loaded from files or the network, only what the text carries in
    // data: addresses. The text names its character set itself.
    void ShowUntrustedHtml(const QByteArray& html);
    // Whether the page shown is such a text, and that page's title.
    bool IsShowingUntrustedHtml() const { return showingUntrusted_; }
    QString UntrustedTitle() const;
    // The address of the document shown (or last asked for).
    QString LocationURL() const;
    // Whether the embedded browser can be had (loads its module).
    static bool HasEmbeddedBrowser();
    // Whether the embedded browser has been made (by a Navigate).
    bool HasBrowser() const;

protected:
    // A page that fails to load shows nothing (the pane's background) in
    // place of the engine's error page.
    void SetQuietErrors(bool quiet) { quietErrors_ = quiet; }

signals:
    // A document finished loading; the address as the browser reports it.
    void documentComplete(const QString& address);
    // A text of ShowUntrustedHtml is shown.
    void untrustedHtmlShown();

public:
    // Called for every finished document; passes it on as documentComplete.
    virtual void OnDocumentComplete(const QString& address);

private:
    // A view of the embedded browser in this pane; null without it.
    WebView* makeView(WebViewOptions options);
    // Makes the browser on first use; null without the embedded browser.
    WebView* browser();
    // Makes the view of untrusted texts on first use; null likewise.
    WebView* untrustedView();
    // Shows one of the two views and hides the other.
    void showBrowser(WebView* shown);
    // The address label that stands for the browser without it.
    QLabel& addressLabel();

    QString requested_;
    bool externalFallback_;
    bool quietErrors_ = false;
    bool showingUntrusted_ = false;
    WebView* browser_ = nullptr;    // a child widget; null until the first Navigate
    WebView* untrusted_ = nullptr;  // a locked-down child widget, made at first use
    QLabel* address_ = nullptr;     // child widget, made at first use without the browser
};

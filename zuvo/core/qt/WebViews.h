#pragma once
// The embedded browser's views, made by a module of their own
// (zuvo_webviews.so: beside the program in the build tree, in lib/zuvo of
// an installed program; WebViewModulePath) that is loaded when the first view
// is asked for. A program that shows no page never loads the browser engine,
// its Qt Quick scene or an OpenGL driver.
//
// Everything here is called on the GUI thread.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <QtPlugin>

#include <functional>

// One browser view. It is a child widget of the parent it was made for and
// goes with it.
class WebView {
public:
    virtual ~WebView() = default;
    virtual QWidget& Widget() = 0;
    virtual void Load(const QUrl& address) = 0;
    // Shows an HTML text as a page of its own (at about:blank).
    virtual void ShowHtml(const QByteArray& html) = 0;
    // The address shown (empty before the first load) and the page's title.
    virtual QUrl Url() const = 0;
    virtual QString Title() const = 0;
};

struct WebViewOptions {
    // A locked-down view runs no script and reaches no file and no network:
    // only the data: addresses of its text load.
    bool lockedDown = false;
    // Whether a page that fails shows the engine's error page.
    bool errorPages = true;
    // Called each time a page finished loading, with whether it loaded.
    std::function<void(bool ok)> loadFinished;
};

// What the module offers: views, made on request.
class WebViewMaker {
public:
    virtual ~WebViewMaker() = default;
    virtual WebView* MakeView(QWidget* parent, WebViewOptions options) = 0;
};

#define ZUVO_WEB_VIEW_MAKER_IID "zuvo.WebViewMaker/1"
Q_DECLARE_INTERFACE(WebViewMaker, ZUVO_WEB_VIEW_MAKER_IID)

// The module's maker, loaded on the first call (later calls return the same
// one); null, and logged once, when the program was built without the
// browser or the module does not load.
WebViewMaker* WebViewModule();

// The module's file for a program in programDirectory: beside the program
// (the build tree, a portable copy), else in the private library directory
// of an installed program (bin/../lib/zuvo), whichever holds it first;
// beside the program when neither does.
QString WebViewModulePath(const QString& programDirectory);

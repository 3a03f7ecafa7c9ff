#pragma once

#include <QLabel>
#include <QString>
#include <QUrl>
#include <QWidget>

#ifdef ZUVO_WITH_WEBENGINE
class QWebEngineView;
#endif

// A pane that shows web pages. Built with Qt WebEngine it is an embedded
// browser that reports every finished document; without it the pane shows
// the address and hands the page to the desktop browser. The browser (and
// with it the engine's processes) is made on the first Navigate: until then
// the pane is its empty background.
class CHtmlView : public QWidget {
    Q_OBJECT
public:
    // externalFallback: without the embedded browser, Navigate opens the page
    // in the desktop browser (otherwise the address is only shown as a link).
    explicit CHtmlView(bool externalFallback, QWidget* parent = nullptr);
    ~CHtmlView() override;

    void Navigate(const QString& address);
    // The address of the document shown (or last asked for).
    QString LocationURL() const;
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

public:
    // Called for every finished document; passes it on as documentComplete.
    virtual void OnDocumentComplete(const QString& address);

private:
    QString requested_;
    bool quietErrors_ = false;
#ifdef ZUVO_WITH_WEBENGINE
    // Makes the browser on first use.
    QWebEngineView& browser();

    QWebEngineView* browser_ = nullptr;  // child widget, owned by this pane; null until the first Navigate
#else
    QLabel* address_ = nullptr;          // child widget, owned by this pane
    bool externalFallback_;
#endif
};

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
// the address and hands the page to the desktop browser.
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

signals:
    // A document finished loading; the address as the browser reports it.
    void documentComplete(const QString& address);

public:
    // Called for every finished document; passes it on as documentComplete.
    virtual void OnDocumentComplete(const QString& address);

private:
    QString requested_;
#ifdef ZUVO_WITH_WEBENGINE
    QWebEngineView* browser_ = nullptr;  // child widget, owned by this pane
#else
    QLabel* address_ = nullptr;          // child widget, owned by this pane
    bool externalFallback_;
#endif
};

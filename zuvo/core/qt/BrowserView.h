#pragma once

#include "core/qt/HtmlView.h"

#include <functional>
#include <string>

// The web page pane, which also carries the web sign-in: when the product
// site's callback page reports success, the identity it names becomes the
// default account's fax user and the main window is told to start the
// session; the callback page without success sends the user back to the
// sign-on gateway.
class CBrowserView : public CHtmlView {
    Q_OBJECT
public:
    // The default account's fax user, read and stored.
    struct FaxUserStore {
        std::function<std::string()> get;
        std::function<bool(const std::string&)> set;  // stores and saves account.xml
    };

    CBrowserView(std::string site, FaxUserStore store, QWidget* parent = nullptr);

signals:
    void webLoginSucceeded();
    void webLoginReopen();

public:
    void OnDocumentComplete(const QString& address) override;

private:
    std::string site_;
    FaxUserStore store_;
};

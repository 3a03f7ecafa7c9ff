#pragma once

#include "core/qt/HtmlView.h"

#include <functional>

// The advertisement pane: on WM_AD_NAVIGATE it shows the page that the
// configuration names, when it names one.
class CAdView : public CHtmlView {
    Q_OBJECT
public:
    using AddressSource = std::function<QString()>;

    explicit CAdView(AddressSource adUrl, QWidget* parent = nullptr);

    // WM_AD_NAVIGATE: navigate to the configured page; always 1.
    int OnAdNavigate();

protected:
    bool event(QEvent* event) override;

private:
    AddressSource adUrl_;
};

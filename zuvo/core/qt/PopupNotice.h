#pragma once

// The small notice window that the main frame pops up for WM_FAX_POPUP: a
// caption, the notice text and a close button. It fades in, stays for eight
// seconds and closes; a click on any of its items closes it at once, and the
// user can drag it elsewhere.

#include <QLabel>
#include <QPropertyAnimation>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

class PopupNotice : public QWidget {
    Q_OBJECT
public:
    static constexpr int kVisibleMs = 8000;
    static constexpr int kAnimationMs = 500;
    static constexpr int kWidth = 175;
    static constexpr int kHeight = 135;
    static constexpr qreal kOpacity = 200.0 / 255.0;

    explicit PopupNotice(QWidget* owner = nullptr);

    // Shows `text` under `caption`. When the notice is already open it only
    // changes its texts and keeps its remaining time.
    void ShowNotice(const QString& caption, const QString& text);

    QString Caption() const { return caption_.text(); }
    QString Text() const { return text_.text(); }
    // Milliseconds until the open notice closes by itself; -1 when closed.
    int RemainingTime() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceOnScreen();

    QLabel caption_;
    QLabel rightItem_;
    QLabel text_;
    QToolButton closeButton_;
    QTimer lifetime_;
    QPropertyAnimation fadeIn_;
    QPoint pressPosition_;
    bool dragged_ = false;
};

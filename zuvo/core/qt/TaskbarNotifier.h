#pragma once

#include "core/frame/NotifierTiming.h"

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

// A small skinned notice that slides out of the taskbar, stays for a while
// and slides back. A click posts WM_NOTIFIER_CLICKED to the parent.
class CTaskbarNotifier : public QWidget {
    Q_OBJECT
public:
    enum State { Idle = 0, Appearing = 1, Waiting = 2, Disappearing = 3 };
    static constexpr unsigned WM_NOTIFIER_CLICKED = 0x0400 + 123;  // WM_USER + 123

    explicit CTaskbarNotifier(QWidget* parent = nullptr);

    // Creates the hidden window for `parent` (the receiver of the click).
    bool Create(QWidget* parent);
    // The skin; its size becomes the window's size. With a valid transparent
    // colour the window leaves out the pixels of that colour.
    void SetSkin(const QPixmap& skin, const QColor& transparent = QColor());
    // Normal and hover fonts: face, size in tenths of a point, style bits
    // (1 bold, 2 italic, 4 underline, 8 strike-out).
    void SetTextFont(const QString& face, int tenthsOfPoint, int normalStyle, int hoverStyle);
    void SetTextColor(const QColor& normal, const QColor& hover);
    void SetTextRect(const QRect& rect);
    // Shows `text`: starts sliding out when hidden, restarts the stay time
    // when shown, and comes back to the full position when sliding back.
    void Show(const QString& text, int appearMs = 500, int stayMs = 3000, int disappearMs = 500,
              int step = 1);

    State AnimationState() const { return state_; }
    QString Text() const { return text_; }
    bool IsMouseOver() const { return mouseOver_; }
    const QPixmap& Skin() const { return skin_; }
    // Delays of one step while appearing and disappearing (ms).
    int AppearDelay() const { return appearDelay_; }
    int DisappearDelay() const { return disappearDelay_; }
    NotifierPoint ShownPosition() const { return path_.shown; }

    // The skin drawn by the program for the main window's notices.
    static QPixmap DefaultSkin();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void startSlide();
    void moveTo(NotifierPoint point);
    static QFont makeFont(const QString& face, int tenthsOfPoint, int style);

    QPointer<QWidget> receiver_;
    QPixmap skin_;
    QString text_;
    QRect textRect_;
    QFont normalFont_;
    QFont hoverFont_;
    QColor normalColor_{0x85, 0x92, 0xB5};  // 0xB59285 as blue, green, red bytes
    QColor hoverColor_{0x0A, 0x24, 0x6A};   // 0x6A240A
    int stayMs_ = 0;
    int step_ = 1;
    int appearDelay_ = 0;
    int disappearDelay_ = 0;
    NotifierPath path_;
    NotifierPoint position_;
    State state_ = Idle;
    bool mouseOver_ = false;
    QBasicTimer appearTimer_;     // timer 1
    QBasicTimer waitTimer_;       // timer 2
    QBasicTimer disappearTimer_;  // timer 3
};

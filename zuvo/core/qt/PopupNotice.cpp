#include "core/qt/PopupNotice.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>

namespace {

// Places an item by its corners, as the notice's layout is given.
void placeItem(QWidget* item, int left, int top, int right, int bottom)
{
    item->setGeometry(left, top, right - left, bottom - top);
}

} // namespace

PopupNotice::PopupNotice(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      caption_(this),
      rightItem_(this),
      text_(this),
      closeButton_(this),
      fadeIn_(this, "windowOpacity")
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);

    caption_.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    placeItem(&caption_, 25, 6, 170, 19);
    rightItem_.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placeItem(&rightItem_, 104, 27, 160, 45);
    text_.setObjectName(QStringLiteral("item131"));
    text_.setAlignment(Qt::AlignCenter);
    text_.setWordWrap(true);
    placeItem(&text_, 5, 50, 170, 100);
    closeButton_.setObjectName(QStringLiteral("item132"));
    closeButton_.setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    closeButton_.setAutoRaise(true);
    placeItem(&closeButton_, 151, 6, 164, 19);
    connect(&closeButton_, &QToolButton::clicked, this, &QWidget::close);

    for (QWidget* item : {&caption_, &rightItem_, &text_}) {
        item->installEventFilter(this);
    }
    installEventFilter(this);

    lifetime_.setSingleShot(true);
    lifetime_.setTimerType(Qt::PreciseTimer);
    connect(&lifetime_, &QTimer::timeout, this, &QWidget::close);
}

void PopupNotice::ShowNotice(const QString& caption, const QString& text)
{
    caption_.setText(caption);
    rightItem_.clear();
    text_.setText(text);
    update();
    if (isVisible()) {
        return;
    }
    PlaceOnScreen();
    setWindowOpacity(0.0);
    show();
    fadeIn_.setDuration(kAnimationMs);
    fadeIn_.setStartValue(0.0);
    fadeIn_.setEndValue(kOpacity);
    fadeIn_.start();
    lifetime_.start(kVisibleMs);
}

int PopupNotice::RemainingTime() const
{
    return isVisible() && lifetime_.isActive() ? lifetime_.remainingTime() : -1;
}

void PopupNotice::PlaceOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    move(area.right() - kWidth, area.bottom() - kHeight);
}

bool PopupNotice::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pressPosition_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        dragged_ = false;
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton) {
            move(mouse->globalPosition().toPoint() - pressPosition_);
            dragged_ = true;
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        // A click on an item closes the notice; a drag only moves it.
        if (!dragged_ && watched != this) {
            close();
        }
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

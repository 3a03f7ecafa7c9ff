#include "core/qt/TaskbarNotifier.h"

#include "core/qt/WindowMessage.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {

NotifierRect toRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

} // namespace

CTaskbarNotifier::CTaskbarNotifier(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::PointingHandCursor);
    normalFont_ = font();
    hoverFont_ = font();
}

bool CTaskbarNotifier::Create(QWidget* parent)
{
    receiver_ = parent;
    hide();
    return true;
}

void CTaskbarNotifier::SetSkin(const QPixmap& skin, const QColor& transparent)
{
    skin_ = skin;
    setFixedSize(skin_.size());
    if (transparent.isValid())
        setMask(skin_.createMaskFromColor(transparent, Qt::MaskInColor));
    else
        clearMask();
}

QFont CTaskbarNotifier::makeFont(const QString& face, int tenthsOfPoint, int style)
{
    QFont font(face);
    font.setPointSizeF(tenthsOfPoint > 0 ? tenthsOfPoint / 10.0 : 9.0);
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
    return font;
}

void CTaskbarNotifier::SetTextFont(const QString& face, int tenthsOfPoint, int normalStyle,
                                   int hoverStyle)
{
    normalFont_ = makeFont(face, tenthsOfPoint, normalStyle);
    hoverFont_ = makeFont(face, tenthsOfPoint, hoverStyle);
}

void CTaskbarNotifier::SetTextColor(const QColor& normal, const QColor& hover)
{
    normalColor_ = normal;
    hoverColor_ = hover;
}

void CTaskbarNotifier::SetTextRect(const QRect& rect)
{
    textRect_ = rect;
}

void CTaskbarNotifier::Show(const QString& text, int appearMs, int stayMs, int disappearMs, int step)
{
    text_ = text;
    stayMs_ = std::max(stayMs, 0);
    step_ = std::max(step, 1);

    switch (state_) {
    case Idle: {
        QScreen* screen = receiver_ && receiver_->screen() ? receiver_->screen()
                                                           : QGuiApplication::primaryScreen();
        NotifierRect work = screen ? toRect(screen->availableGeometry()) : NotifierRect{0, 0, 800, 600};
        NotifierRect whole = screen ? toRect(screen->geometry()) : work;
        TaskbarSide side = DetectTaskbarSide(work, whole);
        int extent = MovingExtent(side, width(), height());
        appearDelay_ = StepDelay(appearMs, extent, step_);
        disappearDelay_ = StepDelay(disappearMs, extent, step_);
        path_ = SlidePath(side, work, width(), height());
        startSlide();
        break;
    }
    case Appearing:
        update();
        break;
    case Waiting:
        // The stay time may just have ended: the slide back has not moved yet.
        disappearTimer_.stop();
        update();
        waitTimer_.start(stayMs_, this);
        break;
    case Disappearing:
        disappearTimer_.stop();
        waitTimer_.start(stayMs_, this);
        moveTo(path_.shown);
        state_ = Waiting;
        update();
        break;
    }
}

void CTaskbarNotifier::startSlide()
{
    moveTo(path_.hidden);
    show();
    appearTimer_.start(appearDelay_, this);
    state_ = Appearing;
}

void CTaskbarNotifier::moveTo(NotifierPoint point)
{
    position_ = point;
    move(point.x, point.y);
}

void CTaskbarNotifier::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == appearTimer_.timerId()) {
        moveTo(StepTowards(position_, path_.shown, step_));
        if (position_ == path_.shown) {
            appearTimer_.stop();
            waitTimer_.start(stayMs_, this);
            state_ = Waiting;
        }
    } else if (event->timerId() == waitTimer_.timerId()) {
        waitTimer_.stop();
        disappearTimer_.start(disappearDelay_, this);
    } else if (event->timerId() == disappearTimer_.timerId()) {
        state_ = Disappearing;
        moveTo(StepTowards(position_, path_.hidden, step_));
        if (position_ == path_.hidden) {
            disappearTimer_.stop();
            hide();
            state_ = Idle;
        }
    } else {
        QWidget::timerEvent(event);
    }
}

void CTaskbarNotifier::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, skin_);
    painter.setFont(mouseOver_ ? hoverFont_ : normalFont_);
    painter.setPen(mouseOver_ ? hoverColor_ : normalColor_);
    painter.drawText(textRect_, Qt::AlignCenter | Qt::TextWordWrap, text_);
}

void CTaskbarNotifier::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (receiver_)  // the event loop takes ownership of a posted event
            QCoreApplication::postEvent(receiver_, new WindowMessageEvent(WM_NOTIFIER_CLICKED, 0, 0));
        emit clicked();
    }
    QWidget::mouseReleaseEvent(event);
}

void CTaskbarNotifier::enterEvent(QEnterEvent* event)
{
    mouseOver_ = true;
    update();
    QWidget::enterEvent(event);
}

void CTaskbarNotifier::leaveEvent(QEvent* event)
{
    mouseOver_ = false;
    update();
    QWidget::leaveEvent(event);
}

QPixmap CTaskbarNotifier::DefaultSkin()
{
    QPixmap skin(190, 120);
    QPainter painter(&skin);
    QLinearGradient gradient(0, 0, 0, skin.height());
    gradient.setColorAt(0, QColor(214, 228, 250));
    gradient.setColorAt(1, QColor(160, 190, 236));
    painter.fillRect(skin.rect(), gradient);
    painter.fillRect(QRect(0, 0, skin.width(), 28), QColor(52, 96, 176));
    painter.setPen(Qt::white);
    QFont caption = painter.font();
    caption.setBold(true);
    painter.setFont(caption);
    painter.drawText(QRect(10, 0, skin.width() - 20, 28), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("ZUVO"));
    painter.setPen(QColor(52, 96, 176));
    painter.drawRect(skin.rect().adjusted(0, 0, -1, -1));
    return skin;
}

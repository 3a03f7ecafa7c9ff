#include "core/qt/XStatusBar.h"

#include "core/qt/Prompter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <QTimerEvent>

using namespace PaneMode;

namespace {

XStatusBar* g_currentBar = nullptr;

constexpr int kPaneGap = 2;
constexpr int kMargin = 2;

QColor halved(const QColor& c)
{
    return QColor(c.red() / 2, c.green() / 2, c.blue() / 2);
}

Qt::Alignment alignmentOf(std::uint32_t format)
{
    Qt::Alignment align = Qt::AlignLeft;
    if (format & FormatRight) align = Qt::AlignRight;
    else if (format & FormatCenter) align = Qt::AlignHCenter;
    if (format & FormatBottom) align |= Qt::AlignBottom;
    else if (format & FormatVCenter) align |= Qt::AlignVCenter;
    else align |= Qt::AlignTop;
    return align;
}

int textFlags(std::uint32_t format)
{
    int flags = static_cast<int>(alignmentOf(format));
    if (format & FormatWordBreak) flags |= Qt::TextWordWrap;
    else flags |= Qt::TextSingleLine;
    return flags;
}

// The bitmap a pane names: a resource of the program, else a file.
QPixmap loadPaneBitmap(const QString& name)
{
    QPixmap pixmap(name.startsWith(':') ? name : QStringLiteral(":/") + name);
    if (pixmap.isNull()) pixmap.load(name);
    return pixmap;
}

} // namespace

// ---------------------------------------------------------------- XPaneInfo

XPaneInfo::XPaneInfo()
{
    font_ = QApplication::font();
}

QColor XPaneInfo::TextColor(bool disabled) const
{
    const QPalette palette = QApplication::palette();
    if (disabled)
        return disabledTextColor_.value_or(halved(palette.color(QPalette::Window)));
    return textColor_.value_or(palette.color(QPalette::WindowText));
}

QColor XPaneInfo::Background(bool disabled) const
{
    const std::optional<QColor>& own = disabled ? disabledBackground_ : background_;
    return own.value_or(QApplication::palette().color(QPalette::Window));
}

XPaneInfo::~XPaneInfo() = default;

void XPaneInfo::SetText(const QString& text, const QString& disabledText)
{
    text_ = text;
    disabledText_ = disabledText;
}

void XPaneInfo::SetFont(const QString& face, int tenthsOfPoint)
{
    font_ = QFont(face);
    font_.setPointSizeF(tenthsOfPoint > 0 ? tenthsOfPoint / 10.0 : 9.0);
}

// Qt's progress bar is always drawn smooth, so the smooth bit needs nothing.
void XPaneInfo::SetMode(std::uint32_t flags)
{
    mode_ = flags;
    if (flags & Progress) {
        if (!progress_ && XStatusBar::Current()) {
            progress_ = std::make_unique<QProgressBar>(XStatusBar::Current());
            progress_->setTextVisible(false);
            progress_->setGeometry(QRect());
            progress_->show();
        }
    } else {
        progress_.reset();
    }
}

void XPaneInfo::SetColors(const QColor& text, const QColor& background)
{
    textColor_ = text;
    background_ = background;
}

void XPaneInfo::SetDisabledColors(const QColor& text, const QColor& background)
{
    disabledTextColor_ = text;
    disabledBackground_ = background;
}

// ---------------------------------------------------------------- XStatusBar

XStatusBar::XStatusBar(QWidget* parent) : QStatusBar(parent)
{
    g_currentBar = this;
    setSizeGripEnabled(false);
    setObjectName(QStringLiteral("XStatusBar"));
    setProperty("barId", kBarId);
    setMouseTracking(true);
}

XStatusBar::~XStatusBar()
{
    animationTimer_.stop();
    panes_.clear();  // progress controls go before the bar's children
    if (g_currentBar == this) g_currentBar = nullptr;
}

XStatusBar* XStatusBar::Current()
{
    return g_currentBar;
}

bool XStatusBar::Create(QMainWindow* owner, const QStringList& defaultTexts, std::uint32_t firstStyle)
{
    owner_ = owner;
    if (owner) owner->setStatusBar(this);
    if (!SetIndicators(defaultTexts)) {
        ShowMessage(QStringLiteral("Unable to create Statusbar."));
        return false;
    }
    SetPaneStyle(0, firstStyle);
    show();
    return true;
}

bool XStatusBar::SetIndicators(const QStringList& defaultTexts)
{
    panes_.clear();
    for (const QString& text : defaultTexts) {
        Pane pane;
        pane.barText = text;
        pane.info = std::make_unique<XPaneInfo>();
        panes_.push_back(std::move(pane));
    }
    update();
    return !panes_.empty();
}

XPaneInfo* XStatusBar::GetPaneInfo(int index)
{
    return index >= 0 && index < PaneCount() ? panes_[index].info.get() : nullptr;
}

int XStatusBar::SetPaneWidth(int index, int width)
{
    if (index < 0 || index >= PaneCount()) return -1;
    int old = panes_[index].width;
    panes_[index].width = std::max(width, 0);
    update();
    return old;
}

int XStatusBar::PaneWidth(int index) const
{
    return index >= 0 && index < PaneCount() ? panes_[index].width : -1;
}

void XStatusBar::SetPaneStyle(int index, std::uint32_t style)
{
    if (index < 0 || index >= PaneCount()) return;
    panes_[index].style = style;
    update();
}

std::uint32_t XStatusBar::PaneStyle(int index) const
{
    return index >= 0 && index < PaneCount() ? panes_[index].style : 0;
}

void XStatusBar::onGuiThread(std::function<void()> change)
{
    if (QThread::currentThread() == thread())
        change();
    else
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void XStatusBar::SetPaneText(int index, const QString& text)
{
    onGuiThread([this, index, text] {
        if (index < 0 || index >= PaneCount()) return;
        panes_[index].barText = text;
        update();
    });
}

void XStatusBar::SetPaneInfoText(int index, const QString& text, const QString& disabledText)
{
    onGuiThread([this, index, text, disabledText] {
        if (XPaneInfo* info = GetPaneInfo(index)) {
            info->SetText(text, disabledText);
            update();
        }
    });
}

QString XStatusBar::PaneText(int index) const
{
    return index >= 0 && index < PaneCount() ? panes_[index].barText : QString();
}

QRect XStatusBar::PaneRect(int index) const
{
    if (index < 0 || index >= PaneCount()) return QRect();
    int fixed = 0;
    int stretching = 0;
    for (const Pane& pane : panes_) {
        if (pane.style & StyleStretch) ++stretching;
        else fixed += pane.width;
    }
    int available = width() - 2 * kMargin - kPaneGap * (PaneCount() - 1) - fixed;
    int stretchWidth = stretching > 0 ? std::max(available / stretching, 0) : 0;
    int x = kMargin;
    for (int i = 0; i < index; ++i)
        x += (panes_[i].style & StyleStretch ? stretchWidth : panes_[i].width) + kPaneGap;
    int w = panes_[index].style & StyleStretch ? stretchWidth : panes_[index].width;
    return QRect(x, kMargin, w, height() - 2 * kMargin);
}

QSize XStatusBar::sizeHint() const
{
    int textHeight = QFontMetrics(font()).height();
    for (const Pane& pane : panes_)
        textHeight = std::max(textHeight, QFontMetrics(pane.info->Font()).height());
    return QSize(QStatusBar::sizeHint().width(), textHeight + 2 * kMargin + 4);
}

void XStatusBar::paintEvent(QPaintEvent*)
{
    QPixmap buffer(size());
    buffer.fill(palette().color(QPalette::Button));
    {
        QPainter painter(&buffer);
        bool animated = false;
        for (int i = 0; i < PaneCount(); ++i) {
            paintPane(painter, i);
            animated = animated || IsAnimated(panes_[i].info->Mode());
        }
        if (animated && !animationTimer_.isActive()) animationTimer_.start(kTimerPeriodMs, this);
        if (!animated && animationTimer_.isActive()) animationTimer_.stop();
        if (!owner_ || !owner_->isMaximized()) paintSizeGrip(painter);
    }
    QPainter(this).drawPixmap(0, 0, buffer);
}

void XStatusBar::paintPane(QPainter& painter, int index)
{
    Pane& pane = panes_[index];
    QRect rect = PaneRect(index);
    if (rect.isEmpty()) return;
    QColor light = palette().color(QPalette::Light);
    QColor dark = palette().color(QPalette::Dark);
    if (pane.style & StylePopOut) {
        painter.setPen(light);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(dark);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    } else if (!(pane.style & StyleNoBorder)) {
        painter.setPen(dark);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(light);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    }
    QRect inner = rect.adjusted(1, 1, -1, -1);
    bool disabled = pane.style & StyleDisabled;
    painter.fillRect(inner, pane.info->Background(disabled));

    painter.save();
    painter.setClipRect(inner);
    switch (DrawingOf(pane.info->Mode())) {
    case Drawing::Text: paintText(painter, pane, inner, disabled); break;
    case Drawing::Bitmap: paintBitmap(painter, pane, inner, disabled); break;
    case Drawing::Progress:
        if (QProgressBar* progress = pane.info->ProgressControl()) {
            progress->setUpdatesEnabled(false);
            progress->setGeometry(rect);
            progress->setUpdatesEnabled(true);
        }
        break;
    case Drawing::None: break;
    }
    painter.restore();
}

void XStatusBar::paintText(QPainter& painter, Pane& pane, const QRect& inner, bool disabled)
{
    XPaneInfo& info = *pane.info;
    QString text = disabled ? info.DisabledText() : info.Text();
    if (text.isEmpty()) text = pane.barText;
    if (text.isEmpty()) return;

    std::uint32_t mode = info.Mode();
    int flags = textFlags(TextFormat(mode));
    painter.setFont(info.Font());
    painter.setPen(info.TextColor(disabled));
    QFontMetrics metrics(info.Font());
    bool horizontal = mode & MoveHorizontal;
    bool vertical = mode & MoveVertical;

    if (!(mode & Repeat)) {
        QSize extent = metrics.size(Qt::TextSingleLine, text);
        QRect target = inner;
        if (horizontal)
            target.setLeft(inner.left() - Step(info.HorizontalOffset(), extent.width(), -inner.width()));
        if (vertical)
            target.setTop(inner.top() - Step(info.VerticalOffset(), extent.height(), -inner.height()));
        painter.drawText(target, flags, text);
        return;
    }

    text += QStringLiteral("  ");
    QSize extent = metrics.size(Qt::TextSingleLine, text);
    int stepX = std::max(extent.width(), 1);
    int stepY = std::max(extent.height(), 1);
    if (horizontal) Step(info.HorizontalOffset(), extent.width(), 1);
    if (vertical) Step(info.VerticalOffset(), extent.height(), 1);
    int left = inner.left() - (horizontal ? info.HorizontalOffset() : 0);
    int top = inner.top() - (vertical ? info.VerticalOffset() : 0);
    int right = inner.right() + 1;
    int bottom = inner.bottom() + 1;
    auto drawAt = [&](int x, int y) { painter.drawText(QRect(QPoint(x, y), QPoint(right - 1, bottom - 1)), flags, text); };
    if (horizontal && vertical) {
        for (int x = left; x < right; x += stepX)
            for (int y = top; y < bottom; y += stepY) drawAt(x, y);
    } else if (horizontal) {
        for (int x = left; x < right; x += stepX) drawAt(x, top);
    } else if (vertical) {
        for (int y = top; y < bottom; y += stepY) drawAt(left, y);
    } else {
        drawAt(left, top);
    }
}

void XStatusBar::paintBitmap(QPainter& painter, Pane& pane, const QRect& inner, bool disabled)
{
    XPaneInfo& info = *pane.info;
    QString name = disabled ? info.DisabledText() : info.Text();
    if (name.isEmpty()) return;
    QPixmap bitmap = loadPaneBitmap(name);
    if (bitmap.isNull()) return;  // a name that no bitmap has: background only
    int w = bitmap.width();
    int h = bitmap.height();
    std::uint32_t mode = info.Mode();
    bool horizontal = mode & MoveHorizontal;
    bool vertical = mode & MoveVertical;
    int right = inner.right() + 1;
    int bottom = inner.bottom() + 1;

    if (mode & Repeat) {
        if (horizontal) Step(info.HorizontalOffset(), w, 1);
        if (vertical) Step(info.VerticalOffset(), h, 1);
        int left = inner.left() - (horizontal ? info.HorizontalOffset() : 0);
        int top = inner.top() - (vertical ? info.VerticalOffset() : 0);
        for (int x = left; x < right; x += w) {
            for (int y = top; y < bottom; y += h) {
                painter.drawPixmap(x, y, bitmap);
                if (horizontal && !vertical) break;  // only the top row
            }
            if (vertical && !horizontal) break;      // only the left column
        }
        return;
    }
    if (horizontal || vertical) {
        int left = inner.left();
        int top = inner.top();
        if (horizontal) left -= Step(info.HorizontalOffset(), w, -inner.width());
        if (vertical) top -= Step(info.VerticalOffset(), h, -inner.height());
        painter.drawPixmap(left, top, bitmap);
        return;
    }
    if (mode & Stretch) {
        painter.drawPixmap(inner, bitmap);
        return;
    }
    int left = inner.left();
    int top = inner.top();
    if (mode & FormatRight) left = right - w;
    else if (mode & FormatCenter) left = (inner.left() + right - w) / 2;
    if (mode & FormatBottom) top = bottom - h;
    else if (mode & FormatVCenter) top = (inner.top() + bottom - h) / 2;
    // An unscaled copy up to the inner rectangle's edges; beyond the bitmap
    // the background stays.
    painter.drawPixmap(QPoint(left, top), bitmap, QRect(0, 0, right - left, bottom - top));
}

void XStatusBar::paintSizeGrip(QPainter& painter)
{
    int right = width();
    int bottom = height();
    QColor light = palette().color(QPalette::Light);
    QColor dark = palette().color(QPalette::Dark);
    for (int i = 1; i <= 17; ++i) {
        if (i % 4 == 2) continue;
        painter.setPen(i % 4 == 1 ? light : dark);
        painter.drawLine(QPoint(right - i, bottom), QPoint(right - 1, bottom - i + 1));
    }
}

void XStatusBar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == animationTimer_.timerId()) {
        update();
        return;
    }
    QStatusBar::timerEvent(event);
}

void XStatusBar::forwardToOwner(QMouseEvent* event)
{
    if (!owner_) return;
    QMouseEvent copy(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                     event->button(), event->buttons(), event->modifiers());
    QCoreApplication::sendEvent(owner_, &copy);
}

bool XStatusBar::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        forwardToOwner(static_cast<QMouseEvent*>(event));
        QStatusBar::event(event);
        event->accept();  // the owner has had it already
        return true;
    default:
        return QStatusBar::event(event);
    }
}

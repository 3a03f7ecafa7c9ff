// CPageView: zoomed page layout, drawing of the exposed part only, the grey
// outside the page, hand-mode dragging and the scrolling keys.
#include "faxbox/qt/PageView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>

#include <algorithm>
#include <limits>

#include "faxbox/qt/DibHelpers.h"

namespace {

int toInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, 0, std::numeric_limits<int>::max() / 2));
}

QRect toRect(const PageRect& rect)
{
    return QRect(static_cast<int>(rect.left), static_cast<int>(rect.top), toInt(rect.width), toInt(rect.height));
}

} // namespace

CPageView::CPageView(double zoomStep, QWidget* parent) : QAbstractScrollArea(parent), zoom_(zoomStep)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(handCursor_);
}

// ------------------------------------------------------------ zoom

bool CPageView::ZoomIn()
{
    if (!zoom_.ZoomIn())
        return false;
    fitWhenResized_ = false;
    PageChanged();
    return true;
}

bool CPageView::ZoomOut()
{
    if (!zoom_.ZoomOut())
        return false;
    fitWhenResized_ = false;
    PageChanged();
    return true;
}

void CPageView::SetZoom(double zoom)
{
    zoom_.Set(zoom);
    fitWhenResized_ = false;
    PageChanged();
}

void CPageView::FitToWidth()
{
    fitToWidth();
    // A view not shown yet has no size of its own: the window lays it out
    // when it is shown, and the window manager may size the window after
    // that, so the page is fitted again as the view is resized until a zoom
    // is chosen or a fit is asked for while the view is shown.
    fitWhenResized_ = !isVisible();
}

void CPageView::fitToWidth()
{
    const ImageHandle& page = ShownPage();
    const int64_t pageWidth = page.isNull() ? 0 : page.width();
    // The room the viewport has once the page's own bars are settled: a page
    // taller than it brings the vertical scroll bar, which takes its width,
    // so the page is fitted beside it and needs no horizontal bar.
    const QSize room = maximumViewportSize();
    zoom_.FitToWidth(room.width(), pageWidth);
    if (pageWidth > 0 && verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded && PageRectangle().height() > room.height())
        zoom_.FitToWidth(room.width() - verticalScrollBar()->sizeHint().width(), pageWidth);
    PageChanged();
}

// ------------------------------------------------------------ layout

QRect CPageView::PageRectangle() const
{
    const ImageHandle& page = ShownPage();
    if (page.isNull())
        return {};
    return toRect(ZoomedPageRect(page.width(), page.height(), zoom_.Factor()));
}

QSize CPageView::ContentSize() const
{
    if (ShownPage().isNull())
        return QSize(kEmptyContentSide, kEmptyContentSide);
    return PageRectangle().size();
}

QPoint CPageView::ScrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CPageView::ScrollTo(const QPoint& position)
{
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void CPageView::ScrollToTopLeft()
{
    ScrollTo(QPoint(0, 0));
}

void CPageView::ScrollToBottomRight()
{
    ScrollTo(QPoint(horizontalScrollBar()->maximum(), verticalScrollBar()->maximum()));
}

void CPageView::PageChanged()
{
    updateScrollBars();
    viewport()->update();
}

void CPageView::updateScrollBars()
{
    const QSize content = ContentSize();
    const QSize room = viewport()->size();
    QScrollBar* bars[] = {horizontalScrollBar(), verticalScrollBar()};
    const int contentSides[] = {content.width(), content.height()};
    const int roomSides[] = {room.width(), room.height()};
    for (int i = 0; i < 2; ++i) {
        bars[i]->setRange(0, std::max(0, contentSides[i] - roomSides[i]));
        bars[i]->setPageStep(std::max(1, roomSides[i]));
        bars[i]->setSingleStep(std::max(1, roomSides[i] / 10));
    }
}

void CPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (fitWhenResized_)
        fitToWidth();
    updateScrollBars();
}

// ------------------------------------------------------------ drawing

void CPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    const QPoint offset = ScrollPosition();
    const ImageHandle& page = ShownPage();
    const QRect pageOnView = PageRectangle().translated(-offset);

    const QRegion outside = QRegion(exposed).subtracted(QRegion(pageOnView));
    for (const QRect& part : outside)
        painter.fillRect(part, QColor::fromRgb(kOutsideGrey));
    if (page.isNull() || pageOnView.isEmpty())
        return;

    const PageRect exposedContent{exposed.left() + int64_t{offset.x()}, exposed.top() + int64_t{offset.y()},
                                  exposed.width(), exposed.height()};
    const PageRect zoomed = ZoomedPageRect(page.width(), page.height(), zoom_.Factor());
    const PagePiece piece = PagePieceUnder(exposedContent, zoomed, page.width(), page.height());
    if (piece.source.IsEmpty())
        return;
    DrawDib(painter, toRect(piece.target).translated(-offset), page, toRect(piece.source));
}

// ------------------------------------------------------------ hand mode

void CPageView::SetHandMode(bool on)
{
    handMode_ = on;
    if (!on)
        dragging_ = false;
    viewport()->setCursor(on ? handCursor_ : QCursor(Qt::ArrowCursor));
}

void CPageView::SetHandCursor(const QCursor& cursor)
{
    handCursor_ = cursor;
    if (handMode_)
        viewport()->setCursor(handCursor_);
}

void CPageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && handMode_) {
        dragging_ = true;
        lastDragPoint_ = event->position().toPoint();
        event->accept();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CPageView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    // The page follows the pointer: the scroll position moves against it.
    const QPoint point = event->position().toPoint();
    ScrollTo(ScrollPosition() - (point - lastDragPoint_));
    lastDragPoint_ = point;
    event->accept();
}

void CPageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton) {
        ShowContextMenu(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CPageView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's menu opens on the right-button release; this is the
    // keyboard's (the menu key).
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowContextMenu(viewport()->mapToGlobal(viewport()->rect().center()));
    event->accept();
}

// ------------------------------------------------------------ keys

void CPageView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    switch (event->key()) {
    case Qt::Key_PageUp: vertical->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: vertical->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Home: ScrollToTopLeft(); break;
    case Qt::Key_End: ScrollToBottomRight(); break;
    case Qt::Key_Up: vertical->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Left: horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

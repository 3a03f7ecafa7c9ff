#pragma once
// CPageView: the scrolling pane in which a page image is shown, the base of
// the main window's page viewer and of the compose window's page editor.
//
// A derived view says which page it shows (ShownPage) and what one zoom step
// is. The base keeps the zoom, lays the zoomed page out as its scrollable
// content (the display height rule applied, see faxbox/PageGeometry.h),
// draws only the part of the page under the exposed area (a page at zoom
// 35 is never scaled whole) and fills all that lies outside the page with
// grey. In hand mode a left drag moves the page with the pointer. Keys: Page
// Up and Page Down scroll one page, Home to the top-left corner, End to the
// bottom-right corner, the arrow keys one line; the menu key and
// a right-button release ask the derived view for its pop-up menu.

#include <QAbstractScrollArea>
#include <QCursor>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "faxbox/PageGeometry.h"
#include "pictra/ImageHandle.h"

class CPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The content size while no page is shown.
    static constexpr int kEmptyContentSide = 1000;
    // Grey of what lies outside the page.
    static constexpr QRgb kOutsideGrey = 0xFF808080;

    explicit CPageView(double zoomStep, QWidget* parent = nullptr);

    double Zoom() const { return zoom_.Factor(); }
    bool CanZoomIn() const { return zoom_.CanZoomIn(); }
    bool CanZoomOut() const { return zoom_.CanZoomOut(); }
    // One step in or out (refused at the limits); the page is redrawn.
    bool ZoomIn();
    bool ZoomOut();
    void SetZoom(double zoom);
    // Zoom = viewport width / page width; a viewport not laid out yet (width
    // 0) keeps the zoom. Asked for before the view is shown, the fit is done
    // again on each resize until the zoom is set, stepped or fitted anew.
    void FitToWidth();

    // The zoomed page in content coordinates; empty without a page.
    QRect PageRectangle() const;
    // Size of the scrollable content: the zoomed page, or 1000 x 1000
    // without one.
    QSize ContentSize() const;
    // The content point at the viewport's top-left corner.
    QPoint ScrollPosition() const;
    void ScrollTo(const QPoint& position);
    void ScrollToTopLeft();
    void ScrollToBottomRight();

    bool IsHandMode() const { return handMode_; }
    // Hand mode on shows the hand cursor; off ends a drag and shows the arrow.
    void SetHandMode(bool on);
    // The cursor of hand mode (the platform's open hand unless a derived
    // view draws its own).
    void SetHandCursor(const QCursor& cursor);
    bool IsDragging() const { return dragging_; }

protected:
    // The page shown; a null handle when there is none.
    virtual const ImageHandle& ShownPage() const = 0;
    // The pop-up menu at a screen position; nothing by default.
    virtual void ShowContextMenu(const QPoint& globalPos) { (void)globalPos; }
    // The shown page or its size changed: lay out and redraw.
    void PageChanged();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void updateScrollBars();
    void fitToWidth();

    PageZoom zoom_;
    bool handMode_ = true;
    QCursor handCursor_{Qt::OpenHandCursor};
    bool dragging_ = false;
    bool fitWhenResized_ = false;
    QPoint lastDragPoint_;
};

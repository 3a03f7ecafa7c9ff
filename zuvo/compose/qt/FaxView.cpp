// CFaxView: the editor's commands as actions, paging, the crop tracker and
// its mouse handling, and the view kept up to date with the editor.
#include "compose/qt/FaxView.h"

#include <QAction>
#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

#include "compose/qt/EditorCursors.h"
#include "compose/qt/WordDialog.h"
#include "compose/seals/qt/PasswordDlg1.h"
#include "compose/seals/qt/ZManagerDlg1.h"
#include "core/qt/Prompter.h"
#include "core/stores/ProgramPaths.h"

namespace {

namespace C = FaxViewCommand;

// The seal's first point: this far left of the client area's right edge,
// this far below the top of the part shown.
constexpr int kSealRightOffset = 200;
constexpr int kSealTopOffset = 100;

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The rectangle between the corners of `rect` mapped by `scale`.
PageRect mappedRect(const PageRect& rect, auto scale)
{
    auto map = [&](int64_t value) { return static_cast<int64_t>(std::trunc(scale(static_cast<double>(value)))); };
    const int64_t left = map(rect.left);
    const int64_t top = map(rect.top);
    return {left, top, map(rect.Right()) - left, map(rect.Bottom()) - top};
}

// Image coordinates to content coordinates and back, truncated.
PageRect zoomedRect(const PageRect& rect, double zoom)
{
    return mappedRect(rect, [zoom](double v) { return v * zoom; });
}
PageRect unzoomedRect(const PageRect& rect, double zoom)
{
    return mappedRect(rect, [zoom](double v) { return v / zoom; });
}

QRect toQRect(const PageRect& rect)
{
    return QRect(static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.width),
                 static_cast<int>(rect.height));
}

} // namespace

CFaxView::CFaxView(QWidget* parent) : CPageView(kFaxViewZoomStep, parent)
{
    setObjectName(QStringLiteral("CFaxView"));
    setAccessibleName(QStringLiteral("传真页面编辑"));
    SetHandCursor(HandCursor());
    editor_.SetPrompts(&prompts_);

    for (const FaxViewCommandEntry& command : FaxViewToolbarCommands()) {
        auto* action = new QAction(QString::fromUtf8(command.text), this);
        action->setData(command.id);
        action->setCheckable(IsFaxViewCommandCheckable(command.id));
        actions_.Add(command.id, action);
        toolbar_.push_back(action);
    }
    popup_ = new QMenu(QString::fromUtf8(kFaxViewMenuTitle), this);
    popup_->setObjectName(QString::fromUtf8(kFaxViewMenuTitle));
    for (const FaxViewCommandEntry& command : FaxViewPopupCommands()) {
        QAction* action = popup_->addAction(QString::fromUtf8(command.text));
        action->setData(command.id);
        actions_.Add(command.id, action);
    }
    popup_->setDefaultAction(popup_->actions().value(0));
    UpdateCommands();
    setAccessibleDescription(PagePosition());
}

// ------------------------------------------------------------ files

int CFaxView::LoadFile(const QString& path)
{
    const int loaded = editor_.LoadFile(localPath(path));
    resetViewTools();
    showPage();
    return loaded;
}

bool CFaxView::OnSave()
{
    const bool saved = editor_.Save();
    tracker_.Clear();
    if (!editor_.IsCropMode())
        SetHandMode(false);
    refresh();
    return saved;
}

int CFaxView::SaveIfModified()
{
    if (!editor_.IsModified())
        return 1;
    const int result = editor_.SaveIfModified();
    if (!editor_.IsCropMode())
        SetHandMode(false);
    refresh();
    return result;
}

void CFaxView::ResetPages()
{
    editor_.ResetPages();
    resetViewTools();
    showPage();
}

int CFaxView::CountImagePages(const QString& path)
{
    return FaxPageEditor::CountImagePages(localPath(path));
}

// ------------------------------------------------------------ pages

void CFaxView::resetViewTools()
{
    tracker_.Clear();
    SetZoom(1.0);
    SetHandMode(false);
    ScrollToTopLeft();
    updateCursor();
}

void CFaxView::showPage()
{
    FitToWidth();
    UpdateCommands();
    setAccessibleDescription(PagePosition());
}

void CFaxView::refresh()
{
    updateCursor();
    UpdateCommands();
    PageChanged();
}

void CFaxView::GoToPage(int i)
{
    if (!editor_.GoToPage(i))
        return;
    resetViewTools();
    showPage();
}

QString CFaxView::PagePosition() const
{
    if (GetCurrentPage() < 0)
        return QStringLiteral("0 - 0");
    return QStringLiteral("%1 - %2").arg(GetCurrentPage() + 1).arg(GetPageCount());
}

// ------------------------------------------------------------ commands

FaxViewState CFaxView::commandState() const
{
    return {Zoom(),
            GetCurrentPage(),
            GetPageCount(),
            !GetWorkPage().isNull(),
            editor_.Stamp().pending,
            editor_.IsTextTool(),
            editor_.IsCropMode()};
}

bool CFaxView::IsCommandEnabled(int id) const
{
    return IsFaxViewCommandEnabled(id, commandState());
}

QAction* CFaxView::CommandAction(int id) const
{
    return actions_.Find(id);
}

void CFaxView::UpdateCommands()
{
    const FaxViewState state = commandState();
    for (const auto& [id, action] : actions_.All()) {
        action->setEnabled(IsCommandEnabled(id));
        if (action->isCheckable())
            action->setChecked(IsFaxViewCommandChecked(id, state));
    }
}

void CFaxView::OnCommand(int id)
{
    if (!IsCommandEnabled(id)) {
        UpdateCommands();
        return;
    }
    const int current = GetCurrentPage();
    switch (id) {
    case C::PreviousPage: GoToPage(current - 1); break;
    case C::NextPage: GoToPage(current + 1); break;
    case C::FirstPage: GoToPage(0); break;
    case C::LastPage: GoToPage(GetPageCount() - 1); break;
    case C::ZoomIn: ZoomIn(); break;
    case C::ZoomOut: ZoomOut(); break;
    case C::ActualSize: SetZoom(1.0); break;
    case C::PageTop: ScrollToTopLeft(); break;
    case C::PageEnd: ScrollToBottomRight(); break;
    case C::Crop: toggleCrop(); break;
    case C::Seal: pressSeal(); break;
    case C::TextNote: toggleTextTool(); break;
    case C::Undo: undo(); break;
    case C::Save: OnSave(); break;
    default: break;
    }
    UpdateCommands();
}

void CFaxView::ShowContextMenu(const QPoint& globalPos)
{
    if (skipNextPopup_) {
        skipNextPopup_ = false;
        return;
    }
    UpdateCommands();
    popup_->popup(globalPos);
}

// ------------------------------------------------------------ tools

void CFaxView::updateCursor()
{
    if (editor_.IsCropMode())
        viewport()->setCursor(CropCursor());
    else if (editor_.IsTextTool())
        viewport()->setCursor(TextCursor());
    else if (IsHandMode())
        viewport()->setCursor(HandCursor());
    else
        viewport()->setCursor(Qt::ArrowCursor);
}

void CFaxView::toggleCrop()
{
    tracker_.Clear();
    if (editor_.ToggleCrop())
        SetHandMode(false);
    refresh();
}

SealContext CFaxView::sealContext() const
{
    return sealContextSource_ ? sealContextSource_() : SealContext{};
}

void CFaxView::toggleTextTool()
{
    if (editor_.ToggleTextTool() && editor_.IsTextTool())
        SetHandMode(false);
    refresh();
}

void CFaxView::writeTextNote(TrackPoint point)
{
    CWordDialog dialog(this);
    if (CurrentPrompter().RunDialog(dialog) == QDialog::Accepted) {
        const TextNote note{dialog.Text().toStdString(), dialog.Font(), dialog.GetLineHeight(),
                            dialog.GetCharWidth(), dialog.GetTextLength()};
        editor_.StartTextNote(static_cast<int64_t>(point.x / Zoom()), static_cast<int64_t>(point.y / Zoom()), note);
    }
    editor_.SetTextTool(false);
    refresh();
}

void CFaxView::pressSeal()
{
    const SealContext context = sealContext();
    CPasswordDlg1 password(context, this);
    if (CurrentPrompter().RunDialog(password) != QDialog::Accepted)
        return;
    CZManagerDlg1 manager(context, CZManagerDlg1::SelectCaption(), this);
    if (CurrentPrompter().RunDialog(manager) != QDialog::Accepted || manager.ChosenSealPath().isEmpty())
        return;
    if (!editor_.OpenSeal(localPath(manager.ChosenSealPath()))) {
        refresh();
        return;
    }
    ScrollToBottomRight();
    const int64_t x = viewport()->width() - kSealRightOffset;
    const int64_t y = static_cast<int64_t>(ScrollPosition().y() / Zoom()) + kSealTopOffset;
    editor_.PressSeal(x, y, JoinPath(context.Directory(), "LogIt.txt"));
    SetHandMode(false);
    refresh();
}

void CFaxView::placeTrackedStamp()
{
    PageStamp& stamp = editor_.Stamp();
    const PageRect tracked = unzoomedRect(tracker_.Rect(), Zoom());
    if (stampHit_ == RectTracker::Hit::Inside)
        stamp.rect = {tracked.left, tracked.top, stamp.rect.width, stamp.rect.height};
    else
        stamp.rect = tracked;
    editor_.PlaceStamp(stamp.rect.left, stamp.rect.top);
}

void CFaxView::updateStampCursor(TrackPoint point)
{
    RectTracker stampTracker;
    const QRect shown = StampTracker();
    stampTracker.SetRect({shown.left(), shown.top(), shown.width(), shown.height()});
    using Hit = RectTracker::Hit;
    switch (stampTracker.HitTest(point)) {
    case Hit::TopLeft:
    case Hit::BottomRight: viewport()->setCursor(Qt::SizeFDiagCursor); break;
    case Hit::TopRight:
    case Hit::BottomLeft: viewport()->setCursor(Qt::SizeBDiagCursor); break;
    case Hit::Left:
    case Hit::Right: viewport()->setCursor(Qt::SizeHorCursor); break;
    case Hit::Top:
    case Hit::Bottom: viewport()->setCursor(Qt::SizeVerCursor); break;
    case Hit::Inside: viewport()->setCursor(HandCursor()); break;
    case Hit::Nothing: updateCursor(); break;
    }
}

void CFaxView::cropToTracker()
{
    editor_.Crop();
    tracker_.Clear();
    refresh();
}

void CFaxView::undo()
{
    editor_.Undo();
    tracker_.Clear();
    refresh();
}

QRect CFaxView::CropTracker() const
{
    if (tracker_.IsTracking() && !trackingStamp_)
        return toQRect(tracker_.Rect());
    return toQRect(zoomedRect(editor_.CropRect(), Zoom()));
}

TrackPoint CFaxView::contentPoint(const QPoint& viewportPoint) const
{
    const QPoint point = viewportPoint + ScrollPosition();
    return {point.x(), point.y()};
}

// ------------------------------------------------------------ drawing

QRect CFaxView::StampTracker() const
{
    const PageStamp& stamp = editor_.Stamp();
    if (!stamp.pending || !stamp.drawn)
        return {};
    if (trackingStamp_)
        return toQRect(tracker_.Rect());
    return toQRect(zoomedRect(stamp.rect, Zoom()));
}

void CFaxView::paintEvent(QPaintEvent* event)
{
    CPageView::paintEvent(event);
    const QRect trackers[] = {StampTracker(), editor_.IsCropMode() ? CropTracker() : QRect()};
    QPainter painter(viewport());
    painter.translate(-ScrollPosition());
    for (const QRect& tracker : trackers) {
        if (tracker.isEmpty())
            continue;
        // A dotted border on the rectangle's outline, the handles outside it.
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(tracker.adjusted(0, 0, -1, -1));
        RectTracker handles;
        handles.SetRect({tracker.left(), tracker.top(), tracker.width(), tracker.height()});
        using Hit = RectTracker::Hit;
        for (Hit hit : {Hit::TopLeft, Hit::Top, Hit::TopRight, Hit::Right, Hit::BottomRight, Hit::Bottom,
                        Hit::BottomLeft, Hit::Left})
            painter.fillRect(toQRect(handles.HandleRect(hit)), Qt::black);
    }
}

// ------------------------------------------------------------ mouse

void CFaxView::mousePressEvent(QMouseEvent* event)
{
    const TrackPoint pressed = contentPoint(event->position().toPoint());
    if (event->button() == Qt::LeftButton && editor_.IsTextTool()) {
        writeTextNote(pressed);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && !StampTracker().isEmpty()) {
        const QRect shown = StampTracker();
        tracker_.SetRect({shown.left(), shown.top(), shown.width(), shown.height()});
        stampHit_ = tracker_.HitTest(pressed);
        if (stampHit_ != RectTracker::Hit::Nothing) {
            trackingStamp_ = true;
            tracker_.Begin(pressed);
            event->accept();
            return;
        }
        tracker_.Clear();
    }
    if (!editor_.IsCropMode()) {
        CPageView::mousePressEvent(event);
        return;
    }
    const TrackPoint point = contentPoint(event->position().toPoint());
    tracker_.SetRect(zoomedRect(editor_.CropRect(), Zoom()));
    if (event->button() == Qt::LeftButton) {
        tracker_.Begin(point);
        viewport()->update();
    } else if (event->button() == Qt::RightButton && tracker_.HitTest(point) == RectTracker::Hit::Inside) {
        skipNextPopup_ = true;
        cropToTracker();
    }
    event->accept();
}

void CFaxView::mouseMoveEvent(QMouseEvent* event)
{
    if (!tracker_.IsTracking()) {
        if (!StampTracker().isEmpty() && !IsHandMode())
            updateStampCursor(contentPoint(event->position().toPoint()));
        CPageView::mouseMoveEvent(event);
        return;
    }
    tracker_.Track(contentPoint(event->position().toPoint()));
    viewport()->update();
    event->accept();
}

void CFaxView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !tracker_.IsTracking()) {
        CPageView::mouseReleaseEvent(event);
        return;
    }
    tracker_.Track(contentPoint(event->position().toPoint()));
    tracker_.End();
    if (trackingStamp_) {
        trackingStamp_ = false;
        placeTrackedStamp();
        tracker_.Clear();
        refresh();
        event->accept();
        return;
    }
    // Kept in image coordinates: the tracker divided by the zoom.
    editor_.SetCropRect(unzoomedRect(tracker_.Rect(), Zoom()));
    tracker_.Clear();
    viewport()->update();
    event->accept();
}

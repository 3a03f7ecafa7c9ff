// CFaxContentView: paging, rotation, the pop-up commands and printing at true
// size.
#include "faxbox/qt/FaxContentView.h"

#include <QAction>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

#include "core/qt/Prompter.h"
#include "faxbox/qt/DibHelpers.h"
#include "jotter/Jotter.h"

namespace {

// Quarter turns of the rotate commands, in degrees clockwise.
constexpr float kRightTurn = 90.0F;
constexpr float kLeftTurn = 270.0F;
constexpr uint8_t kWhiteBackground = 1;

} // namespace

CFaxContentView::CFaxContentView(CPelno1Doc& document, QWidget* parent)
    : CPageView(PageZoom::kViewerStep, parent), document_(document)
{
    setObjectName(QStringLiteral("CFaxContentView"));
    setAccessibleName(QStringLiteral("传真页面"));
    popup_ = new QMenu(QString::fromUtf8(kFaxContentMenuTitle), this);
    popup_->setObjectName(QString::fromUtf8(kFaxContentMenuTitle));
    for (const FaxContentCommandEntry& command : FaxContentCommands()) {
        actions_.Add(command.id, popup_->addAction(QString::fromUtf8(command.text)));
    }
    popup_->setDefaultAction(popup_->actions().value(0));
    document_.SetView(this);
    showPage();
}

CFaxContentView::~CFaxContentView()
{
    document_.SetView(nullptr);
}

// ------------------------------------------------------------ pages

void CFaxContentView::releasePages()
{
    basePage_.reset();
    workPage_.reset();
}

void CFaxContentView::showPage()
{
    basePage_ = PtxCopyHandle(document_.GetCurrentPageDib());
    workPage_ = PtxCopyHandle(basePage_);
    FitToWidth();
    setAccessibleDescription(PagePosition());
    UpdateCommands();
}

void CFaxContentView::OnDocumentUpdate()
{
    releasePages();
    SetZoom(1.0);
    SetHandMode(true);
    ScrollToTopLeft();
    showPage();
}

void CFaxContentView::GoToPage(int i)
{
    if (i < 0 || i >= document_.GetPageCount())
        return;
    if (!workPage_.isNull())
        document_.ReplacePageDib(PtxCopyHandle(workPage_));
    document_.SetCurrentPage(i);
    releasePages();
    SetZoom(1.0);
    SetHandMode(true);
    ScrollToTopLeft();
    showPage();
}

void CFaxContentView::ResetTools()
{
    SetHandMode(false);
}

void CFaxContentView::Rotate(float angle)
{
    if (workPage_.isNull())
        return;
    ImageHandle turned = PtxImgRotate(workPage_, angle, kWhiteBackground);
    if (turned.isNull()) {
        ShowMessage(QString::fromUtf8(PtxGetLastErrorInfo()));
        return;
    }
    basePage_ = std::move(workPage_);
    workPage_ = std::move(turned);
    document_.SetModifiedFlag(true);
    PageChanged();
}

QString CFaxContentView::PagePosition() const
{
    if (document_.GetCurrentPage() < 0)
        return QStringLiteral("0 - 0");
    return QStringLiteral("%1 - %2").arg(document_.GetCurrentPage() + 1).arg(document_.GetPageCount());
}

// ------------------------------------------------------------ commands

FaxContentState CFaxContentView::commandState() const
{
    return {Zoom(), document_.GetCurrentPage(), document_.GetPageCount(), !workPage_.isNull()};
}

bool CFaxContentView::IsCommandEnabled(int id) const
{
    return IsFaxContentCommandEnabled(id, commandState());
}

QAction* CFaxContentView::CommandAction(int id) const
{
    return actions_.Find(id);
}

void CFaxContentView::UpdateCommands()
{
    for (const auto& [id, action] : actions_.All())
        action->setEnabled(IsCommandEnabled(id));
}

void CFaxContentView::OnCommand(int id)
{
    namespace C = FaxContentCommand;
    if (!IsCommandEnabled(id))
        return;
    const int current = document_.GetCurrentPage();
    switch (id) {
    case C::ZoomIn: ZoomIn(); break;
    case C::ZoomOut: ZoomOut(); break;
    case C::ActualSize: SetZoom(1.0); break;
    case C::PreviousPage: GoToPage(current - 1); break;
    case C::NextPage: GoToPage(current + 1); break;
    case C::FirstPage: GoToPage(0); break;
    case C::LastPage: GoToPage(document_.GetPageCount() - 1); break;
    case C::PageTop: ScrollToTopLeft(); break;
    case C::PageEnd: ScrollToBottomRight(); break;
    case C::RotateRight: Rotate(kRightTurn); break;
    case C::RotateLeft: Rotate(kLeftTurn); break;
    default: break;
    }
    UpdateCommands();
}

void CFaxContentView::ShowContextMenu(const QPoint& globalPos)
{
    UpdateCommands();
    popup_->popup(globalPos);
}

// ------------------------------------------------------------ printing

bool CFaxContentView::PrintDocument(QPrinter& printer, int fromPage, int toPage)
{
    const int count = document_.GetPageCount();
    if (count <= 0)
        return false;
    const int first = std::clamp(fromPage > 0 ? fromPage : 1, 1, count);
    const int last = std::clamp(toPage > 0 ? toPage : count, first, count);
    QPainter painter;
    if (!painter.begin(&printer)) {
        cpLog(kLogFailure, "CFaxContentView: the printer could not be started");
        return false;
    }
    for (int n = first; n <= last; ++n) {
        if (n > first)
            printer.newPage();
        const ImageHandle& page = document_.GetPageDib(n - 1);
        ImgInfo info;
        if (page.isNull() || PtxGetImgInfo(page, &info) != 1)
            continue;
        const PrintedSize size = PrintedPageSize(info.width, info.height, info.xResolution, info.yResolution,
                                                 printer.logicalDpiX(), printer.logicalDpiY());
        DrawDib(painter, QRect(0, 0, static_cast<int>(size.width), static_cast<int>(size.height)), page,
                QRect(0, 0, info.width, info.height));
    }
    return painter.end();
}

bool CFaxContentView::OnFilePrint()
{
    const int count = document_.GetPageCount();
    if (count <= 0)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(document_.GetPathName()));
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, count);
    if (CurrentPrompter().RunDialog(dialog) != QDialog::Accepted)
        return false;
    const bool range = printer.printRange() == QPrinter::PageRange;
    return PrintDocument(printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
}

// The send dialog: the run's window, and the one-window rule of its opener.
#include "compose/transfer/qt/SendFaxDlg.h"

#include <QCloseEvent>

#include "core/session/InvokeIds.h"
#include "res/StringTable.h"

namespace {

QString Title()
{
    return QString::fromUtf8(LoadString(OutboxSender::IDS_SEND_TITLE));
}

} // namespace

CSendFaxDlg::CSendFaxDlg(AgentPort& agent, TaskQueue& tasks, SendSources sources, WindowId noticeTarget,
                         QWidget* parent)
    : TransferDialog(Title(), QStringLiteral("sendicon"), noticeTarget, parent),
      sender_(std::make_unique<OutboxSender>(agent, NextInvokeId(), tasks, *this, std::move(sources)))
{
}

CSendFaxDlg::~CSendFaxDlg()
{
    sender_.reset(); // no callback reaches this window once it goes
}

void CSendFaxDlg::Start()
{
    StartAnimation(kAnimationMs, 1);
    sender_->Start();
}

void CSendFaxDlg::reject()
{
    close();
}

void CSendFaxDlg::closeEvent(QCloseEvent* event)
{
    StopAnimation();
    sender_->Cancel(); // nothing left to cancel when the run ended itself
    event->accept();
}

bool CSendFaxDlg::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        if (static_cast<WindowMessageEvent*>(event)->Message() == WM_RESCAN_OUTBOX)
            sender_->Rescan();
        return true;
    }
    return TransferDialog::event(event);
}

void OpenSendWindow(const SendWindowServices& services)
{
    if (const WindowId open = WindowRegistry::FindByTitle(Title())) {
        WindowRegistry::Post(open, WM_RESCAN_OUTBOX);
        return;
    }
    auto* dialog = new CSendFaxDlg(services.agent(), services.tasks(), services.sources(), services.noticeTarget);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (services.addThread)
        services.addThread(dialog);
    dialog->show();
    dialog->Start();
}

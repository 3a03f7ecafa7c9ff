// The receive dialog: the run's window, its three timers, and the command
// that queues its task and opens it.
#include "compose/transfer/qt/RcvFaxDlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimerEvent>

#include "core/session/InvokeIds.h"
#include "faxbox/FaxTasks.h"

CRcvFaxDlg::CRcvFaxDlg(AgentPort& agent, TaskQueue& tasks, InboxWriter::PageCounter pages,
                       InboxWriter::ContactLookup contacts, WindowId noticeTarget, QWidget* parent)
    : TransferDialog(QStringLiteral("接收传真"), QStringLiteral("rcvicon"), noticeTarget, parent),
      noticeTarget_(noticeTarget),
      receiver_(std::make_unique<FaxReceiver>(agent, NextInvokeId(), tasks, *this, std::move(pages),
                                              std::move(contacts)))
{
}

CRcvFaxDlg::~CRcvFaxDlg()
{
    receiver_.reset(); // no callback reaches this window once it goes
}

void CRcvFaxDlg::Start()
{
    status_.start(kStatusMs, this);
    pump_.start(kPumpMs, this);
    StartAnimation(kAnimationMs, 0);
    receiver_->Start();
}

void CRcvFaxDlg::reject()
{
    close();
}

void CRcvFaxDlg::closeEvent(QCloseEvent* event)
{
    status_.stop();
    pump_.stop();
    StopAnimation();
    receiver_->Close();
    if (!closed_) {
        closed_ = true;
        WindowRegistry::Post(noticeTarget_, WM_FAX_REFRESH, FAX_REFRESH_FOLDER_COUNTS);
        WindowRegistry::Post(noticeTarget_, WM_FAX_RELOAD);
    }
    event->accept();
}

void CRcvFaxDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == status_.timerId())
        ShowTexts();
    else if (event->timerId() == pump_.timerId())
        receiver_->Step();
    else
        TransferDialog::timerEvent(event);
}

void CRcvFaxDlg::ShowTexts()
{
    const FaxReceiver::Texts texts = receiver_->StatusTexts();
    ShowStatus(texts.status);
    if (!texts.file.empty())
        ShowFile(texts.file);
}

void OpenReceiveWindow(const ReceiveWindowServices& services, const std::string& account)
{
    auto task = std::make_unique<CFaxRcvTask>();
    task->accountPath = account;
    services.tasks().AddTask(std::move(task));
    auto* dialog = new CRcvFaxDlg(services.agent(), services.tasks(), services.pages, services.contacts,
                                  services.noticeTarget);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (services.addThread)
        services.addThread(dialog);
    dialog->show();
    dialog->Start();
}

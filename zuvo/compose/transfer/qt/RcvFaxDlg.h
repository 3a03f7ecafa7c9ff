#pragma once

// The receive dialog: the window of the receive run (compose/transfer/FaxReceiver.h),
// titled "接收传真". Its timers show the status (250 ms), turn the icon
// (100 ms) and step the download pump (50 ms). When it closes it has the
// main window relabel the folders and reload the fax list.

#include <QBasicTimer>

#include <functional>
#include <memory>

#include "compose/transfer/FaxReceiver.h"
#include "compose/transfer/qt/TransferDialog.h"

class CRcvFaxDlg : public TransferDialog {
    Q_OBJECT
public:
    static constexpr int kStatusMs = 250;
    static constexpr int kAnimationMs = 100;
    static constexpr int kPumpMs = 50;

    CRcvFaxDlg(AgentPort& agent, TaskQueue& tasks, InboxWriter::PageCounter pages,
               InboxWriter::ContactLookup contacts, WindowId noticeTarget, QWidget* parent = nullptr);
    ~CRcvFaxDlg() override;

    // Starts the run and the timers; call once the window is shown.
    void Start();
    FaxReceiver& Receiver() { return *receiver_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void ShowTexts();

    WindowId noticeTarget_;
    QBasicTimer status_;
    QBasicTimer pump_;
    bool closed_ = false;
    std::unique_ptr<FaxReceiver> receiver_; // last: leaves the listeners first
};

// What opening the receive window needs from the program.
struct ReceiveWindowServices : TransferWindowServices {
    InboxWriter::PageCounter pages;
    InboxWriter::ContactLookup contacts;
};

// The receive command: queues a CFaxRcvTask for the account (the current
// one, "" for the default) and opens the window, which takes it. The
// window deletes itself when it closes.
void OpenReceiveWindow(const ReceiveWindowServices& services, const std::string& account);

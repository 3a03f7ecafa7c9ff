#pragma once

// The send dialog: the window of the send run (compose/transfer/OutboxSender.h),
// titled "发送传真". One is open at a time; a further start re-counts the
// open one's outbox (WM_RESCAN_OUTBOX). Closing it, by the cancel button,
// Esc or the window's close, cancels the run.

#include <functional>
#include <memory>

#include "compose/transfer/OutboxSender.h"
#include "compose/transfer/qt/TransferDialog.h"

class QWidget;

class CSendFaxDlg : public TransferDialog {
    Q_OBJECT
public:
    static constexpr int kAnimationMs = 100;

    CSendFaxDlg(AgentPort& agent, TaskQueue& tasks, SendSources sources, WindowId noticeTarget,
                QWidget* parent = nullptr);
    ~CSendFaxDlg() override;

    // Starts the run; call once the window is shown.
    void Start();
    OutboxSender& Sender() { return *sender_; }

    void reject() override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<OutboxSender> sender_; // last: leaves the listeners first
};

// What opening the send window needs from the program.
struct SendWindowServices : TransferWindowServices {
    std::function<SendSources()> sources;
};

// Opens the send window and starts it, or, while one is open, has it count
// its outbox again. The window deletes itself when it closes.
void OpenSendWindow(const SendWindowServices& services);

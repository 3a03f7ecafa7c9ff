#pragma once

// What the send and receive dialogs share: a small window with the
// animated transfer icon, the status, stage and file texts and a progress
// bar, whose setters may be called from any thread (each call is queued to
// the window's own), and that passes notices to the main window's pop-up.

#include <QBasicTimer>
#include <QDialog>
#include <QString>

#include <functional>

#include "compose/transfer/TransferView.h"
#include "core/TaskQueue.h"
#include "core/qt/WindowMessage.h"
#include "core/session/AgentPort.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// What opening a transfer window needs from the program.
struct TransferWindowServices {
    std::function<AgentPort&()> agent;
    std::function<TaskQueue&()> tasks;
    WindowId noticeTarget = 0; // the main window
    // Registers the window with the main window (closed at shut-down).
    std::function<void(QWidget*)> addThread;
};

class TransferDialog : public QDialog, public TransferView {
    Q_OBJECT
public:
    // iconFolder: the animation's frames among the program's resources
    // (":/transfer/sendicon/1.ico" to 32.ico for "sendicon", drawn by
    // scripts/make-transfer-icons); noticeTarget: the main window.
    TransferDialog(const QString& title, const QString& iconFolder, WindowId noticeTarget, QWidget* parent);
    ~TransferDialog() override;

    // TransferView: any thread.
    void ShowStatus(const std::string& text) override;
    void ShowStage(const std::string& text) override;
    void ShowFile(const std::string& text) override;
    void ShowProgress(int percent) override;
    // WM_FAX_POPUP with the text to the main window.
    void Notice(const std::string& text) override;
    // The window closes on its own thread.
    void End() override;

    WindowId Handle() const { return registered_.Id(); }
    QLabel* StatusText() const { return status_; }
    QLabel* StageText() const { return stage_; }
    QLabel* FileText() const { return file_; }
    QProgressBar* Progress() const { return progress_; }
    QLabel* Icon() const { return icon_; }
    QPushButton* CancelButton() const { return cancel_; }
    // The animation frame shown next (1 to 32).
    int AnimationFrame() const { return frame_; }

protected:
    // Starts the animation of the icon (one frame every periodMs).
    void StartAnimation(int periodMs, int firstFrame);
    void StopAnimation();
    void timerEvent(QTimerEvent* event) override;
    // The dialog's own layout, for controls of a subclass (above the button).
    QVBoxLayout* TextColumn() const { return texts_; }

private:
    void AdvanceIcon();

    RegisteredWindow registered_{this};
    WindowId noticeTarget_;
    QString iconFolder_;
    QLabel* icon_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* stage_ = nullptr;
    QLabel* file_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QVBoxLayout* texts_ = nullptr;
    QBasicTimer animation_;
    int frame_ = 1;
};

#pragma once

// The compose window: a fax written anew, as a reply, a forward or an edit
// of a stored fax, queued for the send window or kept as a draft. The
// subject bar holds the addressing, the subject, the timed send and the
// attachment list; the page editor below shows and trims the pages of one
// attachment. A top-level window; the logic lives in compose/ComposedFax.h,
// ComposeSave.h, NumberCheck.h and FaxPrinterSwitch.h.

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <string>

#include "compose/ComposedFax.h"
#include "compose/print/FaxPrinterSwitch.h"
#include "core/qt/CommandActions.h"
#include "core/qt/WindowMessage.h"

class CFaxSubjectBar;
class CFaxView;
class QAction;
class TaskQueue;

// What the window needs from the program.
struct ComposeWindowServices {
    // The application's task queue: the window takes one compose task off it.
    std::function<TaskQueue&()> tasks;
    // Starts the send window, or has the open one count its outbox again.
    std::function<void()> openSendWindow;
    // The account the folder tree selects ("" none): drafts go there.
    std::function<std::string()> currentAccount;
    // Where address.xml lies, for the recipient picker.
    QString addressDirectory;
    // Where a start of the program leaves addfile.temp.
    QString handOverDirectory;
};

class CSendFaxFrm : public QMainWindow {
    Q_OBJECT
public:
    // Takes the oldest compose task (new, reply, forward, edit) off the
    // queue, leaving other tasks queued, and fills the window from it; then
    // takes the handed-over files, or, with none given, those of
    // addfile.temp.
    CSendFaxFrm(ComposeWindowServices services, const QStringList& handedOver = {}, QWidget* parent = nullptr);
    ~CSendFaxFrm() override;

    WindowId Handle() const { return registered_.Id(); }
    CFaxSubjectBar* SubjectBar() const { return bar_; }
    CFaxView* PageEditor() const { return view_; }
    QAction* CommandAction(int id) const;
    bool IsModified() const { return modified_; }
    void OnCommand(int id);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Fill();
    void BuildCommands();
    void SetModified(bool modified);
    void OnNumbersChanged(int id);
    void OnBarButton(int id);
    void OnAttachmentCommand(int id);
    void SendNow();
    void SaveDraft();
    void AddAttachment();
    void PickRecipients();
    // Appends an item unless one is named like it (then says so); true when added.
    bool AppendItem(const QString& path, int headFlag);
    void TakeHandOver(QStringList files);
    ComposedFax CollectFax() const;

    ComposeWindowServices services_;
    RegisteredWindow registered_;
    CFaxSubjectBar* bar_ = nullptr;
    CFaxView* view_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
    FaxPrinterSwitch printer_;
    std::string contactName_;
    std::string company_;
    bool modified_ = false;
    bool checking_ = false; // the number check is changing a field
};

// Opens a compose window over the program's services; it deletes itself
// when closed. `addThread` registers it with the main frame.
CSendFaxFrm* OpenComposeWindow(const ComposeWindowServices& services, const QStringList& handedOver,
                               const std::function<void(QWidget*)>& addThread);

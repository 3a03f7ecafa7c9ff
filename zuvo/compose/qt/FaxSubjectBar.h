#pragma once

// The bar at the top of the compose window: To, CC and subject, the list of
// attachment files (each with its header flag), the timed-send switch with
// its date and time, the count of numbers entered and the page editor's
// toolbar. Its controls sit at fixed places in bar coordinates (the edits
// and the list stretch with the bar's width); the compose window reads and
// fills it through the operations below and handles its buttons and edit
// changes itself.

#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;
class QToolBar;

// Commands of the attachment list's pop-up menu "__LIST_ATTACHFILE__".
namespace SubjectBarCommand {
inline constexpr int DeleteAttachment = 32877;
inline constexpr int OpenAttachment = 32878;
} // namespace SubjectBarCommand

struct AttachmentItem {
    QString path;
    int headFlag = 0;

    bool operator==(const AttachmentItem&) const = default;
};

class CFaxSubjectBar : public QWidget {
    Q_OBJECT
public:
    // Control ids, as the window's commands name them.
    enum Control {
        ToButton = 107,
        CcButton = 108,
        SubjectButton = 109,
        AttachButton = 110,
        ToEdit = 111,
        CcEdit = 112,
        SubjectEdit = 113,
        AttachList = 114,
        DatePicker = 122,
        TimePicker = 123,
        TimedSendButton = 124,
        CountLabel = 125,
    };

    // CreateBar: the controls at their places, the pickers disabled.
    explicit CFaxSubjectBar(QWidget* parent = nullptr);

    QString GetTo() const;
    QString GetCc() const;
    QString GetSubject() const;
    void SetTo(const QString& text);
    void SetCc(const QString& text);
    void SetSubject(const QString& text);
    void SetCount(const QString& text);

    // Flips the timed-send flag; the new value.
    int ToggleSendTime();
    // Stores the flag; the pickers are enabled while it is not 0.
    void SetTimerFlag(int flag);
    int GetTimerFlag() const { return timerFlag_; }
    // The pickers' date and time as "%04d-%02d-%02d %02d:%02d:%02d", also
    // while they are disabled.
    QString GetSendTime() const;
    // Sets both pickers from a text of that form; a text that is not one,
    // or names no real date or time, changes nothing.
    void SetSendTime(const QString& text);

    // Appends an item with the path as its text and the flag as its data.
    void SetListItem(const QString& path, int headFlag);
    int GetItemCount() const;
    // The first selected item's path; nothing when none is selected.
    std::optional<QString> GetAttachment() const;
    // The first item's path; nothing when the list is empty.
    std::optional<QString> GetItemPath() const;
    // Every item in list order.
    std::vector<AttachmentItem> GetItemEntry() const;
    // Removes every selected item.
    void DeleteSelected();

    // The page editor's toolbar, shown with icon and caption; its commands
    // are the editor's, added by the window.
    QToolBar* EditorToolBar() const { return toolBar_; }

    // The control of an id (null for another id).
    QWidget* ControlOf(Control id) const;

    QSize sizeHint() const override;

signals:
    // A label button (107 To, 108 CC, 124 timed send) was pressed.
    void ButtonPressed(int id);
    // The text of the To (111) or CC (112) edit changed.
    void NumbersChanged(int id);
    // A command of the attachment list's pop-up menu was chosen, or given by
    // a key (Delete: remove; Enter: open) or a double click (open).
    void AttachmentCommand(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowAttachmentMenu(const QPoint& at);
    void Place(int width);

    int timerFlag_ = 0;
    QPushButton* toButton_ = nullptr;
    QPushButton* ccButton_ = nullptr;
    QPushButton* subjectButton_ = nullptr;
    QPushButton* attachButton_ = nullptr;
    QPushButton* timedSendButton_ = nullptr;
    QLineEdit* to_ = nullptr;
    QLabel* count_ = nullptr;
    QLineEdit* cc_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QListWidget* attachments_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    QToolBar* toolBar_ = nullptr;
};

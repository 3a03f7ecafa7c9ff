// The compose window's subject bar: fixed places for the labels, pickers
// and count, the edits and the list stretched to the bar's width.

#include "compose/qt/FaxSubjectBar.h"

#include <algorithm>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QKeyEvent>
#include <QStyle>
#include <QTimeEdit>
#include <QToolBar>

#include "compose/SendTime.h"
#include "core/qt/ResourceText.h"

namespace {

// The bar's places are given as left, top, right, bottom.
QRect Span(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The width the controls' creation places are laid out for.
constexpr int kCreationWidth = 900;
constexpr int kFieldsBottom = 130;
constexpr int kToolBarGap = 4;

} // namespace

CFaxSubjectBar::CFaxSubjectBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CFaxSubjectBar"));
    const auto labelButton = [this](Control id, unsigned text) {
        auto* button = new QPushButton(LoadText(text), this);
        button->setObjectName(QStringLiteral("SubjectBar%1").arg(int(id)));
        button->setFlat(true);
        button->setAutoDefault(false);
        button->setStyleSheet(QStringLiteral("text-align: left; padding: 0 2px;"));
        connect(button, &QPushButton::clicked, this, [this, id] { emit ButtonPressed(id); });
        return button;
    };
    toButton_ = labelButton(ToButton, 32874);
    ccButton_ = labelButton(CcButton, 32875);
    subjectButton_ = labelButton(SubjectButton, 32876);
    attachButton_ = labelButton(AttachButton, 32877);
    timedSendButton_ = labelButton(TimedSendButton, 32878);

    const auto edit = [this](Control id, QPushButton* label) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("SubjectBar%1").arg(int(id)));
        field->setAccessibleName(label->text());
        return field;
    };
    to_ = edit(ToEdit, toButton_);
    cc_ = edit(CcEdit, ccButton_);
    subject_ = edit(SubjectEdit, subjectButton_);
    connect(to_, &QLineEdit::textChanged, this, [this] { emit NumbersChanged(ToEdit); });
    connect(cc_, &QLineEdit::textChanged, this, [this] { emit NumbersChanged(CcEdit); });

    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("SubjectBar%1").arg(int(CountLabel)));
    count_->setAccessibleName(QStringLiteral("号码个数"));

    attachments_ = new QListWidget(this);
    attachments_->setObjectName(QStringLiteral("SubjectBar%1").arg(int(AttachList)));
    attachments_->setAccessibleName(attachButton_->text());
    attachments_->setViewMode(QListView::ListMode);
    attachments_->setFlow(QListView::LeftToRight);
    attachments_->setWrapping(true);
    attachments_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    attachments_->setIconSize(QSize(16, 16));
    attachments_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(attachments_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowAttachmentMenu(attachments_->viewport()->mapToGlobal(at)); });
    attachments_->installEventFilter(this); // the Delete, Enter and Return keys
    // A double click on an item opens it in the page editor, as the pop-up's "打开附件" does.
    connect(attachments_, &QListWidget::itemDoubleClicked, this,
            [this] { emit AttachmentCommand(SubjectBarCommand::OpenAttachment); });

    date_ = new QDateEdit(QDate::currentDate(), this);
    date_->setObjectName(QStringLiteral("SubjectBar%1").arg(int(DatePicker)));
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date_->setCalendarPopup(true);
    date_->setAccessibleName(timedSendButton_->text());
    time_ = new QTimeEdit(QTime::currentTime(), this);
    time_->setObjectName(QStringLiteral("SubjectBar%1").arg(int(TimePicker)));
    time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    time_->setAccessibleName(timedSendButton_->text());
    date_->setEnabled(false);
    time_->setEnabled(false);

    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("SubjectBarToolBar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setMovable(false);

    Place(kCreationWidth);
}

QString CFaxSubjectBar::GetTo() const
{
    return to_->text();
}

QString CFaxSubjectBar::GetCc() const
{
    return cc_->text();
}

QString CFaxSubjectBar::GetSubject() const
{
    return subject_->text();
}

void CFaxSubjectBar::SetTo(const QString& text)
{
    to_->setText(text);
}

void CFaxSubjectBar::SetCc(const QString& text)
{
    cc_->setText(text);
}

void CFaxSubjectBar::SetSubject(const QString& text)
{
    subject_->setText(text);
}

void CFaxSubjectBar::SetCount(const QString& text)
{
    count_->setText(text);
}

int CFaxSubjectBar::ToggleSendTime()
{
    timerFlag_ = timerFlag_ == 0 ? 1 : 0;
    return timerFlag_;
}

void CFaxSubjectBar::SetTimerFlag(int flag)
{
    timerFlag_ = flag;
    date_->setEnabled(flag != 0);
    time_->setEnabled(flag != 0);
}

QString CFaxSubjectBar::GetSendTime() const
{
    const QDate d = date_->date();
    const QTime t = time_->time();
    return QString::fromStdString(FormatSendTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()}));
}

void CFaxSubjectBar::SetSendTime(const QString& text)
{
    const std::optional<SendTime> parsed = ParseSendTime(text.toStdString());
    if (!parsed)
        return;
    const QDate d(parsed->year, parsed->month, parsed->day);
    const QTime t(parsed->hour, parsed->minute, parsed->second);
    if (!d.isValid() || !t.isValid())
        return;
    date_->setDate(d);
    time_->setTime(t);
}

void CFaxSubjectBar::SetListItem(const QString& path, int headFlag)
{
    auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_FileIcon), path, attachments_);
    item->setData(Qt::UserRole, headFlag);
}

int CFaxSubjectBar::GetItemCount() const
{
    return attachments_->count();
}

std::optional<QString> CFaxSubjectBar::GetAttachment() const
{
    for (int row = 0; row < attachments_->count(); ++row)
        if (attachments_->item(row)->isSelected())
            return attachments_->item(row)->text();
    return std::nullopt;
}

std::optional<QString> CFaxSubjectBar::GetItemPath() const
{
    if (attachments_->count() == 0)
        return std::nullopt;
    return attachments_->item(0)->text();
}

std::vector<AttachmentItem> CFaxSubjectBar::GetItemEntry() const
{
    std::vector<AttachmentItem> items;
    for (int row = 0; row < attachments_->count(); ++row)
        items.push_back({attachments_->item(row)->text(), attachments_->item(row)->data(Qt::UserRole).toInt()});
    return items;
}

void CFaxSubjectBar::DeleteSelected()
{
    for (int row = attachments_->count() - 1; row >= 0; --row)
        if (attachments_->item(row)->isSelected())
            delete attachments_->takeItem(row);
}

QWidget* CFaxSubjectBar::ControlOf(Control id) const
{
    switch (id) {
    case ToButton: return toButton_;
    case CcButton: return ccButton_;
    case SubjectButton: return subjectButton_;
    case AttachButton: return attachButton_;
    case ToEdit: return to_;
    case CcEdit: return cc_;
    case SubjectEdit: return subject_;
    case AttachList: return attachments_;
    case DatePicker: return date_;
    case TimePicker: return time_;
    case TimedSendButton: return timedSendButton_;
    case CountLabel: return count_;
    }
    return nullptr;
}

QSize CFaxSubjectBar::sizeHint() const
{
    return QSize(kCreationWidth, kFieldsBottom + kToolBarGap + toolBar_->sizeHint().height());
}

bool CFaxSubjectBar::eventFilter(QObject* watched, QEvent* event)
{
    // Delete on the list removes attachments and Enter opens the selected
    // one; in an edit the keys stay the edit's.
    if (watched == attachments_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            emit AttachmentCommand(SubjectBarCommand::DeleteAttachment);
            return true;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && GetAttachment()) {
            emit AttachmentCommand(SubjectBarCommand::OpenAttachment);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CFaxSubjectBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Place(width());
}

void CFaxSubjectBar::Place(int w)
{
    toButton_->setGeometry(Span(10, 10, 100, 30));
    ccButton_->setGeometry(Span(10, 30, 100, 50));
    subjectButton_->setGeometry(Span(10, 50, 100, 70));
    attachButton_->setGeometry(Span(10, 70, 100, 90));
    timedSendButton_->setGeometry(Span(10, 110, 100, 130));
    to_->setGeometry(Span(100, 10, w - 100, 30));
    count_->setGeometry(Span(w - 100, 10, w - 70, 30));
    cc_->setGeometry(Span(100, 30, w - 100, 50));
    subject_->setGeometry(Span(100, 50, w - 100, 70));
    attachments_->setGeometry(Span(100, 70, w - 100, 110));
    date_->setGeometry(Span(100, 110, 300, 130));
    time_->setGeometry(Span(320, 110, 470, 130));
    const int top = kFieldsBottom + kToolBarGap;
    toolBar_->setGeometry(0, top, w, std::max(toolBar_->sizeHint().height(), height() - top));
}

void CFaxSubjectBar::ShowAttachmentMenu(const QPoint& at)
{
    if (!GetAttachment())
        return; // no menu without a selected item (and no notice: this window shows none)
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("__LIST_ATTACHFILE__"));
    QAction* remove = menu.addAction(QStringLiteral("删除附件"));
    QAction* open = menu.addAction(QStringLiteral("打开附件"));
    menu.setDefaultAction(remove);
    QAction* chosen = menu.exec(at);
    if (chosen == remove)
        emit AttachmentCommand(SubjectBarCommand::DeleteAttachment);
    else if (chosen == open)
        emit AttachmentCommand(SubjectBarCommand::OpenAttachment);
}

#include "core/qt/ChangePasswordDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/qt/AgentReplyWait.h"
#include "core/qt/DialogParts.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "core/session/AgentHelp.h"
#include "core/session/PasswordChange.h"

namespace {

constexpr unsigned kMismatchText = 61509;  // "两次输入的密码不正确"
constexpr unsigned kWaitingText = 61510;   // "请稍后..."
constexpr unsigned kFailedText = 61515;    // "修改密码失败！"

QLineEdit* AddPasswordRow(QFormLayout& form, QWidget& parent, const QString& label, int id)
{
    QLineEdit* edit = MakePasswordEdit(parent, label, id);
    form.addRow(label, edit);
    return edit;
}

} // namespace

CChangePasswordDlg::CChangePasswordDlg(QWidget* parent, AgentPort* agent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CChangePasswordDlg"));
    setWindowTitle(QStringLiteral("修改账户密码"));

    auto* form = new QFormLayout;
    oldEdit_ = AddPasswordRow(*form, *this, QStringLiteral("老密码："), kOldPasswordEditId);
    newEdit_ = AddPasswordRow(*form, *this, QStringLiteral("新密码："), kNewPasswordEditId);
    confirmEdit_ = AddPasswordRow(*form, *this, QStringLiteral("新密码确认："), kConfirmEditId);
    status_ = new QLabel(this);
    status_->setObjectName(QString::number(kStatusTextId));
    status_->setAccessibleName(QStringLiteral("状态"));

    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addWidget(buttons);
    setMinimumWidth(300);

    wait_ = new AgentReplyWait(agent ? *agent : *AgentHelp::getInstance(), this);
    connect(wait_, &AgentReplyWait::replied, this, &CChangePasswordDlg::OnReply);
    connect(wait_, &AgentReplyWait::succeeded, this, [this] {
        wait_->StopTimer();
        QDialog::accept();
    });
    connect(wait_, &AgentReplyWait::timedOut, this, [this] { wait_->Notice(LoadText(kFailedText)); });
}

CChangePasswordDlg::~CChangePasswordDlg() = default;

void CChangePasswordDlg::SetOldPassword(const QString& password)
{
    oldEdit_->setText(password);
}

void CChangePasswordDlg::SetCommand(const QString& command)
{
    command_ = command;
    wait_->Listen(command);
}

long CChangePasswordDlg::InvokeId() const
{
    return wait_->InvokeId();
}

void CChangePasswordDlg::accept()
{
    newPassword_ = newEdit_->text();
    if (newPassword_ != confirmEdit_->text()) {
        ShowMessage(LoadText(kMismatchText));
        return;
    }
    const PasswordChange change{command_.toStdString(), faxUser_.toStdString(), oldEdit_->text().toStdString(),
                                newPassword_.toStdString()};
    if (SendPasswordChange(wait_->Agent(), change, wait_->InvokeId()) != 1) {
        ShowMessage(LoadText(kFailedText));
        return;
    }
    status_->setText(LoadText(kWaitingText));
    wait_->StartTimer(replyTimeoutMs_, true);
}

void CChangePasswordDlg::OnReply(bool forCommand)
{
    // Any reply to this dialog ends the wait; only one to its command is told.
    wait_->StopTimer();
    if (forCommand)
        wait_->Notice(LoadText(kFailedText));
}

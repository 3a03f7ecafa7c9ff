#include "compose/seals/qt/PasswordDlg1.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "compose/seals/SealPassword.h"
#include "core/qt/AgentReplyWait.h"
#include "core/qt/DialogParts.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "jotter/Jotter.h"

namespace {

constexpr unsigned kWrongPasswordText = 61461; // "密码错误"
constexpr char kCommand[] = "checkpassword-z";

} // namespace

CPasswordDlg1::CPasswordDlg1(SealContext context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)), accounts_(std::make_unique<SealAccountFile>(context_.Directory()))
{
    setObjectName(QStringLiteral("CPasswordDlg1"));
    setWindowTitle(QStringLiteral("请输入密码"));
    auto* label = new QLabel(QStringLiteral("账户密码："), this);
    edit_ = MakePasswordEdit(*this, label->text(), kPasswordEditId);
    label->setBuddy(edit_);
    auto* buttons = MakeOkCancelButtons(*this);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(280);

    wait_ = new AgentReplyWait(context_.Agent(), this);
    connect(wait_, &AgentReplyWait::replied, this, [this](bool forCommand) {
        if (!forCommand)
            return;
        wait_->StopTimer();
        Refuse();
    });
    connect(wait_, &AgentReplyWait::succeeded, this, [this] {
        wait_->StopTimer();
        QDialog::accept();
    });
    connect(wait_, &AgentReplyWait::timedOut, this, &CPasswordDlg1::Refuse);
    connect(wait_, &AgentReplyWait::disconnected, this, &CPasswordDlg1::Refuse);
    wait_->Listen(QString::fromLatin1(kCommand));
}

CPasswordDlg1::~CPasswordDlg1() = default;

long CPasswordDlg1::InvokeId() const
{
    return wait_->InvokeId();
}

void CPasswordDlg1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    if (!accounts_->IsOpen())
        ShowMessage(QStringLiteral("该版本不支持印章功能!"));
}

void CPasswordDlg1::Refuse()
{
    wait_->Notice(LoadText(kWrongPasswordText));
}

CPasswordDlg1::Sent CPasswordDlg1::CheckPassword(const QString& typed)
{
    AgentPort& agent = context_.Agent();
    if (!agent.isRun())
        return Sent::NotRunning;
    const std::string faxUser = accounts_->FaxUser(context_.accountPath);
    if (faxUser.empty())
        return Sent::Refused;
    const SealPasswordCheck check{faxUser, accounts_->StoredPassword(context_.accountPath), typed.toStdString()};
    const int sent = SendSealPasswordCheck(agent, check, wait_->InvokeId());
    cpLog(kLogTrace, sent == 1 ? "checkpassword-z Invoke Success!" : "checkpassword-z Invoke Failed");
    return sent == 1 ? Sent::Yes : Sent::InvokeFailed;
}

void CPasswordDlg1::accept()
{
    const QString typed = edit_->text();
    switch (CheckPassword(typed)) {
    case Sent::Yes:
        wait_->StartTimer(replyTimeoutMs_, false);
        return;
    case Sent::Refused:
        Refuse();
        return;
    case Sent::NotRunning:
    case Sent::InvokeFailed:
        CheckLocally(typed);
        return;
    }
}

void CPasswordDlg1::CheckLocally(const QString& typed)
{
    if (accounts_->Matches(context_.accountPath, typed.toStdString()))
        QDialog::accept();
    else
        Refuse();
}

#include "core/qt/AccessPasswordDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/frame/AccessLock.h"
#include "core/qt/DialogParts.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"

namespace {

constexpr unsigned kWrongPasswordText = 61582; // "密码错误！"

} // namespace

CAccessPasswordDlg::CAccessPasswordDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CAccessPasswordDlg"));
    setWindowTitle(QStringLiteral("账户存取密码"));
    auto* label = new QLabel(QStringLiteral("请输入账户访问密码："), this);
    edit_ = MakePasswordEdit(*this, label->text(), kPasswordEditId);
    label->setBuddy(edit_);
    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    setMinimumWidth(280);
}

void CAccessPasswordDlg::accept()
{
    password_ = edit_->text();
    QDialog::accept();
}

bool RunAccessCheck(QWidget* parent)
{
    CAccessPasswordDlg dialog(parent);
    if (CurrentPrompter().RunDialog(dialog) != QDialog::Accepted)
        return false;
    if (AccessLock::PasswordMatches(dialog.Password().toStdString()))
        return true;
    ShowMessage(LoadText(kWrongPasswordText));
    return false;
}

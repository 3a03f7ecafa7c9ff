// The folder name dialog.

#include "contacts/qt/AddDirDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "contacts/AddressBookTexts.h"
#include "core/qt/Prompter.h"

CAddDirDlg::CAddDirDlg(const QString& name, Refusal refusal, QWidget* parent)
    : QDialog(parent), refusal_(std::move(refusal))
{
    setObjectName(QStringLiteral("CAddDirDlg"));
    setWindowTitle(QString::fromUtf8(AddressText::kAddDirTitle));
    auto* prompt = new QLabel(QString::fromUtf8(AddressText::kAddDirPrompt), this);
    name_ = new QLineEdit(name, this);
    name_->setObjectName(QStringLiteral("FolderName"));
    name_->setAccessibleName(QString::fromUtf8(AddressText::kAddDirPrompt));
    name_->selectAll();
    prompt->setBuddy(name_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddDirDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddDirDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(name_);
    layout->addWidget(buttons);
    setMinimumWidth(280);
}

QString CAddDirDlg::Name() const
{
    return name_->text();
}

void CAddDirDlg::accept()
{
    if (const std::optional<QString> why = refusal_ ? refusal_(Name()) : std::nullopt) {
        CurrentPrompter().Inform(*why);
        name_->setFocus();
        name_->selectAll();
        return;
    }
    QDialog::accept();
}

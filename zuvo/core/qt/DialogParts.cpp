#include "core/qt/DialogParts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

QDialogButtonBox* MakeOkCancelButtons(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QLineEdit* MakePasswordEdit(QWidget& parent, const QString& label, int id)
{
    auto* edit = new QLineEdit(&parent);
    edit->setObjectName(QString::number(id));
    edit->setEchoMode(QLineEdit::Password);
    edit->setAccessibleName(label);
    return edit;
}

#include "compose/seals/qt/ZAddDlg.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "compose/seals/SealStore.h"
#include "core/qt/DialogParts.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"

namespace {

constexpr unsigned kUnsupportedSealText = 61503; // "该格式的章，该版本不支持！"

} // namespace

CZAddDlg::CZAddDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CZAddDlg"));
    setWindowTitle(QStringLiteral("添加电子章"));
    captionEdit_ = new QLineEdit(this);
    captionEdit_->setObjectName(QString::number(kCaptionEditId));
    captionEdit_->setAccessibleName(QStringLiteral("标题："));
    fileNameEdit_ = new QLineEdit(this);
    fileNameEdit_->setObjectName(QString::number(kFileNameEditId));
    fileNameEdit_->setAccessibleName(QStringLiteral("加载文件："));
    fileNameEdit_->setReadOnly(true);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QString::number(kBrowseButtonId));
    browse->setAccessibleName(QStringLiteral("浏览"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &CZAddDlg::Browse);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileNameEdit_, 1);
    fileRow->addWidget(browse);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("标题："), captionEdit_);
    form->addRow(QStringLiteral("加载文件："), fileRow);

    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

void CZAddDlg::Browse()
{
    FileRequest request;
    request.filter = QStringLiteral("Bmp Files(*.bmp)|*.bmp|");
    request.defaultExtension = QStringLiteral("bmp");
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen)
        return;
    const QString name = QFileInfo(chosen->path).fileName();
    if (IsSealImageName(name.toStdString())) {
        fileName_ = name;
        imagePath_ = chosen->path;
    } else {
        ShowMessage(LoadText(kUnsupportedSealText));
        fileName_.clear();
        imagePath_.clear();
    }
    fileNameEdit_->setText(fileName_);
}

void CZAddDlg::accept()
{
    caption_ = captionEdit_->text();
    QDialog::accept();
}

#include "compose/seals/qt/ZManagerDlg1.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "compose/seals/SealPassword.h"
#include "compose/seals/SealStore.h"
#include "compose/seals/qt/ScrollBitmap.h"
#include "compose/seals/qt/ZAddDlg.h"
#include "core/TextUtil.h"
#include "core/codec/FileScrambler.h"
#include "core/qt/ChangePasswordDlg.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"

namespace {

constexpr unsigned kWrongPasswordText = 61461;   // "密码错误"
constexpr unsigned kUnsupportedSealText = 61503; // "该格式的章，该版本不支持！"
constexpr unsigned kPasswordChangedText = 61565; // "修改密码成功！"

bool Chinese()
{
    return EqualsNoCase(LoadString(IDS_LANGUAGE), "cn");
}

QPushButton* AddButton(QDialogButtonBox& box, const QString& text, int id)
{
    auto* button = box.addButton(text, QDialogButtonBox::ActionRole);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace

QString CZManagerDlg1::ExitCaption()
{
    return Chinese() ? QStringLiteral("退出") : QStringLiteral("Exit");
}

QString CZManagerDlg1::SelectCaption()
{
    return Chinese() ? QStringLiteral("选择") : QStringLiteral("Select");
}

CZManagerDlg1::CZManagerDlg1(SealContext context, const QString& okCaption, QWidget* parent)
    : QDialog(parent), context_(std::move(context)), store_(std::make_unique<SealStore>(context_.Directory()))
{
    setObjectName(QStringLiteral("CZManagerDlg1"));
    setWindowTitle(QStringLiteral("电子章管理"));

    list_ = new QListWidget(this);
    list_->setObjectName(QString::number(kListId));
    list_->setAccessibleName(QStringLiteral("电子章"));
    preview_ = new CScrollBitmap(this);
    preview_->setMinimumSize(240, 140);
    size_ = new QLabel(this);
    size_->setObjectName(QString::number(kSizeTextId));
    size_->setAccessibleName(QStringLiteral("规格"));

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(okCaption, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
    connect(AddButton(*buttons, QStringLiteral("添加"), kAddButtonId), &QPushButton::clicked, this, &CZManagerDlg1::AddSeal);
    connect(AddButton(*buttons, QStringLiteral("删除"), kDeleteButtonId), &QPushButton::clicked, this,
            &CZManagerDlg1::DeleteSeal);
    connect(AddButton(*buttons, QStringLiteral("改密"), kPasswordButtonId), &QPushButton::clicked, this,
            &CZManagerDlg1::ChangePassword);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZManagerDlg1::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, &CZManagerDlg1::ShowPreview);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CZManagerDlg1::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(list_, 0, 0, 2, 1);
    grid->addWidget(preview_, 0, 1);
    grid->addWidget(size_, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(buttons);
    resize(560, 300);

    Start();
}

CZManagerDlg1::~CZManagerDlg1() = default;

QString CZManagerDlg1::SizeText() const
{
    return size_->text();
}

void CZManagerDlg1::Start()
{
    preview_->CreateScrollBars();
    if (store_->Open() == SealStore::OpenResult::Failed)
        ShowMessage(LoadText(kUnsupportedSealText));
    for (const SealEntry& seal : store_->Seals())
        list_->addItem(QString::fromStdString(seal.caption));
}

int CZManagerDlg1::SelectedPosition() const
{
    return list_->currentRow() < 0 ? 0 : list_->currentRow();
}

void CZManagerDlg1::ShowPreview()
{
    // The decoder reads a private plain copy; the seal file stays as it is.
    const std::string path = store_->ImagePath(static_cast<std::size_t>(SelectedPosition()));
    const std::optional<UnscrambledCopy> plain = path.empty() ? std::nullopt : UnscrambledCopy::Make(path);
    preview_->LoadBitmap(plain ? QString::fromStdString(plain->Path()) : QString());
    const QSize size = preview_->BitmapSize();
    size_->setText(preview_->IsLoaded() ? QString::fromStdString(SealSizeText(size.width(), size.height()))
                                        : QString());
}

void CZManagerDlg1::accept()
{
    chosenPath_ = QString::fromStdString(store_->ImagePath(static_cast<std::size_t>(SelectedPosition())));
    QDialog::accept();
}

void CZManagerDlg1::AddSeal()
{
    CZAddDlg add(this);
    if (CurrentPrompter().RunDialog(add) != QDialog::Accepted || add.FileName().isEmpty())
        return;
    if (store_->Add(add.Caption().toStdString(), add.ImagePath().toStdString()) != SealStore::AddResult::Added) {
        ShowMessage(LoadText(kUnsupportedSealText));
        return;
    }
    list_->addItem(add.Caption());
}

void CZManagerDlg1::DeleteSeal()
{
    const int position = list_->currentRow();
    if (position < 0)
        return;
    if (store_->Remove(static_cast<std::size_t>(position)))
        std::unique_ptr<QListWidgetItem>(list_->takeItem(position)); // the list gives the item up
}

void CZManagerDlg1::ChangePassword()
{
    AgentPort& agent = context_.Agent();
    if (!agent.isRun())
        return;
    if (context_.accountPath.empty()) {
        ShowMessage(QStringLiteral("11"));
        return;
    }
    SealAccountFile accounts(context_.Directory());
    const std::string faxUser = accounts.FaxUser(context_.accountPath);
    if (faxUser.empty()) {
        ShowMessage(LoadText(kWrongPasswordText));
        return;
    }
    CChangePasswordDlg change(this, &agent);
    change.SetCommand(QStringLiteral("changepassword-z"));
    change.SetFaxUser(QString::fromStdString(faxUser));
    change.SetOldPassword(QString::fromStdString(accounts.StoredPassword(context_.accountPath)));
    change.SetCurrentPassword(QString());
    if (CurrentPrompter().RunDialog(change) == QDialog::Accepted)
        ShowMessage(LoadText(kPasswordChangedText));
}

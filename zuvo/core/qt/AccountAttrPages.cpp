// The account settings pages: controls named after their ids, filled from
// and read back into AccountSettings.

#include "core/qt/AccountAttrPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QVBoxLayout>

#include <memory>

#include "core/qt/AccessPasswordDlg.h"
#include "core/qt/ChangePasswordDlg.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "core/session/AgentHelp.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/ProfileFile.h"
#include "core/stores/SysConfig.h"

namespace {

// String-table ids of the page texts.
enum : unsigned {
    IDS_NETFAX_SERVER = 32806,
    IDS_USE_PROXY = 32780,
    IDS_DEFAULT_ACCOUNT = 32781,
    IDS_CHANGE_PASSWORD = 32782,
    IDS_USER = 32783,
    IDS_PASSWORD = 32784,
    IDS_HEADER_NAME = 32811,
    IDS_HEADER_FAX_NUMBER = 32812,
    IDS_ADD_HEADER = 32813,
    IDS_RECIPIENT_INFO = 32814,
    IDS_FAX_FROM = 32818,
    IDS_SEND_PROMPT = 32836,
    IDS_NO_PROMPT = 32837,
    IDS_STANDARD_PROMPT = 32838,
    IDS_CUSTOM_PROMPT = 32839,
    IDS_FAX_PAGE_MODE = 61531,
    IDS_FINE_MODE = 61532,
    IDS_NORMAL_MODE = 61533,
    IDS_ENTERPRISE_CODE = 61548,
    IDS_AREA_CODE = 61549,
    IDS_VOICE_PROMPT = 61568,
    IDS_ACCESS_LOCK = 61580,
    IDS_ACCESS_PASSWORD = 61581,
};

constexpr const char* kFormatSection = "format";
constexpr const char* kResolutionKey = "tiffresolution";
const QString kSoundFilter = QStringLiteral("All Files (*.*)|*.*|Wav Files(*.wav)|*.wav||");

QString Text(const std::string& text) { return QString::fromStdString(text); }
std::string Std(const QString& text) { return text.toStdString(); }

template <class Control>
Control* Named(Control* control, int id, const QString& accessibleName = {})
{
    control->setObjectName(QString::number(id));
    if (!accessibleName.isEmpty())
        control->setAccessibleName(accessibleName);
    return control;
}

QLabel* Label(QWidget* parent, int id, const QString& text)
{
    return Named(new QLabel(text, parent), id);
}

QLineEdit* Edit(QWidget* parent, int id, const QString& label, QFormLayout& form)
{
    auto* edit = Named(new QLineEdit(parent), id, label);
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    form.addRow(caption, edit);
    return edit;
}

QLineEdit* NumberEdit(QWidget* parent, int id, const QString& label, QFormLayout& form)
{
    QLineEdit* edit = Edit(parent, id, label, form);
    edit->setValidator(new QIntValidator(0, 65535, edit));
    return edit;
}

} // namespace

// ---- account page ---------------------------------------------------------

CAccountAttrPage::CAccountAttrPage(const AccountSheetServices& services, QWidget* parent)
    : QWidget(parent), services_(services), config_(services.config ? *services.config : SysConfig::Instance())
{
    auto* columns = new QHBoxLayout(this);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    areaCode_ = Edit(this, 1146, LoadText(IDS_AREA_CODE), *left);
    number_ = Edit(this, 1147, LoadText(IDS_ENTERPRISE_CODE), *left);
    rest_ = Edit(this, 1124, LoadText(IDS_USER), *left);
    password_ = Named(new QLineEdit(this), 1126, LoadText(IDS_PASSWORD));
    password_->setEchoMode(QLineEdit::Password);
    password_->setReadOnly(true);  // changed through the change-password dialog
    left->addRow(Label(this, 1125, LoadText(IDS_PASSWORD)), password_);
    auto* changePassword = Named(new QPushButton(LoadText(IDS_CHANGE_PASSWORD), this), 1168);
    left->addRow(QString(), changePassword);
    directory_ = Edit(this, 1144, QStringLiteral("存放路径："), *left);
    isDefault_ = Named(new QCheckBox(LoadText(IDS_DEFAULT_ACCOUNT), this), 1143);
    left->addRow(QString(), isDefault_);
    server_ = Named(new QComboBox(this), 1189, LoadText(IDS_NETFAX_SERVER));
    left->addRow(Label(this, 1190, LoadText(IDS_NETFAX_SERVER)), server_);
    useProxy_ = Named(new QCheckBox(LoadText(IDS_USE_PROXY), this), 1193);
    left->addRow(QString(), useProxy_);
    proxyHost_ = Edit(this, 1140, QStringLiteral("代理服务器："), *left);
    proxyPort_ = NumberEdit(this, 1145, QStringLiteral("代理端口："), *left);
    accessLock_ = Named(new QCheckBox(LoadText(IDS_ACCESS_LOCK), this), 1220);
    left->addRow(QString(), accessLock_);
    accessPassword_ = Named(new QLineEdit(this), 1222, LoadText(IDS_ACCESS_PASSWORD));
    accessPassword_->setEchoMode(QLineEdit::Password);
    left->addRow(new QLabel(LoadText(IDS_ACCESS_PASSWORD), this), accessPassword_);

    faxEMail_ = Edit(this, 1128, QStringLiteral("传真服务器地址："), *right);
    replyEMail_ = Edit(this, 1138, QStringLiteral("传真回复地址："), *right);
    smtpHost_ = Edit(this, 1130, QStringLiteral("SMTP服务器地址："), *right);
    smtpPort_ = NumberEdit(this, 1132, QStringLiteral("SMTP服务端口："), *right);
    smtpUser_ = Edit(this, 1134, QStringLiteral("SMTP用户："), *right);
    smtpPassword_ = Edit(this, 1136, QStringLiteral("口令："), *right);
    smtpPassword_->setEchoMode(QLineEdit::Password);
    auto* mode = Named(new QGroupBox(LoadText(IDS_FAX_PAGE_MODE), this), 1197);
    fine_ = Named(new QRadioButton(LoadText(IDS_FINE_MODE), mode), 1195);
    normal_ = Named(new QRadioButton(LoadText(IDS_NORMAL_MODE), mode), 1196);
    auto* modeRows = new QVBoxLayout(mode);
    modeRows->addWidget(fine_);
    modeRows->addWidget(normal_);
    right->addRow(mode);

    connect(server_, &QComboBox::activated, this, &CAccountAttrPage::OnServerChanged);
    connect(useProxy_, &QCheckBox::clicked, this, &CAccountAttrPage::OnUseProxy);
    connect(fine_, &QRadioButton::clicked, this, [this] { OnFaxMode(true); });
    connect(normal_, &QRadioButton::clicked, this, [this] { OnFaxMode(false); });
    connect(changePassword, &QPushButton::clicked, this, &CAccountAttrPage::OnChangePassword);
    connect(accessLock_, &QCheckBox::clicked, this, &CAccountAttrPage::OnAccessLock);

    // The values before the account's are filled in.
    password_->setText(QStringLiteral("582906"));
    smtpPassword_->setText(QStringLiteral("582906"));
    smtpPort_->setText(QStringLiteral("25"));
    proxyPort_->setText(QStringLiteral("9000"));
    areaCode_->setText(QStringLiteral("0086"));
}

void CAccountAttrPage::Load(const AccountSettings& s)
{
    storedFaxUser_ = s.faxUser;
    faxPassword_ = Text(s.faxPassword);
    passwordChanged_ = false;
    faxEMail_->setText(Text(s.faxEMail));
    areaCode_->setText(Text(s.faxUserParts.areaCode));
    number_->setText(Text(s.faxUserParts.number));
    rest_->setText(Text(s.faxUserParts.rest));
    password_->setText(faxPassword_);
    replyEMail_->setText(Text(s.replyEMail));
    smtpHost_->setText(Text(s.smtpHost));
    smtpPort_->setText(QString::number(s.smtpPort));
    smtpPassword_->setText(Text(s.smtpPassword));
    smtpUser_->setText(Text(s.smtpUser));
    directory_->setText(Text(s.directory));
    isDefault_->setChecked(s.isDefault);

    accessPassword_->setText(Text(s.accessPassword));
    accessLock_->setChecked(s.enableAccess);
    accessPassword_->setEnabled(s.enableAccess);

    // Every slot with a caption, carrying its slot + 1.
    server_->clear();
    FaxServerTable& servers = config_.Servers();
    for (int slot = 0; slot < FaxServerTable::kSlots; ++slot) {
        const FaxServerEntry entry = servers.Get(slot);
        if (!entry.caption.empty())
            server_->addItem(Text(entry.caption), slot + 1);
    }
    serverIndex_ = s.faxServer;
    servers.SetCurrentIndex(serverIndex_);
    server_->setCurrentIndex(server_->findData(serverIndex_ + 1));

    useProxy_->setChecked(s.proxyFlag);
    proxyHost_->setText(Text(s.proxyServer));
    proxyPort_->setText(QString::number(s.proxyPort));
    OnUseProxy(s.proxyFlag);

    const bool fine = ReadProfileInt(services_.faxPrintIni, kFormatSection, kResolutionKey, 1) == 1;
    (fine ? fine_ : normal_)->setChecked(true);
}

void CAccountAttrPage::Store(AccountSettings& s) const
{
    s.faxEMail = Std(faxEMail_->text());
    s.faxUserParts = FaxUserParts{Std(areaCode_->text()), Std(number_->text()), Std(rest_->text())};
    s.faxPassword = Std(faxPassword_);
    s.replyEMail = Std(replyEMail_->text());
    s.smtpHost = Std(smtpHost_->text());
    s.smtpPort = smtpPort_->text().toInt();
    s.smtpPassword = Std(smtpPassword_->text());
    s.smtpUser = Std(smtpUser_->text());
    s.directory = Std(directory_->text());
    s.isDefault = isDefault_->isChecked();
    s.faxServer = serverIndex_;
    s.proxyFlag = useProxy_->isChecked();
    s.proxyServer = Std(proxyHost_->text());
    s.proxyPort = proxyPort_->text().toInt();
    s.enableAccess = accessLock_->isChecked();
    s.accessPassword = Std(accessPassword_->text());
}

void CAccountAttrPage::OnServerChanged(int position)
{
    // The item's data is its slot + 1: slots without a caption have no item.
    const QVariant data = server_->itemData(position);
    if (!data.isValid())
        return;
    serverIndex_ = data.toInt() - 1;
    config_.Servers().SetCurrentIndex(serverIndex_);
}

void CAccountAttrPage::OnUseProxy(bool checked)
{
    proxyHost_->setEnabled(checked);
    proxyPort_->setEnabled(checked);
    server_->setEnabled(!checked);
}

void CAccountAttrPage::OnFaxMode(bool fine)
{
    WriteProfileString(services_.faxPrintIni, kFormatSection, kResolutionKey, fine ? "1" : "0");
}

void CAccountAttrPage::OnChangePassword()
{
    CChangePasswordDlg dialog(this, services_.agent);
    dialog.SetCommand(QStringLiteral("changepassword"));
    dialog.SetFaxUser(Text(storedFaxUser_));
    dialog.SetOldPassword(faxPassword_);
    dialog.SetCurrentPassword(faxPassword_);
    if (CurrentPrompter().RunDialog(dialog) == QDialog::Accepted) {
        faxPassword_ = dialog.NewPassword();
        passwordChanged_ = true;
    }
    if (services_.setAutoReceiveMark)
        services_.setAutoReceiveMark();
    password_->setText(faxPassword_);
}

void CAccountAttrPage::OnAccessLock(bool checked)
{
    if (checked) {
        accessPassword_->setEnabled(true);
        return;
    }
    if (!RunAccessCheck(this))
        accessLock_->setChecked(true);
    accessPassword_->setEnabled(false);
}

// ---- header page ----------------------------------------------------------

CAccountFaxInfoPage::CAccountFaxInfoPage(const AccountSheetServices& services, QWidget* parent)
    : QWidget(parent), services_(services)
{
    auto* layout = new QVBoxLayout(this);
    use_ = Named(new QCheckBox(LoadText(IDS_ADD_HEADER), this), 1161);
    layout->addWidget(use_);
    auto* recipient = Named(new QGroupBox(LoadText(IDS_RECIPIENT_INFO), this), 1178);
    auto* recipientRow = new QHBoxLayout(recipient);
    toName_ = Named(new QCheckBox(LoadText(IDS_HEADER_NAME), recipient), 1164);
    toFaxNum_ = Named(new QCheckBox(LoadText(IDS_HEADER_FAX_NUMBER), recipient), 1165);
    recipientRow->addWidget(toName_);
    recipientRow->addWidget(toFaxNum_);
    recipientRow->addStretch(1);
    layout->addWidget(recipient);
    auto* from = Named(new QGroupBox(LoadText(IDS_FAX_FROM), this), 1177);
    auto* fromForm = new QFormLayout(from);
    fromName_ = Edit(from, 1166, QStringLiteral("传真来自："), *fromForm);
    fromFaxNum_ = Edit(from, 1167, QStringLiteral("来自传真号码："), *fromForm);
    layout->addWidget(from);

    auto* prompt = Named(new QGroupBox(LoadText(IDS_SEND_PROMPT), this), 1188);
    auto* promptRows = new QVBoxLayout(prompt);
    const unsigned texts[3] = {IDS_NO_PROMPT, IDS_STANDARD_PROMPT, IDS_CUSTOM_PROMPT};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = Named(new QRadioButton(LoadText(texts[i]), prompt), 1184 + i);
        promptRows->addWidget(modes_[i]);
        connect(modes_[i], &QRadioButton::clicked, this, [this, i] { SetPromptMode(i + 1); });
    }
    promptText_ = Named(new QTextEdit(prompt), 1187, LoadText(IDS_CUSTOM_PROMPT));
    promptText_->setAcceptRichText(false);
    promptText_->setFixedHeight(60);
    promptRows->addWidget(promptText_);
    record_ = Named(new QPushButton(LoadText(IDS_VOICE_PROMPT), prompt), 1217);
    promptRows->addWidget(record_, 0, Qt::AlignLeft);
    layout->addWidget(prompt);
    layout->addStretch(1);

    for (QCheckBox* box : {use_, toName_, toFaxNum_})
        connect(box, &QCheckBox::toggled, this, [this] { EnableSender(); });
    connect(promptText_, &QTextEdit::textChanged, this, &CAccountFaxInfoPage::OnPromptTextChanged);
    connect(record_, &QPushButton::clicked, this, &CAccountFaxInfoPage::OnRecord);
    EnableSender();
    SetPromptMode(kPromptNone);
}

void CAccountFaxInfoPage::EnableSender()
{
    const bool used = use_->isChecked();
    toName_->setEnabled(used);
    toFaxNum_->setEnabled(used);
    fromName_->setEnabled(used && toName_->isChecked());
    fromFaxNum_->setEnabled(used && toFaxNum_->isChecked());
}

void CAccountFaxInfoPage::Load(const AccountSettings& s)
{
    use_->setChecked(s.isUse);
    toName_->setChecked(s.isToName);
    toFaxNum_->setChecked(s.isToFaxNum);
    fromName_->setText(Text(s.fromName));
    fromFaxNum_->setText(Text(s.fromFaxNum));
    storedPromptText_ = s.promptText;
    {
        const QSignalBlocker quiet(promptText_);
        promptText_->setPlainText(Text(s.promptText));
    }
    SetPromptMode(s.promptMode);
    modified_ = false;
}

void CAccountFaxInfoPage::Store(AccountSettings& s) const
{
    s.isUse = use_->isChecked();
    s.isToName = toName_->isChecked();
    s.isToFaxNum = toFaxNum_->isChecked();
    s.fromName = Std(fromName_->text());
    s.fromFaxNum = Std(fromFaxNum_->text());
    s.promptMode = promptMode_;
    s.promptText = promptMode_ == kPromptCustom ? CutPromptText(Std(promptText_->toPlainText())) : storedPromptText_;
}

void CAccountFaxInfoPage::SetPromptMode(int mode)
{
    if (mode < kPromptNone || mode > kPromptCustom)
        mode = kPromptNone;
    promptMode_ = mode;
    modes_[mode - 1]->setChecked(true);
    const bool custom = mode == kPromptCustom;
    promptText_->setEnabled(custom);
    record_->setEnabled(custom);
}

void CAccountFaxInfoPage::OnPromptTextChanged()
{
    modified_ = true;
    const std::string text = Std(promptText_->toPlainText());
    const std::string kept = CutPromptText(text);
    if (kept == text)
        return;
    const QSignalBlocker quiet(promptText_);
    promptText_->setPlainText(Text(kept));
    promptText_->moveCursor(QTextCursor::End);
}

void CAccountFaxInfoPage::OnRecord()
{
    if (services_.openVoicePrompt)
        services_.openVoicePrompt(this);
}

// ---- mail page ------------------------------------------------------------

CAccountRcvMailPage::CAccountRcvMailPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    pop3Host_ = Edit(this, 1151, QStringLiteral("接收邮件服务器："), *form);
    pop3Port_ = NumberEdit(this, 1153, QStringLiteral("端口："), *form);
    pop3User_ = Edit(this, 1155, QStringLiteral("用户："), *form);
    pop3Password_ = Edit(this, 1157, QStringLiteral("用户密码："), *form);
    pop3Password_->setEchoMode(QLineEdit::Password);
    pop3EMail_ = Edit(this, 1159, QStringLiteral("接收邮件地址："), *form);

    auto* forward = new QGridLayout;
    address_ = Named(new QLineEdit(this), 1001, QStringLiteral("转发邮箱地址:"));
    auto* addressLabel = new QLabel(QStringLiteral("转发邮箱地址:"), this);
    addressLabel->setBuddy(address_);
    auto* add = Named(new QPushButton(QStringLiteral("添加"), this), 1203);
    auto* remove = Named(new QPushButton(QStringLiteral("删除"), this), 1205);
    addresses_ = Named(new QListWidget(this), 1204, QStringLiteral("转发邮箱地址"));
    addresses_->setFixedHeight(60);
    forward->addWidget(addressLabel, 0, 0);
    forward->addWidget(address_, 0, 1);
    forward->addWidget(add, 0, 2);
    forward->addWidget(addresses_, 1, 1);
    forward->addWidget(remove, 1, 2, Qt::AlignTop);
    layout->addLayout(forward);

    auto* sounds = new QGroupBox(QStringLiteral("提示音"), this);
    auto* soundGrid = new QGridLayout(sounds);
    soundSwitch_ = Named(new QCheckBox(QStringLiteral("打开语音提示"), sounds), 1216);
    soundGrid->addWidget(soundSwitch_, 0, 0, 1, 3);
    const QString labels[2] = {QStringLiteral("接收传真提示音:"), QStringLiteral("回执提示音:")};
    for (int i = 0; i < 2; ++i) {
        sounds_[i] = Named(new QLineEdit(sounds), 1211 + i, labels[i]);
        auto* browse = Named(new QPushButton(QStringLiteral("..."), sounds), 1207 + 2 * i, labels[i]);
        soundGrid->addWidget(new QLabel(labels[i], sounds), i + 1, 0);
        soundGrid->addWidget(sounds_[i], i + 1, 1);
        soundGrid->addWidget(browse, i + 1, 2);
        connect(browse, &QPushButton::clicked, this, [this, i] { OnBrowse(i); });
    }
    layout->addWidget(sounds);

    auto* notice = new QGroupBox(QStringLiteral("短信通知"), this);
    auto* noticeForm = new QFormLayout(notice);
    sms_ = Edit(notice, 1215, QStringLiteral("短信通知地址:"), *noticeForm);
    layout->addWidget(notice);
    // Shown by nothing in this program: the page always has its data.
    auto* noData = Label(this, 1179, QStringLiteral("无信息，或是你没有权限访问该页数据！"));
    noData->hide();
    layout->addStretch(1);

    connect(add, &QPushButton::clicked, this, &CAccountRcvMailPage::OnAddAddress);
    connect(remove, &QPushButton::clicked, this, &CAccountRcvMailPage::OnRemoveAddress);
    connect(soundSwitch_, &QCheckBox::clicked, this, &CAccountRcvMailPage::OnSoundSwitch);
}

void CAccountRcvMailPage::Load(const AccountSettings& s)
{
    pop3Host_->setText(Text(s.pop3Host));
    pop3Port_->setText(QString::number(s.pop3Port));
    pop3User_->setText(Text(s.pop3User));
    pop3Password_->setText(Text(s.pop3Password));
    pop3EMail_->setText(Text(s.pop3EMail));
    sounds_[0]->setText(Text(AccountConfig::GetRcvFaxNotifyFile()));
    sounds_[1]->setText(Text(AccountConfig::GetFaxReplyNotifyFile()));
    const bool on = !sounds_[0]->text().isEmpty();
    soundSwitch_->setChecked(on);
    sounds_[0]->setEnabled(on);
    sounds_[1]->setEnabled(on);
}

void CAccountRcvMailPage::Store(AccountSettings& s) const
{
    s.pop3Host = Std(pop3Host_->text());
    s.pop3Port = pop3Port_->text().toInt();
    s.pop3User = Std(pop3User_->text());
    s.pop3Password = Std(pop3Password_->text());
    s.pop3EMail = Std(pop3EMail_->text());
}

void CAccountRcvMailPage::OnBrowse(int which)
{
    FileRequest request;
    request.filter = kSoundFilter;
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return;
    sounds_[which]->setText(chosen->path);
    if (which == 0)
        AccountConfig::SetRcvFaxNotifyFile(Std(chosen->path));
    else
        AccountConfig::SetFaxReplyNotifyFile(Std(chosen->path));
    AccountConfig::Save();
}

void CAccountRcvMailPage::OnSoundSwitch(bool on)
{
    sounds_[0]->setEnabled(on);
    sounds_[1]->setEnabled(on);
    AccountConfig::SetRcvFaxNotifyFile(on ? Std(sounds_[0]->text()) : std::string());
    AccountConfig::SetFaxReplyNotifyFile(on ? Std(sounds_[1]->text()) : std::string());
    AccountConfig::Save();
}

void CAccountRcvMailPage::OnAddAddress()
{
    addresses_->addItem(address_->text());
}

void CAccountRcvMailPage::OnRemoveAddress()
{
    std::unique_ptr<QListWidgetItem> removed(addresses_->takeItem(addresses_->currentRow()));
}

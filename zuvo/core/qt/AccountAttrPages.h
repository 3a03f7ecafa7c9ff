#pragma once

// The three pages of the account settings sheet: the account and its
// server, proxy and access lock; the page header and the prompt played to
// the sender; incoming mail and the notification sounds. Each page is
// filled from AccountSettings and gives its values back; the few settings
// that change at once (the server choice, the fax page mode, the sounds)
// are written by the pages themselves.

#include <QString>
#include <QWidget>

#include <functional>
#include <string>

#include "core/stores/AccountSettings.h"

class AgentPort;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTextEdit;
class SysConfig;

// What the pages use of the rest of the program.
struct AccountSheetServices {
    SysConfig* config = nullptr;     // the server table and Current; SysConfig::Instance() when null
    AgentPort* agent = nullptr;      // of the change-password dialog; AgentHelp's when null
    std::string faxPrintIni;         // FaxPrint.ini of the program directory
    // Opens the voice prompt dialog modally over the page.
    std::function<void(QWidget* parent)> openVoicePrompt;
    // The main window's auto-receive mark, set after a password change.
    std::function<void()> setAutoReceiveMark;
};

class CAccountAttrPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kResourceId = 218;

    CAccountAttrPage(const AccountSheetServices& services, QWidget* parent = nullptr);

    void Load(const AccountSettings& settings);
    // The page's values written into settings.
    void Store(AccountSettings& settings) const;

    // 1 after the change-password dialog ended with OK in this run of the page.
    int IsPasswordChanged() const { return passwordChanged_ ? 1 : 0; }
    int ServerIndex() const { return serverIndex_; }

    // The controls' commands.
    void OnServerChanged(int position);
    void OnUseProxy(bool checked);
    void OnFaxMode(bool fine);
    void OnChangePassword();
    void OnAccessLock(bool checked);

private:
    AccountSheetServices services_;
    SysConfig& config_;
    std::string storedFaxUser_;
    QString faxPassword_;
    bool passwordChanged_ = false;
    int serverIndex_ = 0;

    QLineEdit* faxEMail_ = nullptr;
    QLineEdit* rest_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* replyEMail_ = nullptr;
    QLineEdit* smtpHost_ = nullptr;
    QLineEdit* smtpPort_ = nullptr;
    QLineEdit* smtpPassword_ = nullptr;
    QLineEdit* smtpUser_ = nullptr;
    QLineEdit* directory_ = nullptr;
    QCheckBox* isDefault_ = nullptr;
    QComboBox* server_ = nullptr;
    QLineEdit* proxyHost_ = nullptr;
    QCheckBox* useProxy_ = nullptr;
    QLineEdit* proxyPort_ = nullptr;
    QLineEdit* number_ = nullptr;
    QLineEdit* areaCode_ = nullptr;
    QLineEdit* accessPassword_ = nullptr;
    QCheckBox* accessLock_ = nullptr;
    QRadioButton* fine_ = nullptr;
    QRadioButton* normal_ = nullptr;
};

class CAccountFaxInfoPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kResourceId = 236;

    CAccountFaxInfoPage(const AccountSheetServices& services, QWidget* parent = nullptr);

    void Load(const AccountSettings& settings);
    void Store(AccountSettings& settings) const;

    int GetPromptMode() const { return promptMode_; }
    void SetPromptMode(int mode);

    void OnPromptTextChanged();
    void OnRecord();

private:
    void EnableSender();

    AccountSheetServices services_;
    int promptMode_ = kPromptNone;
    std::string storedPromptText_;
    bool modified_ = false;

    QCheckBox* use_ = nullptr;
    QCheckBox* toName_ = nullptr;
    QCheckBox* toFaxNum_ = nullptr;
    QLineEdit* fromName_ = nullptr;
    QLineEdit* fromFaxNum_ = nullptr;
    QRadioButton* modes_[3] = {};
    QTextEdit* promptText_ = nullptr;
    QPushButton* record_ = nullptr;
};

class CAccountRcvMailPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kResourceId = 235;

    explicit CAccountRcvMailPage(QWidget* parent = nullptr);

    void Load(const AccountSettings& settings);
    void Store(AccountSettings& settings) const;

    void OnBrowse(int which);
    void OnSoundSwitch(bool on);
    void OnAddAddress();
    void OnRemoveAddress();

private:
    QLineEdit* pop3Host_ = nullptr;
    QLineEdit* pop3Port_ = nullptr;
    QLineEdit* pop3User_ = nullptr;
    QLineEdit* pop3Password_ = nullptr;
    QLineEdit* pop3EMail_ = nullptr;
    QLineEdit* address_ = nullptr;
    QListWidget* addresses_ = nullptr;
    QLineEdit* sounds_[2] = {};
    QCheckBox* soundSwitch_ = nullptr;
    QLineEdit* sms_ = nullptr;
};

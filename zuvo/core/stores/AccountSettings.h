#pragma once

#include <optional>
#include <string>

class SysConfig;

// The values that the account properties show and change, read from
// account.xml and written back to it, without the windows that show them.
//
// Every value but the proxy and the access lock is the selected account's
// ("Account[%d]"); the proxy and the lock are always the default account's,
// whichever account is shown. Passwords are held decoded (UTF-8) and stored
// in Base64.

// The fax user as it is shown: the area code (its first 4 characters), the
// number (characters 5 to 14, shown as a decimal number without leading
// zeros) and the rest (the characters from the 15th on).
struct FaxUserParts {
    std::string areaCode;
    std::string number;
    std::string rest;

    bool operator==(const FaxUserParts&) const = default;
};

FaxUserParts SplitFaxUser(const std::string& faxUser);

// The fax user stored from its parts, "%04d%010ld%s". Nothing when the area
// code has more than 4 digits, the number more than 10, or either holds
// anything but digits (an empty one counts as 0).
std::optional<std::string> JoinFaxUser(const FaxUserParts& parts);

// Longest custom prompt text kept whole, in GBK bytes; a longer one is cut
// at a character boundary within its first 99 bytes.
inline constexpr std::size_t kPromptTextLimit = 100;
std::string CutPromptText(const std::string& text);

// Prompt modes of the header page (Tag).
enum PromptMode { kPromptNone = 1, kPromptStandard = 2, kPromptCustom = 3 };

struct AccountSettings {
    // account page
    std::string name;
    std::string faxUser;      // as stored, for the identity test
    FaxUserParts faxUserParts;
    std::string faxPassword;  // decoded
    std::string faxEMail;
    std::string smtpHost;
    int smtpPort = 25;
    std::string smtpUser;
    std::string smtpPassword; // decoded
    std::string replyEMail;
    std::string directory;
    bool isDefault = false;
    int faxServer = 0;        // slot of the server table
    bool proxyFlag = false;   // the default account's
    std::string proxyServer;
    int proxyPort = 9000;
    bool enableAccess = false; // the default account's
    std::string accessPassword; // decoded
    // header page
    bool isUse = false;
    bool isToName = false;
    bool isToFaxNum = false;
    std::string fromName;
    std::string fromFaxNum;
    int promptMode = kPromptNone; // Tag
    std::string promptText;       // TagContent
    // mail page (shown, never written by the sheet)
    std::string pop3Host;
    int pop3Port = 110;
    std::string pop3User;
    std::string pop3Password; // decoded
    std::string pop3EMail;
};

// The values of the account at accountPath (reload the store first).
// Nothing when the account does not exist.
std::optional<AccountSettings> ReadAccountSettings(const std::string& accountPath);

// Why a confirmed sheet is not written: the fax user's parts do not form a
// fax user, or the account is the only default one and would stop being it.
enum class SettingsRefusal { None, BadFaxUser, LastDefaultAccount };

// What a write did.
struct SettingsWrite {
    bool saved = false;
    bool identityChanged = false;
};

class AccountSettingsWriter {
public:
    // shown: the values the sheet was filled with; servers: config.xml,
    // whose Current follows the chosen server.
    AccountSettingsWriter(std::string accountPath, AccountSettings shown, SysConfig& servers);

    // The fax user to store for the edited parts: the stored one byte for
    // byte while the parts are those shown, else the parts joined (nothing
    // when they do not form a fax user).
    std::optional<std::string> FaxUserFor(const FaxUserParts& edited) const;

    // Whether a confirmed sheet with these values may be written.
    SettingsRefusal Check(const AccountSettings& edited) const;

    // The sheet was confirmed: writes every value of the sheet but the mail
    // settings and saves. Nothing is written when Check refuses.
    SettingsWrite WriteConfirmed(const AccountSettings& edited);

    // The sheet was cancelled after the password was changed at the server:
    // stores the identity (fax user, password, server, proxy) and the
    // prompt, and saves. A fax user whose parts do not form one stays as
    // stored.
    SettingsWrite WriteAfterCancel(const AccountSettings& edited);

private:
    // The attributes that both paths create when missing.
    void CreateIdentityAttributes();
    void WriteServer(int slot);
    bool IdentityChanged(const std::string& faxUser, bool proxyFlag) const;
    SettingsWrite Finish(bool identityChanged);

    std::string path_;
    AccountSettings shown_;
    SysConfig& servers_;
};

// AccessKey: the MD5 digest in hexadecimal of
// "KOBRET%05d%sLUMIVATREX" with EnableAccess and the Base64 access password.
std::string AccessKeyFor(int enableAccess, const std::string& base64Password);

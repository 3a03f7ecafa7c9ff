// The account properties without their windows: reading an account's values,
// the fax user split for showing and joined for storing, the identity test,
// and the write-back in the order the store has always been written.

#include "core/stores/AccountSettings.h"

#include <charconv>
#include <cstdio>

#include "core/TextUtil.h"
#include "core/codec/Base64.h"
#include "core/codec/Md5.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/SysConfig.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

constexpr std::size_t kAreaCodeDigits = 4;
constexpr std::size_t kNumberDigits = 10;

bool AllDigits(const std::string& text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The value of the digits at the start of text (0 when there are none).
unsigned long long LeadingNumber(std::string_view text)
{
    unsigned long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

const char* YesNo(bool value) { return value ? "yes" : "no"; }
const char* OneZero(bool value) { return value ? "1" : "0"; }

} // namespace

FaxUserParts SplitFaxUser(const std::string& faxUser)
{
    FaxUserParts parts;
    parts.areaCode = faxUser.substr(0, kAreaCodeDigits);
    if (faxUser.size() > kAreaCodeDigits) {
        const std::string_view number = std::string_view(faxUser).substr(kAreaCodeDigits, kNumberDigits);
        parts.number = std::to_string(LeadingNumber(number));
    }
    if (faxUser.size() > kAreaCodeDigits + kNumberDigits)
        parts.rest = faxUser.substr(kAreaCodeDigits + kNumberDigits);
    return parts;
}

std::optional<std::string> JoinFaxUser(const FaxUserParts& parts)
{
    if (parts.areaCode.size() > kAreaCodeDigits || parts.number.size() > kNumberDigits ||
        !AllDigits(parts.areaCode) || !AllDigits(parts.number))
        return std::nullopt;
    char digits[kAreaCodeDigits + kNumberDigits + 1];
    std::snprintf(digits, sizeof digits, "%04llu%010llu", LeadingNumber(parts.areaCode), LeadingNumber(parts.number));
    return std::string(digits) + parts.rest;
}

std::string CutPromptText(const std::string& text)
{
    return CutGbkText(text, kPromptTextLimit);
}

std::string AccessKeyFor(int enableAccess, const std::string& base64Password)
{
    return MD5HexString(ToGbk(FormatText("KOBRET%05d%sLUMIVATREX", enableAccess, base64Password.c_str())));
}

std::optional<AccountSettings> ReadAccountSettings(const std::string& path)
{
    if (path.empty() || AccountConfig::GetNodeCount(path) < 1)
        return std::nullopt;
    auto text = [&](const char* name) { return AccountConfig::GetAttr(path, name); };
    auto number = [&](const char* name, int missing) {
        return AccountConfig::HasAttr(path, name) ? AccountConfig::GetAttrInt(path, name) : missing;
    };
    AccountSettings s;
    s.name = text("Name");
    s.faxUser = text("FaxUser");
    s.faxUserParts = SplitFaxUser(s.faxUser);
    s.faxPassword = Base64Decode(text("FaxPassword"));
    s.faxEMail = text("FaxEMail");
    s.smtpHost = text("SmtpHost");
    s.smtpPort = number("SmtpPort", 25);
    s.smtpUser = text("SmtpUser");
    s.smtpPassword = Base64Decode(text("SmtpPassword"));
    s.replyEMail = text("ReplyEMail");
    s.directory = text("Directory");
    s.isDefault = EqualsNoCase(text("Default"), "yes");
    s.faxServer = number("FaxServer", 0);
    s.pop3Host = text("Pop3Host");
    s.pop3Port = number("Pop3Port", 110);
    s.pop3User = text("Pop3User");
    s.pop3Password = Base64Decode(text("Pop3Password"));
    s.pop3EMail = text("Pop3EMail");
    s.fromName = text("FromName");
    s.fromFaxNum = text("FromFaxNum");
    s.isToFaxNum = number("IsToFaxNum", 0) != 0;
    s.isToName = number("IsToName", 0) != 0;
    s.isUse = number("IsUse", 0) != 0;
    s.promptMode = number("Tag", kPromptNone);
    s.promptText = text("TagContent");
    s.proxyFlag = AccountConfig::GetProxyFlag() == 1;
    s.proxyServer = AccountConfig::GetProxyServer();
    s.proxyPort = AccountConfig::GetProxyPort();
    s.enableAccess = AccountConfig::GetEnableAccess() != 0;
    s.accessPassword = Base64Decode(AccountConfig::GetAccessPassword());
    return s;
}

AccountSettingsWriter::AccountSettingsWriter(std::string accountPath, AccountSettings shown, SysConfig& servers)
    : path_(std::move(accountPath)), shown_(std::move(shown)), servers_(servers)
{
}

std::optional<std::string> AccountSettingsWriter::FaxUserFor(const FaxUserParts& edited) const
{
    if (edited == shown_.faxUserParts)
        return shown_.faxUser;
    return JoinFaxUser(edited);
}

SettingsRefusal AccountSettingsWriter::Check(const AccountSettings& edited) const
{
    if (!FaxUserFor(edited.faxUserParts))
        return SettingsRefusal::BadFaxUser;
    if (shown_.isDefault && !edited.isDefault) {
        // Another account marked Default keeps the program logging in.
        int defaults = 0;
        const int accounts = AccountConfig::GetNodeCount("Account");
        for (int i = 0; i < accounts; ++i)
            if (EqualsNoCase(AccountConfig::GetAttr(FormatText("Account[%d]", i), "Default"), "yes"))
                ++defaults;
        if (defaults <= 1)
            return SettingsRefusal::LastDefaultAccount;
    }
    return SettingsRefusal::None;
}

void AccountSettingsWriter::CreateIdentityAttributes()
{
    for (const char* name : {"FaxUser", "FaxPassword", "Tag", "TagContent", "Directory"})
        if (!AccountConfig::HasAttr(path_, name))
            AccountConfig::CreateAttr(path_, name);
}

void AccountSettingsWriter::WriteServer(int slot)
{
    AccountConfig::PutAttr(path_, "FaxServer", std::to_string(slot));
    servers_.Servers().SetCurrentIndex(slot);
    servers_.SetCurrentServer(slot);
}

bool AccountSettingsWriter::IdentityChanged(const std::string& faxUser, bool proxyFlag) const
{
    return !EqualsNoCase(faxUser, shown_.faxUser) || proxyFlag != shown_.proxyFlag;
}

SettingsWrite AccountSettingsWriter::Finish(bool identityChanged)
{
    SettingsWrite result;
    result.identityChanged = identityChanged;
    result.saved = AccountConfig::Save() == 1;
    if (!result.saved)
        cpLog(kLogFailure, "account settings: account.xml could not be saved");
    return result;
}

SettingsWrite AccountSettingsWriter::WriteConfirmed(const AccountSettings& edited)
{
    if (Check(edited) != SettingsRefusal::None)
        return {};
    Spindle::VLock hold(AccountConfig::Mutex());
    const std::string faxUser = *FaxUserFor(edited.faxUserParts);
    CreateIdentityAttributes();
    const bool changed = IdentityChanged(faxUser, edited.proxyFlag);

    AccountConfig::PutAttr(path_, "FaxUser", faxUser);
    AccountConfig::PutAttr(path_, "FaxPassword", Base64Encode(edited.faxPassword));
    WriteServer(edited.faxServer);
    AccountConfig::SetProxyFlag(edited.proxyFlag ? 1 : 0);
    AccountConfig::SetProxyServer(edited.proxyServer);
    AccountConfig::SetProxyPort(edited.proxyPort);
    const int enableAccess = edited.enableAccess ? 1 : 0;
    const std::string accessPassword = Base64Encode(edited.accessPassword);
    AccountConfig::SetEnableAccess(enableAccess);
    AccountConfig::SetAccessPassword(accessPassword);
    AccountConfig::SetAccessKey(AccessKeyFor(enableAccess, accessPassword));

    AccountConfig::PutAttr(path_, "Tag", std::to_string(edited.promptMode));
    AccountConfig::PutAttr(path_, "TagContent", CutPromptText(edited.promptText));
    AccountConfig::PutAttr(path_, "Directory", edited.directory);
    AccountConfig::PutAttr(path_, "Default", YesNo(edited.isDefault));
    for (const char* name : {"FromName", "FromFaxNum", "IsToName", "IsToFaxNum", "IsUse"})
        if (!AccountConfig::HasAttr(path_, name))
            AccountConfig::CreateAttr(path_, name);
    AccountConfig::PutAttr(path_, "FromName", edited.fromName);
    AccountConfig::PutAttr(path_, "FromFaxNum", edited.fromFaxNum);
    AccountConfig::PutAttr(path_, "IsToName", OneZero(edited.isToName));
    AccountConfig::PutAttr(path_, "IsToFaxNum", OneZero(edited.isToFaxNum));
    AccountConfig::PutAttr(path_, "IsUse", OneZero(edited.isUse));
    return Finish(changed);
}

SettingsWrite AccountSettingsWriter::WriteAfterCancel(const AccountSettings& edited)
{
    Spindle::VLock hold(AccountConfig::Mutex());
    const std::string faxUser = FaxUserFor(edited.faxUserParts).value_or(shown_.faxUser);
    CreateIdentityAttributes();
    const bool changed = IdentityChanged(faxUser, edited.proxyFlag);

    AccountConfig::PutAttr(path_, "FaxUser", faxUser);
    AccountConfig::PutAttr(path_, "Tag", std::to_string(edited.promptMode));
    AccountConfig::PutAttr(path_, "TagContent", CutPromptText(edited.promptText));
    AccountConfig::PutAttr(path_, "FaxPassword", Base64Encode(edited.faxPassword));
    WriteServer(edited.faxServer);
    AccountConfig::SetProxyFlag(edited.proxyFlag ? 1 : 0);
    AccountConfig::SetProxyServer(edited.proxyServer);
    return Finish(changed);
}

#include "core/stores/SysConfig.h"

#include "core/codec/Md5.h"
#include "core/stores/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

constexpr const char* kServerPath = "System/FaxServers/FaxServer";
constexpr const char* kServersPath = "System/FaxServers";

} // namespace

SysConfig& SysConfig::Instance()
{
    static SysConfig instance;
    return instance;
}

int SysConfig::Open()
{
    return Open(JoinPath(ProgramDirectory(), "config.xml"));
}

int SysConfig::Open(const std::string& file)
{
    Spindle::VLock lock(mutex_);
    if (document_.isOpen())
        return 1;
    return document_.open(file.c_str());
}

int SysConfig::IsOpen()
{
    return document_.isOpen();
}

int SysConfig::Save()
{
    Spindle::VLock lock(mutex_);
    return document_.isOpen() ? document_.save() : 0;
}

std::string SysConfig::text(const char* path, const char* whenClosed, const char* whenEmpty)
{
    Spindle::VLock lock(mutex_);
    if (!document_.isOpen())
        return whenClosed;
    std::string value;
    document_.getNodeText(path, value);
    return value.empty() ? std::string(whenEmpty) : value;
}

std::string SysConfig::GetAdUrl() { return text("System/UIManager/AdUrl", "", ""); }
std::string SysConfig::GetAdminUrl() { return text("System/UIManager/AdminUrl", "", ""); }
std::string SysConfig::GetReqAccountUrl() { return text("System/UIManager/ReqAccountUrl", "", ""); }
std::string SysConfig::GetOnlinePayUrl() { return text("System/UIManager/OnlinePayUrl", "", ""); }
std::string SysConfig::GetOnlineHelpUrl() { return text("System/UIManager/OnlineHelpUrl", "", ""); }
std::string SysConfig::GetLoginMode() { return text("System/LoginMode", "", ""); }
std::string SysConfig::GetLogoName() { return text("System/LogoName", "Zuvo网络传真", ""); }
std::string SysConfig::GetVersion() { return text("System/Version", "V4200", "V4200"); }
std::string SysConfig::GetReleaseMode() { return text("System/ReleaseMode", "Talvin", "Talvin"); }

void SysConfig::LoadFaxServers()
{
    Spindle::VLock lock(mutex_);
    if (!document_.isOpen())
        return;
    // Slots of an earlier load must not outlive a shorter list.
    servers_.Clear();
    const int count = document_.getNodeCnt(kServerPath);
    for (int i = 0; i < count && i < FaxServerTable::kSlots; ++i) {
        FaxServerEntry entry;
        document_.getNodeAttr(kServerPath, i, "Address", entry.address);
        document_.getNodeAttr(kServerPath, i, "Port", entry.port);
        document_.getNodeAttr(kServerPath, i, "Caption", entry.caption);
        servers_.Set(i, entry);
    }
}

int SysConfig::GetCurrentServer()
{
    Spindle::VLock lock(mutex_);
    if (!document_.isOpen())
        return 0;
    return AtoiText(document_.getNodeAttr(kServersPath, "Current"));
}

int SysConfig::SetCurrentServer(int n)
{
    Spindle::VLock lock(mutex_);
    if (!document_.isOpen())
        return 0;
    if (!document_.hasNodeAttr(kServersPath, "Current") && !document_.createNodeAttr(kServersPath, "Current"))
        return 0;
    if (!document_.setNodeAttr(kServersPath, "Current", std::to_string(n).c_str()))
        return 0;
    return document_.save();
}

std::string SysConfig::ComputeKey()
{
    Spindle::VLock lock(mutex_);
    if (!document_.isOpen())
        return "";
    // The salted text of the branding, login and release words and every
    // server listed (not only those the table holds), hashed over its GBK
    // bytes whatever its length.
    std::string input = "PLOVER" + GetLogoName() + "WICK" + GetLoginMode() + GetReleaseMode();
    const int count = document_.getNodeCnt(kServerPath);
    for (int i = 0; i < count; ++i)
        for (const char* name : {"Address", "Port", "Caption"}) {
            std::string value;
            document_.getNodeAttr(kServerPath, i, name, value);
            input += value;
        }
    // A character without a GBK code is digested as "?".
    return MD5HexString(ToGbk(input));
}

int SysConfig::CheckKey()
{
    Spindle::VLock lock(mutex_);
    const std::string digest = ComputeKey();
    if (digest.empty())
        return 0;
    std::string key;
    document_.getNodeText("System/Key", key);
    return EqualsNoCase(key, digest) ? 1 : 0;
}

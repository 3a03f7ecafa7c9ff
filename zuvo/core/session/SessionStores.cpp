#include "core/session/SessionStores.h"

#include "core/TextUtil.h"
#include "core/session/DownloadStaging.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
#include "core/stores/SysConfig.h"
#include "spindle/VLock.h"

SessionAccountData AccountStoreSource::Load()
{
    Spindle::VLock hold(AccountConfig::Mutex());
    SessionAccountData data;
    data.present = !AccountConfig::GetDefaultAccountPath().empty();
    if (!data.present)
        return data;
    data.faxUser = AccountConfig::GetFaxUser();
    data.faxPassword = AccountConfig::GetFaxPassword();
    data.proxyFlag = AccountConfig::GetProxyFlag();
    data.proxyServer = AccountConfig::GetProxyServer();
    data.proxyPort = AccountConfig::GetProxyPort();
    data.updateData = AccountConfig::GetUpdateData();
    data.rcvFaxNotifyFile = AccountConfig::GetRcvFaxNotifyFile();
    data.faxReplyNotifyFile = AccountConfig::GetFaxReplyNotifyFile();
    return data;
}

std::string AccountStoreSource::DataDirectory()
{
    Spindle::VLock hold(AccountConfig::Mutex());
    return AccountConfig::GetDataDirectory();
}

std::string AccountStoreSource::FolderPathOf(const std::string& type)
{
    return AccountConfig::GetFolderPath(type);
}

std::string AccountStoreSource::FolderDirectory(const std::string& type)
{
    Spindle::VLock hold(AccountConfig::Mutex());
    const std::string path = FolderPathOf(type);
    return path.empty() ? "" : AccountConfig::GetFolderFullDirectory(path);
}

int AccountStoreSource::AddFaxRecord(const std::string& type, const FaxRecord& record)
{
    Spindle::VLock hold(AccountConfig::Mutex());
    const std::string path = FolderPathOf(type);
    return path.empty() ? 0 : AppendFaxRecord(path, record);
}

std::time_t AccountStoreSource::FreeRecordTime(const std::string& type, const std::vector<std::string>& files,
                                               std::time_t from)
{
    Spindle::VLock hold(AccountConfig::Mutex());
    const std::string path = FolderPathOf(type);
    if (path.empty())
        return from;
    const std::string directory = AccountConfig::GetFolderFullDirectory(path);
    for (std::time_t when = from;;) {
        const std::time_t free = AllocateBodyFileTime(directory, AllocateRecordTime(path, files, when));
        if (free == when)
            return when;
        when = free;
    }
}

int AccountStoreSource::StoreUpdate(const std::string& updateData)
{
    Spindle::VLock hold(AccountConfig::Mutex());
    if (!AccountConfig::SetUpdateFlag(1) || !AccountConfig::SetUpdateData(updateData))
        return 0;
    return AccountConfig::Save();
}

FixedFolderSource::FixedFolderSource(const std::string& accountPath, const std::vector<std::string>& types)
{
    Spindle::VLock hold(AccountConfig::Mutex());
    accountPath_ = accountPath.empty() ? AccountConfig::GetDefaultAccountPath() : accountPath;
    if (accountPath_.empty())
        return;
    for (const std::string& type : types) {
        const std::string path = AccountConfig::FindFolderPath(accountPath_, type);
        if (path.empty())
            continue;
        EnsureFolderDirectory(path);
        folders_.emplace_back(type, path);
    }
}

std::string FixedFolderSource::DataDirectory()
{
    return accountPath_.empty() ? "" : AccountConfig::GetFolderFullDirectory(accountPath_);
}

std::string FixedFolderSource::FolderPathOf(const std::string& type)
{
    for (const auto& [known, path] : folders_)
        if (EqualsNoCase(known, type))
            return path;
    return "";
}

std::string SysConfigSource::LoginMode()
{
    return SysConfig::Instance().GetLoginMode();
}

std::string SysConfigSource::Version()
{
    return SysConfig::Instance().GetVersion();
}

std::string SysConfigSource::ReleaseMode()
{
    return SysConfig::Instance().GetReleaseMode();
}

ServerAddress SysConfigSource::FaxServer()
{
    FaxServerTable& servers = SysConfig::Instance().Servers();
    return ServerAddress{servers.CurrentAddress(), servers.CurrentPort()};
}

std::string ProgramUpdateDirectory()
{
    return JoinPath(ProgramDirectory(), "update");
}

int RemoveEarlierDownloads()
{
    AccountStoreSource account;
    return RemoveDownloadLeftovers(DownloadStagingRoot(account.DataDirectory()),
                                   {account.FolderDirectory(FolderType::kFaxBox),
                                    account.FolderDirectory(FolderType::kFailedBox), ProgramUpdateDirectory()});
}

#include "faxbox/FolderTree.h"

#include <algorithm>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "spindle/VLock.h"

std::vector<AccountNode> ReadAccountTree()
{
    Spindle::VLock lock(AccountConfig::Mutex());
    std::vector<AccountNode> accounts;
    if (!AccountConfig::IsOpen())
        return accounts;
    const int accountCount = AccountConfig::GetNodeCount("Account");
    for (int i = 0; i < accountCount; ++i) {
        AccountNode account{AccountConfig::GetAttr(AccountPathOf(i), "Name"), {}};
        const int folderCount = AccountConfig::GetNodeCount(AccountPathOf(i) + "/Folder");
        for (int j = 0; j < folderCount; ++j) {
            const std::string path = FolderPathOf(i, j);
            account.folders.push_back(
                {AccountConfig::GetAttr(path, "Name"), AccountConfig::GetAttr(path, "Type"), FaxCount(path)});
        }
        accounts.push_back(std::move(account));
    }
    return accounts;
}

std::string FolderLabel(const FolderNode& folder)
{
    return FormatText("%s(%d)", folder.name.c_str(), folder.faxCount);
}

std::string AccountPathOf(int account)
{
    return FormatText("Account[%d]", account);
}

std::string FolderPathOf(int account, int folder)
{
    return FormatText("Account[%d]/Folder[%d]", account, folder);
}

int FolderIconIndex(int folder)
{
    return std::clamp(folder + 1, 1, kFolderTreeIconCount - 1);
}

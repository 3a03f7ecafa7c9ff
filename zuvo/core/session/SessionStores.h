#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/session/InboxWriter.h"
#include "core/session/SessionSources.h"

// The session's view of the program's stores: the default account of
// account.xml (AccountConfig, records through the fax-record module) and
// the settings and server table of config.xml (SysConfig).

class AccountStoreSource : public SessionAccount {
public:
    SessionAccountData Load() override;
    std::string DataDirectory() override;
    std::string FolderDirectory(const std::string& type) override;
    int AddFaxRecord(const std::string& type, const FaxRecord& record) override;
    std::time_t FreeRecordTime(const std::string& type, const std::vector<std::string>& files,
                               std::time_t from) override;
    int StoreUpdate(const std::string& updateData) override;

protected:
    // The path of the folder of that Type that records go to; "" when none.
    virtual std::string FolderPathOf(const std::string& type);
};

// The same store with the folders of one account fixed when it is made, so
// that every record goes to the folders chosen then (the receive dialog's).
class FixedFolderSource : public AccountStoreSource {
public:
    // The folders of these Types of the account at accountPath ("" = the
    // default account); their directories are created.
    FixedFolderSource(const std::string& accountPath, const std::vector<std::string>& types);

    std::string DataDirectory() override;
    // The account path the folders belong to ("" when there is none).
    const std::string& AccountPath() const { return accountPath_; }

protected:
    std::string FolderPathOf(const std::string& type) override;

private:
    std::string accountPath_;
    std::vector<std::pair<std::string, std::string>> folders_; // Type, path
};

class SysConfigSource : public SessionSettings {
public:
    std::string LoginMode() override;
    std::string Version() override;
    std::string ReleaseMode() override;
    ServerAddress FaxServer() override;
};

// The "update" directory of the program directory, where updates are fetched to.
std::string ProgramUpdateDirectory();

// Removes what the downloads of an earlier run left: the default account's
// staging directory, and "*.download" files in its faxbox and failedbox
// directories and in the update directory. Their faxes stay on the server
// and are fetched again from the start. Start-up calls it once it knows that
// no other instance runs. Returns the number of entries removed.
int RemoveEarlierDownloads();

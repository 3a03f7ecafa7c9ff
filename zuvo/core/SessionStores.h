#pragma once

#include <string>

#include "core/InboxWriter.h"
#include "core/SessionSources.h"

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

// The address book's card for a calling number: its Name and CompanyName,
// empty texts when none matches (the lookup of the inbox writer).
InboxWriter::Contact AddressBookContact(const std::string& faxNumber);

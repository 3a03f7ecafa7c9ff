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

// The address book's card for a calling number: its Name and CompanyName,
// empty texts when none matches (the lookup of the inbox writer).
InboxWriter::Contact AddressBookContact(const std::string& faxNumber);

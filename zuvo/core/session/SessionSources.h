#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "core/stores/FaxRecord.h"

// What the server session reads from and writes to the program's stores:
// the default account of account.xml and the settings of config.xml. The
// program passes adapters over its stores; tests pass their own.

// The default account's values that the session uses (copies).
struct SessionAccountData {
    bool present = false;        // a default account exists
    std::string faxUser;
    std::string faxPassword;     // Base64, as stored
    int proxyFlag = 0;
    std::string proxyServer;
    int proxyPort = 9000;
    std::string updateData;
    std::string rcvFaxNotifyFile;
    std::string faxReplyNotifyFile;
};

class SessionAccount {
public:
    virtual ~SessionAccount() = default;

    virtual SessionAccountData Load() = 0;
    // The default account's data directory, absolute; "" when there is none.
    virtual std::string DataDirectory() = 0;
    // The absolute directory of the default account's folder of that Type;
    // "" when the account has no such folder.
    virtual std::string FolderDirectory(const std::string& type) = 0;
    // Appends the record as the last Fax of the folder of that Type and saves
    // account.xml: 1, or 0 when nothing was stored.
    virtual int AddFaxRecord(const std::string& type, const FaxRecord& record) = 0;
    // The first time from `from` on at which a new record of the folder of
    // that Type takes a CreateTime, body name and page-file names that no
    // record or file of the folder has yet (so that nothing stored is ever
    // replaced, also when the clock goes back).
    virtual std::time_t FreeRecordTime(const std::string& type, const std::vector<std::string>& files,
                                       std::time_t from)
    {
        (void)type;
        (void)files;
        return from;
    }
    // Marks a downloaded update as pending (UpdateFlag 1, UpdateData) and
    // saves account.xml: 1 or 0.
    virtual int StoreUpdate(const std::string& updateData) = 0;
};

struct ServerAddress {
    std::string host;
    int port = 0;
};

class SessionSettings {
public:
    virtual ~SessionSettings() = default;
    virtual std::string LoginMode() = 0;
    virtual std::string Version() = 0;
    virtual std::string ReleaseMode() = 0;
    // The current fax server of the server table.
    virtual ServerAddress FaxServer() = 0;
};

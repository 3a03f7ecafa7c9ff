#pragma once

// The seal password: what the seal password dialog asks the server to
// check, and the check it makes itself when the request cannot be sent.

#include <memory>
#include <string>

#include "core/session/AgentPort.h"

class Config;

// "checkpassword-z". It keeps the pairs of the request before it (a key set
// again takes its new value in its old place), then: command, faxuser,
// oldpassword (the stored password, decoded), password (as typed),
// invokeid, devicename "fax:///<faxuser>". The result of
// AgentRequest::invoke: 1 queued, 0 not.
struct SealPasswordCheck {
    std::string faxUser;
    std::string storedPassword;
    std::string typedPassword;
};
int SendSealPasswordCheck(AgentPort& agent, const SealPasswordCheck& check, long invokeId);

// The dialog's own reading of the accounts: account.xml in the program
// directory, else account-bak.xml beside it. It never writes.
class SealAccountFile {
public:
    explicit SealAccountFile(const std::string& programDirectory);
    ~SealAccountFile();
    SealAccountFile(const SealAccountFile&) = delete;
    SealAccountFile& operator=(const SealAccountFile&) = delete;

    // Whether either file loaded.
    bool IsOpen() const { return open_; }
    // FaxUser of the account node at accountPath ("Account[i]"); "" when
    // the file or the node is missing.
    std::string FaxUser(const std::string& accountPath);
    // Its FaxPassword, Base64-decoded; "" when missing.
    std::string StoredPassword(const std::string& accountPath);
    // The local check: an account is given and the typed text equals its
    // stored password, ignoring ASCII letter case.
    bool Matches(const std::string& accountPath, const std::string& typed);

private:
    std::string Attribute(const std::string& accountPath, const char* name);

    std::unique_ptr<Config> config_;
    bool open_ = false;
};

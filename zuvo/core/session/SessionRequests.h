#pragma once

#include <string>

#include "core/session/AgentPort.h"
#include "corlane/Event.h"

// The six requests of the server session, each with its keys in the order
// the server has always received them. Every request carries the session's
// invoke id.

// The values that "login", "logout" and "update" carry about the account.
struct LoginValues {
    std::string faxUser;
    std::string password;  // decoded
    std::string token;     // "netfaxflag"
    std::string loginMode; // "login" only
};

struct UpdateValues {
    std::string faxUser;
    std::string password;  // decoded
    std::string updateData;
    std::string os;
    std::string version;
    std::string releaseMode;
};

// The login token: Base64 of the time text, the fax user and the password.
std::string MakeLoginToken(const std::string& timeText, const std::string& faxUser,
                           const std::string& password);

// "os" of the update request from a platform family and major version:
// family 1 "win9x", family 2 "win2000_xp_2003" from major 5 on and
// "winnt4.0" below, anything else "unknown" (this platform).
std::string UpdateOsName(int platformFamily, int majorVersion);

class SessionRequests {
public:
    SessionRequests(AgentPort& agent, long invokeId) : agent_(agent), invokeId_(invokeId) {}

    long invokeId() const { return invokeId_; }

    // "login" and "logout" keep the pairs of the request before them, and so
    // does "update"; the others start from an empty list.
    int Login(const LoginValues& values);
    int Logout(const LoginValues& values);
    int Update(const UpdateValues& values);
    int QueryFaxList(const std::string& faxUser);
    int QueryFax(const std::string& faxUser, const std::string& faxId, const std::string& faxType);
    // Acknowledges the item: its "faxid" and "faxtype".
    int UpdateFax(const std::string& faxUser, CRL::Event& item);

private:
    int SignIn(const char* command, const LoginValues& values, bool withMode);

    AgentPort& agent_;
    long invokeId_;
};

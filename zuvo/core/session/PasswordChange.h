#pragma once

// The request that changes a password with the fax server. The result is
// that of AgentRequest::invoke: 1 queued, 0 not.

#include <string>

#include "core/session/AgentPort.h"

// "changepassword" (the account's own password) or "changepassword-z" (the
// seal password), sent from an empty argument list: command, faxuser,
// oldpassword, newpassword, invokeid.
struct PasswordChange {
    std::string command;
    std::string faxUser;
    std::string oldPassword;
    std::string newPassword;
};
int SendPasswordChange(AgentPort& agent, const PasswordChange& change, long invokeId);

#include "core/session/PasswordChange.h"

int SendPasswordChange(AgentPort& agent, const PasswordChange& change, long invokeId)
{
    return AgentRequest(agent, change.command.c_str())
        .arg("faxuser", change.faxUser)
        .arg("oldpassword", change.oldPassword)
        .arg("newpassword", change.newPassword)
        .arg("invokeid", invokeId)
        .invoke();
}

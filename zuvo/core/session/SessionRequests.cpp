#include "core/session/SessionRequests.h"

#include "core/codec/Base64.h"

std::string MakeLoginToken(const std::string& timeText, const std::string& faxUser,
                           const std::string& password)
{
    return Base64Encode(timeText + faxUser + password);
}

std::string UpdateOsName(int platformFamily, int majorVersion)
{
    if (platformFamily == 1)
        return "win9x";
    if (platformFamily == 2)
        return majorVersion >= 5 ? "win2000_xp_2003" : "winnt4.0";
    return "unknown";
}

int SessionRequests::SignIn(const char* command, const LoginValues& values, bool withMode)
{
    AgentRequest request(agent_, command, AgentRequest::Args::KeepPrevious);
    request.arg("skillgroup", "")
        .arg("loginid", values.faxUser)
        .arg("password", values.password)
        .arg("netfaxflag", values.token);
    if (withMode)
        request.arg("loginmode", values.loginMode);
    request.arg("invokeid", invokeId_)
        .arg("devicename", "fax:///" + values.faxUser)
        .arg("termnum", values.faxUser);
    return request.invoke();
}

int SessionRequests::Login(const LoginValues& values)
{
    return SignIn("login", values, true);
}

int SessionRequests::Logout(const LoginValues& values)
{
    return SignIn("logout", values, false);
}

int SessionRequests::Update(const UpdateValues& values)
{
    AgentRequest request(agent_, "update", AgentRequest::Args::KeepPrevious);
    return request.arg("skillgroup", "")
        .arg("loginid", values.faxUser)
        .arg("password", values.password)
        .arg("invokeid", invokeId_)
        .arg("updatedata", values.updateData)
        .arg("os", values.os)
        .arg("version", values.version)
        .arg("releasemode", values.releaseMode)
        .invoke();
}

int SessionRequests::QueryFaxList(const std::string& faxUser)
{
    return AgentRequest(agent_, "queryfaxlist")
        .arg("user", faxUser)
        .arg("loginid", faxUser)
        .arg("invokeid", invokeId_)
        .invoke();
}

int SessionRequests::QueryFax(const std::string& faxUser, const std::string& faxId,
                              const std::string& faxType)
{
    return AgentRequest(agent_, "queryfax")
        .arg("user", faxUser)
        .arg("loginid", faxUser)
        .arg("faxid", faxId)
        .arg("faxtype", faxType)
        .arg("invokeid", invokeId_)
        .invoke();
}

int SessionRequests::UpdateFax(const std::string& faxUser, CRL::Event& item)
{
    const std::string faxId = item.getString("faxid");
    const std::string faxType = item.getString("faxtype");
    return AgentRequest(agent_, "updatefax")
        .arg("user", faxUser)
        .arg("loginid", faxUser)
        .arg("invokeid", invokeId_)
        .arg("faxid", faxId)
        .arg("faxtype", faxType)
        .invoke();
}

#include "compose/seals/SealPassword.h"

#include "cfgtree/Config.h"
#include "core/TextUtil.h"
#include "core/codec/Base64.h"
#include "core/stores/ProgramPaths.h"

int SendSealPasswordCheck(AgentPort& agent, const SealPasswordCheck& check, long invokeId)
{
    return AgentRequest(agent, "checkpassword-z", AgentRequest::Args::KeepPrevious)
        .arg("faxuser", check.faxUser)
        .arg("oldpassword", check.storedPassword)
        .arg("password", check.typedPassword)
        .arg("invokeid", invokeId)
        .arg("devicename", "fax:///" + check.faxUser)
        .invoke();
}

SealAccountFile::SealAccountFile(const std::string& programDirectory) : config_(std::make_unique<Config>())
{
    open_ = config_->open(JoinPath(programDirectory, "account.xml").c_str()) == 1 ||
            config_->open(JoinPath(programDirectory, "account-bak.xml").c_str()) == 1;
}

SealAccountFile::~SealAccountFile() = default;

std::string SealAccountFile::Attribute(const std::string& accountPath, const char* name)
{
    if (!open_ || accountPath.empty())
        return {};
    return config_->getNodeAttr(accountPath.c_str(), name);
}

std::string SealAccountFile::FaxUser(const std::string& accountPath)
{
    return Attribute(accountPath, "FaxUser");
}

std::string SealAccountFile::StoredPassword(const std::string& accountPath)
{
    return Base64Decode(Attribute(accountPath, "FaxPassword"));
}

bool SealAccountFile::Matches(const std::string& accountPath, const std::string& typed)
{
    if (!open_ || accountPath.empty() || config_->getNodeCnt(accountPath.c_str()) == 0)
        return false;
    return EqualsNoCase(StoredPassword(accountPath), typed);
}

#include "compose/seals/qt/SealContext.h"

#include "core/session/AgentHelp.h"
#include "core/stores/ProgramPaths.h"

AgentPort& SealContext::Agent() const
{
    return agent ? *agent : *AgentHelp::getInstance();
}

std::string SealContext::Directory() const
{
    return programDirectory.empty() ? ProgramDirectory() : programDirectory;
}

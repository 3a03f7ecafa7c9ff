#include "compose/qt/SealContext.h"

#include "core/session/AgentHelp.h"
#include "core/stores/ProgramPaths.h"
#include "core/qt/CPelno1App.h"

SealContext SealContext::Current()
{
    SealContext context;
    if (CPelno1App* app = CPelno1App::Instance())
        app->GetCurrentAccount(context.accountPath);
    return context;
}

AgentPort& SealContext::Agent() const
{
    return agent ? *agent : *AgentHelp::getInstance();
}

std::string SealContext::Directory() const
{
    return programDirectory.empty() ? ProgramDirectory() : programDirectory;
}

#pragma once

// What the seal windows need from the program: the agent, the program
// directory with seal.xml, account.xml and the Seal folder, and the current
// account. The program's assembly fills it; tests fill their own.

#include <string>

#include "core/session/AgentPort.h"

struct SealContext {
    AgentPort* agent = nullptr;   // AgentHelp's when null
    std::string programDirectory; // ProgramDirectory() when empty
    std::string accountPath;      // the current account, "Account[i]"; "" none

    AgentPort& Agent() const;
    std::string Directory() const;
};

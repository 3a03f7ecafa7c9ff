#pragma once

// The mailboxes the crash test starts from and the command its child runs
// on them: a delete-all of the received faxes into the trash, a delete-all
// inside the trash (for good), the failed box's resend of every report into
// the outbox, and a send run of the whole outbox.

#include <functional>
#include <string>

#include "StoreOracle.h"

struct Scenario {
    std::string name;
    // Writes account.xml and every file into an empty program directory.
    std::function<void(const std::string& programDirectory)> write;
    // The command, run in the child with the store open on that directory.
    std::function<void(const std::string& programDirectory)> command;
    Expectation afterKill;     // what must hold at any moment
    Expectation afterRecovery; // what must hold once the program started again
    bool sends = false;        // "sendfax" goes to the test's server, whose log is checked
};

Scenario DeleteAllScenario(int faxes);
Scenario PurgeScenario(int faxes);
Scenario ResendScenario(int reports);
Scenario SendScenario(int faxes);

// The file the send scenarios' server logs each accepted fax's title in.
std::string ServerLogPath(const std::string& programDirectory);

// What the program does at start-up about an earlier run's crash, in the
// start-up's order; with sends also a send run of the outbox to its end (a
// user who sends again).
void RecoverAsAtStartUp(const std::string& programDirectory, bool sends);

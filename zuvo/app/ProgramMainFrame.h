#pragma once

#include "core/qt/MainFrame.h"
#include "core/qt/MainWindowInterface.h"

#include <memory>

// The main window as the program runs it: its settings from config.xml, the
// string table and the product settings; the server session over the agent,
// account.xml and config.xml; the outbox counts and the fax user from the
// account store; and the end of the event loop once the window has shut down.
// Call after the stores are open.
std::unique_ptr<MainWindowInterface> CreateProgramMainFrame();

// The main window's application slots over the application object: the
// login state, the network fax number and token, and the program directory.
// While no application object exists they change nothing, the fax number is
// empty and the program directory is the executable's.
ApplicationSlots ProgramApplicationSlots();

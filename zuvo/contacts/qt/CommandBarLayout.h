#pragma once

class QMainWindow;

// The command-bar layout of a window of the address book or the SMS window,
// kept in the program's settings under a profile name ("AddressBars",
// "SmsBars").
void RestoreCommandBars(QMainWindow& window, const char* profile);
void SaveCommandBars(QMainWindow& window, const char* profile);

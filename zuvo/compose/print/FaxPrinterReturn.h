#pragma once

// The way back from the fax printer. Its CUPS backend (compose/print/cups/zuvo)
// renders a printed document as a fax TIFF and starts the printing user's
// Zuvo with "#<file>", as a second start of the program hands files over.
// The backend runs outside the user's session, so every Zuvo that starts as
// the running instance leaves it a note in the user's home:
//
//   ~/.config/Zuvo/fax-printer     (UTF-8, one "KEY=value" a line)
//   program=<the zuvo executable>
//   ZUVO_HOME=<the program directory>
//   DISPLAY=..., TMPDIR=..., ...   (the session's variables of
//                                   FaxPrinterEnvironmentNames() that are set)
//
// With these a second start finds this instance's hand-over socket (named
// for the program directory, in TMPDIR) on this session's display.

#include <string>
#include <string_view>
#include <vector>

// The note's place below a home directory.
inline constexpr const char* kFaxPrinterNote = ".config/Zuvo/fax-printer";

// The environment variables the note passes on, besides ZUVO_HOME; the
// backend passes on these and no others.
const std::vector<std::string_view>& FaxPrinterEnvironmentNames();

// The note's text for a Zuvo run as `program` from `programDirectory`, with
// the variables of this process's environment; empty when a path or a
// value holds a line break, NUL or is empty where it may not be.
std::string FaxPrinterNoteText(const std::string& program, const std::string& programDirectory);

// Writes the note below `home` (its folders made when missing), through the
// crash-safe writer, readable by the user only. True when written.
bool WriteFaxPrinterNote(const std::string& home, const std::string& program, const std::string& programDirectory);

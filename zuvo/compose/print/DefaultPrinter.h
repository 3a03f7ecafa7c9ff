#pragma once

// The user's default printer over CUPS, and the name of the fax printer.
//
// The default is the one lpstat -d reports: LPDEST or PRINTER when set, else
// the "Default" of the user's lpoptions, else the server's default. Setting
// it works as lpoptions -d does: the destination list is read, the named
// destination marked the default and the list written back to the user's
// lpoptions ($HOME/.cups/lpoptions), so the server's own setting never
// changes.

#include <cstddef>
#include <string_view>

// The fax printer as the program names it, and the CUPS queue that stands
// for it (queue names hold no blank).
inline constexpr const char* kFaxPrinterName = "Zuvo Print";
inline constexpr const char* kFaxPrinterQueue = "Zuvo_Print";

// Whether a printer name names the fax printer: "Zuvo Print" or
// "Zuvo_Print", letter case ignored.
bool IsFaxPrinterName(std::string_view name);

// Copies the default destination's name ("queue" or "queue/instance") with
// its terminating NUL into buffer, which holds `size` bytes: 1. When there is
// no default, 0 with size unchanged. When the name and its NUL do not fit
// (buffer null included), 0 with nothing written; in both this and the
// successful case size becomes the name's length plus one.
int GetDefaultPrinterName(char* buffer, std::size_t& size);

// Makes the named destination ("queue" or "queue/instance") the user's
// default: 1, or 0 for a null or empty name, a destination the server does
// not know, or a list that could not be written.
int SetDefaultPrinterName(const char* name);

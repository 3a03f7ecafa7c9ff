#pragma once

// Printing a document on the fax printer: the fax printer is made the
// user's default printer for the job, and the default that was there before
// is put back once the printed document has come back to the program (or at
// once when the job was refused).

#include <array>
#include <string>

#include "compose/ComposePrompts.h"

namespace FaxPrinterText {
inline constexpr const char* kGetDefaultFailed = "get default printer failed";
inline constexpr const char* kSetDefaultFailed = "set default printer failed , try....";
inline constexpr const char* kPrintFailedBefore = "打印失败，可能文件";
inline constexpr const char* kPrintFailedAfter = "不能打印!";
} // namespace FaxPrinterText

class FaxPrinterSwitch {
public:
    // Remembers the current default (a failure says kGetDefaultFailed and
    // prints nothing), makes the fax printer the default unless it is so
    // already (a failure asks kSetDefaultFailed: Yes tries again, No prints
    // nothing) and prints the file on the default destination. A refused
    // job says the print failure text with the file's path and puts the
    // remembered default back. True when the job was taken.
    bool PrintOnFaxPrinter(const std::string& path, ComposePrompts& prompts);

    // Puts the remembered default back unless it names the fax printer, and
    // forgets it; nothing when none is remembered.
    void RestorePreviousDefault();

    // The default remembered by the last print ("" none).
    std::string PreviousDefault() const { return previous_.data(); }

private:
    // The previous default as the window keeps it: at most 127 bytes and
    // the NUL.
    std::array<char, 128> previous_{};
};

#pragma once

// Printing a document on the fax printer: the fax printer is made the
// user's default printer for the job, and what the user had before is put
// back once the printed document has come back to the program, at once when
// the job was refused, and at the latest when the switch goes (the compose
// window closes, the program quits). Putting back restores the user's own
// default (lpoptions), or, where the user had none, takes the fax printer's
// default away again without writing one.

#include <array>
#include <optional>
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
    FaxPrinterSwitch() = default;
    // Puts back what a print switched, if anything.
    ~FaxPrinterSwitch();
    FaxPrinterSwitch(const FaxPrinterSwitch&) = delete;
    FaxPrinterSwitch& operator=(const FaxPrinterSwitch&) = delete;

    // Remembers the current default (a name too long for the window's
    // 128-byte field says kGetDefaultFailed and prints nothing; no default
    // at all is remembered as none), makes the fax printer the default
    // unless it is so already (a failure asks kSetDefaultFailed: Yes tries
    // again, No prints nothing) and prints the file on the default
    // destination. A refused job says the print failure text with the
    // file's path and puts the previous default back. True when the job was
    // taken.
    bool PrintOnFaxPrinter(const std::string& path, ComposePrompts& prompts);

    // Puts back what the last print switched and forgets it; nothing when
    // nothing is switched (also when the default already was the fax
    // printer).
    void RestorePreviousDefault();

    // Whether the fax printer is the default for a print of ours now.
    bool IsSwitched() const { return switched_; }
    // The default remembered by the last print ("" none).
    std::string PreviousDefault() const { return previous_.data(); }

private:
    // Remembers the default and makes the fax printer the default; false
    // (said) when nothing may be printed.
    bool SwitchToFaxPrinter(ComposePrompts& prompts);

    // The previous default as the window keeps it: at most 127 bytes and
    // the NUL.
    std::array<char, 128> previous_{};
    // The user's own default before the switch (none: the server's held).
    std::optional<std::string> userDefault_;
    bool switched_ = false;
};

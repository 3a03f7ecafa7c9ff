// The fax printer as default printer for one print job, and the previous
// default put back.
#include "compose/print/FaxPrinterSwitch.h"

#include "compose/print/DefaultPrinter.h"
#include "faxbox/AttachmentFiles.h"
#include "jotter/Jotter.h"

FaxPrinterSwitch::~FaxPrinterSwitch()
{
    RestorePreviousDefault();
}

bool FaxPrinterSwitch::PrintOnFaxPrinter(const std::string& path, ComposePrompts& prompts)
{
    // While an earlier print keeps the fax printer the default, what it
    // remembered stays the default to put back.
    if (!switched_ && !SwitchToFaxPrinter(prompts))
        return false;
    cpLog(kLogTrace, "printing <%s> on the fax printer (the default was <%s>)", path.c_str(), previous_.data());
    if (PrintOnDefaultDestination(path, path) > 0)
        return true;
    prompts.Inform(std::string(FaxPrinterText::kPrintFailedBefore) + path + FaxPrinterText::kPrintFailedAfter);
    RestorePreviousDefault();
    return false;
}

bool FaxPrinterSwitch::SwitchToFaxPrinter(ComposePrompts& prompts)
{
    previous_.fill('\0');
    std::size_t size = previous_.size();
    if (GetDefaultPrinterName(previous_.data(), size) == 0) {
        previous_.fill('\0');
        // No default at all is nothing to keep; a name the field cannot hold is a failure.
        if (size != previous_.size()) {
            prompts.Inform(FaxPrinterText::kGetDefaultFailed);
            return false;
        }
    }
    if (IsFaxPrinterName(previous_.data()))
        return true;
    userDefault_ = UserDefaultPrinterName();
    while (SetDefaultPrinterName(kFaxPrinterQueue) == 0) {
        if (!prompts.Ask(FaxPrinterText::kSetDefaultFailed)) {
            previous_.fill('\0');
            userDefault_.reset();
            return false;
        }
    }
    switched_ = true;
    return true;
}

void FaxPrinterSwitch::RestorePreviousDefault()
{
    if (switched_) {
        const bool restored = userDefault_ ? SetDefaultPrinterName(userDefault_->c_str()) == 1
                                           : ClearUserDefaultPrinter() == 1;
        if (!restored)
            cpLog(kLogFailure, "the default printer <%s> could not be put back",
                  userDefault_ ? userDefault_->c_str() : "(the server's)");
    }
    switched_ = false;
    userDefault_.reset();
    previous_.fill('\0');
}

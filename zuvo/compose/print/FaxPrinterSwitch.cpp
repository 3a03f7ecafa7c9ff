// The fax printer as default printer for one print job, and the previous
// default put back.
#include "compose/print/FaxPrinterSwitch.h"

#include "compose/print/DefaultPrinter.h"
#include "faxbox/AttachmentFiles.h"
#include "jotter/Jotter.h"

bool FaxPrinterSwitch::PrintOnFaxPrinter(const std::string& path, ComposePrompts& prompts)
{
    previous_.fill('\0');
    std::size_t size = previous_.size();
    if (GetDefaultPrinterName(previous_.data(), size) == 0) {
        previous_.fill('\0');
        prompts.Inform(FaxPrinterText::kGetDefaultFailed);
        return false;
    }
    if (!IsFaxPrinterName(previous_.data())) {
        while (SetDefaultPrinterName(kFaxPrinterQueue) == 0) {
            if (!prompts.Ask(FaxPrinterText::kSetDefaultFailed)) {
                previous_.fill('\0');
                return false;
            }
        }
    }
    cpLog(kLogTrace, "printing <%s> on the fax printer (the default was <%s>)", path.c_str(), previous_.data());
    if (PrintOnDefaultDestination(path, path) > 0)
        return true;
    prompts.Inform(std::string(FaxPrinterText::kPrintFailedBefore) + path + FaxPrinterText::kPrintFailedAfter);
    RestorePreviousDefault();
    return false;
}

void FaxPrinterSwitch::RestorePreviousDefault()
{
    if (previous_[0] != '\0' && !IsFaxPrinterName(previous_.data()) && SetDefaultPrinterName(previous_.data()) == 0)
        cpLog(kLogFailure, "the default printer <%s> could not be put back", previous_.data());
    previous_.fill('\0');
}

// Reading and setting the user's default CUPS destination, the way lpstat -d
// reports it and lpoptions -d sets it.
#include "compose/print/DefaultPrinter.h"

#include <cups/cups.h>

#include <cstring>
#include <string>

#include "core/TextUtil.h"
#include "jotter/Jotter.h"

namespace {

// The destinations of the default server with the user's lpoptions merged
// in; freed with the object.
class DestinationList {
public:
    DestinationList() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
    ~DestinationList() { cupsFreeDests(count_, dests_); }
    DestinationList(const DestinationList&) = delete;
    DestinationList& operator=(const DestinationList&) = delete;

    cups_dest_t* Find(const char* name, const char* instance) const
    {
        return cupsGetDest(name, instance, count_, dests_);
    }
    // Marks `chosen` as the only default and writes the list back to the
    // user's lpoptions: true when written.
    bool WriteWithDefault(const cups_dest_t* chosen)
    {
        for (int i = 0; i < count_; ++i)
            dests_[i].is_default = (&dests_[i] == chosen) ? 1 : 0;
        return cupsSetDests2(CUPS_HTTP_DEFAULT, count_, dests_) == 0;
    }

private:
    cups_dest_t* dests_ = nullptr;
    int count_;
};

std::string DestinationName(const cups_dest_t& dest)
{
    std::string name = dest.name;
    if (dest.instance != nullptr)
        name += std::string("/") + dest.instance;
    return name;
}

} // namespace

bool IsFaxPrinterName(std::string_view name)
{
    return EqualsNoCase(name, kFaxPrinterName) || EqualsNoCase(name, kFaxPrinterQueue);
}

int GetDefaultPrinterName(char* buffer, std::size_t& size)
{
    const DestinationList dests;
    const cups_dest_t* chosen = dests.Find(nullptr, nullptr);
    if (chosen == nullptr) {
        cpLog(kLogFailure, "no default printer: %s", cupsLastErrorString());
        return 0;
    }
    const std::string name = DestinationName(*chosen);
    const std::size_t given = size;
    size = name.size() + 1;
    if (buffer == nullptr || given < size)
        return 0;
    std::memcpy(buffer, name.c_str(), size);
    return 1;
}

int SetDefaultPrinterName(const char* name)
{
    if (name == nullptr || *name == '\0')
        return 0;
    std::string queue = name;
    std::string instance;
    if (const auto slash = queue.find('/'); slash != std::string::npos) {
        instance = queue.substr(slash + 1);
        queue.resize(slash);
    }
    DestinationList dests;
    const cups_dest_t* chosen = dests.Find(queue.c_str(), instance.empty() ? nullptr : instance.c_str());
    if (chosen == nullptr) {
        cpLog(kLogFailure, "setting the default printer: no destination <%s>", name);
        return 0;
    }
    if (!dests.WriteWithDefault(chosen)) {
        cpLog(kLogFailure, "setting the default printer <%s> failed: %s", name, cupsLastErrorString());
        return 0;
    }
    return 1;
}

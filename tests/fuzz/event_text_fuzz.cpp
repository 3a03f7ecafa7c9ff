// The text form of an event as the agent server sends it: any text parses,
// and whatever the writer makes of the parsed pairs parses back to them.
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "corlane/Event.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    const std::string text(reinterpret_cast<const char*>(data), size); // up to a NUL, as on the wire
    CRL::EventPtr event = CRL::makeEvent();
    event->splitEvent(text.c_str());
    const std::optional<std::string> written = event->builderEvent();
    if (!written)
        return 0;
    CRL::EventPtr again = CRL::makeEvent();
    again->splitEvent(written->c_str());
    if (again->getLength() != event->getLength())
        fuzz::Fault("the written text parses to another number of pairs");
    for (int i = 0; i < event->getLength(); ++i)
        if (std::string(event->getKeyString(i)) != again->getKeyString(i) ||
            std::string(event->getValString(i)) != again->getValString(i))
            fuzz::Fault("the written text parses to other pairs");
    return 0;
}

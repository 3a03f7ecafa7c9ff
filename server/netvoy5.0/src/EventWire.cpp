#include "netvoy/EventWire.h"

#include "jotter/Jotter.h"
#include "textcodec/AsciiText.h"
#include "textcodec/Gbk.h"

namespace Netvoy {
namespace {

// The request's command, for log lines ("" when it has none).
std::string commandOf(const CRL::Event& event)
{
    for (int i = 0; i < event.getLength(); ++i)
        if (TextCodec::equalsIgnoringAsciiCase(event.getKeyString(i), "command"))
            return event.getValString(i);
    return "";
}

} // namespace

std::optional<std::string> eventToWire(const CRL::Event& event)
{
    std::optional<std::string> text = event.builderEvent();
    if (!text)
        return std::nullopt;
    TextCodec::Converted wire = TextCodec::utf8ToGbk(*text);
    if (wire.replaced)
        cpLog(kLogTrace, "request <%s>: %zu character(s) without a GBK code sent as \"?\": %s",
              commandOf(event).c_str(), wire.replaced, wire.replacedWhat.c_str());
    return std::move(wire.text);
}

std::string wireToText(std::string_view gbk)
{
    TextCodec::Converted text = TextCodec::gbkToUtf8(gbk);
    if (text.replaced)
        cpLog(kLogTrace, "received text: %zu byte sequence(s) that are not GBK read as U+FFFD: %s",
              text.replaced, text.replacedWhat.c_str());
    return std::move(text.text);
}

} // namespace Netvoy

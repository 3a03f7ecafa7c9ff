#include "netvoy/EventWire.h"

#include "textcodec/Gbk.h"

namespace Netvoy {

std::optional<std::string> eventToWire(const CRL::Event& event)
{
    std::optional<std::string> text = event.builderEvent();
    if (!text)
        return std::nullopt;
    return TextCodec::utf8ToGbk(*text);
}

std::optional<std::string> wireToText(std::string_view gbk)
{
    return TextCodec::gbkToUtf8(gbk);
}

} // namespace Netvoy

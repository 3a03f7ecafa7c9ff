#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "corlane/Event.h"

// An event's form on the wire: its text form in GBK. The whole text is
// converted at once, because a GBK trail byte can equal the "|" separator.
namespace Netvoy {

// The GBK text of the event; no value when the event cannot be written as
// text or holds a character GBK lacks.
std::optional<std::string> eventToWire(const CRL::Event& event);

// The UTF-8 text of GBK wire text; no value when the bytes are not GBK.
std::optional<std::string> wireToText(std::string_view gbk);

} // namespace Netvoy

#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "corlane/Event.h"

// An event's form on the wire: its text form in GBK. The whole text is
// converted at once, because a GBK trail byte can equal the "|" separator.
// One odd character never costs the message: what GBK lacks goes out as
// "?", and what is not GBK comes in as U+FFFD; either is logged once per
// text, with the request's command or the event's name.
namespace Netvoy {

// The GBK text of the event; no value when the event cannot be written as
// text (a key holding "=" or "|", or a value holding "|").
std::optional<std::string> eventToWire(const CRL::Event& event);

// The UTF-8 text of GBK wire text.
std::string wireToText(std::string_view gbk);

} // namespace Netvoy

// The SendTimer text of a fax record.
#include "compose/SendTime.h"

#include <cstdio>

#include "core/TextUtil.h"

std::string FormatSendTime(const SendTime& t)
{
    return FormatText("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::optional<SendTime> ParseSendTime(std::string_view text)
{
    const std::string copy(text);
    SendTime t;
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &t.second) != 6)
        return std::nullopt;
    return t;
}

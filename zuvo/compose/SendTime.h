#pragma once

// The timed-send moment as the fax record stores it (SendTimer):
// "%04d-%02d-%02d %02d:%02d:%02d".

#include <optional>
#include <string>
#include <string_view>

struct SendTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const SendTime&) const = default;
};

std::string FormatSendTime(const SendTime& time);
// The six numbers of a text in that form (each field as many digits as it
// has, the separators exactly); nothing when a field or a separator is
// missing. Whether the date exists is the caller's check.
std::optional<SendTime> ParseSendTime(std::string_view text);

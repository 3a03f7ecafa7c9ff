#pragma once

// Reading the agent's events: which event it is, how it ended, whose request
// it answers and how far a transfer has come. Every listener of the program
// (the main window's session, the send and receive runs, the dialogs that
// wait for one reply) reads its events through these, so that all of them
// read the server alike: names and results compare without regard to ASCII
// letter case, an absent key reads as "" or 0.

#include <algorithm>

#include "core/TextUtil.h"
#include "corlane/Event.h"

// Whether the event's "event" is name.
inline bool IsEvent(CRL::Event& event, const char* name)
{
    return EqualsNoCase(event.getString("event"), name);
}

// Whether the event's "result" is result.
inline bool HasResult(CRL::Event& event, const char* result)
{
    return EqualsNoCase(event.getString("result"), result);
}

// Whether the event's "result" is "success".
inline bool Succeeded(CRL::Event& event)
{
    return HasResult(event, "success");
}

// Whether the event answers a request that carried invokeId (its "invokeid").
inline bool CarriesInvokeId(CRL::Event& event, long invokeId)
{
    return event.getLong("invokeid") == invokeId;
}

// How far the transfer of a "download-process" or "upload-process" event has
// come, in percent (0 to 100): "offset" over "length" in single precision,
// truncated; 0 when the length is not positive.
inline int TransferPercent(CRL::Event& event)
{
    const long length = event.getLong("length");
    const float share = length > 0 ? static_cast<float>(event.getLong("offset")) / static_cast<float>(length) : 0.0f;
    return static_cast<int>(std::clamp(share, 0.0f, 1.0f) * 100.0f);
}

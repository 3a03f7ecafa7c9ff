#pragma once

#include <string>
#include <utility>
#include <vector>

#include "corlane/Event.h"

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The pairs of an event, in order, read through its cursor.
inline Pairs pairsOf(CRL::Event& event)
{
    Pairs pairs;
    for (CRL::KV* kv = event.first(); kv; kv = event.next())
        pairs.emplace_back(kv->getKey(), kv->getVal());
    return pairs;
}

// An event holding the given pairs, appended one by one (no upsert).
inline CRL::EventPtr eventOf(const Pairs& pairs)
{
    auto event = CRL::makeEvent();
    for (const auto& [key, val] : pairs)
        event->addKV(std::make_unique<CRL::KV>(key.c_str(), val.c_str()));
    return event;
}

#pragma once

// The level of every log line the state-machine engine writes to Jotter.

namespace CRL {

constexpr int kEngineLogLevel = 7;

} // namespace CRL

#pragma once

#include "jotter/Jotter.h"

namespace Netvoy {

// The agent client logs every line at one level, tagged with its source
// position (cpLog).
inline constexpr int kNetvoyLogLevel = 6;

} // namespace Netvoy

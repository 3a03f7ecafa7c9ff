#pragma once
// Crash-safe file replacement for Pictra.

#include <cstdint>
#include <span>
#include <string>

namespace pictra {

// Writes `bytes` as the file at `path` through the crash-safe writer: the
// old file survives any failure; a new file gets mode 0644.
bool replaceFile(const std::string& path, std::span<const uint8_t> bytes);

} // namespace pictra

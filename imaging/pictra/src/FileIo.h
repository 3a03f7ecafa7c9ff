#pragma once
// Crash-safe file replacement for Pictra.

#include <cstdint>
#include <span>
#include <string>

namespace pictra {

// Writes `bytes` to a new, exclusively created temporary file in the target's
// directory and renames it over `path`: the old file survives any failure.
bool replaceFile(const std::string& path, std::span<const uint8_t> bytes);

} // namespace pictra

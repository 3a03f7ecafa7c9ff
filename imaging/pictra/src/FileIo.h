#pragma once
// Whole-file reads and crash-safe file replacement for Pictra.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pictra {

// The file's bytes; nothing when it cannot be opened or read, or exceeds
// the size of any page file Pictra accepts.
std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path);

// Writes `bytes` to a new, exclusively created temporary file in the target's
// directory and renames it over `path`: the old file survives any failure.
bool replaceFile(const std::string& path, std::span<const uint8_t> bytes);

} // namespace pictra

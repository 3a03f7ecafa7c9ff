#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Standard Base64 (alphabet "A-Za-z0-9+/", padding "="), broken into lines of
// 76 characters with CR LF the way the stored passwords and the login token
// have always been written.

// Encodes the bytes. A CR LF follows every 19 whole 3-byte groups (76
// characters); the padded last group never starts a line break of its own.
// An empty input gives "".
std::string Base64Encode(const void* data, std::size_t length);
std::string Base64Encode(std::string_view bytes);

// Decodes leniently: every byte outside the alphabet ("=", CR, LF, blanks,
// bytes above 127) is skipped. A trailing run of 3 characters gives 2 bytes,
// 2 characters give 1 byte, a single one gives nothing.
std::string Base64Decode(std::string_view text);

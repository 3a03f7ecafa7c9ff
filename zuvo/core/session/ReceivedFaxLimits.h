#pragma once

// What one received fax may cost on this side: the download pump fetches
// no fax that passes these bounds, and the inbox writer files none. Such a
// fax is not acknowledged and stays on the server. Each file on its own is
// bounded by the agent client as well (512 MiB).

#include <cstdint>

// Files (attachments) of one fax.
inline constexpr int kMaxFaxFiles = 32;
// All the files of one fax together, in bytes.
inline constexpr std::uint64_t kMaxFaxBytes = 512ull * 1024 * 1024;

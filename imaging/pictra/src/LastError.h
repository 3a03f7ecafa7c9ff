#pragma once
// The last-error text of Pictra's exports: 256 bytes per thread, so that the
// GUI, compose and transfer threads each read their own failure.

#include <string_view>

namespace pictra {

void clearLastError();
// Copies the message, cut to 255 bytes.
void setLastError(std::string_view message);

} // namespace pictra

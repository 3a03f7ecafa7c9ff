#include "LastError.h"

#include <algorithm>
#include <cstring>

#include "pictra/Pictra.h"

namespace {

constexpr std::size_t kLastErrorSize = 256;
thread_local char lastError[kLastErrorSize] = {};

} // namespace

namespace pictra {

void clearLastError() { lastError[0] = '\0'; }

void setLastError(std::string_view message)
{
    std::size_t n = std::min(message.size(), kLastErrorSize - 1);
    // Never cut a UTF-8 sequence in half.
    if (n < message.size()) {
        while (n > 0 && (static_cast<unsigned char>(message[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(lastError, message.data(), n);
    lastError[n] = '\0';
}

} // namespace pictra

const char* PtxGetLastErrorInfo() { return lastError; }

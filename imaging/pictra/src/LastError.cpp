#include "LastError.h"

#include <cstring>

#include "pictra/Pictra.h"
#include "textcodec/Utf8.h"

namespace {

constexpr std::size_t kLastErrorSize = 256;
thread_local char lastError[kLastErrorSize] = {};

} // namespace

namespace pictra {

void clearLastError() { lastError[0] = '\0'; }

void setLastError(std::string_view message)
{
    // Never cut a UTF-8 sequence in half.
    const std::size_t n = TextCodec::utf8Prefix(message, kLastErrorSize - 1).size();
    std::memcpy(lastError, message.data(), n);
    lastError[n] = '\0';
}

} // namespace pictra

const char* PtxGetLastErrorInfo() { return lastError; }

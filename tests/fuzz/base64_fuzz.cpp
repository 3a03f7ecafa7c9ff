// Base64 as the stored passwords and tokens use it: any text decodes without
// harm, and any bytes come back unchanged from their encoding.
#include "FuzzSupport.h"
#include "core/codec/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string decoded = Base64Decode(bytes);
    if (decoded.size() > size)
        fuzz::Fault("decoding gave more bytes than it read");
    if (Base64Decode(Base64Encode(bytes)) != bytes)
        fuzz::Fault("decode(encode(x)) differs from x");
    return 0;
}

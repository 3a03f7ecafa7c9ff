// The JPEG-in-TIFF file: any bytes are looked at, unwrapped and measured
// without reading outside them, and a JPEG stream that gets wrapped comes
// out of its wrapping unchanged.
//
// Left out for now: a stream without "JFIF" in its first 32 bytes (an Exif
// or bare JPEG). It is wrapped, but the detection looks for "JFIF" within
// the first 800 bytes of the file (the 768-byte header and 32 bytes of the
// stream), so the file made is not taken for JPEG-in-TIFF when it is opened
// again (reported; lift this once wrapping and detection agree).
#include <algorithm>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "scanvel/JpegTiffHeader.h"
#include "scanvel/Scanvel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the input, so that a read past it is seen.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> file(bytes);
    if (IsScanvelBuffer(file)) {
        const std::span<const std::uint8_t> jpeg = JpegFromScanvelBuffer(file);
        if (!jpeg.empty() && (jpeg.data() < file.data() || jpeg.data() + jpeg.size() > file.data() + file.size()))
            fuzz::Fault("the JPEG stream lies outside the file");
    }
    JpegTiffFields fields;
    ReadJpegSize(file, fields);
    const std::optional<std::vector<std::uint8_t>> wrapped = ScanvelFromJpegBuffer(file);
    if (!wrapped)
        return 0;
    const std::string_view start(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 32));
    if (start.find("JFIF") == std::string_view::npos)
        return 0;
    if (!IsScanvelBuffer(*wrapped))
        fuzz::Fault("a wrapped stream is not taken for JPEG-in-TIFF");
    const std::span<const std::uint8_t> unwrapped = JpegFromScanvelBuffer(*wrapped);
    if (!std::equal(unwrapped.begin(), unwrapped.end(), file.begin(), file.end()))
        fuzz::Fault("the stream does not come out of its wrapping unchanged");
    return 0;
}

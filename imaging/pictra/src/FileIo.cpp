#include "FileIo.h"

#include "safefile/SafeFile.h"

namespace pictra {

bool replaceFile(const std::string& path, std::span<const uint8_t> bytes)
{
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A new image file gets the usual 0644; one replaced keeps its mode.
    return safefile::WriteFile(path, view, {safefile::Mode::Replace, 0644}) == safefile::WriteResult::Written;
}

} // namespace pictra

#include "compose/PageCount.h"

#include "pictra/Pictra.h"

int CountImagePages(const std::string& path)
{
    constexpr int32_t kMaxPages = 100;
    // The pages an open with room for 100 would load; a TIFF file's are
    // counted from its directories without decoding them.
    const int32_t n = PtxCountImagePages(path, kMaxPages);
    return n >= 0 ? n : 0;
}

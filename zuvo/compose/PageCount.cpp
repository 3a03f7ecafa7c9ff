#include "compose/PageCount.h"

#include "core/TextUtil.h"
#include "pictra/Pictra.h"

namespace {

constexpr int32_t kMaxPages = 100;

} // namespace

int CountImagePages(const std::string& path)
{
    // The pages an open with room for 100 would load; a TIFF file's are
    // counted from its directories without decoding them.
    const int32_t n = PtxCountImagePages(path, kMaxPages);
    return n >= 0 ? n : 0;
}

std::optional<std::string> RefusedPageFile(const std::string& path)
{
    // One page past the limit is enough to tell.
    const int32_t n = PtxCountImagePages(path, kMaxPages + 1);
    if (n < 0)
        return std::string(PtxGetLastErrorInfo());
    if (n > kMaxPages)
        return FormatText("该文件超过%d页，不能作为传真附件：%s", kMaxPages, path.c_str());
    return std::nullopt;
}

#include "compose/PageCount.h"

#include <array>

#include "pictra/Pictra.h"

int CountImagePages(const std::string& path)
{
    constexpr std::size_t kMaxPages = 100;
    ImgFileInfo info;
    // Every loaded page is released with the array, also after a failure.
    std::array<ImageHandle, kMaxPages> pages;
    const int32_t n = PtxOpenImageFile(path, &info, pages);
    return n >= 0 ? n : 0;
}

// An image file from outside (a fax page, a file to send, a seal): opened
// or refused, never more pages than handles, every page a usable image.
// The first byte picks the file name's extension, which some formats need.
#include <array>

#include "FuzzSupport.h"
#include "pictra/ImageHandle.h"
#include "pictra/Pictra.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr std::array<const char*, 16> kExtensions = {
        "tif", "bmp", "gif", "jpg", "png", "ico", "tga", "pcx", "wmf", "j2k", "pgx", "pnm", "ras", "jp2", "tiff", "bin"};
    if (size == 0)
        return 0;
    fuzz::Quiet();
    const std::string path =
        fuzz::WriteScratch(std::string("image.") + kExtensions[data[0] % kExtensions.size()], data + 1, size - 1);
    std::array<ImageHandle, 4> handles;
    ImgFileInfo info;
    const int32_t opened = PtxOpenImageFile(path, &info, handles);
    if (opened == -1)
        return 0;
    if (opened < 1 || opened > static_cast<int32_t>(handles.size()))
        fuzz::Fault("an open stored no page or more pages than handles");
    for (int32_t i = 0; i < opened; ++i) {
        ImgInfo page;
        if (PtxGetImgInfo(handles[static_cast<std::size_t>(i)], &page) != 1 || page.width <= 0 || page.height <= 0)
            fuzz::Fault("an opened page is no usable image");
    }
    return 0;
}

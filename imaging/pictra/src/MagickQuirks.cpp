// Per-format settings and work-arounds of the ImageMagick adapter.

#include "MagickQuirks.h"

#include <string>

#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace pictra::codec {

bool pcxWithPalette(std::span<const uint8_t> file)
{
    constexpr std::size_t kBitsPerPixel = 3;
    constexpr std::size_t kPlanes = 65;
    return file.size() > kPlanes && file[kBitsPerPixel] * file[kPlanes] <= 8;
}

void prepareForWriting(Magick::Image& image, const ImageHandle& h, const EncodeOptions& options)
{
    std::string coder = coderFor(options.format);
    switch (options.format) {
    case PtxFormat::Bmp:
        coder = "BMP3";
        break;
    case PtxFormat::Jpeg:
        image.interlaceType(mc::NoInterlace);
        if (options.quality > 0)
            image.quality(options.quality);
        break;
    case PtxFormat::J2k:
        if (options.quality > 0)
            image.quality(options.quality);
        break;
    case PtxFormat::Png:
        // The PNG writer would turn a true-colour page of few colours into a
        // palette one.
        if (h.bitCount() == 24)
            coder = "PNG24";
        break;
    case PtxFormat::Tga:
        // Uncompressed true colour keeps the file's first two bytes zero.
        image.classType(mc::DirectClass);
        image.compressType(mc::NoCompression);
        break;
    case PtxFormat::Pnm:
        coder = h.bitCount() == 24 || !PageView(h).greyPalette() ? "PPM" : "PGM";
        break;
    default:
        break;
    }
    // Pages made from handles carry no profiles, comments or dates, so the
    // files hold none either (no EXIF in a JPEG, no identification in a TGA).
    // True-colour pages stay true colour whatever their number of colours.
    if (h.bitCount() == 24)
        image.type(mc::TrueColorType);
    image.magick(coder);
}

std::vector<uint8_t> pgxBytes(Magick::Image& image)
{
    const std::string header = "PG ML + 8 " + std::to_string(image.columns()) + " " +
                               std::to_string(image.rows()) + "\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.resize(header.size() + image.columns() * image.rows());
    image.write(0, 0, image.columns(), image.rows(), "I", mc::CharPixel, bytes.data() + header.size());
    return bytes;
}

} // namespace pictra::codec

// The module's one export: the table of its codec functions.

#include "MagickModule.h"

extern "C" __attribute__((visibility("default"))) const pictra::codec::MagickCodec* pictra_magick_codec()
{
    static const pictra::codec::MagickCodec codec = {pictra::codec::readWithMagick, pictra::codec::writeWithMagick};
    return &codec;
}

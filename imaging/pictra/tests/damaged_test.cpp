#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include <gtest/gtest.h>

#include "PictraTestSupport.h"

using namespace pictratest;

// Truncated and corrupted files of every format: never a crash or an
// out-of-bounds access (the sanitizer build checks that); a file cut inside
// its header is refused with a message; anything that does open is a page
// whose header, palette and rows fit its block.
TEST(PictraDamagedFiles, OpenWithAMessageOrAValidPage)
{
    TempDir dir;
    const std::string src = dir.file("src.ppm");
    ASSERT_TRUE(make("convert -size 37x23 gradient:red-blue -fill white -draw 'rectangle 4,4 20,12' -depth 8 " + quote(src)));
    const std::string bw = dir.file("bw.pbm");
    ASSERT_TRUE(make("convert " + quote(src) + " -monochrome " + quote(bw)));
    struct Fixture {
        const char* command; // $S colour source, $B 1-bit source, $O the output
        const char* ext;
    };
    const Fixture fixtures[] = {
        {"convert $S BMP3:$O", ".bmp"}, {"convert $S -colors 30 $O", ".gif"}, {"cjpeg -outfile $O $S", ".jpg"},
        {"convert $S PNG24:$O", ".png"}, {"convert $S ICO:$O", ".ico"}, {"convert $B -compress group4 $O", ".tif"},
        {"convert $S -compress lzw $O", ".tif"}, {"convert $S $O", ".tga"}, {"convert $S $O", ".pcx"},
        {"opj_compress -n 2 -i $S -o $O", ".j2k"}, {"convert $S -colorspace gray -depth 8 PGX:$O", ".pgx"},
        {"convert $S PPM:$O", ".ppm"}, {"convert $S SUN:$O", ".ras"},
    };
    int n = 0;
    for (const auto& fixture : fixtures) {
        const std::string file = dir.file("f" + std::to_string(n++) + fixture.ext);
        std::string cmd = fixture.command;
        for (auto [from, to] : {std::pair<std::string, std::string>{"$S", src}, {"$B", bw}, {"$O", file}}) {
            for (std::size_t at; (at = cmd.find(from)) != std::string::npos;)
                cmd.replace(at, from.size(), quote(to));
        }
        ASSERT_TRUE(make(cmd)) << cmd;
        const auto good = readBytes(file);
        ASSERT_GT(good.size(), 16u) << file;
        const std::string ext = fixture.ext;

        std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
        for (std::size_t cut : {std::size_t{2}, std::size_t{9}, std::size_t{16}, good.size() / 3, good.size() / 2,
                                good.size() - 1}) {
            damaged.emplace_back("cut at " + std::to_string(cut), std::vector<uint8_t>(good.begin(), good.begin() + cut));
        }
        for (std::size_t start : {std::size_t{2}, std::size_t{6}, std::size_t{12}, good.size() / 2}) {
            auto bytes = good;
            for (std::size_t i = start; i < std::min(bytes.size(), start + 8); ++i)
                bytes[i] = static_cast<uint8_t>(0xFF - bytes[i] * 7);
            damaged.emplace_back("corrupted at " + std::to_string(start), bytes);
        }
        for (const auto& [what, bytes] : damaged) {
            SCOPED_TRACE(file + ", " + what);
            const std::string broken = dir.file("broken" + ext);
            writeBytes(broken, bytes);
            const Opened o = open(broken, 4);
            if (o.result == -1) {
                EXPECT_FALSE(o.error.empty());
            } else {
                ASSERT_GE(o.result, 1);
                for (int32_t i = 0; i < o.result; ++i)
                    EXPECT_TRUE(o.pages[static_cast<std::size_t>(i)].isValidDib());
            }
            if (bytes.size() <= 9) {
                EXPECT_EQ(o.result, -1);
            }
        }
    }
}

TEST(PictraDamagedFiles, HugeDimensionsAreRefusedBeforeAllocating)
{
    TempDir dir;
    // A PGM header claiming 60000 x 60000 pixels with almost no data.
    const std::string header = "P5\n60000 60000\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.resize(bytes.size() + 64, 0x80);
    writeBytes(dir.file("huge.pgm"), bytes);
    const Opened o = open(dir.file("huge.pgm"), 1);
    EXPECT_EQ(o.result, -1);
    EXPECT_FALSE(o.error.empty());
}

TEST(PictraDamagedFiles, ValidFilesOfPagesBeyondAHandleOrTheCodecsCacheAreRefusedBeforeDecoding)
{
    // Well-formed 1-bit PNGs of white pixels: a few kilobytes that would
    // decode into hundreds of megabytes. Their sizes lie inside the codec's
    // own width and height limits; 16000 x 16000 at 24 bits is more than any
    // handle may hold, and 8000 x 8000 (192 MB at 24 bits) more than the
    // codec's pixel cache holds.
    TempDir dir;
    for (const int side : {16000, 8000}) {
        SCOPED_TRACE(side);
        const std::string png = dir.file("bomb" + std::to_string(side) + ".png");
        ASSERT_TRUE(make("python3 -c " + quote(R"(
import struct, sys, zlib
side = int(sys.argv[1])
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
rows = (b'\0' + b'\xff' * (side // 8)) * side
sys.stdout.buffer.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 1, 0, 0, 0, 0))
                        + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))
)") + " " + std::to_string(side) + " > " + quote(png)));
        ASSERT_LT(readBytes(png).size(), 200000u);
        const Opened o = open(png, 1);
        EXPECT_EQ(o.result, -1);
        EXPECT_EQ(o.error, "image is too large");
    }
}

TEST(PictraDamagedFiles, AJpegPhotoBeyondTheCodecsCacheIsReadReduced)
{
    // An 8000 x 7000 grey photo (56 million pixels, more than the codec's
    // cache holds) at 300 dpi, black left and white right: read at half its
    // size, which the JPEG decoder does without holding the whole picture,
    // at half its resolution, so that it keeps its size on paper.
    TempDir dir;
    const std::string jpeg = dir.file("photo.jpg");
    ASSERT_TRUE(make(python3() + " -c " + quote(R"(
import sys
width, height = 8000, 7000
sys.stdout.buffer.write(b'P5\n%d %d\n255\n' % (width, height))
row = b'\x00' * (width // 2) + b'\xff' * (width // 2)
for y in range(height):
    sys.stdout.buffer.write(row)
)") + " | cjpeg -grayscale -quality 50 > " + quote(jpeg)));
    std::vector<uint8_t> bytes = readBytes(jpeg);
    ASSERT_LT(bytes.size(), 2000000u);
    // The JFIF header's density: dots per inch, 300 by 300.
    ASSERT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 11), std::string("JFIF\0", 5));
    const uint8_t density[] = {1, 300 >> 8, 300 & 0xFF, 300 >> 8, 300 & 0xFF};
    std::copy(std::begin(density), std::end(density), bytes.begin() + 13);
    writeBytes(jpeg, bytes);
    const Opened o = open(jpeg, 1);
    ASSERT_EQ(o.result, 1) << o.error;
    const ImageHandle& page = o.pages[0];
    EXPECT_EQ(page.width(), 4000);
    EXPECT_EQ(page.height(), 3500);
    EXPECT_EQ(page.bitCount(), 8);
    EXPECT_EQ(PtxPpmToDpi(page.header().xPelsPerMeter), 150);
    for (int32_t y : {0, 1750, 3499}) {
        EXPECT_LT(pixelRgb(page, 100, y)[0], 16);
        EXPECT_GT(pixelRgb(page, 3900, y)[0], 240);
    }
}

TEST(PictraDamagedFiles, AChunkLengthClaimingGigabytesDoesNotBecomeAnAllocation)
{
    // A small PNG whose last text chunk has the top byte of its length
    // changed: 300 bytes that claim a 1.5 GB chunk. The codec used to
    // allocate that much, fill it and copy it: seconds and 1.5 GB of memory.
    TempDir dir;
    const std::string png = dir.file("claim.png");
    ASSERT_TRUE(make("convert -size 8x8 pattern:checkerboard -colors 2 PNG8:" + quote(png)));
    std::vector<uint8_t> bytes = readBytes(png);
    std::size_t lastText = 0;
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        const uint32_t length =
            static_cast<uint32_t>(bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3]);
        if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), "tEXt"))
            lastText = at;
        at += 12 + length;
    }
    ASSERT_NE(lastText, 0u) << "the codec wrote no text chunk";
    bytes[lastText] = 0x5A;
    writeBytes(png, bytes);

    rusage before{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &before), 0);
    const Opened o = open(png, 1);
    rusage after{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &after), 0);
    if (o.result == -1) {
        EXPECT_FALSE(o.error.empty());
    } else {
        EXPECT_TRUE(o.pages[0].isValidDib());
    }
    // ru_maxrss is the process's peak, in kilobytes.
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256L * 1024);
}

TEST(PictraDamagedFiles, WhatIsNotARegularFileFailsAtOnce)
{
    // A FIFO named like a page blocked the open for good: opening it for
    // reading waits for a writer.
    TempDir dir;
    const std::string fifo = dir.file("x.tif");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const auto [opened, o] = returnsWithin(std::chrono::seconds(10), fifo, [&path] { return open(path, 1); });
        EXPECT_TRUE(opened) << "the open blocked";
        EXPECT_EQ(o.result, -1);
        EXPECT_EQ(o.error, "failed to open file");
        const auto [counted, pages] =
            returnsWithin(std::chrono::seconds(10), fifo, [&path] { return PtxCountImagePages(path, 100); });
        EXPECT_TRUE(counted) << "the page count blocked";
        EXPECT_EQ(pages, -1);
    }
}

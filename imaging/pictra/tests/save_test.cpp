#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "PictraTestSupport.h"
#include "scanvel/Scanvel.h"

using namespace pictratest;

namespace {

std::size_t differingPixels(const std::string& a, const std::string& b)
{
    // compare writes the count to standard error; exit status 1 means "different".
    const auto r = run("compare -metric AE " + quote(a) + " " + quote(b) + " null: 2>&1");
    return r.output.empty() ? SIZE_MAX : static_cast<std::size_t>(std::stoull(r.output));
}

ImgFileInfo fileInfo(uint16_t format, uint32_t encodeOption = 0, uint8_t quality = 0)
{
    ImgFileInfo info;
    info.format = format;
    info.encodeOption = encodeOption;
    info.quality = quality;
    return info;
}

struct Sources {
    TempDir dir;
    std::string colour, palette, bilevel, grey;
    Sources()
    {
        colour = dir.file("colour.png");
        palette = dir.file("palette.png");
        bilevel = dir.file("bilevel.png");
        grey = dir.file("grey.png");
        ok = make("convert -size 41x29 gradient:red-blue -fill green -draw 'circle 20,14 25,18' -depth 8 "
                  "-density 200 -units PixelsPerInch PNG24:" + quote(colour)) &&
             make("convert " + quote(colour) + " -colors 60 PNG8:" + quote(palette)) &&
             make("convert -size 43x31 xc:white -fill black -draw 'line 0,0 42,30' -draw 'rectangle 5,20 9,28' "
                  "-monochrome -density 300 -units PixelsPerInch " + quote(bilevel)) &&
             make("convert -size 39x27 gradient:white-black -depth 8 " + quote(grey));
    }
    bool ok = false;
};

ImageHandle openOne(const std::string& path)
{
    std::vector<ImageHandle> pages(1);
    return PtxOpenImageFile(path, nullptr, pages) == 1 ? std::move(pages[0]) : ImageHandle();
}

} // namespace

TEST(PictraSave, LosslessFormatsReopenWithTheSamePixels)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    struct Case {
        const char* name;
        const std::string* source;
        ImgFileInfo info;
        uint16_t reopenedBits;
    };
    const Case cases[] = {
        {"colour.bmp", &s.colour, fileInfo(PtxFormat::Bmp), 24},
        {"palette.bmp", &s.palette, fileInfo(PtxFormat::Bmp), 8},
        {"bilevel.bmp", &s.bilevel, fileInfo(PtxFormat::Bmp), 1},
        {"palette.gif", &s.palette, fileInfo(PtxFormat::Gif), 8},
        {"colour.png", &s.colour, fileInfo(PtxFormat::Png), 24},
        {"bilevel.png", &s.bilevel, fileInfo(PtxFormat::Png), 1},
        {"palette.ico", &s.palette, fileInfo(PtxFormat::Ico), 0},
        {"colour-none.tif", &s.colour, fileInfo(PtxFormat::Tiff, PtxTiffCompression::None), 24},
        {"colour-lzw.tif", &s.colour, fileInfo(PtxFormat::Tiff, PtxTiffCompression::Lzw), 24},
        {"palette-packbits.tif", &s.palette, fileInfo(PtxFormat::Tiff, PtxTiffCompression::PackBits), 8},
        {"bilevel-g4.tif", &s.bilevel, fileInfo(PtxFormat::Tiff, PtxTiffCompression::CcittG4), 1},
        {"bilevel-g3.tif", &s.bilevel, fileInfo(PtxFormat::Tiff, PtxTiffCompression::CcittG3), 1},
        {"colour.tga", &s.colour, fileInfo(PtxFormat::Tga), 24},
        {"palette.tga", &s.palette, fileInfo(PtxFormat::Tga), 24},
        {"colour.pcx", &s.colour, fileInfo(PtxFormat::Pcx), 24},
        {"bilevel.pcx", &s.bilevel, fileInfo(PtxFormat::Pcx), 1},
        {"grey.pgx", &s.grey, fileInfo(PtxFormat::Pgx), 8},
        {"colour.ppm", &s.colour, fileInfo(PtxFormat::Pnm), 24},
        {"bilevel.pgm", &s.bilevel, fileInfo(PtxFormat::Pnm), 1},
        {"grey.pgm", &s.grey, fileInfo(PtxFormat::Pnm), 8},
        {"colour.ras", &s.colour, fileInfo(PtxFormat::Ras), 24},
        {"palette.ras", &s.palette, fileInfo(PtxFormat::Ras), 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHandle page = openOne(*c.source);
        ASSERT_FALSE(page.isNull());
        const std::string out = s.dir.file(c.name);
        ASSERT_EQ(PtxSaveImageToFile(page, out, c.info), 1) << PtxGetLastErrorInfo();
        EXPECT_STREQ(PtxGetLastErrorInfo(), "");
        EXPECT_EQ(differingPixels(*c.source, out), 0u);
        const Opened back = open(out, 1);
        ASSERT_EQ(back.result, 1) << back.error;
        EXPECT_EQ(back.info.format, c.info.format);
        if (c.reopenedBits != 0) {
            EXPECT_EQ(back.pages[0].bitCount(), c.reopenedBits);
        }
        EXPECT_TRUE(handleRgb(back.pages[0]) == handleRgb(page));
        if (c.info.format == PtxFormat::Tiff) {
            EXPECT_EQ(back.info.encodeOption, c.info.encodeOption);
        }
    }
}

TEST(PictraSave, LossyFormatsKeepSizeResolutionAndQuality)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    const ImageHandle colour = openOne(s.colour);
    ASSERT_FALSE(colour.isNull());
    const std::string jpeg = s.dir.file("q55.jpg");
    ASSERT_EQ(PtxSaveImageToFile(colour, jpeg, fileInfo(PtxFormat::Jpeg, 0, 55)), 1);
    EXPECT_EQ(run("identify -format %Q " + quote(jpeg)).output, "55");
    const Opened back = open(jpeg);
    ASSERT_EQ(back.result, 1);
    EXPECT_EQ(back.info.quality, 55);
    EXPECT_EQ(PtxPpmToDpi(back.pages[0].header().xPelsPerMeter), 200);

    const std::string j2k = s.dir.file("page.j2k");
    ASSERT_EQ(PtxSaveImageToFile(colour, j2k, fileInfo(PtxFormat::J2k, 0, 55)), 1) << PtxGetLastErrorInfo();
    const Opened stream = open(j2k);
    ASSERT_EQ(stream.result, 1) << stream.error;
    EXPECT_EQ(stream.info.format, PtxFormat::J2k);
    EXPECT_EQ(stream.pages[0].width(), 41);
    EXPECT_EQ(stream.pages[0].height(), 29);
    EXPECT_EQ(readBytes(j2k)[1], 0x4F);
}

TEST(PictraSave, ResolutionSurvivesTheRoundTrip)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    ImageHandle page = openOne(s.bilevel);
    ASSERT_FALSE(page.isNull());
    for (int32_t dpi : {200, 300, 96}) {
        BitmapInfoHeader h = page.header();
        h.xPelsPerMeter = h.yPelsPerMeter = PtxDpiToPpm(dpi);
        page.setHeader(h);
        for (uint16_t format : {PtxFormat::Tiff, PtxFormat::Bmp, PtxFormat::Png, PtxFormat::Jpeg}) {
            SCOPED_TRACE(std::to_string(dpi) + " dpi, format " + std::to_string(format));
            const std::string out = s.dir.file("dpi" + std::to_string(format));
            ASSERT_EQ(PtxSaveImageToFile(page, out, fileInfo(format)), 1) << PtxGetLastErrorInfo();
            const ImageHandle back = openOne(out);
            EXPECT_EQ(PtxPpmToDpi(back.header().xPelsPerMeter), dpi);
            EXPECT_EQ(PtxPpmToDpi(back.header().yPelsPerMeter), dpi);
        }
    }
}

TEST(PictraSave, MultiPageTiffKeepsEveryPage)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    std::vector<ImageHandle> pages;
    for (const std::string* src : {&s.bilevel, &s.colour, &s.palette, &s.bilevel})
        pages.push_back(openOne(*src));
    const std::string out = s.dir.file("multi.tif");
    // Encode option 0: G4 for 1-bit pages, LZW for the others.
    ImgFileInfo info = fileInfo(PtxFormat::Tiff, 0);
    info.pages = 3;
    ASSERT_EQ(PtxSaveMultiImageToFile(pages, out, info), 1) << PtxGetLastErrorInfo();
    const std::string tiffinfo = run("tiffinfo " + quote(out) + " 2>/dev/null").output;
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = 0; (at = tiffinfo.find(what, at)) != std::string::npos; at += what.size())
            ++n;
        return n;
    };
    EXPECT_EQ(count("TIFF Directory"), 3u);
    EXPECT_EQ(count("Page Number: 2-3"), 1u) << tiffinfo;
    EXPECT_EQ(run("tiffinfo " + quote(out) + " 2>&1 >/dev/null").output, ""); // no warnings or errors
    EXPECT_EQ(count("Compression Scheme: CCITT Group 4"), 1u) << tiffinfo;
    EXPECT_EQ(count("Compression Scheme: LZW"), 2u) << tiffinfo;
    const Opened back = open(out);
    ASSERT_EQ(back.result, 3);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(handleRgb(back.pages[i]) == handleRgb(pages[i])) << i;

    info.encodeOption = PtxTiffCompression::PackBits;
    info.pages = 4;
    ASSERT_EQ(PtxSaveMultiImageToFile(pages, out, info), 1);
    EXPECT_EQ(run("tiffinfo " + quote(out) + " 2>/dev/null | grep -c 'PackBits'").output, "4\n");

    // G4 asked for a colour page: refused with its reason, the file as it was.
    const auto before = readBytes(out);
    info.encodeOption = PtxTiffCompression::CcittG4;
    EXPECT_EQ(PtxSaveMultiImageToFile(pages, out, info), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "CCITT compression needs a 1-bit page; page 2 has 24 bits");
    EXPECT_TRUE(readBytes(out) == before);
}

TEST(PictraSave, JpegInTiffIsWrittenAroundABaselineJfif)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    const ImageHandle colour = openOne(s.colour);
    const std::string out = s.dir.file("wrapped.tif");
    ASSERT_EQ(PtxSaveImageToFile(colour, out, fileInfo(PtxFormat::JpegInTiff, 0, 80)), 1) << PtxGetLastErrorInfo();
    EXPECT_EQ(IsScanvel(out), 1);
    const auto bytes = readBytes(out);
    ASSERT_GT(bytes.size(), 800u);
    const std::string head(bytes.begin() + 768, bytes.begin() + 800);
    EXPECT_EQ(head.substr(0, 4), "\xFF\xD8\xFF\xE0");
    EXPECT_EQ(head.substr(6, 4), "JFIF");
    const std::string tail(bytes.begin() + 768, bytes.end());
    EXPECT_EQ(tail.find("Exif"), std::string::npos);
    const std::string jpeg = s.dir.file("inner.jpg");
    ASSERT_EQ(ConvertTifftoJpeg(out, jpeg), 1);
    EXPECT_EQ(run("identify -format '%Q %[interlace]' " + quote(jpeg)).output, "80 None");
    const Opened back = open(out);
    ASSERT_EQ(back.result, 1);
    EXPECT_EQ(back.info.format, PtxFormat::Jpeg);
    // Nothing is left behind next to the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(s.dir.path())), {}), 6);
}

TEST(PictraSave, SavingThroughASymbolicLinkKeepsTheLink)
{
    // A page kept elsewhere and linked into a folder: saving it by the link
    // replaces the page, as an editor does, and leaves the link.
    TempDir dir;
    std::filesystem::create_directories(dir.file("store"));
    const std::string real = dir.file("store/page.tif");
    const std::string link = dir.file("page.tif");
    const ImageHandle first = PtxCreateHandle(30, 20, PtxBlank::Bilevel);
    const ImageHandle second = PtxCreateHandle(31, 21, PtxBlank::Bilevel);
    ASSERT_EQ(PtxSaveImageToFile(first, real, fileInfo(PtxFormat::Tiff)), 1);
    ASSERT_EQ(::symlink("store/page.tif", link.c_str()), 0);
    for (const auto& [saved, width] : {std::pair{&first, 30}, std::pair{&second, 31}}) {
        ASSERT_EQ(PtxSaveImageToFile(*saved, link, fileInfo(PtxFormat::Tiff)), 1) << PtxGetLastErrorInfo();
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        const Opened o = open(real, 1);
        ASSERT_EQ(o.result, 1);
        EXPECT_EQ(o.pages[0].width(), width);
    }
}

TEST(PictraSave, FailuresReportTheirMessageAndKeepTheOldFile)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    const ImageHandle colour = openOne(s.colour);
    const std::string out = s.dir.file("kept.bmp");
    writeBytes(out, {'o', 'l', 'd'});

    struct Case {
        const char* what;
        ImgFileInfo info;
        const char* message;
    };
    const Case cases[] = {
        {"WMF", fileInfo(PtxFormat::Wmf), "Unknown or wrong format"},
        {"format 9", fileInfo(9), "Unknown or wrong format"},
        {"format 0", fileInfo(0), "Unknown or wrong format"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PtxSaveImageToFile(colour, out, c.info), 0) << c.what;
        EXPECT_STREQ(PtxGetLastErrorInfo(), c.message) << c.what;
    }
    EXPECT_EQ(PtxSaveImageToFile(ImageHandle(), out, fileInfo(PtxFormat::Bmp)), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");

    // The codec refuses an icon larger than 256 pixels: its own text, old file intact.
    ImageHandle big = ImageHandle::createDib(300, 10, 24);
    EXPECT_EQ(PtxSaveImageToFile(big, out, fileInfo(PtxFormat::Ico)), 0);
    EXPECT_STRNE(PtxGetLastErrorInfo(), "");
    EXPECT_EQ(PtxSaveImageToFile(colour, s.dir.file("no/such/dir.bmp"), fileInfo(PtxFormat::Bmp)), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "failed to create file");
    EXPECT_EQ(readBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));

    std::vector<ImageHandle> pages;
    pages.push_back(colour.clone());
    pages.emplace_back();
    ImgFileInfo multi = fileInfo(PtxFormat::Jpeg);
    multi.pages = 2;
    EXPECT_EQ(PtxSaveMultiImageToFile(pages, out, multi), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "Multipage Encode, Unsupported operation for this format");
    multi.format = PtxFormat::Tiff;
    EXPECT_EQ(PtxSaveMultiImageToFile(pages, out, multi), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "wrong image handle");
    EXPECT_EQ(PtxSaveMultiImageToFile({}, out, multi), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    multi.pages = 1;
    EXPECT_EQ(PtxSaveMultiImageToFile(pages, s.dir.file("no/such/dir.tif"), multi), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "failed to create file");
    EXPECT_EQ(readBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    // Only the sources and the kept file: no temporary file stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(s.dir.path())), {}), 5);
}

TEST(PictraThreads, OpenAndSaveOnFourThreadsAtOnce)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    const std::vector<uint8_t> expected = handleRgb(openOne(s.colour));
    std::vector<std::string> failures(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                const ImageHandle page = openOne(s.colour);
                const std::string out = s.dir.file("thread" + std::to_string(t) + ".tif");
                if (page.isNull() || PtxSaveImageToFile(page, out, fileInfo(PtxFormat::Tiff, PtxTiffCompression::Lzw)) != 1 ||
                    handleRgb(openOne(out)) != expected) {
                    failures[static_cast<std::size_t>(t)] = PtxGetLastErrorInfo();
                    failures[static_cast<std::size_t>(t)] += " (failed)";
                    return;
                }
            }
        });
    }
    for (auto& th : threads)
        th.join();
    for (const auto& f : failures)
        EXPECT_EQ(f, "");
}

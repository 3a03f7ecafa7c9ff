#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/TestSupport.h"
#include "scanvel/JpegTiffHeader.h"
#include "scanvel/Scanvel.h"

using namespace testsupport;

namespace {

// A small baseline JPEG made by cjpeg from a PPM that ImageMagick draws.
std::string makeJpeg(const TempDir& dir, const std::string& name, const std::string& cjpegOptions)
{
    const std::string ppm = dir.file("source.ppm");
    const std::string jpeg = dir.file(name);
    if (!runOk("convert -size 37x21 gradient:red-blue -depth 8 " + quote(ppm)) ||
        !runOk("cjpeg " + cjpegOptions + " -outfile " + quote(jpeg) + " " + quote(ppm)))
        return "";
    return jpeg;
}

std::string tiffdump(const std::string& path) { return run("tiffdump -m 100 " + quote(path) + " 2>&1").output; }

} // namespace

TEST(ScanvelWrap, WrapsCjpegOutputAndUnwrapsItBack)
{
    TempDir dir;
    const std::string jpeg = makeJpeg(dir, "page.jpg", "-quality 80");
    ASSERT_FALSE(jpeg.empty());
    const std::string tiff = dir.file("page.tif");
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(ConvertJpegtoTiff(tiff, jpeg), 1);

    const auto jpegBytes = readBytes(jpeg);
    const auto tiffBytes = readBytes(tiff);
    ASSERT_EQ(tiffBytes.size(), jpegBytes.size() + 768);
    EXPECT_TRUE(std::equal(jpegBytes.begin(), jpegBytes.end(), tiffBytes.begin() + 768));
    EXPECT_EQ(IsScanvel(tiff), 1);
    EXPECT_EQ(IsScanvel(jpeg), 0);

    // The whole directory, entry by entry in file order, as libtiff reads it.
    const std::string dump = tiffdump(tiff);
    const std::string directory = "Directory 0: offset 8 (0x8) next 0 (0)\n"
                                  "SubFileType (254) LONG (4) 1<0>\n"
                                  "ImageWidth (256) LONG (4) 1<37>\n"
                                  "ImageLength (257) LONG (4) 1<21>\n"
                                  "BitsPerSample (258) SHORT (3) 3<8 8 8>\n"
                                  "Compression (259) SHORT (3) 1<6>\n"
                                  "Photometric (262) SHORT (3) 1<6>\n"
                                  "ImageDescription (270) ASCII (2) 62<c:\\Program Files\\Kofax\\imgctls\\BIN"
                                  "\\SCN.TIF adding description\\0>\n"
                                  "StripOffsets (273) LONG (4) 1<768>\n"
                                  "Orientation (274) SHORT (3) 1<1>\n"
                                  "SamplesPerPixel (277) SHORT (3) 1<3>\n"
                                  "RowsPerStrip (278) LONG (4) 1<1168>\n"
                                  "StripByteCounts (279) LONG (4) 1<" + std::to_string(jpegBytes.size()) + ">\n"
                                  "XResolution (282) RATIONAL (5) 1<100>\n"
                                  "YResolution (283) RATIONAL (5) 1<100>\n"
                                  "PlanarConfig (284) SHORT (3) 1<2>\n"
                                  "ResolutionUnit (296) SHORT (3) 1<2>\n"
                                  "Software (305) ASCII (2) 56<Kofax standard Multi-Page TIFF Storage Filter v2.01.000\\0>\n"
                                  "DateTime (306) ASCII (2) 20<";
    EXPECT_NE(dump.find(directory), std::string::npos) << dump;
    EXPECT_NE(dump.find("\\0>\nJPEGInterchangeFormat (513) LONG (4) 1<768>\n33000 (0x80e8) SHORT (3) 1<0>\n"),
              std::string::npos) << dump;

    // Where the out-of-line values sit, and the zero bytes between them.
    auto u32At = [&](std::size_t at) {
        return tiffBytes[at] | (tiffBytes[at + 1] << 8) | (tiffBytes[at + 2] << 16) | (uint32_t{tiffBytes[at + 3]} << 24);
    };
    const std::pair<std::size_t, uint32_t> outOfLine[] = {{4, 762}, {7, 700}, {13, 692}, {14, 684}, {17, 628}, {18, 608}};
    for (const auto& [entry, offset] : outOfLine)
        EXPECT_EQ(u32At(10 + 12 * (entry - 1) + 8), offset) << "entry " << entry;
    EXPECT_EQ(u32At(684), 100u);
    EXPECT_EQ(u32At(688), 1u);
    EXPECT_TRUE(std::all_of(tiffBytes.begin() + 250, tiffBytes.begin() + 608, [](uint8_t b) { return b == 0; }));

    // The DateTime text is the local time of the conversion.
    const std::string dateTime(reinterpret_cast<const char*>(&tiffBytes[608]), 19);
    EXPECT_EQ(tiffBytes[627], 0);
    bool matched = false;
    for (std::time_t t = before; t <= std::time(nullptr) && !matched; ++t) {
        std::tm local{};
        localtime_r(&t, &local);
        char expected[32];
        std::strftime(expected, sizeof expected, "%Y:%m:%d %H:%M:%S", &local);
        matched = dateTime == expected;
    }
    EXPECT_TRUE(matched) << dateTime;

    const std::string back = dir.file("back.jpg");
    ASSERT_EQ(ConvertTifftoJpeg(tiff, back), 1);
    EXPECT_EQ(readBytes(back), jpegBytes);
}

TEST(ScanvelWrap, RefusesJpegsWithoutBaselineFrameSize)
{
    TempDir dir;
    const std::string progressive = makeJpeg(dir, "progressive.jpg", "-progressive");
    ASSERT_FALSE(progressive.empty());
    EXPECT_EQ(ConvertJpegtoTiff(dir.file("out.tif"), progressive), 0);
    EXPECT_EQ(ConvertJpegtoTiff(dir.file("out.tif"), dir.file("missing.jpg")), 0);

    // A frame header behind a long application segment lies past the scan window.
    const std::string baseline = makeJpeg(dir, "baseline.jpg", "");
    auto bytes = readBytes(baseline);
    ASSERT_GT(bytes.size(), 20u);
    std::vector<uint8_t> padded(bytes.begin(), bytes.begin() + 2);
    const std::vector<uint8_t> app1 = {0xFF, 0xE1, 0x09, 0xC6};
    padded.insert(padded.end(), app1.begin(), app1.end());
    padded.insert(padded.end(), 0x09C4, 'x');
    padded.insert(padded.end(), bytes.begin() + 2, bytes.end());
    writeBytes(dir.file("late.jpg"), padded);
    EXPECT_EQ(ConvertJpegtoTiff(dir.file("late.tif"), dir.file("late.jpg")), 0);
}

TEST(ScanvelFrameScan, StopsAtTheEndOfShortOrHostileStreams)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> stream;
        int result;
        int width;
        int height;
    };
    const std::vector<uint8_t> sof = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0x02, 0x03, 0x04};
    auto with = [&](std::vector<uint8_t> tail) {
        std::vector<uint8_t> s = sof;
        s.insert(s.end(), tail.begin(), tail.end());
        return s;
    };
    const Case cases[] = {
        {"empty", {}, 0, -1, -1},
        {"one byte", {0xFF}, 0, -1, -1},
        {"no start of image", {0x00, 0x00, 0xFF, 0xDA}, 0, -1, -1},
        {"frame cut short", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01}, 0, -1, -1},
        {"frame without scan", sof, 0, 0x0304, 0x0102},
        {"frame and scan", with({0xFF, 0xDA}), 1, 0x0304, 0x0102},
        {"12-bit precision", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x0C, 0x01, 0x02, 0x03, 0x04, 0xFF, 0xDA}, 0, -1, -1},
        {"application segment at the end", {0xFF, 0xD8, 0xFF, 0xE0, 0x00}, 0, -1, -1},
        {"application segment without JFIF", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'E', 'x', 'i', 'g', 0xFF, 0xDA}, 0, -1, -1},
        {"scan before any frame", {0xFF, 0xD8, 0xFF, 0xDA}, 1, -1, -1},
    };
    for (const auto& c : cases) {
        JpegTiffFields fields;
        // An exact-size copy lets the sanitizer catch any read past the end.
        std::vector<uint8_t> exact(c.stream);
        EXPECT_EQ(ReadJpegSize(exact, fields), c.result) << c.what;
        EXPECT_EQ(fields.jpegWidth, c.width) << c.what;
        EXPECT_EQ(fields.jpegHeight, c.height) << c.what;
    }
    // A scan that finds no frame size is no JPEG-in-TIFF source either.
    EXPECT_FALSE(ScanvelFromJpegBuffer(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xDA}));
}

TEST(ScanvelDetect, NeedsBothWordsWithinTheFirstBytes)
{
    struct Case {
        const char* what;
        std::size_t kofaxAt;
        std::size_t jfifAt;
        std::size_t size;
        bool detected;
    };
    const Case cases[] = {
        {"header words", 628, 774, 2000, true},
        {"JFIF before Kofax", 700, 10, 2000, true},
        {"Kofax at the last start", 799, 20, 2000, true},
        {"Kofax too late", 800, 20, 2000, false},
        {"JFIF only after 803", 100, 804, 2000, false},
        {"JFIF starting at 799", 100, 799, 2000, true},
        {"no longer than the header", 100, 200, 768, false},
        {"words cut by the end of the file", 100, 767, 769, false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        std::vector<uint8_t> file(c.size, 0);
        auto put = [&](std::size_t at, const std::string& word) {
            for (std::size_t i = 0; i < word.size() && at + i < file.size(); ++i)
                file[at + i] = static_cast<uint8_t>(word[i]);
        };
        put(c.kofaxAt, "Kofax");
        put(c.jfifAt, "JFIF");
        EXPECT_EQ(IsScanvelBuffer(file), c.detected) << c.what;
        const std::string path = dir.file("detect.bin");
        writeBytes(path, file);
        EXPECT_EQ(IsScanvel(path), c.detected ? 1 : 0) << c.what;
    }
    EXPECT_EQ(IsScanvel(dir.file("missing.tif")), 0);
}

TEST(ScanvelUnwrap, RefusesFilesNoLongerThanTheHeader)
{
    TempDir dir;
    for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{768}}) {
        writeBytes(dir.file("short.tif"), std::vector<uint8_t>(size, 'K'));
        EXPECT_EQ(ConvertTifftoJpeg(dir.file("short.tif"), dir.file("out.jpg")), 0) << size;
    }
    writeBytes(dir.file("one.tif"), std::vector<uint8_t>(769, 7));
    ASSERT_EQ(ConvertTifftoJpeg(dir.file("one.tif"), dir.file("one.jpg")), 1);
    EXPECT_EQ(readBytes(dir.file("one.jpg")), std::vector<uint8_t>(1, 7));
    EXPECT_EQ(ConvertTifftoJpeg(dir.file("missing.tif"), dir.file("out.jpg")), 0);
}

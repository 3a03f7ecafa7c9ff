#include <gtest/gtest.h>

#include "testsupport/TestSupport.h"
#include "compose/PageCount.h"
#include "scanvel/Scanvel.h"

using namespace testsupport;

namespace {

// A TIFF of `pages` small G4 pages.
std::string makeTiff(const TempDir& dir, int pages)
{
    const std::string path = dir.file(std::to_string(pages) + ".tif");
    const bool ok = runOk("convert -size 16x12 xc:white -fill black -draw 'point 3,3' -monochrome -duplicate " +
                          std::to_string(pages - 1) + " -compress group4 " + quote(path));
    return ok ? path : "";
}

int tiffinfoPages(const std::string& path)
{
    return std::stoi(run("tiffinfo " + quote(path) + " 2>/dev/null | grep -c 'TIFF Directory'").output);
}

} // namespace

TEST(PageCount, CountsTheLoadedPagesUpToOneHundred)
{
    TempDir dir;
    struct Case {
        int pages;
        int counted;
    };
    for (const Case c : {Case{1, 1}, Case{3, 3}, Case{150, 100}}) {
        const std::string path = makeTiff(dir, c.pages);
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(tiffinfoPages(path), c.pages);
        EXPECT_EQ(CountImagePages(path), c.counted) << c.pages;
    }
}

TEST(PageCount, UnreadableFilesCountZero)
{
    TempDir dir;
    EXPECT_EQ(CountImagePages(dir.file("missing.tif")), 0);
    writeBytes(dir.file("garbage.tif"), {'I', 'I', 42, 0, 1, 2, 3});
    EXPECT_EQ(CountImagePages(dir.file("garbage.tif")), 0);

    // A damaged three-page file counts 0, and nothing it loaded stays allocated.
    const std::string three = makeTiff(dir, 3);
    ASSERT_FALSE(three.empty());
    auto bytes = readBytes(three);
    ASSERT_GT(bytes.size(), 100u);
    bytes.resize(bytes.size() - 30);
    writeBytes(dir.file("cut.tif"), bytes);
    EXPECT_EQ(CountImagePages(dir.file("cut.tif")), 0);
}

TEST(PageCount, JpegInTiffCountsOne)
{
    TempDir dir;
    ASSERT_TRUE(runOk("convert -size 20x10 xc:orange " + quote(dir.file("p.ppm")) + " && cjpeg -outfile " +
                      quote(dir.file("p.jpg")) + " " + quote(dir.file("p.ppm"))));
    ASSERT_EQ(ConvertJpegtoTiff(dir.file("p.tif"), dir.file("p.jpg")), 1);
    EXPECT_EQ(CountImagePages(dir.file("p.tif")), 1);
}

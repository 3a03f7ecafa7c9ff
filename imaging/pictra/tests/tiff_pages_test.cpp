#include <gtest/gtest.h>

#include "../src/TiffPages.h"
#include "PictraTestSupport.h"

using namespace pictratest;

TEST(TiffPages, JoinsPagesThatLibtiffReadsBack)
{
    TempDir dir;
    std::vector<std::vector<uint8_t>> pages;
    const char* const makers[] = {
        "convert -size 20x10 xc:white -fill black -draw 'line 0,0 19,9' -monochrome -compress group4 ",
        "convert -size 11x13 gradient:red-blue -compress lzw ",
        "convert -size 7x5 xc:orange -compress none ",
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string path = dir.file("p" + std::to_string(i) + ".tif");
        ASSERT_TRUE(make(makers[i] + quote(path)));
        pages.push_back(readBytes(path));
    }
    const auto joined = pictra::joinTiffPages(pages);
    ASSERT_TRUE(joined);
    writeBytes(dir.file("joined.tif"), *joined);
    EXPECT_EQ(run("tiffinfo " + quote(dir.file("joined.tif")) + " 2>&1 | grep -c 'TIFF Directory'").output, "3\n");
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(run("compare -metric AE " + quote(dir.file("p" + std::to_string(i) + ".tif")) + " " +
                      quote(dir.file("joined.tif") + "[" + std::to_string(i) + "]") + " null: 2>&1").output, "0")
            << i;
    }
}

TEST(TiffPages, RefusesWhatItCannotMove)
{
    const std::vector<uint8_t> notTiff = {'P', '5', 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> little = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> big = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
    // A directory that claims more entries than the file holds.
    const std::vector<uint8_t> cut = {'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0x00, 1, 1};
    using Pages = std::vector<std::vector<uint8_t>>;
    EXPECT_FALSE(pictra::joinTiffPages(Pages{}));
    EXPECT_FALSE(pictra::joinTiffPages(Pages{notTiff}));
    EXPECT_FALSE(pictra::joinTiffPages(Pages{little, big}));
    EXPECT_FALSE(pictra::joinTiffPages(Pages{little, cut}));
    EXPECT_TRUE(pictra::joinTiffPages(Pages{little, little}));
}

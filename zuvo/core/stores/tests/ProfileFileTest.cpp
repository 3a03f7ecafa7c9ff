// Reading and changing one value of a settings file, checked on the bytes.

#include "core/stores/ProfileFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/tests/TestFiles.h"

namespace {

TEST(ProfileFile, ReadsAValueWhateverTheCaseOfItsNames)
{
    testfiles::TempDir dir;
    const std::string file = dir.file("FaxPrint.ini");
    testfiles::writeFile(file, "; the printer's settings\r\n[Other]\r\ntiffresolution=7\r\n[FORMAT]\r\n"
                               " TiffResolution = 0 \r\npapersize=a4\n");
    EXPECT_EQ(ReadProfileString(file, "format", "tiffresolution", "?"), "0");
    EXPECT_EQ(ReadProfileInt(file, "format", "tiffresolution", 1), 0);
    EXPECT_EQ(ReadProfileString(file, "format", "papersize", "?"), "a4");
    EXPECT_EQ(ReadProfileInt(file, "format", "missing", 1), 1);
    EXPECT_EQ(ReadProfileInt(file, "absent", "tiffresolution", 1), 1);
    EXPECT_EQ(ReadProfileInt(dir.file("none.ini"), "format", "tiffresolution", 1), 1);
}

TEST(ProfileFile, WritesOneValueAndKeepsEveryOtherLine)
{
    struct Case {
        const char* what;
        const char* before; // nullptr: no file
        const char* after;
    };
    const Case cases[] = {
        {"no file", nullptr, "[format]\r\ntiffresolution=0\r\n"},
        {"value replaced", "[format]\r\ntiffresolution=1\r\nx=y\r\n", "[format]\r\ntiffresolution=0\r\nx=y\r\n"},
        {"key added to its section", "[format]\r\nx=y\r\n\r\n[other]\r\na=b\r\n",
         "[format]\r\nx=y\r\ntiffresolution=0\r\n\r\n[other]\r\na=b\r\n"},
        {"section added", "; note\r\n[other]\r\ntiffresolution=5\r\n",
         "; note\r\n[other]\r\ntiffresolution=5\r\n[format]\r\ntiffresolution=0\r\n"},
    };
    for (const Case& c : cases) {
        testfiles::TempDir dir;
        const std::string file = dir.file("FaxPrint.ini");
        if (c.before)
            testfiles::writeFile(file, c.before);
        EXPECT_EQ(WriteProfileString(file, "format", "tiffresolution", "0"), 1) << c.what;
        EXPECT_EQ(testfiles::readFile(file), c.after) << c.what;
    }
}

TEST(ProfileFile, AFileThatCannotBeWrittenStaysAsItWas)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into a read-only directory";
    testfiles::TempDir dir;
    const std::string file = dir.file("FaxPrint.ini");
    testfiles::writeFile(file, "[format]\r\ntiffresolution=1\r\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    EXPECT_EQ(WriteProfileString(file, "format", "tiffresolution", "0"), 0);
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(testfiles::readFile(file), "[format]\r\ntiffresolution=1\r\n");
}

} // namespace

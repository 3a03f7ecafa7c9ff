// Attachment files: extensions without case, stored and plain-named paths
// that never lead outside the folder, copies (md5sum), and the print failure
// text. Printing itself is tested against a private CUPS server in the
// window tests.

#include "faxbox/AttachmentFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testsupport/TestSupport.h"

using testsupport::md5sumOf;

namespace {

TEST(AttachmentFilesTest, PageAndSoundFilesByNameWithoutCase)
{
    struct Case {
        const char* name;
        bool tiff, wave;
        const char* filter;
    } cases[] = {
        {"a.tif", true, false, "TIFF(*.TIF)|*.TIF||"},
        {"A.TIF", true, false, "TIFF(*.TIF)|*.TIF||"},
        {"合同.Tif", true, false, "TIFF(*.TIF)|*.TIF||"},
        // A page file's name contains ".tif": a scanner's ".tiff" too.
        {"scan.tiff", true, false, "TIFF(*.TIF)|*.TIF||"},
        {"Scan.TIFF", true, false, "TIFF(*.TIF)|*.TIF||"},
        {"a.tif.doc", true, false, "TIFF(*.TIF)|*.TIF||"},
        {"tif", false, false, "WAV File(*.wav)|*.wav||"},
        {"atif", false, false, "WAV File(*.wav)|*.wav||"},
        {"voice.WAV", false, true, "WAV File(*.wav)|*.wav||"},
        {"voice.wav.txt", false, false, "WAV File(*.wav)|*.wav||"},
        {"body.html", false, false, "WAV File(*.wav)|*.wav||"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsTiffAttachment(c.name), c.tiff) << c.name;
        EXPECT_EQ(IsWaveAttachment(c.name), c.wave) << c.name;
        EXPECT_STREQ(AttachmentSaveFilter(c.name), c.filter) << c.name;
    }
}

TEST(AttachmentFilesTest, PathsStayInTheFolder)
{
    EXPECT_EQ(StoredAttachmentPath("/data/faxbox", "p1.tif", "20261210093001"),
              std::optional<std::string>("/data/faxbox/p1.tif.20261210093001"));
    EXPECT_EQ(PlainAttachmentPath("/data/faxbox", "p1.tif"), std::optional<std::string>("/data/faxbox/p1.tif"));
    for (const char* bad : {"", ".", "..", "../p1.tif", "a/b.tif", "a\\b.tif"}) {
        EXPECT_FALSE(StoredAttachmentPath("/data/faxbox", bad, "20261210093001")) << bad;
        EXPECT_FALSE(PlainAttachmentPath("/data/faxbox", bad)) << bad;
    }
    EXPECT_FALSE(StoredAttachmentPath("/data/faxbox", "p1.tif", "2026"));
    EXPECT_FALSE(StoredAttachmentPath("", "p1.tif", "20261210093001"));  // no folder selected
    EXPECT_FALSE(PlainAttachmentPath("", "p1.tif"));
}

TEST(AttachmentFilesTest, CopiesAreExactAndFailuresAreReported)
{
    testsupport::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>(i * 7);
    testsupport::writeFile(dir.file("stored"), bytes);
    testsupport::writeFile(dir.file("old"), "an older, longer copy that is replaced whole ...................");

    EXPECT_TRUE(CopyAttachmentFile(dir.file("stored"), dir.file("copy")));
    EXPECT_TRUE(CopyAttachmentFile(dir.file("stored"), dir.file("old")));
    EXPECT_EQ(md5sumOf(dir.file("copy")), md5sumOf(dir.file("stored")));
    EXPECT_EQ(md5sumOf(dir.file("old")), md5sumOf(dir.file("stored")));
    EXPECT_TRUE(CopyAttachmentFile(dir.file("stored"), dir.file("stored")));  // onto itself: kept
    EXPECT_EQ(md5sumOf(dir.file("stored")), md5sumOf(dir.file("copy")));

    EXPECT_FALSE(CopyAttachmentFile(dir.file("missing"), dir.file("x")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
    EXPECT_FALSE(CopyAttachmentFile(dir.file("stored"), dir.file("no/such/dir/x")));
}

TEST(AttachmentFilesTest, PrintFailureText)
{
    EXPECT_EQ(PrintFailedText("合同.tif"), "打印失败，可能文件合同.tif不存在!");
}

} // namespace

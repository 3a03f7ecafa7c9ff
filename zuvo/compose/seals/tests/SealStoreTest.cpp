// The seal list and its images on disk, checked with tools that know
// nothing of the program: cmp, xmllint, md5sum, find and a Python XOR.

#include "compose/seals/SealStore.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/tests/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using testfiles::quote;

class SealStoreTest : public ::testing::Test {
protected:
    // A 24-bit BMP of the given size with some drawing on it, made by ImageMagick.
    std::string MakeBmp(const std::string& name, int width = 60, int height = 40)
    {
        const std::string path = home_.file(name);
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        EXPECT_TRUE(testfiles::runOk("convert -size " + size + " xc:white -fill red -draw 'circle 20,20 30,30' BMP3:" +
                                     quote(path)));
        return path;
    }
    SealStore& Opened()
    {
        EXPECT_EQ(store_.Open(), SealStore::OpenResult::Opened);
        return store_;
    }
    std::string SealXml() const { return home_.file("seal.xml"); }
    std::string Xpath(const std::string& expression) const
    {
        return testfiles::xpath(SealXml(), expression).value_or("<none>");
    }
    // Every file in the program directory and below, as find lists them.
    std::string Files() const { return testfiles::run("cd " + quote(home_.path()) + " && find . -type f | sort").output; }
    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (const SealEntry& seal : store_.Seals())
            captions.push_back(seal.caption);
        return captions;
    }

    testfiles::TempDir home_;
    SealStore store_{home_.path()};
};

TEST_F(SealStoreTest, FirstStartWritesTheInitialListItsBackupAndTheSealFolder)
{
    Opened();
    testfiles::writeFile(home_.file("expected"),
                         "<?xml version=\"1.0\" encoding=\"GB2312\"?><Config><MarkManager Password=\"\"></MarkManager></Config>");
    EXPECT_TRUE(testfiles::runOk("cmp " + quote(SealXml()) + " " + quote(home_.file("expected"))));
    EXPECT_TRUE(testfiles::runOk("xmllint --noout " + quote(home_.file("seal-bak.xml"))));
    EXPECT_TRUE(fs::is_directory(home_.file("Seal")));
    EXPECT_TRUE(store_.Seals().empty());
}

TEST_F(SealStoreTest, AnAddedSealIsListedUnderItsCaptionAndStoredScrambledWhileTheSourceStaysAsItWas)
{
    Opened();
    const std::string source = MakeBmp("source.bmp", 780, 390);
    const std::string before = testfiles::md5sumOf(source);
    ASSERT_EQ(store_.Add("A", source), SealStore::AddResult::Added);

    EXPECT_EQ(Xpath("string(/Config/MarkManager/Mark[1]/@Caption)"), "A");
    EXPECT_EQ(Xpath("string(/Config/MarkManager/Mark[1]/@FileName)"), "A");
    EXPECT_EQ(store_.ImagePath(0), home_.file("Seal/A"));
    EXPECT_EQ(testfiles::md5sumOf(source), before) << "the source is only read";
    const std::string check =
        "import sys\n"
        "seal = open(sys.argv[1], 'rb').read(); src = open(sys.argv[2], 'rb').read()\n"
        "key = b'dravmol'\n"
        "plain = bytes(b ^ key[i % 7] for i, b in enumerate(seal[:1024])) + seal[1024:]\n"
        "print('ok' if plain == src and seal[:1024] != src[:1024] else 'differs')\n";
    testfiles::writeFile(home_.file("check.py"), check);
    EXPECT_EQ(testfiles::run(testfiles::python3() + " " + quote(home_.file("check.py")) + " " +
                             quote(home_.file("Seal/A")) + " " + quote(source))
                  .output,
              "ok\n");

    SealStore again(home_.path());
    ASSERT_EQ(again.Open(), SealStore::OpenResult::Opened);
    ASSERT_EQ(again.Seals().size(), 1u);
    EXPECT_EQ(again.Seals()[0].caption, "A");
}

TEST_F(SealStoreTest, CaptionsThatAreNoPlainNameOrAlreadyListedWriteNothing)
{
    Opened();
    const std::string source = MakeBmp("source.bmp");
    ASSERT_EQ(store_.Add("印章a", source), SealStore::AddResult::Added);
    ASSERT_EQ(store_.Add("a", source), SealStore::AddResult::Added);
    const std::string files = Files();
    const std::string list = testfiles::md5sumOf(SealXml());
    for (const char* caption : {"", ".", "..", "../x", "x/y", "x\\y", "x:y", "A", "印章A"}) {
        EXPECT_FALSE(store_.AcceptsCaption(caption)) << caption;
        EXPECT_EQ(store_.Add(caption, source), SealStore::AddResult::Refused) << caption;
    }
    EXPECT_EQ(Files(), files);
    EXPECT_EQ(testfiles::md5sumOf(SealXml()), list);
    EXPECT_FALSE(fs::exists(home_.file("x")));
    EXPECT_EQ(store_.Seals().size(), 2u);
}

TEST_F(SealStoreTest, AnImageThatCannotBeReadAddsNothing)
{
    Opened();
    const std::string list = testfiles::md5sumOf(SealXml());
    EXPECT_EQ(store_.Add("A", home_.file("missing.bmp")), SealStore::AddResult::NoImage);
    EXPECT_EQ(testfiles::md5sumOf(SealXml()), list);
    EXPECT_FALSE(fs::exists(home_.file("Seal/A")));
    EXPECT_TRUE(store_.Seals().empty());
}

TEST_F(SealStoreTest, DeletingTheSecondOfThreeKeepsTheFirstAndTheThird)
{
    Opened();
    const std::string source = MakeBmp("source.bmp");
    for (const char* caption : {"A", "B", "C"})
        ASSERT_EQ(store_.Add(caption, source), SealStore::AddResult::Added);
    ASSERT_TRUE(store_.Remove(1));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(store_.ImagePath(0), home_.file("Seal/A"));
    EXPECT_EQ(store_.ImagePath(1), home_.file("Seal/C"));
    EXPECT_EQ(store_.ImagePath(2), "");
    EXPECT_EQ(Xpath("count(/Config/MarkManager/Mark)"), "2");
    EXPECT_EQ(Xpath("string(/Config/MarkManager/Mark[2]/@FileName)"), "C");
    EXPECT_TRUE(fs::exists(home_.file("Seal/A")));
    EXPECT_FALSE(fs::exists(home_.file("Seal/B")));
    EXPECT_TRUE(fs::exists(home_.file("Seal/C")));
    EXPECT_FALSE(store_.Remove(2));
}

TEST_F(SealStoreTest, AListThatCannotBeSavedKeepsEverySealAndItsImage)
{
    Opened();
    const std::string source = MakeBmp("source.bmp");
    ASSERT_EQ(store_.Add("A", source), SealStore::AddResult::Added);
    ASSERT_EQ(store_.Add("B", source), SealStore::AddResult::Added);
    {
        testfiles::ReadOnlyDirectory locked(home_.path());
        if (!locked.held())
            GTEST_SKIP() << "the directory cannot be made read-only here";
        EXPECT_FALSE(store_.Remove(0));
        EXPECT_TRUE(fs::exists(home_.file("Seal/A"))) << "the image goes only after the list was saved";
        EXPECT_EQ(store_.Add("C", source), SealStore::AddResult::NotSaved);
        EXPECT_FALSE(fs::exists(home_.file("Seal/C"))) << "the copy of an unsaved seal is removed";
    }
    EXPECT_EQ(Captions(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Xpath("count(/Config/MarkManager/Mark)"), "2");
}

TEST_F(SealStoreTest, AFileNameThatIsNoPlainNameIsNeverOpenedNorDeleted)
{
    fs::create_directories(home_.file("Seal"));
    testfiles::writeFile(home_.file("outside"), "keep me");
    testfiles::writeFile(home_.file("Seal/ok"), "seal");
    testfiles::writeFile(SealXml(), "<?xml version=\"1.0\" encoding=\"GB2312\"?><Config><MarkManager Password=\"\">"
                                    "<Mark Caption=\"bad\" FileName=\"../outside\"/><Mark Caption=\"ok\" FileName=\"ok\"/>"
                                    "</MarkManager></Config>");
    Opened();
    EXPECT_EQ(store_.ImagePath(0), "");
    EXPECT_EQ(store_.ImagePath(1), home_.file("Seal/ok"));
    ASSERT_TRUE(store_.Remove(0));
    EXPECT_EQ(testfiles::readFile(home_.file("outside")), "keep me");
    EXPECT_EQ(Captions(), std::vector<std::string>{"ok"});
}

TEST_F(SealStoreTest, AnUnreadableListFallsBackToItsBackupAndWithoutBothNothingIsAdded)
{
    Opened();
    ASSERT_EQ(store_.Add("A", MakeBmp("source.bmp")), SealStore::AddResult::Added);
    SealStore saved(home_.path());
    ASSERT_EQ(saved.Open(), SealStore::OpenResult::Opened); // the backup now lists A

    testfiles::writeFile(SealXml(), "<Config><MarkManager>");
    SealStore fallback(home_.path());
    EXPECT_EQ(fallback.Open(), SealStore::OpenResult::FromBackup);
    ASSERT_EQ(fallback.Seals().size(), 1u);
    EXPECT_EQ(fallback.Seals()[0].caption, "A");

    testfiles::writeFile(home_.file("seal-bak.xml"), "not xml");
    SealStore none(home_.path());
    EXPECT_EQ(none.Open(), SealStore::OpenResult::Failed);
    EXPECT_TRUE(none.Seals().empty());
    EXPECT_EQ(none.Add("B", home_.file("source.bmp")), SealStore::AddResult::Refused);
    EXPECT_FALSE(fs::exists(home_.file("Seal/B")));
}

TEST(SealTexts, SizeInPixelsAndMillimetres)
{
    EXPECT_EQ(SealSizeText(780, 390), "规格:780X390(像数) 输出:99X49(毫米)");
    EXPECT_EQ(SealSizeText(7, 8), "规格:7X8(像数) 输出:0X1(毫米)");
}

TEST(SealTexts, AddDialogTakesTiffAndBmpNamesOnly)
{
    struct Case {
        const char* name;
        bool accepted;
    };
    for (const Case& c : {Case{"seal.bmp", true}, Case{"seal.tif", true}, Case{"seal.tiff", true},
                          Case{"a.bmp.jpg", true}, Case{".bmp", false}, Case{"seal.jpg", false},
                          Case{"seal.BMP", false}, Case{"", false}}) {
        EXPECT_EQ(IsSealImageName(c.name), c.accepted) << c.name;
    }
}

} // namespace

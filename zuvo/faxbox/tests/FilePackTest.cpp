// FilePack against an independent reader and writer (filepack.py, written
// from the archive layout): the index bytes, adding and extracting, and
// hostile archives that must be refused without writing anywhere.

#include "faxbox/FilePack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "core/tests/TestFiles.h"

namespace fs = std::filesystem;
using testfiles::quote;
using testfiles::readFile;
using testfiles::run;
using testfiles::writeFile;

namespace {

std::string oracle()
{
    return testfiles::python3() + " " + ZUVO_TEST_DATA + "/filepack.py ";
}

class FilePackTest : public ::testing::Test {
protected:
    std::string index() const { return dir_.file("pack.index"); }
    std::string data() const { return dir_.file("pack.dat"); }

    // A pack over pack.index and pack.dat, opened.
    std::unique_ptr<FilePack> openPack() const
    {
        auto pack = std::make_unique<FilePack>();
        pack->SetIndexPath(index());
        pack->SetDataPath(data());
        EXPECT_EQ(pack->Open(), 1);
        return pack;
    }

    // A file under the scratch directory, with its directories.
    std::string source(const std::string& relative, const std::string& bytes) const
    {
        const std::string path = dir_.file(relative);
        fs::create_directories(fs::path(path).parent_path());
        writeFile(path, bytes);
        return path;
    }

    // Every path below the scratch directory, relative, sorted (as `find` lists them).
    std::string listing() const
    {
        return run("cd " + quote(dir_.path()) + " && find . -mindepth 1 | LC_ALL=C sort").output;
    }

    testfiles::TempDir dir_;
};

} // namespace

TEST_F(FilePackTest, NewIndexHoldsTheEmptyHeadIn31Bytes)
{
    openPack();
    // 4+5 "1.0.0", 4+10 "zuvo.local", 4+4 count 0, all little-endian.
    EXPECT_EQ(run("xxd -p -c 64 " + quote(index())).output,
              "05000000312e302e300a0000007a75766f2e6c6f63616c0400000000000000\n");
    EXPECT_EQ(fs::file_size(index()), 31u);
    EXPECT_EQ(FilePack().Open(), 0) << "no index path";
}

TEST_F(FilePackTest, IndependentReaderListsAndExtractsWhatWasAdded)
{
    const std::string tree = dir_.file("tree");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"faxbox/empty", ""},
        {"faxbox/报价.tif.20261210093001", std::string("II*\0tiff", 8) + std::string(70000, 'x')},
        {"outbox/a.tif.20261210093002", "second"},
    };
    for (const auto& [name, bytes] : files)
        source("tree/" + name, bytes);
    const std::string account = source("account.xml", "<Config/>");

    auto pack = openPack();
    ASSERT_EQ(pack->AddFile("account.xml", account), 1);
    ASSERT_EQ(pack->AddDirectory(".", tree), 1);

    // Names with "\", in byte order of their names, back to back in the .dat.
    const auto listed = run(oracle() + "list " + quote(index()));
    ASSERT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output, "account.xml\t1\t0\t9\n"
                             ".\\faxbox\\empty\t1\t9\t0\n"
                             ".\\faxbox\\报价.tif.20261210093001\t1\t9\t70008\n"
                             ".\\outbox\\a.tif.20261210093002\t1\t70017\t6\n");
    std::string joined = readFile(account);
    for (const auto& file : files)
        joined += file.second;
    EXPECT_EQ(readFile(data()), joined);

    const std::string out = dir_.file("out");
    ASSERT_EQ(run(oracle() + "extract " + quote(index()) + " " + quote(data()) + " " + quote(out)).status, 0);
    EXPECT_EQ(run("cd " + quote(out + "/") + " && md5sum account.xml faxbox/* outbox/*").output,
              run("cd " + quote(dir_.path()) + " && md5sum account.xml && cd tree && md5sum faxbox/* outbox/*").output);

    // Our own extraction, after reopening the pack from its files.
    const std::string mine = dir_.file("mine");
    ASSERT_EQ(openPack()->ExtractAll(mine), 1);
    EXPECT_TRUE(testfiles::runOk("diff -r " + quote(tree) + " " + quote(mine) + " -x account.xml"));
    EXPECT_EQ(readFile(mine + "/account.xml"), "<Config/>");
}

TEST_F(FilePackTest, NameAddedAgainIsOneItemWithTheLatestContents)
{
    auto pack = openPack();
    ASSERT_EQ(pack->AddFile("x\\a.tif", source("1", "0123456789")), 1);
    ASSERT_EQ(pack->AddFile("x/a.tif", source("2", "abc")), 1);  // fits its old place
    ASSERT_EQ(pack->AddFile("x\\A.tif", source("3", "upper")), 1); // another file here
    EXPECT_EQ(run(oracle() + "list " + quote(index())).output,
              "x\\a.tif\t1\t0\t3\n"
              "x\\A.tif\t1\t10\t5\n");
    ASSERT_EQ(pack->AddFile("x\\a.tif", source("4", "longer than before")), 1);  // goes to the end
    EXPECT_EQ(run(oracle() + "list " + quote(index())).output,
              "x\\a.tif\t1\t15\t18\n"
              "x\\A.tif\t1\t10\t5\n");

    // account.xml and path.info are found in any case, as packs made elsewhere spell them.
    ASSERT_EQ(pack->AddFile("Account.XML", source("5", "old")), 1);
    ASSERT_EQ(pack->AddFile("account.xml", source("6", "new")), 1);
    EXPECT_EQ(pack->Items().size(), 3u);

    const std::string out = dir_.file("out");
    ASSERT_EQ(run(oracle() + "extract " + quote(index()) + " " + quote(data()) + " " + quote(out)).status, 0);
    EXPECT_EQ(readFile(out + "/x/a.tif"), "longer than before");
    EXPECT_EQ(readFile(out + "/x/A.tif"), "upper");
    ASSERT_EQ(openPack()->ExtractFile("ACCOUNT.xml", dir_.file("account.out")), 1);
    EXPECT_EQ(readFile(dir_.file("account.out")), "new");
}

TEST_F(FilePackTest, HostileArchivesAreRefusedWithoutWritingAnything)
{
    const std::string payload = source("payload", "evil");
    struct Case {
        const char* what;
        std::string options; // of the writer
        std::string name;    // of the one item, "" for none
        bool opens;          // refused by Open (false) or by the extraction (true)
    };
    const Case cases[] = {
        {"parent steps", "", "..\\..\\x", true},
        {"parent steps with /", "", "a/../../x", true},
        {"absolute", "", "\\etc\\x", true},
        {"absolute with /", "", "/tmp/x", true},
        {"drive letter", "", "C:\\x", true},
        {"empty part", "", "a\\\\x", true},
        {"only dots", "", ".\\.", true},
        {"NUL in a name", "--raw-name 610062", "", true},
        {"count 2^31-1", "--count 2147483647", "x", false},
        {"negative count", "--count -1", "x", false},
        {"length past the end", "--extra-length 1", "x", false},
        {"integer length field 5", "--int-length 5", "x", false},
        {"name over 4 KiB", "--raw-name " + std::string(2 * 4097, '6'), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_.file("target"));
        fs::create_directories(dir_.file("target"));
        const std::string item = c.name.empty() ? "" : quote(c.name + "=" + payload);
        ASSERT_EQ(run(oracle() + "write " + c.options + " " + quote(index()) + " " + quote(data()) + " " + item).status, 0);
        const std::string before = listing();

        FilePack pack;
        pack.SetIndexPath(index());
        pack.SetDataPath(data());
        EXPECT_EQ(pack.Open(), c.opens ? 1 : 0);
        EXPECT_EQ(pack.ExtractAll(dir_.file("target")), 0);
        if (c.opens) {
            EXPECT_EQ(pack.ExtractTree("x", dir_.file("target"), FilePack::Existing::Keep), 0)
                << "every name is checked, also those outside the prefix";
        }
        EXPECT_EQ(listing(), before);
    }
}

// A writer that stores each integer 0 as a field of length 0 (here the
// offsets and lengths of empty files): its items are shorter than items of
// four-byte integers, and the index is read all the same.
TEST_F(FilePackTest, IntegersOfLengthZeroReadAsZero)
{
    const std::string empty = source("empty", "");
    const std::string page = source("page", "page bytes");
    ASSERT_EQ(run(oracle() + "write --zero-as-empty " + quote(index()) + " " + quote(data()) + " " +
                  quote("e\\1=" + empty) + " " + quote("e\\2=" + empty) + " " + quote("e\\3=" + empty) + " " +
                  quote("p=" + page))
                  .status,
              0);
    ASSERT_EQ(run(oracle() + "list " + quote(index())).output,
              "e\\1\t1\t0\t0\ne\\2\t1\t0\t0\ne\\3\t1\t0\t0\np\t1\t0\t10\n");
    FilePack pack;
    pack.SetIndexPath(index());
    pack.SetDataPath(data());
    ASSERT_EQ(pack.Open(), 1);
    const std::vector<FileItem> items = pack.Items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].name, "e\\2");
    EXPECT_EQ(items[1].offset, 0u);
    EXPECT_EQ(items[1].length, 0u);
    EXPECT_EQ(items[3].length, 10u);
    ASSERT_EQ(pack.ExtractAll(dir_.file("out")), 1);
    EXPECT_EQ(readFile(dir_.file("out/e/3")), "");
    EXPECT_EQ(readFile(dir_.file("out/p")), "page bytes");

    ASSERT_EQ(run(oracle() + "write --zero-as-empty " + quote(index()) + " " + quote(data())).status, 0);
    ASSERT_EQ(pack.Open(), 1) << "a count of length 0 is no items";
    EXPECT_TRUE(pack.Items().empty());
}

TEST_F(FilePackTest, ItemNamesOfOtherSystemsExtractBelowTheTarget)
{
    const std::string payload = source("payload", "page");
    ASSERT_EQ(run(oracle() + "write " + quote(index()) + " " + quote(data()) + " " + quote("a\\b\\c.tif=" + payload) +
                  " " + quote("./d/e.tif=" + payload) + " " + quote("x\\y=" + payload))
                  .status,
              0);
    auto pack = openPack();
    EXPECT_EQ(pack->Items()[1].name, ".\\d\\e.tif");
    ASSERT_EQ(pack->ExtractAll(dir_.file("target")), 1);
    EXPECT_EQ(readFile(dir_.file("target/a/b/c.tif")), "page");
    EXPECT_EQ(readFile(dir_.file("target/d/e.tif")), "page");

    // A prefix takes the items below it; Keep leaves existing files alone.
    source("folder/y", "mine");
    ASSERT_EQ(pack->ExtractTree("x", dir_.file("folder"), FilePack::Existing::Keep), 1);
    EXPECT_EQ(readFile(dir_.file("folder/y")), "mine");
    ASSERT_EQ(pack->ExtractTree("a\\b", dir_.file("folder"), FilePack::Existing::Keep), 1);
    EXPECT_EQ(readFile(dir_.file("folder/c.tif")), "page");

    // A file where a directory is needed fails the extraction.
    source("blocked/a", "");
    EXPECT_EQ(pack->ExtractAll(dir_.file("blocked")), 0);
}

TEST_F(FilePackTest, ShortDataFileFailsTheExtractionAndKeepsTheTarget)
{
    auto pack = openPack();
    ASSERT_EQ(pack->AddFile("a", source("a", "0123456789")), 1);
    writeFile(dir_.file("target"), "old");
    ASSERT_EQ(::truncate(data().c_str(), 4), 0);
    EXPECT_EQ(pack->ExtractFile("a", dir_.file("target")), 0);
    EXPECT_EQ(readFile(dir_.file("target")), "old");
    EXPECT_EQ(listing(), "./a\n./pack.dat\n./pack.index\n./target\n") << "no temporary file left";
    EXPECT_EQ(pack->ExtractFile("missing", dir_.file("target")), 0);
    EXPECT_EQ(FilePack().ExtractAll(dir_.file("out")), 0) << "no items";
}

TEST_F(FilePackTest, ADataFileThatIsAFifoFailsAtOnce)
{
    // Opening a FIFO for reading waits for a writer: extracting from a pack
    // whose .dat was a FIFO blocked for good, and so did opening a pack whose
    // index was one.
    auto pack = openPack();
    ASSERT_EQ(pack->AddFile("a", source("a", "0123456789")), 1);
    fs::remove(data());
    ASSERT_EQ(::mkfifo(data().c_str(), 0600), 0);
    const auto [extracted, extractResult] = testsupport::returnsWithin(
        std::chrono::seconds(10), data(), [&] { return pack->ExtractFile("a", dir_.file("target")); });
    EXPECT_TRUE(extracted) << "the extraction blocked";
    EXPECT_EQ(extractResult, 0);
    EXPECT_FALSE(fs::exists(dir_.file("target")));
    const auto [added, addResult] = testsupport::returnsWithin(
        std::chrono::seconds(10), data(), [&] { return pack->AddFile("b", source("b", "x")); });
    EXPECT_TRUE(added) << "adding blocked";
    EXPECT_EQ(addResult, 0);

    fs::remove(index());
    ASSERT_EQ(::mkfifo(index().c_str(), 0600), 0);
    FilePack fifoIndex;
    fifoIndex.SetIndexPath(index());
    const auto [opened, openResult] =
        testsupport::returnsWithin(std::chrono::seconds(10), index(), [&] { return fifoIndex.Open(); });
    EXPECT_TRUE(opened) << "opening the index blocked";
    EXPECT_EQ(openResult, 0);
}

TEST_F(FilePackTest, AddingRefusesWhatCannotBeStored)
{
    auto pack = openPack();
    EXPECT_EQ(pack->AddFile("a", ""), 0);
    EXPECT_EQ(pack->AddFile("a", dir_.file("missing")), 0);
    EXPECT_EQ(pack->AddFile("a", dir_.path()), 0) << "a directory";
    EXPECT_EQ(pack->AddFile("a", data()), 0) << "its own data file";
    EXPECT_EQ(pack->AddFile("", source("a", "x")), 0);
    EXPECT_EQ(pack->Items().size(), 0u);

    // 32-bit offsets: a .dat just under 4 GiB (sparse) takes 16 bytes more, not 17.
    writeFile(data(), "");
    ASSERT_EQ(::truncate(data().c_str(), 0xFFFFFFFFll - 16), 0);
    EXPECT_EQ(pack->AddFile("big", source("17", std::string(17, 'x'))), 0);
    EXPECT_EQ(pack->AddFile("fits", source("16", std::string(16, 'x'))), 1);
    EXPECT_EQ(run(oracle() + "list " + quote(index())).output, "fits\t1\t4294967279\t16\n");
}

TEST_F(FilePackTest, DirectoriesAreAddedWithoutLinksOrThePacksOwnFiles)
{
    const std::string tree = dir_.file("tree");
    source("tree/sub/page", "page");
    source("outside/secret", "secret");
    fs::create_symlink(dir_.file("outside/secret"), tree + "/link");
    fs::create_directory_symlink(dir_.file("outside"), tree + "/sub/dirlink");
    ASSERT_EQ(::mkfifo((tree + "/fifo").c_str(), 0600), 0);

    // The pack lives inside the directory it backs up.
    FilePack pack;
    pack.SetIndexPath(tree + "/backup.index");
    pack.SetDataPath(tree + "/backup.dat");
    ASSERT_EQ(pack.Open(), 1);
    ASSERT_EQ(pack.AddFile("seed", source("seed", "seed")), 1);  // the .dat exists
    ASSERT_EQ(pack.AddDirectory("p", tree), 1);
    std::vector<std::string> names;
    for (const FileItem& item : pack.Items())
        names.push_back(item.name);
    EXPECT_EQ(names, (std::vector<std::string>{"seed", "p\\sub\\page"}));
    EXPECT_EQ(pack.AddDirectory("none", dir_.file("missing")), 1);
    EXPECT_EQ(pack.AddDirectory("file", dir_.file("seed")), 0);
}

TEST(FilePackNames, RelativePathsOfItemNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a\\b\\c.tif", "a/b/c.tif"}, {".\\faxbox\\x", "faxbox/x"}, {"a/./b", "a/b"}, {"收件\\页", "收件/页"},
        {"..\\x", ""},                {"a\\..\\x", ""},            {"\\x", ""},      {"/x", ""},
        {"C:\\x", ""},                {"a\\", ""},                 {".", ""},        {"", ""},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(ItemRelativePath(name), path) << name;
    EXPECT_EQ(ItemRelativePath(std::string("a\0b", 3)), "");
}

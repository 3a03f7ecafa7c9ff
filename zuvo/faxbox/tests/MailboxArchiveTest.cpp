// Backup, restore, export and import over a scratch program directory,
// checked with md5sum, diff -r, xmllint and the independent pack writer.

#include "faxbox/MailboxArchive.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/tests/AccountFixture.h"
#include "faxbox/FilePack.h"

namespace fs = std::filesystem;
using MailboxArchive::Result;
using testfiles::md5sumOf;
using testfiles::quote;
using testfiles::readFile;
using testfiles::run;
using testfiles::runOk;
using testfiles::writeFile;

namespace {

constexpr const char* kFaxbox = "Account[0]/Folder[0]";
constexpr const char* kOutbox = "Account[0]/Folder[1]";

class MailboxArchiveTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        openWith("<Account Name=\"我的账户\" Default=\"yes\" Directory=\"data\">"
                 "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\">"
                 "<Fax Caller=\"021-5550001\" ToCC=\"021-5550009\" Topic=\"报价\" Name=\"张三\" Company=\"\""
                 " SendFaxTime=\"20261201080000\" ReadFlag=\"0\" Flag=\"1\" Date=\"2026-12-10 09:30:01\""
                 " BodyFileName=\"body-2026-12-10-09-30-01.html\" CreateTime=\"20261210093001\" Pages=\"2\""
                 " SendTimer=\"2026-12-10 18:00:00\" TimerFlag=\"1\">"
                 "<AttachFile File=\"合同.tif\" HeadFlag=\"1\"/><AttachFile File=\"p2.tif\"/></Fax>"
                 "<Fax Caller=\"010-1\" Topic=\"t\" Date=\"2026-12-11 10:00:00\" CreateTime=\"20261211100000\""
                 " Pages=\"1\" ReadFlag=\"1\" Flag=\"0\"><AttachFile File=\"one.tif\"/></Fax>"
                 "</Folder>"
                 "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\"/>"
                 "</Account>\n");
        data("faxbox/合同.tif.20261210093001", "II*\0page one");
        data("faxbox/p2.tif.20261210093001", "page two");
        data("faxbox/body-2026-12-10-09-30-01.html", "<html>body</html>");
        data("faxbox/one.tif.20261211100000", "single");
        data("outbox/draft.tif.20261212120000", "draft");
    }

    std::string data(const std::string& relative) const { return dir_.file("data/" + relative); }
    void data(const std::string& relative, const std::string& bytes) const
    {
        fs::create_directories(fs::path(data(relative)).parent_path());
        writeFile(data(relative), bytes);
    }
    std::string saved(const std::string& name) const
    {
        fs::create_directories(dir_.file("saved"));
        return dir_.file("saved/" + name);
    }
    std::string faxCount(const char* folderType) const
    {
        return xpath(std::string("count(//Folder[@Type='") + folderType + "']/Fax)").value_or("?");
    }
    // A pack written by the independent writer: name=file pairs.
    std::string writePack(const std::string& base, const std::vector<std::pair<std::string, std::string>>& items) const
    {
        std::string args;
        for (const auto& [name, bytes] : items) {
            const std::string file = dir_.file("src-" + std::to_string(args.size()));
            writeFile(file, bytes);
            args += " " + quote(name + "=" + file);
        }
        EXPECT_EQ(run(testfiles::python3() + " " + ZUVO_TEST_DATA + "/filepack.py write " + quote(base + ".index") +
                      " " + quote(base + ".dat") + args)
                      .status,
                  0);
        return base + ".index";
    }
    // Every path below the program directory, as `find` lists them.
    std::string listing() const
    {
        return run("cd " + quote(dir_.path()) + " && find . | LC_ALL=C sort").output;
    }
};

} // namespace

TEST_F(MailboxArchiveTest, RestoreAfterWipingGivesBackAccountAndDataDirectory)
{
    const std::string accountMd5 = md5sumOf(accountPath());
    ASSERT_TRUE(runOk("cp -a " + quote(dir_.file("data")) + " " + quote(dir_.file("expected"))));
    ASSERT_EQ(MailboxArchive::BackupAccount(saved("account.index")), Result::Success) << "\".index\" is not doubled";
    EXPECT_TRUE(fs::exists(saved("account.dat")));

    fs::remove(accountPath());
    fs::remove_all(dir_.file("data"));
    ASSERT_EQ(MailboxArchive::RestoreAccount(saved("account.index")), Result::Success);
    EXPECT_EQ(md5sumOf(accountPath()), accountMd5);
    EXPECT_TRUE(runOk("diff -r " + quote(dir_.file("expected")) + " " + quote(dir_.file("data"))));
    EXPECT_EQ(AccountConfig::GetAttr(kFaxbox, "Name"), "收件箱") << "the store reloaded";
}

TEST_F(MailboxArchiveTest, RestoredAccountIsReloadedAndItsDataDirectorySetUp)
{
    ASSERT_EQ(MailboxArchive::BackupAccount(saved("b")), Result::Success);
    // The backup came from elsewhere: another data directory, one record less.
    AccountConfig::SetAttr("Account[0]", "Directory", "/nowhere/data");
    AccountConfig::RemoveNode(std::string(kFaxbox) + "/Fax[1]");
    ASSERT_EQ(AccountConfig::Save(), 1);
    ASSERT_EQ(MailboxArchive::BackupAccount(saved("other")), Result::Success);
    ASSERT_EQ(MailboxArchive::RestoreAccount(saved("b.index")), Result::Success);
    EXPECT_EQ(faxCount("faxbox"), "2");

    ASSERT_EQ(MailboxArchive::RestoreAccount(saved("other.index")), Result::Success);
    EXPECT_EQ(FaxCount(kFaxbox), 1);
    EXPECT_EQ(AccountConfig::GetDataDirectory(), dir_.file("data")) << "PrepareDataDirectories ran";
    EXPECT_EQ(xpath("string(//Account/@Directory)"), dir_.file("data"));
}

TEST_F(MailboxArchiveTest, BackupInsideTheDataDirectoryLeavesItselfOut)
{
    ASSERT_EQ(MailboxArchive::BackupAccount(data("self")), Result::Success);
    ASSERT_EQ(MailboxArchive::BackupAccount(data("self")), Result::Success) << "over the old one";
    FilePack pack;
    pack.SetIndexPath(data("self.index"));
    pack.SetDataPath(data("self.dat"));
    ASSERT_EQ(pack.Open(), 1);
    std::vector<std::string> names;
    for (const FileItem& item : pack.Items())
        names.push_back(item.name);
    EXPECT_EQ(names, (std::vector<std::string>{"account.xml", ".\\faxbox\\body-2026-12-10-09-30-01.html",
                                               ".\\faxbox\\one.tif.20261211100000",
                                               ".\\faxbox\\p2.tif.20261210093001",
                                               ".\\faxbox\\合同.tif.20261210093001",
                                               ".\\outbox\\draft.tif.20261212120000"}));
}

TEST_F(MailboxArchiveTest, RefusedRestoreChangesNothing)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> items;
    };
    const Case cases[] = {
        {"broken account.xml", {{"account.xml", "<Config><Account"}, {".\\faxbox\\new.tif", "x"}}},
        {"no account.xml", {{".\\faxbox\\new.tif", "x"}}},
        {"a name leading out", {{"account.xml", "<Config/>"}, {".\\faxbox\\new.tif", "x"}, {".\\..\\..\\evil", "x"}}},
    };
    const std::string accountMd5 = md5sumOf(accountPath());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string index = writePack(dir_.file("pack"), c.items);
        const std::string before = listing();
        EXPECT_EQ(MailboxArchive::RestoreAccount(index), Result::Failed);
        EXPECT_EQ(md5sumOf(accountPath()), accountMd5);
        EXPECT_EQ(listing(), before);
    }
    EXPECT_EQ(MailboxArchive::RestoreAccount(dir_.file("missing.index")), Result::Failed);
    EXPECT_FALSE(fs::exists(dir_.file("missing.index"))) << "no pack is made on the way";
}

TEST_F(MailboxArchiveTest, ImportOfTheSameFolderAddsEachRecordOnce)
{
    ASSERT_EQ(MailboxArchive::ExportFolder(kFaxbox, saved("faxbox")), Result::Success);
    EXPECT_FALSE(fs::exists(data("faxbox/path.info"))) << "the folder is left as it was";
    const std::string accountMd5 = md5sumOf(accountPath());
    ASSERT_EQ(MailboxArchive::ImportFolder(kFaxbox, saved("faxbox.index")), Result::Success);
    EXPECT_EQ(faxCount("faxbox"), "2");
    EXPECT_EQ(xpath("count(//Fax[@CreateTime='20261210093001'])"), "1");
    EXPECT_EQ(md5sumOf(accountPath()), accountMd5) << "nothing new, nothing saved";
}

TEST_F(MailboxArchiveTest, ImportBringsBackRecordsAndFilesWithoutOverwriting)
{
    ASSERT_EQ(MailboxArchive::ExportFolder(kFaxbox, saved("faxbox")), Result::Success);
    // The folder lost its first record and a file, another file was changed,
    // and the folder's directory has been renamed since.
    AccountConfig::RemoveNode(std::string(kFaxbox) + "/Fax[0]");
    AccountConfig::SetAttr(kFaxbox, "Directory", "renamed");
    ASSERT_EQ(AccountConfig::Save(), 1);
    fs::create_directories(data("renamed"));
    writeFile(data("renamed/p2.tif.20261210093001"), "kept");

    ASSERT_EQ(MailboxArchive::ImportFolder(kFaxbox, saved("faxbox.index")), Result::Success);
    EXPECT_EQ(faxCount("faxbox"), "2");
    const std::string fax = "//Fax[@CreateTime='20261210093001']";
    EXPECT_EQ(xpath("string(" + fax + "/@ToCC)"), "021-5550009");
    EXPECT_EQ(xpath("string(" + fax + "/@SendTimer)"), "2026-12-10 18:00:00");
    EXPECT_EQ(xpath("string(" + fax + "/@TimerFlag)"), "1");
    EXPECT_EQ(xpath("string(" + fax + "/@BodyFileName)"), "body-2026-12-10-09-30-01.html");
    EXPECT_EQ(xpath("string(" + fax + "/AttachFile[1]/@HeadFlag)"), "1");
    EXPECT_EQ(xpath("count(" + fax + "/AttachFile)"), "2");
    EXPECT_EQ(xpath("name(" + fax + "/@*[1])"), "Caller");

    EXPECT_EQ(md5sumOf(data("renamed/合同.tif.20261210093001")), md5sumOf(data("faxbox/合同.tif.20261210093001")));
    EXPECT_EQ(readFile(data("renamed/p2.tif.20261210093001")), "kept");
    EXPECT_FALSE(fs::exists(data("renamed/faxbox"))) << "files go into the folder, not below it";
    EXPECT_FALSE(fs::exists(data("renamed/account.xml")));
}

TEST_F(MailboxArchiveTest, ImportIntoAnotherFolderOrWithoutItsIndexIsRefused)
{
    ASSERT_EQ(MailboxArchive::ExportFolder(kFaxbox, saved("faxbox")), Result::Success);
    const std::string accountMd5 = md5sumOf(accountPath());
    EXPECT_EQ(MailboxArchive::ImportFolder(kOutbox, saved("faxbox.index")), Result::WrongFolder);
    EXPECT_EQ(md5sumOf(accountPath()), accountMd5);
    EXPECT_FALSE(fs::exists(data("outbox/合同.tif.20261210093001")));

    // path.info is compared without case and without its line end; a backup has none.
    const std::string broken =
        writePack(dir_.file("broken"), {{"path.info", "account[0]/folder[0] \r\n"}, {"account.xml", "<Config"}});
    EXPECT_EQ(MailboxArchive::ImportFolder(kFaxbox, broken), Result::BadIndex);
    ASSERT_EQ(MailboxArchive::BackupAccount(saved("backup")), Result::Success);
    EXPECT_EQ(MailboxArchive::ImportFolder(kFaxbox, saved("backup.index")), Result::WrongFolder);
    EXPECT_EQ(md5sumOf(accountPath()), accountMd5);
}

TEST(MailboxArchiveNames, PackFileNames)
{
    EXPECT_EQ(MailboxArchive::PackBase("/b/x.index"), "/b/x");
    EXPECT_EQ(MailboxArchive::PackBase("/b/x.INDEX"), "/b/x");
    EXPECT_EQ(MailboxArchive::PackBase("/b/x"), "/b/x");
    EXPECT_EQ(MailboxArchive::DataPathOf("/b/x.index"), "/b/x.dat");
    EXPECT_EQ(MailboxArchive::DataPathOf("/b.c/x"), "/b.c/x.dat");
    EXPECT_EQ(MailboxArchive::ExportPrefix("faxbox"), "faxbox");
    EXPECT_EQ(MailboxArchive::ExportPrefix("boxes/fax/"), "boxes\\fax");
    EXPECT_EQ(MailboxArchive::ExportPrefix("/srv/faxes"), "faxes");
}

#include "contacts/AddressBookConfig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

#include "core/tests/TestFiles.h"
#include "textcodec/Gbk.h"

namespace {

std::string card(const std::string& name, const std::string& faxNum, const std::string& company = "")
{
    return "<Address Name=\"" + name + "\" FaxNum=\"" + faxNum + "\"" +
           (company.empty() ? "" : " CompanyName=\"" + company + "\"") + "/>";
}

// Two books; the same number 555 in two folders; a GBK-only name (镕).
std::string addressFile()
{
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><Headers><Header Name=\"名字\" Key=\"Name\"/></Headers>"
        "<AddressBook Name=\"公共地址薄\">"
        "<Folder Name=\"默认\">" + card("大写", "AB12", "甲公司") + card("dup-first", "555", "first co") + "</Folder>"
        "<Folder Name=\"客户\">" + card("dup-second", "555", "second co") + "<Address Name=\"no number\"/></Folder>"
        "</AddressBook>"
        "<AddressBook Name=\"个人地址薄\"><Folder Name=\"默认\">" +
        card("朱镕基", "777", "镕业") + card("NoCo", "888") + card("zeros", "0012") + card("blank", "12 ") +
        "</Folder></AddressBook></Config>\n";
    return TextCodec::utf8ToGbk(xml).text;
}

class AddressBookTest : public ::testing::Test {
protected:
    std::string path() const { return dir_.file("address.xml"); }
    std::string backup() const { return dir_.file("address-bak.xml"); }
    AddressBookConfig& store() { return store_; }

    testfiles::TempDir dir_;
    AddressBookConfig store_;
};

} // namespace

TEST(AddressBookTemplate, WrittenByteForByte)
{
    testfiles::TempDir dir;
    const std::string path = dir.file("address.xml");
    ASSERT_EQ(WriteAddressBookTemplate(path), 1);
    EXPECT_EQ(std::filesystem::file_size(path), 616u);
    EXPECT_EQ(testfiles::md5sumOf(path), "7dcab88caefcc673473d43709905ee00");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(path).permissions()), 0666 & ~mask);
    EXPECT_EQ(testfiles::run("xmllint --noout " + path + " 2>&1").status, 0);
    EXPECT_EQ(testfiles::xpath(path, "count(/Config/Headers/Header)"), "9");
    EXPECT_EQ(testfiles::xpath(path, "string(/Config/Headers/Header[5]/@Key)"), "CompnayFaxNum");
    EXPECT_EQ(testfiles::xpath(path, "string(/Config/AddressBook[2]/@Name)"), "个人地址薄");

    // An existing file is never replaced, and no temporary is left behind.
    testfiles::writeFile(path, "mine");
    EXPECT_EQ(WriteAddressBookTemplate(path), 0);
    EXPECT_EQ(testfiles::readFile(path), "mine");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(AddressBookTest, MissingFileGetsTheTemplateAndABackup)
{
    Config window;
    ASSERT_EQ(OpenAddressBookFile(window, dir_.path(), true), 1);
    EXPECT_EQ(testfiles::md5sumOf(path()), "7dcab88caefcc673473d43709905ee00");
    EXPECT_EQ(testfiles::xpath(backup(), "count(/Config/AddressBook/Folder)"), "2");
    EXPECT_EQ(window.getNodeCnt("AddressBook"), 2);

    // The store itself never creates the file.
    testfiles::TempDir empty;
    Config other;
    EXPECT_EQ(OpenAddressBookFile(other, empty.path(), false), 0);
    EXPECT_FALSE(std::filesystem::exists(empty.file("address.xml")));
}

TEST_F(AddressBookTest, UnreadableFileAndItsBackupStayUntouched)
{
    testfiles::writeFile(path(), "<?xml version=\"1.0\" encoding=\"GB2312\"?><Config><AddressBook");
    testfiles::writeFile(backup(), addressFile());
    const std::string fileSum = testfiles::md5sumOf(path()), backupSum = testfiles::md5sumOf(backup());

    Config window;
    EXPECT_EQ(OpenAddressBookFile(window, dir_.path(), true), 0);
    AddressBookConfig& unopened = store();
    EXPECT_EQ(&AddressBookConfig::GetInstance(), &AddressBookConfig::GetInstance());
    EXPECT_FALSE(unopened.Open(dir_.path()));
    std::string name = "x", company = "y";
    EXPECT_EQ(unopened.FindByFaxNumber("555", name, company), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(company, "");
    EXPECT_EQ(testfiles::md5sumOf(path()), fileSum);
    EXPECT_EQ(testfiles::md5sumOf(backup()), backupSum);
}

TEST_F(AddressBookTest, FindByFaxNumberRules)
{
    testfiles::writeFile(path(), addressFile());
    ASSERT_TRUE(store().Open(dir_.path()));
    struct Case {
        const char* number;
        int found;
        const char* name;
        const char* company;
    };
    const std::vector<Case> cases = {
        {"ab12", 1, "大写", "甲公司"},  {"AB12", 1, "大写", "甲公司"},       {"555", 1, "dup-first", "first co"},
        {"777", 1, "朱镕基", "镕业"},   {"888", 1, "NoCo", ""},             {"12", 0, "", ""},
        {"0012", 1, "zeros", ""},       {"12 ", 1, "blank", ""},            {"999", 0, "", ""},
        {"", 0, "", ""},
    };
    for (const Case& c : cases) {
        std::string name = "stale", company = "stale";
        EXPECT_EQ(store().FindByFaxNumber(c.number, name, company), c.found) << '"' << c.number << '"';
        EXPECT_EQ(name, c.name) << c.number;
        EXPECT_EQ(company, c.company) << c.number;
    }
}

// A card whose name holds codes beyond GBK's table (user-defined A1 40,
// A6 D9, extension FE 50) and an invalid pair does not cost the book.
TEST_F(AddressBookTest, ACardWithUnusualCodesIsFoundByItsNumber)
{
    std::string gbk = addressFile();
    const std::string marker = "<Address Name=\"NoCo\"";
    gbk.insert(gbk.find(marker), "<Address Name=\"\xA1\x40\xA6\xD9\xFE\x50 \x81\xFF\" FaxNum=\"010-7777\"/>");
    testfiles::writeFile(path(), gbk);
    ASSERT_TRUE(store().Open(dir_.path()));
    std::string name, company;
    EXPECT_EQ(store().FindByFaxNumber("010-7777", name, company), 1);
    // U+E4C6, A6 D9 (U+FE10 in GB18030-2022, U+E78D in -2005), U+2E81, U+FFFD.
    const std::string a6d9 = name.find("\xEF\xB8\x90") != std::string::npos ? "\xEF\xB8\x90" : "\xEE\x9E\x8D";
    EXPECT_EQ(name, "\xEE\x93\x86" + a6d9 + "\xE2\xBA\x81 \xEF\xBF\xBD");
    EXPECT_EQ(store().FindByFaxNumber("777", name, company), 1) << "the other cards are all there";
    EXPECT_EQ(name, "朱镕基");
}

TEST_F(AddressBookTest, CardsSavedByAWindowAreFoundWithoutRestart)
{
    testfiles::writeFile(path(), addressFile());
    ASSERT_TRUE(store().Open(dir_.path()));
    std::string name, company;
    EXPECT_EQ(store().FindByFaxNumber("010-6666", name, company), 0);

    Config window;
    ASSERT_EQ(OpenAddressBookFile(window, dir_.path(), true), 1);
    ASSERT_EQ(AppendAddressCard(window, "AddressBook[1]/Folder[0]",
                                {{"Name", "新朋友"}, {"FaxNum", "010-6666"}, {"CompanyName", "乙公司"}}),
              1);
    EXPECT_EQ(store().FindByFaxNumber("010-6666", name, company), 1);
    EXPECT_EQ(name, "新朋友");
    EXPECT_EQ(company, "乙公司");

    // The new card carries all 34 attributes, in their order.
    const std::string last = "/Config/AddressBook[2]/Folder[1]/Address[last()]";
    EXPECT_EQ(testfiles::xpath(path(), "count(" + last + "/@*)"), "34");
    // The card format other programs read: these names in this order.
    const std::string expected =
        "Name EMail FaxNum FirstName SurName NickName HomeAddress HomeArea HomeCity HomeCountry HomeFaxNum "
        "HomePostCode HomeTel1 HomeTel2 CompanyAddress CompanyArea CompanyCity CompanyCountry CompanyName "
        "CompanyPostCode CompanyDept CompanyJob CompanyFaxNum CompanyWWW CompanyTel1 CompanyTel2 BirthDay BP ICQ "
        "Like Mobile QQ Sex WWW";
    std::string written;
    for (int i = 1; i <= 34; ++i)
        written += (i > 1 ? " " : "") + testfiles::xpath(path(), "name(" + last + "/@*[" + std::to_string(i) + "])")
                                           .value_or("?");
    EXPECT_EQ(written, expected);
    EXPECT_EQ(AppendAddressCard(window, "AddressBook[5]/Folder[0]", {}), 0);
}

TEST_F(AddressBookTest, AStoreOpenedBeforeTheFileExistsFindsItsCardsOnceItDoes)
{
    std::string name, company;
    EXPECT_FALSE(store().Open(dir_.path()));
    EXPECT_EQ(store().FindByFaxNumber("555", name, company), 0);
    EXPECT_FALSE(std::filesystem::exists(path()));

    testfiles::writeFile(path(), addressFile());
    EXPECT_EQ(store().FindByFaxNumber("555", name, company), 1);
    EXPECT_EQ(name, "dup-first");
    EXPECT_EQ(company, "first co");
    // Only the windows' loads write the backup.
    EXPECT_FALSE(std::filesystem::exists(backup()));
    AddressBookConfig atStart;
    ASSERT_TRUE(atStart.Open(dir_.path()));
    EXPECT_FALSE(std::filesystem::exists(backup()));
}

TEST_F(AddressBookTest, ACardThatIsNotSavedLeavesNoTrace)
{
    Config window;
    ASSERT_EQ(OpenAddressBookFile(window, dir_.path(), true), 1);
    const std::string folder = "AddressBook[0]/Folder[0]";
    // A save that fails (a directory stands where the file was) takes the card out again.
    std::filesystem::remove(path());
    std::filesystem::create_directory(path());
    EXPECT_EQ(AppendAddressCard(window, folder, {{"Name", "unsaved"}, {"FaxNum", "1"}}), 0);
    EXPECT_EQ(window.getNodeCnt((folder + "/Address").c_str()), 0);

    std::filesystem::remove(path());
    ASSERT_EQ(AppendAddressCard(window, folder, {{"Name", "saved"}, {"FaxNum", "2"}}), 1);
    EXPECT_EQ(testfiles::xpath(path(), "count(//Address)"), "1");
    EXPECT_EQ(testfiles::xpath(path(), "string(//Address/@Name)"), "saved");
}

TEST_F(AddressBookTest, FileBrokenAfterStartUpIsContained)
{
    testfiles::writeFile(path(), addressFile());
    ASSERT_TRUE(store().Open(dir_.path()));
    testfiles::writeFile(path(), "<Config><AddressBook Name=");
    const std::string fileSum = testfiles::md5sumOf(path()), backupSum = testfiles::md5sumOf(backup());
    std::string name, company;
    EXPECT_EQ(store().FindByFaxNumber("555", name, company), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(testfiles::md5sumOf(path()), fileSum);
    EXPECT_EQ(testfiles::md5sumOf(backup()), backupSum);
}

TEST_F(AddressBookTest, ConcurrentLookupsWhileAWindowSaves)
{
    testfiles::writeFile(path(), addressFile());
    ASSERT_TRUE(store().Open(dir_.path()));
    std::atomic<int> misses{0};
    std::vector<std::thread> lookups;
    for (int t = 0; t < 4; ++t)
        lookups.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                std::string name, company;
                if (store().FindByFaxNumber("777", name, company) != 1 || name != "朱镕基")
                    ++misses;
            }
        });
    Config window;
    ASSERT_EQ(OpenAddressBookFile(window, dir_.path(), false), 1);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(AppendAddressCard(window, "AddressBook[0]/Folder[0]", {{"FaxNum", std::to_string(i)}}), 1);
    for (std::thread& t : lookups)
        t.join();
    EXPECT_EQ(misses, 0);
}

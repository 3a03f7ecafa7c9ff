// The address-book window's document: changes name what the window showed
// (rows by card index and content, folders by index and names), reload the
// file first and refuse what moved, and save once; imports and export end
// in one result and a whole file. Checked with xmllint on the saved file.

#include "contacts/AddressBookDocument.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "contacts/AddressBookImport.h"
#include "contacts/ContactListOrder.h"
#include "core/TextUtil.h"
#include "core/tests/TestFiles.h"

namespace {

std::string cards(const std::vector<std::string>& names)
{
    std::string xml;
    for (const std::string& name : names)
        xml += "<Address Name=\"" + name + "\" FaxNum=\"" + name + "-fax\"/>";
    return xml;
}

// One book "公共地址薄" with a folder of five cards A to E and two folders
// both named "Same", the first holding card X.
std::string addressFile()
{
    return ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><Headers>"
                 "<Header Name=\"名字\" Key=\"Name\"/><Header Name=\"传真号码\" Key=\"FaxNum\"/>"
                 "<Header Name=\"公司传真\" Key=\"CompnayFaxNum\"/></Headers>"
                 "<AddressBook Name=\"公共地址薄\"><Folder Name=\"默认\">" +
                 cards({"A", "B", "C", "D", "E"}) +
                 "</Folder><Folder Name=\"Same\">" + cards({"X"}) + "</Folder><Folder Name=\"Same\"/>"
                 "</AddressBook></Config>\n");
}

class AddressBookDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { testfiles::writeFile(path(), addressFile()); }

    std::string path() const { return dir_.file("address.xml"); }
    std::optional<std::string> xpath(const std::string& expression) const
    {
        return testfiles::xpath(path(), expression);
    }
    // The Name of every card of the first folder, joined by " ".
    std::string namesInFile() const
    {
        std::string names;
        const int count = std::stoi(xpath("count(/Config/AddressBook[1]/Folder[1]/Address)").value_or("0"));
        for (int i = 1; i <= count; ++i)
            names += (i > 1 ? " " : "") +
                     xpath("string(/Config/AddressBook[1]/Folder[1]/Address[" + std::to_string(i) + "]/@Name)").value_or("?");
        return names;
    }
    FolderRef folder(int index = 0, const std::string& name = "默认") const { return {0, index, "公共地址薄", name}; }
    FolderRows rowsOf(AddressBookDocument& document, const FolderRef& ref) const
    {
        FolderRows rows;
        EXPECT_TRUE(document.ReadFolder(ref, rows));
        return rows;
    }
    std::string c14n() const
    {
        return testfiles::run("iconv -f GBK -t UTF-8 " + testfiles::quote(path()) +
                              " | sed '1s/GB2312/UTF-8/' | xmllint --c14n -")
            .output;
    }

    testfiles::TempDir dir_;
};

} // namespace

TEST(AddressBookDocumentStart, AFreshStartWritesTheTemplate)
{
    testfiles::TempDir dir;
    AddressBookDocument document(dir.path());
    ASSERT_TRUE(document.Open());
    EXPECT_TRUE(document.CreatedFile());
    EXPECT_EQ(testfiles::readFile(dir.file("address.xml")), AddressBookTemplate());
    const std::vector<BookEntry> books = document.Books();
    ASSERT_EQ(books.size(), 2u);
    EXPECT_EQ(books[0].name, "公共地址薄");
    EXPECT_EQ(books[1].folders, std::vector<std::string>{"默认"});
    FolderRows rows;
    ASSERT_TRUE(document.ReadFolder({1, 0, "个人地址薄", "默认"}, rows));
    EXPECT_EQ(rows.columns.size(), 9u);
    EXPECT_EQ(rows.columns[4].key, "CompnayFaxNum");
    EXPECT_TRUE(rows.rows.empty());

    // A file that does not load stays as it is, and so does its backup.
    testfiles::TempDir broken;
    testfiles::writeFile(broken.file("address.xml"), "<Config><AddressBook");
    testfiles::writeFile(broken.file("address-bak.xml"), "old backup");
    AddressBookDocument unreadable(broken.path());
    EXPECT_FALSE(unreadable.Open());
    EXPECT_EQ(testfiles::readFile(broken.file("address.xml")), "<Config><AddressBook");
    EXPECT_EQ(testfiles::readFile(broken.file("address-bak.xml")), "old backup");
    EXPECT_TRUE(unreadable.Books().empty());
    EXPECT_EQ(unreadable.AddCard({0, 0, "", ""}, {{"Name", "n"}}), ChangeResult::Failed);
}

TEST_F(AddressBookDocumentTest, RowsCarryTheirCards)
{
    AddressBookDocument document(dir_.path());
    ASSERT_TRUE(document.Open());
    const FolderRows rows = rowsOf(document, folder());
    ASSERT_EQ(rows.rows.size(), 5u);
    EXPECT_EQ(rows.rows[2].cells, (std::vector<std::string>{"C", "C-fax", ""}));

    // Deleting the second and third of five leaves the first, fourth and fifth.
    EXPECT_EQ(document.DeleteCards(folder(), {rows.rows[1].card, rows.rows[2].card}), ChangeResult::Done);
    EXPECT_EQ(namesInFile(), "A D E");

    // After a descending sort, the row showing "D" deletes D and nothing else.
    const FolderRows left = rowsOf(document, folder());
    const std::vector<std::size_t> order = SortedRowOrder(left.rows, 0, false);
    ASSERT_EQ(left.rows[order[0]].cells[0], "E");
    ASSERT_EQ(left.rows[order[1]].cells[0], "D");
    EXPECT_EQ(document.DeleteCards(folder(), {left.rows[order[1]].card}), ChangeResult::Done);
    EXPECT_EQ(namesInFile(), "A E");
}

TEST_F(AddressBookDocumentTest, TwoWindowsNeverWriteAStaleCopy)
{
    AddressBookDocument first(dir_.path()), second(dir_.path());
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(second.Open());
    const FolderRows shown = rowsOf(first, folder());

    // A card added in the second window survives a delete in the first.
    ASSERT_EQ(second.AddCard(folder(), {{"Name", "F"}}), ChangeResult::Done);
    EXPECT_EQ(first.DeleteCards(folder(), {shown.rows[0].card}), ChangeResult::Done);
    EXPECT_EQ(namesInFile(), "B C D E F");

    // The first window still shows A to E: its rows moved, so a delete or
    // an edit by them is refused and changes nothing.
    const std::string before = testfiles::readFile(path());
    EXPECT_EQ(first.DeleteCards(folder(), {shown.rows[1].card, shown.rows[4].card}), ChangeResult::Moved);
    EXPECT_EQ(first.EditCard(folder(), shown.rows[2].card, {{"Name", "changed"}}), ChangeResult::Moved);
    StoredCard stored;
    EXPECT_EQ(first.ReadCard(folder(), shown.rows[3].card, stored), ChangeResult::Moved);
    EXPECT_EQ(testfiles::readFile(path()), before);

    // Read again, the same rows work.
    const FolderRows fresh = rowsOf(first, folder());
    EXPECT_EQ(first.DeleteCards(folder(), {fresh.rows[1].card, fresh.rows[4].card}), ChangeResult::Done);
    EXPECT_EQ(namesInFile(), "B D E");
}

TEST_F(AddressBookDocumentTest, FoldersByIndexAndName)
{
    AddressBookDocument document(dir_.path());
    ASSERT_TRUE(document.Open());
    // Deleting the second of two folders named "Same" removes that one.
    EXPECT_EQ(document.DeleteFolder(folder(2, "Same")), ChangeResult::Done);
    EXPECT_EQ(xpath("count(/Config/AddressBook[1]/Folder)"), "2");
    EXPECT_EQ(xpath("string(/Config/AddressBook[1]/Folder[2]/Address/@Name)"), "X");

    struct Case {
        const char* name;
        ChangeResult result;
    };
    // New folders: a name the book has, in any letter case, is refused.
    for (const Case& c : std::vector<Case>{{"same", ChangeResult::Refused}, {"", ChangeResult::Refused},
                                           {"Work", ChangeResult::Done}, {"WORK", ChangeResult::Refused}})
        EXPECT_EQ(document.AddFolder(0, "公共地址薄", c.name), c.result) << c.name;
    EXPECT_EQ(document.AddFolder(0, "另一个", "Other"), ChangeResult::Moved) << "the book is not the one shown";
    EXPECT_EQ(document.Books()[0].folders, (std::vector<std::string>{"默认", "Same", "Work"}));

    // Renames: another folder's name is refused; the folder's own name in
    // other letters changes nothing.
    const std::string before = testfiles::readFile(path());
    for (const Case& c : std::vector<Case>{{"work", ChangeResult::Refused}, {"", ChangeResult::Refused},
                                           {"SAME", ChangeResult::Done}})
        EXPECT_EQ(document.RenameFolder(folder(1, "Same"), c.name), c.result) << c.name;
    EXPECT_EQ(testfiles::readFile(path()), before);
    EXPECT_EQ(document.RenameFolder(folder(1, "Same"), "客户"), ChangeResult::Done);
    EXPECT_EQ(xpath("string(/Config/AddressBook[1]/Folder[2]/@Name)"), "客户");
    EXPECT_EQ(document.RenameFolder(folder(1, "Same"), "again"), ChangeResult::Moved);
    EXPECT_EQ(document.DeleteFolder(folder(1, "Same")), ChangeResult::Moved);
}

TEST_F(AddressBookDocumentTest, EditsChangeOnlyWhatWasTyped)
{
    AddressBookDocument document(dir_.path());
    ASSERT_TRUE(document.Open());
    const FolderRows rows = rowsOf(document, folder());
    StoredCard stored;
    ASSERT_EQ(document.ReadCard(folder(), rows.rows[1].card, stored), ChangeResult::Done);
    EXPECT_EQ(stored, (StoredCard{{"Name", "B"}, {"FaxNum", "B-fax"}}));

    // An unchanged OK: every field as loaded, the absent ones empty.
    AddressCard typed;
    for (const char* attribute : kAddressAttributes)
        typed[attribute] = stored.count(attribute) ? stored[attribute] : "";
    const std::string before = c14n();
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(document.EditCard(folder(), rows.rows[1].card, typed), ChangeResult::Done);
    EXPECT_EQ(c14n(), before);

    // A QQ typed into a card without one is stored; a cleared field empties
    // its attribute; an empty field adds nothing.
    typed["QQ"] = "10001";
    typed["FaxNum"] = "";
    EXPECT_EQ(document.EditCard(folder(), rows.rows[1].card, typed), ChangeResult::Done);
    const std::string card = "/Config/AddressBook[1]/Folder[1]/Address[2]";
    EXPECT_EQ(xpath("string(" + card + "/@QQ)"), "10001");
    EXPECT_EQ(xpath("count(" + card + "/@FaxNum)"), "1");
    EXPECT_EQ(xpath("string(" + card + "/@FaxNum)"), "");
    EXPECT_EQ(xpath("count(" + card + "/@*)"), "3");

    // A new card has the 34 attributes.
    EXPECT_EQ(document.AddCard(folder(), {{"Name", "新"}, {"FaxNum", "1"}}), ChangeResult::Done);
    EXPECT_EQ(xpath("count(/Config/AddressBook[1]/Folder[1]/Address[last()]/@*)"), "34");
}

TEST_F(AddressBookDocumentTest, ImportsEndInOneResultAndAWholeFile)
{
    AddressBookDocument document(dir_.path());
    ASSERT_TRUE(document.Open());
    const FolderRef target = folder(2, "Same");
    const std::string cardsOf = "/Config/AddressBook[1]/Folder[3]/Address";

    testfiles::writeFile(dir_.file("numbers.txt"), "111,222;333||");
    ASSERT_TRUE(ImportIntoFolder(document, target, ImportKind::NumberList, dir_.file("numbers.txt")));
    EXPECT_EQ(xpath("count(" + cardsOf + ")"), "3");
    for (const char* field : {"Name", "FaxNum", "FirstName", "HomeFaxNum", "CompanyName", "CompanyFaxNum"})
        EXPECT_EQ(xpath("string(" + cardsOf + "[3]/@" + field + ")"), "333") << field;
    EXPECT_EQ(xpath("count(" + cardsOf + "[3]/@*)"), "34");
    EXPECT_EQ(xpath("string(" + cardsOf + "[3]/@SurName)"), "");

    // A name with markup characters reads back through xmllint.
    testfiles::writeFile(dir_.file("names.txt"), ToGbk("12345678 \"王\" & <李>\r\n"));
    ASSERT_TRUE(ImportIntoFolder(document, target, ImportKind::NumberAndName, dir_.file("names.txt")));
    EXPECT_EQ(xpath("string(" + cardsOf + "[4]/@Name)"), "\"王\" & <李>");

    // Failures change nothing.
    const std::string sum = testfiles::md5sumOf(path());
    EXPECT_FALSE(ImportIntoFolder(document, target, ImportKind::NumberList, "/bin/sh"));
    EXPECT_FALSE(ImportIntoFolder(document, target, ImportKind::NumberAndName, dir_.file("missing.txt")));
    EXPECT_FALSE(ImportIntoFolder(document, target, ImportKind::AddressBook, dir_.file("numbers.txt")));
    EXPECT_FALSE(ImportIntoFolder(document, folder(3, "gone"), ImportKind::NumberList, dir_.file("numbers.txt")));
    EXPECT_EQ(testfiles::md5sumOf(path()), sum);

    // Merging a file of two books of three cards each adds all six.
    const std::string other = dir_.file("other.xml");
    testfiles::writeFile(other, "<?xml version=\"1.0\"?><Config><AddressBook Name=\"b1\"><Folder Name=\"f\">" +
                                    cards({"m1", "m2"}) + "</Folder><Folder Name=\"g\">" + cards({"m3"}) +
                                    "</Folder></AddressBook><AddressBook Name=\"b2\"><Folder Name=\"h\">" +
                                    cards({"m4", "m5", "m6"}) + "</Folder></AddressBook></Config>");
    ASSERT_TRUE(ImportIntoFolder(document, target, ImportKind::AddressBook, other));
    EXPECT_EQ(xpath("count(" + cardsOf + ")"), "10");
    EXPECT_EQ(xpath("string(" + cardsOf + "[10]/@FaxNum)"), "m6-fax");
    EXPECT_EQ(xpath("count(" + cardsOf + "[10]/@*)"), "34");

    // The export is the whole book.
    const std::string exported = dir_.file("export.xml");
    ASSERT_TRUE(document.ExportTo(exported));
    EXPECT_TRUE(testfiles::runOk("iconv -f GBK -t UTF-8 " + exported + " | sed '1s/GB2312/UTF-8/' | xmllint --noout -"));
    EXPECT_EQ(testfiles::xpath(exported, "count(//Address)"), xpath("count(//Address)"));
    EXPECT_FALSE(document.ExportTo(dir_.file("no/such/dir/export.xml")));
}

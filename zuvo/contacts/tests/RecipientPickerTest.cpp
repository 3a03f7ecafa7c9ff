// The recipient picker without widgets: folders and cards of address.xml
// (never created), prefilled lists in list-box order, adds that refuse a
// number listed on either side, silent add-all, and the contact it picks.

#include "contacts/RecipientPicker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "contacts/tests/PickerAddressFile.h"
#include "core/tests/TestFiles.h"

namespace {

using pickerfixture::addressFile;
using pickerfixture::card;

class RecipientPickerTest : public ::testing::Test {
protected:
    RecipientPickerTest() { testfiles::writeFile(dir_.file("address.xml"), addressFile()); }

    RecipientPicker::RepeatReport recorder()
    {
        return [this](const std::string& number) { repeats_.push_back(number); };
    }

    testfiles::TempDir dir_;
    std::vector<std::string> repeats_;
};

std::vector<std::string> numbers(const std::vector<PickerCard>& cards)
{
    std::vector<std::string> result;
    for (const PickerCard& c : cards)
        result.push_back(c.faxNumber);
    return result;
}

TEST_F(RecipientPickerTest, FoldersThenAllListCardsInDocumentOrder)
{
    RecipientPicker picker(dir_.path(), "所有人");
    EXPECT_EQ(picker.FolderNames(), (std::vector<std::string>{"默认", "客户", "默认", "所有人"}));
    EXPECT_EQ(picker.AllIndex(), 3);
    EXPECT_EQ(picker.Cards(0), (std::vector<PickerCard>{{"张三", "333", "甲公司"}, {"李四", "111", ""},
                                                         {"王五", "222", "乙公司"}}));
    EXPECT_EQ(numbers(picker.Cards(2)), std::vector<std::string>{"111"});
    EXPECT_EQ(numbers(picker.Cards(3)), (std::vector<std::string>{"333", "111", "222", "444", "111"}));
    for (int none : {-1, 4})
        EXPECT_TRUE(picker.Cards(none).empty()) << none;
}

TEST_F(RecipientPickerTest, TypedTextFindsItsFolderOrNone)
{
    RecipientPicker picker(dir_.path(), "所有人");
    EXPECT_EQ(picker.FolderIndexOf("默认", 2), 2) << "the current entry when it has the text";
    EXPECT_EQ(picker.FolderIndexOf("默认", 1), 0) << "else the first of that name";
    EXPECT_EQ(picker.FolderIndexOf("客户", -1), 1);
    EXPECT_EQ(picker.FolderIndexOf("没有", 0), -1);
}

TEST_F(RecipientPickerTest, WithoutTheFileThereAreNoFoldersAndThePrefillComesBack)
{
    std::filesystem::remove(dir_.file("address.xml"));
    RecipientPicker picker(dir_.path(), "所有人");
    EXPECT_TRUE(picker.FolderNames().empty());
    EXPECT_EQ(picker.AllIndex(), -1);
    EXPECT_TRUE(picker.Cards(0).empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.file("address.xml"))) << "the picker never creates the file";
    picker.PrefillTo("555,444");
    picker.PrefillCc("666");
    EXPECT_EQ(picker.GetToList(), "444,555");
    EXPECT_EQ(picker.GetCcList(), "666");
    EXPECT_FALSE(picker.Picked());
}

TEST(RecipientPickerPrefillTest, PiecesAreKeptAsTheyStandAndSortedWithoutCase)
{
    const struct {
        const char* prefill;
        std::vector<std::string> entries;
    } cases[] = {
        {"222,111", {"111", "222"}},
        {"", {}},
        {"b,A,a,B", {"A", "a", "b", "B"}}, // equal entries keep their order
        {"1,,2,", {"", "1", "2"}},        // an empty piece stays, but not the last
        {",", {""}},
        {" 9 ,8", {" 9 ", "8"}},          // no trimming
        {"3,3", {"3", "3"}},              // no repeat check
    };
    for (const auto& c : cases) {
        RecipientPicker picker("/nonexistent", "All");
        picker.PrefillTo(c.prefill);
        EXPECT_EQ(picker.To(), c.entries) << c.prefill;
        EXPECT_TRUE(picker.Cc().empty());
    }
}

TEST(RecipientPickerPrefillTest, LongTextsAreCut)
{
    RecipientPicker pieces("/nonexistent", "All");
    pieces.PrefillTo(std::string(300, '7') + ",号" + std::string(300, '8'));
    EXPECT_EQ(pieces.To(), (std::vector<std::string>{std::string(255, '7'), "号" + std::string(254, '8')}));

    RecipientPicker text("/nonexistent", "All");
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "1,";
    text.PrefillTo(many + "2"); // the "2" is character 4001
    EXPECT_EQ(text.To(), std::vector<std::string>(2000, "1"));
}

TEST_F(RecipientPickerTest, ANumberListedOnEitherSideIsRefusedForBoth)
{
    RecipientPicker picker(dir_.path(), "所有人");
    picker.PrefillTo("222");
    picker.PrefillCc("333");
    const std::vector<PickerCard> folder = picker.Cards(0); // 333, 111, 222
    picker.AddToTo(folder, recorder());
    EXPECT_EQ(repeats_, (std::vector<std::string>{"333", "222"}));
    EXPECT_EQ(picker.GetToList(), "111,222");
    repeats_.clear();
    picker.AddToCc({folder[1]}, recorder());
    EXPECT_EQ(repeats_, std::vector<std::string>{"111"});
    EXPECT_EQ(picker.GetCcList(), "333");
}

TEST_F(RecipientPickerTest, AddAllSkipsRepeatsSilentlyAndAlsoRepeatsAmongTheCards)
{
    RecipientPicker picker(dir_.path(), "所有人");
    picker.PrefillTo("111");
    picker.AddToTo(picker.Cards(picker.AllIndex()), nullptr); // 333 111 222 444 111
    EXPECT_EQ(picker.GetToList(), "111,222,333,444");
    picker.AddToCc(picker.Cards(picker.AllIndex()), nullptr);
    EXPECT_EQ(picker.GetCcList(), "");
}

TEST_F(RecipientPickerTest, TheLastCardAddedToToIsPickedEvenWhenItsNumberWasListed)
{
    RecipientPicker picker(dir_.path(), "所有人");
    const std::vector<PickerCard> all = picker.Cards(picker.AllIndex());
    picker.AddToCc({all[0]}, recorder());
    EXPECT_FALSE(picker.Picked()) << "an add to CC picks no contact";
    picker.AddToTo({all[0]}, recorder()); // listed in CC: refused, nothing added
    EXPECT_FALSE(picker.Picked()) << "no recipient added yet";
    picker.AddToTo({all[2], all[4]}, recorder()); // 222 added, then 孙七's 111 too
    ASSERT_TRUE(picker.Picked());
    EXPECT_EQ(picker.Picked()->name, "孙七");
    EXPECT_EQ(picker.Picked()->company, "丙公司");
    picker.AddToTo({all[1]}, recorder()); // 111 again: refused, but the card is the last
    EXPECT_EQ(picker.Picked()->name, "李四");
    EXPECT_EQ(picker.Picked()->company, "");
}

TEST_F(RecipientPickerTest, AmongTheNumbersAFaxKeepsTheLastCardGivenToToWhoseNumberStaysIsPicked)
{
    RecipientPicker picker(dir_.path(), "所有人");
    const std::vector<PickerCard> all = picker.Cards(picker.AllIndex()); // 333 111 222 444 111
    EXPECT_FALSE(picker.PickedAmong({"333"})) << "nothing added to To yet";
    picker.AddToTo({all[2], all[3]}, recorder()); // 222, then 444 last
    ASSERT_TRUE(picker.PickedAmong({"222", "444"}));
    EXPECT_EQ(picker.PickedAmong({"222", "444"})->name, all[3].name);
    // 444 cut off by the number check: the name goes with 222.
    ASSERT_TRUE(picker.PickedAmong({"222"}));
    EXPECT_EQ(picker.PickedAmong({"222"})->name, all[2].name);
    EXPECT_EQ(picker.PickedAmong({"222"})->company, all[2].company);
    EXPECT_FALSE(picker.PickedAmong({"999"}));
    EXPECT_NE(all[2].name, all[3].name);
}

TEST_F(RecipientPickerTest, RemovingTakesTheEntryAndTheLastLeavesAnEmptyList)
{
    RecipientPicker picker(dir_.path(), "所有人");
    picker.PrefillTo("2,1");
    picker.RemoveTo(5);
    picker.RemoveTo(-1);
    picker.RemoveTo(0);
    EXPECT_EQ(picker.GetToList(), "2");
    picker.RemoveTo(0);
    EXPECT_EQ(picker.GetToList(), "");
}

TEST(RecipientPickerScaleTest, AddAllOverTenThousandCardsWithRepeats)
{
    testfiles::TempDir dir;
    std::string xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><AddressBook Name=\"b\"><Folder Name=\"f\">";
    for (int i = 0; i < 10000; ++i)
        xml += card("n", std::to_string(i % 7000)); // 3000 repeats
    testfiles::writeFile(dir.file("address.xml"), xml + "</Folder></AddressBook></Config>\n");
    RecipientPicker picker(dir.path(), "All");
    const std::vector<PickerCard> cards = picker.Cards(0);
    ASSERT_EQ(cards.size(), 10000U);
    picker.AddToTo(cards, nullptr);
    picker.AddToCc(cards, nullptr);
    EXPECT_EQ(picker.To().size(), 7000U);
    EXPECT_TRUE(picker.Cc().empty());
    EXPECT_TRUE(std::is_sorted(picker.To().begin(), picker.To().end()));
}

} // namespace

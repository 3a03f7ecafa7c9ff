// The compose window's logic without widgets: records written into the
// default account's outbox and into drafts (checked with xmllint on
// account.xml, tiffinfo for page counts and md5sum for the copies), the
// checks that stop a save, the start from a stored fax, and the number check
// of the To and CC fields.

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/ComposeSave.h"
#include "compose/ComposedFax.h"
#include "compose/NumberCheck.h"
#include "compose/tests/ScriptedComposePrompts.h"
#include "core/tests/AccountFixture.h"
#include "faxbox/FaxTasks.h"
#include "faxbox/tests/FaxPageFixtures.h"
#include "res/StringTable.h"

namespace {

using testfiles::md5sumOf;

// The first account is the one a folder tree would select; the second is
// the default. Both have an outbox and drafts; the default's IsUse varies.
std::string accounts(int isUse)
{
    return "<Account Name=\"当前\" Directory=\"cur\">"
           "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\"/>"
           "<Folder Name=\"草稿\" Type=\"tempbox\" Directory=\"temp\"/></Account>\n"
           "<Account Name=\"默认\" Default=\"yes\" Directory=\"data\" IsUse=\"" +
           std::to_string(isUse) +
           "\"><Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"fax\"/>"
           "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\"/>"
           "<Folder Name=\"草稿\" Type=\"tempbox\" Directory=\"temp\"/></Account>\n";
}

std::string text(unsigned id)
{
    return std::string(LoadString(id));
}

class ComposeSaveTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override { openWith(accounts(0)); }

    // A G4 TIFF of `pages` small pages at dir/name.
    std::string tiff(const std::string& name, int pages)
    {
        std::vector<ImageHandle> handles;
        for (int i = 0; i < pages; ++i)
            handles.push_back(faxfixtures::patternPage(64, 40, i + 1));
        std::vector<const ImageHandle*> list;
        for (const ImageHandle& h : handles)
            list.push_back(&h);
        const std::string path = dir_.file(name);
        EXPECT_TRUE(faxfixtures::writeFaxTiff(list, path, 200, 100, dir_));
        return path;
    }
    std::string at(const std::string& box, int fax, const std::string& rest) const
    {
        return "string(/Config/Account[2]/Folder[@Type='" + box + "']/Fax[" + std::to_string(fax) + "]" + rest + ")";
    }
    std::string value(const std::string& expression) const { return xpath(expression).value_or("?"); }
    int faxCount(const std::string& accountAndBox) const
    {
        return std::stoi(value("count(/Config/" + accountAndBox + "/Fax)"));
    }

    ComposedFax fax_;
    ScriptedComposePrompts prompts_;
    const std::time_t now_ = 1796900000; // a fixed moment, so CreateTime is known to be taken once
};

TEST_F(ComposeSaveTest, TheOutboxRecordNamesTheCopiedFilesAndCountsTheirPages)
{
    fax_.to = "  ，a，b ，, "; // no separator leads, trails or doubles in the record
    fax_.cc = "c－d；e,";
    fax_.subject = "报价";
    fax_.name = "张三";
    fax_.company = "甲公司";
    fax_.sendTime = "2028-02-29 08:30:00";
    fax_.timerFlag = 1;
    const std::string two = tiff("两页.tif", 2);
    const std::string three = tiff("三页.tif", 3);
    const std::string gone = tiff("gone.tif", 1);
    fax_.attachments = {{two, 0}, {gone, 1}, {three, 1}};
    std::filesystem::remove(gone);

    ASSERT_TRUE(SaveToOutbox(fax_, now_, prompts_));
    EXPECT_TRUE(prompts_.texts.empty());
    EXPECT_EQ(value(at("outbox", 1, "/@Caller")), "a,b");
    EXPECT_EQ(value(at("outbox", 1, "/@ToCC")), "c-d;e");
    EXPECT_EQ(value(at("outbox", 1, "/@Topic")), "报价");
    EXPECT_EQ(value(at("outbox", 1, "/@Name")), "张三");
    EXPECT_EQ(value(at("outbox", 1, "/@Company")), "甲公司");
    EXPECT_EQ(value(at("outbox", 1, "/@ReadFlag")), "1");
    EXPECT_EQ(value(at("outbox", 1, "/@SendTimer")), "2028-02-29 08:30:00");
    EXPECT_EQ(value(at("outbox", 1, "/@TimerFlag")), "1");
    const std::string createTime = value(at("outbox", 1, "/@CreateTime"));
    EXPECT_EQ(createTime, FormatCreateTime(now_));
    EXPECT_EQ(value(at("outbox", 1, "/@Date")), FormatRecordDate(now_));
    EXPECT_EQ(value("count(/Config/Account[1]/Folder/Fax)"), "0") << "the default account's outbox, not the current one's";

    EXPECT_EQ(value("count(/Config/Account[2]/Folder[@Type='outbox']/Fax[1]/AttachFile)"), "2") << "the deleted file is left out";
    EXPECT_EQ(value(at("outbox", 1, "/AttachFile[1]/@File")), "两页.tif");
    EXPECT_EQ(value(at("outbox", 1, "/AttachFile[2]/@File")), "三页.tif");
    EXPECT_EQ(value(at("outbox", 1, "/@Pages")),
              std::to_string(faxfixtures::tiffPageCount(two) + faxfixtures::tiffPageCount(three)));
    for (const std::string& source : {two, three}) {
        const std::string copy =
            dir_.file("data/outbox/" + std::filesystem::path(source).filename().string() + "." + createTime);
        EXPECT_EQ(md5sumOf(copy), md5sumOf(source)) << copy;
    }
}

TEST_F(ComposeSaveTest, HeadFlagFollowsTheAccountsIsUseAndTheItemsFlag)
{
    const struct {
        int isUse;
        const char* flag0;
        const char* flag1;
    } cases[] = {{0, "", "1"}, {1, "1", "1"}};
    const std::string page = tiff("p.tif", 1);
    const std::string other = tiff("q.tif", 1);
    int saved = 0;
    for (const auto& c : cases) {
        AccountConfig::Close();
        openWith(accounts(c.isUse));
        fax_.to = "1";
        fax_.attachments = {{page, 0}, {other, 1}};
        ASSERT_TRUE(SaveToOutbox(fax_, now_ + saved, prompts_));
        ++saved;
        EXPECT_EQ(value(at("outbox", 1, "/AttachFile[1]/@HeadFlag")), c.flag0) << "IsUse " << c.isUse;
        EXPECT_EQ(value(at("outbox", 1, "/AttachFile[2]/@HeadFlag")), c.flag1) << "IsUse " << c.isUse;
    }
}

TEST_F(ComposeSaveTest, ChecksStopTheSaveWithTheirMessage)
{
    const std::string page = tiff("p.tif", 1);
    const std::string six = "号号号号号号"; // 12 GBK bytes, 18 of UTF-8
    std::string to1200;
    for (int i = 0; i < 100; ++i)
        to1200 += six;
    const struct {
        std::string to;
        std::string cc;
        bool attached;
        std::string message; // "" saved
    } cases[] = {
        {"1", "", false, text(61489)},
        {"  ", "2", true, text(61490)},
        {to1200, "1", true, text(61536)},
        {to1200.substr(0, to1200.size() - 3), "1", true, ""}, // 1198 + 1 bytes
        {to1200, "", true, ""},                              // 1200 GBK bytes pass
    };
    int saved = 0;
    for (const auto& c : cases) {
        ScriptedComposePrompts prompts;
        fax_.to = c.to;
        fax_.cc = c.cc;
        fax_.attachments.clear();
        if (c.attached)
            fax_.attachments.push_back({page, 0});
        EXPECT_EQ(SaveToOutbox(fax_, now_ + saved, prompts), c.message.empty()) << c.message;
        EXPECT_EQ(prompts.texts, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        if (c.message.empty())
            ++saved;
        EXPECT_EQ(faxCount("Account[2]/Folder[@Type='outbox']"), saved);
    }
}

TEST_F(ComposeSaveTest, AFaxWhoseFilesCannotBeCopiedIsNotQueued)
{
    const std::string page = tiff("p.tif", 1);
    std::filesystem::create_directories(dir_.file("data/outbox"));
    testfiles::ReadOnlyDirectory readOnly(dir_.file("data/outbox"));
    if (!readOnly.held())
        GTEST_SKIP() << "the outbox directory cannot be made read-only here";
    fax_.to = "1";
    fax_.attachments = {{page, 0}, {page, 1}};
    EXPECT_FALSE(SaveToOutbox(fax_, now_, prompts_));
    EXPECT_EQ(prompts_.texts, (std::vector<std::string>{"拷贝文件失败", "拷贝文件失败", text(61489)}));
    EXPECT_EQ(faxCount("Account[2]/Folder[@Type='outbox']"), 0);

    std::filesystem::remove(page);
    ScriptedComposePrompts missing;
    EXPECT_FALSE(SaveToOutbox(fax_, now_, missing));
    EXPECT_EQ(missing.texts, std::vector<std::string>{text(61489)});
}

TEST_F(ComposeSaveTest, TwoFaxesSavedInOneSecondKeepTheirOwnFiles)
{
    const std::string first = tiff("same.tif", 1);
    fax_.to = "1";
    fax_.attachments = {{first, 0}};
    ASSERT_TRUE(SaveToOutbox(fax_, now_, prompts_));
    const std::string second = tiff("same.tif", 3); // same name, new content
    ASSERT_TRUE(SaveToOutbox(fax_, now_, prompts_));
    const std::string t1 = value(at("outbox", 1, "/@CreateTime"));
    const std::string t2 = value(at("outbox", 2, "/@CreateTime"));
    EXPECT_NE(t1, t2);
    EXPECT_EQ(faxfixtures::tiffPageCount(dir_.file("data/outbox/same.tif." + t1)), 1);
    EXPECT_EQ(faxfixtures::tiffPageCount(dir_.file("data/outbox/same.tif." + t2)), 3);
}

TEST_F(ComposeSaveTest, DraftsGoToTheGivenAccountAndCloseWithYesChecksNothing)
{
    const std::string page = tiff("p.tif", 2);
    fax_.cc = "9";
    fax_.attachments = {{page, 0}, {page + ".missing", 1}};
    ASSERT_TRUE(SaveToDrafts(fax_, "Account[0]", true, now_, prompts_));
    EXPECT_TRUE(prompts_.texts.empty());
    const std::string draft = "/Config/Account[1]/Folder[@Type='tempbox']/Fax[1]";
    EXPECT_EQ(value("string(" + draft + "/@ReadFlag)"), "1");
    EXPECT_EQ(value("count(" + draft + "/AttachFile)"), "1");
    EXPECT_EQ(value("string(" + draft + "/AttachFile/@HeadFlag)"), "");
    EXPECT_EQ(value("string(" + draft + "/@Pages)"), "2");
    // Attribute order of a draft: ReadFlag before Date.
    EXPECT_EQ(value("name(" + draft + "/@*[6])"), "ReadFlag");

    ScriptedComposePrompts checks;
    ComposedFax empty;
    EXPECT_FALSE(SaveToDrafts(empty, "", true, now_, checks));
    empty.attachments = {{page, 1}};
    EXPECT_FALSE(SaveToDrafts(empty, "", true, now_, checks));
    EXPECT_EQ(checks.texts, (std::vector<std::string>{text(61554), text(61564)}));

    ASSERT_TRUE(SaveToDrafts(ComposedFax{}, "", false, now_, checks)) << "closing with Yes";
    EXPECT_EQ(faxCount("Account[2]/Folder[@Type='tempbox']"), 1) << "no current account: the default's drafts";
}

TEST_F(ComposeSaveTest, AReplyAForwardAndAnEditStartFromTheStoredFax)
{
    testfiles::writeFile(dir_.file("data/fax/x.tif.20261210093001"), "one");
    testfiles::writeFile(dir_.file("data/fax/y.tif.20261210093001"), "two");
    FaxRecord stored;
    stored.Set(FaxRecord::kCaller, "555");
    stored.Set(FaxRecord::kToCC, "666");
    stored.Set(FaxRecord::kTopic, "合同");
    stored.Set(FaxRecord::kName, "李四");
    stored.Set(FaxRecord::kCompany, "乙公司");
    stored.Set(FaxRecord::kCreateTime, "20261210093001");
    stored.Set(FaxRecord::kSendTimer, "2026-12-11 09:00:00");
    stored.Set(FaxRecord::kTimerFlag, "1");
    stored.attachments = {{"x.tif", "1"}, {"y.tif", ""}};
    ASSERT_EQ(AppendFaxRecord("Account[1]/Folder[0]", stored), 1);
    const std::string faxPath = "Account[1]/Folder[0]/Fax[0]";
    const std::vector<ComposeAttachment> pages = {{dir_.file("data/fax/x.tif.20261210093001"), 1},
                                                  {dir_.file("data/fax/y.tif.20261210093001"), 0}};

    CFaxReplyTask reply;
    reply.SetFaxPath(faxPath);
    ComposeStart start = StartFromTask(&reply, true);
    EXPECT_EQ(start.titleId, 61486U);
    EXPECT_EQ(start.fax.to, "555");
    EXPECT_EQ(start.fax.cc, "666");
    EXPECT_EQ(start.fax.subject, "回复：合同");
    EXPECT_EQ(start.fax.name, "李四");
    EXPECT_EQ(start.fax.company, "乙公司");
    EXPECT_EQ(start.fax.sendTime, "2026-12-11 09:00:00");
    EXPECT_EQ(start.fax.timerFlag, 1);
    EXPECT_TRUE(start.fax.attachments.empty());
    EXPECT_TRUE(start.modified);

    CFaxTransferTask forward;
    forward.SetFaxPath(faxPath);
    for (bool chinese : {true, false}) {
        start = StartFromTask(&forward, chinese);
        EXPECT_EQ(start.titleId, 61487U);
        EXPECT_EQ(start.fax.to, "");
        EXPECT_EQ(start.fax.cc, "");
        EXPECT_EQ(start.fax.subject, chinese ? "转发：合同" : "Transfer：合同");
        EXPECT_EQ(start.fax.timerFlag, 1);
        EXPECT_EQ(start.fax.attachments, pages);
    }

    CFaxEditTask edit;
    edit.SetFaxPath(faxPath);
    start = StartFromTask(&edit, true);
    EXPECT_EQ(start.titleId, 61488U);
    EXPECT_EQ(start.fax.to, "555");
    EXPECT_EQ(start.fax.subject, "合同");
    EXPECT_EQ(start.fax.attachments, pages);
    edit.SetCaller("777,888");
    EXPECT_EQ(StartFromTask(&edit, true).fax.to, "777,888");

    CFaxNewTask fresh;
    fresh.SetFaxPath("/tmp/new.tif");
    start = StartFromTask(&fresh, true);
    EXPECT_EQ(start.titleId, 61485U);
    EXPECT_EQ(start.fax.attachments, (std::vector<ComposeAttachment>{{"/tmp/new.tif", 0}}));
    EXPECT_FALSE(start.modified);
    EXPECT_EQ(StartFromTask(nullptr, true).titleId, 61485U);

    CFaxReplyTask gone;
    gone.SetFaxPath("Account[1]/Folder[0]/Fax[7]");
    start = StartFromTask(&gone, true);
    EXPECT_EQ(start.titleId, 61486U);
    EXPECT_EQ(start.fax.to, "");
    EXPECT_FALSE(start.modified);
}

TEST(ComposedFaxTest, AnItemIsNamedLikeAnotherWhenBothWouldBeStoredAsOneFile)
{
    const std::string longName(250, 'n');
    const std::vector<ComposeAttachment> items = {{"/a/x.tif", 0}, {"/a/" + longName + "1.tif", 0}};
    const struct {
        std::string path;
        bool named;
    } cases[] = {
        {"/b/x.tif", true},
        {"/a/X.tif", false},
        {"/a/y.tif", false},
        {"/c/" + longName + "2.tif", true}, // both shortened to the same File
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasAttachmentNamed(items, c.path), c.named) << c.path;
}

TEST(NumberCheckTest, RepeatsAndNumbersPastAHundredGoAndTheDroppedAreCounted)
{
    std::string hundredAndOne;
    std::string hundred;
    std::string fullWidth; // 99 numbers and "x，y", separated by "，"
    std::string hundredOther;
    for (int i = 1; i <= 101; ++i) {
        hundredAndOne += std::to_string(i) + ",";
        if (i <= 100) {
            hundred += std::to_string(i) + ",";
            hundredOther += "o" + std::to_string(i) + ",";
        }
        if (i <= 99)
            fullWidth += std::to_string(i) + "，";
    }
    std::string other98;
    for (int i = 0; i < 98; ++i)
        other98 += "o" + std::to_string(i) + ",";
    const std::string ninetyNine = hundred.substr(0, hundred.find("100,"));
    const struct {
        std::string edited;
        std::string other;
        std::string text;
        int total;
        int dropped;
    } cases[] = {
        {"", "", "", 0, 0},
        {"", "5,", "", 1, 0},
        {"1,2,1,", "", "1,2,", 2, 0},
        {"1,2,3", "2,5", "1,3", 4, 0},         // a number of the other field goes
        {"1,1", "", "1,1", 2, 0},              // the last is not complete yet
        {"1,,2,,", "", "1,,2,,", 4, 0},        // empty numbers are no repeats
        {"7,8,7,8,9", "9", "7,8,9", 4, 0},
        {"1，2，3", "4，5", "1,2,3", 5, 0},    // "，" separates as "," does
        {hundredAndOne, "", hundred, 100, 1},
        {hundredAndOne + "102,,103", "", hundred, 100, 3},
        {"a,b,c,d", other98, "a,b,", 100, 2},
        {fullWidth + "x，y", "", ninetyNine + "x,", 100, 1},
        {"7", hundredOther, "", 100, 1},       // the 101st is not even typed
    };
    for (const auto& c : cases) {
        const NumberCheck check = CheckNumbers(c.edited, c.other);
        EXPECT_EQ(check.text, c.text) << c.edited;
        EXPECT_EQ(check.changed, c.text != c.edited) << c.edited;
        EXPECT_EQ(check.total, c.total) << c.edited;
        EXPECT_EQ(check.dropped, c.dropped) << c.edited;
    }
    EXPECT_EQ(DroppedNumbersText(50), "收件人号码最多100个，已略去后面的50个号码！");
}

TEST(NumberCheckTest, OnlyTheFirstFourThousandGbkBytesAreTaken)
{
    std::string wide;
    for (int i = 0; i < 2100; ++i)
        wide += "号"; // 2 GBK bytes, 3 of UTF-8
    const NumberCheck check = CheckNumbers(wide, "");
    EXPECT_EQ(check.text, wide.substr(0, 2000 * 3));
    EXPECT_TRUE(check.changed);
    EXPECT_EQ(CheckNumbers(std::string(4000, '1'), "").changed, false);
}

} // namespace

// A received fax is filed whole or not at all, and acknowledged only once it
// is filed, whatever the server names its files or claims: the session
// against the fake fax service, checked on the server's log and on the disk.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/tests/LiveSession.h"

using namespace sessiontest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> FaxIds(const std::vector<WireLine>& requests)
{
    std::vector<std::string> ids;
    for (const WireLine& line : requests)
        ids.push_back(line.get("faxid"));
    return ids;
}

// Every path below dir whose name the pump gives its unfinished files, or
// that lies in its staging directory.
std::vector<std::string> DownloadLeftovers(const std::string& dir)
{
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() == ".download" || path.find("/.incoming/") != std::string::npos)
            left.push_back(path);
    }
    return left;
}

std::string FileJson(const std::string& name, const std::string& path)
{
    return R"({"name": ")" + name + R"(", "path": ")" + path + R"("})";
}

class Filing : public LiveSession {
protected:
    // Serves the service until the session has sent `acknowledgements`
    // "updatefax" requests, then ends the session (logout) and the server.
    FaxServiceSim& RunUntilAcknowledged(const std::string& service, std::size_t acknowledgements)
    {
        FaxServiceSim& sim = Serve(service);
        StartSession(sim.port());
        EXPECT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() >= acknowledgements; }, 15000));
        EndSession();
        EXPECT_EQ(sim.WaitExit(5000), 0);
        return sim;
    }

    std::string FaxAttr(const std::string& box, int position, const std::string& attribute)
    {
        return Xpath("string(/Config/Account/Folder[@Type='" + box + "']/Fax[" + std::to_string(position) + "]/@" +
                     attribute + ")");
    }
};

} // namespace

TEST_F(Filing, FilesNamedAfterStoredOnesNeverReplaceThem)
{
    // Fax A comes first, in a run of its own, so that the later faxes can be
    // named after the files it was stored as.
    const std::string pageA = MakeTiff(home.file("served-a.tif"), 1, 40);
    const std::string bodyA = "<html>传真正文：报价单</html>";
    RunUntilAcknowledged(R"({"faxes": [{"faxid": "A", "type": 30, "content": ")" + bodyA + R"(", "files": [)" +
                             FileJson("a.tif", pageA) + "]}]}",
                         1);
    const std::string createTimeA = FaxAttr("faxbox", 1, "CreateTime");
    const std::string bodyFileA = FaxAttr("faxbox", 1, "BodyFileName");
    const std::string storedA = Box("faxbox") + "/a.tif." + createTimeA;
    ASSERT_EQ(testfiles::md5sumOf(storedA), testfiles::md5sumOf(pageA));
    // The body holds the bytes the server sent (GBK), not the text in memory.
    testfiles::writeFile(home.file("expected-body"), bodyA);
    ASSERT_TRUE(testfiles::runOk("iconv -f UTF-8 -t GBK -o " + testfiles::quote(home.file("expected-body.gbk")) +
                                 " " + testfiles::quote(home.file("expected-body"))));
    EXPECT_EQ(testfiles::run("cmp " + testfiles::quote(home.file("expected-body.gbk")) + " " +
                             testfiles::quote(Box("faxbox") + "/" + bodyFileA))
                  .status,
              0);
    const std::string bodyMd5 = testfiles::md5sumOf(Box("faxbox") + "/" + bodyFileA);

    // B names A's stored page, C A's body, D two pages of one name.
    const std::string pageB = MakeTiff(home.file("served-b.tif"), 1, 50);
    const std::string pageC = MakeTiff(home.file("served-c.tif"), 1, 60);
    const std::string onePage = MakeTiff(home.file("served-d1.tif"), 1, 70);
    const std::string twoPages = MakeTiff(home.file("served-d2.tif"), 2, 80);
    const std::string later = R"({"faxes": [
        {"faxid": "B", "type": 30, "files": [)" + FileJson("fax\\\\2\\\\a.tif." + createTimeA, pageB) + R"(]},
        {"faxid": "C", "type": 30, "files": [)" + FileJson(bodyFileA, pageC) + R"(]},
        {"faxid": "D", "type": 30, "files": [)" + FileJson("x\\\\p.tif", onePage) + ", " +
                              FileJson("y\\\\p.tif", twoPages) + "]}]}";
    FaxServiceSim& second = RunUntilAcknowledged(later, 3);
    EXPECT_EQ(FaxIds(second.Requests("updatefax")), (std::vector<std::string>{"B", "C", "D"}));

    EXPECT_EQ(testfiles::md5sumOf(storedA), testfiles::md5sumOf(pageA));
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/" + bodyFileA), bodyMd5);
    // B and C each stored under their own CreateTime.
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/a.tif." + createTimeA + "." + FaxAttr("faxbox", 2, "CreateTime")),
              testfiles::md5sumOf(pageB));
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/" + bodyFileA + "." + FaxAttr("faxbox", 3, "CreateTime")),
              testfiles::md5sumOf(pageC));

    // D: two pages, each its own file, three pages in all.
    const std::string d = "/Config/Account/Folder[@Type='faxbox']/Fax[4]";
    EXPECT_EQ(Xpath("string(" + d + "/@Pages)"), "3");
    ASSERT_EQ(Xpath("count(" + d + "/AttachFile)"), "2");
    const std::string first = Xpath("string(" + d + "/AttachFile[1]/@File)");
    const std::string secondFile = Xpath("string(" + d + "/AttachFile[2]/@File)");
    EXPECT_EQ(first, "p.tif");
    EXPECT_NE(secondFile, first);
    const std::string createTimeD = FaxAttr("faxbox", 4, "CreateTime");
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/" + first + "." + createTimeD), testfiles::md5sumOf(onePage));
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/" + secondFile + "." + createTimeD), testfiles::md5sumOf(twoPages));

    // Nothing but the stored files is left of the downloads.
    EXPECT_EQ(DownloadLeftovers(home.file("data")), std::vector<std::string>{});
}

TEST_F(Filing, APageThatCannotBeStoredLeavesNoRecordAndIsNotAcknowledged)
{
    const std::string page = MakeTiff(home.file("served.tif"), 1);
    fs::create_directories(Box("failedbox"));
    testfiles::ReadOnlyDirectory locked(Box("failedbox"));
    if (!locked.held())
        GTEST_SKIP() << "no way to make a directory read-only here";
    // The report goes to the read-only failedbox; the fax after it to the faxbox.
    FaxServiceSim& sim = Serve(R"({"faxes": [
        {"faxid": "R40", "type": 40, "files": [)" + FileJson("report.tif", page) + R"(]},
        {"faxid": "F30", "type": 30, "files": [)" + FileJson("fax.tif", page) + "]}]}");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return !sim.Requests("updatefax").empty(); }, 15000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    EXPECT_EQ(FaxIds(sim.Requests("updatefax")), std::vector<std::string>{"F30"});
    EXPECT_EQ(Xpath("count(/Config/Account/Folder[@Type='failedbox']/Fax)"), "0");
    EXPECT_TRUE(fs::is_empty(Box("failedbox")));
    EXPECT_EQ(Xpath("string(/Config/Account/Folder[@Type='faxbox']/Fax[1]/AttachFile/@File)"), "fax.tif");
    EXPECT_NE(Log().find("not stored"), std::string::npos);
}

TEST_F(Filing, ANameTooLongToStoreArrivesShortenedWithItsExtension)
{
    // 246 bytes of UTF-8 (166 in GBK on the wire): with a dot and the
    // 14-digit CreateTime the stored name would pass 255 bytes.
    std::string characters;
    for (int i = 0; i < 80; ++i)
        characters += "传";
    const std::string longName = characters + "-x.tif";
    ASSERT_EQ(longName.size(), 246u);
    const std::string page = MakeTiff(home.file("served.tif"), 2);
    const std::string fax = R"({"faxid": "LONG", "type": 30, "files": [)" + FileJson("fax\\\\" + longName, page) + "]}";
    FaxServiceSim& first = RunUntilAcknowledged(R"({"faxes": [)" + fax + "]}", 1);
    ASSERT_EQ(FaxIds(first.Requests("updatefax")), std::vector<std::string>{"LONG"});

    const std::string file = Xpath("string(/Config/Account/Folder[@Type='faxbox']/Fax[1]/AttachFile/@File)");
    const std::string createTime = FaxAttr("faxbox", 1, "CreateTime");
    // Cut after whole characters, the extension kept: 78 characters of
    // three bytes and ".tif", 238 bytes, and 253 with the CreateTime.
    EXPECT_EQ(file, characters.substr(0, 78 * 3) + ".tif");
    EXPECT_LE(file.size() + 1 + createTime.size(), 255u);
    EXPECT_EQ(FaxAttr("faxbox", 1, "Pages"), "2");
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/" + file + "." + createTime), testfiles::md5sumOf(page));

    // The server deletes what was acknowledged: the next start is offered
    // the fax only if it was not, and fetches nothing.
    FaxServiceSim& next = Serve(R"({"faxes": [)" + (first.Requests("updatefax").empty() ? fax : "") + "]}");
    StartSession(next.port());
    ASSERT_TRUE(WaitFor([&] { return !next.Requests("queryfaxlist").empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const WireLine& line : next.Wire())
        EXPECT_NE(line.kind, "FILE") << line.text;
    EXPECT_EQ(Xpath("count(/Config/Account/Folder[@Type='faxbox']/Fax)"), "1");
}

// A field holding a character XML cannot hold costs that character only:
// the fax is filed with a space in its place and acknowledged, so it does
// not stay on the server for ever.
TEST_F(Filing, AFaxWithCharactersXmlCannotHoldIsFiledAndAcknowledged)
{
    struct Case {
        const char* faxid;
        const char* fields; // JSON members of the fax
        const char* attribute;
        const char* stored;
    };
    const Case cases[] = {
        {"BELL", R"("title": "报价\u0007单", "called": "021-1")", "Topic", "报价 单"},
        {"ESC", R"("title": "t", "called": "\u001b021-2")", "Caller", " 021-2"},
        {"VT", R"("title": "读书\u000b旅行", "called": "021-3")", "Topic", "读书 旅行"},
    };
    const std::string page = MakeTiff(home.file("served.tif"), 1);
    std::string faxes;
    for (const Case& c : cases)
        faxes += std::string(faxes.empty() ? "" : ", ") + R"({"faxid": ")" + c.faxid + R"(", "type": 30, )" + c.fields +
                 R"(, "files": [)" + FileJson(std::string("fax\\\\") + c.faxid + ".tif", page) + "]}";
    FaxServiceSim& sim = RunUntilAcknowledged(R"({"faxes": [)" + faxes + "]}", std::size(cases));
    EXPECT_EQ(FaxIds(sim.Requests("updatefax")), (std::vector<std::string>{"BELL", "ESC", "VT"}));
    ASSERT_EQ(Xpath("count(/Config/Account/Folder[@Type='faxbox']/Fax)"), std::to_string(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(FaxAttr("faxbox", static_cast<int>(i) + 1, cases[i].attribute), cases[i].stored) << cases[i].faxid;
}

TEST_F(Filing, AListClaimingABillionFaxesEndsWhereTheServerHasNoMore)
{
    // Two receipts are listed: only they are asked for, whatever the count
    // claims (a query past them would be answered with no fax).
    FaxServiceSim& sim = Serve(R"({"count": 1000000000, "unlisted": "nofax", "faxes": [
        {"faxid": "R1", "type": 20, "sendfaxflag": 1},
        {"faxid": "R2", "type": 20, "sendfaxflag": 1}]})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() >= 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(FaxIds(sim.Requests("queryfax")), (std::vector<std::string>{"R1", "R2"}));
    EXPECT_EQ(FaxIds(sim.Requests("updatefax")), (std::vector<std::string>{"R1", "R2"}));
    EXPECT_EQ(Xpath("count(/Config/Account/Folder[@Type='inbox']/Fax)"), "2");
}

TEST_F(Filing, AListWhoseEveryQueryFailsEndsAfterItsListedFaxes)
{
    // A billion claimed, three listed, each query refused: three round
    // trips, not one per fax claimed.
    FaxServiceSim& sim = Serve(R"({"count": 1000000000, "unlisted": "failed", "faxes": [
        {"faxid": "F1", "type": 30, "queryfax": "failed"},
        {"faxid": "F2", "type": 30, "queryfax": "failed"},
        {"faxid": "F3", "type": 30, "queryfax": "failed"}]})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return !sim.Requests("queryfax").empty(); }));
    ASSERT_TRUE(WaitFor([&] { return session->session().FaxListAtEnd(); }, 15000));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(FaxIds(sim.Requests("queryfax")), (std::vector<std::string>{"F1", "F2", "F3"}));
    EXPECT_TRUE(sim.Requests("updatefax").empty());
    EXPECT_NE(Log().find("1000000000"), std::string::npos);
}

TEST_F(Filing, OneFaxNeverBlocksTheFaxesAfterIt)
{
    const std::string page = MakeTiff(home.file("served.tif"), 1);
    FaxServiceSim& sim = Serve(R"({"faxes": [
        {"faxid": "F1", "type": 30, "files": [)" + FileJson("f1.tif", page) + R"(]},
        {"faxid": "F2", "type": 60},
        {"faxid": "F3", "type": 30, "queryfax": "failed", "files": [)" + FileJson("f3.tif", page) + R"(]},
        {"faxid": "F4", "type": 30, "files": [)" + FileJson("f4.tif", page) + "]}]}");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() >= 2; }, 15000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    EXPECT_EQ(FaxIds(sim.Requests("queryfax")), (std::vector<std::string>{"F1", "F2", "F3", "F4"}));
    EXPECT_EQ(FaxIds(sim.Requests("updatefax")), (std::vector<std::string>{"F1", "F4"}));
    EXPECT_EQ(Xpath("string(/Config/Account/Folder[@Type='faxbox']/Fax[1]/AttachFile/@File)"), "f1.tif");
    EXPECT_EQ(Xpath("string(/Config/Account/Folder[@Type='faxbox']/Fax[2]/AttachFile/@File)"), "f4.tif");
    EXPECT_EQ(Xpath("count(//Fax)"), "2");
    const std::string log = Log();
    EXPECT_NE(log.find("fax <F2> of type <60>"), std::string::npos) << log;
    EXPECT_NE(log.find("queryfax of <F3> failed"), std::string::npos) << log;
}

namespace {

struct RetryCase {
    const char* name;
    const char* faults;                  // download chunks refused
    std::vector<std::string> acknowledged;
    std::size_t requestsOfFirst;         // download requests for the first fax
};

class FilingRetry : public Filing, public ::testing::WithParamInterface<RetryCase> {};

} // namespace

TEST_P(FilingRetry, AFailedDownloadIsTriedOnceMoreAfterTheRestOfTheList)
{
    const RetryCase c = GetParam();
    // One chunk per file: F1 is chunk 0, F2 chunk 1, F1's second try chunk 2.
    const std::string page = home.file("served.bin");
    testfiles::writeFile(page, "page bytes");
    FaxServiceSim& sim = Serve(R"({"faxes": [
        {"faxid": "F1", "type": 30, "files": [)" + FileJson("f1.tif", page) + R"(]},
        {"faxid": "F2", "type": 30, "files": [)" + FileJson("f2.tif", page) + R"(]}],
        "faults": )" + c.faults + "}");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() >= c.acknowledged.size(); }, 15000));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    EXPECT_EQ(FaxIds(sim.Requests("updatefax")), c.acknowledged);
    std::vector<std::string> order;
    for (const WireLine& line : sim.Wire())
        if (line.kind == "FILE")
            order.push_back(line.text);
    EXPECT_EQ(std::count(order.begin(), order.end(), "f1.tif"), static_cast<long>(c.requestsOfFirst));
    // The second try comes after the second fax.
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[1], "f2.tif");
    EXPECT_EQ(order.back(), "f1.tif");
    EXPECT_EQ(DownloadLeftovers(home.file("data")), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Tries, FilingRetry,
    ::testing::Values(RetryCase{"SecondTrySucceeds", R"([{"op": "download", "chunk": 0, "action": "refuse"}])",
                                {"F2", "F1"}, 2},
                      RetryCase{"SecondTryFailsToo",
                                R"([{"op": "download", "chunk": 0, "action": "refuse"},
                                    {"op": "download", "chunk": 2, "action": "refuse"}])",
                                {"F2"}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

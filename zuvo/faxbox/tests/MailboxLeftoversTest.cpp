// The start-up's cleaning of what a crash leaves: temporary files of the
// crash-safe writer, second names of filed pages, and page files that no
// record names; whatever a record names, and files of other naming, stay
// byte for byte.
#include "faxbox/MailboxLeftovers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "faxbox/tests/FaxListFixture.h"
#include "jotter/Jotter.h"

using namespace faxlist_test;
namespace fs = std::filesystem;

namespace {

class MailboxLeftoversTest : public FaxListFixture {
protected:
    void TearDown() override { cpLogClose(); }

    std::string put(const std::string& path, const std::string& bytes)
    {
        testfiles::writeFile(path, bytes);
        return path;
    }
    // A temporary file name the writer of another process would have made.
    static std::string temporaryOf(const std::string& target, pid_t owner = ::getpid() + 1)
    {
        return "." + target + "." + std::to_string(owner) + "-0";
    }
};

} // namespace

TEST_F(MailboxLeftoversTest, LeftoversGoAndWhatRecordsNameStays)
{
    cpLogOpen(dir_.file("zuvo.log").c_str());
    openFolders({{{"20261201080001", "2026-12-01 08:00:01", "Flag=\"1\" BodyFileName=\"body-2026-12-01-08-00-01.html\"",
                   {"p1.tif"}}},
                 {{"20261201070000", "2026-12-01 07:00:00", "", {"t.tif"}}},
                 {},
                 {{"20261130100000", "2026-11-30 10:00:00", "", {"s.tif"}}}});
    const std::string faxbox = folderDir("faxbox");
    const std::string trash = folderDir("trash");
    const std::string sent = folderDir("overbox");
    std::map<std::string, std::string> named; // path -> md5 of what records name
    for (const std::string& path : {writePage("faxbox", "p1.tif", "20261201080001"),
                                    put(faxbox + "/body-2026-12-01-08-00-01.html", "<p>body</p>"),
                                    writePage("trash", "t.tif", "20261201070000"),
                                    writePage("overbox", "s.tif", "20261130100000")})
        named[path] = testfiles::md5sumOf(path);

    // A move killed after its link: the faxbox page has a second name in the
    // trash; a resend killed before its save: a copy of a sent page in the outbox.
    ASSERT_EQ(::link((faxbox + "/p1.tif.20261201080001").c_str(), (trash + "/p1.tif.20261201080001").c_str()), 0);
    const std::string resent = folderDir("outbox") + "/s.tif.20261201090000";
    fs::copy_file(sent + "/s.tif.20261130100000", resent);
    put(folderDir("outbox") + "/t.tif.20261201090000", testfiles::readFile(resent) + "!"); // not a copy: one byte more
    // A received page whose record was never saved, and a sent-box copy without a record.
    const std::string unsaved = writePage("faxbox", "p9.tif", "20261201080009");
    const std::string unsavedMd5 = testfiles::md5sumOf(unsaved);
    put(faxbox + "/body-2026-12-01-08-00-09.html", "<p>unsaved body</p>");
    const std::string copy = writePage("overbox", "p9.tif", "20261201080009");
    // Temporary files of an earlier process; one of this process stays.
    put(faxbox + "/" + temporaryOf("p9.tif.20261201080009"), "half");
    put(dir_.file("data/" + temporaryOf("addfile.temp")), "half");
    put(dir_.file(temporaryOf("account.xml")), "half");
    put(dir_.file(temporaryOf("gone.xml")), "not beside a file of that name");
    put(faxbox + "/" + temporaryOf("p8.tif.20261201080008", ::getpid()), "being written");
    // Files of other naming.
    put(faxbox + "/notes.txt", "mine");
    put(faxbox + "/p1.tif", "an unsuffixed copy");

    const LeftoverCleaning cleaning = CleanMailboxLeftovers(dir_.path());
    cpLogClose();
    EXPECT_EQ(cleaning.temporariesRemoved, 3);
    EXPECT_EQ(cleaning.copiesRemoved, 2);
    EXPECT_EQ(cleaning.orphansMoved, 4);

    for (const auto& [path, md5] : named)
        EXPECT_EQ(testfiles::md5sumOf(path), md5) << path;
    EXPECT_FALSE(fs::exists(trash + "/p1.tif.20261201080001"));
    EXPECT_FALSE(fs::exists(resent));
    EXPECT_TRUE(fs::exists(dir_.file("data/orphans/t.tif.20261201090000")));
    const std::string orphans = dir_.file("data/orphans");
    EXPECT_EQ(testfiles::md5sumOf(orphans + "/p9.tif.20261201080009"), unsavedMd5);
    EXPECT_EQ(testfiles::md5sumOf(orphans + "/p9.tif-1.20261201080009"), testfiles::md5sumOf(orphans + "/p9.tif.20261201080009"))
        << "the second of one name gets a free one";
    EXPECT_EQ(testfiles::readFile(orphans + "/body-2026-12-01-08-00-09.html"), "<p>unsaved body</p>");
    EXPECT_FALSE(fs::exists(unsaved));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_FALSE(fs::exists(faxbox + "/" + temporaryOf("p9.tif.20261201080009")));
    EXPECT_FALSE(fs::exists(dir_.file("data/" + temporaryOf("addfile.temp"))));
    EXPECT_FALSE(fs::exists(dir_.file(temporaryOf("account.xml"))));
    EXPECT_TRUE(fs::exists(dir_.file(temporaryOf("gone.xml"))));
    EXPECT_TRUE(fs::exists(faxbox + "/" + temporaryOf("p8.tif.20261201080008", ::getpid())));
    EXPECT_EQ(testfiles::readFile(faxbox + "/notes.txt"), "mine");
    EXPECT_EQ(testfiles::readFile(faxbox + "/p1.tif"), "an unsuffixed copy");
    const std::string log = testfiles::readFile(dir_.file("zuvo.log"));
    EXPECT_NE(log.find(unsaved), std::string::npos) << "each orphan is logged with where it was";
    EXPECT_NE(log.find(copy), std::string::npos);

    // A second start finds nothing more to do.
    const LeftoverCleaning again = CleanMailboxLeftovers(dir_.path());
    EXPECT_EQ(again.temporariesRemoved + again.copiesRemoved + again.orphansMoved, 0);
}

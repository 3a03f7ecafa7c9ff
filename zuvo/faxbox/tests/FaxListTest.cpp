// The fax list's rows read from account.xml: newest first, at most 5000,
// row keys and read marks, rows that find their own record when row keys
// agree, and marking a fax read.
#include "faxbox/FaxList.h"

#include <gtest/gtest.h>

#include "faxbox/FaxFiling.h"
#include "faxbox/tests/FaxListFixture.h"
#include "jotter/Jotter.h"

using namespace faxlist_test;

namespace {

class FaxListTest : public FaxListFixture {};

std::vector<std::string> column(const std::vector<FaxListRow>& rows, int index)
{
    std::vector<std::string> cells;
    for (const FaxListRow& row : rows)
        cells.push_back(row.cells[index]);
    return cells;
}

} // namespace

TEST_F(FaxListTest, RowsAreNewestFirstWithTheirCellsKeysAndMarks)
{
    openFolders({{
        {"20261201080000", "2026-12-01 08:00:00", "ReadFlag=\"1\" Company=\"甲\" Topic=\"报价\"", {"a.tif"}},
        {"20261203080000", "2026-12-03 08:00:00", "ReadFlag=\"0\"", {}},
        {"20261202080000", "2026-12-02 08:00:00", "", {"b.tif", "c.wav"}}, // no ReadFlag: unread
    }});
    const std::vector<FaxListRow> rows = LoadFaxList(Folder::FaxBox);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(column(rows, kColumnDate),
              (std::vector<std::string>{"2026-12-03 08:00:00", "2026-12-02 08:00:00", "2026-12-01 08:00:00"}));
    const FaxListRow& oldest = rows[2];
    EXPECT_EQ(oldest.cells[kColumnName], "名00");
    EXPECT_EQ(oldest.cells[kColumnCaller], "021-080000");
    EXPECT_EQ(oldest.cells[kColumnCompany], "甲");
    EXPECT_EQ(oldest.cells[kColumnTopic], "报价");
    EXPECT_EQ(oldest.cells[kColumnPages], "1");
    EXPECT_EQ(oldest.rowKey, 1201080000u) << "read digit, then CreateTime from its sixth character";
    EXPECT_FALSE(oldest.IsUnread());
    EXPECT_TRUE(oldest.hasAttachments);
    EXPECT_TRUE(rows[0].IsUnread());
    EXPECT_FALSE(rows[0].hasAttachments);
    EXPECT_TRUE(rows[1].IsUnread());
    EXPECT_EQ(rows[1].ref, (FaxRecordRef{"20261202080000", 0}));
}

TEST_F(FaxListTest, AFolderOfMoreThanFiveThousandListsItsFirstFiveThousand)
{
    std::vector<FaxSpec> records;
    for (int k = 0; k < kMaxListedFaxes + 1; ++k) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2026%02d%02d%02d%02d%02d", 1 + k / 2000, 1 + (k / 100) % 20, k % 24, k % 60,
                      (k / 60) % 60);
        records.push_back({stamp, std::string("2026-01-01 00:00:00"), "", {}});
    }
    records.back().date = "2027-01-01 00:00:00"; // the newest, but 5001st in the file
    openFolders({records});
    const std::vector<FaxListRow> rows = LoadFaxList(Folder::FaxBox);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kMaxListedFaxes));
    for (const FaxListRow& row : rows)
        ASSERT_NE(row.ref.createTime, records.back().createTime);
}

TEST_F(FaxListTest, RowsWhoseKeysAgreeStillFindTheirOwnRecord)
{
    // Ten months apart, the same last nine digits, and one CreateTime twice.
    openFolders({{
        {"20260210101010", "2026-02-10 10:10:10", "", {}},
        {"20261210101010", "2026-12-10 10:10:10", "", {}},
        {"20261210101010", "2026-12-10 10:10:11", "", {}},
    }});
    const std::vector<FaxListRow> rows = LoadFaxList(Folder::FaxBox);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].rowKey, rows[2].rowKey);
    EXPECT_EQ(FindFaxByRowKey(Folder::FaxBox, rows[0].rowKey), 0) << "the key alone resolves to the first record";
    std::vector<FaxRecordRef> refs;
    for (const FaxListRow& row : rows)
        refs.push_back(row.ref);
    EXPECT_EQ(FindFaxesByRef(Folder::FaxBox, refs), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(FindFaxByRef(Folder::FaxBox, {"20261210101010", 2}), -1);
    EXPECT_EQ(FindFaxByRef(Folder::OutBox, rows[0].ref), -1);
}

TEST_F(FaxListTest, SortingByAColumnComparesTextAndKeepsTheOrderOfEqualRows)
{
    openFolders({{
        {"20261201080000", "2026-12-01 08:00:00", "Company=\"b\"", {}},
        {"20261202080000", "2026-12-02 08:00:00", "Company=\"a\"", {}},
        {"20261203080000", "2026-12-03 08:00:00", "Company=\"b\"", {}},
        {"20261204080000", "2026-12-04 08:00:00", "Company=\"10\"", {}},
    }});
    std::vector<FaxListRow> rows = LoadFaxList(Folder::FaxBox);
    SortFaxList(rows, kColumnCompany, false);
    EXPECT_EQ(column(rows, kColumnCompany), (std::vector<std::string>{"10", "a", "b", "b"}));
    EXPECT_EQ(rows[2].ref.createTime, "20261203080000") << "equal texts keep the order they had";
    SortFaxList(rows, kColumnCompany, true);
    EXPECT_EQ(column(rows, kColumnCompany), (std::vector<std::string>{"b", "b", "a", "10"}));
    SortFaxList(rows, kFaxListColumnCount, true); // no such column: unchanged
    EXPECT_EQ(column(rows, kColumnCompany), (std::vector<std::string>{"b", "b", "a", "10"}));
}

TEST_F(FaxListTest, MarkingReadStoresTheFlagOnceAndThenChangesNoByte)
{
    openFolders({{
        {"20261201080000", "2026-12-01 08:00:00", "ReadFlag=\"0\"", {}},
        {"20261202080000", "2026-12-02 08:00:00", "", {}},
    }});
    EXPECT_TRUE(MarkFaxRead(Folder::FaxBox, {"20261201080000", 0}));
    EXPECT_EQ(xpath("string(/Config/Account/Folder[1]/Fax[1]/@ReadFlag)"), "1");
    EXPECT_TRUE(MarkFaxRead(Folder::FaxBox, {"20261202080000", 0})) << "a missing ReadFlag is created";
    EXPECT_EQ(xpath("string(/Config/Account/Folder[1]/Fax[2]/@ReadFlag)"), "1");
    const std::string stored = testfiles::md5sumOf(accountPath());
    EXPECT_FALSE(MarkFaxRead(Folder::FaxBox, {"20261201080000", 0}));
    EXPECT_FALSE(MarkFaxRead(Folder::FaxBox, {"20261201080000", 1}));
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), stored);
    EXPECT_TRUE(LoadFaxList(Folder::FaxBox).front().rowKey / 1000000000u == 1);
}

TEST_F(FaxListTest, MalformedNumbersNeverStopTheListAndARecordWithoutIdentityIsSkipped)
{
    // Such records arrive by a restore of a damaged archive.
    openFolders({{
        {"20261201080000", "2026-12-01 08:00:00", "ReadFlag=\"99999999999\"", {"a.tif"}},
        {"2026120108000099", "2026-12-01 08:00:01", "ReadFlag=\"99999999999\"", {}}, // 16 digits
        {"20261201080002", "2026-12-01 08:00:02", "ReadFlag=\"-7\"", {}},
        {"2026120108000X", "2026-12-01 08:00:03", "ReadFlag=\"0\"", {}},
        {"20261201080004", "2026-12-01 08:00:04", "ReadFlag=\"0\"", {}},
    }});
    cpLogOpen(dir_.file("zuvo.log").c_str());
    std::vector<FaxListRow> rows;
    ASSERT_NO_THROW(rows = LoadFaxList(Folder::FaxBox));
    cpLogClose();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].ref, (FaxRecordRef{"20261201080004", 0}));
    EXPECT_TRUE(rows[0].IsUnread());
    EXPECT_EQ(rows[1].ref, (FaxRecordRef{"20261201080002", 0}));
    EXPECT_FALSE(rows[1].IsUnread()) << "any ReadFlag but 0 reads as read, as marking read sees it";
    EXPECT_EQ(rows[1].rowKey, 1201080002u);
    EXPECT_EQ(rows[2].rowKey, 1201080000u);
    const std::string log = testfiles::readFile(dir_.file("zuvo.log"));
    EXPECT_NE(log.find("2026120108000099"), std::string::npos) << "each skipped record is logged";
    EXPECT_NE(log.find("2026120108000X"), std::string::npos);

    // Delete all takes the listed records only; the skipped ones stay as they are.
    TaskQueue tasks;
    const FaxMoveOutcome outcome = DeleteAllFaxes(tasks, Folder::FaxBox, static_cast<int>(rows.size()), kAccount);
    EXPECT_EQ(outcome.moved, 3);
    EXPECT_EQ(count("Folder[@Type='faxbox']"), "2");
    EXPECT_EQ(xpath("string(/Config/Account/Folder[@Type='faxbox']/Fax[1]/@CreateTime)"), "2026120108000099");
}

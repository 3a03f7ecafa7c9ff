#pragma once

// What the fax list shows of a folder, without widgets: the folder's
// records read in one walk of account.xml, one row per record (at most
// kMaxListedFaxes, the first in file order), the row key, and the text
// sort of the columns. A row leads back to its record by the record's full
// CreateTime and its place among records of equal CreateTime, so that two
// records whose row keys agree never stand for each other.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/stores/FaxRecordStore.h"

inline constexpr int kMaxListedFaxes = 5000;

// The records of the folder at folderPath in file order, at most limit, read
// in one walk (attributes as ReadFaxRecord reads them); empty when the store
// is closed or the folder is missing.
std::vector<FaxRecord> ReadFaxRecords(const std::string& folderPath,
                                      std::size_t limit = static_cast<std::size_t>(-1));

// Which record of a folder a row stands for: its CreateTime, and how many
// records of the folder before it have the same CreateTime.
struct FaxRecordRef {
    std::string createTime;
    int occurrence = 0;
    bool operator==(const FaxRecordRef&) const = default;
};

// The reference of each record, in the records' order (the records being a
// folder's first ones in file order).
std::vector<FaxRecordRef> RecordRefs(const std::vector<FaxRecord>& records);
// The record index of each reference in the folder, -1 where none is left;
// one walk for all of them.
std::vector<int> FindFaxesByRef(const std::string& folderPath, const std::vector<FaxRecordRef>& refs);
int FindFaxByRef(const std::string& folderPath, const FaxRecordRef& ref);

// The columns: two image columns, then Name, Date, Pages, Caller, Company,
// Topic, and a filler.
enum FaxListColumn : int {
    kColumnAttachment = 0,
    kColumnSpare = 1,
    kColumnName = 2,
    kColumnDate = 3,
    kColumnPages = 4,
    kColumnCaller = 5,
    kColumnCompany = 6,
    kColumnTopic = 7,
    kColumnFiller = 8,
    kFaxListColumnCount = 9,
};

struct FaxListRow {
    FaxRecordRef ref;
    uint32_t rowKey = 0;         // MakeRowKey of ReadFlag and CreateTime
    bool hasAttachments = false; // the record has AttachFile children
    std::array<std::string, kFaxListColumnCount> cells; // text per column ("" for images and filler)

    // The row key's first digit is 0.
    bool IsUnread() const { return rowKey / 1000000000u == 0; }
    // The row key once the fax is read.
    void MarkRead() { rowKey = rowKey % 1000000000u + 1000000000u; }
};

// One row per record of the folder (the first kMaxListedFaxes in file
// order), newest first by Date.
std::vector<FaxListRow> LoadFaxList(const std::string& folderPath);

// Sorts rows by the text of one column, stable (rows of equal text keep
// their order).
void SortFaxList(std::vector<FaxListRow>& rows, int column, bool descending);

// Marks the record read: ReadFlag "1" (the attribute created when missing)
// and a save, when its ReadFlag reads as 0. Whether it was stored; a record
// already read changes no byte, and a failed save leaves the file as it was.
bool MarkFaxRead(const std::string& folderPath, const FaxRecordRef& ref);

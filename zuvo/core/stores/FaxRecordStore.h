#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/stores/FaxRecord.h"

// Fax records in account.xml, read and written through the account store;
// the record itself, the folder roles and the rules for its names and times
// are in core/stores/FaxRecord.h.

// ---- records in account.xml (through the account store) -----------------

// The directory of the folder at folderPath, by the one folder rule.
std::string FolderDirectory(const std::string& folderPath);
// The same, created when missing; "" when it cannot be had.
std::string EnsureFolderDirectory(const std::string& folderPath);

int FaxCount(const std::string& folderPath);
// Record index of the folder, empty when there is none.
std::optional<FaxRecord> ReadFaxRecord(const std::string& folderPath, int index);
// Index of the first record whose CreateTime equals createTime (any case), -1 when none.
int FindFaxByCreateTime(const std::string& folderPath, const std::string& createTime);
// Index of the first record whose CreateTime matches the row key's last nine digits, -1 when none.
int FindFaxByRowKey(const std::string& folderPath, uint32_t rowKey);

// The first moment from `from` on, one second at a time, at which a new
// record of the folder takes a CreateTime that no record of the folder has
// and at which none of the given attachment names is taken in the folder
// directory. Hold AccountConfig::Mutex() from here until the record is
// appended, so that two writers never pick the same time.
std::time_t AllocateRecordTime(const std::string& folderPath, const std::vector<std::string>& files,
                               std::time_t from);
// The first moment from `from` on at which no body file of that name exists
// in the folder directory.
std::time_t AllocateBodyFileTime(const std::string& folderDirectory, std::time_t from);

// Appends the record as the folder's last Fax (as AppendFaxRecord does)
// without saving; 1 when the whole record was added, 0 (and nothing added)
// otherwise.
int AddFaxRecord(const std::string& folderPath, const FaxRecord& record);
// Takes the folder's records from index count on out of the document again
// (records added but not saved).
void RemoveFaxRecordsFrom(const std::string& folderPath, int count);

// Appends the record as the folder's last Fax (attributes in their order,
// then one AttachFile per page) and saves account.xml. 1 when saved; 0 when
// the folder is missing, a name is unsafe or the save failed.
int AppendFaxRecord(const std::string& folderPath, const FaxRecord& record);

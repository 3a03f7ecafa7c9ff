// The fax list's rows: one walk over the folder's records, references that
// survive equal CreateTimes, and a stable text sort.
#include "faxbox/FaxList.h"

#include <algorithm>
#include <map>

#include "core/stores/AccountConfig.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

const std::vector<std::string>& recordAttributeNames()
{
    static const std::vector<std::string> names(FaxRecord::AttributeNames().begin(),
                                                FaxRecord::AttributeNames().end());
    return names;
}

const std::vector<std::string> kAttachFileNames = {"File", "HeadFlag"};

FaxRecord recordOf(const Config::NodeAttributes& node)
{
    FaxRecord record;
    const std::vector<std::string>& names = recordAttributeNames();
    for (std::size_t k = 0; k < names.size(); ++k)
        if (node.values[k])
            record.Set(names[k], *node.values[k]);
    for (const auto& child : node.children)
        record.attachments.push_back({child[0].value_or(""), child[1].value_or("")});
    return record;
}

// Counts CreateTimes as the records go by, in file order.
class OccurrenceCounter {
public:
    FaxRecordRef Next(const std::string& createTime) { return {createTime, seen_[createTime]++}; }

private:
    std::map<std::string, int> seen_;
};

} // namespace

std::vector<FaxRecord> ReadFaxRecords(const std::string& folderPath, std::size_t limit)
{
    std::vector<Config::NodeAttributes> nodes;
    AccountConfig::GetNodesWithChildren(folderPath + "/Fax", recordAttributeNames(), "AttachFile", kAttachFileNames,
                                        nodes, limit);
    std::vector<FaxRecord> records;
    records.reserve(nodes.size());
    for (const Config::NodeAttributes& node : nodes)
        records.push_back(recordOf(node));
    return records;
}

std::vector<FaxRecordRef> RecordRefs(const std::vector<FaxRecord>& records)
{
    OccurrenceCounter counter;
    std::vector<FaxRecordRef> refs;
    refs.reserve(records.size());
    for (const FaxRecord& record : records)
        refs.push_back(counter.Next(record.CreateTime()));
    return refs;
}

std::vector<int> FindFaxesByRef(const std::string& folderPath, const std::vector<FaxRecordRef>& refs)
{
    std::vector<int> indices(refs.size(), -1);
    if (refs.empty())
        return indices;
    std::vector<Config::NodeAttributes> nodes;
    AccountConfig::GetNodesWithChildren(folderPath + "/Fax", {FaxRecord::kCreateTime}, "", {}, nodes);
    std::map<std::pair<std::string, int>, int> where;
    OccurrenceCounter counter;
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const FaxRecordRef ref = counter.Next(nodes[k].values[0].value_or(""));
        where.emplace(std::make_pair(ref.createTime, ref.occurrence), static_cast<int>(k));
    }
    for (std::size_t i = 0; i < refs.size(); ++i) {
        const auto found = where.find({refs[i].createTime, refs[i].occurrence});
        if (found != where.end())
            indices[i] = found->second;
    }
    return indices;
}

int FindFaxByRef(const std::string& folderPath, const FaxRecordRef& ref)
{
    return FindFaxesByRef(folderPath, {ref}).front();
}

bool IsListedRecord(const FaxRecord& record)
{
    return IsValidCreateTime(record.CreateTime());
}

std::vector<FaxListRow> LoadFaxList(const std::string& folderPath)
{
    const std::vector<FaxRecord> records = ReadFaxRecords(folderPath, kMaxListedFaxes);
    const std::vector<FaxRecordRef> refs = RecordRefs(records);
    std::vector<FaxListRow> rows;
    rows.reserve(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        const FaxRecord& record = records[k];
        if (!IsListedRecord(record)) {
            cpLog(kLogFailure, "fax %s/Fax[%zu] has no CreateTime of 14 digits <%s>; not listed", folderPath.c_str(), k,
                  record.CreateTime().c_str());
            continue;
        }
        FaxListRow& row = rows.emplace_back();
        row.ref = refs[k];
        row.rowKey = MakeRowKey(record.ReadFlag(), record.CreateTime());
        row.hasAttachments = !record.attachments.empty();
        row.cells[kColumnName] = record.Get(FaxRecord::kName);
        row.cells[kColumnDate] = record.Get(FaxRecord::kDate);
        row.cells[kColumnPages] = record.Get(FaxRecord::kPages);
        row.cells[kColumnCaller] = record.Get(FaxRecord::kCaller);
        row.cells[kColumnCompany] = record.Get(FaxRecord::kCompany);
        row.cells[kColumnTopic] = record.Get(FaxRecord::kTopic);
    }
    SortFaxList(rows, kColumnDate, true);
    return rows;
}

void SortFaxList(std::vector<FaxListRow>& rows, int column, bool descending)
{
    if (column < 0 || column >= kFaxListColumnCount)
        return;
    std::stable_sort(rows.begin(), rows.end(), [column, descending](const FaxListRow& a, const FaxListRow& b) {
        const std::string& left = a.cells[column];
        const std::string& right = b.cells[column];
        return descending ? right < left : left < right;
    });
}

bool MarkFaxRead(const std::string& folderPath, const FaxRecordRef& ref)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const int index = FindFaxByRef(folderPath, ref);
    if (index < 0)
        return false;
    const std::string fax = FormatText("%s/Fax[%d]", folderPath.c_str(), index);
    if (AtoiText(AccountConfig::GetAttr(fax, FaxRecord::kReadFlag)) != 0)
        return false;
    if (AccountConfig::PutAttr(fax, FaxRecord::kReadFlag, "1") && AccountConfig::Save())
        return true;
    cpLog(kLogFailure, "fax <%s> cannot be marked read: account.xml is not saved", ref.createTime.c_str());
    AccountConfig::Reload();
    return false;
}

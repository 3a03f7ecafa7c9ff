// faxlist_bench: what listing a folder costs as it grows.
//
// For folders of N fax records (N = 1,250, 2,500 and 5,000, each record with
// the list's attributes and two attachments, in an account.xml written here)
// it times as CPU time, the median of five: loading the list (the folder's
// records read in one walk, one row each, sorted newest first by Date) and
// sorting the loaded rows by another column (Topic, as text). It prints each
// figure per size and its ratio to the one at half the size, which stays
// near 2 where the cost is linear or n log n and would be near 4 where
// quadratic. Every result is checked; a wrong one exits 1. Time never fails it.
//
//   faxlist_bench

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchRun.h"
#include "core/stores/AccountConfig.h"
#include "core/TextUtil.h"
#include "faxbox/FaxList.h"

namespace {

constexpr const char* kFolder = "Account[0]/Folder[0]";

[[noreturn]] void wrong(const char* what)
{
    std::fprintf(stderr, "faxlist_bench: wrong result: %s\n", what);
    std::exit(1);
}

// A date per record that is not in file order: record k of n.
std::string dateOf(int k, int n)
{
    const int minutes = (k * 7919) % n; // 7919 is prime: a permutation of 0..n-1
    return FormatText("2026-%02d-%02d %02d:%02d:00", 1 + minutes / 4000, 1 + (minutes / 1440) % 28, (minutes / 60) % 24,
                      minutes % 60);
}

void writeAccount(const std::string& directory, int n)
{
    std::ofstream out(directory + "/account.xml", std::ios::binary | std::ios::trunc);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n"
           "<Account Name=\"bench\" Default=\"yes\" Directory=\"data\">\n"
           "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\">\n";
    for (int k = 0; k < n; ++k) {
        const std::string createTime = FormatText("2026%010d", 100000000 + k);
        out << "<Fax Caller=\"021-" << k << "\" ToCC=\"\" Topic=\"主题" << (k * 31) % n << "\" Name=\"名字" << k
            << "\" Company=\"公司\" Date=\"" << dateOf(k, n) << "\" CreateTime=\"" << createTime
            << "\" SendFaxTime=\"\" Pages=\"2\" ReadFlag=\"" << k % 2 << "\" Flag=\"0\">"
            << "<AttachFile File=\"a.tif\"/><AttachFile File=\"b.tif\"/></Fax>\n";
    }
    out << "</Folder>\n</Account>\n</Config>\n";
}

bool newestFirst(const std::vector<FaxListRow>& rows)
{
    for (std::size_t k = 1; k < rows.size(); ++k)
        if (rows[k - 1].cells[kColumnDate] < rows[k].cells[kColumnDate])
            return false;
    return true;
}

bool ascendingTopics(const std::vector<FaxListRow>& rows)
{
    for (std::size_t k = 1; k < rows.size(); ++k)
        if (rows[k].cells[kColumnTopic] < rows[k - 1].cells[kColumnTopic])
            return false;
    return true;
}

struct Figures {
    int records = 0;
    double loadMs = 0;
    double sortMs = 0;
};

Figures measure(int n)
{
    benchrun::ScratchFolder scratch("faxlist-bench");
    if (scratch.path().empty())
        wrong("no scratch folder");
    writeAccount(scratch.path(), n);
    AccountConfig::Close();
    if (AccountConfig::Open(scratch.path()) != 1)
        wrong("account.xml does not open");
    Figures figures;
    figures.records = n;
    bool ok = true;
    std::vector<FaxListRow> rows;
    figures.loadMs = benchrun::inProcessMs(
        5,
        [&] {
            rows = LoadFaxList(kFolder);
            return static_cast<int>(rows.size()) == n && newestFirst(rows) && rows.front().hasAttachments;
        },
        ok);
    if (!ok)
        wrong("the list is not every record, newest first");
    figures.sortMs = benchrun::inProcessMs(
        5,
        [&] {
            std::vector<FaxListRow> sorted = rows;
            SortFaxList(sorted, kColumnTopic, false);
            return ascendingTopics(sorted) && sorted.size() == rows.size();
        },
        ok);
    if (!ok)
        wrong("the rows are not sorted by topic");
    AccountConfig::Close();
    return figures;
}

} // namespace

int main()
{
    std::vector<Figures> all;
    for (int n : {1250, 2500, 5000})
        all.push_back(measure(n));
    std::printf("| records | load (ms CPU) | ratio | sort by topic (ms CPU) | ratio |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (std::size_t k = 0; k < all.size(); ++k) {
        const Figures& f = all[k];
        if (k == 0) {
            std::printf("| %d | %.1f | | %.2f | |\n", f.records, f.loadMs, f.sortMs);
            continue;
        }
        const Figures& half = all[k - 1];
        std::printf("| %d | %.1f | %.2f | %.2f | %.2f |\n", f.records, f.loadMs, f.loadMs / half.loadMs, f.sortMs,
                    f.sortMs / half.sortMs);
    }
    return 0;
}

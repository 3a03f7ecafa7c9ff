#include "core/session/InboxWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "core/TextUtil.h"
#include "core/stores/NewFile.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "textcodec/Gbk.h"

namespace fs = std::filesystem;

namespace {

// Attempts at one record whose names others take meanwhile.
constexpr int kMaxAttempts = 16;
// No page file read for a record is larger (the agent refuses larger downloads).
constexpr std::uintmax_t kMaxPageBytes = 512u * 1024 * 1024;

// The last record time handed out per folder directory, for the whole
// process: the receive dialog's writer shares it with the main window's.
std::mutex recordTimesLock;
std::map<std::string, std::time_t> recordTimes;

// The body as the server sent it: the text travels in GBK and is held in
// memory as UTF-8 read from those bytes, so it converts back to them (a
// sequence that was not GBK comes back as "?").
std::string BodyBytes(const std::string& content)
{
    return TextCodec::utf8ToGbk(content).text;
}

// file, or file with " (2)", " (3)"... before its extension, whichever no
// earlier page of the record took; within the File limit.
std::string DistinctFile(const std::string& file, std::set<std::string>& taken)
{
    std::string candidate = file;
    const std::size_t dot = file.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? file.substr(0, dot) : file;
    const std::string extension = hasExtension ? file.substr(dot) : "";
    for (int n = 2; !taken.insert(candidate).second; ++n) {
        const std::string mark = FormatText(" (%d)", n);
        if (extension.size() + mark.size() < kMaxAttachFileBytes)
            candidate = ShortenName(stem, kMaxAttachFileBytes - mark.size() - extension.size()) + mark + extension;
        else
            candidate = ShortenName(file, kMaxAttachFileBytes - mark.size()) + mark;
    }
    return candidate;
}

} // namespace

InboxWriter::InboxWriter(SessionAccount& account, PageCounter pages, ContactLookup contacts,
                         Clock clock)
    : account_(account), pages_(std::move(pages)), contacts_(std::move(contacts)),
      clock_(clock ? std::move(clock) : Clock([] { return std::time(nullptr); }))
{
}

std::string InboxWriter::MailboxFor(CRL::Event& item)
{
    // Event names are compared without regard to case, as the dispatch does.
    std::string event = item.getString("event");
    std::transform(event.begin(), event.end(), event.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return FolderTypeForServerItem(event, item.getString("faxtype"),
                                   item.getString("sendfaxflag"), item.getString("invalidatefax"));
}

std::time_t InboxWriter::RecordTime(const std::string& type, const std::string& directory,
                                    const std::vector<std::string>& files)
{
    std::lock_guard<std::mutex> hold(recordTimesLock);
    std::time_t t = clock_();
    auto last = recordTimes.find(directory);
    if (last != recordTimes.end() && t <= last->second)
        t = last->second + 1;
    t = account_.FreeRecordTime(type, files, t);
    recordTimes[directory] = t;
    return t;
}

std::optional<std::vector<InboxWriter::Page>> InboxWriter::Pages(CRL::Event& item, const std::string& directory,
                                                                 const std::vector<std::string>& stagedFiles)
{
    // An item cannot name more files than it has pairs.
    const int count = item.getInt("attachfilecount");
    const int named = std::min(count, item.getLength());
    std::vector<Page> pages;
    std::set<std::string> taken;
    for (int i = 0; i < named; ++i) {
        const std::string name = item.getString(FormatText("attachfile[%d].name", i).c_str());
        cpLog(kLogTrace, "AttachFileCount=<%d>", count);
        cpLog(kLogTrace, "AttachFile[%d].filename=<%s>", i, name.c_str());
        if (!stagedFiles.empty()) {
            // Downloaded: the file of that index, whatever the names say.
            if (static_cast<std::size_t>(i) >= stagedFiles.size() || stagedFiles[i].empty()) {
                cpLog(kLogFailure, "addInBox: attachment %d was not downloaded", i);
                return std::nullopt;
            }
            std::string file = AttachFileName(name);
            if (file.empty())
                file = AttachFileName(item.getString(FormatText("attachfile.items[%d].filename", i).c_str()));
            if (file.empty())
                file = FormatText("page%d", i + 1);
            pages.push_back(Page{DistinctFile(file, taken), stagedFiles[i]});
            continue;
        }
        if (name.empty())
            continue;
        const std::string file = AttachFileName(name);
        if (file.empty()) {
            cpLog(kLogFailure, "addInBox: attachment name <%s> refused", name.c_str());
            continue;
        }
        const std::string source = JoinPath(directory, LastPathComponent(name));
        std::error_code error;
        if (!fs::is_regular_file(source, error)) {
            // The record is stored without it (so with fewer pages) and the
            // item acknowledged: the file will not come later.
            cpLog(kLogFailure, "addInBox: attachment <%s> is not in the folder; the record goes without it",
                  name.c_str());
            continue;
        }
        pages.push_back(Page{DistinctFile(file, taken), source});
    }
    return pages;
}

std::string InboxWriter::addInBox(CRL::Event& item, const std::vector<std::string>& stagedFiles)
{
    if (!account_.Load().present) {
        cpLog(kLogFailure, "getDefaultAccountPath empty");
        return "";
    }
    std::string type = MailboxFor(item);
    std::string directory = account_.FolderDirectory(type);
    if (directory.empty()) {
        cpLog(kLogFailure, "addInBox: no folder of type %s, using failedbox", type.c_str());
        type = "failedbox";
        directory = account_.FolderDirectory(type);
    }
    const std::string faxId = item.getString("faxid");
    std::error_code error;
    if (directory.empty() || (fs::create_directories(directory, error), error)) {
        cpLog(kLogFailure, "addInBox: folder directory <%s> unusable; fax <%s> not stored",
              directory.c_str(), faxId.c_str());
        return "";
    }
    const std::optional<std::vector<Page>> pages = Pages(item, directory, stagedFiles);
    if (!pages) {
        cpLog(kLogFailure, "addInBox: fax <%s> not stored", faxId.c_str());
        return "";
    }
    std::vector<std::string> files;
    for (const Page& page : *pages)
        files.push_back(page.file);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        switch (WriteRecord(item, type, directory, *pages, RecordTime(type, directory, files))) {
        case Written::Yes:
            cpLog(kLogTrace, "addInBox reload...");
            return type;
        case Written::NameTaken:
            continue;
        case Written::Failed:
            cpLog(kLogFailure, "addInBox: fax <%s> not stored in %s", faxId.c_str(), type.c_str());
            return "";
        }
    }
    cpLog(kLogFailure, "addInBox: no free record time for fax <%s>; not stored", faxId.c_str());
    return "";
}

InboxWriter::Written InboxWriter::WriteRecord(CRL::Event& item, const std::string& type,
                                              const std::string& directory, const std::vector<Page>& pages,
                                              std::time_t now)
{
    NewFiles written;
    const std::string bodyName = FormatBodyFileName(now);
    const std::string bodyPath = JoinPath(directory, bodyName);
    switch (written.Create(bodyPath, BodyBytes(item.getString("content")))) {
    case Created::Yes:
        break;
    case Created::NameTaken:
        return Written::NameTaken;
    case Created::Failed:
        cpLog(kLogFailure, "create body file[%s] failed", bodyPath.c_str());
        return Written::Failed;
    }

    const std::string createTime = FormatCreateTime(now);
    int pageCount = 0;
    for (const Page& page : pages) {
        const std::optional<std::string> bytes = ReadWholeFile(page.source, kMaxPageBytes);
        if (!bytes) {
            cpLog(kLogFailure, "addInBox: attachment <%s> cannot be read", page.source.c_str());
            return Written::Failed;
        }
        if (pages_)
            pageCount += pages_(page.source);
        const std::string target = JoinPath(directory, page.file + "." + createTime);
        switch (written.Create(target, *bytes)) {
        case Created::Yes:
            break;
        case Created::NameTaken:
            return Written::NameTaken;
        case Created::Failed:
            cpLog(kLogFailure, "addInBox: copy of <%s> to <%s> failed", page.source.c_str(), target.c_str());
            return Written::Failed;
        }
    }

    const std::string caller = item.getString("called");
    const Contact contact = contacts_ ? contacts_(caller) : Contact{};
    FaxRecord record;
    record.Set(FaxRecord::kCaller, caller);
    record.Set(FaxRecord::kToCC, "");
    record.Set(FaxRecord::kTopic, item.getString("title"));
    record.Set(FaxRecord::kName, contact.name);
    record.Set(FaxRecord::kCompany, contact.company);
    record.Set(FaxRecord::kSendFaxTime, item.getString("createtime"));
    record.Set(FaxRecord::kReadFlag, "0");
    record.Set(FaxRecord::kFlag, "1");
    record.Set(FaxRecord::kDate, FormatRecordDate(now));
    record.Set(FaxRecord::kBodyFileName, bodyName);
    record.Set(FaxRecord::kCreateTime, createTime);
    for (const Page& page : pages)
        record.attachments.push_back(AttachFile{page.file, ""});
    const int count = item.getInt("attachfilecount");
    record.Set(FaxRecord::kPages, std::to_string(count <= 0 ? item.getInt("pages") : pageCount));
    if (!account_.AddFaxRecord(type, record)) {
        cpLog(kLogFailure, "addInBox: record not saved in %s", type.c_str());
        return Written::Failed;
    }
    written.Keep();
    return Written::Yes;
}

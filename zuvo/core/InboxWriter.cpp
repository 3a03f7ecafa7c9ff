#include "core/InboxWriter.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

#include "core/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"

namespace fs = std::filesystem;

namespace {

bool WriteBody(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out << content;
    return static_cast<bool>(out.flush());
}

// The last record time handed out per folder directory, for the whole
// process: the receive dialog's writer shares it with the main window's.
std::mutex recordTimesLock;
std::map<std::string, std::time_t> recordTimes;

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

std::string InboxWriter::addInBox(CRL::Event& item, const std::string& fetchedDir)
{
    if (!account_.Load().present) {
        cpLog(3, "getDefaultAccountPath empty");
        return "";
    }
    std::string type = MailboxFor(item);
    std::string directory = account_.FolderDirectory(type);
    if (directory.empty()) {
        cpLog(3, "addInBox: no folder of type %s, using failedbox", type.c_str());
        type = "failedbox";
        directory = account_.FolderDirectory(type);
    }
    std::error_code error;
    if (directory.empty() || (fs::create_directories(directory, error), error)) {
        cpLog(3, "addInBox: folder directory <%s> unusable", directory.c_str());
        return "";
    }

    // The page files the item names, each reduced to one safe name. The
    // count comes from the server: an item cannot name more files than it
    // has pairs.
    const int count = item.getInt("attachfilecount");
    const int named = std::min(count, item.getLength());
    std::vector<std::string> files;
    for (int i = 0; i < named; ++i) {
        const std::string name = item.getString(FormatText("attachfile[%d].name", i).c_str());
        cpLog(4, "AttachFileCount=<%d>", count);
        cpLog(4, "AttachFile[%d].filename=<%s>", i, name.c_str());
        if (name.empty())
            continue;
        const std::string file = LastPathComponent(name);
        if (!IsSafeName(file)) {
            cpLog(3, "addInBox: attachment name <%s> refused", name.c_str());
            continue;
        }
        files.push_back(file);
    }

    const std::time_t now = RecordTime(type, directory, files);
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

    const std::string bodyName = FormatBodyFileName(now);
    const std::string bodyPath = JoinPath(directory, bodyName);
    if (!WriteBody(bodyPath, item.getString("content")))
        cpLog(3, "create body file[%s] failed", bodyPath.c_str());
    record.Set(FaxRecord::kBodyFileName, bodyName);
    const std::string createTime = FormatCreateTime(now);
    record.Set(FaxRecord::kCreateTime, createTime);

    const std::string sourceDir = fetchedDir.empty() ? directory : fetchedDir;
    int pages = 0;
    for (const std::string& file : files) {
        record.attachments.push_back(AttachFile{file, ""});
        const std::string source = JoinPath(sourceDir, file);
        if (pages_)
            pages += pages_(source);
        fs::copy_file(source, JoinPath(directory, file + "." + createTime),
                      fs::copy_options::overwrite_existing, error);
        if (error)
            cpLog(3, "addInBox: copy of <%s> failed: %s", source.c_str(), error.message().c_str());
    }
    record.Set(FaxRecord::kPages, std::to_string(count <= 0 ? item.getInt("pages") : pages));

    if (!account_.AddFaxRecord(type, record)) {
        cpLog(3, "addInBox: record not stored in %s", type.c_str());
        return "";
    }
    cpLog(4, "addInBox reload...");
    return type;
}

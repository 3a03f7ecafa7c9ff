// The scenarios' mailboxes (a layout of records and files that is written
// once per kill and from which the expectations follow) and the program's
// own commands that the child runs on them.
#include "CrashScenarios.h"

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "AcceptingAgent.h"
#include "compose/transfer/OutboxSender.h"
#include "compose/transfer/SentBoxFiling.h"
#include "core/session/SessionStores.h"
#include "core/TaskQueue.h"
#include "core/TextUtil.h"
#include "faxbox/FaxFiling.h"
#include "faxbox/MailboxLeftovers.h"
#include "textcodec/Gbk.h"

namespace fs = std::filesystem;

namespace {

// The folders of the scenarios' account, in this order.
struct FolderSpec {
    const char* name;
    const char* type;
    const char* directory;
};
const FolderSpec kFolders[] = {
    {"收件箱", "faxbox", "faxbox"}, {"垃圾箱", "trashbox", "trash"},  {"发件箱", "outbox", "outbox"},
    {"已发送", "overbox", "sent"},  {"失败箱", "failedbox", "failed"},
};
constexpr const char* kAccount = "Account[0]";

std::string folderPath(const char* type)
{
    for (std::size_t k = 0; k < std::size(kFolders); ++k)
        if (std::string(kFolders[k].type) == type)
            return FormatText("Account[0]/Folder[%zu]", k);
    return "";
}

std::string folderDirectory(const std::string& programDirectory, const char* type)
{
    for (const FolderSpec& folder : kFolders)
        if (std::string(folder.type) == type)
            return programDirectory + "/data/" + folder.directory;
    return "";
}

// The moment `second` seconds after 2026-03-01 00:00:00, as CreateTime and
// in the body file's form.
std::string createTime(int second)
{
    return FormatText("202603%02d%02d%02d%02d", 1 + second / 86400, second / 3600 % 24, second / 60 % 60, second % 60);
}
std::string bodyName(int second)
{
    return FormatText("body-2026-03-%02d-%02d-%02d-%02d.html", 1 + second / 86400, second / 3600 % 24,
                      second / 60 % 60, second % 60);
}

// One record of a layout and its files.
struct LayoutFax {
    const char* folder;
    std::string topic;
    std::string createTime;
    std::vector<std::string> files;
    std::vector<std::string> pages; // bytes of each file
    std::string bodyName;
    std::string body;
    std::string extra; // further attributes as written
};

// Page bytes of their own per fax and page, a little over a kilobyte.
std::string pageBytes(const std::string& topic, std::size_t page)
{
    std::string bytes = "II*\0 page " + std::to_string(page) + " of " + topic + "\n";
    bytes.resize(1200, static_cast<char>('a' + page % 26));
    return bytes;
}

LayoutFax fax(const char* folder, const std::string& topic, int second, int pageCount, bool withBody)
{
    LayoutFax made{folder, topic, createTime(second), {}, {}, "", "", ""};
    for (int k = 0; k < pageCount; ++k) {
        made.files.push_back("page" + std::to_string(k) + ".tif");
        made.pages.push_back(pageBytes(topic, static_cast<std::size_t>(k)));
    }
    if (withBody) {
        made.bodyName = bodyName(second);
        made.body = "<p>" + topic + "</p>";
    }
    return made;
}

std::string xmlRecord(const LayoutFax& fax)
{
    std::string xml = "<Fax Caller=\"021-5550000\" ToCC=\"\" Topic=\"" + fax.topic + "\" Name=\"\" Company=\"\" Date=\"" +
                      "2026-03-01 00:00:00\" CreateTime=\"" + fax.createTime + "\" Pages=\"" +
                      std::to_string(fax.files.size()) + "\" ReadFlag=\"1\" " + fax.extra;
    xml += fax.bodyName.empty() ? " Flag=\"0\"" : " Flag=\"1\" BodyFileName=\"" + fax.bodyName + "\"";
    xml += ">";
    for (const std::string& file : fax.files)
        xml += "<AttachFile File=\"" + file + "\"/>";
    return xml + "</Fax>\n";
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void writeLayout(const std::string& programDirectory, const std::vector<LayoutFax>& faxes)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n"
                      "<Account Name=\"crash\" Default=\"yes\" FaxUser=\"00210000012345\" FaxPassword=\"c2VjcmV0\" "
                      "Directory=\"data\">\n";
    for (const FolderSpec& folder : kFolders) {
        const std::string directory = folderDirectory(programDirectory, folder.type);
        fs::create_directories(directory);
        xml += std::string("<Folder Name=\"") + folder.name + "\" Type=\"" + folder.type + "\" Directory=\"" +
               folder.directory + "\">\n";
        for (const LayoutFax& fax : faxes) {
            if (std::string(fax.folder) != folder.type)
                continue;
            xml += xmlRecord(fax);
            for (std::size_t k = 0; k < fax.files.size(); ++k)
                writeBytes(directory + "/" + fax.files[k] + "." + fax.createTime, fax.pages[k]);
            if (!fax.bodyName.empty())
                writeBytes(directory + "/" + fax.bodyName, fax.body);
        }
        xml += "</Folder>\n";
    }
    xml += "</Account>\n</Config>\n";
    writeBytes(programDirectory + "/account.xml", TextCodec::utf8ToGbk(xml).text);
}

ExpectedFax expected(const LayoutFax& fax)
{
    return {fax.pages, fax.body};
}

// Every fax in its own folder only.
Expectation stayingWhereTheyAre(const std::vector<LayoutFax>& faxes)
{
    Expectation expectation;
    for (const LayoutFax& fax : faxes)
        expectation.faxes[fax.topic][fax.folder] = expected(fax);
    return expectation;
}

// Faxes of one folder: one or two pages, every third with a body.
std::vector<LayoutFax> faxesIn(const char* folder, int faxes)
{
    std::vector<LayoutFax> layout;
    for (int k = 0; k < faxes; ++k)
        layout.push_back(fax(folder, "fax-" + std::to_string(k), k, 1 + k % 2, k % 3 == 0));
    return layout;
}

class EndOfRun : public TransferView {
public:
    void ShowStatus(const std::string&) override {}
    void ShowStage(const std::string&) override {}
    void ShowFile(const std::string&) override {}
    void ShowProgress(int) override {}
    void Notice(const std::string&) override {}
    void End() override
    {
        {
            std::lock_guard<std::mutex> hold(lock_);
            ended_ = true;
        }
        ended.notify_all();
    }
    void Wait()
    {
        std::unique_lock<std::mutex> hold(lock_);
        ended.wait(hold, [this] { return ended_; });
    }

private:
    std::mutex lock_;
    std::condition_variable ended;
    bool ended_ = false;
};

// A whole send run of the outbox against the test's server.
void sendOutbox(const std::string& programDirectory)
{
    AcceptingAgent agent(ServerLogPath(programDirectory));
    EndOfRun view;
    TaskQueue tasks;
    SendSources sources;
    sources.names = [](const std::vector<std::string>& numbers) {
        return std::vector<std::optional<std::string>>(numbers.size());
    };
    sources.network = [] { return NetworkIdentity{}; };
    OutboxSender sender(agent, 4711, tasks, view, sources);
    sender.Start();
    view.Wait();
}

} // namespace

std::string ServerLogPath(const std::string& programDirectory)
{
    return programDirectory + "/server.log";
}

Scenario DeleteAllScenario(int faxes)
{
    // The trash already holds faxes received in the same seconds as some of
    // the received ones, so that their body and page names are taken there.
    std::vector<LayoutFax> layout = faxesIn("faxbox", faxes);
    for (int k = 0; k < faxes; k += 15)
        layout.push_back(fax("trashbox", "trash-" + std::to_string(k), k, 1, true));
    Scenario scenario;
    scenario.name = "delete-all";
    scenario.write = [layout](const std::string& directory) { writeLayout(directory, layout); };
    scenario.command = [faxes](const std::string&) {
        TaskQueue tasks;
        DeleteAllFaxes(tasks, folderPath("faxbox"), faxes, kAccount);
    };
    scenario.afterKill = stayingWhereTheyAre(layout);
    for (const LayoutFax& fax : layout)
        scenario.afterKill.faxes[fax.topic]["trashbox"] = expected(fax);
    scenario.afterRecovery = scenario.afterKill;
    return scenario;
}

Scenario PurgeScenario(int faxes)
{
    const std::vector<LayoutFax> layout = faxesIn("trashbox", faxes);
    Scenario scenario;
    scenario.name = "purge";
    scenario.write = [layout](const std::string& directory) { writeLayout(directory, layout); };
    scenario.command = [count = static_cast<int>(layout.size())](const std::string&) {
        TaskQueue tasks;
        DeleteAllFaxes(tasks, folderPath("trashbox"), count, kAccount);
    };
    scenario.afterKill = stayingWhereTheyAre(layout);
    scenario.afterKill.mayVanish = true;
    scenario.afterRecovery = scenario.afterKill;
    return scenario;
}

Scenario ResendScenario(int reports)
{
    std::vector<LayoutFax> layout;
    std::vector<FaxRecordRef> refs;
    Scenario scenario;
    for (int k = 0; k < reports; ++k) {
        const LayoutFax sent = fax("overbox", "sent-" + std::to_string(k), k, 1 + k % 2, false);
        LayoutFax report = fax("failedbox", "report-" + std::to_string(k), 100000 + k, 0, k % 3 == 0);
        report.extra = "SendFaxTime=\"" + sent.createTime + "\"";
        layout.push_back(sent);
        layout.push_back(report);
        refs.push_back({report.createTime, 0});
        // Back in the outbox a report carries the sent fax's pages and its own body.
        scenario.afterKill.faxes[report.topic]["outbox"] = {sent.pages, report.body};
    }
    scenario.name = "resend";
    scenario.write = [layout](const std::string& directory) { writeLayout(directory, layout); };
    scenario.command = [refs](const std::string&) {
        TaskQueue tasks;
        ResendFailedFaxes(tasks, folderPath("failedbox"), refs, kAccount);
    };
    for (const LayoutFax& fax : layout)
        scenario.afterKill.faxes[fax.topic][fax.folder] = expected(fax);
    scenario.afterRecovery = scenario.afterKill;
    return scenario;
}

Scenario SendScenario(int faxes)
{
    std::vector<LayoutFax> layout;
    for (int k = 0; k < faxes; ++k)
        layout.push_back(fax("outbox", "out-" + std::to_string(k), k, 1 + k % 2, false));
    Scenario scenario;
    scenario.name = "send";
    scenario.sends = true;
    scenario.write = [layout](const std::string& directory) { writeLayout(directory, layout); };
    scenario.command = [](const std::string& directory) { sendOutbox(directory); };
    for (const LayoutFax& fax : layout) {
        scenario.afterKill.faxes[fax.topic]["outbox"] = expected(fax);
        scenario.afterKill.faxes[fax.topic]["overbox"] = expected(fax);
        // Sent again to its end, the whole outbox is in the sent box.
        scenario.afterRecovery.faxes[fax.topic]["overbox"] = expected(fax);
    }
    return scenario;
}

void RecoverAsAtStartUp(const std::string& programDirectory, bool sends)
{
    // The steps of the program's start-up (app/CPelno1AppStartUp.cpp), in its order.
    RemoveEarlierDownloads();
    CleanMailboxLeftovers(programDirectory);
    TaskQueue tasks;
    FileSubmittedFaxes(tasks);
    if (sends)
        sendOutbox(programDirectory);
}

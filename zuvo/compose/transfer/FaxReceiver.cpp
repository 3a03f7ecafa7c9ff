// The receive run: the list, one "queryfax" at a time, the dialog's own
// download queue and inbox writer over the folders fixed at the start.
#include "compose/transfer/FaxReceiver.h"

#include <algorithm>

#include "core/TextUtil.h"
#include "core/session/DownloadStaging.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
#include "faxbox/FaxTasks.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

namespace {

bool Is(CRL::Event& event, const char* name)
{
    return EqualsNoCase(event.getString("event"), name);
}

bool Succeeded(CRL::Event& event)
{
    return EqualsNoCase(event.getString("result"), "success");
}

// The entries a list reply really holds, at most `claimed`.
int ListedFaxes(CRL::Event& list, int claimed)
{
    int listed = 0;
    while (listed < claimed && *list.getString(FormatText("faxlist[%d].faxid", listed).c_str()) != '\0')
        ++listed;
    return listed;
}

} // namespace

FaxReceiver::FaxReceiver(AgentPort& agent, long invokeId, TaskQueue& tasks, TransferView& view,
                         InboxWriter::PageCounter pages, InboxWriter::ContactLookup contacts)
    : agent_(agent), invokeId_(invokeId), tasks_(tasks), view_(view), pages_(std::move(pages)),
      contacts_(std::move(contacts)), requests_(agent, invokeId), queue_(agent, invokeId, *this)
{
}

FaxReceiver::~FaxReceiver()
{
    Close();
}

void FaxReceiver::Start()
{
    std::string account;
    if (std::unique_ptr<CFaxRcvTask> task = tasks_.PopTaskOf<CFaxRcvTask>())
        account = task->accountPath;
    folders_ = std::make_unique<FixedFolderSource>(
        account, std::vector<std::string>{FolderType::kInBox, FolderType::kFailedBox, FolderType::kDeposeBox,
                                          FolderType::kFaxBox});
    writer_ = std::make_unique<InboxWriter>(*folders_, pages_, contacts_);
    faxUser_ = AccountConfig::GetFaxUser();
    agent_.addEventListener(this);
    listening_ = true;
    if (!requests_.QueryFaxList(faxUser_))
        Finish(IDS_RECEIVE_FAILED);
}

void FaxReceiver::Close()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        ended_ = true;
    }
    if (listening_) {
        agent_.removeEventListener(this); // waits for a call in progress
        listening_ = false;
    }
    queue_.Clear();
}

bool FaxReceiver::Ended() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return ended_;
}

int FaxReceiver::Index() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return index_;
}

int FaxReceiver::Count() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}

FaxReceiver::Texts FaxReceiver::StatusTexts() const
{
    int index = 0;
    int count = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        index = index_;
        count = count_;
    }
    if (!EqualsNoCase(LoadString(IDS_LANGUAGE), "cn"))
        return {count == -1 ? "Search... ..." : FormatText("Receiving... ...\t\t%d/%d", index, count), ""};
    return {count == -1 ? "正在查询... ..." : FormatText("正在接收... ...\t\t\t第 %d 共 %d 封", index, count),
            FormatText("正在接收... ...第 %d 封", index)};
}

bool FaxReceiver::EndOnce()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (ended_)
        return false;
    ended_ = true;
    return true;
}

void FaxReceiver::Finish(unsigned textId)
{
    if (!EndOnce())
        return;
    view_.Notice(std::string(LoadString(textId)));
    view_.End();
}

void FaxReceiver::Notice(const std::string& text)
{
    if (!Ended())
        view_.Notice(text);
}

// ---- the list ----------------------------------------------------------------

void FaxReceiver::QueryNext()
{
    std::string faxId;
    std::string faxType;
    bool atEnd = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (ended_ || !list_)
            return;
        atEnd = index_ >= count_;
        if (!atEnd) {
            faxId = list_->getString(FormatText("faxlist[%d].faxid", index_).c_str());
            faxType = list_->getString(FormatText("faxlist[%d].type", index_).c_str());
            ++index_;
        }
    }
    if (atEnd) {
        Finish(IDS_FAX_ARRIVED);
        return;
    }
    if (!requests_.QueryFax(faxUser_, faxId, faxType))
        Finish(IDS_RECEIVE_FAILED);
}

void FaxReceiver::OnQueryFaxList(CRL::Event& event)
{
    const std::string result = event.getString("result");
    if (EqualsNoCase(result, "failed")) {
        Finish(IDS_RECEIVE_FAILED);
        return;
    }
    if (!EqualsNoCase(result, "success"))
        return;
    cpLog(kLogTrace, "queryfaxlist , return success , faxcount=<%d>", event.getInt("count"));
    CRL::EventPtr list = CRL::makeEvent();
    if (!list->copy(&event)) {
        Finish(IDS_RECEIVE_FAILED);
        return;
    }
    const int count = ListedFaxes(*list, std::max(0, event.getInt("count")));
    if (count < event.getInt("count"))
        cpLog(kLogFailure, "queryfaxlist claims %d faxes and lists %d; the %d are fetched",
              event.getInt("count"), count, count);
    if (count == 0) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            index_ = 0;
            count_ = 0;
        }
        Finish(IDS_NO_NEW_FAX);
        return;
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        list_ = std::move(list);
        index_ = 0;
        count_ = count;
    }
    QueryNext();
}

void FaxReceiver::OnQueryFax(CRL::Event& event)
{
    if (!Succeeded(event)) {
        cpLog(kLogFailure, "queryfax of <%s> answered <%s>: the receive ends", event.getString("faxid"),
              event.getString("result"));
        if (EndOnce())
            view_.End();
        return;
    }
    const std::string faxType = event.getString("faxtype");
    const std::string faxId = event.getString("faxid");
    if (faxType == "20") {
        if (writer_->addInBox(event).empty()) {
            cpLog(kLogFailure, "fax <%s> not stored: left on the server", faxId.c_str());
            QueryNext();
            return;
        }
        if (!requests_.UpdateFax(faxUser_, event))
            Finish(IDS_RECEIVE_FAILED);
        return;
    }
    if (faxType == "30" || faxType == "40" || faxType == "50") {
        if (!queue_.PushCopyUnlessFetched(event))
            QueryNext(); // the main window fetches it already
        return;
    }
    cpLog(kLogFailure, "fax <%s> of type <%s> is not one this program receives: left on the server", faxId.c_str(),
          faxType.c_str());
    QueryNext();
}

void FaxReceiver::OnUpdateFax(CRL::Event& event)
{
    if (!Succeeded(event)) {
        Finish(IDS_RECEIVE_FAILED);
        return;
    }
    QueryNext();
}

// ---- the agent's events ----------------------------------------------------------

int FaxReceiver::onDisconnect()
{
    Finish(IDS_RECEIVE_FAILED);
    return 1;
}

int FaxReceiver::onReceive(CRL::Event* received)
{
    if (!received)
        return 0;
    CRL::Event& event = *received;
    if (event.getLong("invokeid") != invokeId_) {
        cpLog(kLogTrace, "invokeid invalidate");
        return 1;
    }
    if (Ended())
        return 1;
    if (Is(event, "download-success")) {
        if (!queue_.DownloadSucceeded(event.getLong("taskid")))
            cpLog(kLogFailure, "findEvent Failed");
    } else if (Is(event, "download-failed")) {
        queue_.DownloadFailed(event.getLong("taskid"));
    } else if (Is(event, "updatefax")) {
        OnUpdateFax(event);
    } else if (Is(event, "queryfax")) {
        OnQueryFax(event);
    } else if (Is(event, "queryfaxlist")) {
        OnQueryFaxList(event);
    }
    return 1;
}

int FaxReceiver::onProcess(CRL::Event* event)
{
    if (!event || event->getLong("invokeid") != invokeId_ || !Is(*event, "download-process"))
        return 1;
    queue_.DownloadProgressed(event->getLong("taskid"));
    view_.ShowFile(LastPathComponent(event->getString("filename")));
    const long length = event->getLong("length");
    const float share = length > 0 ? static_cast<float>(event->getLong("offset")) / static_cast<float>(length) : 0.0f;
    const int position = static_cast<int>(std::clamp(share, 0.0f, 1.0f) * 100.0f);
    cpLog(kLogTrace, "download Pos=<%d>", position);
    view_.ShowProgress(position);
    return 1;
}

// ---- the pump's owner ----------------------------------------------------------------

std::string FaxReceiver::StagingRoot()
{
    return folders_ ? DownloadStagingRoot(folders_->DataDirectory()) : "";
}

bool FaxReceiver::StoreFax(CRL::Event& item, const std::vector<std::string>& stagedFiles)
{
    return writer_ && !writer_->addInBox(item, stagedFiles).empty();
}

int FaxReceiver::AcknowledgeFax(CRL::Event& item)
{
    const int sent = requests_.UpdateFax(faxUser_, item);
    if (!sent)
        Finish(IDS_RECEIVE_FAILED); // no reply would ever ask for the next fax
    return sent;
}

void FaxReceiver::FaxNotStored(CRL::Event& item, NotStored why)
{
    cpLog(kLogFailure, "fax <%s> not stored (%s): left on the server", item.getString("faxid"),
          why == NotStored::NoFiles ? "no files" : why == NotStored::Download ? "download failed" : "filing failed");
    QueryNext();
}

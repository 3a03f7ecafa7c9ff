// The receive run: the list, one "queryfax" at a time, the dialog's own
// download queue and inbox writer over the folders fixed at the start.
#include "compose/transfer/FaxReceiver.h"

#include <optional>

#include "core/TextUtil.h"
#include "core/session/AgentEvents.h"
#include "core/session/DownloadStaging.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
#include "faxbox/FaxTasks.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

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

FaxReceiver::Texts FaxReceiver::StatusTexts() const
{
    const int count = walk_.Count();
    const int index = walk_.Index();
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
    if (Ended() || !walk_.Started())
        return;
    const std::optional<FaxListWalk::Entry> entry = walk_.Next();
    if (!entry) {
        Finish(IDS_FAX_ARRIVED);
        return;
    }
    if (!requests_.QueryFax(faxUser_, entry->faxId, entry->type))
        Finish(IDS_RECEIVE_FAILED);
}

void FaxReceiver::OnQueryFaxList(CRL::Event& event)
{
    if (HasResult(event, "failed")) {
        Finish(IDS_RECEIVE_FAILED);
        return;
    }
    if (!Succeeded(event))
        return;
    walk_.Start(event);
    if (walk_.Count() == 0) {
        Finish(IDS_NO_NEW_FAX);
        return;
    }
    QueryNext();
}

void FaxReceiver::OnQueryFax(CRL::Event& event)
{
    switch (walk_.Answered(event)) {
    case FaxListWalk::Reply::StoreNow:
        if (writer_->addInBox(event).empty())
            FaxNotStored(event, NotStored::Filing);
        else if (!requests_.UpdateFax(faxUser_, event))
            Finish(IDS_RECEIVE_FAILED);
        return;
    case FaxListWalk::Reply::Fetch:
        if (!queue_.PushCopyUnlessFetched(event))
            QueryNext(); // the main window fetches it already
        return;
    case FaxListWalk::Reply::EndOfList:
    case FaxListWalk::Reply::LeaveOnServer:
        QueryNext(); // at the end of the list, the run ends
        return;
    }
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
    if (!CarriesInvokeId(event, invokeId_)) {
        cpLog(kLogTrace, "invokeid invalidate");
        return 1;
    }
    if (Ended())
        return 1;
    if (IsEvent(event, "download-success")) {
        if (!queue_.DownloadSucceeded(event.getLong("taskid")))
            cpLog(kLogFailure, "findEvent Failed");
    } else if (IsEvent(event, "download-failed")) {
        queue_.DownloadFailed(event.getLong("taskid"));
    } else if (IsEvent(event, "updatefax")) {
        OnUpdateFax(event);
    } else if (IsEvent(event, "queryfax")) {
        OnQueryFax(event);
    } else if (IsEvent(event, "queryfaxlist")) {
        OnQueryFaxList(event);
    }
    return 1;
}

int FaxReceiver::onProcess(CRL::Event* event)
{
    if (!event || !CarriesInvokeId(*event, invokeId_) || !IsEvent(*event, "download-process"))
        return 1;
    queue_.DownloadProgressed(event->getLong("taskid"));
    view_.ShowFile(LastPathComponent(event->getString("filename")));
    const int position = TransferPercent(*event);
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
    LogNotStored(item, why);
    QueryNext();
}

// The send run: uploads under the run's lock, one "sendfax" per fax once its
// last upload is in, filing on the server's success, then the next fax.
#include "compose/transfer/OutboxSender.h"

#include <algorithm>
#include <filesystem>

#include "compose/transfer/SentBoxFiling.h"
#include "core/TextUtil.h"
#include "core/codec/Base64.h"
#include "core/session/AgentEvents.h"
#include "core/session/SessionRequests.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "netvoy/FileService.h"
#include "res/StringTable.h"
#include "spindle/VLock.h"

namespace {

std::string Text(unsigned id)
{
    return std::string(LoadString(id));
}

std::string Call(const std::function<std::string()>& source)
{
    return source ? source() : std::string();
}

} // namespace

OutboxSender::OutboxSender(AgentPort& agent, long invokeId, TaskQueue& tasks, TransferView& view, SendSources sources)
    : agent_(agent), invokeId_(invokeId), tasks_(tasks), view_(view), sources_(std::move(sources))
{
}

OutboxSender::~OutboxSender()
{
    if (listening_)
        agent_.removeEventListener(this);
    std::lock_guard<std::mutex> hold(lock_);
    CancelUploads();
    state_ = State::Ended;
}

int OutboxSender::Total() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return total_;
}

int OutboxSender::Current() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return current_;
}

void OutboxSender::Start()
{
    const std::string path = AccountConfig::GetDefaultAccountPath();
    if (path.empty()) {
        cpLog(kLogFailure, "send: no default account; nothing is sent");
        return;
    }
    account_.fromName = AccountConfig::GetAttr(path, "FromName");
    account_.fromFaxNum = AccountConfig::GetAttr(path, "FromFaxNum");
    account_.toNameFlag = AccountConfig::GetAttrInt(path, "IsToName");
    account_.toNumFlag = AccountConfig::GetAttrInt(path, "IsToFaxNum");
    account_.headFlag = AccountConfig::GetAttrInt(path, "IsUse");
    account_.fromInfo = AccountConfig::GetAttr(path, "FromName");
    account_.tagContent = AccountConfig::GetAttr(path, "TagContent");
    account_.tag = AccountConfig::GetAttrInt(path, "Tag");
    {
        std::lock_guard<std::mutex> hold(lock_);
        total_ = AccountConfig::GetOutBoxFaxCount();
    }
    account_.name = AccountConfig::GetAttr(path, "Name");
    account_.faxUser = AccountConfig::GetAttr(path, "FaxUser");
    if (account_.faxUser.empty()) {
        Finish(IDS_NO_FAX_USER);
        return;
    }
    account_.password = Base64Decode(AccountConfig::GetAttr(path, "FaxPassword"));
    network_ = sources_.network ? sources_.network() : NetworkIdentity{};
    DrawStatus();
    view_.ShowStage("");
    view_.ShowFile("");
    agent_.addEventListener(this);
    listening_ = true;
    if (!UploadAttachments()) {
        Finish(IDS_SEND_FAILED);
        return;
    }
    DrawStatus();
}

void OutboxSender::Rescan()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        total_ = AccountConfig::GetOutBoxFaxCount();
    }
    DrawStatus();
}

void OutboxSender::Cancel()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (state_ == State::Ended)
            return;
        CancelUploads();
        state_ = State::Ended;
    }
    view_.End();
}

void OutboxSender::DrawStatus()
{
    int current = 0;
    int total = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        current = current_;
        total = total_;
    }
    view_.ShowStatus(FormatText(LoadString(IDS_STATUS).data(), account_.name.c_str(), current, total));
}

bool OutboxSender::UploadAttachments()
{
    view_.ShowStage(Text(IDS_SENDING_ATTACHMENTS));
    std::optional<AccountConfig::OutboxFax> fax;
    std::string createTime;
    {
        Spindle::VLock store(AccountConfig::Mutex());
        if (AccountConfig::GetOutBoxFaxCount() < 1)
            return false;
        fax = AccountConfig::LoadFaxRecord(0);
        createTime = AccountConfig::GetAttr(AccountConfig::GetOutBoxPath() + "/Fax[0]", FaxRecord::kCreateTime);
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++current_;
    }
    DrawStatus();
    view_.ShowStage(Text(IDS_SENDING_FILE));
    if (!fax) {
        cpLog(kLogFailure, "send: outbox fax <%s> cannot be read; it stays in the outbox", createTime.c_str());
        return false;
    }
    if (fax->pages.empty()) {
        cpLog(kLogFailure, "send: outbox fax <%s> has no attachment; removed", createTime.c_str());
        RemoveFaxInFlight(createTime);
        return false;
    }
    std::unique_lock<std::mutex> hold(lock_);
    if (state_ == State::Ended)
        return true; // cancelled meanwhile
    createTime_ = createTime;
    called_ = fax->recipients;
    pages_ = fax->pages;
    taskIds_.assign(pages_.size(), -1);
    int started = 0;
    // The ids are stored before the lock goes, so a success reported at
    // once finds its slot.
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        std::error_code error;
        if (!std::filesystem::exists(pages_[i], error)) {
            cpLog(kLogFailure, "send: page <%s> is missing; passed over", pages_[i].c_str());
            continue;
        }
        const long taskId = agent_.upLoadFile(invokeId_, pages_[i].c_str());
        if (taskId < 1) {
            cpLog(kLogFailure, "send: upload of <%s> refused", pages_[i].c_str());
            return false;
        }
        taskIds_[i] = taskId;
        ++started;
    }
    if (started == 0) {
        hold.unlock();
        cpLog(kLogFailure, "send: every page of outbox fax <%s> is missing; removed", createTime.c_str());
        RemoveFaxInFlight(createTime);
        return false;
    }
    state_ = State::Uploading;
    return true;
}

void OutboxSender::RemoveFaxInFlight(const std::string& createTime)
{
    Spindle::VLock store(AccountConfig::Mutex());
    const int index = FindFaxByCreateTime(AccountConfig::GetOutBoxPath(), createTime);
    if (index >= 0)
        AccountConfig::RemoveOutBoxFax(index);
}

bool OutboxSender::sendFirstFax()
{
    SendFaxValues values;
    std::vector<std::string> pages;
    {
        std::lock_guard<std::mutex> hold(lock_);
        values.createTime = createTime_;
        values.called = called_;
        pages = pages_;
    }
    std::optional<FaxRecord> record;
    {
        Spindle::VLock store(AccountConfig::Mutex());
        const std::string outbox = AccountConfig::GetOutBoxPath();
        const int index = FindFaxByCreateTime(outbox, values.createTime);
        if (index >= 0)
            record = ReadFaxRecord(outbox, index);
    }
    if (!record) {
        cpLog(kLogFailure, "send: fax <%s> left the outbox during its upload; not submitted",
              values.createTime.c_str());
        return false;
    }
    view_.ShowStage(Text(IDS_SUBMITTING));
    values.faxUser = account_.faxUser;
    values.password = account_.password;
    values.timerFlag = std::to_string(AtoiText(record->Get(FaxRecord::kTimerFlag)));
    values.netId = network_.netId;
    values.title = record->Get(FaxRecord::kTopic);
    values.name = record->Get(FaxRecord::kName);
    values.company = record->Get(FaxRecord::kCompany);
    values.pages = record->Get(FaxRecord::kPages);
    values.fromInfo = account_.fromInfo;
    values.sendTimer = record->Get(FaxRecord::kSendTimer);
    values.tag = account_.tag;
    values.tagContent = account_.tagContent;
    values.namedNumbers = NamedNumbers(values.called, sources_.names);
    values.lang = Text(IDS_LANGUAGE);
    values.invokeId = invokeId_;
    values.phone = Call(sources_.phone);
    values.ipAddress = network_.ipAddress;
    values.loginMode = Call(sources_.loginMode);
    values.netFaxNo = Call(sources_.netFaxNo);
    values.os = UpdateOsName(0, 0);
    values.headFlag = account_.headFlag;
    values.fromName = account_.fromName;
    values.fromNum = account_.fromFaxNum;
    values.toNameFlag = account_.toNameFlag;
    values.toNumFlag = account_.toNumFlag;
    // Each page by the name its upload carried (made to fit the transfer
    // record), so that the server finds what it was sent.
    for (const std::string& page : pages)
        values.attachFiles.push_back(LastPathComponent(Netvoy::uploadFileName(page)));
    view_.ShowStage(Text(IDS_SENDING_REQUEST));
    if (SendFaxRequest(agent_, values) != 1) {
        cpLog(kLogFailure, "send: \"sendfax\" of <%s> could not be sent", values.createTime.c_str());
        return false;
    }
    return true;
}

int OutboxSender::onDisconnect()
{
    Finish(IDS_CONNECTION_LOST);
    return 1;
}

int OutboxSender::onReceive(CRL::Event* event)
{
    if (!event || !CarriesInvokeId(*event, invokeId_))
        return 1;
    if (IsEvent(*event, "upload-success"))
        OnUploadSucceeded(event->getLong("taskid"));
    else if (IsEvent(*event, "upload-failed"))
        OnUploadFailed(event->getLong("taskid"));
    else if (IsEvent(*event, "sendfax"))
        OnSendFaxReply(*event);
    return 1;
}

void OutboxSender::OnUploadSucceeded(long taskId)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto slot = std::find(taskIds_.begin(), taskIds_.end(), taskId);
        if (state_ != State::Uploading || taskId < 1 || slot == taskIds_.end())
            return; // not an upload of the fax in flight
        *slot = -1;
        if (std::any_of(taskIds_.begin(), taskIds_.end(), [](long id) { return id != -1; }))
            return;
        state_ = State::Submitting; // the fax goes out once
    }
    if (!sendFirstFax())
        Finish(IDS_SEND_FAILED);
}

void OutboxSender::OnUploadFailed(long taskId)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (state_ != State::Uploading || taskId < 1 ||
            std::find(taskIds_.begin(), taskIds_.end(), taskId) == taskIds_.end())
            return;
    }
    cpLog(kLogFailure, "send: upload task <%ld> failed", taskId);
    Finish(IDS_SEND_FAILED);
}

void OutboxSender::OnSendFaxReply(CRL::Event& event)
{
    const bool accepted = Succeeded(event);
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (state_ != State::Submitting) {
            cpLog(kLogFailure, "send: \"sendfax\" reply while no fax is submitted; ignored");
            return;
        }
        if (accepted)
            state_ = State::Filing;
    }
    if (!accepted) {
        cpLog(kLogFailure, "send: \"sendfax\" answered <%s>; the fax stays in the outbox", event.getString("result"));
        Finish(IDS_SEND_FAILED);
        return;
    }
    FaxAccepted();
}

void OutboxSender::FaxAccepted()
{
    std::string createTime;
    {
        std::lock_guard<std::mutex> hold(lock_);
        createTime = createTime_;
    }
    if (OnFaxSent(tasks_, createTime) != SentFiling::Filed) {
        Finish(IDS_SEND_FAILED);
        return;
    }
    if (AccountConfig::GetOutBoxFaxCount() == 0) {
        Finish(IDS_ALL_SENT);
        return;
    }
    if (!UploadAttachments())
        Finish(IDS_SEND_FAILED);
}

int OutboxSender::onProcess(CRL::Event* event)
{
    if (!event || !CarriesInvokeId(*event, invokeId_) || !IsEvent(*event, "upload-process"))
        return 1;
    view_.ShowFile(LastPathComponent(event->getString("filename")));
    view_.ShowProgress(TransferPercent(*event));
    return 1;
}

void OutboxSender::CancelUploads()
{
    for (long& taskId : taskIds_) {
        if (taskId != -1)
            agent_.cancelUploadFile(invokeId_, taskId);
        taskId = -1;
    }
}

void OutboxSender::Finish(unsigned textId)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (state_ == State::Ended)
            return;
        CancelUploads();
        state_ = State::Ended;
    }
    view_.Notice(Text(textId));
    view_.End();
}

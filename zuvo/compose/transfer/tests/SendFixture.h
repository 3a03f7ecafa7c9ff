#pragma once

// A program directory for the send tests: a default account with an outbox
// and a sent box, outbox faxes with their page files, an address book, and
// a view that records what the send run shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "compose/transfer/OutboxSender.h"
#include "contacts/AddressBookConfig.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/tests/AccountFixture.h"
#include "core/tests/SessionFakes.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

namespace sendtest {

// The account's values: FaxPassword is "secret" in Base64.
inline const char* const kAccount =
    "<Account Name=\"测试\" Default=\"yes\" FaxUser=\"00210000012345\" FaxPassword=\"c2VjcmV0\" "
    "Directory=\"data\" FromName=\"甲公司\" FromFaxNum=\"021-5550000\" IsToName=\"1\" IsToFaxNum=\"0\" "
    "IsUse=\"1\" TagContent=\"标签\" Tag=\"2\">"
    "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\"/>"
    "<Folder Name=\"已发送\" Type=\"overbox\" Directory=\"sent\"/>"
    "</Account>\n";

struct Page {
    std::string file;
    std::string bytes;  // written to {outbox}/{file}.{CreateTime}
    bool present = true;
    bool header = false;
};

// Records every call of the run; safe on any thread.
class RecordingView : public TransferView {
public:
    void ShowStatus(const std::string& text) override { add(statuses_, text); }
    void ShowStage(const std::string& text) override { add(stages_, text); }
    void ShowFile(const std::string& text) override { add(files_, text); }
    void ShowProgress(int percent) override { add(progress_, std::to_string(percent)); }
    void Notice(const std::string& text) override { add(notices_, text); }
    void End() override
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++ends_;
    }

    std::vector<std::string> statuses() const { return get(statuses_); }
    std::vector<std::string> stages() const { return get(stages_); }
    std::vector<std::string> files() const { return get(files_); }
    std::vector<std::string> notices() const { return get(notices_); }
    int ends() const
    {
        std::lock_guard<std::mutex> hold(lock_);
        return ends_;
    }

private:
    void add(std::vector<std::string>& list, const std::string& text)
    {
        std::lock_guard<std::mutex> hold(lock_);
        list.push_back(text);
    }
    std::vector<std::string> get(const std::vector<std::string>& list) const
    {
        std::lock_guard<std::mutex> hold(lock_);
        return list;
    }

    mutable std::mutex lock_;
    std::vector<std::string> statuses_, stages_, files_, progress_, notices_;
    int ends_ = 0;
};

class SendFixture : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        cpLogOpen(dir_.file("zuvo.log").c_str());
        openWith(kAccount);
        testfiles::writeFile(dir_.file("address.xml"), AddressBookTemplate());
        ASSERT_TRUE(book.Open(dir_.path()));
    }
    void TearDown() override { cpLogClose(); }

    std::string Outbox() const { return dir_.file("data/outbox"); }
    std::string SentBox() const { return dir_.file("data/sent"); }

    // Appends an outbox fax and writes its present pages.
    void AddOutboxFax(const std::string& createTime, const std::string& caller, const std::vector<Page>& pages,
                      const std::string& toCC = "")
    {
        FaxRecord record;
        record.Set(FaxRecord::kCaller, caller);
        record.Set(FaxRecord::kToCC, toCC);
        record.Set(FaxRecord::kTopic, "报价 " + createTime);
        record.Set(FaxRecord::kName, "张三");
        record.Set(FaxRecord::kCompany, "乙公司");
        record.Set(FaxRecord::kDate, "2026-12-10 09:30:01");
        record.Set(FaxRecord::kCreateTime, createTime);
        record.Set(FaxRecord::kPages, std::to_string(pages.size()));
        record.Set(FaxRecord::kReadFlag, "0");
        record.Set(FaxRecord::kSendTimer, "2026-12-11 08:00:00");
        record.Set(FaxRecord::kTimerFlag, "1");
        std::filesystem::create_directories(Outbox());
        for (const Page& page : pages) {
            record.attachments.push_back({page.file, page.header ? "1" : ""});
            if (page.present)
                testfiles::writeFile(Outbox() + "/" + page.file + "." + createTime, page.bytes);
        }
        ASSERT_EQ(AppendFaxRecord(AccountConfig::GetOutBoxPath(), record), 1);
    }

    void AddContact(const std::string& name, const std::string& faxNumber)
    {
        AddressCard card{{"Name", name}, {"FaxNum", faxNumber}};
        ASSERT_EQ(AppendAddressCard(book, "AddressBook[1]/Folder[0]", card), 1);
    }

    SendSources Sources()
    {
        SendSources sources;
        sources.names = [this](const std::vector<std::string>& numbers) { return book.FindNamesByFaxNumbers(numbers); };
        sources.phone = [] { return std::string("13900000000"); };
        sources.netFaxNo = [] { return std::string("88001234"); };
        sources.loginMode = [] { return std::string("normal"); };
        sources.network = [] { return NetworkIdentity{"02-FC-00-00-00-01", "10.0.0.5"}; };
        return sources;
    }

    int OutboxCount() const { return AccountConfig::GetOutBoxFaxCount(); }

    AddressBookConfig book;
    RecordingView view;
    TaskQueue tasks;
};

inline std::string Text(unsigned id)
{
    return std::string(LoadString(id));
}

} // namespace sendtest

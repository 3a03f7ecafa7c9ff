// The receive dialog in a real window over the real agent client and the
// fake fax service: a fax fetched through its timers, and what it tells the
// main window when it closes.
#include "compose/transfer/qt/RcvFaxDlg.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include "compose/PageCount.h"
#include "compose/qt/tests/MainWindowSink.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/session/AgentHelp.h"
#include "core/tests/AccountFixture.h"
#include "core/tests/LiveSession.h"
#include "core/tests/SessionSim.h"

namespace {

class RcvFaxDlgTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        openWith("<Account Name=\"测试\" Default=\"yes\" FaxUser=\"00210000012345\" Directory=\"data\">"
                 "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\"/>"
                 "<Folder Name=\"回执箱\" Type=\"inbox\" Directory=\"inbox\"/>"
                 "<Folder Name=\"失败\" Type=\"failedbox\" Directory=\"failedbox\"/>"
                 "<Folder Name=\"无效\" Type=\"deposebox\" Directory=\"deposebox\"/></Account>\n");
        AgentHelp::getInstance()->clearArgs();
    }
    void TearDown() override
    {
        delete dialog.data();
        AgentHelp::getInstance()->stop();
    }

    MainWindowSink sink;
    TaskQueue tasks;
    // Serves one 3-page fax whose second download chunk is answered after
    // `delay` seconds, connects the agent and opens the receive window.
    void openOnOneFaxAnsweredLate(double delay, const std::string& account)
    {
        const std::string page = sessiontest::MakeTiff(dir_.file("page.tif"), 3, 64);
        sim = std::make_unique<sessiontest::FaxServiceSim>(
            R"({"faxes": [{"faxid": "F1", "type": 30, "files": [{"name": "fax/F1.tif", "path": ")" + page +
                R"("}]}], "faults": [{"op": "download", "chunk": 1, "action": "delay", "seconds": )" +
                std::to_string(delay) + "}]}",
            dir_.path());
        ASSERT_EQ(AgentHelp::getInstance()->connect("127.0.0.1", sim->port()), 1);
        AgentHelp::getInstance()->run();
        ReceiveWindowServices services;
        services.agent = []() -> AgentPort& { return *AgentHelp::getInstance(); };
        services.tasks = [this]() -> TaskQueue& { return tasks; };
        services.pages = CountImagePages;
        services.noticeTarget = sink.Handle();
        services.addThread = [this](QWidget* window) { dialog = qobject_cast<CRcvFaxDlg*>(window); };
        OpenReceiveWindow(services, account);
    }

    std::unique_ptr<sessiontest::FaxServiceSim> sim;
    QPointer<CRcvFaxDlg> dialog;
};

} // namespace

TEST_F(RcvFaxDlgTest, FetchesAFaxThroughItsTimersAndHasTheMainWindowReloadOnClose)
{
    // The second chunk is answered late, so the window can be seen mid-download.
    openOnOneFaxAnsweredLate(2.5, "Account[0]");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("接收传真"));
    EXPECT_EQ(tasks.Count(), 0u); // the window took its task
    ASSERT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return dialog->StatusText()->text().contains(QStringLiteral("第 1 共 1 封")); }, 10000));
    QtTest::ProcessEventsFor(400);
    EXPECT_TRUE(dialog->FileText()->text().startsWith(QStringLiteral("正在接收")));
    EXPECT_FALSE(dialog->Icon()->pixmap().isNull());
    QtTest::SaveScreenshot(*dialog, QStringLiteral("receive-dialog-mid-download"));

    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog || !dialog->isVisible(); }, 15000));
    QtTest::ProcessEventsUntil([&] { return sink.posted.size() >= 4; }, 2000);
    EXPECT_EQ(sink.notices, (QStringList{QStringLiteral("您有传真件，请阅览！"), QStringLiteral("您有传真件，请阅览！")}));
    const std::vector<std::pair<unsigned, WPARAM>> closing(sink.posted.end() - 2, sink.posted.end());
    EXPECT_EQ(closing, (std::vector<std::pair<unsigned, WPARAM>>{{WM_FAX_REFRESH, FAX_REFRESH_FOLDER_COUNTS},
                                                                 {WM_FAX_RELOAD, 0}}));
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "faxbox"), 1);
}

TEST_F(RcvFaxDlgTest, CancelFromTheKeyboardClosesAndLeavesTheFaxOnTheServer)
{
    openOnOneFaxAnsweredLate(3, "");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return dialog->Receiver().Count() == 1; }, 10000));
    QtTest::ProcessEventsFor(300);
    QTest::keyClick(dialog, Qt::Key_Escape);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog || !dialog->isVisible(); }));
    QtTest::ProcessEventsFor(200);
    EXPECT_TRUE(sink.notices.isEmpty());
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "faxbox"), 0);
    EXPECT_TRUE(sim->Requests("updatefax").empty());
}

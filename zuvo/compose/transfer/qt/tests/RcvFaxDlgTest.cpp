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
    // The receive window's services; each window opened is kept and counted.
    ReceiveWindowServices services()
    {
        ReceiveWindowServices services;
        services.agent = []() -> AgentPort& { return *AgentHelp::getInstance(); };
        services.tasks = [this]() -> TaskQueue& { return tasks; };
        services.pages = CountImagePages;
        services.noticeTarget = sink.Handle();
        services.addThread = [this](QWidget* window) {
            dialog = qobject_cast<CRcvFaxDlg*>(window);
            ++opened;
        };
        return services;
    }
    // Serves one 3-page fax whose second download chunk is answered only
    // once `release` is made, connects the agent and opens the receive window.
    void openOnOneFaxAnsweredLate(const std::string& account)
    {
        const std::string page = sessiontest::MakeTiff(dir_.file("page.tif"), 3, 64);
        sim = std::make_unique<sessiontest::FaxServiceSim>(
            R"({"faxes": [{"faxid": "F1", "type": 30, "files": [{"name": "fax/F1.tif", "path": ")" + page +
                R"("}]}], "faults": [)" + sessiontest::HoldReplyFault("download", 1, release) + "]}",
            dir_.path());
        ASSERT_EQ(AgentHelp::getInstance()->connect("127.0.0.1", sim->port()), 1);
        AgentHelp::getInstance()->run();
        OpenReceiveWindow(services(), account);
    }

    std::unique_ptr<sessiontest::FaxServiceSim> sim;
    QPointer<CRcvFaxDlg> dialog;
    int opened = 0;
    const std::string release = dir_.file("release");
};

} // namespace

TEST_F(RcvFaxDlgTest, FetchesAFaxThroughItsTimersAndHasTheMainWindowReloadOnClose)
{
    // The second chunk is answered once released, so the window can be seen mid-download.
    openOnOneFaxAnsweredLate("Account[0]");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("接收传真"));
    EXPECT_EQ(tasks.Count(), 0u); // the window took its task
    ASSERT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return dialog->StatusText()->text().contains(QStringLiteral("第 1 共 1 封")); }));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return sim->Noted("reply-held"); }));
    EXPECT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return dialog->FileText()->text().startsWith(QStringLiteral("正在接收")); }));
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog->Icon()->pixmap().isNull(); }));
    QtTest::SaveScreenshot(*dialog, QStringLiteral("receive-dialog-mid-download"));

    sessiontest::ReleaseReply(release);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog || !dialog->isVisible(); }));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return sink.posted.size() >= 4; }));
    EXPECT_EQ(sink.notices, (QStringList{QStringLiteral("您有传真件，请阅览！"), QStringLiteral("您有传真件，请阅览！")}));
    const std::vector<std::pair<unsigned, WPARAM>> closing(sink.posted.end() - 2, sink.posted.end());
    EXPECT_EQ(closing, (std::vector<std::pair<unsigned, WPARAM>>{{WM_FAX_REFRESH, FAX_REFRESH_FOLDER_COUNTS},
                                                                 {WM_FAX_RELOAD, 0}}));
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "faxbox"), 1);
}

TEST_F(RcvFaxDlgTest, CancelFromTheKeyboardClosesAndLeavesTheFaxOnTheServer)
{
    openOnOneFaxAnsweredLate("");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return dialog->Receiver().Count() == 1; }));
    // Mid-download: the second chunk's answer is held back for good.
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return sim->Noted("reply-held"); }));
    QTest::keyClick(dialog, Qt::Key_Escape);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog || !dialog->isVisible(); }));
    QtTest::ProcessEventsFor(200);
    EXPECT_TRUE(sink.notices.isEmpty());
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "faxbox"), 0);
    EXPECT_TRUE(sim->Requests("updatefax").empty());
}

TEST_F(RcvFaxDlgTest, TheCommandWhileAReceiveRunsBringsItForwardAndTheFaxIsFiledOnce)
{
    // The main window, shown where its menu would lie under a dialog placed at its corner.
    sink.setWindowTitle(QStringLiteral("ZUVO"));
    sink.setGeometry(200, 150, 900, 700);
    sink.show();
    openOnOneFaxAnsweredLate("Account[0]");
    ASSERT_TRUE(dialog);
    QPointer<CRcvFaxDlg> first = dialog;
    EXPECT_LE((dialog->frameGeometry().center() - sink.frameGeometry().center()).manhattanLength(), 2)
        << "centred on the main window";
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return dialog->Receiver().Count() == 1; }, 10000));

    OpenReceiveWindow(services(), "Account[0]");
    EXPECT_EQ(opened, 1) << "no second receive window";
    EXPECT_EQ(dialog, first);
    EXPECT_EQ(tasks.Count(), 0u) << "no task left for a window that never comes";
    QtTest::ProcessEventsUntil([&] { return dialog->StatusText()->text().contains(QStringLiteral("第 1 共 1 封")); });
    QtTest::SaveScreenshot(*dialog, QStringLiteral("receive-dialog-brought-forward"));

    sessiontest::ReleaseReply(release);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !first || !first->isVisible(); }, 15000));
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "faxbox"), 1);
    EXPECT_EQ(sim->Requests("queryfaxlist").size(), 1u);
    EXPECT_EQ(sim->Requests("updatefax").size(), 1u);
}

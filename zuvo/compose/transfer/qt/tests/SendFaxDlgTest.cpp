// The send dialog in a real window over the real agent client and the fake
// fax service: two faxes sent through it, one window at a time, and the
// keyboard's cancel.
#include "compose/transfer/qt/SendFaxDlg.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "compose/qt/tests/MainWindowSink.h"
#include "compose/transfer/tests/SendFixture.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/session/AgentHelp.h"
#include "core/tests/LiveSession.h"
#include "core/tests/SessionSim.h"

using namespace sendtest;

namespace {

class SendFaxDlgTest : public SendFixture {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        SendFixture::SetUp();
        AgentHelp::getInstance()->clearArgs();
    }
    void TearDown() override
    {
        delete dialog.data();
        AgentHelp::getInstance()->stop();
        SendFixture::TearDown();
    }

    void Serve(const std::string& more)
    {
        sim = std::make_unique<sessiontest::FaxServiceSim>("{\"upload_dir\": \"" + dir_.path() + "\"" + more + "}",
                                                           dir_.path());
        ASSERT_EQ(AgentHelp::getInstance()->connect("127.0.0.1", sim->port()), 1);
        AgentHelp::getInstance()->run();
    }
    SendWindowServices Services()
    {
        SendWindowServices services;
        services.agent = []() -> AgentPort& { return *AgentHelp::getInstance(); };
        services.tasks = [this]() -> TaskQueue& { return tasks; };
        services.sources = [this] { return Sources(); };
        services.noticeTarget = sink.Handle();
        services.addThread = [this](QWidget* window) { dialog = qobject_cast<CSendFaxDlg*>(window); };
        return services;
    }
    QString Status() const { return dialog ? dialog->StatusText()->text() : QString(); }

    MainWindowSink sink;
    std::unique_ptr<sessiontest::FaxServiceSim> sim;
    QPointer<CSendFaxDlg> dialog;
};

} // namespace

TEST_F(SendFaxDlgTest, SendsTwoFaxesShowingEachAndClosesWhenAllAreIn)
{
    const std::string big = sessiontest::MakeTiff(dir_.file("big.tif"), 3);
    AddOutboxFax("20261210093001", "111", {{"cover.tif", testfiles::readFile(sessiontest::MakeTiff(dir_.file("c.tif"), 1))}});
    AddOutboxFax("20261210093002", "222", {{"big.tif", testfiles::readFile(big)}});
    // The second fax's second chunk is answered late, so the window can be seen mid-send.
    Serve(R"(, "faults": [{"op": "upload", "chunk": 2, "action": "delay", "seconds": 2.5}])");
    OpenSendWindow(Services());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("发送传真"));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return Status().contains(QStringLiteral("正在发送 2 共 2 封")); }, 10000));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return dialog->FileText()->text() == QStringLiteral("big.tif.20261210093002"); }, 5000));
    QtTest::ProcessEventsFor(300);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(Status().startsWith(QStringLiteral("测试")));
    EXPECT_FALSE(dialog->StageText()->text().isEmpty());
    EXPECT_GT(dialog->Progress()->value(), 1);
    EXPECT_FALSE(dialog->Icon()->pixmap().isNull());
    QtTest::SaveScreenshot(*dialog, QStringLiteral("send-dialog-mid-send"));

    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog || !dialog->isVisible(); }, 15000));
    QtTest::ProcessEventsUntil([&] { return !sink.notices.isEmpty(); }, 2000);
    EXPECT_EQ(sink.notices, QStringList{QStringLiteral("传真件已经提交，请稍后...")});
    EXPECT_EQ(OutboxCount(), 0);
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "overbox"), 2);
}

TEST_F(SendFaxDlgTest, ASecondStartRecountsTheOpenWindowAndEscapeCancels)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}});
    Serve(R"(, "sendfax": "none")"); // the fax waits for the server's answer
    OpenSendWindow(Services());
    ASSERT_TRUE(dialog);
    QPointer<CSendFaxDlg> first = dialog;
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return Status().contains(QStringLiteral("正在发送 1 共 1 封")); }));

    AddOutboxFax("20261210093002", "222", {{"b.tif", "B"}});
    OpenSendWindow(Services());
    EXPECT_EQ(dialog, first); // no second window
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return Status().contains(QStringLiteral("正在发送 1 共 2 封")); }));

    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog->isVisible(); }));
    EXPECT_EQ(OutboxCount(), 2);
    EXPECT_TRUE(sink.notices.isEmpty());
}

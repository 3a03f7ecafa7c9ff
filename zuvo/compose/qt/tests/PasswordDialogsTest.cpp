// The two password dialogs in real windows: the change-password dialog of
// the account page and the seal manager, and the seal password dialog that
// guards the seals. Replies are handed to their listeners on a thread of
// the test's own, as the agent's worker does, or come from the fake fax
// service over the real agent client.

#include "compose/seals/qt/PasswordDlg1.h"
#include "core/qt/AgentReplyWait.h"
#include "core/qt/ChangePasswordDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/session/AgentHelp.h"
#include "core/session/SessionRequests.h"
#include "core/tests/SessionFakes.h"
#include "core/tests/SessionSim.h"
#include "corlane/Event.h"
#include "netvoy/ClientEventListener.h"
#include "textcodec/Gbk.h"

namespace {

using sessiontest::FakeAgent;
using sessiontest::Pairs;

const QString kWrongPassword = QStringLiteral("密码错误");
const QString kChangeFailed = QStringLiteral("修改密码失败！");

// An event of the server, handed to every listener on a thread of its own.
void Deliver(sessiontest::FakeAgent& agent, const Pairs& pairs)
{
    sessiontest::DeliverFromWorker(agent, pairs);
}

Pairs Reply(const std::string& command, const std::string& result, long invokeId)
{
    return {{"event", command}, {"result", result}, {"invokeid", std::to_string(invokeId)}};
}

void Type(QDialog& dialog, int editId, const QString& text)
{
    auto* edit = dialog.findChild<QLineEdit*>(QString::number(editId));
    ASSERT_NE(edit, nullptr) << editId;
    edit->clear();
    QTest::keyClicks(edit, text);
}

void PressOk(QDialog& dialog)
{
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

void ShowAndWait(QDialog& dialog)
{
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

bool Closes(QDialog& dialog)
{
    return QtTest::ProcessEventsUntil([&] { return !dialog.isVisible(); });
}

class PasswordDialogTest : public ::testing::Test {
protected:
    PasswordDialogTest() { QtTest::EnsureApplication(); }

    // account.xml of the program directory, with one account.
    void WriteAccount(const std::string& attributes)
    {
        testfiles::writeFile(home_.file("account.xml"),
                             TextCodec::utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n<Account " +
                                                  attributes + "/>\n</Config>\n")
                                 .text);
    }

    SealContext Context(const std::string& account = "Account[0]")
    {
        return SealContext{&agent_, home_.path(), account};
    }

    testfiles::TempDir home_;
    FakeAgent agent_;
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

// ---- the change-password dialog ------------------------------------------

class ChangePasswordTest : public PasswordDialogTest {
protected:
    void Open(const QString& command)
    {
        dialog_ = std::make_unique<CChangePasswordDlg>(nullptr, &agent_);
        dialog_->SetCommand(command);
        dialog_->SetFaxUser(QStringLiteral("00210000012345"));
        dialog_->SetOldPassword(QStringLiteral("old"));
        ShowAndWait(*dialog_);
    }
    void TypeNew(const QString& password, const QString& confirmation)
    {
        Type(*dialog_, CChangePasswordDlg::kNewPasswordEditId, password);
        Type(*dialog_, CChangePasswordDlg::kConfirmEditId, confirmation);
    }
    AgentReplyWait& Wait() { return *dialog_->findChild<AgentReplyWait*>(); }

    std::unique_ptr<CChangePasswordDlg> dialog_;
};

TEST_F(ChangePasswordTest, SendsItsFiveKeysAfterAClearAndEndsOnlyOnItsOwnSuccess)
{
    Open(QStringLiteral("changepassword-z"));
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("修改账户密码"));
    agent_.appendArg("loginid", "left by the request before");
    TypeNew(QStringLiteral("n1"), QStringLiteral("n1"));
    PressOk(*dialog_);

    const std::string id = std::to_string(dialog_->InvokeId());
    ASSERT_EQ(agent_.requests().size(), 1u);
    EXPECT_EQ(agent_.requests()[0], (Pairs{{"command", "changepassword-z"},
                                          {"faxuser", "00210000012345"},
                                          {"oldpassword", "old"},
                                          {"newpassword", "n1"},
                                          {"invokeid", id}}));
    EXPECT_EQ(dialog_->findChild<QLabel*>(QStringLiteral("1173"))->text(), QStringLiteral("请稍后..."));
    QtTest::SaveScreenshot(*dialog_, QStringLiteral("change-password-waiting"));

    Deliver(agent_, Reply("changepassword-z", "success", dialog_->InvokeId() + 1));
    QtTest::ProcessEventsFor(100);
    EXPECT_TRUE(dialog_->isVisible()) << "another window's reply";
    EXPECT_TRUE(Wait().TimerActive()) << "another window's reply leaves the timer";
    EXPECT_TRUE(script_.texts.isEmpty());

    Deliver(agent_, Reply("changepassword-z", "failed", dialog_->InvokeId()));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kChangeFailed});
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_FALSE(Wait().TimerActive());

    TypeNew(QStringLiteral("n2"), QStringLiteral("n2"));
    PressOk(*dialog_);
    Deliver(agent_, Reply("changepassword-z", "success", dialog_->InvokeId()));
    ASSERT_TRUE(Closes(*dialog_));
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(dialog_->NewPassword(), QStringLiteral("n2"));
    EXPECT_EQ(script_.texts.size(), 1) << "no box for the success";
}

TEST_F(ChangePasswordTest, AReplyToAnotherCommandOnlyEndsTheWait)
{
    Open(QStringLiteral("changepassword"));
    TypeNew(QStringLiteral("n1"), QStringLiteral("n1"));
    PressOk(*dialog_);
    Deliver(agent_, Reply("changepassword-z", "success", dialog_->InvokeId()));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !Wait().TimerActive(); }));
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_TRUE(script_.texts.isEmpty());
}

TEST_F(ChangePasswordTest, MismatchOrAnUnsentRequestKeepsTheDialog)
{
    Open(QStringLiteral("changepassword"));
    TypeNew(QStringLiteral("abc"), QStringLiteral("abC"));
    PressOk(*dialog_);
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("两次输入的密码不正确")});
    EXPECT_TRUE(agent_.requests().empty());

    agent_.invokeResult = 0;
    TypeNew(QStringLiteral("abc"), QStringLiteral("abc"));
    PressOk(*dialog_);
    EXPECT_EQ(script_.texts.size(), 2);
    EXPECT_EQ(script_.texts.back(), kChangeFailed);
    EXPECT_FALSE(Wait().TimerActive());
    EXPECT_TRUE(dialog_->isVisible());
}

// A user who leaves each box open for `holdMs`, many periods of the reply
// timer, and notes how many boxes had been shown when each one closed.
class SlowReader : public Prompter {
public:
    explicit SlowReader(int holdMs) : holdMs_(holdMs) {}
    void Inform(const QString& text) override
    {
        texts.push_back(text);
        QtTest::ProcessEventsFor(holdMs_);
        textsWhenClosed.push_back(static_cast<int>(texts.size()));
    }
    bool Ask(const QString&) override { return false; }
    PromptAnswer AskYesNoCancel(const QString&) override { return PromptAnswer::Cancel; }
    std::optional<ChosenFile> ChooseFile(const FileRequest&) override { return std::nullopt; }

    QStringList texts;
    std::vector<int> textsWhenClosed;

private:
    int holdMs_;
};

TEST_F(ChangePasswordTest, EachSilentPeriodSaysSoWithoutStackingBoxes)
{
    Open(QStringLiteral("changepassword"));
    dialog_->SetReplyTimeout(40);
    auto reader = std::make_unique<SlowReader>(300);
    SlowReader& user = *reader;
    auto previous = InstallPrompter(std::move(reader));
    TypeNew(QStringLiteral("n1"), QStringLiteral("n1"));
    PressOk(*dialog_);
    const bool twice = QtTest::ProcessEventsUntil([&] { return user.texts.size() >= 2; });
    dialog_->reject();
    const auto stillMine = InstallPrompter(std::move(previous)); // keeps `user` for the checks below
    ASSERT_TRUE(twice) << "the notice repeats while no answer comes";
    EXPECT_EQ(user.texts, QStringList(2, kChangeFailed));
    EXPECT_EQ(user.textsWhenClosed.at(0), 1) << "seven periods passed under the first box without a second one";
}

// ---- the seal password dialog ----------------------------------------------

class SealPasswordTest : public PasswordDialogTest {
protected:
    SealPasswordTest()
    {
        // "secret" in Base64, as base64(1) writes it.
        WriteAccount("Name=\"a\" Default=\"yes\" FaxUser=\"00210000012345\" FaxPassword=\"c2VjcmV0\"");
    }
    std::unique_ptr<CPasswordDlg1> Open(SealContext context)
    {
        auto dialog = std::make_unique<CPasswordDlg1>(std::move(context));
        ShowAndWait(*dialog);
        return dialog;
    }
};

TEST_F(SealPasswordTest, WithTheAgentStoppedTheStoredPasswordPassesInAnyCase)
{
    agent_.running = 0;
    struct Case {
        const char* typed;
        bool passes;
    };
    for (const Case& c : {Case{"SeCrEt", true}, Case{"secret", true}, Case{"secret ", false}, Case{"", false}}) {
        script_.texts.clear();
        auto dialog = Open(Context());
        Type(*dialog, CPasswordDlg1::kPasswordEditId, QString::fromUtf8(c.typed));
        PressOk(*dialog);
        EXPECT_EQ(dialog->result() == QDialog::Accepted, c.passes) << c.typed;
        EXPECT_EQ(dialog->isVisible(), !c.passes) << c.typed;
        EXPECT_EQ(script_.texts, c.passes ? QStringList() : QStringList{kWrongPassword}) << c.typed;
    }
    EXPECT_TRUE(agent_.requests().empty());
}

TEST_F(SealPasswordTest, WithoutAnAccountOrFaxUserNothingIsSentAndOneBoxSaysSo)
{
    WriteAccount("Name=\"b\" Default=\"yes\" FaxPassword=\"c2VjcmV0\"");
    for (const std::string account : {"", "Account[0]"}) {
        script_.texts.clear();
        auto dialog = Open(Context(account));
        Type(*dialog, CPasswordDlg1::kPasswordEditId, QStringLiteral("secret"));
        PressOk(*dialog);
        EXPECT_EQ(script_.texts, QStringList{kWrongPassword}) << account;
        EXPECT_TRUE(dialog->isVisible()) << account;
    }
    EXPECT_TRUE(agent_.requests().empty());
}

TEST_F(SealPasswordTest, OnlyItsOwnSuccessfulReplyEndsItAndSilenceIsAWrongPassword)
{
    auto dialog = Open(Context());
    QtTest::SaveScreenshot(*dialog, QStringLiteral("seal-password"));
    dialog->SetReplyTimeout(60);
    agent_.appendArg("loginid", "00210000012345");
    Type(*dialog, CPasswordDlg1::kPasswordEditId, QStringLiteral("typed"));
    PressOk(*dialog);
    const std::string id = std::to_string(dialog->InvokeId());
    ASSERT_EQ(agent_.requests().size(), 1u);
    EXPECT_EQ(agent_.requests()[0], (Pairs{{"loginid", "00210000012345"},
                                          {"command", "checkpassword-z"},
                                          {"faxuser", "00210000012345"},
                                          {"oldpassword", "secret"},
                                          {"password", "typed"},
                                          {"invokeid", id},
                                          {"devicename", "fax:///00210000012345"}}));

    Deliver(agent_, Reply("checkpassword-z", "success", dialog->InvokeId() + 1));
    Deliver(agent_, Reply("changepassword-z", "failed", dialog->InvokeId()));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kWrongPassword}) << "only the time-out speaks";
    EXPECT_TRUE(dialog->isVisible());

    Deliver(agent_, Reply("checkpassword-z", "failed", dialog->InvokeId()));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return script_.texts.size() == 2; }));
    EXPECT_TRUE(dialog->isVisible());

    Deliver(agent_, Reply("checkpassword-z", "Success", dialog->InvokeId()));
    ASSERT_TRUE(Closes(*dialog)) << "a success after the time-out still counts";
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(script_.texts.size(), 2);
}

TEST_F(SealPasswordTest, ALostConnectionIsAWrongPassword)
{
    auto dialog = Open(Context());
    std::thread worker([&] {
        for (ClientEventListener* listener : agent_.listeners())
            listener->onDisconnect();
    });
    worker.join();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kWrongPassword});
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SealPasswordTest, WithoutAnyAccountFileTheSealsAreUnavailable)
{
    std::remove(home_.file("account.xml").c_str());
    agent_.running = 0;
    auto dialog = Open(Context());
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("该版本不支持印章功能!")});
    Type(*dialog, CPasswordDlg1::kPasswordEditId, QStringLiteral("secret"));
    PressOk(*dialog);
    EXPECT_EQ(script_.texts.back(), kWrongPassword);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SealPasswordTest, TheListenerGoesWithTheDialog)
{
    {
        CPasswordDlg1 dialog(Context());
        CChangePasswordDlg change(nullptr, &agent_);
        change.SetCommand(QStringLiteral("changepassword"));
        EXPECT_EQ(agent_.listeners().size(), 2u);
        EXPECT_NE(dialog.InvokeId(), change.InvokeId());
    }
    EXPECT_TRUE(agent_.listeners().empty());
}

// ---- against the fake fax service ------------------------------------------

class LivePasswordTest : public PasswordDialogTest {
protected:
    LivePasswordTest()
    {
        WriteAccount("Name=\"a\" Default=\"yes\" FaxUser=\"00210000012345\" FaxPassword=\"c2VjcmV0\"");
        AgentHelp::getInstance()->clearArgs();
    }
    ~LivePasswordTest() override { AgentHelp::getInstance()->stop(); }

    sessiontest::FaxServiceSim& Serve(const std::string& service)
    {
        server_ = std::make_unique<sessiontest::FaxServiceSim>(service, home_.path());
        AgentHelp* help = AgentHelp::getInstance();
        EXPECT_EQ(help->connect("127.0.0.1", server_->port()), 1);
        help->run();
        return *server_;
    }
    SealContext LiveContext() { return SealContext{AgentHelp::getInstance(), home_.path(), "Account[0]"}; }

    std::unique_ptr<sessiontest::FaxServiceSim> server_;
};

TEST_F(LivePasswordTest, TheSealCheckAfterALoginCarriesTheLoginsPairs)
{
    auto& server = Serve(R"({"password": "secret"})");
    SessionRequests session(*AgentHelp::getInstance(), 5);
    ASSERT_EQ(session.Login({"00210000012345", "secret", "token", "login"}), 1);

    CPasswordDlg1 dialog(LiveContext());
    ShowAndWait(dialog);
    Type(dialog, CPasswordDlg1::kPasswordEditId, QStringLiteral("wrong"));
    PressOk(dialog);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kWrongPassword});
    EXPECT_TRUE(dialog.isVisible());

    Type(dialog, CPasswordDlg1::kPasswordEditId, QStringLiteral("secret"));
    PressOk(dialog);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const auto check = testfiles::run(testfiles::python3() + " " +
                                      testfiles::quote(std::string(ZUVO_TEST_DATA) + "/keep_previous.py") + " " +
                                      testfiles::quote(server.LogPath()) + " 00210000012345 secret wrong " +
                                      std::to_string(dialog.InvokeId()));
    EXPECT_EQ(check.output, "ok\n");
}

TEST_F(LivePasswordTest, ASilentServiceIsAWrongPasswordAndTheDialogStays)
{
    Serve(R"({"password": "secret", "password_replies": "silent"})");
    CPasswordDlg1 dialog(LiveContext());
    dialog.SetReplyTimeout(300);
    ShowAndWait(dialog);
    Type(dialog, CPasswordDlg1::kPasswordEditId, QStringLiteral("secret"));
    PressOk(dialog);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kWrongPassword});
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(LivePasswordTest, BothPasswordChangesSendFiveKeysAndEndOnSuccess)
{
    auto& server = Serve(R"({"password": "old1"})");
    for (const QString& command : {QStringLiteral("changepassword"), QStringLiteral("changepassword-z")}) {
        script_.texts.clear();
        CChangePasswordDlg dialog(nullptr, AgentHelp::getInstance());
        dialog.SetCommand(command);
        dialog.SetFaxUser(QStringLiteral("00210000012345"));
        dialog.SetOldPassword(QStringLiteral("wrong"));
        ShowAndWait(dialog);
        Type(dialog, CChangePasswordDlg::kNewPasswordEditId, QStringLiteral("new1"));
        Type(dialog, CChangePasswordDlg::kConfirmEditId, QStringLiteral("new1"));
        PressOk(dialog);
        ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); })) << command.toStdString();
        EXPECT_EQ(script_.texts, QStringList{kChangeFailed});
        EXPECT_TRUE(dialog.isVisible());

        Type(dialog, CChangePasswordDlg::kOldPasswordEditId, QStringLiteral("old1"));
        PressOk(dialog);
        ASSERT_TRUE(Closes(dialog)) << command.toStdString();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.NewPassword(), QStringLiteral("new1"));

        const auto sent = server.Requests(command.toStdString());
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1].pairs, (Pairs{{"command", command.toStdString()},
                                        {"faxuser", "00210000012345"},
                                        {"oldpassword", "old1"},
                                        {"newpassword", "new1"},
                                        {"invokeid", std::to_string(dialog.InvokeId())}}));
    }
}

} // namespace

#include <gtest/gtest.h>

#include <QThread>
#include <QWidget>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/CPelno1App.h"
#include "app/ProgramMainFrame.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/stores/AccountConfig.h"
#include "core/tests/AccountFixture.h"

namespace {

// A main window that records what reaches it and on which thread.
class FakeMainWindow : public QWidget, public MainWindowInterface {
public:
    FakeMainWindow() : registration_(this) {}
    QWidget& Widget() override { return *this; }
    WindowId Handle() const override { return registration_.Id(); }
    void SetStatusText(const QString& text) override
    {
        statusText = text;
        onGuiThread = QThread::currentThread() == thread();
    }
    void SetAutoReceiveMark(int mark) override
    {
        autoReceiveMark = mark;
        onGuiThread = QThread::currentThread() == thread();
    }
    void Quit() override {}
    bool event(QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::EventType()) {
            const auto& message = static_cast<const WindowMessageEvent&>(*event);
            messages.push_back({message.Message(), message.WParam(), message.LParam()});
            return true;
        }
        return QWidget::event(event);
    }

    struct Message {
        unsigned number;
        WPARAM wParam;
        LPARAM lParam;
        bool operator==(const Message&) const = default;
    };
    std::vector<Message> messages;
    QString statusText;
    int autoReceiveMark = -1;
    bool onGuiThread = false;

private:
    RegisteredWindow registration_;
};

class AppSlots : public ::testing::Test {
protected:
    void SetUp() override { QtTest::EnsureApplication(); }

    FakeMainWindow& InstallMainWindow()
    {
        auto window = std::make_unique<FakeMainWindow>();
        FakeMainWindow& ref = *window;
        app.SetMainWindow(std::move(window));
        return ref;
    }

    CPelno1App app;
};

TEST_F(AppSlots, CurrentAccountIsEmptyUntilSet)
{
    std::string account = "stale";
    EXPECT_EQ(app.GetCurrentAccount(account), 0);
    EXPECT_EQ(account, "");
    app.SetCurrentAccount("Account[1]");
    EXPECT_EQ(app.GetCurrentAccount(account), 1);
    EXPECT_EQ(account, "Account[1]");
    EXPECT_EQ(CPelno1App::Instance(), &app);
}

TEST_F(AppSlots, TextSlotsKeepAtMost255BytesWithoutSplittingACharacter)
{
    struct Case {
        std::string stored;
        std::string kept;
    };
    const std::string chinese = "传"; // three bytes
    const Case cases[] = {
        {std::string(300, '7'), std::string(255, '7')},
        {std::string(255, '7'), std::string(255, '7')},
        {std::string(254, '7') + chinese, std::string(254, '7')},
        {std::string(252, '7') + chinese + "x", std::string(252, '7') + chinese},
        {"", ""},
    };
    for (const Case& c : cases) {
        app.SetNetFaxNo(c.stored);
        app.SetPhone(c.stored);
        app.SetUserFlag(c.stored);
        app.SetCurrentAccount(c.stored);
        std::string account;
        app.GetCurrentAccount(account);
        for (const std::string& got : {app.GetNetFaxNo(), app.GetPhone(), app.GetUserFlag(), account}) {
            EXPECT_EQ(got, c.kept) << c.stored.size();
        }
    }
}

TEST_F(AppSlots, PostingHelpersReachTheMainWindowInOrder)
{
    FakeMainWindow& window = InstallMainWindow();
    std::thread worker([this] {
        app.NotifyMainFrame();
        app.PostMainFrameRefresh(1);
        app.PostMainFrameReload();
        app.PostMainFrameCommand();
    });
    worker.join();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return window.messages.size() == 4; }));
    const std::vector<FakeMainWindow::Message> expected = {
        {WM_FAX_REFRESH, 2, 0}, {WM_FAX_REFRESH, 1, 0}, {WM_FAX_RELOAD, 0, 0}, {WM_COMMAND, 32775, 0}};
    EXPECT_EQ(window.messages, expected);
}

TEST_F(AppSlots, StatusTextAndAutoReceiveMarkFromAWorkerRunOnTheGuiThread)
{
    FakeMainWindow& window = InstallMainWindow();
    std::atomic<int> markResult = -1;
    std::thread worker([&] {
        app.ShowStatusText(QStringLiteral("正在接收"));
        markResult = app.SetAutoReceiveMark(1);
    });
    worker.join();
    EXPECT_EQ(markResult, 1);
    // Queued, not called on the worker.
    EXPECT_TRUE(window.statusText.isEmpty());
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return window.autoReceiveMark == 1; }));
    EXPECT_EQ(window.statusText, QStringLiteral("正在接收"));
    EXPECT_TRUE(window.onGuiThread);
}

TEST_F(AppSlots, AnAccountSaveOnAWorkerRelabelsTheFoldersOnceOnTheGuiThread)
{
    testfiles::TempDir home;
    testfiles::ScopedEnv homeVariable("ZUVO_HOME", home.path());
    testfiles::writeFile(home.file("account.xml"), testfiles::accountFile("<Account Default=\"yes\"/>\n"));
    ASSERT_EQ(AccountConfig::Open(home.path()), 1);
    struct CloseStore {
        ~CloseStore()
        {
            AccountConfig::SetSaveListener(nullptr);
            AccountConfig::Close();
        }
    } closeStore;
    FakeMainWindow& window = InstallMainWindow();
    app.RelabelFoldersOnAccountSaves();

    std::thread worker([] { EXPECT_EQ(AccountConfig::Save(), 1); });
    worker.join();
    // Posted, not handled on the saving thread.
    EXPECT_TRUE(window.messages.empty());
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !window.messages.empty(); }));
    QtTest::ProcessEventsFor(50);
    const std::vector<FakeMainWindow::Message> expected = {{WM_FAX_REFRESH, FAX_REFRESH_FOLDER_COUNTS, 0}};
    EXPECT_EQ(window.messages, expected);
}

TEST_F(AppSlots, WithoutAMainWindowNothingIsPosted)
{
    EXPECT_EQ(app.SetAutoReceiveMark(1), 0);
    app.ShowStatusText(QStringLiteral("nobody"));
    app.NotifyMainFrame();
    QtTest::ProcessEventsFor(20);
    EXPECT_EQ(app.MainWindow(), nullptr);
}

TEST_F(AppSlots, SplitPathCutsAtTheLastSlash)
{
    struct Case {
        const char* path;
        const char* dir;
        const char* name;
    };
    const Case cases[] = {
        {"/opt/zuvo/zuvo", "/opt/zuvo", "zuvo"},
        {"zuvo", "", "zuvo"},
        {"/zuvo", "", "zuvo"},
        {"dir/", "dir", ""},
    };
    for (const Case& c : cases) {
        QString dir = QStringLiteral("x");
        QString name = QStringLiteral("x");
        EXPECT_EQ(CPelno1App::SplitPath(QString::fromUtf8(c.path), dir, name), 1);
        EXPECT_EQ(dir, QString::fromUtf8(c.dir)) << c.path;
        EXPECT_EQ(name, QString::fromUtf8(c.name)) << c.path;
    }
}

// The main window's slots as the program fills them: what the window
// reports lands in the application object, where the windows that send
// requests of their own read it.
TEST_F(AppSlots, TheMainWindowsSlotsWriteTheApplicationObject)
{
    const ApplicationSlots application = ProgramApplicationSlots();
    application.setLoggedIn(true);
    EXPECT_EQ(app.IsLoggedIn(), 1);
    application.setLogin("01088886666", "tok+/=");
    EXPECT_EQ(app.GetNetFaxNo(), "01088886666");
    EXPECT_EQ(app.GetUserFlag(), "tok+/=");
    EXPECT_EQ(application.netFaxNo(), "01088886666");
    EXPECT_EQ(application.programDirectory(), app.GetAppDirectory());
    application.setLoggedIn(false);
    EXPECT_EQ(app.IsLoggedIn(), 0);
}

} // namespace

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <memory>
#include <thread>
#include <vector>

#include "app/ProgramMainFrame.h"
#include "core/qt/MainFrame.h"
#include "core/qt/PopupNotice.h"
#include "core/qt/WindowMessage.h"
#include "core/qt/tests/ShellTestApp.h"

namespace {

class WindowMessages : public ShellTest {
protected:
    // The program's main window; closed at the end of the test.
    CMainFrame& MainFrame()
    {
        mainWindow_ = CreateProgramMainFrame();
        return *qobject_cast<CMainFrame*>(&mainWindow_->Widget());
    }
    void TearDown() override
    {
        if (mainWindow_) {
            mainWindow_->Widget().close();
            mainWindow_.reset();
        }
    }

private:
    std::unique_ptr<MainWindowInterface> mainWindow_;
};

std::vector<PopupNotice*> visiblePopups()
{
    std::vector<PopupNotice*> popups;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* popup = qobject_cast<PopupNotice*>(widget); popup != nullptr && popup->isVisible()) {
            popups.push_back(popup);
        }
    }
    return popups;
}

TEST_F(WindowMessages, ThreeNoticesFromAWorkerGiveOnePopupWithTheLastText)
{
    CMainFrame& window = MainFrame();
    const WindowId handle = window.Handle();
    std::thread worker([handle] {
        for (const char* text : {"第一条", "第二条", "第三条"}) {
            EXPECT_TRUE(WindowRegistry::Post(handle, WM_FAX_POPUP, 0, 0, QString::fromUtf8(text)));
        }
    });
    worker.join();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return window.Popup().Text() == QStringLiteral("第三条"); }));

    const std::vector<PopupNotice*> popups = visiblePopups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups.front(), &window.Popup());
    EXPECT_EQ(popups.front()->Caption(), QStringLiteral("Zuvo网络传真"));
    EXPECT_GT(popups.front()->RemainingTime(), 0);
    EXPECT_LE(popups.front()->RemainingTime(), PopupNotice::kVisibleMs);
}

TEST_F(WindowMessages, ALaterNoticeKeepsTheRemainingTimeOfTheOpenPopup)
{
    PopupNotice popup;
    popup.ShowNotice(QStringLiteral("Zuvo"), QStringLiteral("one"));
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    const int remainingAtFirst = popup.RemainingTime();
    QtTest::ProcessEventsFor(300);
    popup.ShowNotice(QStringLiteral("Zuvo"), QStringLiteral("two"));
    EXPECT_EQ(popup.Text(), QStringLiteral("two"));
    // Not restarted: the time left went down by the time that passed.
    EXPECT_LE(popup.RemainingTime(), remainingAtFirst - sinceFirst.elapsed() + 20);
    EXPECT_GT(popup.RemainingTime(), 0);
}

TEST_F(WindowMessages, AClickOnAnItemClosesThePopup)
{
    PopupNotice popup;
    popup.ShowNotice(QStringLiteral("Zuvo"), QStringLiteral("text"));
    QWidget* textItem = popup.findChild<QWidget*>(QStringLiteral("item131"));
    ASSERT_NE(textItem, nullptr);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), textItem->mapToGlobal(QPointF(10, 10)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 10), textItem->mapToGlobal(QPointF(10, 10)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(textItem, &press);
    QApplication::sendEvent(textItem, &release);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(popup.RemainingTime(), -1);
}

// A window that records the window messages it receives.
class RecordingWindow : public QWidget {
public:
    RecordingWindow() : registration(this) {}
    bool event(QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::EventType()) {
            const auto& message = static_cast<const WindowMessageEvent&>(*event);
            received.push_back(message.Message());
            files = message.Files();
            return true;
        }
        return QWidget::event(event);
    }
    RegisteredWindow registration;
    std::vector<unsigned> received;
    QStringList files;
};

TEST_F(WindowMessages, MessagesToAWindowThatIsGoneAreDropped)
{
    WindowId gone = 0;
    {
        auto window = std::make_unique<RecordingWindow>();
        gone = window->registration.Id();
        // Queued while the window lives, delivered never: the window goes first.
        EXPECT_TRUE(WindowRegistry::Post(gone, WM_FAX_POPUP, 0, 0, QStringLiteral("lost")));
        EXPECT_TRUE(WindowRegistry::Invoke(gone, [](QObject&) { ADD_FAILURE() << "ran on a destroyed window"; }));
    }
    QtTest::ProcessEventsFor(50);
    EXPECT_FALSE(WindowRegistry::Post(gone, WM_FAX_POPUP, 0, 0, QStringLiteral("late")));
    EXPECT_FALSE(WindowRegistry::Invoke(gone, [](QObject&) {}));
    EXPECT_EQ(WindowRegistry::Find(gone), nullptr);
    EXPECT_TRUE(visiblePopups().empty());
}

TEST_F(WindowMessages, HandOverToAComposeWindowClosedInBetweenReachesNoOtherWindow)
{
    const unsigned interInstance = RegisterWindowMessage(QStringLiteral("ZUVO"));
    CMainFrame& window = MainFrame();
    WindowId closedCompose = 0;
    {
        RecordingWindow compose;
        closedCompose = compose.registration.Id();
    }
    RecordingWindow laterCompose;
    EXPECT_NE(laterCompose.registration.Id(), closedCompose);

    EXPECT_TRUE(WindowRegistry::Post(window.Handle(), interInstance, HANDOVER_TO_COMPOSE, closedCompose, {},
                                     {QStringLiteral("a.tif")}));
    QtTest::ProcessEventsFor(50);
    EXPECT_TRUE(laterCompose.received.empty());

    // The same hand-over to the open window gives it the files.
    EXPECT_TRUE(WindowRegistry::Post(window.Handle(), interInstance, HANDOVER_TO_COMPOSE,
                                     laterCompose.registration.Id(), {}, {QStringLiteral("b c.tif")}));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !laterCompose.received.empty(); }));
    EXPECT_EQ(laterCompose.received, std::vector<unsigned>{WM_FAX_ADD_FILE});
    EXPECT_EQ(laterCompose.files, QStringList{QStringLiteral("b c.tif")});
}

TEST_F(WindowMessages, RegisteredMessagesKeepOneNumberPerName)
{
    const unsigned zuvo = RegisterWindowMessage(QStringLiteral("ZUVO"));
    EXPECT_GE(zuvo, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage(QStringLiteral("ZUVO")), zuvo);
    EXPECT_NE(RegisterWindowMessage(QStringLiteral("OTHER")), zuvo);
}

TEST_F(WindowMessages, FindByTitleFindsOnlyRegisteredWidgets)
{
    QWidget compose;
    compose.setWindowTitle(QStringLiteral("编辑传真"));
    QWidget unregistered;
    unregistered.setWindowTitle(QStringLiteral("撰写传真"));
    EXPECT_EQ(WindowRegistry::FindByTitle(QStringLiteral("编辑传真")), 0);
    RegisteredWindow registration(&compose);
    EXPECT_EQ(WindowRegistry::FindByTitle(QStringLiteral("编辑传真")), registration.Id());
    EXPECT_EQ(WindowRegistry::FindByTitle(QStringLiteral("撰写传真")), 0);
}

} // namespace

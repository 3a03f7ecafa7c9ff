#include "core/qt/tests/ShellTestApp.h"

#include "app/ProgramMainFrame.h"
#include "core/qt/MainFrame.h"
#include "core/qt/XStatusBar.h"
#include "faxbox/qt/LeftView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "core/frame/FrameCommands.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ProgramMainFrameTest : public ShellTest {};

TEST_F(ProgramMainFrameTest, BuildsTheWindowWithTheProgramsSessionAndClosesAtOnce)
{
    auto window = CreateProgramMainFrame();
    auto* frame = qobject_cast<CMainFrame*>(&window->Widget());
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(frame->Session(), nullptr);
    EXPECT_EQ(frame->StatusBar()->PaneText(1), QStringLiteral("状态:脱机"));
    EXPECT_TRUE(frame->IsTimerActive(CMainFrame::kStartTimer));
    // The folder tree stands in the left pane.
    EXPECT_NE(qobject_cast<CLeftView*>(frame->GetLeftView()), nullptr);
    // Closed before its session started, the window does not wait for it.
    QElapsedTimer clock;
    clock.start();
    frame->close();
    window.reset();
    EXPECT_LT(clock.elapsed(), 1000);
}

// The address-book command opens a window of its own each time, registered
// with the main window; the SMS command has its window but stays disabled.
TEST_F(ProgramMainFrameTest, TheAddressBookCommandOpensRegisteredWindows)
{
    QTemporaryDir home;
    testsupport::ScopedEnv zuvoHome("ZUVO_HOME", home.path().toStdString());
    auto window = CreateProgramMainFrame();
    auto* frame = qobject_cast<CMainFrame*>(&window->Widget());
    ASSERT_NE(frame, nullptr);
    frame->UpdateCommands();
    ASSERT_TRUE(frame->CommandAction(FrameCommandId::AddressBook)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(FrameCommandId::SmsNotice)->isEnabled());
    frame->OnCommand(FrameCommandId::AddressBook);
    frame->OnCommand(FrameCommandId::AddressBook);
    EXPECT_EQ(frame->RegisteredWindowCount(), 2);
    int titled = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        titled += top->windowTitle() == QStringLiteral("地址薄") && top->isVisible() ? 1 : 0;
    EXPECT_EQ(titled, 2);
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("address.xml"))));
    frame->close();
    window.reset();
}

} // namespace

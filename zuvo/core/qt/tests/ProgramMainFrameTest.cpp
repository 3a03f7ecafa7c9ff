#include "ShellTestApp.h"

#include "core/qt/MainFrame.h"
#include "core/qt/ProgramMainFrame.h"
#include "core/qt/XStatusBar.h"
#include "faxbox/qt/LeftView.h"

#include <QElapsedTimer>

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

} // namespace

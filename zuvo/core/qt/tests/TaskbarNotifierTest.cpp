#include "ShellTestApp.h"

#include "core/qt/TaskbarNotifier.h"


#include <gtest/gtest.h>

namespace {

class TaskbarNotifierTest : public ShellTest {
protected:
    TaskbarNotifierTest()
    {
        notifier.Create(&parent);
        notifier.SetSkin(CTaskbarNotifier::DefaultSkin());
        notifier.SetTextRect(QRect(10, 40, 170, 55));
    }

    QPoint position() const { return notifier.pos(); }
    QPoint shown() const { return {notifier.ShownPosition().x, notifier.ShownPosition().y}; }

    QWidget parent;
    CTaskbarNotifier notifier;
};

TEST_F(TaskbarNotifierTest, SlidesOutStaysAndSlidesBack)
{
    std::vector<int> states;
    notifier.Show(QStringLiteral("发件箱里没有传真件"), 60, 80, 60, 10);
    EXPECT_EQ(notifier.AnimationState(), CTaskbarNotifier::Appearing);
    EXPECT_TRUE(notifier.isVisible());
    // 120 pixels high, 10 per step: 12 steps of 60 / 12 ms.
    EXPECT_EQ(notifier.AppearDelay(), 5);
    EXPECT_EQ(notifier.DisappearDelay(), 5);
    ASSERT_TRUE(WaitUntil([&] { return notifier.AnimationState() == CTaskbarNotifier::Waiting; }));
    EXPECT_EQ(position(), shown());
    ASSERT_TRUE(WaitUntil([&] { return notifier.AnimationState() == CTaskbarNotifier::Disappearing; }));
    ASSERT_TRUE(WaitUntil([&] { return notifier.AnimationState() == CTaskbarNotifier::Idle; }));
    EXPECT_FALSE(notifier.isVisible());
}

TEST_F(TaskbarNotifierTest, ShowWhileWaitingRestartsTheStay)
{
    notifier.Show(QStringLiteral("first"), 20, 300, 20, 20);
    ASSERT_TRUE(WaitUntil([&] { return notifier.AnimationState() == CTaskbarNotifier::Waiting; }));
    WaitMs(200);
    notifier.Show(QStringLiteral("second"), 20, 300, 20, 20);
    EXPECT_EQ(notifier.Text(), QStringLiteral("second"));
    // The first stay would have ended 100 ms from now; the new one holds on.
    WaitMs(200);
    EXPECT_EQ(notifier.AnimationState(), CTaskbarNotifier::Waiting);
    EXPECT_EQ(position(), shown());
    ASSERT_TRUE(WaitUntil([&] { return notifier.AnimationState() == CTaskbarNotifier::Idle; }));
}

TEST_F(TaskbarNotifierTest, ShowWhileSlidingBackReturnsToTheFullPosition)
{
    notifier.Show(QStringLiteral("first"), 12, 10, 1200, 1);
    ASSERT_TRUE(WaitUntil([&] { return notifier.AnimationState() == CTaskbarNotifier::Disappearing; }));
    WaitMs(100);
    ASSERT_NE(position(), shown());
    notifier.Show(QStringLiteral("again"), 12, 200, 1200, 1);
    EXPECT_EQ(position(), shown());
    EXPECT_EQ(notifier.AnimationState(), CTaskbarNotifier::Waiting);
    EXPECT_EQ(notifier.Text(), QStringLiteral("again"));
    WaitMs(100);
    EXPECT_EQ(position(), shown());  // a new stay time runs
}

TEST_F(TaskbarNotifierTest, ClickReachesTheParent)
{
    int clicks = 0;
    QObject::connect(&notifier, &CTaskbarNotifier::clicked, [&] { ++clicks; });
    notifier.Show(QStringLiteral("x"), 10, 1000, 10, 40);
    ClickAt(&notifier, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

} // namespace

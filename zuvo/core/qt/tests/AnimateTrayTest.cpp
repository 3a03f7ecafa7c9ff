#include "ShellTestApp.h"

#include "core/qt/AnimateTray.h"
#include "core/qt/TrayIcons.h"
#include "core/qt/WindowMessage.h"

#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// An owner window that records the window messages sent to it.
class RecordingOwner : public QWidget {
public:
    std::vector<unsigned> messages;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::EventType()) {
            messages.push_back(static_cast<WindowMessageEvent*>(event)->Message());
            return true;
        }
        return QWidget::event(event);
    }
};

class AnimateTrayTest : public ShellTest {
protected:
    AnimateTrayTest()
    {
        menu.addAction(QStringLiteral("联机"));
        menu.addAction(QStringLiteral("退出"));
        tray.SetIconList(&owner, 152, QStringLiteral("Zuvo"), DrawStateIcons(), 30000);
        tray.SetMenu(&menu);
    }

    RecordingOwner owner;
    QMenu menu;
    CAnimateTray tray;
};

TEST_F(AnimateTrayTest, EightDistinctStateIcons)
{
    QList<QIcon> icons = DrawStateIcons();
    ASSERT_EQ(icons.size(), 8);
    for (int i = 0; i < icons.size(); ++i)
        for (int j = i + 1; j < icons.size(); ++j)
            EXPECT_NE(icons[i].pixmap(32).toImage(), icons[j].pixmap(32).toImage()) << i << " " << j;
}

TEST_F(AnimateTrayTest, WithoutANotificationAreaTheIconIsNotAdded)
{
    // The offscreen platform has no tray: nothing is added, nothing fails.
    EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_FALSE(tray.IsAdded());
    EXPECT_EQ(tray.CurrentIndex(), 0);
    EXPECT_FALSE(owner.windowIcon().isNull());
}

TEST_F(AnimateTrayTest, ModifyIconIgnoresIndexesOutsideTheTable)
{
    tray.ModifyIcon(5);
    EXPECT_EQ(tray.CurrentIndex(), 5);
    EXPECT_EQ(owner.windowIcon().cacheKey(), tray.CurrentIcon().cacheKey());
    for (int bad : {-1, 8, 9, 100}) {
        tray.ModifyIcon(bad);
        EXPECT_EQ(tray.CurrentIndex(), 5) << bad;
    }
}

TEST_F(AnimateTrayTest, CallbackOfAnotherIconDoesNothing)
{
    EXPECT_EQ(tray.OnTrayNotify(151, QSystemTrayIcon::Context), 0);
    EXPECT_FALSE(tray.IsMenuOpen());
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(tray.OnTrayNotify(151, QSystemTrayIcon::DoubleClick), 0);
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(AnimateTrayTest, NoMenuGivesZero)
{
    CAnimateTray bare;
    bare.SetIconList(&owner, 152, QStringLiteral("Zuvo"), DrawStateIcons(), 30000);
    EXPECT_EQ(bare.OnTrayNotify(152, QSystemTrayIcon::DoubleClick), 0);
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(AnimateTrayTest, RightClickTogglesTheMenuWithItsFirstItemAsDefault)
{
    EXPECT_EQ(tray.OnTrayNotify(152, QSystemTrayIcon::Context), 1);
    EXPECT_TRUE(tray.IsMenuOpen());
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.defaultAction(), menu.actions().first());
    EXPECT_EQ(tray.OnTrayNotify(152, QSystemTrayIcon::Context), 1);
    EXPECT_FALSE(tray.IsMenuOpen());
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(AnimateTrayTest, DoubleClickShowsOrHidesByTheShownFlag)
{
    EXPECT_EQ(tray.OnTrayNotify(152, QSystemTrayIcon::DoubleClick), 1);
    tray.SetMainWindowShown(true);
    EXPECT_EQ(tray.OnTrayNotify(152, QSystemTrayIcon::DoubleClick), 1);
    EXPECT_EQ(owner.messages, (std::vector<unsigned>{WM_FAX_SHOW_MAIN, WM_FAX_HIDE_MAIN}));
}

TEST_F(AnimateTrayTest, StopAnimationOnlyOnce)
{
    tray.StopAnimation();
    EXPECT_TRUE(tray.IsStopped());
    EXPECT_FALSE(tray.IsAdded());
    tray.StopAnimation();
    EXPECT_TRUE(tray.IsStopped());
    // A new icon list starts over.
    tray.SetIconList(&owner, 152, QStringLiteral("Zuvo"), DrawStateIcons(), 30000);
    EXPECT_FALSE(tray.IsStopped());
}

} // namespace

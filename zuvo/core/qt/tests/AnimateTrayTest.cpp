#include "ShellTestApp.h"

#include "core/qt/AnimateTray.h"
#include "core/qt/TrayIcons.h"
#include "core/qt/WindowMessage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
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

// The icon theme of the test: a scratch folder that holds the hicolor theme
// with nothing or with the program's icon as installed (the build tree's
// 32-pixel rendering), searched alone while the object lives.
class ScratchIconTheme {
public:
    static constexpr char kBuiltIcon[] = ZUVO_BINARY_DIR "/share/icons/hicolor/32x32/apps/zuvo.png";

    explicit ScratchIconTheme(bool withProgramIcon)
        : searchPaths_(QIcon::themeSearchPaths()), themeName_(QIcon::themeName())
    {
        const QDir theme(dir_.filePath(QStringLiteral("hicolor")));
        theme.mkpath(QStringLiteral("32x32/apps"));
        QFile index(theme.filePath(QStringLiteral("index.theme")));
        if (index.open(QIODevice::WriteOnly))
            index.write("[Icon Theme]\nName=Hicolor\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\nType=Fixed\n");
        if (withProgramIcon)
            QFile::copy(QLatin1String(kBuiltIcon), theme.filePath(QStringLiteral("32x32/apps/zuvo.png")));
        QIcon::setThemeSearchPaths({dir_.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
    ~ScratchIconTheme()
    {
        QIcon::setThemeSearchPaths(searchPaths_);
        QIcon::setThemeName(themeName_);
    }

private:
    QTemporaryDir dir_;
    QStringList searchPaths_;
    QString themeName_;
};

// How many pixels of `image` within `area` lie near `colour`.
int PixelsNear(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > 200 && std::abs(pixel.red() - colour.red()) < 30 &&
                std::abs(pixel.green() - colour.green()) < 30 && std::abs(pixel.blue() - colour.blue()) < 30)
                ++count;
        }
    return count;
}

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

TEST_F(AnimateTrayTest, TheThemeIconCarriesTheStateInItsCorner)
{
    ScratchIconTheme theme(true);
    ASSERT_TRUE(QIcon::hasThemeIcon(QStringLiteral("zuvo")));
    EXPECT_EQ(ApplicationIcon().name(), QStringLiteral("zuvo"));
    const QImage program =
        QImage(QLatin1String(ScratchIconTheme::kBuiltIcon)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(program.size(), QSize(32, 32));

    const QList<QIcon> icons = DrawStateIcons();
    ASSERT_EQ(icons.size(), 8);
    // The state's badge covers the lower right corner, a little more than
    // half the icon; the rest is the program's icon, untouched.
    const QRect untouched(0, 0, 32, 13);
    const QRect corner(16, 16, 16, 16);
    // Each state shows in its own colour: the badge's, or for a frame of
    // the connecting animation (a blue badge, like the icon) its yellow dot.
    const struct {
        int index;
        QColor colour;
        int pixels;
    } states[] = {{0, QColor(128, 128, 128), 40}, {1, QColor(40, 160, 60), 40}, {2, QColor(200, 40, 40), 40},
                  {3, QColor(255, 210, 0), 4}};
    for (const auto& state : states) {
        SCOPED_TRACE(state.index);
        const QImage image = icons[state.index].pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(image.size(), QSize(32, 32));
        EXPECT_EQ(image.copy(untouched), program.copy(untouched));
        EXPECT_GT(PixelsNear(image, corner, state.colour), state.pixels);
        EXPECT_EQ(PixelsNear(program, corner, state.colour), 0);
    }
    for (int i = 0; i < icons.size(); ++i)
        for (int j = i + 1; j < icons.size(); ++j)
            EXPECT_NE(icons[i].pixmap(32).toImage(), icons[j].pixmap(32).toImage()) << i << " " << j;
    // A panel of 16 pixels gets the icon at its size.
    EXPECT_EQ(icons[1].pixmap(16).size(), QSize(16, 16));
}

TEST_F(AnimateTrayTest, WithoutTheThemeIconThePaintedBadgesStandAlone)
{
    ScratchIconTheme theme(false);
    ASSERT_FALSE(QIcon::hasThemeIcon(QStringLiteral("zuvo")));
    EXPECT_TRUE(ApplicationIcon().name().isEmpty());
    EXPECT_FALSE(ApplicationIcon().pixmap(32).isNull());
    const QList<QIcon> icons = DrawStateIcons();
    ASSERT_EQ(icons.size(), 8);
    // The online badge fills the icon: green all round its middle.
    const QImage online = icons[1].pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(PixelsNear(online, QRect(0, 0, 32, 32), QColor(40, 160, 60)), 300);
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

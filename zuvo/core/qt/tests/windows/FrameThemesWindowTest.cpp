// The five looks in a real window: a disabled menu or tool-bar entry is
// drawn greyed, a disabled empty field is not white, the status-bar panes
// take the new look's colours, and the caption bar's text stands out from
// its background.

#include "ShellTestApp.h"

#include "core/qt/FrameThemes.h"
#include "core/qt/XStatusBar.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

constexpr int kThemes = 5;

// The darkest pixel of a rectangle of the picture: the text's ink.
QColor Ink(const QImage& image, const QRect& rect)
{
    QColor darkest = Qt::white;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() < darkest.lightness())
                darkest = c;
        }
    return darkest;
}

class FrameThemesWindowTest : public ShellTest {
protected:
    ~FrameThemesWindowTest() override { ApplyFrameTheme(0); }
};

} // namespace

TEST_F(FrameThemesWindowTest, DisabledMenuAndToolBarEntriesAreGreyedInEveryTheme)
{
    for (int theme = 0; theme < kThemes; ++theme) {
        ApplyFrameTheme(theme);
        QMenu menu;
        QAction* enabled = menu.addAction(QStringLiteral("联机 MMMM"));
        QAction* disabled = menu.addAction(QStringLiteral("撰写传真 MMMM"));
        disabled->setEnabled(false);
        menu.popup(QPoint(100, 100));
        ASSERT_TRUE(WaitUntil([&] { return menu.isVisible(); }, 10000)) << theme;
        WaitMs(50);
        const QImage picture = menu.grab().toImage();
        const QColor on = Ink(picture, menu.actionGeometry(enabled));
        const QColor off = Ink(picture, menu.actionGeometry(disabled));
        EXPECT_LT(on.lightness(), 60) << "theme " << theme;
        EXPECT_GT(off.lightness(), on.lightness() + 60) << "theme " << theme << ": disabled ink "
                                                          << off.name().toStdString();
        QtTest::SaveScreenshot(menu, QStringLiteral("menu-theme%1").arg(theme));
        menu.close();

        QMainWindow window;
        QToolBar* bar = window.addToolBar(QStringLiteral("bar"));
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        QAction* on2 = bar->addAction(QStringLiteral("联机"));
        QAction* off2 = bar->addAction(QStringLiteral("发送"));
        off2->setEnabled(false);
        window.resize(300, 80);
        window.show();
        ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }, 10000));
        WaitMs(50);
        auto buttonInk = [&](QAction* action) {
            QWidget* button = bar->widgetForAction(action);
            return Ink(button->grab().toImage(), button->rect().adjusted(2, 2, -2, -2));
        };
        EXPECT_GT(buttonInk(off2).lightness(), buttonInk(on2).lightness() + 60) << "theme " << theme;
        QtTest::SaveScreenshot(window, QStringLiteral("toolbar-theme%1").arg(theme));
    }
}

// An empty field that cannot be used (a contact's birthday without a date,
// a setting that does not apply) has only its background to say so: it is
// the look's window colour, not the white of a field that takes text.
TEST_F(FrameThemesWindowTest, DisabledEmptyFieldsLookDisabledInEveryTheme)
{
    for (int theme = 0; theme < kThemes; ++theme) {
        ApplyFrameTheme(theme);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* on = new QLineEdit(&window);
        auto* off = new QLineEdit(&window);
        off->setEnabled(false);
        layout->addWidget(on);
        layout->addWidget(off);
        window.resize(240, 90);
        window.show();
        ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }, 10000)) << theme;
        WaitMs(50);
        const auto fill = [](QLineEdit* field) { return field->grab().toImage().pixelColor(field->rect().center()); };
        const QPalette palette = FrameLookOf(theme).palette;
        EXPECT_EQ(fill(on), QColor(Qt::white)) << "theme " << theme;
        EXPECT_EQ(fill(off), palette.color(QPalette::Disabled, QPalette::Base)) << "theme " << theme;
        EXPECT_GE(ContrastRatio(fill(on), fill(off)), 1.15) << "theme " << theme << ": disabled fill "
                                                            << fill(off).name().toStdString();
        QtTest::SaveScreenshot(window, QStringLiteral("fields-theme%1").arg(theme));
    }
}

TEST_F(FrameThemesWindowTest, TheCaptionTextKeepsItsContrastInEveryTheme)
{
    for (int theme = 0; theme < kThemes; ++theme) {
        const QPalette palette = FrameLookOf(theme).palette;
        EXPECT_GE(ContrastRatio(palette.color(QPalette::Highlight), palette.color(QPalette::HighlightedText)), 4.5)
            << "theme " << theme;
    }
    // The formula's fixed points: black on white is 21:1, a colour on itself 1:1.
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(182, 189, 210), QColor(182, 189, 210)), 1.0, 1e-9);
}

TEST_F(FrameThemesWindowTest, StatusPanesTakeTheColoursOfANewTheme)
{
    ApplyFrameTheme(0);
    QMainWindow owner;
    auto* bar = new XStatusBar;  // the owner window takes it
    bar->Create(&owner, {QStringLiteral("状态:脱机"), QStringLiteral("tail")}, PaneMode::StyleStretch);
    bar->SetPaneWidth(1, 30);
    owner.resize(400, 120);
    owner.show();
    ASSERT_TRUE(WaitUntil([&] { return owner.isVisible(); }, 10000));
    for (int theme : {2, 4, 0}) {
        ApplyFrameTheme(theme);
        WaitMs(50);
        const QImage picture = bar->grab().toImage();
        const QRect pane = bar->PaneRect(0);
        EXPECT_EQ(picture.pixelColor(pane.right() - 3, pane.center().y()),
                  FrameLookOf(theme).palette.color(QPalette::Window))
            << "theme " << theme;
        QtTest::SaveScreenshot(owner, QStringLiteral("status-theme%1").arg(theme));
    }
}

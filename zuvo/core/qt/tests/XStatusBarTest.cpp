#include "ShellTestApp.h"

#include "core/qt/XStatusBar.h"

#include <QMainWindow>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace PaneMode;

// A main window that records the mouse events it receives.
class Owner : public QMainWindow {
public:
    std::vector<std::pair<QEvent::Type, QPoint>> mouse;

protected:
    void mousePressEvent(QMouseEvent* e) override { mouse.push_back({e->type(), e->position().toPoint()}); }
    void mouseReleaseEvent(QMouseEvent* e) override { mouse.push_back({e->type(), e->position().toPoint()}); }
};

class XStatusBarTest : public ShellTest {
protected:
    XStatusBarTest()
    {
        bar = new XStatusBar;  // the owner window takes it
        // The last pane keeps pane 1 clear of the size grip.
        bar->Create(&owner, {QString(), QStringLiteral("pane one"), QStringLiteral("tail")}, StyleStretch);
        owner.resize(400, 200);
        bar->SetPaneWidth(1, 120);
        bar->SetPaneWidth(2, 30);
        for (int i = 0; i < 2; ++i) {
            bar->GetPaneInfo(i)->SetColors(Qt::black, QColor(255, 255, 255));
            bar->GetPaneInfo(i)->SetFont(QStringLiteral("DejaVu Sans"), 90);
        }
        owner.show();
    }

    QImage paneImage(int index)
    {
        QImage image = bar->grab().toImage();
        return image.copy(bar->PaneRect(index).adjusted(1, 1, -1, -1));
    }

    static bool onlyColour(const QImage& image, QColor colour)
    {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != colour) return false;
        return true;
    }

    Owner owner;
    XStatusBar* bar = nullptr;
};

TEST_F(XStatusBarTest, PanesAndWidths)
{
    EXPECT_EQ(bar->PaneCount(), 3);
    EXPECT_EQ(bar->SetPaneWidth(1, 150), 120);
    EXPECT_EQ(bar->SetPaneWidth(7, 10), -1);
    EXPECT_EQ(bar->GetPaneInfo(3), nullptr);
    EXPECT_EQ(bar->GetPaneInfo(0)->Mode(), Default);
    // The stretching pane takes what the others leave.
    EXPECT_GT(bar->PaneRect(0).width(), 150);
    EXPECT_EQ(bar->PaneRect(1).width(), 150);
    EXPECT_EQ(bar->PaneRect(2).right() + 1 + 2, bar->width());
    EXPECT_EQ(bar->PaneRect(2).left(), bar->PaneRect(1).right() + 1 + 2);
    EXPECT_FALSE(XStatusBar().SetIndicators({}));
}

TEST_F(XStatusBarTest, UnknownDrawingModesShowOnlyTheBackground)
{
    bar->SetPaneText(1, QStringLiteral("visible text"));
    EXPECT_FALSE(onlyColour(paneImage(1), Qt::white));  // text mode draws the text
    for (std::uint32_t mode : {0u, 0x300000u, 0xC00000u, 0xF00000u}) {
        bar->GetPaneInfo(1)->SetMode(mode);
        EXPECT_TRUE(onlyColour(paneImage(1), Qt::white)) << std::hex << mode;
    }
}

TEST_F(XStatusBarTest, EmptyTextFallsBackToTheBarTextInTextModeOnly)
{
    bar->SetPaneText(1, QString());
    EXPECT_TRUE(onlyColour(paneImage(1), Qt::white));
    bar->SetPaneText(1, QStringLiteral("bar text"));
    QImage fallback = paneImage(1);
    EXPECT_FALSE(onlyColour(fallback, Qt::white));
    bar->GetPaneInfo(1)->SetText(QStringLiteral("bar text"));
    EXPECT_EQ(paneImage(1), fallback);  // same text drawn from the pane's own text
    bar->GetPaneInfo(1)->SetText(QString());
    bar->GetPaneInfo(1)->SetMode(Bitmap);
    EXPECT_TRUE(onlyColour(paneImage(1), Qt::white));
}

TEST_F(XStatusBarTest, DisabledStyleUsesTheDisabledTextsAndColours)
{
    XPaneInfo* info = bar->GetPaneInfo(1);
    info->SetText(QStringLiteral("on"), QString());
    info->SetDisabledColors(Qt::black, QColor(200, 0, 0));
    bar->SetPaneText(1, QString());
    bar->SetPaneStyle(1, StyleDisabled);
    EXPECT_TRUE(onlyColour(paneImage(1), QColor(200, 0, 0)));
}

TEST_F(XStatusBarTest, HorizontalMovingTextReentersFromTheRight)
{
    XPaneInfo* info = bar->GetPaneInfo(1);
    info->SetText(QStringLiteral("ab"));
    info->SetMode(Text | MoveHorizontal | FormatCenter);
    int textWidth = QFontMetrics(info->Font()).horizontalAdvance(QStringLiteral("ab"));
    int innerWidth = bar->PaneRect(1).width() - 2;
    for (int paint = 1; paint <= textWidth; ++paint) {
        paneImage(1);
        ASSERT_EQ(info->HorizontalOffset(), paint);
    }
    QImage image = paneImage(1);  // the step past the width
    EXPECT_EQ(info->HorizontalOffset(), -innerWidth);
    EXPECT_TRUE(onlyColour(image, Qt::white));  // drawn from the right edge: nothing inside
    paneImage(1);
    EXPECT_EQ(info->HorizontalOffset(), -innerWidth + 1);
    // Centring has no effect while moving: with the offset back at 0 the text
    // sits at the left edge.
    info->HorizontalOffset() = -1;
    image = paneImage(1);
    int firstInk = image.width();
    for (int x = 0; x < image.width() && firstInk == image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) != Qt::white) { firstInk = x; break; }
    EXPECT_LT(firstInk, 4);
}

TEST_F(XStatusBarTest, RepeatedTextWithoutMovingIsDrawnOnceWithTwoSpaces)
{
    XPaneInfo* info = bar->GetPaneInfo(1);
    info->SetText(QStringLiteral("ab"));
    info->SetMode(Text | Repeat);
    QImage repeated = paneImage(1);
    info->SetText(QStringLiteral("ab  "));
    info->SetMode(Text);
    EXPECT_EQ(paneImage(1), repeated);
    EXPECT_EQ(info->HorizontalOffset(), 0);
    // Repeating horizontally fills the row with copies.
    info->SetText(QStringLiteral("ab"));
    info->SetMode(Text | Repeat | MoveHorizontal);
    QImage row = paneImage(1);
    int textWidth = QFontMetrics(info->Font()).horizontalAdvance(QStringLiteral("ab  "));
    EXPECT_FALSE(onlyColour(row.copy(row.width() - textWidth, 0, textWidth, row.height()), Qt::white));
}

TEST_F(XStatusBarTest, RepeatedBitmapCoversThePaneOrOnlyTheTopRow)
{
    QPixmap tile(8, 4);
    tile.fill(Qt::blue);
    ASSERT_TRUE(tile.save(QDir::temp().filePath(QStringLiteral("zuvo_pane_tile.png"))));
    XPaneInfo* info = bar->GetPaneInfo(1);
    info->SetText(QDir::temp().filePath(QStringLiteral("zuvo_pane_tile.png")));
    info->SetMode(Bitmap | Repeat);
    EXPECT_TRUE(onlyColour(paneImage(1), Qt::blue));
    info->SetMode(Bitmap | Repeat | MoveHorizontal);
    QImage row = paneImage(1);
    EXPECT_TRUE(onlyColour(row.copy(0, 0, row.width(), 4), Qt::blue));
    EXPECT_TRUE(onlyColour(row.copy(0, 4, row.width(), row.height() - 4), Qt::white));
    info->SetMode(Bitmap | FormatRight | FormatBottom);
    QImage placed = paneImage(1);
    EXPECT_EQ(placed.pixelColor(placed.width() - 1, placed.height() - 1), QColor(Qt::blue));
    EXPECT_EQ(placed.pixelColor(0, 0), QColor(Qt::white));
    info->SetText(QStringLiteral("no-such-bitmap"));
    EXPECT_TRUE(onlyColour(paneImage(1), Qt::white));
}

TEST_F(XStatusBarTest, OnlyMovingBitsRunTheRefreshTimer)
{
    XPaneInfo* info = bar->GetPaneInfo(1);
    info->SetMode(Text | Repeat | Stretch);
    paneImage(1);
    EXPECT_FALSE(bar->IsAnimationTimerRunning());
    info->SetMode(Text | MoveVertical);
    paneImage(1);
    EXPECT_TRUE(bar->IsAnimationTimerRunning());
    info->SetMode(Text);
    paneImage(1);
    EXPECT_FALSE(bar->IsAnimationTimerRunning());
}

TEST_F(XStatusBarTest, ProgressControlIsCreatedOnceAndRemoved)
{
    XPaneInfo* info = bar->GetPaneInfo(1);
    info->SetMode(Progress);
    QProgressBar* control = info->ProgressControl();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), bar);
    info->SetMode(Progress | Smooth);
    EXPECT_EQ(info->ProgressControl(), control);
    EXPECT_EQ(bar->findChildren<QProgressBar*>().size(), 1);
    paneImage(1);
    EXPECT_EQ(control->geometry(), bar->PaneRect(1));
    info->SetMode(Text);
    EXPECT_EQ(info->ProgressControl(), nullptr);
    EXPECT_TRUE(bar->findChildren<QProgressBar*>().isEmpty());
}

TEST_F(XStatusBarTest, MouseEventsReachTheOwnerInBarCoordinates)
{
    ClickAt(bar, QPoint(30, 5));
    ASSERT_EQ(owner.mouse.size(), 2u);
    EXPECT_EQ(owner.mouse[0].first, QEvent::MouseButtonPress);
    EXPECT_EQ(owner.mouse[1].first, QEvent::MouseButtonRelease);
    EXPECT_EQ(owner.mouse[0].second, QPoint(30, 5));
}

TEST_F(XStatusBarTest, TextsFromOtherThreadsAreQueuedToTheGuiThread)
{
    std::thread worker([&] {
        bar->SetPaneText(1, QStringLiteral("from worker"));
        bar->SetPaneInfoText(0, QStringLiteral("info"));
    });
    worker.join();
    EXPECT_EQ(bar->PaneText(1), QStringLiteral("pane one"));  // not yet applied
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->PaneText(1), QStringLiteral("from worker"));
    EXPECT_EQ(bar->GetPaneInfo(0)->Text(), QStringLiteral("info"));
}

} // namespace

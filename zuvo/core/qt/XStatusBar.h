#pragma once

#include "core/frame/PaneMode.h"

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class XStatusBar;

// How one pane of the status bar looks: texts, colours, font and the mode
// flags of core/frame/PaneMode.h. A pane shows text, a bitmap or a progress bar;
// text and bitmaps can stand still, move or repeat.
class XPaneInfo {
public:
    XPaneInfo();
    ~XPaneInfo();
    XPaneInfo(const XPaneInfo&) = delete;
    XPaneInfo& operator=(const XPaneInfo&) = delete;

    // The first text is shown while the pane is enabled, the second while it
    // has the disabled style. In bitmap mode the texts name the bitmap.
    void SetText(const QString& text, const QString& disabledText = QString());
    // A point font of that face and size (tenths of a point).
    void SetFont(const QString& face, int tenthsOfPoint);
    // Stores the flags. With the progress bit a progress control is created
    // (once) on the most recently constructed bar; without it, it is removed.
    void SetMode(std::uint32_t flags);
    // Colours of the pane's own; until they are set, the pane follows the
    // application's palette (so a change of theme repaints it in the new one).
    void SetColors(const QColor& text, const QColor& background);
    void SetDisabledColors(const QColor& text, const QColor& background);

    std::uint32_t Mode() const { return mode_; }
    const QString& Text() const { return text_; }
    const QString& DisabledText() const { return disabledText_; }
    const QFont& Font() const { return font_; }
    QColor TextColor(bool disabled) const;
    QColor Background(bool disabled) const;
    QProgressBar* ProgressControl() const { return progress_.get(); }
    std::int32_t& HorizontalOffset() { return horizontalOffset_; }
    std::int32_t& VerticalOffset() { return verticalOffset_; }

private:
    std::optional<QColor> disabledTextColor_;
    std::optional<QColor> textColor_;
    std::optional<QColor> disabledBackground_;
    std::optional<QColor> background_;
    QString disabledText_;
    QString text_;
    std::unique_ptr<QProgressBar> progress_;
    QFont font_;
    std::uint32_t mode_ = PaneMode::Default;
    std::int32_t horizontalOffset_ = 0;
    std::int32_t verticalOffset_ = 0;
};

// The main window's status bar: panes described by XPaneInfo, painted by the
// bar itself. Pane texts may be set from any thread; they are applied on the
// GUI thread. Mouse events are passed on to the owner window.
class XStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kBarId = 59393;
    static constexpr int kTimerId = 20000;
    static constexpr int kTimerPeriodMs = 100;

    explicit XStatusBar(QWidget* parent = nullptr);
    ~XStatusBar() override;

    // Installs the bar at the bottom of the owner with one pane per default
    // text and gives pane 0 the style. Returns false (with a message) when
    // there are no panes.
    bool Create(class QMainWindow* owner, const QStringList& defaultTexts, std::uint32_t firstStyle);
    // Sets the panes: one per text, each with a default XPaneInfo.
    bool SetIndicators(const QStringList& defaultTexts);
    int PaneCount() const { return static_cast<int>(panes_.size()); }
    // The pane's description for changing it in place; null for a bad index.
    XPaneInfo* GetPaneInfo(int index);
    // Returns the old width; -1 for a bad index.
    int SetPaneWidth(int index, int width);
    int PaneWidth(int index) const;
    void SetPaneStyle(int index, std::uint32_t style);
    std::uint32_t PaneStyle(int index) const;
    // The bar's own text of a pane (the fall-back of an empty pane text).
    // From another thread the change is queued to the GUI thread.
    void SetPaneText(int index, const QString& text);
    // A pane's description texts, queued like SetPaneText.
    void SetPaneInfoText(int index, const QString& text, const QString& disabledText = QString());
    QString PaneText(int index) const;
    // The pane's rectangle in the bar.
    QRect PaneRect(int index) const;
    bool IsAnimationTimerRunning() const { return animationTimer_.isActive(); }
    // The most recently constructed bar (progress controls are its children).
    static XStatusBar* Current();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // Mouse events go to the owner first, in the bar's coordinates.
    bool event(QEvent* event) override;

private:
    struct Pane {
        QString barText;
        int width = 100;
        std::uint32_t style = 0;
        std::unique_ptr<XPaneInfo> info;
    };
    void paintPane(class QPainter& painter, int index);
    void paintText(QPainter& painter, Pane& pane, const QRect& inner, bool disabled);
    void paintBitmap(QPainter& painter, Pane& pane, const QRect& inner, bool disabled);
    void paintSizeGrip(QPainter& painter);
    void forwardToOwner(class QMouseEvent* event);
    void onGuiThread(std::function<void()> change);

    QPointer<QWidget> owner_;
    std::vector<Pane> panes_;
    QBasicTimer animationTimer_;
};

#pragma once

#include <QStringList>
#include <functional>
#include <QWidgetAction>

class QLabel;
class QListWidget;
class QToolButton;

// The drop-down of the tool bar's undo button: a list of what can be undone,
// newest first, 1 to 6 lines high with several lines selectable, and a text
// line below it that counts the lines selected; both 140 wide. The page
// editor fills the list; while it is empty the undo command stays disabled.
class UndoDropDown : public QWidgetAction {
public:
    static constexpr int kWidth = 140;
    static constexpr int kMaxVisibleLines = 6;

    explicit UndoDropDown(QObject* parent);

    void SetLines(const QStringList& lines);
    int LineCount() const;
    // Called after every SetLines (the main window updates its commands).
    void OnLinesChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    QListWidget* List() const { return list_; }
    QLabel* TextLine() const { return text_; }

private:
    void fitHeight();
    void showSelection();

    QListWidget* list_ = nullptr;  // owned by the default widget
    QLabel* text_ = nullptr;       // owned by the default widget
    std::function<void()> changed_;
};

// The undo button: the undo command with the drop-down beside it.
QToolButton* MakeUndoButton(QAction* undo, UndoDropDown* dropDown, QWidget* parent);

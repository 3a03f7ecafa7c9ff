#include "core/qt/UndoDropDown.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UndoDropDown::UndoDropDown(QObject* parent) : QWidgetAction(parent)
{
    auto* panel = new QWidget;  // handed to the action below, which owns it
    panel->setObjectName(QStringLiteral("UndoDropDown"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    list_ = new QListWidget(panel);
    list_->setObjectName(QStringLiteral("UndoList"));
    list_->setAccessibleName(QStringLiteral("撤消列表"));
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    list_->setFixedWidth(kWidth);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(list_);

    text_ = new QLabel(panel);
    text_->setObjectName(QStringLiteral("UndoText"));
    text_->setAccessibleName(QStringLiteral("撤消数目"));
    text_->setFixedWidth(kWidth);
    text_->setAlignment(Qt::AlignCenter);
    layout->addWidget(text_);

    connect(list_, &QListWidget::itemSelectionChanged, this, &UndoDropDown::showSelection);
    setDefaultWidget(panel);
    fitHeight();
    showSelection();
}

void UndoDropDown::SetLines(const QStringList& lines)
{
    list_->clear();
    list_->addItems(lines);
    fitHeight();
    showSelection();
    if (changed_)
        changed_();
}

int UndoDropDown::LineCount() const
{
    return list_->count();
}

void UndoDropDown::fitHeight()
{
    const int lines = std::clamp(list_->count(), 1, kMaxVisibleLines);
    const int row = list_->count() > 0 ? list_->sizeHintForRow(0) : list_->fontMetrics().height() + 2;
    list_->setFixedHeight(lines * row + 2 * list_->frameWidth());
}

void UndoDropDown::showSelection()
{
    text_->setText(QStringLiteral("撤消 %1 项操作").arg(list_->selectedItems().size()));
}

QToolButton* MakeUndoButton(QAction* undo, UndoDropDown* dropDown, QWidget* parent)
{
    auto* button = new QToolButton(parent);  // owned by parent
    button->setObjectName(QStringLiteral("UndoButton"));
    button->setDefaultAction(undo);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    auto* menu = new QMenu(button);  // owned by the button
    menu->addAction(dropDown);
    button->setMenu(menu);
    return button;
}

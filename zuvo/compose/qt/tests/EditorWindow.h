#pragma once
// A plain window around the page editor, as the compose window will host
// it: the editor's toolbar above, the editor below.

#include <QMainWindow>
#include <QToolBar>

#include "compose/qt/FaxView.h"

class EditorWindow : public QMainWindow {
public:
    EditorWindow()
    {
        setWindowTitle(QStringLiteral("传真页面编辑"));
        view = new CFaxView(this);
        toolbar = addToolBar(QStringLiteral("电子印章"));
        toolbar->addActions(view->ToolbarActions());
        setCentralWidget(view);
    }

    // The toolbar's button of a command.
    QWidget* ButtonFor(int id) const { return toolbar->widgetForAction(view->CommandAction(id)); }

    CFaxView* view = nullptr;
    QToolBar* toolbar = nullptr;
};

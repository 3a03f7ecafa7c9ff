#pragma once

#include <QMainWindow>
#include <QTextEdit>

#include <string>

#include "contacts/qt/AddrLeftView.h"
#include "core/qt/CommandActions.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

// The SMS window's tree: the template groups of sms.xml, or the one item
// "短信模板文件找不到" when it is missing.
class CSmsLeftView : public CAddrLeftView {
    Q_OBJECT
public:
    explicit CSmsLeftView(const std::string& directory, QWidget* parent = nullptr);
};

// The message being written.
class CSmsEditView : public QTextEdit {
    Q_OBJECT
public:
    explicit CSmsEditView(QWidget* parent = nullptr);
};

// The bar above the SMS window's panes: the "收信人:" button and the
// recipient field on the first row, the note on the second; 50 high, laid
// out on every resize.
class CSmsSubjectBar : public QWidget {
    Q_OBJECT
public:
    explicit CSmsSubjectBar(QWidget* parent = nullptr);

    QLineEdit* RecipientField() const { return field_; }
    QPushButton* RecipientButton() const { return recipient_; }
    QPushButton* MoreButton() const { return more_; }
    QLabel* Note() const { return note_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* recipient_ = nullptr;
    QLineEdit* field_ = nullptr;
    QPushButton* more_ = nullptr;
    QLabel* note_ = nullptr;
};

// "短消息": a window to write a short message beside the template groups.
// It sends nothing: its commands and the bar's buttons are inactive.
class CSmsFrm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kLeftWidth = 175;

    explicit CSmsFrm(const std::string& directory, QWidget* parent = nullptr);

    QAction* CommandAction(int id) const;
    CSmsLeftView* LeftView() const { return tree_; }
    CSmsEditView* EditView() const { return editor_; }
    CSmsSubjectBar* SubjectBar() const { return bar_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CSmsLeftView* tree_ = nullptr;
    CSmsEditView* editor_ = nullptr;
    CSmsSubjectBar* bar_ = nullptr;
    CommandActions actions_;
};

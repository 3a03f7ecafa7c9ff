#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// The prompt of the access lock: "账户存取密码", one masked password field,
// OK and Cancel. After OK, Password() holds what was typed.
class CAccessPasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 271;
    static constexpr int kPasswordEditId = 1001;

    explicit CAccessPasswordDlg(QWidget* parent = nullptr);

    QString Password() const { return password_; }
    QLineEdit* PasswordEdit() const { return edit_; }

public slots:
    void accept() override;

private:
    QLineEdit* edit_ = nullptr;
    QString password_;
};

// The access check of the folder tree and the account page: the prompt
// runs through the prompter; Cancel fails without a message; on OK the typed
// text must be the default account's access password
// (AccessLock::PasswordMatches), else "密码错误！" is shown and the check fails.
bool RunAccessCheck(QWidget* parent);

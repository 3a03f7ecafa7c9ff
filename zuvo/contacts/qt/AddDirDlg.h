#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

// "添加文件夹": the name of a new folder, or the new name of one. OK closes
// the dialog only when `acceptable` takes the name.
class CAddDirDlg : public QDialog {
    Q_OBJECT
public:
    CAddDirDlg(const QString& name, std::function<bool(const QString&)> acceptable, QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* NameField() const { return name_; }

    void accept() override;

private:
    QLineEdit* name_ = nullptr;
    std::function<bool(const QString&)> acceptable_;
};

#pragma once

#include <QDialog>

#include <QString>

#include <functional>
#include <optional>

class QLineEdit;

// "添加文件夹": the name of a new folder, or the new name of one. OK closes
// the dialog only when `refusal` has nothing against the name; otherwise
// its reason is told and the name stays for correcting.
class CAddDirDlg : public QDialog {
    Q_OBJECT
public:
    using Refusal = std::function<std::optional<QString>(const QString& name)>;

    CAddDirDlg(const QString& name, Refusal refusal, QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* NameField() const { return name_; }

    void accept() override;

private:
    QLineEdit* name_ = nullptr;
    Refusal refusal_;
};

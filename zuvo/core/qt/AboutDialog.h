#pragma once

// "关于 ZUVO": shows the text of about.txt from the program directory.

#include <QDialog>
#include <QPlainTextEdit>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QString& programDirectory, QWidget* parent = nullptr);
    ~CAboutDlg() override;

    QString Text() const { return text_.toPlainText(); }

private:
    QPlainTextEdit text_;
};

// The text the dialog shows for about.txt in `directory`: each line followed
// by "\r\n"; empty when the file is missing.
QString LoadAboutText(const QString& directory);

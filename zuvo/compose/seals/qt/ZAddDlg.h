#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// "添加电子章": a new seal's caption and its image. The image is chosen with
// "..." through the prompter's file chooser; a file whose name lacks ".tif"
// and ".bmp" is refused with "该格式的章，该版本不支持！".
class CZAddDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 243;
    static constexpr int kCaptionEditId = 1001;
    static constexpr int kFileNameEditId = 1022;
    static constexpr int kBrowseButtonId = 1174;

    explicit CZAddDlg(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    QString FileName() const { return fileName_; }
    QString ImagePath() const { return imagePath_; }

public slots:
    void accept() override;

private:
    void Browse();

    QString caption_;
    QString fileName_;
    QString imagePath_;
    QLineEdit* captionEdit_ = nullptr;
    QLineEdit* fileNameEdit_ = nullptr;
};

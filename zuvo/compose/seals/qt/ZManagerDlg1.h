#pragma once

#include <QDialog>
#include <QString>

#include <memory>

#include "compose/seals/qt/SealContext.h"

class CScrollBitmap;
class QLabel;
class QListWidget;
class QPushButton;
class SealStore;

// "电子章管理": the list of electronic seals (seal.xml) with a preview of the
// selected one and its size. "添加" adds a seal from an image file, "删除"
// deletes the selected one, "改密" changes the seal password with the
// server. OK (its caption set by the opener: "退出" when managing, "选择"
// when choosing) or a double click ends the dialog with the selected seal's
// image path in ChosenSealPath().
class CZManagerDlg1 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 242;
    static constexpr int kListId = 1027;
    static constexpr int kPreviewId = 1180;
    static constexpr int kSizeTextId = 1181;
    static constexpr int kAddButtonId = 3;
    static constexpr int kDeleteButtonId = 4;
    static constexpr int kPasswordButtonId = 5;

    // The OK captions of the two openers, in the interface language
    // (string 61518 "cn" in any case: Chinese).
    static QString ExitCaption();
    static QString SelectCaption();

    CZManagerDlg1(SealContext context, const QString& okCaption, QWidget* parent = nullptr);
    ~CZManagerDlg1() override;

    // The image of the seal chosen with OK; "" before, or when the list is empty.
    QString ChosenSealPath() const { return chosenPath_; }
    QListWidget* List() const { return list_; }
    CScrollBitmap* Preview() const { return preview_; }
    QString SizeText() const;

public slots:
    void accept() override;

private:
    void Start();
    void ShowPreview();
    void AddSeal();
    void DeleteSeal();
    void ChangePassword();
    int SelectedPosition() const;

    SealContext context_;
    std::unique_ptr<SealStore> store_;
    QString chosenPath_;
    QListWidget* list_ = nullptr;
    CScrollBitmap* preview_ = nullptr;
    QLabel* size_ = nullptr;
};

#pragma once

#include <QDialog>

#include <array>
#include <optional>
#include <vector>

#include "contacts/RecipientPicker.h"

class QComboBox;
class QListWidget;
class QPushButton;
class QTreeWidget;

// "地址选择": the compose window's recipient picker. The cards of one folder
// of address.xml (or of all) with name and fax number, and the two number
// lists "收件人" (To) and "抄送" (CC) that the user fills from them; the
// logic lives in RecipientPicker. Run it modally; after OK the caller reads
// GetToList, GetCcList and Picked.
class CAddrSelectDlg : public QDialog {
    Q_OBJECT
public:
    // Reads directory/address.xml (never creating it). Enter in the folder
    // combo refills the card list; on the card list it adds the first
    // selected card to To, as a double click does.
    CAddrSelectDlg(const QString& directory, QWidget* parent = nullptr);

    // The comma-joined numbers the lists start with.
    void SetPrefill(const QString& to, const QString& cc);

    QString GetToList() const;
    QString GetCcList() const;
    // The name and company of the card added to To last; nothing when no
    // number was added to To.
    std::optional<PickedContact> Picked() const { return picker_.Picked(); }
    std::optional<PickedContact> PickedAmong(const std::vector<std::string>& numbers) const
    {
        return picker_.PickedAmong(numbers);
    }

    QComboBox* FolderCombo() const { return folders_; }
    QTreeWidget* CardList() const { return cards_; }
    QListWidget* ToList() const { return toList_; }
    QListWidget* CcList() const { return ccList_; }

    // The buttons beside the lists.
    enum class Button { AddTo, RemoveTo, AddAllTo, AddCc, RemoveCc, AddAllCc };
    QPushButton* ButtonOf(Button which) const { return buttons_[static_cast<int>(which)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RefillCards();
    std::vector<PickerCard> SelectedCards() const;
    void AddSelected(bool toRecipients);
    void AddFirstSelectedToTo();
    void AddAll(bool toRecipients);
    void Remove(bool toRecipients);
    void ShowLists();

    RecipientPicker picker_;
    std::vector<PickerCard> shown_; // the cards of the list's rows, by row
    QComboBox* folders_ = nullptr;
    QTreeWidget* cards_ = nullptr;
    QListWidget* toList_ = nullptr;
    QListWidget* ccList_ = nullptr;
    std::array<QPushButton*, 6> buttons_{};
};

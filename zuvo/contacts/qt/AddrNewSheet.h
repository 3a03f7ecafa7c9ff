#pragma once

#include <QDialog>

#include <vector>

#include "contacts/AddressBookConfig.h"
#include "contacts/AddressBookDocument.h"
#include "contacts/ContactFields.h"

class QCheckBox;
class QDateEdit;
class QTabWidget;

// The contact editor: four pages built from the table of contact fields.
// A new card ("新建地址") starts empty; OK without a name keeps the sheet
// open, and without a fax number asks first. An edit ("地址信息") shows the
// card's values. Card() gives every attribute: what each field shows when
// that differs from what it showed on opening (however it was changed: by
// the keyboard, a screen reader or an automation), and the loaded text of
// every other, so that an unchanged OK writes back exactly what was there
// (an unparsable birthday, or a text a field cannot show as it is, included).
class CAddrNewSheet : public QDialog {
    Q_OBJECT
public:
    enum class Mode { New, Edit };

    explicit CAddrNewSheet(Mode mode, const StoredCard& card = {}, QWidget* parent = nullptr);

    AddressCard Card() const;
    Mode GetMode() const { return mode_; }
    QTabWidget* Tabs() const { return tabs_; }
    // The field of an attribute (its object name is the attribute), or null.
    QWidget* Field(const QString& attribute) const;
    // The birthday's "has a date" box and picker.
    QCheckBox* BirthDayBox() const { return birthDayBox_; }
    QDateEdit* BirthDayPicker() const { return birthDay_; }

    void accept() override;

private:
    struct FieldState {
        const ContactField* field = nullptr;
        QWidget* widget = nullptr;
        QString loaded;
        QString shown;        // what a text field showed on opening
        bool touched = false; // for the drop-down and the birthday
    };

    QWidget* makeField(FieldState& state, QWidget* page);
    QString textOf(const FieldState& state) const;
    QString valueOf(const char* attribute) const;

    Mode mode_;
    QTabWidget* tabs_ = nullptr;
    QCheckBox* birthDayBox_ = nullptr;
    QDateEdit* birthDay_ = nullptr;
    std::vector<FieldState> fields_;
};

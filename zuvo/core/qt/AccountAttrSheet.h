#pragma once

// The account settings sheet: three tabs ("账户设置", "页眉设置",
// "传真接收") over the account, header and mail pages. OK checks the
// values first (a fax user whose parts do not form one, or the last default
// account made not default, is refused with a message and the sheet stays).

#include <QDialog>
#include <QString>

#include "core/qt/AccountAttrPages.h"
#include "core/stores/AccountSettings.h"

class QTabWidget;

class CAccountAttrSheet : public QDialog {
    Q_OBJECT
public:
    // writer checks the values on OK (none: no check).
    CAccountAttrSheet(const QString& caption, const AccountSheetServices& services,
                      const AccountSettingsWriter* writer = nullptr, QWidget* parent = nullptr, int startPage = 0);

    void Load(const AccountSettings& settings);
    // The settings loaded, changed as the pages say.
    AccountSettings Values() const;

    CAccountAttrPage& AccountPage() { return *accountPage_; }
    CAccountFaxInfoPage& FaxInfoPage() { return *faxInfoPage_; }
    CAccountRcvMailPage& MailPage() { return *mailPage_; }
    QTabWidget& Tabs() { return *tabs_; }

public slots:
    void accept() override;

private:
    const AccountSettingsWriter* writer_;
    AccountSettings loaded_;
    QTabWidget* tabs_ = nullptr;
    CAccountAttrPage* accountPage_ = nullptr;
    CAccountFaxInfoPage* faxInfoPage_ = nullptr;
    CAccountRcvMailPage* mailPage_ = nullptr;
};

// Why OK was refused, as the sheet says it.
QString RefusalText(SettingsRefusal refusal);

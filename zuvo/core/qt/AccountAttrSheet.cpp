// The account settings sheet: the pages in their tabs, and OK's check.

#include "core/qt/AccountAttrSheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/qt/DialogParts.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "jotter/Jotter.h"

namespace {

enum : unsigned { IDS_ACCOUNT_TAB = 32779, IDS_HEADER_TAB = 32785, IDS_RECEIVE_TAB = 61567 };

} // namespace

QString RefusalText(SettingsRefusal refusal)
{
    switch (refusal) {
    case SettingsRefusal::BadFaxUser:
        return QStringLiteral("区号最多4位数字，号码最多10位数字！");
    case SettingsRefusal::LastDefaultAccount:
        return QStringLiteral("这是唯一的默认账户，不能取消默认！");
    case SettingsRefusal::None:
        break;
    }
    return {};
}

CAccountAttrSheet::CAccountAttrSheet(const QString& caption, const AccountSheetServices& services,
                                     const AccountSettingsWriter* writer, QWidget* parent, int startPage)
    : QDialog(parent), writer_(writer)
{
    setWindowTitle(caption);
    tabs_ = new QTabWidget(this);
    accountPage_ = new CAccountAttrPage(services, tabs_);
    faxInfoPage_ = new CAccountFaxInfoPage(services, tabs_);
    mailPage_ = new CAccountRcvMailPage(tabs_);
    tabs_->addTab(accountPage_, LoadText(IDS_ACCOUNT_TAB));
    tabs_->addTab(faxInfoPage_, LoadText(IDS_HEADER_TAB));
    tabs_->addTab(mailPage_, LoadText(IDS_RECEIVE_TAB));
    cpLog(kLogTrace, "init sheet pages[%d]", tabs_->count());
    tabs_->setCurrentIndex(startPage);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(MakeOkCancelButtons(*this));
    resize(620, sizeHint().height());
}

void CAccountAttrSheet::Load(const AccountSettings& settings)
{
    loaded_ = settings;
    accountPage_->Load(settings);
    faxInfoPage_->Load(settings);
    mailPage_->Load(settings);
}

AccountSettings CAccountAttrSheet::Values() const
{
    AccountSettings values = loaded_;
    accountPage_->Store(values);
    faxInfoPage_->Store(values);
    mailPage_->Store(values);
    return values;
}

void CAccountAttrSheet::accept()
{
    if (writer_) {
        const SettingsRefusal refusal = writer_->Check(Values());
        if (refusal != SettingsRefusal::None) {
            ShowMessage(RefusalText(refusal));
            return;
        }
    }
    QDialog::accept();
}

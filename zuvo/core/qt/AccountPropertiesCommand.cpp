// Command 32790: read, show, write back, and what a new identity sets off.

#include "core/qt/AccountPropertiesCommand.h"

#include "core/qt/AccountAttrSheet.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/AccountSettings.h"
#include "core/stores/SysConfig.h"
#include "jotter/Jotter.h"

namespace {

enum : unsigned { IDS_ACCOUNT_PROPERTIES = 61452, IDS_SELECT_ACCOUNT = 61453 };

} // namespace

void RunAccountProperties(const AccountPropertiesContext& context)
{
    cpLog(kLogTrace, "attr user");
    if (!context.treeAccount)
        return;
    AccountConfig::Reload();
    std::string account = context.treeAccount();
    if (account.empty() && context.currentAccount)
        account = context.currentAccount();
    const std::optional<AccountSettings> shown = account.empty() ? std::nullopt : ReadAccountSettings(account);
    if (!shown) {
        ShowMessage(LoadText(IDS_SELECT_ACCOUNT));
        return;
    }
    SysConfig& config = context.sheet.config ? *context.sheet.config : SysConfig::Instance();
    AccountSettingsWriter writer(account, *shown, config);
    CAccountAttrSheet sheet(LoadText(IDS_ACCOUNT_PROPERTIES), context.sheet, &writer, context.parent);
    sheet.Load(*shown);

    SettingsWrite write;
    if (CurrentPrompter().RunDialog(sheet) == QDialog::Accepted)
        write = writer.WriteConfirmed(sheet.Values());
    else if (sheet.AccountPage().IsPasswordChanged())
        write = writer.WriteAfterCancel(sheet.Values());
    else
        return;
    if (context.relabelFolders)
        context.relabelFolders();
    if (write.identityChanged && context.identityChanged)
        context.identityChanged();
}

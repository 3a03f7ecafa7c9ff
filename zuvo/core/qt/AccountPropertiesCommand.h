#pragma once

// The main window's "账户属性": the settings sheet for the account selected
// in the folder tree, filled from account.xml and written back on OK (or,
// after a password change at the server, on Cancel). A changed identity
// (fax user or proxy use) is reported so that the window logs in again.

#include <functional>
#include <string>

#include "core/qt/AccountAttrPages.h"

class QWidget;

struct AccountPropertiesContext {
    QWidget* parent = nullptr;
    // The folder tree's current account; unset when there is no tree.
    std::function<std::string()> treeAccount;
    // The application's current-account slot ("" when empty).
    std::function<std::string()> currentAccount;
    AccountSheetServices sheet;
    // After a write: the folder counts relabelled.
    std::function<void()> relabelFolders;
    // After a write that changed the identity.
    std::function<void()> identityChanged;
};

void RunAccountProperties(const AccountPropertiesContext& context);

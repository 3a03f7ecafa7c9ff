#include "compose/seals/qt/SealCommand.h"

#include "compose/seals/qt/PasswordDlg1.h"
#include "compose/seals/qt/ZManagerDlg1.h"
#include "core/qt/Prompter.h"

void RunSealManagement(QWidget* parent, const SealContext& context)
{
    CPasswordDlg1 password(context, parent);
    if (CurrentPrompter().RunDialog(password) != QDialog::Accepted)
        return;
    CZManagerDlg1 manager(context, CZManagerDlg1::ExitCaption(), parent);
    CurrentPrompter().RunDialog(manager);
}
